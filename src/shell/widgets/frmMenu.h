#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class QLabel;

// The drop-down menu of a title bar: a borderless popup with a column of text items,
// each known by a tag. A click on an enabled item reports its tag and closes the menu;
// clicking elsewhere or losing the focus closes it too.
class frmMenu final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMenu)

public:
    // Colours of an item at rest and under the pointer.
    static inline const QColor kItemBackground { 192, 192, 255 };
    static inline const QColor kHighlightBackground { 120, 120, 159 };

    explicit frmMenu(QWidget* parent = nullptr);

    // Appends an item showing three spaces + caption; the menu widens to the widest
    // caption + 240 twips and grows by one item.
    void AddMenuItem(const QString& sMenuItemCaption, const QString& sMenuItemTag);
    // Sets the caption (three spaces + caption) of the first item whose tag matches,
    // letter case ignored; the width stays. No match: nothing happens.
    void SetMenuCaption(const QString& tag, const QString& caption);
    // Enables or greys out the first item whose tag matches, letter case ignored.
    // No match: nothing happens.
    void EnableMenuItem(const QString& tag, bool enable);
    // Background colour of the menu window behind and below its items.
    void setBarColor(const QColor& colour);
    // Background of one item at rest; an index out of range is ignored.
    void setItemBackground(int index, const QColor& colour);

    // Number of items added.
    int itemCount() const { return m_count; }
    // The label of item index (0 .. itemCount() - 1), or null.
    QLabel* lblMenuItem(int index) const;
    // Tag of item index, or an empty string.
    QString itemTag(int index) const;
    // Index of the highlighted item, or -1.
    int highlightedItem() const { return m_highlighted; }

    // Shows the menu without blocking, its top left corner at a screen position, moved left or
    // up as far as needed to lie wholly on that screen.
    void popupAt(const QPoint& globalPos);

Q_SIGNALS:
    // An enabled item was clicked; delivered once the menu has hidden and returned to the loop.
    void MenuItemClicked(const QString& tag);
    // The menu was hidden, for whatever reason.
    void menuHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Item
    {
        QLabel* label;
        QString tag;
        QColor background;
    };

    int indexOf(const QString& tag) const;
    void highlight(int index);
    void paintItem(int index, bool highlighted);
    void dismiss();

    QList<Item> m_items;
    QLabel* m_lengthTest;
    int m_count = 0;
    int m_widestTwips = 0;
    int m_highlighted = -1;
};
