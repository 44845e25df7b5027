#include "shell/Twips.h"
#include "shell/widgets/FrameButton.h"
#include "shell/widgets/ctrlFormBar.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "shell/widgets/frmMenu.h"

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

FrameButton* part(QWidget& bar, const QString& name)
{
    return bar.findChild<FrameButton*>(name);
}

QLabel* label(QWidget& bar, const QString& name)
{
    return bar.findChild<QLabel*>(name);
}

} // namespace

TEST(TitleBarTest, WindowContainerPlacesButtonsFromTheRightAndTheCaptionInFront)
{
    ctrlWindowContainer frame;
    frame.resize(Twips::toPx(6000), Twips::toPx(3000));
    frame.show(); // a hidden widget gets its resize event only when shown
    FrameButton* close = part(frame, u"imgClose"_s);
    FrameButton* maximize = part(frame, u"imgMaximize"_s);
    FrameButton* minimize = part(frame, u"imgMinimize"_s);
    FrameButton* menu = part(frame, u"imgMenu"_s);
    // Bar from 60 to width - 60, first button's right edge 90 before the bar's end.
    EXPECT_EQ(close->geometry().right() + 1, Twips::toPx(6000 - 60 - 90));
    EXPECT_EQ(close->y(), Twips::toPx(105));
    EXPECT_EQ(maximize->geometry().right() + 1, close->x() - Twips::toPx(60));
    EXPECT_EQ(minimize->geometry().right() + 1, maximize->x() - Twips::toPx(60));
    EXPECT_EQ(menu->geometry().right() + 1, minimize->x() - Twips::toPx(60));
    const QLabel* menuLabel = label(frame, u"lblMenu"_s);
    EXPECT_EQ(menuLabel->text(), u"Options"_s);
    EXPECT_EQ(menuLabel->x(), menu->x() + Twips::toPx(60));
    EXPECT_EQ(menuLabel->geometry().right(), menu->geometry().right());
    const QLabel* caption = label(frame, u"lblCaption"_s);
    EXPECT_EQ(caption->x(), Twips::toPx(120));
    EXPECT_EQ(caption->geometry().right() + 1, menu->x() - Twips::toPx(120));
    EXPECT_EQ(frame.Caption(), u"Window caption"_s);
}

TEST(TitleBarTest, HidingCloseMovesTheOtherButtonsRightByItsWidthAndTheGap)
{
    ctrlWindowContainer frame;
    frame.resize(Twips::toPx(6000), Twips::toPx(3000));
    frame.show();
    FrameButton* close = part(frame, u"imgClose"_s);
    const QPoint maximize = part(frame, u"imgMaximize"_s)->pos();
    const QPoint minimize = part(frame, u"imgMinimize"_s)->pos();
    const int shift = close->width() + Twips::toPx(60);
    frame.setShowCloseButton(false);
    EXPECT_TRUE(close->isHidden());
    EXPECT_EQ(part(frame, u"imgMaximize"_s)->pos(), maximize + QPoint(shift, 0));
    EXPECT_EQ(part(frame, u"imgMinimize"_s)->pos(), minimize + QPoint(shift, 0));

    frame.setShowmenu(false);
    EXPECT_TRUE(part(frame, u"imgMenu"_s)->isHidden());
    EXPECT_TRUE(label(frame, u"lblMenu"_s)->isHidden());
    EXPECT_EQ(label(frame, u"lblCaption"_s)->geometry().right() + 1,
              part(frame, u"imgMinimize"_s)->x() - Twips::toPx(120))
        << "the caption takes the room the menu button left";
}

TEST(TitleBarTest, SettingAFlagToItsValueDoesNoLayout)
{
    ctrlFormBar bar;
    bar.resize(Twips::toPx(6000), 1);
    bar.show();
    FrameButton* maximize = part(bar, u"imgMaximize"_s);
    const QPoint placed = maximize->pos();
    maximize->move(0, 0); // a layout would put it back
    bar.setShowCloseButton(true);
    bar.setShowmenu(false);
    EXPECT_EQ(maximize->pos(), QPoint(0, 0));
    bar.setShowMinimizeButton(false);
    EXPECT_EQ(maximize->pos(), placed) << "a changed flag lays out again";
    EXPECT_FALSE(bar.ShowMinimizeButton());
}

