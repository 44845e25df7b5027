#include "message/HTTPRequest.h"
#include "persistence/DataFolder.h"
#include "persistence/XmlDocument.h"
#include "support/TestServer.h"
#include "transport/ClientIdentity.h"
#include "transport/ClientTlsData.h"
#include "transport/Exchange.h"
#include "transport/ExchangeSequence.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;
const QString kKeyPassphrase = u"key pass"_s;
const QString kBundlePassphrase = u"bundle:pass"_s;

// OpenSSL's own test server on loopback, requiring a client certificate from the CA file given; it
// answers with a page that names the client certificate it got.
class MutualTlsServer final
{
public:
    explicit MutualTlsServer(const QString& clientCaFile, const QStringList& extra = {})
        : m_port(QString::number(TestServer::refusedPort()))
    {
        const QString dir = TestServer::certificateDir();
        m_process.start(u"openssl"_s,
                        QStringList { u"s_server"_s, u"-accept"_s, u"127.0.0.1:"_s + m_port,
                                      u"-cert"_s, dir + u"/server.pem"_s, u"-key"_s,
                                      dir + u"/server.key"_s, u"-Verify"_s, u"1"_s, u"-CAfile"_s,
                                      clientCaFile, u"-www"_s }
                            + extra);
        QByteArray out;
        m_listening
            = QTest::qWaitFor(
                  [&] {
                      out += m_process.readAllStandardOutput();
                      return out.contains("ACCEPT") || m_process.state() == QProcess::NotRunning;
                  },
                  kTimeoutMs)
            && out.contains("ACCEPT");
    }
    ~MutualTlsServer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    bool listening() const { return m_listening; }
    const QString& port() const { return m_port; }

private:
    QString m_port;
    QProcess m_process;
    bool m_listening = false;
};

const QByteArray kClientSeen = "Subject: CN=Pelorin Test Client"_ba;

class ClientCertificateTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        // A CA and a client it issues, made here so that nothing else trusts them.
        const QString ca = file(u"ca"_s);
        const QString client = file(u"client"_s);
        const QStringList ec { u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                               u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s };
        s_ready = openssl(QStringList { u"req"_s, u"-x509"_s, u"-subj"_s, u"/CN=Client Test CA"_s,
                                        u"-days"_s, u"2"_s, u"-keyout"_s, ca + u".key"_s, u"-out"_s,
                                        ca + u".pem"_s }
                          + ec)
            && openssl(QStringList { u"req"_s, u"-subj"_s, u"/CN=Pelorin Test Client"_s,
                                     u"-keyout"_s, client + u".key"_s, u"-out"_s,
                                     client + u".csr"_s }
                       + ec)
            && openssl({ u"x509"_s, u"-req"_s, u"-in"_s, client + u".csr"_s, u"-CA"_s,
                         ca + u".pem"_s, u"-CAkey"_s, ca + u".key"_s, u"-days"_s, u"2"_s, u"-out"_s,
                         client + u".pem"_s })
            && openssl({ u"pkcs8"_s, u"-topk8"_s, u"-in"_s, client + u".key"_s, u"-passout"_s,
                         u"pass:"_s + kKeyPassphrase, u"-out"_s, client + u"-enc.key"_s })
            && openssl({ u"pkcs12"_s, u"-export"_s, u"-in"_s, client + u".pem"_s, u"-inkey"_s,
                         client + u".key"_s, u"-passout"_s, u"pass:"_s + kBundlePassphrase,
                         u"-out"_s, client + u".p12"_s });
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_ready) << "openssl could not make the test identities"; }

    static QString file(const QString& name) { return s_dir->filePath(name); }
    static bool openssl(const QStringList& arguments)
    {
        QProcess process;
        process.start(u"openssl"_s, arguments);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    }
    static ClientIdentity pem(const QString& key = u"client.key"_s)
    {
        return { file(u"client.pem"_s), file(key), ClientIdentity::Type::Pem, std::nullopt };
    }

    // Sends a GET to localhost:port over TLS; true when the exchange completed.
    static bool exchange(const QString& port, ClientTls* tls, QStringList* log = nullptr,
                         QByteArray* received = nullptr)
    {
        HTTPRequest request;
        request.Secure = true;
        request.Server = u"localhost"_s;
        request.Port = port;
        request.setMethod(u"GET"_s);
        request.setURL(u"/"_s);
        request.HTTPver = u"HTTP/1.1"_s;
        request.Header = u"Host: localhost\r\nConnection: close"_s;
        Exchange exchange;
        exchange.setClientTls(tls);
        QSignalSpy done(&exchange, &Exchange::Done);
        QSignalSpy failed(&exchange, &Exchange::ErrorOccured);
        QObject::connect(&exchange, &Exchange::DataArrived, &exchange,
                         [received](const QByteArray& chunk) {
                             if (received)
                                 *received += chunk;
                         });
        exchange.Execute(request);
        const bool ended
            = QTest::qWaitFor([&] { return !done.isEmpty() || !failed.isEmpty(); }, kTimeoutMs);
        if (log)
            *log = exchange.logLines();
        return ended && !done.isEmpty();
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline bool s_ready = false;
};

