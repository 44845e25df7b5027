#include "transport/Exchange.h"

#include "message/HTTPRequest.h"
#include "support/TestServer.h"
#include "support/TimingLine.h"
#include "transport/TransportErrors.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

HTTPRequest makeRequest(const QString& server, const QString& port, bool secure = false)
{
    HTTPRequest request;
    request.Secure = secure;
    request.Server = server;
    request.Port = port;
    request.setMethod(u"GET"_s);
    request.setURL(u"/index.html"_s);
    request.HTTPver = u"HTTP/1.1"_s;
    request.Header = u"Host: "_s + server + u"\r\nConnection: close"_s;
    return request;
}

// Records every event an Exchange raises.
struct Events
{
    explicit Events(Exchange& exchange)
        : info(&exchange, &Exchange::Info)
        , data(&exchange, &Exchange::DataArrived)
        , done(&exchange, &Exchange::Done)
        , error(&exchange, &Exchange::ErrorOccured)
        , cancelled(&exchange, &Exchange::Cancelled)
        , hideMe(&exchange, &Exchange::HideMe)
    { }

    QList<QByteArray> chunks() const
    {
        QList<QByteArray> out;
        for (const QList<QVariant>& args : data)
            out.append(args.at(0).toByteArray());
        return out;
    }
    QByteArray received() const { return chunks().join(); }
    QString errorMessage() const
    {
        return error.isEmpty() ? QString() : error.at(0).at(0).toString();
    }
    QString infoText() const { return info.isEmpty() ? QString() : info.at(0).at(0).toString(); }
    bool ended() const { return !done.isEmpty() || !error.isEmpty() || !cancelled.isEmpty(); }

    QSignalSpy info;
    QSignalSpy data;
    QSignalSpy done;
    QSignalSpy error;
    QSignalSpy cancelled;
    QSignalSpy hideMe;
};

bool waitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, kTimeoutMs);
}

QString usingLine()
{
    return u" Using Qt "_s + QString::fromLatin1(qVersion()) + u" QSslSocket, "_s;
}

const QByteArray kHead = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n"_ba;
// Bytes that are not UTF-8, a NUL and a CR LF inside the body.
const QByteArray kBinary = QByteArray("\x00\xff\xfe\x80\xc3\x28 body\r\n", 14);
const QByteArray kTail = "tail"_ba;

} // namespace

TEST(ExchangeTest, PlainExchangeDeliversEveryChunkByteExact)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    TestServer::Script script;
    script.chunks = { kHead, kBinary, kTail };
    script.stepByStep = true;
    server.setScript(script);
    QSignalSpy chunkSent(&server, &TestServer::chunkSent);

    Exchange exchange;
    Events events(exchange);
    HTTPRequest request = makeRequest(u"127.0.0.1"_s, server.portText());
    request.setMethod(u"post"_s);
    request.Body.setContents(u"name=\u00e9t\u00e9"_s);
    request.Header += u"\r\nContent-length: "_s + QString::number(request.Body.ContentLength());
    exchange.Execute(request);
    EXPECT_EQ(exchange.state(), Exchange::State::Connecting);

    // Each chunk is released only after the previous one arrived, so each is one event.
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(waitFor([&] { return events.data.size() == i; })) << "chunk " << i;
        EXPECT_EQ(exchange.state(), Exchange::State::Transferring);
        server.sendNextChunk();
    }
    ASSERT_TRUE(waitFor([&] { return events.ended(); }));

    EXPECT_EQ(events.chunks(), (QList<QByteArray> { kHead, kBinary, kTail }));
    EXPECT_EQ(events.done.size(), 1);
    EXPECT_TRUE(events.error.isEmpty()) << qPrintable(events.errorMessage());
    EXPECT_TRUE(events.info.isEmpty());
    EXPECT_EQ(server.received(), request.RequestBytes());

    const QStringList log = exchange.logLines();
    ASSERT_EQ(log.size(), 7) << qPrintable(log.join(u'|'));
    EXPECT_TRUE(log.at(0).startsWith(usingLine())) << qPrintable(log.at(0));
    EXPECT_EQ(log.mid(1),
              (QStringList { u" Connecting"_s, u" Sending data"_s, u" Receiving data"_s,
                             u" Receiving data"_s, u" Receiving data"_s, u" Socket closed"_s }));
    const qint64 total = kHead.size() + kBinary.size() + kTail.size();
    EXPECT_EQ(exchange.bytesReceived(), total);
    EXPECT_EQ(exchange.bytesReceivedText(), QString::number(total));
    EXPECT_EQ(exchange.bytesSent(), request.RequestBytes().size());
    EXPECT_EQ(exchange.buttonCaption(), u"Cancel"_s);
    EXPECT_EQ(exchange.state(), Exchange::State::Idle);
}

