#include "analysis/widgets/ResultFindBar.h"

#include "analysis/ResultFinder.h"
#include "analysis/widgets/ResultTextView.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void settle(const ResultFinder& finder)
{
    for (int i = 0; i < 10000 && (finder.isCounting() || finder.isSearching()); ++i)
        QTest::qWait(1);
}

} // namespace

TEST(ResultFindBarTest, CtrlFFindsAndCountsCtrlGJumpsToALine)
{
    ResultTextView view;
    view.resize(500, 200);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QByteArray text;
    for (int i = 1; i <= 500; ++i)
        text += "line " + QByteArray::number(i) + (i % 100 == 0 ? " Needle" : "") + "\r\n";
    view.appendBytes(text);
    view.setFocus();

    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    ResultFindBar* bar = view.findBar();
    ASSERT_NE(bar, nullptr) << "Ctrl+F opens the find bar";
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->findField()->hasFocus());
    EXPECT_LT(view.viewport()->height() + bar->height(), 200) << "the bar takes room from the text";

    QTest::keyClicks(bar->findField(), u"needle"_s);
    settle(*view.finder());
    EXPECT_EQ(bar->status(), u"5 matches"_s);
    EXPECT_EQ(view.selectedText(), u"Needle"_s) << "found as typed";
    EXPECT_EQ(view.model().posAt(view.model().byteAt({ 99, 0 })).line, 99);
    QTest::keyClick(bar->findField(), Qt::Key_Return);
    settle(*view.finder());
    QTest::keyClick(bar->findField(), Qt::Key_F3);
    settle(*view.finder());
    EXPECT_EQ(view.selectedText(), u"Needle"_s);
    const qint64 third = view.model().rowOf({ 299, 0 });
    EXPECT_TRUE(view.topRow() <= third && third < view.topRow() + 12) << "the match is in view";
    QTest::keyClick(bar->findField(), Qt::Key_Return, Qt::ShiftModifier);
    settle(*view.finder());
    EXPECT_LE(view.topRow(), view.model().rowOf({ 199, 0 })) << "Shift+Enter goes back";

    QTest::keyClick(bar->findField(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_TRUE(bar->lineField()->hasFocus());
    QTest::keyClicks(bar->lineField(), u"450"_s);
    QTest::keyClick(bar->lineField(), Qt::Key_Return);
    const qint64 row = view.model().rowOf({ 449, 0 });
    EXPECT_TRUE(view.topRow() <= row && row < view.topRow() + 12) << "line 450 is in view";

    QTest::keyClick(bar->lineField(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(view.hasFocus());
}

// A search goes on from the caret wherever the user put it; Ctrl+G marks the line it reached.
TEST(ResultFindBarTest, SearchesFromTheCaretAndCtrlGMarksTheLine)
{
    ResultTextView view;
    view.resize(500, 200);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.appendBytes("Needle one\r\nhay\r\nNeedle two\r\nhay\r\nNeedle three\r\n");
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(view.findBar()->findField(), u"Needle"_s);
    settle(*view.finder());
    QTest::keyClick(view.findBar()->findField(), Qt::Key_F3);
    settle(*view.finder());
    ASSERT_EQ(view.anchor().line, 2);

    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_F3);
    settle(*view.finder());
    EXPECT_EQ(view.selectedText(), u"Needle"_s);
    EXPECT_EQ(view.anchor().line, 0) << "from the top, not from line 3";

    QTest::keyClick(&view, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClicks(view.findBar()->lineField(), u"5"_s);
    QTest::keyClick(view.findBar()->lineField(), Qt::Key_Return);
    EXPECT_EQ(view.selectedText(), u"Needle three"_s);
    EXPECT_EQ(view.caret().line, 4);
    EXPECT_EQ(view.caret().cell, 0) << "the caret at its start";
}
