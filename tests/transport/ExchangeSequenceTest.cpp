#include "transport/ExchangeSequence.h"

#include "message/HTTPRequest.h"
#include "support/RecordingServer.h"
#include "transport/SequenceRunner.h"
#include "transport/SynchronisedSend.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

HTTPRequest request(const QString& port, const QString& path)
{
    HTTPRequest request;
    request.Server = u"127.0.0.1"_s;
    request.Port = port;
    request.setMethod(u"GET"_s);
    request.setURL(path);
    request.HTTPver = u"HTTP/1.1"_s;
    request.Header = u"Host: 127.0.0.1"_s;
    return request;
}

QByteArray response(const QByteArray& body, qsizetype claimedLength = -1)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: "_ba
        + QByteArray::number(claimedLength < 0 ? body.size() : claimedLength) + "\r\n\r\n"_ba
        + body;
}

} // namespace

// Three pipelined requests reach the server in one read; its three responses, written back in
// one write, come back as three responses with exactly their bytes and nothing left over.
TEST(ExchangeSequenceTest, PipelinedRequestsAndResponsesSplitExactly)
{
    RecordingServer server;
    ASSERT_TRUE(server.listen());
    const QList<QByteArray> answers
        = { response("one"), response(""), "HTTP/1.1 204 No Content\r\nX: y\r\n\r\n"_ba };
    server.setReply(answers.join(), 3, true);
    ExchangeSequence sequence;
    QSignalSpy finished(&sequence, &ExchangeSequence::finished);
    QSignalSpy complete(&sequence, &ExchangeSequence::responseComplete);
    const QString port = server.portText();
    sequence.start({ request(port, u"/a"_s), request(port, u"/b"_s), request(port, u"/c"_s) },
                   ExchangeSequence::Mode::Pipelined);
    ASSERT_TRUE(finished.wait(kTimeoutMs));
    EXPECT_TRUE(finished.at(0).at(0).toBool()) << qPrintable(sequence.logLines().join(u'\n'));

    ASSERT_EQ(server.peers().size(), 1);
    const RecordingServer::Peer& peer = server.peers().constFirst();
    ASSERT_EQ(peer.reads.size(), 1) << "the requests came in several reads";
    EXPECT_EQ(peer.received.count("GET /"), 3);
    ASSERT_EQ(sequence.responses().size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sequence.responses().at(i).bytes, answers.at(i)) << "response " << i;
        EXPECT_EQ(complete.at(i).at(0).toInt(), i);
    }
    EXPECT_TRUE(sequence.leftover().isEmpty());
}

// A Content-Length shorter than the body leaves the rest of it over after the last response;
// a server that closes early ends an in-turn sequence with the count of responses that came.
TEST(ExchangeSequenceTest, LeftoverAndEarlyCloseAreReported)
{
    RecordingServer server;
    ASSERT_TRUE(server.listen());
    server.setReply(response("hello world", 5), 1, false);
    ExchangeSequence sequence;
    QSignalSpy finished(&sequence, &ExchangeSequence::finished);
    const QString port = server.portText();
    sequence.start({ request(port, u"/a"_s) }, ExchangeSequence::Mode::InTurn);
    ASSERT_TRUE(finished.wait(kTimeoutMs));
    ASSERT_EQ(sequence.responses().size(), 1);
    EXPECT_EQ(sequence.responses().at(0).bytes, response("hello", 5));
    EXPECT_EQ(sequence.leftover(), " world"_ba);
    EXPECT_TRUE(
        sequence.logLines().contains(u"6 bytes left over (Bytes after the last response)"_s))
        << qPrintable(sequence.logLines().join(u'\n'));

    server.setReply(response("x"), 2, true);
    sequence.start({ request(port, u"/a"_s), request(port, u"/b"_s) },
                   ExchangeSequence::Mode::Pipelined);
    ASSERT_TRUE(finished.wait(kTimeoutMs));
    EXPECT_FALSE(finished.last().at(0).toBool());
    EXPECT_TRUE(
        sequence.logLines().contains(u"The server closed the connection after 1 of 2 responses"_s))
        << qPrintable(sequence.logLines().join(u'\n'));

    // In turn, a response that announces the close is the last one written for.
    server.setReply("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"_ba, 1,
                    true);
    sequence.start({ request(port, u"/a"_s), request(port, u"/b"_s) },
                   ExchangeSequence::Mode::InTurn);
    ASSERT_TRUE(finished.wait(kTimeoutMs));
    EXPECT_TRUE(
        sequence.logLines().contains(u"The server closed the connection after 1 of 2 responses"_s))
        << qPrintable(sequence.logLines().join(u'\n'));
}

