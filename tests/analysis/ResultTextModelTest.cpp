#include "analysis/ResultTextModel.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Pos = ResultTextModel::Pos;

namespace {

// Feeds the bytes one at a time, so that every chunk boundary is exercised.
ResultTextModel byteByByte(const QByteArray& bytes)
{
    ResultTextModel m;
    for (char c : bytes)
        m.append(QByteArray(1, c));
    return m;
}

QStringList lines(const ResultTextModel& m)
{
    QStringList out;
    for (qint64 i = 0; i < m.lineCount(); ++i)
        out.append(m.displayText(i));
    return out;
}

} // namespace

TEST(ResultTextModelTest, EmptyModelHasOneEmptyLineAndRow)
{
    ResultTextModel m;
    EXPECT_EQ(m.lineCount(), 1);
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.displayText(0), QString());
    EXPECT_EQ(m.text(), QString());
    m.append(QByteArray());
    EXPECT_EQ(m.size(), 0);
}

TEST(ResultTextModelTest, LineBreaksAreLfCrLfOrLoneCrWhereverChunksSplitThem)
{
    const QByteArray raw = "HTTP/1.1 200 OK\r\nA: 1\n\r\nold\rmac\r\r\nend"_ba;
    const QStringList expected
        = { u"HTTP/1.1 200 OK"_s, u"A: 1"_s, QString(), u"old"_s, u"mac"_s, QString(), u"end"_s };
    ResultTextModel whole;
    whole.append(raw);
    EXPECT_EQ(lines(whole), expected);
    const ResultTextModel split = byteByByte(raw);
    EXPECT_EQ(lines(split), expected);
    EXPECT_EQ(split.lineStart(1), 17);
    EXPECT_EQ(split.lineEnd(0), 15);
    EXPECT_EQ(split.lineEnd(4), whole.lineEnd(4));
    EXPECT_EQ(split.text(), QString::fromLatin1(raw)) << "copy keeps the line breaks received";
    EXPECT_EQ(split.bytes().toByteArray(), raw);
}

TEST(ResultTextModelTest, MultiByteCharacterSplitAcrossChunksDecodesOnce)
{
    const QByteArray euro = "\xE2\x82\xAC"_ba; // one character, three bytes
    ResultTextModel m;
    m.append("x"_ba + euro.left(1));
    EXPECT_EQ(m.lineCells(0), 2) << "an unfinished sequence already takes its one cell";
    EXPECT_EQ(m.displayText(0), u"x\uFFFD"_s);
    m.append(euro.mid(1, 1));
    m.append(euro.mid(2) + "y\xF0\x9F"_ba);
    m.append("\x98\x80!"_ba); // U+1F600 split in the middle
    EXPECT_EQ(m.lineCells(0), 5);
    EXPECT_EQ(m.displayText(0), u"x€y\U0001F600!"_s);
    EXPECT_EQ(m.displayText(0, 3, 4), u"\U0001F600"_s);
    EXPECT_EQ(m.text(), u"x€y\U0001F600!"_s);
}

TEST(ResultTextModelTest, InvalidBytesShowAsReplacementButAreKeptExact)
{
    // A lone continuation, an overlong lead, a sequence broken by ASCII, a surrogate,
    // a truncated sequence at a line break.
    const QByteArray raw = "a\x80"
                           "b\xC0\xAF"
                           "c\xE2\x82"
                           "d\xED\xA0\x80"
                           "e\xF0\x9F\r\nf"_ba;
    for (const ResultTextModel& m : { byteByByte(raw), [&] {
                                         ResultTextModel w;
                                         w.append(raw);
                                         return w;
                                     }() }) {
        ASSERT_EQ(m.lineCount(), 2);
        const QString shown = m.displayText(0);
        EXPECT_EQ(shown, u"a\uFFFDb\uFFFD\uFFFDc\uFFFDd\uFFFD\uFFFD\uFFFDe\uFFFD"_s);
        EXPECT_EQ(m.lineCells(0), shown.size()) << "cells counted as bytes arrive match display";
        EXPECT_EQ(m.bytes().toByteArray(), raw);
        EXPECT_EQ(m.displayText(1), u"f"_s);
    }
}

