#include "editing/FormEncoder.h"
#include "message/HTTPRequest.h"
#include "support/FileHelpers.h"
#include "support/MultipartParser.h"
#include "support/TestServer.h"
#include "transport/Exchange.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 30000;
const QByteArray kReply = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"_ba;

// Every byte value, then a few megabytes of noise: several send blocks and a short last one.
QByteArray uploadBytes()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        bytes[i] = char(i);
    QByteArray noise(3 * 1024 * 1024 + 777, Qt::Uninitialized);
    QRandomGenerator random(25);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    return bytes + noise;
}

HTTPRequest postTo(const TestServer& server, bool secure, const RequestBody& body,
                   const QString& contentType = u"application/octet-stream"_s)
{
    HTTPRequest request;
    request.Secure = secure;
    request.Server = u"127.0.0.1"_s;
    request.Port = server.portText();
    request.setMethod(u"POST"_s);
    request.setURL(u"/up"_s);
    request.HTTPver = u"HTTP/1.1"_s;
    request.Body = body;
    request.Header = u"Content-Type: "_s + contentType + u"\r\nContent-length: "_s
        + QString::number(body.ContentLength()) + u"\r\nConnection: close"_s;
    return request;
}

// Runs one exchange to its end; the error text, empty on success.
QString run(Exchange& exchange, HTTPRequest& request)
{
    QSignalSpy done(&exchange, &Exchange::Done);
    QSignalSpy failed(&exchange, &Exchange::ErrorOccured);
    exchange.Execute(request);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !done.isEmpty() || !failed.isEmpty(); }, kTimeoutMs));
    return failed.isEmpty() ? QString() : failed.at(0).at(0).toString();
}

} // namespace

TEST(StreamedBodyTest, FileBodyAndMultipartFileArriveByteExactPlainAndTls)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"upload.bin"_s);
    const QByteArray bytes = uploadBytes();
    ASSERT_TRUE(FileHelpers::writeFile(path, bytes));

    FormField field;
    field.type = u"FILE"_s;
    field.name = u"file"_s;
    field.values[1] = u'[' + path + u']';
    const FormBody form = EncodeMultipart({ field });
    ASSERT_TRUE(form) << qPrintable(form.error);
    ASSERT_FALSE(form.pieces.isEmpty()) << "a large file is streamed, not read into the form";

    for (const TestServer::Mode mode : { TestServer::Mode::Plain, TestServer::Mode::Tls }) {
        const bool secure = mode == TestServer::Mode::Tls;
        SCOPED_TRACE(secure ? "TLS" : "plain");
        TestServer server(mode);
        ASSERT_TRUE(server.listen()) << qPrintable(server.error());
        server.setResponse({ kReply });
        Exchange exchange;

        RequestBody fromFile;
        fromFile.setFile(path);
        HTTPRequest request = postTo(server, secure, fromFile);
        EXPECT_EQ(run(exchange, request), QString());
        EXPECT_TRUE(server.received() == request.HeadBytes() + bytes);
        EXPECT_EQ(exchange.bytesSent(), exchange.bytesToSend());
        EXPECT_EQ(exchange.bytesToSend(), request.HeadBytes().size() + bytes.size());

        RequestBody multipart;
        multipart.setPieces(form.pieces, form.displayText);
        request = postTo(server, secure, multipart, form.contentType);
        EXPECT_EQ(run(exchange, request), QString());
        const QByteArray received = server.received();
        const MultipartMessage message
            = parseMultipart(form.contentType.toUtf8(), received.mid(request.HeadBytes().size()));
        ASSERT_TRUE(message) << qPrintable(message.error);
        ASSERT_EQ(message.parts.size(), 1);
        EXPECT_TRUE(message.parts.at(0).content == bytes);
    }
}

TEST(StreamedBodyTest, MissingOrShrinkingBodyFileFailsNamingIt)
{
    QTemporaryDir dir;
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    server.setResponse({ kReply });
    Exchange exchange;

    // Missing before the send: nothing is connected.
    RequestBody missing;
    missing.setFile(dir.filePath(u"gone.bin"_s));
    HTTPRequest request = postTo(server, false, missing);
    EXPECT_EQ(run(exchange, request), u"Body file not found: "_s + dir.filePath(u"gone.bin"_s));
    EXPECT_EQ(server.connectionCount(), 0);

    // Shrunk once the upload is under way: the exchange fails instead of ending short.
    const QString path = dir.filePath(u"shrinks.bin"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(64LL * 1024 * 1024));
    file.close();
    RequestBody shrinking;
    shrinking.setFile(path);
    request = postTo(server, false, shrinking);
    QObject::connect(&exchange, &Exchange::byteCountersChanged, &exchange, [&] {
        if (exchange.bytesSent() > 2 * 1024 * 1024 && QFileInfo(path).size() > 1000)
            QFile::resize(path, 1000);
    });
    const QString error = run(exchange, request);
    EXPECT_EQ(error, u"Body file changed size while it was sent: "_s + path);
    EXPECT_LT(exchange.bytesSent(), exchange.bytesToSend());
    EXPECT_EQ(exchange.state(), Exchange::State::Failed);
}

// A kept connection the server drops on the next request: the retry on a fresh connection
// carries the whole request again, its file range read anew from its offset.
TEST(StreamedBodyTest, RetryOnFreshConnectionResendsTheWholeBody)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"upload.bin"_s);
    const QByteArray bytes = uploadBytes();
    ASSERT_TRUE(FileHelpers::writeFile(path, bytes));
    BodyPiece range;
    range.path = path;
    range.offset = 100;
    range.length = bytes.size() - 150;
    range.fileSize = bytes.size();
    RequestBody body;
    body.setPieces({ BodyPiece::memory("lead-in "_ba), range }, u"lead-in <file>"_s);

    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    server.setResponse({ kReply }, TestServer::Ending::KeepAlive);
    Exchange exchange;
    HTTPRequest request = postTo(server, false, body);
    request.Header.remove(u"\r\nConnection: close"_s);
    const QByteArray expected = request.HeadBytes() + "lead-in "_ba + bytes.mid(100, range.length);
    EXPECT_EQ(run(exchange, request), QString());
    EXPECT_TRUE(server.received() == expected);

    server.setResponse({}, TestServer::Ending::Close);
    QObject::connect(&server, &TestServer::connectionAccepted, &server,
                     [&server] { server.setResponse({ kReply }, TestServer::Ending::Close); });
    EXPECT_EQ(run(exchange, request), QString());
    EXPECT_EQ(server.connectionCount(), 2);
    EXPECT_TRUE(server.received() == expected);
    EXPECT_EQ(exchange.bytesSent(), expected.size());
}
