#pragma once

#include <QWidget>

class ctrlWindowContainer;

// A tool window drawn in its own frame: a ctrlWindowContainer with only a close button,
// which hides the window (its content stays), and a content area below the title bar that
// subclasses fill with a layout. Starts at its design size.
class FramedWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FramedWindow)

public:
    // widthTwips x heightTwips is the design size.
    FramedWindow(const QString& caption, int widthTwips, int heightTwips,
                 QWidget* parent = nullptr);
    ~FramedWindow() override;

    ctrlWindowContainer* frame() const { return m_frame; }
    // The area below the title bar: left 60, top 420, 120 narrower and 510 lower (twips).
    QWidget* content() const { return m_content; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ctrlWindowContainer* m_frame;
    QWidget* m_content;
};
