#include "analysis/ResultTextModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

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
    EXPECT_EQ(m.lineCells(0), 5) << "an unfinished sequence shows its byte until it completes";
    EXPECT_EQ(m.displayText(0), u"x\\xE2"_s);
    m.append(euro.mid(1, 1));
    m.append(euro.mid(2) + "y\xF0\x9F"_ba);
    m.append("\x98\x80!"_ba); // U+1F600 split in the middle
    EXPECT_EQ(m.lineCells(0), 5);
    EXPECT_EQ(m.displayText(0), u"x€y\U0001F600!"_s);
    EXPECT_EQ(m.displayText(0, 3, 4), u"\U0001F600"_s);
    EXPECT_EQ(m.text(), u"x€y\U0001F600!"_s);
}

TEST(ResultTextModelTest, EachInvalidByteShowsAsItsHexValue)
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
        QList<qint64> invalid;
        const QString shown = m.displayText(0, 0, -1, &invalid);
        EXPECT_EQ(shown, uR"(a\x80b\xC0\xAFc\xE2\x82d\xED\xA0\x80e\xF0\x9F)"_s);
        EXPECT_EQ(invalid, QList<qint64>({ 1, 6, 10, 15, 19, 24, 28, 32, 37, 41 }));
        EXPECT_EQ(m.lineCells(0), shown.size()) << "cells counted as bytes arrive match display";
        EXPECT_EQ(m.bytes().toByteArray(), raw);
        EXPECT_EQ(m.displayText(1), u"f"_s);
        // A row boundary inside a shown byte cuts it; copying gives the text as shown.
        invalid.clear();
        EXPECT_EQ(m.displayText(0, 3, 8, &invalid), u"80b\\x"_s);
        EXPECT_EQ(invalid, QList<qint64>({ 1, 6 }));
        EXPECT_EQ(m.text({ 0, 1 }, { 0, 10 }), uR"(\x80b\xC0)"_s);
        EXPECT_EQ(m.posAt(3), (ResultTextModel::Pos { 0, 6 }));
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

namespace {

// Well-formed UTF-8 as the Unicode standard tables it: a lead range and the ranges of the
// bytes that follow it.
struct Form
{
    unsigned char lo, hi;
    std::vector<std::pair<unsigned char, unsigned char>> next;
};
const std::vector<Form> kForms = {
    { 0x00, 0x7F, {} },
    { 0xC2, 0xDF, { { 0x80, 0xBF } } },
    { 0xE0, 0xE0, { { 0xA0, 0xBF }, { 0x80, 0xBF } } },
    { 0xE1, 0xEC, { { 0x80, 0xBF }, { 0x80, 0xBF } } },
    { 0xED, 0xED, { { 0x80, 0x9F }, { 0x80, 0xBF } } },
    { 0xEE, 0xEF, { { 0x80, 0xBF }, { 0x80, 0xBF } } },
    { 0xF0, 0xF0, { { 0x90, 0xBF }, { 0x80, 0xBF }, { 0x80, 0xBF } } },
    { 0xF1, 0xF3, { { 0x80, 0xBF }, { 0x80, 0xBF }, { 0x80, 0xBF } } },
    { 0xF4, 0xF4, { { 0x80, 0x8F }, { 0x80, 0xBF }, { 0x80, 0xBF } } },
};

// Stands for an invalid byte in a reference decoding: kInvalid plus the byte's value.
constexpr char32_t kInvalid = 0x110000;

// Decodes the way the standard recommends, except that each byte of a maximal subpart of an
// ill-formed sequence stands for itself where the standard puts one U+FFFD.
std::vector<char32_t> referenceDecode(const QByteArray& bytes)
{
    std::vector<char32_t> out;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto form = std::find_if(kForms.begin(), kForms.end(),
                                       [&](const Form& f) { return p[i] >= f.lo && p[i] <= f.hi; });
        if (form == kForms.end()) {
            out.push_back(kInvalid + p[i]);
            ++i;
            continue;
        }
        std::size_t k = 0;
        while (k < form->next.size() && i + 1 + qsizetype(k) < bytes.size()
               && p[i + 1 + k] >= form->next[k].first && p[i + 1 + k] <= form->next[k].second)
            ++k;
        if (k < form->next.size()) {
            for (std::size_t j = 0; j <= k; ++j)
                out.push_back(kInvalid + p[i + qsizetype(j)]);
        } else {
            const std::size_t n = k + 1;
            char32_t cp = n == 1 ? p[i] : p[i] & (0x7F >> n);
            for (std::size_t j = 1; j < n; ++j)
                cp = (cp << 6) | (p[i + j] & 0x3F);
            out.push_back(cp);
        }
        i += qsizetype(k) + 1;
    }
    return out;
}