TEST_F(ClientCertificateTest, PemAndBundleIdentitiesArePresentedAndLogged)
{
    MutualTlsServer server(file(u"ca.pem"_s));
    ASSERT_TRUE(server.listening());
    ClientTls tls;
    tls.setTarget(u"localhost:"_s + server.port(), { pem(), {} });
    QStringList log;
    QByteArray page;
    ASSERT_TRUE(exchange(server.port(), &tls, &log, &page)) << log.join(u'\n').toStdString();
    EXPECT_TRUE(page.contains(kClientSeen)) << page.toStdString();
    EXPECT_TRUE(log.contains(u" Client certificate: CN=Pelorin Test Client"_s))
        << log.join(u'\n').toStdString();

    tls.setForAll(TargetTls {
        { file(u"client.p12"_s), {}, ClientIdentity::Type::P12, kBundlePassphrase }, {} });
    page.clear();
    ASSERT_TRUE(exchange(server.port(), &tls, &log, &page)) << log.join(u'\n').toStdString();
    EXPECT_TRUE(page.contains(kClientSeen)) << page.toStdString();
}

TEST_F(ClientCertificateTest, ProtectedKeyAsksOnceAndAWrongAnswerFails)
{
    MutualTlsServer server(file(u"ca.pem"_s));
    ASSERT_TRUE(server.listening());
    ClientTls tls;
    tls.setForAll(TargetTls { pem(u"client-enc.key"_s), {} });
    QStringList answers { u"wrong"_s, kKeyPassphrase };
    int asked = 0;
    tls.setPassphrasePrompt([&](const QString&) -> std::optional<QString> {
        ++asked;
        return answers.isEmpty() ? std::nullopt : std::optional(answers.takeFirst());
    });
    QStringList log;
    EXPECT_FALSE(exchange(server.port(), &tls, &log));
    EXPECT_TRUE(log.last().contains(u"Wrong passphrase for the key in"_s))
        << log.join(u'\n').toStdString();

    // The right answer is kept for the run: a second connection does not ask.
    QByteArray pages;
    ASSERT_TRUE(exchange(server.port(), &tls, &log, &pages)) << log.join(u'\n').toStdString();
    ASSERT_TRUE(exchange(server.port(), &tls, &log, &pages)) << log.join(u'\n').toStdString();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(pages.count(kClientSeen), 2);

    // Headless: no one to ask, no passphrase given.
    ClientTls unattended;
    unattended.setForAll(TargetTls { pem(u"client-enc.key"_s), {} });
    EXPECT_FALSE(exchange(server.port(), &unattended, &log));
    EXPECT_TRUE(log.last().contains(u"is protected by a passphrase and none was given"_s))
        << log.join(u'\n').toStdString();
}

TEST_F(ClientCertificateTest, ServerAskingWithoutAnIdentityOrAMismatchedKeyFailClearly)
{
    MutualTlsServer server(file(u"ca.pem"_s));
    ASSERT_TRUE(server.listening());
    QStringList log;
    EXPECT_FALSE(exchange(server.port(), nullptr, &log));
    EXPECT_TRUE(log.contains(u" The server asked for a client certificate and none was set"_s))
        << log.join(u'\n').toStdString();
    // Before TLS 1.3 the server's alert says only "handshake failure".
    MutualTlsServer older(file(u"ca.pem"_s), { u"-tls1_2"_s });
    ASSERT_TRUE(older.listening());
    EXPECT_FALSE(exchange(older.port(), nullptr, &log));
    EXPECT_TRUE(log.join(u'\n').contains(u"it may want a client certificate, and none was set"_s))
        << log.join(u'\n').toStdString();

    ClientTls tls;
    ClientIdentity mismatched = pem();
    mismatched.keyFile = TestServer::certificateDir() + u"/server.key"_s;
    tls.setForAll(TargetTls { mismatched, {} });
    EXPECT_FALSE(exchange(server.port(), &tls, &log));
    EXPECT_TRUE(log.join(u'\n').contains(u"The client certificate cannot be used"_s))
        << log.join(u'\n').toStdString();
}

