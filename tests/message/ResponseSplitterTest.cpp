#include "message/ResponseSplitter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// An interim response stays with the final one, a HEAD answer ends at its head whatever its
// Content-Length says, and the split is the same whatever pieces the bytes come in.
TEST(ResponseSplitterTest, InterimAndHeadResponsesSplitInAnyPieces)
{
    const QByteArray first = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"
                             "Transfer-Encoding: chunked\r\n\r\n1;x=y\r\na\r\n0\r\nT: 1\r\n\r\n"_ba;
    const QByteArray second = "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n"_ba;
    const QByteArray stream = first + second;
    for (const qsizetype piece : { qsizetype(1), qsizetype(7), stream.size() }) {
        ResponseSplitter splitter({ false, true });
        for (qsizetype at = 0; at < stream.size(); at += piece)
            splitter.feed(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)));
        ASSERT_EQ(splitter.completeCount(), 2) << "pieces of " << piece;
        EXPECT_EQ(splitter.responses().at(0).bytes, first);
        EXPECT_EQ(splitter.responses().at(0).statusCode, 200);
        EXPECT_EQ(splitter.responses().at(1).bytes, second);
        EXPECT_TRUE(splitter.leftover().isEmpty());
    }
}

// A Content-Length that is too short leaves the rest of its body where the next response should
// begin: that response does not parse, and everything from there is kept as leftover. One that
// is too long is cut short at the close.
TEST(ResponseSplitterTest, LyingLengthsShowAsLeftoverOrCutShort)
{
    ResponseSplitter shortLength({ false, false });
    shortLength.feed("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nabc HTTP/1.1 200 OK\r\n\r\n"_ba);
    EXPECT_EQ(shortLength.completeCount(), 1);
    EXPECT_TRUE(shortLength.done());
    EXPECT_EQ(shortLength.leftover(), "bc HTTP/1.1 200 OK\r\n\r\n"_ba);
    EXPECT_TRUE(shortLength.leftoverReason().startsWith(u"Response 2 does not parse ("_s))
        << qPrintable(shortLength.leftoverReason());
    shortLength.feed("more"_ba);
    EXPECT_TRUE(shortLength.leftover().endsWith("more"_ba));

    ResponseSplitter longLength({ false });
    longLength.feed("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"_ba);
    longLength.close();
    EXPECT_EQ(longLength.completeCount(), 0);
    ASSERT_EQ(longLength.responses().size(), 1);
    EXPECT_FALSE(longLength.responses().at(0).problem.isEmpty());
    EXPECT_TRUE(longLength.leftover().isEmpty());
}