// How a page shows a character: an invalid byte as "\xE9".
QString shownAs(char32_t c)
{
    return c >= kInvalid ? QString::asprintf("\\x%02X", unsigned(c - kInvalid))
                         : QString::fromUcs4(&c, 1);
}

QString fromCodePoints(const std::vector<char32_t>& cps)
{
    QString out;
    for (const char32_t c : cps)
        out += shownAs(c);
    return out;
}

// The cells of each line as a page shows them: tabs as spaces, controls as pictures.
std::vector<QStringList> referenceCells(const std::vector<char32_t>& cps)
{
    std::vector<QStringList> lines(1);
    for (std::size_t i = 0; i < cps.size(); ++i) {
        const char32_t c = cps[i];
        if (c == U'\r' || c == U'\n') {
            if (c == U'\r' && i + 1 < cps.size() && cps[i + 1] == U'\n')
                ++i;
            lines.emplace_back();
        } else if (c == U'\t') {
            do
                lines.back().append(u" "_s);
            while (lines.back().size() % ResultTextModel::kTabWidth != 0);
        } else if (c >= kInvalid) {
            for (const QChar part : shownAs(c))
                lines.back().append(part);
        } else {
            const char32_t shown = c < 0x20 ? 0x2400 + c : c == 0x7F ? 0x2421 : c;
            lines.back().append(QString::fromUcs4(&shown, 1));
        }
    }
    return lines;
}

} // namespace

TEST(ResultTextModelTest, DecodesEveryByteSequenceLikeTheReferenceWhateverTheChunks)
{
    std::mt19937 random(16);
    // Every pair of byte values, each followed by a byte that often continues a sequence.
    QByteArray pairs;
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            pairs += char(a);
            pairs += char(b);
            pairs += char(0x80 + random() % 0x50);
        }
    pairs += "\xED\xC3\xA9\xF0\x9F\x98\x80\xE0\x80"_ba;
    QByteArray oneLine = pairs; // no line breaks: one line far longer than a checkpoint
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, 'x');

    for (const QByteArray& raw : { pairs, oneLine }) {
        const std::vector<char32_t> cps = referenceDecode(raw);
        const std::vector<QStringList> cells = referenceCells(cps);
        ResultTextModel m;
        for (qsizetype at = 0; at < raw.size();) {
            const qsizetype n = random() % 3 == 0 ? 1 + random() % 4 : 1 + random() % 9000;
            m.append(raw.mid(at, n));
            at += n;
        }
        ASSERT_EQ(m.bytes().toByteArray(), raw);
        EXPECT_EQ(m.text(), fromCodePoints(cps));
        ASSERT_EQ(m.lineCount(), qint64(cells.size()));
        for (qint64 line = 0; line < m.lineCount(); ++line) {
            const QStringList& want = cells[std::size_t(line)];
            ASSERT_EQ(m.lineCells(line), want.size()) << "line " << line;
            EXPECT_EQ(m.displayText(line), want.join(QString())) << "line " << line;
            for (int k = 0; k < 20 && !want.isEmpty(); ++k) {
                const qint64 from = random() % want.size();
                const qint64 to = from + random() % 300;
                EXPECT_EQ(m.displayText(line, from, to), want.mid(from, to - from).join(QString()))
                    << "line " << line << " cells " << from << ".." << to;
            }
        }
    }
}