TEST(ExchangeTest, RefusedConnectionFailsAndOkHidesTheControl)
{
    Exchange exchange;
    Events events(exchange);
    QSignalSpy captions(&exchange, &Exchange::buttonCaptionChanged);
    // The host hears of the failure before the log or the button show it.
    QStringList logAtError;
    QString captionAtError;
    QObject::connect(&exchange, &Exchange::ErrorOccured, &exchange, [&] {
        logAtError = exchange.logLines();
        captionAtError = exchange.buttonCaption();
    });
    HTTPRequest request = makeRequest(u"127.0.0.1"_s, QString::number(TestServer::refusedPort()));
    exchange.Execute(request);
    ASSERT_TRUE(waitFor([&] { return events.ended(); }));

    const QString message
        = u"SocketX_Close(): The requested connection has been refused by the remote host."_s;
    EXPECT_EQ(events.errorMessage(), message);
    EXPECT_EQ(events.error.size(), 1);
    EXPECT_TRUE(events.done.isEmpty());
    const QStringList log = exchange.logLines();
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log.at(0).startsWith(usingLine()));
    EXPECT_EQ(log.at(1), u" Connecting"_s);
    EXPECT_EQ(log.at(2), u" [ERROR] "_s + message);
    EXPECT_TRUE(exchange.timingSummary().isEmpty()) << "a failed exchange is not timed";
    EXPECT_EQ(logAtError, log.mid(0, 2));
    EXPECT_EQ(captionAtError, u"Cancel"_s);
    EXPECT_EQ(exchange.buttonCaption(), u"Ok"_s);
    EXPECT_EQ(captions.size(), 1);
    EXPECT_EQ(exchange.state(), Exchange::State::Failed);
    EXPECT_EQ(exchange.bytesSentText(), u"0"_s);

    exchange.pressButton();
    EXPECT_EQ(events.hideMe.size(), 1);
    EXPECT_TRUE(events.cancelled.isEmpty());
    EXPECT_EQ(exchange.state(), Exchange::State::Idle);

    // The same exchange starts afresh and succeeds.
    TestServer server;
    ASSERT_TRUE(server.listen());
    server.setResponse({ kHead });
    request.Port = server.portText();
    exchange.Execute(request);
    EXPECT_EQ(exchange.buttonCaption(), u"Cancel"_s);
    EXPECT_EQ(exchange.logLines().size(), 2);
    ASSERT_TRUE(waitFor([&] { return !events.done.isEmpty(); }));
    EXPECT_EQ(events.error.size(), 1);
    EXPECT_EQ(events.received(), kHead);
}

