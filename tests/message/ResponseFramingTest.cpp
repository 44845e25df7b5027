#include "message/ResponseFraming.h"

#include <QList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Frame
{
    QByteArray bytes;
    ResponseFraming::State state;
    bool cutShort;
    QString problem;
};

// Splits a connection's bytes into responses the way a reader does: each framing is fed the
// bytes left by the one before, piece bytes at a time, and the last one sees the close.
QList<Frame> frames(const QByteArray& all, qsizetype piece, bool head = false)
{
    QList<Frame> out;
    qsizetype pos = 0;
    while (pos < all.size()) {
        ResponseFraming f(head);
        const qsizetype start = pos;
        while (pos < all.size() && !f.isComplete()) {
            const qsizetype used
                = f.feed(QByteArrayView(all).sliced(pos).first(std::min(piece, all.size() - pos)));
            pos += used;
            if (used == 0)
                break;
        }
        if (pos == all.size())
            f.close();
        EXPECT_EQ(f.size(), pos - start);
        out.append({ all.mid(start, pos - start), f.state(), f.cutShort(), f.problem() });
    }
    return out;
}

QList<QByteArray> bytesOf(const QList<Frame>& fs)
{
    QList<QByteArray> out;
    for (const Frame& f : fs)
        out.append(f.bytes);
    return out;
}

} // namespace

TEST(ResponseFramingTest, EachFramingRuleEndsTheResponseWhereItShould)
{
    using S = ResponseFraming::State;
    struct Case
    {
        const char* name;
        QByteArray wire;
        bool head;
        QList<QByteArray> responses;
        S lastState;
    };
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n"
                               "5;name=\"v\"\r\nhello\r\nA\r\n0123456789\r\n0\r\nX-Sum: 1\r\n\r\n";
    const QList<Case> cases = {
        { "content-length",
          "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
          false,
          { "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello" },
          S::Complete },
        { "chunked with extensions and trailers",
          chunked + "HTTP/1.1 204 No\r\n\r\n",
          false,
          { chunked, "HTTP/1.1 204 No\r\n\r\n" },
          S::Complete },
        { "bare LF lines",
          "HTTP/1.1 200 OK\nContent-Length: 2\n\nokHTTP/1.1 304 Not\n\n",
          false,
          { "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", "HTTP/1.1 304 Not\n\n" },
          S::Complete },
        { "HEAD has no body",
          "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nHTTP/1.1 200 OK\r\n\r\n",
          true,
          { "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", "HTTP/1.1 200 OK\r\n\r\n" },
          S::Complete },
        { "interim then final",
          "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx",
          false,
          { "HTTP/1.1 100 Continue\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx" },
          S::Complete },
        { "204 and 304 ignore Content-Length",
          "HTTP/1.1 204 No\r\nContent-Length: 3\r\n\r\nHTTP/1.1 304 No\r\nContent-Length: "
          "3\r\n\r\n",
          false,
          { "HTTP/1.1 204 No\r\nContent-Length: 3\r\n\r\n",
            "HTTP/1.1 304 No\r\nContent-Length: 3\r\n\r\n" },
          S::Complete },
        { "close-delimited",
          "HTTP/1.0 200 OK\r\n\r\nall of it\r\n\r\nHTTP/1.1 200",
          false,
          { "HTTP/1.0 200 OK\r\n\r\nall of it\r\n\r\nHTTP/1.1 200" },
          S::Complete },
        { "transfer-encoding wins over content-length",
          "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
          false,
          { "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nTransfer-Encoding: "
            "chunked\r\n\r\n0\r\n\r\n" },
          S::Complete },
        { "content-length too short leaves the rest unframed",
          "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nhello",
          false,
          { "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nhel", "lo" },
          S::Invalid },
        { "conflicting content-length",
          "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd",
          false,
          { "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd" },
          S::Invalid },
        { "chunk data without its line end",
          "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabXY0\r\n\r\n",
          false,
          { "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabXY0\r\n\r\n" },
          S::Invalid },
    };
    for (const Case& c : cases) {
        for (qsizetype piece : { qsizetype(1), qsizetype(7), c.wire.size() }) {
            const QList<Frame> fs = frames(c.wire, piece, c.head);
            EXPECT_EQ(bytesOf(fs), c.responses) << c.name << ", pieces of " << piece;
            ASSERT_FALSE(fs.isEmpty());
            EXPECT_EQ(fs.last().state, c.lastState) << c.name << ", pieces of " << piece;
        }
    }
}

TEST(ResponseFramingTest, ACloseBeforeTheEndIsReportedAsCutShort)
{
    const QList<Frame> longer = frames("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", 4);
    ASSERT_EQ(longer.size(), 1);
    EXPECT_TRUE(longer[0].cutShort);
    EXPECT_EQ(longer[0].problem,
              u"Connection closed 5 bytes before the end of the body (Content-Length 10)"_s);

    const QList<Frame> chunks
        = frames("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", 100);
    EXPECT_TRUE(chunks[0].cutShort);
    EXPECT_EQ(chunks[0].problem, u"Connection closed before the end of the chunked body"_s);

    ResponseFraming nothing;
    nothing.close();
    EXPECT_TRUE(nothing.cutShort());
    EXPECT_EQ(nothing.problem(), u"Connection closed before a response began"_s);
}

TEST(ResponseFramingTest, GarbageAndMalformedHeadsAreInvalidAtOnce)
{
    for (const QByteArray& wire :
         { QByteArray("<html>"), QByteArray("HTTX"), QByteArray("HTTP/1.1 20 OK\r\n"),
           QByteArray("HTTP/1.1 200OK\r\n"), QByteArray("HTTP/1.1 200 OK\r\nNo colon\r\n"),
           QByteArray("HTTP/1.1 200 OK\r\nContent-Length : 1\r\n"),
           QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n 2\r\n"),
           QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n") }) {
        ResponseFraming f;
        EXPECT_EQ(f.feed(wire), wire.size()) << wire.constData();
        EXPECT_EQ(f.state(), ResponseFraming::State::Invalid) << wire.constData();
        EXPECT_FALSE(f.problem().isEmpty());
    }
    ResponseFraming lists;
    lists.feed("HTTP/1.1 200 OK\r\nContent-Length: 2, 2\r\n\r\n");
    EXPECT_EQ(lists.contentLength(), 2);
}