TEST(ResultTextModelTest, RowsOfManyLinesAgreeWithACountLineByLineAtEveryWidth)
{
    // Blocks of short lines, blocks holding a long line, lines too many bytes long for one
    // block, lines around the widest an index entry holds, CR LF split between chunks.
    std::mt19937 random(7);
    QByteArray raw;
    std::vector<qint64> widths;
    std::vector<qint64> starts;
    const std::map<int, qint64> wide {
        { 700, 65534 }, { 701, 65535 }, { 702, 65536 }, { 703, 70000 }
    };
    for (int i = 0; i < 1500; ++i) {
        const qint64 w = wide.contains(i) ? wide.at(i)
            : (i / 256) % 3 == 0          ? random() % 20
            : (i / 256) % 3 == 1          ? random() % 120
                                          : random() % 1200;
        widths.push_back(w);
        starts.push_back(raw.size());
        raw += QByteArray(w, 'x') + (i % 3 == 0 ? "\r\n" : "\n");
    }
    widths.push_back(0); // the open line after the last break
    starts.push_back(raw.size());
    ResultTextModel m;
    for (qsizetype at = 0; at < raw.size(); at += 997)
        m.append(raw.mid(at, 997));
    ASSERT_EQ(m.lineCount(), qint64(widths.size()));
    for (qint64 line = 0; line < m.lineCount(); ++line) {
        ASSERT_EQ(m.lineStart(line), starts[line]) << "line " << line;
        ASSERT_EQ(m.lineEnd(line), starts[line] + widths[line]) << "line " << line;
        ASSERT_EQ(m.lineCells(line), widths[line]) << "line " << line;
    }
    for (const qint64 wrap : { 0, 25, 7, 200, 1 }) {
        m.setWrapWidth(wrap);
        qint64 row = 0;
        for (qint64 line = 0; line < m.lineCount(); ++line) {
            const qint64 rows
                = wrap > 0 ? std::max<qint64>(1, (widths[line] + wrap - 1) / wrap) : 1;
            ASSERT_EQ(m.rowOf({ line, 0 }), row) << "wrap " << wrap << " line " << line;
            ASSERT_EQ(m.rowStart(row + rows - 1), (Pos { line, (rows - 1) * wrap }))
                << "wrap " << wrap << " line " << line;
            row += rows;
        }
        EXPECT_EQ(m.rowCount(), row) << "wrap " << wrap;
    }
    m.append("y"_ba.repeated(30)); // the open line grows at the last width
    EXPECT_EQ(m.rowStart(m.rowCount() - 1), (Pos { m.lineCount() - 1, 29 }));

    // Indexed while wrapped wider than an entry's widest width: the 70000-cell line wraps.
    ResultTextModel wrapped;
    wrapped.setWrapWidth(66000);
    wrapped.append(raw);
    EXPECT_EQ(wrapped.rowCount(), wrapped.lineCount() + 1);
}

TEST(ResultTextModelTest, IndexBuiltWhileWrappedAgreesWithOneWrappedAfterwards)
{
    // Enough lines to fill a page of the index, widths on both sides of the wrap width.
    std::mt19937 random(11);
    QByteArray raw;
    for (int i = 0; i < 70000; ++i)
        raw += QByteArray(qsizetype(random() % (i % 500 == 0 ? 90 : 30)), 'x')
            + (i % 4 == 0 ? "\r\n" : "\n");
    ResultTextModel before;
    ResultTextModel after;
    before.setWrapWidth(25);
    for (qsizetype at = 0; at < raw.size(); at += 4093) {
        before.append(raw.mid(at, 4093));
        after.append(raw.mid(at, 4093));
    }
    after.setWrapWidth(25);
    ASSERT_EQ(before.lineCount(), 70001);
    ASSERT_EQ(before.rowCount(), after.rowCount());
    for (qint64 line = 0; line < before.lineCount(); line += 61) {
        ASSERT_EQ(before.lineStart(line), after.lineStart(line)) << "line " << line;
        ASSERT_EQ(before.lineCells(line), after.lineCells(line)) << "line " << line;
        ASSERT_EQ(before.rowOf({ line, 0 }), after.rowOf({ line, 0 })) << "line " << line;
    }
}