TEST(ResultTextModelTest, TabsRunToTheNextStopAndControlsShowTheirPictures)
{
    ResultTextModel m;
    m.append("ab\tc\t\td\x01"_ba);
    EXPECT_EQ(m.lineCells(0), 26);
    EXPECT_EQ(m.displayText(0),
              u"ab"_s + QString(6, u' ') + u"c"_s + QString(15, u' ') + u"d\u2401"_s);
    EXPECT_EQ(m.displayText(0, 5, 9), u"   c"_s) << "part of a tab shows as the spaces it covers";
    EXPECT_EQ(m.text(), u"ab\tc\t\td\x01"_s) << "copied text keeps the tabs";
    EXPECT_EQ(m.byteAt({ 0, 3 }), 3) << "a place inside a tab maps past the tab";
    EXPECT_EQ(m.text({ 0, 1 }, { 0, 9 }), u"b\tc"_s);
}

TEST(ResultTextModelTest, WrapsLinesIntoRowsAndMapsRowsBack)
{
    ResultTextModel m;
    m.append("0123456789\r\n\r\nabcdefghij"_ba);
    m.setWrapWidth(4);
    EXPECT_EQ(m.rowsOfLine(0), 3);
    EXPECT_EQ(m.rowsOfLine(1), 1) << "an empty line still takes a row";
    EXPECT_EQ(m.rowCount(), 7);
    EXPECT_EQ(m.rowStart(2), (Pos { 0, 8 }));
    EXPECT_EQ(m.rowStart(3), (Pos { 1, 0 }));
    EXPECT_EQ(m.rowStart(6), (Pos { 2, 8 }));
    EXPECT_EQ(m.rowStart(99), (Pos { 2, 8 })) << "rows past the end clip to the last";
    EXPECT_EQ(m.rowOf({ 0, 10 }), 2) << "the end of a line belongs to its last row";
    EXPECT_EQ(m.rowOf({ 2, 4 }), 5);

    m.append("klmn"_ba); // the open line grows into a further row
    EXPECT_EQ(m.rowCount(), 8);
    m.setWrapWidth(0);
    EXPECT_EQ(m.rowCount(), 3);
    EXPECT_EQ(m.rowStart(2), (Pos { 2, 0 }));
}

TEST(ResultTextModelTest, LongSingleLineIsReachedThroughCheckpoints)
{
    // 300 KB on one line with multi-byte characters every so often, in odd chunks.
    QByteArray raw;
    for (int i = 0; raw.size() < 300000; ++i)
        raw += (i % 97 == 0) ? "\xC3\xA9"_ba : QByteArray(1, char('a' + i % 26));
    ResultTextModel m;
    for (qsizetype at = 0; at < raw.size(); at += 16381)
        m.append(raw.mid(at, 16381));
    const QString all = QString::fromUtf8(raw);
    ASSERT_EQ(m.lineCount(), 1);
    ASSERT_EQ(m.lineCells(0), all.size());
    m.setWrapWidth(120);
    const qint64 row = m.rowCount() - 3;
    const Pos start = m.rowStart(row);
    EXPECT_EQ(m.displayText(0, start.cell, start.cell + 120), all.mid(start.cell, 120));
    EXPECT_EQ(m.displayText(0, 200000, 200007), all.mid(200000, 7));
    EXPECT_EQ(m.text({ 0, 150000 }, { 0, 150010 }), all.mid(150000, 10));
}

TEST(ResultTextModelTest, ClearForgetsEverything)
{
    ResultTextModel m;
    m.append("a\r"_ba);
    m.clear();
    m.append("\nb"_ba);
    EXPECT_EQ(lines(m), (QStringList { QString(), u"b"_s }))
        << "a CR before the clear does not swallow the LF after it";
}
