#include "editing/HeaderTable.h"

#include "message/HTTPRequest.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList names(const HeaderTable& t)
{
    QStringList out;
    for (const HeaderTable::Row& r : t.rows())
        out.append(r.name);
    return out;
}

} // namespace

TEST(HeaderTableTest, AddHeaderReplacesIgnoringCaseAndKeepsRowsSorted)
{
    HeaderTable t;
    t.AddHeader(u"User-Agent"_s, u"ua"_s, false);
    t.AddHeader(u"Accept"_s, u"*/*"_s, false);
    t.AddHeader(u"Host"_s, QString(), false);
    t.AddHeader(u"accept"_s, u"x"_s, false);
    EXPECT_EQ(names(t), (QStringList { u"Accept"_s, u"Host"_s, u"User-Agent"_s }));
    EXPECT_EQ(t.GetRequestHeaderValue(u"Accept"_s), u"x"_s);
    // Exact lookup only.
    EXPECT_EQ(t.GetRequestHeaderValue(u"host"_s), QString());
    EXPECT_EQ(t.GetRequestHeaderValue(u"User-Agent"_s), u"ua"_s);

    // Upper-case letters sort before lower-case ones.
    t.AddHeader(u"a-lower"_s, u"1"_s, false);
    t.AddHeader(u"Zed"_s, u"2"_s, false);
    EXPECT_EQ(names(t).last(), u"a-lower"_s);

    t.RemoveHeader(u"not-there"_s);
    EXPECT_EQ(t.rows().size(), 5);
    t.RemoveHeader(u"HOST"_s);
    EXPECT_EQ(t.findRow(u"Host"_s), -1);
}

TEST(HeaderTableTest, AppendMergesNameValuePairs)
{
    EXPECT_EQ(HeaderTable::AppendHeaderValue(u"a=1; b=2"_s, u"B=3"_s), u"a=1;b=3"_s);
    EXPECT_EQ(HeaderTable::AppendHeaderValue(u"a=1"_s, u"c=4"_s), u"a=1;c=4"_s);
    EXPECT_EQ(HeaderTable::AppendHeaderValue(u"x"_s, u"y="_s), u"x;y"_s);
    // Values holding "=" (Base64 padding) are one value, so the cookie is replaced.
    EXPECT_EQ(HeaderTable::AppendHeaderValue(u"sid=YWJj==; t=1"_s, u"sid=eHl6=="_s),
              u"sid=eHl6==;t=1"_s);
    EXPECT_EQ(HeaderTable::AppendHeaderValue(u"a=1;"_s, u"b=2"_s), u"a=1;b=2"_s);
    EXPECT_EQ(HeaderTable::AppendHeaderValue(QString(), u"it's=1"_s), u"it's=1"_s);

    HeaderTable t;
    t.AddHeader(u"Cookie"_s, u"a=1"_s, false);
    t.AddHeader(u"cookie"_s, u"b=2"_s, true);
    EXPECT_EQ(t.GetRequestHeaderValue(u"Cookie"_s), u"a=1;b=2"_s);
    t.AddHeader(u"Cookie"_s, u"A=5"_s, true);
    EXPECT_EQ(t.GetRequestHeaderValue(u"Cookie"_s), u"a=5;b=2"_s);
}

TEST(HeaderTableTest, HeaderTextRoundTrip)
{
    HeaderTable t;
    t.AddHeader(u"B"_s, u"2"_s, false);
    t.AddHeader(u"A"_s, u"1"_s, false);
    EXPECT_EQ(t.GetRequestHeaders(), u"A: 1\r\nB: 2\r\n"_s);
    HTTPRequest r;
    EXPECT_EQ(t.AddHeadersToRequest(r), 0);
    EXPECT_EQ(r.Header, u"A: 1\r\nB: 2"_s);

    HeaderTable loaded;
    loaded.LoadHeadersFromText(t.GetRequestHeaders());
    EXPECT_EQ(loaded.rows(), t.rows());

    t.ClearHeaders();
    EXPECT_EQ(t.GetRequestHeaders(), QString());
    EXPECT_EQ(t.AddHeadersToRequest(r), 0);
    EXPECT_EQ(r.Header, QString());
}