TEST(ExchangeTest, PortTextIsCheckedBeforeConnecting)
{
    const QString generic = u"Generic error, perhaps invalid host name or port"_s;
    for (const QString& port : { u"abc"_s, u""_s, u"0"_s, u"65536"_s, u"-1"_s, u"80.5"_s, u"+80"_s,
                                 u"99999999999"_s, u" 8080 "_s }) {
        Exchange exchange;
        Events events(exchange);
        HTTPRequest request = makeRequest(u"127.0.0.1"_s, port);
        exchange.Execute(request);
        // The failure path has run before Execute returns.
        EXPECT_EQ(events.errorMessage(), generic) << qPrintable(port);
        const QStringList log = exchange.logLines();
        ASSERT_EQ(log.size(), 3) << qPrintable(port);
        EXPECT_TRUE(log.at(0).startsWith(usingLine()));
        EXPECT_EQ(log.at(1), u" Connecting"_s);
        EXPECT_EQ(log.at(2), u" [ERROR] "_s + generic);
        EXPECT_EQ(exchange.buttonCaption(), u"Ok"_s);
        EXPECT_EQ(exchange.state(), Exchange::State::Failed);
    }

    // Every port in range is accepted, those above 32767 included; the host's answer decides.
    for (const QString& port : { u"1"_s, u"32767"_s, u"32768"_s, u"65535"_s }) {
        Exchange exchange;
        Events events(exchange);
        HTTPRequest request = makeRequest(u"127.0.0.1"_s, port);
        exchange.Execute(request);
        EXPECT_TRUE(events.error.isEmpty()) << qPrintable(port);
        EXPECT_EQ(exchange.state(), Exchange::State::Connecting) << qPrintable(port);
        exchange.pressButton();
        EXPECT_EQ(events.cancelled.size(), 1);
    }

    Exchange exchange;
    Events events(exchange);
    HTTPRequest request = makeRequest(u"   "_s, u"80"_s);
    exchange.Execute(request);
    EXPECT_EQ(events.errorMessage(), generic);
}

TEST(ExchangeTest, ResetAfterPartOfTheResponseFails)
{
    for (const TestServer::Mode mode : { TestServer::Mode::Plain, TestServer::Mode::Tls }) {
        const bool secure = mode == TestServer::Mode::Tls;
        TestServer server(mode);
        ASSERT_TRUE(server.listen()) << qPrintable(server.error());
        TestServer::Script script;
        script.chunks = { kHead, kBinary };
        script.stepByStep = true;
        server.setScript(script);

        Exchange exchange;
        Events events(exchange);
        HTTPRequest request = makeRequest(u"127.0.0.1"_s, server.portText(), secure);
        exchange.Execute(request);
        ASSERT_TRUE(waitFor([&] { return events.data.size() == 1 || events.ended(); }));
        server.resetConnection();
        ASSERT_TRUE(waitFor([&] { return events.ended(); }));

        const QString message = u"SocketX_Close(): The current socket connection has been reset."_s;
        EXPECT_EQ(events.errorMessage(), message) << "secure " << secure;
        EXPECT_TRUE(events.done.isEmpty());
        EXPECT_EQ(events.received(), kHead);
        EXPECT_EQ(exchange.logLines().last(), u" [ERROR] "_s + message);
        EXPECT_EQ(exchange.buttonCaption(), u"Ok"_s);
        EXPECT_EQ(exchange.state(), Exchange::State::Failed);
    }
}

TEST(ExchangeTest, DataThatArrivedWithTheResetIsDeliveredFirst)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    TestServer::Script script;
    script.chunks = { kHead + kBinary };
    script.pauseMs = 0;
    script.ending = TestServer::Ending::Reset;
    server.setScript(script);

    Exchange exchange;
    Events events(exchange);
    HTTPRequest request = makeRequest(u"127.0.0.1"_s, server.portText());
    exchange.Execute(request);
    ASSERT_TRUE(waitFor([&] { return events.ended(); }));

    EXPECT_EQ(events.received(), kHead + kBinary);
    EXPECT_EQ(events.errorMessage(),
              u"SocketX_Close(): The current socket connection has been reset."_s);
    EXPECT_TRUE(events.done.isEmpty());
}

TEST(ExchangeTest, CancelWhileTheServerIsSendingRaisesCancelledOnly)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    TestServer::Script script;
    script.chunks = { kHead, kBinary, kTail };
    script.stepByStep = true;
    server.setScript(script);
    QSignalSpy serverClosed(&server, &TestServer::connectionClosed);

    Exchange exchange;
    Events events(exchange);
    HTTPRequest request = makeRequest(u"127.0.0.1"_s, server.portText());
    exchange.Execute(request);
    ASSERT_TRUE(waitFor([&] { return events.data.size() == 1 || events.ended(); }));
    const int logLines = static_cast<int>(exchange.logLines().size());

    exchange.pressButton();
    EXPECT_EQ(events.cancelled.size(), 1);
    EXPECT_EQ(exchange.state(), Exchange::State::Idle);
    EXPECT_EQ(exchange.buttonCaption(), u"Cancel"_s);

    // The server goes on and then closes normally; none of it reaches the cancelled exchange.
    server.sendNextChunk();
    server.sendNextChunk();
    server.sendNextChunk();
    ASSERT_TRUE(waitFor([&] { return !serverClosed.isEmpty(); }));
    QCoreApplication::processEvents();

    EXPECT_EQ(events.cancelled.size(), 1);
    EXPECT_TRUE(events.done.isEmpty());
    EXPECT_TRUE(events.error.isEmpty());
    EXPECT_EQ(events.data.size(), 1);
    EXPECT_TRUE(events.hideMe.isEmpty());
    EXPECT_EQ(exchange.logLines().size(), logLines);
}

