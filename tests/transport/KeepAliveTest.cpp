#include "message/HTTPRequest.h"
#include "support/TestServer.h"
#include "transport/Exchange.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

HTTPRequest keepAliveRequest(const QString& port, const QString& method = u"GET"_s)
{
    HTTPRequest request;
    request.Server = u"127.0.0.1"_s;
    request.Port = port;
    request.setMethod(method);
    request.setURL(u"/a"_s);
    request.HTTPver = u"HTTP/1.1"_s;
    request.Header = u"Host: 127.0.0.1"_s;
    return request;
}

// Runs one exchange to its end; the bytes it delivered, or a failure's message.
QByteArray runOnce(Exchange& exchange, HTTPRequest& request)
{
    QSignalSpy data(&exchange, &Exchange::DataArrived);
    QSignalSpy done(&exchange, &Exchange::Done);
    QSignalSpy error(&exchange, &Exchange::ErrorOccured);
    exchange.Execute(request);
    if (!QTest::qWaitFor([&] { return !done.isEmpty() || !error.isEmpty(); }, kTimeoutMs))
        return "timed out"_ba;
    if (!error.isEmpty())
        return error.at(0).at(0).toString().toUtf8();
    QByteArray bytes;
    for (const QList<QVariant>& args : data)
        bytes += args.at(0).toByteArray();
    return bytes;
}

const QByteArray kLengthResponse = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"_ba;

} // namespace

// Content-Length, chunked with a trailer, an interim response before the final one and a HEAD
// answer each end their exchange on one connection that the server never closes.
TEST(KeepAliveTest, ResponsesEndByTheirFramingOnOneConnection)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    Exchange exchange;
    HTTPRequest request = keepAliveRequest(server.portText());
    const QString place = u"127.0.0.1:"_s + server.portText();

    server.setResponse({ kLengthResponse.left(20), kLengthResponse.mid(20) },
                       TestServer::Ending::KeepAlive);
    EXPECT_EQ(runOnce(exchange, request), kLengthResponse);
    EXPECT_TRUE(exchange.logLines().contains(u" Connecting"_s));
    EXPECT_TRUE(exchange.logLines().contains(u" Response complete; connection to "_s + place
                                             + u" kept open"_s));
    EXPECT_FALSE(exchange.logLines().contains(u" Socket closed"_s));
    EXPECT_TRUE(exchange.connections().isOpen());

    const QByteArray chunked
        = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3;x=y\r\nabc\r\n0\r\nT: 1\r\n\r\n"_ba;
    server.setResponse({ chunked.left(50), chunked.mid(50) }, TestServer::Ending::KeepAlive);
    EXPECT_EQ(runOnce(exchange, request), chunked);
    EXPECT_TRUE(exchange.logLines().contains(u" Reusing connection to "_s + place
                                             + u" (request 2 on it)"_s))
        << qPrintable(exchange.logLines().join(u'|'));
    EXPECT_EQ(exchange.bytesReceived(), chunked.size());

    const QByteArray interim
        = "HTTP/1.1 103 Early Hints\r\nLink: </s>\r\n\r\n"_ba + kLengthResponse;
    server.setResponse({ interim }, TestServer::Ending::KeepAlive);
    EXPECT_EQ(runOnce(exchange, request), interim);

    HTTPRequest head = keepAliveRequest(server.portText(), u"HEAD"_s);
    const QByteArray headAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n"_ba;
    server.setResponse({ headAnswer }, TestServer::Ending::KeepAlive);
    EXPECT_EQ(runOnce(exchange, head), headAnswer);

    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(server.received(), request.RequestBytes().repeated(3) + head.RequestBytes());

    // Left idle, the connection is closed and the next exchange's log says so.
    exchange.connections().setIdleMs(20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !exchange.connections().isOpen(); }, kTimeoutMs));
    server.setResponse({ kLengthResponse }, TestServer::Ending::KeepAlive);
    EXPECT_EQ(runOnce(exchange, request), kLengthResponse);
    EXPECT_TRUE(
        exchange.logLines().contains(u" Closed idle connection to "_s + place + u" after 0.02 s"_s))
        << qPrintable(exchange.logLines().join(u'|'));
    EXPECT_EQ(server.connectionCount(), 2);
}