// Every connection of a synchronised send holds back its last byte until all are ready, so the
// server (in a thread of its own, so that its clock is not the client's loop) sees each request's
// last byte arrive together; each response is kept on its own.
TEST(ExchangeSequenceTest, SynchronisedSendReleasesLastBytesTogether)
{
    constexpr int kConnections = 8;
    // Deleted once its thread has ended.
    auto server = std::make_unique<RecordingServer>();
    ASSERT_TRUE(server->listen());
    server->setReply(response("ok"), 1, true);
    QThread thread;
    server->moveToThread(&thread);
    thread.start();
    SynchronisedSend send;
    QSignalSpy finished(&send, &SynchronisedSend::finished);
    const HTTPRequest race = request(server->portText(), u"/race"_s);
    send.start(QList<HTTPRequest>(kConnections, race));
    const bool ended = finished.wait(kTimeoutMs);
    QMetaObject::invokeMethod(server.get(), [&thread] { thread.quit(); });
    thread.wait();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(finished.at(0).at(0).toBool()) << qPrintable(send.logLines().join(u'\n'));
    EXPECT_TRUE(send.logLines().filter(u"Released the last bytes of 8 requests within"_s).size()
                == 1);

    ASSERT_EQ(server->peers().size(), kConnections);
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = 0;
    int heldBack = 0; // connections whose last read was the last byte alone
    for (const RecordingServer::Peer& peer : server->peers()) {
        heldBack += peer.reads.constLast() == "\n"_ba;
        EXPECT_EQ(peer.received, race.HeadBytes());
        first = std::min(first, peer.readNs.constLast());
        last = std::max(last, peer.readNs.constLast());
    }
    for (int i = 0; i < kConnections; ++i)
        EXPECT_EQ(send.response(i).bytes, response("ok"));
    // Generous: only a release that waited on the event loop per connection would miss it.
    EXPECT_LT(last - first, 1'000'000'000LL);
    std::printf("Synchronised send: client spread %.3f ms, arrival spread at the server %.3f ms, "
                "%d of %d last bytes read alone\n",
                double(send.spreadNs()) / 1e6, double(last - first) / 1e6, heldBack, kConnections);
}

// More responses than tabs: the last response tab holds the rest in order, so no byte is lost,
// and the leftover keeps a tab of its own.
TEST(ExchangeSequenceTest, ResponsesBeyondTheTabsShareTheLastResponseTab)
{
    QList<ResponseSplitter::Response> responses;
    for (int i = 0; i < 10; ++i)
        responses.append({ QByteArray::number(i), 200, true, {} });
    responses.last().complete = false;
    const QList<SequenceTab> tabs = SequenceResultTabs(responses, "x"_ba, 7);
    ASSERT_EQ(tabs.size(), 7);
    EXPECT_EQ(tabs.at(0).caption, u"1: 200"_s);
    EXPECT_EQ(tabs.at(5).caption, u"6\u201310"_s);
    EXPECT_EQ(tabs.at(5).bytes, "56789"_ba);
    EXPECT_EQ(tabs.at(6).caption, u"Leftover"_s);
    EXPECT_EQ(SequenceResultTabs(responses.mid(9), {}, 7).constFirst().caption, u"1: cut short"_s);
}
