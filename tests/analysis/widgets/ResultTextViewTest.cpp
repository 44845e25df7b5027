#include "analysis/widgets/ResultTextView.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray numberedLines(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += "line " + QByteArray::number(i) + "\r\n";
    return out;
}

struct ShownView
{
    ShownView()
    {
        view.resize(400, 200);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    ResultTextView view;
};

} // namespace

TEST(ResultTextViewTest, MouseSelectionAndKeysCopyTheText)
{
    ShownView s;
    s.view.appendBytes("first line\r\nsecond\tline\r\nthird"_ba);
    const QFontMetricsF fm(s.view.font());
    const int rowHeight = int(fm.lineSpacing());
    // From the start of the first line to just after "sec" on the second.
    const QPoint from(2, rowHeight / 2);
    const QPoint to(4 + int(fm.horizontalAdvance(u"sec"_s)), rowHeight + rowHeight / 2);
    QWidget* vp = s.view.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, from);
    QTest::mouseMove(vp, to);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
    EXPECT_EQ(s.view.selectedText(), u"first line\r\nsec"_s);

    QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), u"first line\r\nsec"_s);
    QTest::keyClick(&s.view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(s.view.selectedText(), u"first line\r\nsecond\tline\r\nthird"_s)
        << "copying keeps tabs and line breaks as received";

    s.view.clear();
    EXPECT_FALSE(s.view.hasSelection());
}

TEST(ResultTextViewTest, BytesThatAreNotUtf8ShowTintedAndCopyAsShown)
{
    ShownView s;
    s.view.appendBytes("Caf\xe9 \\xE9"_ba); // an invalid byte, then text that reads the same
    s.view.selectAll();
    EXPECT_EQ(s.view.selectedText(), uR"(Caf\xE9 \xE9)"_s);
    s.view.setSelection({ 0, 0 }, { 0, 0 });

    const QImage shown = s.view.viewport()->grab().toImage();
    const qreal cell = QFontMetricsF(s.view.font()).horizontalAdvance(u'x');
    // The top pixel row of a cell is background: plain, or tinted under an invalid byte.
    const auto background = [&](int column) {
        return shown.pixelColor(int(4 + (column + 0.5) * cell), 0);
    };
    EXPECT_EQ(background(0), background(10)) << "text reading \\xE9 is plain";
    EXPECT_NE(background(0), background(4)) << "the invalid byte is tinted";
}

TEST(ResultTextViewTest, ScrollsToTheEndAndFollowsTheEndOnlyWhenAsked)
{
    ShownView s;
    s.view.appendBytes(numberedLines(500));
    EXPECT_EQ(s.view.topRow(), 0) << "a response page stays at its start";
    QTest::keyClick(&s.view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(s.view.topRow(), s.view.verticalScrollBar()->maximum());
    EXPECT_GT(s.view.topRow(), 400);
    const QPoint bottom(5, s.view.viewport()->height() - 3);
    EXPECT_EQ(s.view.posAt(bottom).line, 500) << "the last (empty) line is in view";

    ResultTextView log;
    log.resize(400, 200);
    log.setFollowEnd(true);
    log.show();
    for (int i = 0; i < 100; ++i)
        log.appendText(u"log line\r\n"_s);
    EXPECT_EQ(log.topRow(), log.verticalScrollBar()->maximum());
    EXPECT_GT(log.topRow(), 0);
    log.scrollToStart();
    log.appendText(u"one more\r\n"_s);
    EXPECT_EQ(log.topRow(), 0) << "a reader who scrolled up is not pulled down";
}

TEST(ResultTextViewTest, LongLinesWrapToTheViewWidth)
{
    ShownView s;
    s.view.appendBytes(QByteArray(5000, 'x'));
    const qint64 wide = s.view.model().rowCount();
    EXPECT_GT(wide, 1);
    EXPECT_LE(s.view.model().wrapWidth() * s.view.fontMetrics().horizontalAdvance(u'x'),
              s.view.viewport()->width());
    s.view.resize(200, 200);
    EXPECT_GT(s.view.model().rowCount(), wide);
    EXPECT_EQ(s.view.model().rowCount(),
              (5000 + s.view.model().wrapWidth() - 1) / s.view.model().wrapWidth());
}