TEST(ExchangeTest, CancelWhileTheServerIsSilentClosesTheConnection)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    server.setResponse({}, TestServer::Ending::StaySilent);
    QSignalSpy requestReceived(&server, &TestServer::requestReceived);
    QSignalSpy serverClosed(&server, &TestServer::connectionClosed);

    Exchange exchange;
    Events events(exchange);
    HTTPRequest request = makeRequest(u"127.0.0.1"_s, server.portText());
    exchange.Execute(request);
    ASSERT_TRUE(waitFor([&] { return !requestReceived.isEmpty(); }));
    EXPECT_EQ(exchange.state(), Exchange::State::Transferring);
    EXPECT_EQ(server.received(), request.RequestBytes());

    exchange.pressButton();
    EXPECT_EQ(events.cancelled.size(), 1);
    ASSERT_TRUE(waitFor([&] { return !serverClosed.isEmpty(); }));
    EXPECT_TRUE(events.done.isEmpty());
    EXPECT_TRUE(events.error.isEmpty());
}

TEST(ExchangeTest, MaximumTimeEndsASilentExchangeButNotAQuickOne)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    server.setResponse({ kHead }, TestServer::Ending::StaySilent);
    Exchange exchange;
    exchange.setTimeLimits(5000, 300);
    Events events(exchange);
    HTTPRequest request = makeRequest(u"127.0.0.1"_s, server.portText());
    exchange.Execute(request);
    ASSERT_TRUE(waitFor([&] { return events.ended(); }));
    EXPECT_EQ(events.errorMessage(), u"Maximum time: the exchange took longer than 300 ms"_s);
    EXPECT_EQ(exchange.timedOut(), Exchange::TimeLimit::Total);
    EXPECT_EQ(events.received(), kHead);
    EXPECT_EQ(exchange.buttonCaption(), u"Ok"_s);

    // Each exchange gets the time afresh, and one that ends in time is not failed later.
    server.setResponse({ kHead, kTail });
    Events next(exchange);
    exchange.Execute(request);
    ASSERT_TRUE(waitFor([&] { return next.ended(); }));
    EXPECT_EQ(next.done.size(), 1) << qPrintable(next.errorMessage());
    EXPECT_EQ(exchange.timedOut(), Exchange::TimeLimit::None);
    EXPECT_FALSE(next.error.wait(400)) << "a finished exchange failed later";
}

class ExchangeTlsTest : public ::testing::Test
{
protected:
    void TearDown() override { TestServer::setTestCaTrusted(false); }

    // Runs a TLS exchange against server and waits for its end.
    void run(TestServer& server, const QString& host)
    {
        ASSERT_TRUE(server.listen()) << qPrintable(server.error());
        server.setResponse({ kHead, kTail });
        request = makeRequest(host, server.portText(), true);
        exchange.Execute(request);
        ASSERT_TRUE(waitFor([&] { return events.ended(); }));
    }

    static QString infoText(const QString& ca, const QString& error)
    {
        QString text = u"\r\n[ == Certificate info == ]\r\n<Subject:> CN=localhost, O=Pelorin Tests"
                       "\r\n<Issuer:> "_s
            + (ca.isEmpty() ? u"CN=localhost, O=Pelorin Tests"_s : ca) + u"\r\n<CA subject:> "_s
            + ca + u"\r\n<CA Issuer:> "_s + ca;
        if (!error.isEmpty())
            text += u"\r\n<!!Certificate Error!!:> "_s + error;
        return text + u"\r\n"_s;
    }