TEST(HeaderTableTest, LoadingTextKeepsEveryCharacterOfTheValue)
{
    HeaderTable t;
    t.AddHeader(u"Old"_s, u"gone"_s, false);
    t.LoadHeadersFromText(u"X:1\nY: 2\r\nno colon here\n Z :  a: b \r\nx: later\n\n"_s);
    ASSERT_EQ(t.rows().size(), 3);
    EXPECT_EQ(t.rows().at(0), (HeaderTable::Row { u"X"_s, u"later"_s }));
    EXPECT_EQ(t.rows().at(1), (HeaderTable::Row { u"Y"_s, u"2"_s }));
    EXPECT_EQ(t.rows().at(2), (HeaderTable::Row { u"Z"_s, u"a: b"_s }));
}

TEST(HeaderTableTest, FirstRowOnlyAmongDuplicatesAndBodyHeaders)
{
    HeaderTable t;
    t.AddHeader(u"Content-Type"_s, u"text/plain"_s, false);
    t.AddHeader(u"Content-Length"_s, u"5"_s, false);
    t.AddHeader(u"Accept"_s, u"*/*"_s, false);
    t.f_RemoveBodyHeaders();
    EXPECT_EQ(names(t), QStringList { u"Accept"_s });

    // Two rows whose names differ only in case: operations touch the first.
    t.LoadHeadersFromText(u"X-A: 1"_s);
    t.setData(t.index(0, 1), u"edited"_s);
    QSignalSpy inserted(&t, &QAbstractItemModel::rowsInserted);
    t.AddHeader(u"x-a"_s, u"2"_s, false);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(t.GetRequestHeaderValue(u"X-A"_s), u"2"_s);
    EXPECT_FALSE(t.setData(t.index(0, 0), u"renamed"_s));
    EXPECT_FALSE(t.flags(t.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(t.flags(t.index(0, 1)).testFlag(Qt::ItemIsEditable));
}

TEST(HeaderTableTest, NoRowEverHoldsALineBreakOrNul)
{
    HeaderTable t;
    t.AddHeader(u"Cookie"_s, u"a=1"_s, false);
    // A cookie hiding a header line, a generated name with a CR, a NUL: refused whole.
    EXPECT_FALSE(t.AddHeader(u"Cookie"_s, u"sid=1\nX-Injected: yes"_s, true));
    EXPECT_FALSE(t.AddHeader(u"X\rY"_s, u"1"_s, false));
    EXPECT_FALSE(t.AddHeader(u"Z"_s, QString(u"a\0b"_s), false));
    EXPECT_EQ(t.rows(), (QList<HeaderTable::Row> { { u"Cookie"_s, u"a=1"_s } }));

    // Lines of a file: a bare CR or a NUL inside makes the line malformed, not two lines.
    t.LoadHeadersFromText(QString(u"A: 1\r\nB: 2\rC: 3\nD: x\0y\r\nE: 5\r\n"_s));
    EXPECT_EQ(names(t), (QStringList { u"A"_s, u"E"_s }));

    // A person's multi-line paste stays on one line.
    t.setData(t.index(0, 1), u"one\r\ntwo\nthree\0"_s);
    EXPECT_EQ(t.GetRequestHeaderValue(u"A"_s), u"one two three"_s);

    HTTPRequest r;
    t.AddHeadersToRequest(r);
    EXPECT_EQ(r.Header, u"A: one two three\r\nE: 5"_s);
}

TEST(HeaderTableTest, BulkLoadingMatchesAddingLineByLine)
{
    // Repeats in other letter cases (also beyond ASCII), empty names and values, and names
    // that sort equal to others keep the first spelling, the last value and a stable order.
    const QString text = u"b: 1\nB: 2\nA: 3\n: empty\nÄrger: 4\näRGER: 5\na: 6\nb:\nZ: 7\n"
                         "\U0001D400x: 8\n\U0001D400X: 9\nß: 10\nẞ: 11\n"_s;
    HeaderTable bulk;
    bulk.LoadHeadersFromText(text);
    HeaderTable oneByOne;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon >= 0)
            oneByOne.AddHeader(line.left(colon).trimmed(), line.mid(colon + 1).trimmed(), false);
    }
    EXPECT_EQ(bulk.rows(), oneByOne.rows());
    EXPECT_EQ(bulk.GetRequestHeaderValue(u"b"_s), QString());
    EXPECT_EQ(bulk.GetRequestHeaderValue(u"Ärger"_s), u"5"_s);
}