// A server that closes after its response: the close is reported and the next exchange
// connects again instead of taking the silence for an empty response.
TEST(KeepAliveTest, ServerCloseBetweenRequestsMeansANewConnection)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    server.setResponse({ kLengthResponse }, TestServer::Ending::Close);
    Exchange exchange;
    HTTPRequest request = keepAliveRequest(server.portText());

    EXPECT_EQ(runOnce(exchange, request), kLengthResponse);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !exchange.connections().isOpen(); }, kTimeoutMs));
    EXPECT_EQ(runOnce(exchange, request), kLengthResponse);
    const QStringList log = exchange.logLines();
    const qsizetype noted = log.indexOf(u" Server closed the connection to 127.0.0.1:"_s
                                        + server.portText() + u" while it was idle"_s);
    EXPECT_GE(noted, 0) << qPrintable(log.join(u'|'));
    EXPECT_GT(log.indexOf(u" Connecting"_s), noted);
    EXPECT_EQ(server.connectionCount(), 2);
}

// The server drops the kept connection on receiving the next request: it goes once more on
// a fresh connection, and only once.
TEST(KeepAliveTest, ReusedConnectionClosedWithoutAnswerIsRetriedOnce)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    server.setResponse({ kLengthResponse }, TestServer::Ending::KeepAlive);
    Exchange exchange;
    HTTPRequest request = keepAliveRequest(server.portText());
    EXPECT_EQ(runOnce(exchange, request), kLengthResponse);

    server.setResponse({}, TestServer::Ending::Close);
    QObject::connect(&server, &TestServer::connectionAccepted, &server, [&server] {
        server.setResponse({ kLengthResponse }, TestServer::Ending::Close);
    });
    EXPECT_EQ(runOnce(exchange, request), kLengthResponse);
    EXPECT_EQ(server.connectionCount(), 2);
    const QStringList log = exchange.logLines();
    EXPECT_TRUE(log.contains(u" The server closed the reused connection to 127.0.0.1:"_s
                             + server.portText() + u" without answering; reconnecting"_s))
        << qPrintable(log.join(u'|'));

    // A fresh connection that closes without answering is an empty reply, not retried.
    server.setResponse({}, TestServer::Ending::Close);
    QObject::disconnect(&server, &TestServer::connectionAccepted, &server, nullptr);
    EXPECT_EQ(runOnce(exchange, request), QByteArray());
    EXPECT_EQ(server.connectionCount(), 3);
}

// Bytes past the end of a response cannot be told from the next one: they are delivered with
// it and the connection is not kept.
TEST(KeepAliveTest, BytesAfterTheResponseCloseTheConnection)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    const QByteArray lying = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA"_ba;
    server.setResponse({ lying }, TestServer::Ending::KeepAlive);
    Exchange exchange;
    HTTPRequest request = keepAliveRequest(server.portText());
    EXPECT_EQ(runOnce(exchange, request), lying);
    EXPECT_TRUE(exchange.logLines().contains(
        u" 5 bytes after the end of the response; closing the connection"_s));
    EXPECT_FALSE(exchange.connections().isOpen());
}

TEST(KeepAliveTest, OnlyAConnectionCloseTokenAsksToClose)
{
    HTTPRequest request = keepAliveRequest(u"80"_s);
    EXPECT_FALSE(Exchange::asksToClose(request));
    request.Header = u"Host: x\r\nconnection: Upgrade, CLOSE\r\nX-Connection: close"_s;
    EXPECT_TRUE(Exchange::asksToClose(request));
    request.Header = u"X-Connection: close\r\nConnection: keep-alive"_s;
    EXPECT_FALSE(Exchange::asksToClose(request));
}

// A server that answers before the whole request body went out: the rest of the request would
// reach the next exchange on the connection, so the exchange fails and says how far it got.
TEST(KeepAliveTest, AnswerBeforeTheWholeRequestWasSentFails)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    TestServer::Script script;
    script.chunks = { kLengthResponse };
    script.waitForRequest = false;
    script.ending = TestServer::Ending::StaySilent;
    server.setScript(script);
    Exchange exchange;
    HTTPRequest request = keepAliveRequest(server.portText(), u"POST"_s);
    // Far more than one pass of writes, so the answer comes while most of it is still unsent.
    request.Body.setContents(QByteArray(64 << 20, 'x'), QString());
    const QString message = QString::fromUtf8(runOnce(exchange, request));
    EXPECT_TRUE(message.startsWith(u"The server answered after "_s)) << qPrintable(message);
    EXPECT_TRUE(message.endsWith(
        u" of %1 request bytes were sent"_s.arg(request.HeadBytes().size() + (64 << 20))))
        << qPrintable(message);
    EXPECT_FALSE(exchange.connections().isOpen());
}