    // The certificate block without the report lines that follow it.
    static QString blockOf(const QString& info)
    {
        const qsizetype report = info.indexOf(u"\r\n<Protocol:> "_s);
        return report < 0 ? info : info.left(report) + u"\r\n"_s;
    }

    static inline const QString kTestCa = u"CN=Pelorin Test CA, O=Pelorin Tests"_s;

    Exchange exchange;
    Events events { exchange };
    HTTPRequest request;
};

TEST_F(ExchangeTlsTest, NameMismatchIsReportedAndTheRequestStillGoesOut)
{
    TestServer::setTestCaTrusted(true);
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::Localhost);
    run(server, u"127.0.0.1"_s);

    ASSERT_EQ(events.info.size(), 1);
    EXPECT_EQ(blockOf(events.infoText()), infoText(kTestCa, u"CNNoMatch"_s));
    EXPECT_EQ(events.done.size(), 1) << qPrintable(events.errorMessage());
    EXPECT_EQ(server.received(), request.RequestBytes());
    EXPECT_EQ(events.received(), kHead + kTail);

    const QStringList log = exchange.logLines();
    const qsizetype certificate = log.indexOf(u" Certificate information received"_s);
    ASSERT_GE(certificate, 2);
    EXPECT_EQ(log.value(certificate + 1), u" !!Certificate Error!! CNNoMatch"_s);
    EXPECT_EQ(log.value(certificate + 2), u" Sending data"_s);
    EXPECT_EQ(log.last(), u" Socket closed"_s);
}

TEST_F(ExchangeTlsTest, TrustedCertificateHasNoErrorPart)
{
    TestServer::setTestCaTrusted(true);
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::Localhost);
    run(server, u"localhost"_s);

    EXPECT_EQ(blockOf(events.infoText()), infoText(kTestCa, {}));
    EXPECT_TRUE(exchange.logLines().filter(u"!!Certificate Error!!"_s).isEmpty());
    EXPECT_EQ(events.done.size(), 1) << qPrintable(events.errorMessage());
    EXPECT_EQ(server.received(), request.RequestBytes());
}

TEST_F(ExchangeTlsTest, ReportLinesFollowTheBlockAndTheExchangeIsTimed)
{
    TestServer::setTestCaTrusted(true);
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::Localhost);
    run(server, u"localhost"_s);
    ASSERT_EQ(events.done.size(), 1) << qPrintable(events.errorMessage());

    const QString info = events.infoText();
    ASSERT_TRUE(info.endsWith(u"\r\n"_s));
    const QStringList lines
        = info.mid(blockOf(info).size() - 2).split(u"\r\n"_s, Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8) << qPrintable(info);
    EXPECT_TRUE(QRegularExpression(u"^<Protocol:> TLSv1\\.[23]$"_s).match(lines[0]).hasMatch())
        << qPrintable(lines[0]);
    EXPECT_TRUE(
        QRegularExpression(u"^<Cipher:> [A-Z0-9_-]+ \\(\\d+ bits\\)$"_s).match(lines[1]).hasMatch())
        << qPrintable(lines[1]);
    EXPECT_EQ(lines[2], u"<Not before:> 2000-01-01 00:00:00 UTC"_s);
    EXPECT_EQ(lines[3], u"<Not after:> 2100-01-01 00:00:00 UTC"_s);

    const QString label = u"<SHA-256 fingerprint:> "_s;
    ASSERT_TRUE(lines[4].startsWith(label)) << qPrintable(lines[4]);
    const QString fingerprint = lines[4].mid(label.size());
    EXPECT_TRUE(
        QRegularExpression(u"^([0-9A-F]{2}:){31}[0-9A-F]{2}$"_s).match(fingerprint).hasMatch())
        << qPrintable(fingerprint);
    const QList<QSslCertificate> own
        = QSslCertificate::fromPath(TestServer::certificateDir() + u"/server.pem"_s);
    ASSERT_FALSE(own.isEmpty());
    EXPECT_EQ(fingerprint.toLatin1().replace(':', QByteArray()).toLower(),
              QCryptographicHash::hash(own.first().toDer(), QCryptographicHash::Sha256).toHex())
        << "the fingerprint is not the server's own certificate's";

    EXPECT_EQ(lines.mid(5),
              (QStringList { u"<Subject alternative names:> DNS:localhost"_s,
                             u"<Chain 1:> CN=localhost, O=Pelorin Tests → "_s + kTestCa,
                             u"<Chain 2:> "_s + kTestCa + u" → "_s + kTestCa }));

    EXPECT_TRUE(IsTimingLine(exchange.timingSummary(), true));
}

