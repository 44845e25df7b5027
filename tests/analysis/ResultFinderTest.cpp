#include "analysis/ResultFinder.h"

#include "analysis/ResultTextModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Match = ResultFinder::Match;

namespace {

// Runs the event loop until the finder has nothing left to do.
void settle(const ResultFinder& finder)
{
    QElapsedTimer t;
    t.start();
    while ((finder.isCounting() || finder.isSearching()) && t.elapsed() < 20000)
        QCoreApplication::processEvents();
    ASSERT_FALSE(finder.isCounting() || finder.isSearching()) << "the finder never settled";
}

struct Outcome
{
    Match match;
    bool wrapped = false;
};

// One asynchronous search, waited for.
template<typename Start> Outcome search(ResultFinder& finder, Start start)
{
    Outcome out;
    const auto a = QObject::connect(&finder, &ResultFinder::found, [&](qint64 b, qint64 e, bool w) {
        out = { { b, e }, w };
    });
    start();
    settle(finder);
    QObject::disconnect(a);
    return out;
}

ResultTextModel fed(const QByteArray& bytes, qsizetype chunk)
{
    ResultTextModel m;
    for (qsizetype at = 0; at < bytes.size(); at += chunk)
        m.append(bytes.mid(at, chunk));
    return m;
}

} // namespace

TEST(ResultFinderTest, FindsEveryMatchAcrossChunksAndSearchSlicesAndWraps)
{
    // 2.5 MB of lines, with matches planted on both sides of the 1 MB step and of chunks.
    QByteArray raw;
    while (raw.size() < 2'500'000)
        raw += "filler line with nothing to find " + QByteArray::number(raw.size()) + "\r\n";
    const QList<qint64> planted = { 10, 16380, (1 << 20) - 3, (2 << 20) - 1, raw.size() - 6 };
    for (qint64 at : planted)
        raw.replace(at, 6, at == 16380 ? "NEEDLE" : "needle");
    const ResultTextModel m = fed(raw, 16381);
    ResultFinder finder(m);

    finder.setQuery(u"Needle"_s, false);
    settle(finder);
    EXPECT_EQ(finder.matchCount(), planted.size());
    EXPECT_EQ(finder.firstMatch(11, raw.size()), (Match { 16380, 16386 }))
        << "ASCII letters fold when case need not match";

    qint64 from = 0;
    for (qint64 at : planted) {
        const Outcome o = search(finder, [&] { finder.findNext(from); });
        EXPECT_EQ(o.match, (Match { at, at + 6 }));
        EXPECT_FALSE(o.wrapped);
        from = o.match.end;
    }
    const Outcome again = search(finder, [&] { finder.findNext(from); });
    EXPECT_EQ(again.match.begin, planted.first());
    EXPECT_TRUE(again.wrapped);
    const Outcome back = search(finder, [&] { finder.findPrevious(planted.at(3)); });
    EXPECT_EQ(back.match.begin, planted.at(2)) << "previous looks before the place";
    const Outcome last = search(finder, [&] { finder.findPrevious(0); });
    EXPECT_EQ(last.match.begin, planted.last());
    EXPECT_TRUE(last.wrapped);

    finder.setQuery(u"needle"_s, true);
    settle(finder);
    EXPECT_EQ(finder.matchCount(), planted.size() - 1) << "with case matching, NEEDLE is not one";
    finder.setQuery(u"absent"_s, false);
    bool missed = false;
    QObject::connect(&finder, &ResultFinder::notFound, [&] { missed = true; });
    finder.findNext(100);
    settle(finder);
    EXPECT_TRUE(missed);
    EXPECT_EQ(finder.matchCount(), 0);
}

TEST(ResultFinderTest, FoldsEveryLetterAndNeverMatchesInvalidBytes)
{
    // "é" as UTF-8, uppercase, after a broken sequence, and as a lone Latin-1 byte.
    const QByteArray raw = "Caf\xC3\xA9 CAF\xC3\x89 x\xED\xC3\xA9 caf\xE9 \xEF\xBF\xBD"_ba;
    const ResultTextModel m = fed(raw, 1);
    ResultFinder finder(m);
    finder.setQuery(u"café"_s, false);
    settle(finder);
    EXPECT_EQ(finder.matchCount(), 2);
    finder.setQuery(u"É"_s, false);
    settle(finder);
    EXPECT_EQ(finder.matchCount(), 3) << "the one after ED C3 counts; the Latin-1 byte does not";
    EXPECT_EQ(finder.firstMatch(10, raw.size()), (Match { 14, 16 }));
    finder.setQuery(u"é"_s, true);
    settle(finder);
    EXPECT_EQ(finder.matchCount(), 2);
    finder.setQuery(u"\uFFFD"_s, false);
    settle(finder);
    EXPECT_EQ(finder.matchCount(), 1) << "only a real U+FFFD, not a shown replacement";
}

TEST(ResultFinderTest, CountFollowsTheTextAsItArrivesAndStartsAgainAfterAClear)
{
    for (const QString& needle : { u"abc"_s, u"äbc"_s }) {
        const QByteArray n = needle.toUtf8();
        ResultTextModel m;
        ResultFinder finder(m);
        finder.setQuery(needle.toUpper(), false);
        m.append("xx" + n.left(2));
        finder.textChanged();
        settle(finder);
        EXPECT_EQ(finder.matchCount(), 0);
        m.append(n.mid(2) + "-" + n);
        finder.textChanged();
        settle(finder);
        EXPECT_EQ(finder.matchCount(), 2) << "a match split by the arrival counts once";
        m.append(n);
        finder.textChanged();
        settle(finder);
        EXPECT_EQ(finder.matchCount(), 3) << "matches at the end are not counted twice";
        m.clear();
        finder.textChanged();
        settle(finder);
        EXPECT_EQ(finder.matchCount(), 0);
        m.append(n);
        finder.textChanged();
        settle(finder);
        EXPECT_EQ(finder.matchCount(), 1);
    }
}

TEST(ResultFinderTest, MatchesMapToTheirPlaceInLongLinesAndAcrossLineBreaks)
{
    // One 300 KB line with multi-byte characters, a CR LF split between chunks, a second line.
    QByteArray raw;
    for (int i = 0; raw.size() < 300'000; ++i)
        raw += i % 7 == 0 ? "\xE2\x82\xAC"_ba : "ab\t"_ba;
    raw += "target\r\nnext target";
    const ResultTextModel m = fed(raw, 4099);
    ResultFinder finder(m);
    finder.setQuery(u"target"_s, true);
    const Match first = finder.firstMatch(0, m.size());
    ASSERT_TRUE(first.isValid());
    const ResultTextModel::Pos at = m.posAt(first.begin);
    EXPECT_EQ(at.line, 0);
    EXPECT_EQ(m.displayText(0, at.cell, at.cell + 6), u"target"_s);
    EXPECT_EQ(m.posAt(first.begin + 6), (ResultTextModel::Pos { 0, m.lineCells(0) }));
    EXPECT_EQ(m.posAt(first.begin + 7), (ResultTextModel::Pos { 0, m.lineCells(0) }))
        << "a byte inside a line break maps to the end of its line";
    const Match second = finder.firstMatch(first.end, m.size());
    EXPECT_EQ(m.posAt(second.begin), (ResultTextModel::Pos { 1, 5 }));
    EXPECT_EQ(m.posAt(1), (ResultTextModel::Pos { 0, 0 })) << "inside a character: its start";
    EXPECT_EQ(m.posAt(4), (ResultTextModel::Pos { 0, 2 }));
}