// A sequence's connection presents the identity as a single exchange does; one that cannot be
// used ends the sequence before it connects, with the reason.
TEST_F(ClientCertificateTest, SequencesPresentTheIdentity)
{
    MutualTlsServer server(file(u"ca.pem"_s));
    ASSERT_TRUE(server.listening());
    HTTPRequest request;
    request.Secure = true;
    request.Server = u"localhost"_s;
    request.Port = server.port();
    request.setMethod(u"GET"_s);
    request.setURL(u"/"_s);
    request.HTTPver = u"HTTP/1.1"_s;
    request.Header = u"Host: localhost"_s;
    ClientTls tls;
    tls.setForAll(TargetTls { pem(), {} });
    ExchangeSequence sequence;
    sequence.setClientTls(&tls);
    QSignalSpy finished(&sequence, &ExchangeSequence::finished);
    sequence.start({ request }, ExchangeSequence::Mode::InTurn);
    ASSERT_TRUE(finished.wait(kTimeoutMs));
    const QString log = sequence.logLines().join(u'\n');
    ASSERT_EQ(sequence.responses().size(), 1) << log.toStdString();
    EXPECT_TRUE(sequence.responses().constFirst().bytes.contains(kClientSeen)) << log.toStdString();
    EXPECT_TRUE(sequence.logLines().contains(u"Client certificate: CN=Pelorin Test Client"_s))
        << log.toStdString();

    tls.setForAll(TargetTls { { file(u"missing.pem"_s), {}, ClientIdentity::Type::Pem, {} }, {} });
    finished.clear();
    sequence.start({ request }, ExchangeSequence::Mode::InTurn);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished.constFirst().constFirst().toBool());
    EXPECT_TRUE(sequence.logLines().join(u'\n').contains(file(u"missing.pem"_s)))
        << sequence.logLines().join(u'\n').toStdString();
}

TEST_F(ClientCertificateTest, LoadErrorsNameTheFile)
{
    LoadedIdentity loaded;
    bool needs = true;
    Result result = LoadClientIdentity(pem(u"missing.key"_s), {}, loaded, &needs);
    EXPECT_EQ(result.text, u"The key file %1 does not exist"_s.arg(file(u"missing.key"_s)));
    EXPECT_FALSE(needs);

    ClientIdentity bundle { file(u"client.p12"_s), {}, ClientIdentity::Type::P12, {} };
    EXPECT_FALSE(LoadClientIdentity(bundle, {}, loaded, &needs));
    EXPECT_TRUE(needs);
    EXPECT_FALSE(LoadClientIdentity(bundle, "nope", loaded, &needs));
    EXPECT_FALSE(needs);
    ASSERT_TRUE(LoadClientIdentity(bundle, kBundlePassphrase.toUtf8(), loaded));
    EXPECT_EQ(ClientCertificateName(loaded.certificate), u"CN=Pelorin Test Client"_s);

    // A certificate file without a key, and a CA file that holds no certificate.
    ClientIdentity noKey { file(u"client.pem"_s), {}, ClientIdentity::Type::Pem, {} };
    EXPECT_EQ(LoadClientIdentity(noKey, {}, loaded).text,
              u"No private key in %1"_s.arg(file(u"client.pem"_s)));
    QList<QSslCertificate> cas;
    EXPECT_FALSE(LoadCaFile(file(u"client.key"_s), cas));
}

TEST_F(ClientCertificateTest, CaFileMakesTheServersChainTrusted)
{
    TestServer server(TestServer::Mode::Tls, TestServer::Certificate::Localhost);
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"_ba });
    ASSERT_TRUE(server.listen()) << server.error().toStdString();
    QStringList log;
    ASSERT_TRUE(exchange(server.portText(), nullptr, &log));
    EXPECT_TRUE(log.join(u'\n').contains(u"!!Certificate Error!!"_s));

    ClientTls tls;
    tls.setTarget(u"localhost:"_s + server.portText(),
                  { {}, TestServer::certificateDir() + u"/ca.pem"_s });
    ASSERT_TRUE(exchange(server.portText(), &tls, &log)) << log.join(u'\n').toStdString();
    EXPECT_FALSE(log.join(u'\n').contains(u"!!Certificate Error!!"_s))
        << log.join(u'\n').toStdString();
}

TEST(ClientTlsDataTest, TargetsRoundTripThroughTheUserDataWithoutPassphrases)
{
    ClientTls tls;
    tls.setTarget(u"api.test:443"_s,
                  { { u"/c/id.p12"_s, {}, ClientIdentity::Type::P12, u"secret"_s }, {} });
    tls.setTarget(
        u"mtls.test:8443"_s,
        { { u"/c/a.pem"_s, u"/c/a.key"_s, ClientIdentity::Type::Pem, {} }, u"/c/ca.pem"_s });
    XmlDocument data;
    ASSERT_TRUE(data.loadXML(DataFolder::emptyUserData()));
    StoreClientTlsTargets(data, tls);
    StoreClientTlsTargets(data, tls); // replaces, never repeats
    EXPECT_FALSE(data.toByteArray().contains("secret"));

    ClientTls loaded;
    loaded.setTarget(u"old.test:443"_s, { {}, u"/c/old.pem"_s });
    LoadClientTlsTargets(data, loaded);
    ASSERT_EQ(loaded.targets().keys(), tls.targets().keys());
    EXPECT_EQ(loaded.targets().value(u"mtls.test:8443"_s),
              tls.targets().value(u"mtls.test:8443"_s));
    EXPECT_EQ(loaded.choiceFor(u"API.test"_s, 443).identity.type, ClientIdentity::Type::P12);
    EXPECT_FALSE(loaded.choiceFor(u"api.test"_s, 443).identity.passphrase);
}

} // namespace
