#include "support/TestServer.h"

#include <QFile>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSslCertificate loadCertificate(const QString& name)
{
    return QSslCertificate(readFile(TestServer::certificateDir() + u'/' + name + u".pem"_s));
}

QSslKey loadKey(const QString& name)
{
    return QSslKey(readFile(TestServer::certificateDir() + u'/' + name + u".key"_s), QSsl::Rsa);
}

} // namespace

TestServer::TestServer(Mode mode, Certificate certificate, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_certificate(certificate)
{ }

TestServer::~TestServer() = default;

bool TestServer::listen(const QHostAddress& address)
{
    if (m_mode == Mode::Tls) {
        const QString name = m_certificate == Certificate::Localhost ? u"server"_s
            : m_certificate == Certificate::SelfSigned               ? u"selfsigned"_s
                                                                     : u"expired"_s;
        QList<QSslCertificate> chain { loadCertificate(name) };
        if (m_certificate != Certificate::SelfSigned)
            chain.append(caCertificate());
        const QSslKey key = loadKey(name);
        if (chain.first().isNull() || key.isNull()) {
            m_error = u"cannot read the test certificate "_s + name + u" in "_s + certificateDir();
            return false;
        }
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificateChain(chain);
        configuration.setPrivateKey(key);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(configuration);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &TestServer::onPendingConnection);
    if (!m_server->listen(address, 0)) {
        m_error = m_server->errorString();
        return false;
    }
    return true;
}

quint16 TestServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

void TestServer::setResponse(const QList<QByteArray>& chunks, Ending ending)
{
    m_script.chunks = chunks;
    m_script.ending = ending;
}

void TestServer::onPendingConnection()
{
    while (m_server->hasPendingConnections()) {
        QTcpSocket* socket = m_server->nextPendingConnection();
        // Owned by us: QObject's destructor cuts our connections before it deletes the
        // children, so a socket closing on destruction never calls into a dying server.
        socket->setParent(this);
        if (m_connection) {
            m_connection->disconnect(this);
            m_connection->abort();
        }
        m_connection = socket;
        m_received.clear();
        m_requestStart = 0;
        m_requestEnd = 0;
        m_requestSeen = false;
        m_nextChunk = 0;
        m_started = false;
        m_waitingForFlush = false;
        m_resetWhenFlushed = false;
        ++m_connections;

        connect(socket, &QTcpSocket::readyRead, this, &TestServer::onReadyRead);
        connect(socket, &QTcpSocket::bytesWritten, this, &TestServer::checkFlushed);
        if (auto* tls = qobject_cast<QSslSocket*>(socket))
            connect(tls, &QSslSocket::encryptedBytesWritten, this, &TestServer::checkFlushed);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            socket->deleteLater();
            if (socket == m_connection)
                Q_EMIT connectionClosed();
        });

        Q_EMIT connectionAccepted();
        if (!m_script.waitForRequest)
            startScript();
        // A TLS client's first bytes may already be buffered from the handshake.
        if (m_connection == socket && socket->bytesAvailable() > 0)
            onReadyRead();
    }
}

void TestServer::onReadyRead()
{
    if (!m_connection)
        return;
    m_received += m_connection->readAll();
    checkRequest();
}

void TestServer::checkRequest()
{
    if (m_requestSeen)
        return;
    const qsizetype length = requestLength();
    if (length < 0)
        return;
    m_requestSeen = true;
    m_requestEnd = m_requestStart + length;
    Q_EMIT requestReceived();
    if (!m_started && m_script.waitForRequest)
        startScript();
}

qsizetype TestServer::requestLength() const
{
    const QByteArray request = m_received.mid(m_requestStart);
    const qsizetype headerEnd = request.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return -1;
    qint64 bodyLength = 0;
    const QList<QByteArray> lines = request.left(headerEnd).split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            bodyLength = line.mid(colon + 1).trimmed().toLongLong();
    }
    const qsizetype length = headerEnd + 4 + qsizetype(bodyLength);
    return request.size() >= length ? length : -1;
}

void TestServer::startScript()
{
    m_started = true;
    if (m_script.chunks.isEmpty())
        playEnding();
    else
        writeChunk();
}

void TestServer::sendNextChunk()
{
    if (!m_connection || m_waitingForFlush)
        return;
    if (m_nextChunk < m_script.chunks.size())
        writeChunk();
    else
        playEnding();
}

void TestServer::writeChunk()
{
    if (!m_connection)
        return;
    m_connection->write(m_script.chunks.at(m_nextChunk++));
    m_waitingForFlush = true;
    m_connection->flush();
    checkFlushed();
}

qint64 TestServer::pendingBytes() const
{
    if (!m_connection)
        return 0;
    qint64 pending = m_connection->bytesToWrite();
    if (auto* tls = qobject_cast<QSslSocket*>(m_connection.data()))
        pending += tls->encryptedBytesToWrite();
    return pending;
}

void TestServer::checkFlushed()
{
    if (!m_connection || pendingBytes() > 0)
        return;
    if (m_resetWhenFlushed) {
        m_resetWhenFlushed = false;
        resetNow();
        return;
    }
    if (m_waitingForFlush) {
        m_waitingForFlush = false;
        onFlushed();
    }
}

void TestServer::onFlushed()
{
    const int index = m_nextChunk - 1;
    Q_EMIT chunkSent(index);
    if (m_script.stepByStep)
        return;
    QTimer::singleShot(m_script.pauseMs, this, [this, connection = m_connection] {
        if (!connection || connection != m_connection)
            return;
        if (m_nextChunk < m_script.chunks.size())
            writeChunk();
        else
            playEnding();
    });
}

void TestServer::playEnding()
{
    switch (m_script.ending) {
    case Ending::Close:
        closeConnection();
        break;
    case Ending::Reset:
        resetConnection();
        break;
    case Ending::StaySilent:
        break;
    case Ending::KeepAlive:
        m_started = false;
        m_nextChunk = 0;
        // The next request may have arrived while the response was going out.
        m_requestStart = m_requestEnd;
        m_requestSeen = false;
        checkRequest();
        break;
    }
    Q_EMIT scriptFinished();
}

void TestServer::closeConnection()
{
    if (m_connection)
        m_connection->disconnectFromHost();
}

void TestServer::resetConnection()
{
    if (!m_connection)
        return;
    // A reset discards what is still queued, so the response written so far goes first.
    m_connection->flush();
    if (pendingBytes() > 0)
        m_resetWhenFlushed = true;
    else
        resetNow();
}

void TestServer::resetNow()
{
#ifdef Q_OS_UNIX
    // A zero linger time turns close into an RST.
    const linger abortive { 1, 0 };
    ::setsockopt(static_cast<int>(m_connection->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                 &abortive, sizeof abortive);
#endif
    m_connection->abort();
}

quint16 TestServer::refusedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QString TestServer::certificateDir()
{
    return QString::fromUtf8(PELORIN_SOURCE_DIR) + u"/tests/support/certs"_s;
}

QSslCertificate TestServer::caCertificate()
{
    return loadCertificate(u"ca"_s);
}

void TestServer::setTestCaTrusted(bool trusted)
{
    static std::optional<QSslConfiguration> original;
    if (!original)
        original = QSslConfiguration::defaultConfiguration();
    QSslConfiguration configuration = *original;
    if (trusted)
        configuration.addCaCertificate(caCertificate());
    QSslConfiguration::setDefaultConfiguration(configuration);
}