TEST_F(ExchangeTlsTest, SelfSignedCertificateIsAnUntrustedRoot)
{
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::SelfSigned);
    run(server, u"localhost"_s);

    // A lone certificate has no CA after it in the chain.
    EXPECT_EQ(blockOf(events.infoText()), infoText({}, u"UntrustedRoot"_s));
    EXPECT_EQ(events.done.size(), 1) << qPrintable(events.errorMessage());
    EXPECT_EQ(events.received(), kHead + kTail);
}

TEST_F(ExchangeTlsTest, UntrustedIssuerOutranksANameMismatch)
{
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::Localhost);
    run(server, u"127.0.0.1"_s);
    EXPECT_TRUE(
        blockOf(events.infoText()).endsWith(u"<!!Certificate Error!!:> UntrustedRoot\r\n"_s))
        << qPrintable(events.infoText());
    EXPECT_EQ(events.done.size(), 1);
    // Each problem has its line in the log, the gravest first.
    EXPECT_EQ(exchange.logLines().filter(u"!!Certificate Error!!"_s),
              (QStringList { u" !!Certificate Error!! UntrustedRoot"_s,
                             u" !!Certificate Error!! CNNoMatch"_s }));
    EXPECT_EQ(exchange.certificateProblems(), (QStringList { u"UntrustedRoot"_s, u"CNNoMatch"_s }));
}

TEST_F(ExchangeTlsTest, ExpiredCertificateIsReportedAsExpired)
{
    TestServer::setTestCaTrusted(true);
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::Expired);
    run(server, u"localhost"_s);
    EXPECT_EQ(blockOf(events.infoText()), infoText(kTestCa, u"Expired"_s));
    EXPECT_EQ(events.done.size(), 1);
}

TEST(ExchangeTest, PlainServerAnsweringATlsRequestIsAFailure)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    TestServer::Script script;
    script.chunks = { "HTTP/1.1 400 Bad Request\r\n\r\n"_ba };
    script.waitForRequest = false;
    server.setScript(script);

    Exchange exchange;
    Events events(exchange);
    HTTPRequest request = makeRequest(u"127.0.0.1"_s, server.portText(), true);
    exchange.Execute(request);
    ASSERT_TRUE(waitFor([&] { return events.ended(); }));
    EXPECT_TRUE(events.done.isEmpty());
    EXPECT_TRUE(events.errorMessage().startsWith(u"SocketX_Close(): "_s))
        << qPrintable(events.errorMessage());
    EXPECT_EQ(exchange.buttonCaption(), u"Ok"_s);
}

TEST(ExchangeTest, ErrorTextsAndCertificateNames)
{
    EXPECT_EQ(SocketErrorText(0), u"No error."_s);
    EXPECT_EQ(SocketErrorText(10054), u"The current socket connection has been reset."_s);
    EXPECT_EQ(SocketErrorText(10101), u"Socket has been disconnected."_s);
    // Unlisted codes have no text, so the message ends after its prefix.
    EXPECT_EQ(SocketErrorText(10035), QString());
    EXPECT_EQ(SocketErrorText(-1), QString());

    EXPECT_EQ(CertErrorName(1), u"NotRead"_s);
    EXPECT_EQ(CertErrorName(10), u"UntrustedRoot"_s);
    EXPECT_EQ(CertErrorName(16), u"CNNoMatch"_s);
    EXPECT_EQ(CertErrorName(18), u"UnknownError"_s);
    EXPECT_EQ(CertErrorName(0), QString());
    EXPECT_EQ(CertErrorName(19), QString());
}
