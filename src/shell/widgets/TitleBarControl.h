#pragma once

#include "shell/widgets/FramePainter.h"

#include <QPoint>
#include <QString>
#include <QWidget>

class FrameButton;
class QLabel;
class frmMenu;

// What the window frame and the dialog title bar share: the caption, the close,
// maximise, minimise and menu buttons with the popup menu, dragging the hosting window
// by its caption, and the colour schemes. Subclasses lay the parts out.
//
// Reports go to the host as signals; the host decides what they do.
class TitleBarControl : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TitleBarControl)

public:
    ~TitleBarControl() override;

    // Caption text, stored as given; the label shows "&&" as "&" and drops lone "&".
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // Text of the menu button's label ("Options" at first).
    void setMenuButtonCaption(const QString& caption);
    // 1 red, 2 green (the popup's first item turns pink with red); any other number
    // changes nothing.
    void setBarColor(int scheme);

    // Setting a flag to the value it has does nothing; otherwise the button shows or
    // hides and the parts are laid out again.
    bool ShowMinimizeButton() const { return m_showMinimize; }
    void setShowMinimizeButton(bool show);
    bool ShowMaximizeButton() const { return m_showMaximize; }
    void setShowMaximizeButton(bool show);
    bool ShowCloseButton() const { return m_showClose; }
    void setShowCloseButton(bool show);
    bool Showmenu() const { return m_showMenu; }
    void setShowmenu(bool show);

    // Forwarded to the popup menu (see frmMenu).
    void AddMenuItem(const QString& sMenuItemCaption, const QString& sMenuItemTag);
    void SetMenuCaption(const QString& tag, const QString& caption);
    void EnableMenuItem(const QString& tag, bool enable);

    // The popup menu, created with the control and kept for its lifetime.
    frmMenu* fMenu() const { return m_menu; }
    // The window that dragging the caption moves: the nearest MDI sub-window or
    // top-level window holding the control.
    QWidget* hostWindow() const;

Q_SIGNALS:
    void WindowMinimize();
    void WindowMaximize();
    void WindowClose();
    // The tag of the popup menu item chosen.
    void MenuItemClicked(const QString& tag);

protected:
    TitleBarControl(bool showMenu, QWidget* parent);

    // Places every part for the current size and visibility flags.
    virtual void relayout() = 0;
    // Places the visible buttons leftwards from a right edge (twips) at a top (twips),
    // 60 twips apart, and the menu label over the menu picture at labelTop; returns the
    // position 60 twips left of the last button placed.
    int placeButtons(int right, int top, int labelTop);
    // Places the caption label (twips).
    void placeCaption(int left, int top, int width);
    FramePainter::Scheme scheme() const { return m_scheme; }

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setFlag(bool& flag, bool show);
    void applyVisibility();
    void showMenu();
    void endDrag();

    QString m_caption;
    bool m_showMinimize = true;
    bool m_showMaximize = true;
    bool m_showClose = true;
    bool m_showMenu;
    bool m_dragging = false;
    QPoint m_dragStart;
    QPoint m_hostStart;
    FramePainter::Scheme m_scheme = FramePainter::Scheme::Default;

    FrameButton* m_close;
    FrameButton* m_maximize;
    FrameButton* m_minimize;
    FrameButton* m_menuButton;
    QLabel* m_menuLabel;
    QLabel* m_captionLabel;
    frmMenu* m_menu;
};
