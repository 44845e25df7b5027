#include "transport/QtSocketX.h"

#include "support/TestServer.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

// A secure socket to 127.0.0.1 whose certificate handler answers with clearCancel and
// records the order of the events.
struct TlsProbe
{
    explicit TlsProbe(bool clearCancel)
    {
        QObject::connect(&socket, &SocketX::certificateInfo, &socket,
                         [this, clearCancel](const QString&, const QString&, const QString&,
                                             const QString&, qint32 certError, bool* cancel) {
                             events.append(
                                 u"certificate %1 cancel %2"_s.arg(certError).arg(*cancel));
                             if (clearCancel)
                                 *cancel = false;
                         });
        QObject::connect(&socket, &SocketX::sendReady, &socket,
                         [this](quint16 code) { events.append(u"send %1"_s.arg(code)); });
        QObject::connect(&socket, &SocketX::closed, &socket,
                         [this](quint16 code) { events.append(u"closed %1"_s.arg(code)); });
    }

    bool start(quint16 port)
    {
        return socket.setSecure(true) && socket.createSocket()
            && socket.setRemoteHost(u"127.0.0.1"_s) && socket.setRemotePort(port)
            && socket.setCertificateStore(u"MY\\"_s) && socket.connectToRemote();
    }

    QtSocketX socket;
    QStringList events;
};

} // namespace

TEST(QtSocketXTest, CertificateComesFirstAndItsHandlerDecides)
{
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::SelfSigned);
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    server.setResponse({}, TestServer::Ending::StaySilent);

    // Self-signed and for "localhost" while we ask for 127.0.0.1: the gravest fault counts.
    TlsProbe proceeding(true);
    ASSERT_TRUE(proceeding.start(server.port()));
    EXPECT_TRUE(proceeding.events.isEmpty()) << "no event before the event loop runs";
    ASSERT_TRUE(QTest::qWaitFor([&] { return proceeding.events.size() >= 2; }, kTimeoutMs));
    EXPECT_EQ(proceeding.events.mid(0, 2),
              (QStringList { u"certificate 10 cancel 1"_s, u"send 0"_s }));
    proceeding.socket.close();

    TlsProbe refusing(false);
    ASSERT_TRUE(refusing.start(server.port()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return refusing.events.size() >= 2; }, kTimeoutMs));
    EXPECT_EQ(refusing.events, (QStringList { u"certificate 10 cancel 1"_s, u"closed 10053"_s }));
}

TEST(QtSocketXTest, ConfigurationRejectsWhatCannotConnect)
{
    QtSocketX socket;
    EXPECT_TRUE(socket.description().startsWith(u"Qt "_s + QString::fromLatin1(qVersion())
                                                + u" QSslSocket, "_s));
    EXPECT_FALSE(socket.connectToRemote()) << "no socket yet";
    ASSERT_TRUE(socket.createSocket());
    EXPECT_FALSE(socket.setRemoteHost({}));
    EXPECT_FALSE(socket.setRemoteHost(u"  "_s));
    EXPECT_FALSE(socket.setRemotePort(0));
    EXPECT_FALSE(socket.setRemotePort(65536));
    EXPECT_TRUE(socket.setRemotePort(65535));
    EXPECT_FALSE(socket.connectToRemote()) << "no host";
    EXPECT_FALSE(socket.send("x"_ba)) << "not connected";
    EXPECT_TRUE(socket.receive().isEmpty());

    QSignalSpy closed(&socket, &SocketX::closed);
    socket.close();
    socket.close();
    EXPECT_TRUE(closed.isEmpty());
    EXPECT_EQ(socket.bytesReceived(), 0);
    EXPECT_EQ(socket.bytesSent(), 0);
}

TEST(QtSocketXTest, BytesReceivedCountsWhatIsWaiting)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    TestServer::Script script;
    script.chunks = { "0123456789"_ba };
    script.waitForRequest = false;
    script.ending = TestServer::Ending::StaySilent;
    server.setScript(script);

    QtSocketX socket;
    QSignalSpy ready(&socket, &SocketX::receiveReady);
    ASSERT_TRUE(socket.setSecure(false) && socket.createSocket()
                && socket.setRemoteHost(u"127.0.0.1"_s) && socket.setRemotePort(server.port())
                && socket.connectToRemote());
    ASSERT_TRUE(ready.wait(kTimeoutMs));
    EXPECT_EQ(ready.at(0).at(0).toInt(), 0);
    EXPECT_EQ(socket.bytesReceived(), 10) << "counted before it is taken";
    EXPECT_EQ(socket.receive(), "0123456789"_ba);
    EXPECT_EQ(socket.bytesReceived(), 10);
    EXPECT_TRUE(socket.receive().isEmpty());
    EXPECT_TRUE(socket.send("abc"_ba));
    EXPECT_EQ(socket.bytesSent(), 3);
}

TEST(QtSocketXTest, ABacklogTooLargeForOneTakeIsAnnouncedUntilTaken)
{
    // Decrypted bytes pile up while nobody takes them, and the server then falls silent: no
    // network event follows, so what the first take leaves must be announced again.
    TestServer server(TestServer::Mode::Tls);
    ASSERT_TRUE(server.listen());
    QByteArray body;
    for (int i = 0; body.size() < 10 * 1024 * 1024; ++i)
        body += QByteArray::number(i) + '\n';
    TestServer::Script script;
    script.chunks = { body };
    script.pauseMs = 0;
    script.waitForRequest = false;
    script.ending = TestServer::Ending::StaySilent;
    server.setScript(script);

    TlsProbe probe(true);
    QByteArray got;
    int takes = 0;
    QObject::connect(&probe.socket, &SocketX::receiveReady, &probe.socket, [&] {
        if (probe.socket.bytesReceived() < body.size())
            return;
        got += probe.socket.receive();
        ++takes;
    });
    ASSERT_TRUE(probe.start(server.port()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() >= body.size(); }, kTimeoutMs));
    EXPECT_TRUE(got == body) << got.size() << " of " << body.size() << " bytes";
    EXPECT_GE(takes, 3) << "10 MB in one take";
}