TEST(TitleBarTest, ControlsKeepTheirMinimumSizes)
{
    ctrlWindowContainer frame;
    frame.resize(10, 10);
    EXPECT_GE(Twips::fromPx(frame.width()), 2000);
    EXPECT_GE(Twips::fromPx(frame.height()), 2000);
    EXPECT_LT(Twips::fromPx(frame.width()), 2000 + Twips::kPerPixel);

    ctrlFormBar bar;
    bar.resize(10, 100);
    EXPECT_EQ(bar.height(), Twips::toPx(315));
    EXPECT_GE(Twips::fromPx(bar.width()), 3000);
    bar.resize(Twips::toPx(4500), 10);
    bar.show();
    EXPECT_EQ(bar.height(), Twips::toPx(315));
    // Form bar: first button 90 from the right edge, parts centred in its height.
    EXPECT_EQ(part(bar, u"imgClose"_s)->geometry().right() + 1, Twips::toPx(4500 - 90));
    EXPECT_EQ(part(bar, u"imgClose"_s)->y(), Twips::toPx(45));
    EXPECT_EQ(label(bar, u"lblCaption"_s)->x(), Twips::toPx(100));
    EXPECT_FALSE(bar.Showmenu()) << "the form bar starts without a menu button";
}

TEST(TitleBarTest, BarColorSwitchesSchemesAndIgnoresOtherNumbers)
{
    ctrlWindowContainer frame;
    frame.resize(Twips::toPx(4000), Twips::toPx(2000));
    const QImage before = frame.grab().toImage();
    frame.setBarColor(3);
    frame.setBarColor(0);
    EXPECT_EQ(frame.grab().toImage(), before);
    EXPECT_EQ(frame.fMenu()->palette().color(QPalette::Window), frmMenu::kItemBackground);

    frame.AddMenuItem(u"First"_s, u"first"_s);
    frame.setBarColor(1);
    const QImage red = frame.grab().toImage();
    EXPECT_NE(red, before);
    EXPECT_EQ(frame.fMenu()->lblMenuItem(0)->palette().color(QPalette::Window),
              QColor(255, 192, 192));
    frame.setBarColor(2);
    EXPECT_NE(frame.grab().toImage(), red);
    frame.setBarColor(7);
    EXPECT_NE(frame.grab().toImage(), red) << "an unknown number keeps green";
}

TEST(TitleBarTest, ButtonsLookSunkenWhilePressedAndReportEveryRelease)
{
    ctrlWindowContainer frame;
    frame.resize(Twips::toPx(6000), Twips::toPx(3000));
    QSignalSpy closed(&frame, &ctrlWindowContainer::WindowClose);
    QSignalSpy maximized(&frame, &ctrlWindowContainer::WindowMaximize);
    QSignalSpy minimized(&frame, &ctrlWindowContainer::WindowMinimize);
    FrameButton* close = part(frame, u"imgClose"_s);
    FrameButton* maximize = part(frame, u"imgMaximize"_s);

    QTest::mousePress(close, Qt::LeftButton);
    EXPECT_TRUE(close->isSunken());
    QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(-50, -50));
    EXPECT_FALSE(close->isSunken());
    EXPECT_EQ(closed.count(), 1) << "released away from the button still closes";

    QTest::mousePress(close, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_FALSE(close->isSunken()) << "close sinks only for the plain left button";
    QTest::mouseRelease(close, Qt::LeftButton, Qt::ShiftModifier);
    QTest::mousePress(close, Qt::RightButton);
    EXPECT_FALSE(close->isSunken());
    QTest::mouseRelease(close, Qt::RightButton);
    EXPECT_EQ(closed.count(), 3);

    QTest::mousePress(maximize, Qt::RightButton);
    EXPECT_TRUE(maximize->isSunken()) << "the other buttons sink for any button";
    QTest::mouseRelease(maximize, Qt::RightButton);
    EXPECT_FALSE(maximize->isSunken());
    QTest::mouseClick(part(frame, u"imgMinimize"_s), Qt::LeftButton);
    EXPECT_EQ(maximized.count(), 1);
    EXPECT_EQ(minimized.count(), 1);
}

