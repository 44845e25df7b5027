#include "shell/widgets/frmMenu.h"

#include "shell/Twips.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct RequestFileMenu
{
    RequestFileMenu()
    {
        menu.AddMenuItem(u"Load Request file"_s, u"loadreq"_s);
        menu.AddMenuItem(u"Save Request file as..."_s, u"savereq"_s);
    }
    void open()
    {
        menu.popupAt(QPoint(100, 100));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    }
    frmMenu menu;
};

QColor background(const QLabel* label)
{
    return label->palette().color(QPalette::Window);
}

} // namespace

TEST(frmMenuTest, IsAsWideAsTheWidestCaptionWithItsIndentPlus240Twips)
{
    RequestFileMenu f;
    const QLabel* first = f.menu.lblMenuItem(0);
    const QLabel* second = f.menu.lblMenuItem(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(f.menu.itemCount(), 2);
    EXPECT_EQ(second->text(), u"   Save Request file as..."_s);
    const int widest = first->fontMetrics().horizontalAdvance(u"   Save Request file as..."_s);
    EXPECT_EQ(f.menu.width(), widest + Twips::toPx(240));
    EXPECT_EQ(first->width(), f.menu.width()) << "every item takes the new width";
    EXPECT_EQ(second->y(), first->y() + first->height());
    EXPECT_EQ(f.menu.height(), second->y() + second->height() + Twips::toPx(120));

    f.menu.AddMenuItem(u"Use"_s, u"use"_s); // narrower: the width stays
    EXPECT_EQ(f.menu.width(), widest + Twips::toPx(240));
    EXPECT_EQ(f.menu.lblMenuItem(2)->width(), f.menu.width());
}

TEST(frmMenuTest, FindsItemsByTagIgnoringCaseAndIgnoresUnknownTags)
{
    RequestFileMenu f;
    const int width = f.menu.width();
    f.menu.EnableMenuItem(u"SAVEREQ"_s, false);
    EXPECT_FALSE(f.menu.lblMenuItem(1)->isEnabled());
    EXPECT_TRUE(f.menu.lblMenuItem(0)->isEnabled());
    f.menu.SetMenuCaption(u"LoadReq"_s, u"Load a much longer request file caption"_s);
    EXPECT_EQ(f.menu.lblMenuItem(0)->text(), u"   Load a much longer request file caption"_s);
    EXPECT_EQ(f.menu.width(), width) << "a new caption does not widen the menu";
    f.menu.EnableMenuItem(u"nothing"_s, false);
    f.menu.SetMenuCaption(u"nothing"_s, u"x"_s);
    EXPECT_TRUE(f.menu.lblMenuItem(0)->isEnabled());
    f.menu.EnableMenuItem(u"savereq"_s, true);
    EXPECT_TRUE(f.menu.lblMenuItem(1)->isEnabled());
}

TEST(frmMenuTest, ClickReportsTheTagAndHidesButDisabledItemsDoNothing)
{
    RequestFileMenu f;
    QSignalSpy clicked(&f.menu, &frmMenu::MenuItemClicked);
    f.menu.EnableMenuItem(u"SAVEREQ"_s, false);
    f.open();
    QTest::mouseClick(f.menu.lblMenuItem(1), Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_TRUE(f.menu.isVisible()) << "a click on a disabled item leaves the menu open";

    // An item may open a modal dialog: the popup must have let go of the mouse by then.
    const QWidget* popupAtDelivery = &f.menu;
    QObject::connect(&f.menu, &frmMenu::MenuItemClicked, &f.menu,
                     [&] { popupAtDelivery = QApplication::activePopupWidget(); });
    QTest::mouseClick(f.menu.lblMenuItem(0), Qt::LeftButton);
    EXPECT_FALSE(f.menu.isVisible());
    ASSERT_TRUE(clicked.count() == 1 || clicked.wait(5000));
    EXPECT_EQ(clicked.at(0).at(0).toString(), u"loadreq"_s);
    EXPECT_EQ(popupAtDelivery, nullptr);
}

TEST(frmMenuTest, OpensWhollyOnTheScreenAtItsRightAndBottomEdges)
{
    RequestFileMenu f;
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint& at : { QPoint(room.right() - 5, room.top() + 10),
                              QPoint(room.left() + 10, room.bottom() - 5), room.bottomRight() }) {
        f.menu.popupAt(at);
        EXPECT_TRUE(room.contains(f.menu.frameGeometry())) << at.x() << "," << at.y();
        f.menu.hide();
    }
    f.menu.popupAt(QPoint(100, 100));
    EXPECT_EQ(f.menu.pos(), QPoint(100, 100)) << "room enough: placed as asked";
}

TEST(frmMenuTest, HoverHighlightsOneItemAtATime)
{
    RequestFileMenu f;
    f.open();
    const QColor normal = background(f.menu.lblMenuItem(0));
    EXPECT_EQ(normal, frmMenu::kItemBackground);
    QTest::mouseMove(f.menu.lblMenuItem(1));
    EXPECT_EQ(f.menu.highlightedItem(), 1);
    EXPECT_EQ(background(f.menu.lblMenuItem(1)), frmMenu::kHighlightBackground);
    EXPECT_EQ(f.menu.lblMenuItem(1)->palette().color(QPalette::WindowText), QColor(Qt::white));
    QTest::mouseMove(f.menu.lblMenuItem(0));
    EXPECT_EQ(f.menu.highlightedItem(), 0);
    EXPECT_EQ(background(f.menu.lblMenuItem(1)), normal);

    f.menu.setItemBackground(0, QColor(255, 192, 192));
    f.menu.hide();
    EXPECT_EQ(f.menu.highlightedItem(), -1) << "hiding drops the highlight";
    EXPECT_EQ(background(f.menu.lblMenuItem(0)), QColor(255, 192, 192))
        << "an item returns to its own colour, not the common one";
}

TEST(frmMenuTest, ClosesWhenTheUserClicksElsewhere)
{
    QWidget other;
    other.resize(200, 200);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    RequestFileMenu f;
    QSignalSpy hidden(&f.menu, &frmMenu::menuHidden);
    QSignalSpy clicked(&f.menu, &frmMenu::MenuItemClicked);
    f.open();
    // Through the window system, as a real click arrives, so that popup handling sees it.
    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.menu.isVisible(); }));
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_EQ(clicked.count(), 0);
}