TEST(QtSocketXTest, GravestCertificateErrorIsReported)
{
    using E = QSslError::SslError;
    const auto code = [](std::initializer_list<E> errors) {
        QList<QSslError> list;
        for (const E e : errors)
            list.append(QSslError(e));
        return QtSocketX::certErrorCode(list);
    };
    EXPECT_EQ(code({}), 0);
    EXPECT_EQ(code({ E::HostNameMismatch }), 16);
    EXPECT_EQ(code({ E::HostNameMismatch, E::SelfSignedCertificate }), 10);
    EXPECT_EQ(code({ E::HostNameMismatch, E::CertificateExpired }), 2);
    EXPECT_EQ(code({ E::CertificateNotYetValid, E::CertificateRevoked, E::HostNameMismatch }), 13);
    EXPECT_EQ(code({ E::CertificateSignatureFailed, E::UnableToGetLocalIssuerCertificate }), 12);
    EXPECT_EQ(code({ E::OcspTryLater }), 18);
    EXPECT_EQ(code({ E::NoPeerCertificate }), 1);
}

TEST(QtSocketXTest, NetworkErrorsAreToldApartByTheirText)
{
    using S = QAbstractSocket::SocketError;
    EXPECT_EQ(QtSocketX::socketErrorCode(S::NetworkError, u"Network unreachable"_s), 10051);
    EXPECT_EQ(QtSocketX::socketErrorCode(S::NetworkError, u"Host unreachable"_s), 10065);
    EXPECT_EQ(QtSocketX::socketErrorCode(S::NetworkError, u"Connection timed out"_s), 10060);
    EXPECT_EQ(QtSocketX::socketErrorCode(S::NetworkError, u"cable unplugged"_s), 10050);
    EXPECT_EQ(QtSocketX::socketErrorCode(S::ConnectionRefusedError, {}), 10061);
    EXPECT_EQ(QtSocketX::socketErrorCode(S::HostNotFoundError, {}), 10025);
}

TEST(QtSocketXTest, DistinguishedNamesAreReadable)
{
    const QSslCertificate ca = TestServer::caCertificate();
    ASSERT_FALSE(ca.isNull());
    EXPECT_EQ(QtSocketX::distinguishedName(ca, false), u"CN=Pelorin Test CA, O=Pelorin Tests"_s);
    EXPECT_EQ(QtSocketX::distinguishedName(ca, true), u"CN=Pelorin Test CA, O=Pelorin Tests"_s);
    EXPECT_EQ(QtSocketX::distinguishedName(QSslCertificate(), false), QString());
}

TEST(QtSocketXTest, EveryAddressIsTriedAndTlsKeepsTheTypedName)
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHostIPv6))
        GTEST_SKIP() << "no IPv6 loopback here: " << qPrintable(probe.errorString());
    probe.close();

    TestServer::setTestCaTrusted(true);
    const auto untrust = qScopeGuard([] { TestServer::setTestCaTrusted(false); });
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::Localhost);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHostIPv6)) << qPrintable(server.error());
    server.setResponse({}, TestServer::Ending::StaySilent);

    // The server is on ::1 only, so 127.0.0.1 refuses first. Connecting to an address must
    // not change the name the certificate is checked against: no error for "localhost".
    TlsProbe probeSocket(false);
    probeSocket.socket.setAddresses({ QHostAddress::LocalHost, QHostAddress::LocalHostIPv6 });
    ASSERT_TRUE(probeSocket.socket.setSecure(true) && probeSocket.socket.createSocket()
                && probeSocket.socket.setRemoteHost(u"localhost"_s)
                && probeSocket.socket.setRemotePort(server.port())
                && probeSocket.socket.setCertificateStore(u"MY\\"_s)
                && probeSocket.socket.connectToRemote());
    ASSERT_TRUE(QTest::qWaitFor([&] { return probeSocket.events.size() >= 2; }, kTimeoutMs));
    EXPECT_EQ(probeSocket.events.mid(0, 2),
              (QStringList { u"certificate 0 cancel 0"_s, u"send 0"_s }));
    // The server counts a connection once its side of the handshake is done.
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.connectionCount() == 1; }, kTimeoutMs));
    probeSocket.socket.close();

    // Only when every address has refused is the failure reported, once, and Qt has nothing to
    // warn about.
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings.append(text); });
    QtSocketX refused;
    QSignalSpy closed(&refused, &SocketX::closed);
    refused.setAddresses({ QHostAddress::LocalHostIPv6, QHostAddress::LocalHost });
    ASSERT_TRUE(refused.setSecure(false) && refused.createSocket()
                && refused.setRemoteHost(u"localhost"_s)
                && refused.setRemotePort(TestServer::refusedPort()) && refused.connectToRemote());
    const bool ended = closed.wait(kTimeoutMs);
    qInstallMessageHandler(previous);
    ASSERT_TRUE(ended);
    EXPECT_EQ(closed.size(), 1);
    EXPECT_EQ(closed.at(0).at(0).toInt(), 10061);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(u'\n').toStdString();
}