TEST(TitleBarTest, MenuLabelOpensThePopupBelowTheMenuButtonAndPassesTheTagOn)
{
    ctrlWindowContainer frame;
    frame.resize(Twips::toPx(6000), Twips::toPx(3000));
    frame.setMenuButtonCaption(u"Load/Save"_s);
    frame.AddMenuItem(u"Load Request file"_s, u"loadreq"_s);
    frame.AddMenuItem(u"Save Request file as..."_s, u"savereq"_s);
    frame.EnableMenuItem(u"SAVEREQ"_s, false);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QSignalSpy chosen(&frame, &ctrlWindowContainer::MenuItemClicked);
    FrameButton* menuButton = part(frame, u"imgMenu"_s);

    QTest::mousePress(menuButton, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_TRUE(menuButton->isSunken());
    EXPECT_FALSE(frame.fMenu()->isVisible()) << "the picture alone does not open the menu";
    QTest::mouseRelease(menuButton, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(menuButton->isSunken());

    QLabel* menuLabel = label(frame, u"lblMenu"_s);
    EXPECT_EQ(menuLabel->text(), u"Load/Save"_s);
    QTest::mousePress(menuLabel, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.fMenu()->isVisible(); }));
    EXPECT_TRUE(menuButton->isSunken());
    EXPECT_EQ(frame.fMenu()->pos(), menuButton->mapToGlobal(QPoint(0, menuButton->height())));
    QTest::mouseClick(frame.fMenu()->lblMenuItem(0), Qt::LeftButton);
    ASSERT_TRUE(chosen.wait(5000));
    EXPECT_EQ(chosen.at(0).at(0).toString(), u"loadreq"_s);
    EXPECT_FALSE(frame.fMenu()->isVisible());
    EXPECT_FALSE(menuButton->isSunken()) << "the picture rises when the menu goes";
}

TEST(TitleBarTest, CaptionShowsDoubledAmpersandsOnce)
{
    ctrlFormBar bar;
    bar.setCaption(u" Manual && License Agreement"_s);
    EXPECT_EQ(bar.Caption(), u" Manual && License Agreement"_s);
    EXPECT_EQ(label(bar, u"lblCaption"_s)->text(), u" Manual & License Agreement"_s);
    bar.setCaption(u"&File a&&b&"_s);
    EXPECT_EQ(label(bar, u"lblCaption"_s)->text(), u"File a&b"_s);
}

TEST(TitleBarTest, AssistiveTechnologyReadsTheCaptionAndPressesTheButtons)
{
    ctrlWindowContainer frame;
    frame.setCaption(u" Request && Response"_s);
    frame.setMenuButtonCaption(u"Load/Save"_s);
    frame.AddMenuItem(u"Load Request file"_s, u"loadreq"_s);
    frame.resize(Twips::toPx(6000), Twips::toPx(3000));
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&frame)->text(QAccessible::Name),
              u" Request & Response"_s);

    QSignalSpy closed(&frame, &ctrlWindowContainer::WindowClose);
    QSignalSpy maximized(&frame, &ctrlWindowContainer::WindowMaximize);
    for (const auto& [name, caption, spy] :
         { std::tuple { u"imgClose"_s, u"Close"_s, &closed },
           std::tuple { u"imgMaximize"_s, u"Maximize"_s, &maximized } }) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(part(frame, name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->text(QAccessible::Name), caption);
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(spy->count(), 1) << qPrintable(name);
    }
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(part(frame, u"imgMenu"_s));
    EXPECT_EQ(menu->text(QAccessible::Name), u"Load/Save"_s);
    menu->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.fMenu()->isVisible(); }));
}
