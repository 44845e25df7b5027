#include "transport/QtSocketX.h"

#include "shell/FreshMemory.h"
#include "transport/Redirect.h"
#include "transport/TlsReport.h"
#include "transport/TransportErrors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

#include <algorithm>
#include <array>
#include <utility>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// At most kLargestRead is taken in one receive(): 4 MB takes about 3 ms to fault in and
// copy here. Where the host makes fresh memory several times dearer for a while, a take shrinks
// (not below kSmallestCap) to what the last large one says fits in kReadBudgetNs, so that it
// still holds the event loop for milliseconds, not tens. One read per take: the same bytes
// read in 1 MB pieces cost a tenth more.
constexpr qint64 kSmallestCap = 512 * 1024;
constexpr qint64 kReadBudgetNs = 6'000'000;
// Reads below this are too short to time.
constexpr qint64 kTimedFrom = 256 * 1024;

// When a certificate has several faults only one is reported. A certificate that cannot
// be trusted at all makes its dates and name moot, so trust problems come first, then
// structure, then validity period, then the host name.
constexpr std::array kCertErrorRank { CertError::Revoked,        CertError::TrustFail,
                                      CertError::UntrustedRoot,  CertError::Chaining,
                                      CertError::IssuerChaining, CertError::Malformed,
                                      CertError::PathLenConst,   CertError::Purpose,
                                      CertError::Expired,        CertError::CNNoMatch,
                                      CertError::NotRead,        CertError::UnknownError };

// Qt reports several connect failures as NetworkError and tells them apart only in the
// native socket engine's (translatable) texts.
bool isEngineText(const QString& errorString, const char* source)
{
    return errorString == QLatin1StringView(source)
        || errorString == QCoreApplication::translate("QNativeSocketEngine", source);
}

QString quoteAttribute(const QString& value)
{
    const bool needsQuotes = value.contains(u',') || value.contains(u'+') || value.contains(u'=')
        || value.contains(u'"') || value.startsWith(u' ') || value.endsWith(u' ');
    if (!needsQuotes)
        return value;
    QString quoted = value;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

} // namespace

QtSocketX::QtSocketX(QObject* parent)
    : SocketX(parent)
{ }

QtSocketX::~QtSocketX()
{
    dropSocket();
}

namespace {
// Asking for the library's version loads it, which costs a plain exchange more than the
// exchange itself.
bool g_tlsLoaded = false;
} // namespace

QString QtSocketX::description() const
{
    QString tls = u"TLS library not loaded"_s;
    if (g_tlsLoaded) {
        tls = QSslSocket::sslLibraryVersionString();
        if (tls.isEmpty())
            tls = u"no TLS library"_s;
    }
    return u"Qt %1 QSslSocket, %2"_s.arg(QString::fromLatin1(qVersion()), tls);
}

Result QtSocketX::setSecure(bool on)
{
    if (on) {
        g_tlsLoaded = true;
        if (!QSslSocket::supportsSsl())
            return Result::failure(u"No TLS library is available."_s);
    }
    m_secure = on;
    return Result::success();
}

Result QtSocketX::createSocket()
{
    dropSocket();
    m_socket = m_secure ? new QSslSocket(this) : new QTcpSocket(this);
    // The user talks to the server as typed; a proxy in between would change the exchange.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    if (m_route)
        m_socket->setProxy(m_route->networkProxy());
    m_throughProxy = false;
    m_tunnelPending = false;
    m_connectAnswer = {};
    m_taken = 0;
    m_sent = 0;
    m_certificateReported = false;
    m_certErrors.clear();
    m_handshakeDone = false;
    m_finished = false;
    m_receiveQueued = false;
    m_moreToSend = false;
    m_probed.clear();
    m_tcpConnected = false;
    m_addresses.clear();
    m_nextAddress = 0;
    m_tlsReport.clear();

    QTcpSocket* s = m_socket;
    connect(s, &QTcpSocket::connected, this, &QtSocketX::onConnected);
    connect(s, &QTcpSocket::readyRead, this, &QtSocketX::onReadyRead);
    connect(s, &QTcpSocket::errorOccurred, this, &QtSocketX::onErrorOccurred);
    connect(s, &QTcpSocket::disconnected, this, &QtSocketX::onDisconnected);
    connect(s, &QTcpSocket::bytesWritten, this, &QtSocketX::onBytesWritten);
    if (QSslSocket* tls = tlsSocket()) {
        connect(tls, &QSslSocket::encrypted, this, &QtSocketX::onEncrypted);
        connect(tls, &QSslSocket::sslErrors, this, &QtSocketX::onSslErrors);
        connect(tls, &QSslSocket::encryptedBytesWritten, this, &QtSocketX::onBytesWritten);
        connect(tls, &QSslSocket::alertReceived, this, &QtSocketX::onAlertReceived);
    }
    m_tlsFailure.clear();
    return Result::success();
}

Result QtSocketX::setRemoteHost(const QString& host)
{
    if (host.trimmed().isEmpty())
        return Result::failure(u"No host name."_s);
    m_host = host;
    return Result::success();
}

Result QtSocketX::setRemotePort(int port)
{
    if (port < 1 || port > 65535)
        return Result::failure(u"Port out of range."_s);
    m_port = port;
    return Result::success();
}

Result QtSocketX::setCertificateStore(const QString& name)
{
    if (name.isEmpty())
        return Result::failure(u"No certificate store."_s);
    m_certificateStore = name;
    return Result::success();
}

Result QtSocketX::connectToRemote()
{
    if (!m_socket)
        return Result::failure(u"No socket."_s);
    if (m_host.isEmpty() || m_port == 0)
        return Result::failure(u"Host or port missing."_s);
    m_timing.start();
    // Qt may fail a connection to an address inside connectToHost; starting from the
    // event loop keeps every event after the caller's return.
    QMetaObject::invokeMethod(
        this,
        [this, socket = m_socket] {
            if (socket && socket == m_socket && !m_finished)
                startConnecting();
        },
        Qt::QueuedConnection);
    return Result::success();
}

void QtSocketX::startConnecting()
{
    if (m_route && m_route->proxy.kind == ProxyServer::Kind::Socks5Hostname) {
        // The proxy resolves the name; nothing is looked up here.
        m_timing.mark(ExchangeTiming::Mark::LookupDone);
        const auto port = static_cast<quint16>(m_port);
        if (QSslSocket* tls = tlsSocket()) {
            applyTlsOptions(*tls);
            tls->connectToHostEncrypted(m_host, port);
        } else
            m_socket->connectToHost(m_host, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
        return;
    }
    // Through an HTTP proxy the connection goes to the proxy.
    const bool toHttpProxy = m_route && m_route->proxy.kind == ProxyServer::Kind::Http;
    const QString host = toHttpProxy ? m_route->connectHost() : m_host;
    QList<QHostAddress> given = toHttpProxy ? QList<QHostAddress>() : m_fixedAddresses;
    // An address needs no lookup; Qt would still start a resolver thread for it.
    if (QHostAddress literal; given.isEmpty() && literal.setAddress(host))
        given = { literal };
    if (!given.isEmpty()) {
        QHostInfo info;
        info.setAddresses(given);
        onLookedUp(info);
        return;
    }
    // Resolving apart from the socket times the lookup on its own and lets every address
    // be tried, not only the first.
    QHostInfo::lookupHost(host, this, [this, socket = m_socket](const QHostInfo& info) {
        if (socket && socket == m_socket && !m_finished)
            onLookedUp(info);
    });
}

void QtSocketX::onLookedUp(const QHostInfo& info)
{
    m_timing.mark(ExchangeTiming::Mark::LookupDone);
    m_addresses = info.addresses();
    m_nextAddress = 0;
    if (info.error() != QHostInfo::NoError || m_addresses.isEmpty()) {
        finish(SocketError::HostNotFound);
        return;
    }
    connectToNextAddress();
}

void QtSocketX::connectToNextAddress()
{
    const QHostAddress address = m_addresses.at(m_nextAddress++);
    const bool toHttpProxy = m_route && m_route->proxy.kind == ProxyServer::Kind::Http;
    const auto port = static_cast<quint16>(toHttpProxy ? m_route->proxy.port : m_port);
    m_socket->abort();
    if (toHttpProxy && m_secure) {
        // The tunnel is asked for in plain text; TLS starts once the proxy has opened it.
        m_socket->connectToHost(address, port);
        return;
    }
    // Certificate checks and SNI stay on the name the user typed, not the address.
    if (QSslSocket* tls = tlsSocket()) {
        applyTlsOptions(*tls);
        tls->connectToHostEncrypted(address.toString(), port, m_host);
    } else
        // Unbuffered, a plain socket's bytes go from the kernel straight into the chunk
        // receive() keeps, instead of through Qt's buffer: one copy fewer of every byte.
        m_socket->connectToHost(address, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
}

QByteArray QtSocketX::receive()
{
    QByteArray data = std::exchange(m_probed, {});
    if (!m_socket || !m_socket->isOpen())
        return data;
    // One buffer of the exact size: readAll would grow its result step by step. A read is
    // bounded so that, where fresh memory is slow to fault in, it still takes milliseconds;
    // what it leaves is announced again from the event loop, which meanwhile stays free.
    const qint64 waiting = m_socket->bytesAvailable();
    const qint64 available = std::min(waiting, m_readCap);
    if (waiting > available)
        queueReceive();
    if (available > 0) {
        const qsizetype kept = data.size();
        data.resize(kept + qsizetype(available));
        QElapsedTimer spent;
        spent.start();
        // Fresh memory faulted in page by page cost a quarter of a 1 GB response's time.
        PrepareForWrite(data.data() + kept, qsizetype(available));
        const qint64 got = m_socket->read(data.data() + kept, available);
        data.truncate(kept + qsizetype(qMax<qint64>(got, 0)));
        if (got >= kTimedFrom) {
            const qint64 ns = std::max<qint64>(spent.nsecsElapsed(), 1);
            m_readCap = std::clamp(got * kReadBudgetNs / ns, kSmallestCap, kLargestRead);
        }
    }
    m_taken += data.size();
    return data;
}

bool QtSocketX::probeEndOfStream()
{
    // An unbuffered socket learns of the peer's close only by reading; the byte a read may
    // still find is kept for the next receive().
    char byte = 0;
    const qint64 got = m_socket->read(&byte, 1);
    if (got > 0) {
        m_probed.append(byte);
        return false;
    }
    if (got == 0)
        return false;
    const QAbstractSocket::SocketError error = m_socket->error();
    onErrorOccurred(error == QAbstractSocket::UnknownSocketError
                        ? QAbstractSocket::RemoteHostClosedError
                        : error);
    return true;
}

qint64 QtSocketX::bytesReceived() const
{
    return m_taken + m_probed.size() + (m_socket ? m_socket->bytesAvailable() : 0);
}

Result QtSocketX::send(const QByteArray& data, bool more)
{
    m_moreToSend = more;
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return Result::failure(u"The socket is not connected."_s);
    const qint64 written = m_socket->write(data);
    if (written < 0)
        return Result::failure(m_socket->errorString());
    m_sent += written;
    return Result::success();
}

void QtSocketX::flush()
{
    if (m_socket)
        m_socket->flush();
}

qint64 QtSocketX::bytesSent() const
{
    return m_sent;
}

qint64 QtSocketX::bytesToWrite() const
{
    if (!m_socket)
        return 0;
    const QSslSocket* tls = tlsSocket();
    return m_socket->bytesToWrite() + (tls ? tls->encryptedBytesToWrite() : 0);
}

void QtSocketX::close()
{
    m_finished = true;
    dropSocket();
}

void QtSocketX::dropSocket()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        // Deleting later keeps a socket alive that may be emitting the signal we run in.
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    closeWatch();
}

void QtSocketX::onConnected()
{
#ifdef Q_OS_LINUX
    // Qt reads ECONNRESET as an end of stream. A second descriptor keeps the kernel socket
    // alive after Qt closes its own, so its TCP state can still tell a reset from a FIN.
    closeWatch();
    const qintptr descriptor = m_socket->socketDescriptor();
    if (descriptor >= 0)
        m_watchDescriptor = ::fcntl(static_cast<int>(descriptor), F_DUPFD_CLOEXEC, 0);
#endif
    m_tcpConnected = true;
    m_timing.mark(ExchangeTiming::Mark::Connected);
    if (m_route && m_route->proxy.kind == ProxyServer::Kind::Http && m_secure) {
        startTunnel();
        return;
    }
    m_throughProxy = true;
    if (!m_secure)
        Q_EMIT sendReady(0);
}

void QtSocketX::onSslErrors(const QList<QSslError>& errors)
{
    if (m_finished || m_certificateReported)
        return;
    m_certErrors = certErrorCodes(errors);
    // Only a call from inside this slot lets the handshake go on.
    if (reportCertificate(certErrorCode(errors)) && tlsSocket())
        tlsSocket()->ignoreSslErrors();
}

void QtSocketX::onEncrypted()
{
    if (m_finished)
        return;
    m_timing.mark(ExchangeTiming::Mark::Encrypted);
    m_handshakeDone = true;
    if (!m_certificateReported && !reportCertificate(0)) {
        if (!m_finished) {
            m_socket->disconnect(this);
            m_socket->abort();
            finish(SocketError::Aborted);
        }
        return;
    }
    if (!m_finished)
        Q_EMIT sendReady(0);
}

bool QtSocketX::reportCertificate(qint32 certError)
{
    m_certificateReported = true;
    const QSslSocket& tls = *tlsSocket();
    const QSslCertificate peer = tls.peerCertificate();
    const QSslCertificate ca = IssuingCertificate(peer, tls.peerCertificateChain());
    m_tlsReport = TlsReport(TlsSessionFactsOf(tls));
    bool cancel = certError != CertError::NoError;
    Q_EMIT certificateInfo(distinguishedName(peer, false), distinguishedName(peer, true),
                           distinguishedName(ca, false), distinguishedName(ca, true), certError,
                           &cancel);
    return !cancel;
}

void QtSocketX::onReadyRead()
{
    // QSslSocket signals every 4 KB it decrypts; announcing once per pass of the event
    // loop hands on all that one read from the network brought, in one chunk.
    if (m_finished)
        return;
    if (m_tunnelPending) {
        readConnectAnswer();
        return;
    }
    m_timing.mark(ExchangeTiming::Mark::FirstByte);
    queueReceive();
}

void QtSocketX::queueReceive()
{
    if (m_receiveQueued)
        return;
    m_receiveQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this, socket = m_socket] {
            m_receiveQueued = false;
            if (!socket || socket != m_socket || m_finished)
                return;
            if (!m_probed.isEmpty() || m_socket->bytesAvailable() > 0
                || (!tlsSocket() && !probeEndOfStream() && !m_probed.isEmpty()))
                Q_EMIT receiveReady(0);
        },
        Qt::QueuedConnection);
}

void QtSocketX::onErrorOccurred(QAbstractSocket::SocketError error)
{
    if (m_finished)
        return;
    if (!m_tcpConnected && m_nextAddress < m_addresses.size()) {
        // Qt wants a new connection attempt made from the event loop, not from inside
        // its error signal.
        QMetaObject::invokeMethod(
            this,
            [this, socket = m_socket] {
                if (socket && socket == m_socket && !m_finished && !m_tcpConnected)
                    connectToNextAddress();
            },
            Qt::QueuedConnection);
        return;
    }
    if (error == QAbstractSocket::SslInvalidUserDataError && m_tlsFailure.isEmpty())
        m_tlsFailure = u"The client certificate cannot be used: "_s + m_socket->errorString();
    if (error != QAbstractSocket::RemoteHostClosedError) {
        finish(socketErrorCode(error, m_socket->errorString()));
        return;
    }
    if (peerReset())
        finish(SocketError::Reset);
    else if (m_secure && !m_handshakeDone)
        finish(SocketError::Aborted); // the peer hung up during the handshake: no secure connection
    else
        finish(0);
}

void QtSocketX::onDisconnected()
{
    if (m_finished)
        return;
    if (peerReset())
        finish(SocketError::Reset);
    else
        finish(m_secure && !m_handshakeDone ? SocketError::Aborted : 0);
}

void QtSocketX::finish(quint16 errorCode)
{
    // Whatever arrived before the end is delivered before the end is announced; a socket that
    // never connected has nothing, and asking it makes Qt warn.
    while (!m_probed.isEmpty() || (m_socket && m_tcpConnected && m_socket->bytesAvailable() > 0)) {
        const qint64 taken = m_taken;
        Q_EMIT receiveReady(0);
        if (m_finished)
            return;
        if (m_taken == taken)
            break; // nobody takes it: announced once, as for any chunk
    }
    if (errorCode != 0 || m_tunnelPending)
        noteProxyFailure(errorCode);
    m_finished = true;
    closeWatch();
    m_timing.mark(ExchangeTiming::Mark::End);
    Q_EMIT closed(errorCode);
}

Result QtSocketX::setProxyRoute(const std::optional<ProxyRoute>& route)
{
    m_route = route;
    return Result::success();
}

void QtSocketX::startTunnel()
{
    // Written here rather than by Qt's proxy support, so that the log shows the exact bytes.
    const QByteArray request = ConnectRequestBytes(m_route->proxy, HostForConnect(m_host), m_port);
    m_tunnelPending = true;
    Q_EMIT proxyNote(u"CONNECT request to proxy "_s + m_route->proxy.display() + u":\r\n"_s
                     + QString::fromUtf8(request).trimmed());
    if (m_finished || !m_socket)
        return;
    if (m_socket->write(request) != request.size())
        finish(SocketError::Aborted);
}

void QtSocketX::readConnectAnswer()
{
    if (!m_connectAnswer.feed(m_socket->readAll()))
        return;
    m_tunnelPending = false;
    Q_EMIT proxyNote(u"Proxy answered CONNECT:\r\n"_s
                     + QString::fromLatin1(m_connectAnswer.head()));
    if (m_finished || !m_socket)
        return;
    if (!m_connectAnswer.opened()) {
        m_finished = true;
        closeWatch();
        m_timing.mark(ExchangeTiming::Mark::End);
        const QByteArray answer = m_connectAnswer.bytes();
        m_socket->disconnect(this);
        m_socket->abort();
        Q_EMIT proxyRefused(answer,
                            u"The proxy refused the tunnel to %1:%2: %3"_s.arg(
                                m_host, QString::number(m_port), m_connectAnswer.statusLine()));
        return;
    }
    m_throughProxy = true;
    QSslSocket* tls = tlsSocket();
    // The certificate checked and reported is the target's, under the name the user typed.
    tls->setPeerVerifyName(m_host);
    applyTlsOptions(*tls);
    tls->startClientEncryption();
}

void QtSocketX::noteProxyFailure(quint16 errorCode)
{
    if (!m_route || m_throughProxy)
        return;
    QString why = SocketErrorText(errorCode);
    if (m_tunnelPending)
        why = u"the proxy closed the connection before answering CONNECT"_s;
    else if (m_socket && m_socket->error() != QAbstractSocket::UnknownSocketError)
        why = m_socket->errorString();
    Q_EMIT proxyNote(u"Could not get through proxy "_s + m_route->proxy.display() + u": "_s + why);
}

QSslSocket* QtSocketX::tlsSocket() const
{
    return qobject_cast<QSslSocket*>(m_socket.data());
}

void QtSocketX::onBytesWritten()
{
    if (!m_socket || m_finished)
        return;
    if (m_sent > 0 && !m_moreToSend && bytesToWrite() == 0)
        m_timing.mark(ExchangeTiming::Mark::RequestSent);
    Q_EMIT written();
}

bool QtSocketX::peerReset() const
{
#ifdef Q_OS_LINUX
    if (m_watchDescriptor < 0)
        return false;
    tcp_info info {};
    socklen_t length = sizeof info;
    if (::getsockopt(m_watchDescriptor, IPPROTO_TCP, TCP_INFO, &info, &length) != 0)
        return false;
    // After a FIN the socket waits in CLOSE_WAIT for our close; only a reset (or a dead
    // peer) takes it straight to CLOSE while we still hold it.
    return info.tcpi_state == TCP_CLOSE;
#else
    return false;
#endif
}

void QtSocketX::closeWatch()
{
#ifdef Q_OS_LINUX
    if (m_watchDescriptor >= 0) {
        ::close(m_watchDescriptor);
        m_watchDescriptor = -1;
    }
#endif
}

quint16 QtSocketX::socketErrorCode(QAbstractSocket::SocketError error, const QString& errorString)
{
    using E = QAbstractSocket::SocketError;
    switch (error) {
    case E::RemoteHostClosedError:
        return 0;
    case E::ConnectionRefusedError:
    case E::ProxyConnectionRefusedError:
        return SocketError::Refused;
    case E::HostNotFoundError:
    case E::ProxyNotFoundError:
        return SocketError::HostNotFound;
    case E::SocketAccessError:
    case E::ProxyAuthenticationRequiredError:
        return SocketError::Access;
    case E::SocketResourceError:
        return SocketError::TooManyFiles;
    case E::SocketTimeoutError:
    case E::ProxyConnectionTimeoutError:
        return SocketError::TimedOut;
    case E::DatagramTooLargeError:
        return SocketError::MessageSize;
    case E::NetworkError:
        if (isEngineText(errorString, "Connection timed out"))
            return SocketError::TimedOut;
        if (isEngineText(errorString, "Network unreachable"))
            return SocketError::NetworkUnreachable;
        if (isEngineText(errorString, "Host unreachable"))
            return SocketError::HostUnreachable;
        if (isEngineText(errorString, "Address already in use"))
            return SocketError::AddressInUse;
        return SocketError::NetworkDown;
    case E::AddressInUseError:
        return SocketError::AddressInUse;
    case E::SocketAddressNotAvailableError:
        return SocketError::AddressNotAvailable;
    case E::UnsupportedSocketOperationError:
    case E::UnfinishedSocketOperationError:
    case E::SslInvalidUserDataError:
        return SocketError::Invalid;
    case E::OperationError:
        return SocketError::NotConnected;
    case E::TemporaryError:
        return SocketError::WouldBlock;
    case E::ProxyConnectionClosedError:
        return SocketError::Reset;
    case E::SslHandshakeFailedError:
    case E::SslInternalError:
    case E::ProxyProtocolError:
    case E::UnknownSocketError:
        return SocketError::Aborted;
    }
    return SocketError::Aborted;
}

qint32 QtSocketX::certErrorCode(QSslError::SslError error)
{
    using E = QSslError::SslError;
    switch (error) {
    case E::NoError:
        return 0;
    case E::HostNameMismatch:
        return CertError::CNNoMatch;
    case E::CertificateExpired:
    case E::CertificateNotYetValid:
        return CertError::Expired;
    case E::SelfSignedCertificate:
    case E::SelfSignedCertificateInChain:
    case E::UnableToGetIssuerCertificate:
    case E::UnableToGetLocalIssuerCertificate:
    case E::UnableToVerifyFirstCertificate:
    case E::CertificateUntrusted:
    case E::CertificateRejected:
        return CertError::UntrustedRoot;
    case E::CertificateRevoked:
        return CertError::Revoked;
    case E::InvalidPurpose:
        return CertError::Purpose;
    case E::PathLengthExceeded:
        return CertError::PathLenConst;
    case E::InvalidNotBeforeField:
    case E::InvalidNotAfterField:
    case E::UnableToDecodeIssuerPublicKey:
        return CertError::Malformed;
    case E::CertificateSignatureFailed:
    case E::UnableToDecryptCertificateSignature:
        return CertError::TrustFail;
    case E::InvalidCaCertificate:
        return CertError::Chaining;
    case E::SubjectIssuerMismatch:
    case E::AuthorityIssuerSerialNumberMismatch:
        return CertError::IssuerChaining;
    case E::NoPeerCertificate:
        return CertError::NotRead;
    default:
        return CertError::UnknownError;
    }
}

qint32 QtSocketX::certErrorCode(const QList<QSslError>& errors)
{
    return certErrorCodes(errors).value(0);
}

QList<qint32> QtSocketX::certErrorCodes(const QList<QSslError>& errors)
{
    const auto rank = [](qint32 code) {
        return std::find(kCertErrorRank.begin(), kCertErrorRank.end(), code)
            - kCertErrorRank.begin();
    };
    QList<qint32> codes;
    for (const QSslError& e : errors) {
        const qint32 code = certErrorCode(e.error());
        if (code != CertError::NoError && !codes.contains(code))
            codes.append(code);
    }
    std::stable_sort(codes.begin(), codes.end(),
                     [&](qint32 a, qint32 b) { return rank(a) < rank(b); });
    return codes;
}

QString QtSocketX::distinguishedName(const QSslCertificate& certificate, bool issuer)
{
    if (certificate.isNull())
        return {};
    const QList<QByteArray> present
        = issuer ? certificate.issuerInfoAttributes() : certificate.subjectInfoAttributes();
    // Most specific first, as certificate viewers show it; unusual attributes follow.
    QList<QByteArray> order {
        "CN"_ba, "OU"_ba, "O"_ba, "L"_ba, "ST"_ba, "C"_ba, "emailAddress"_ba
    };
    order.removeIf([&present](const QByteArray& a) { return !present.contains(a); });
    for (const QByteArray& a : present) {
        if (!order.contains(a))
            order.append(a);
    }
    QStringList parts;
    for (const QByteArray& attribute : order) {
        const QStringList values
            = issuer ? certificate.issuerInfo(attribute) : certificate.subjectInfo(attribute);
        for (const QString& value : values)
            parts.append(QString::fromLatin1(attribute) + u'=' + quoteAttribute(value));
    }
    return parts.join(u", "_s);
}

void QtSocketX::applyTlsOptions(QSslSocket& tls)
{
    if (!m_tlsOptions || (m_tlsOptions->certificate.isNull() && m_tlsOptions->extraCas.isEmpty()))
        return;
    QSslConfiguration configuration = tls.sslConfiguration();
    if (!m_tlsOptions->certificate.isNull()) {
        configuration.setLocalCertificateChain(QList { m_tlsOptions->certificate }
                                               + m_tlsOptions->chain);
        configuration.setPrivateKey(m_tlsOptions->key);
    }
    if (!m_tlsOptions->extraCas.isEmpty()) {
        // Setting CAs ends Qt's loading of the system's on demand, so they are named too.
        configuration.setCaCertificates(configuration.caCertificates()
                                        + QSslConfiguration::systemCaCertificates()
                                        + m_tlsOptions->extraCas);
    }
    tls.setSslConfiguration(configuration);
}

void QtSocketX::onAlertReceived(QSsl::AlertLevel level, QSsl::AlertType type,
                                const QString& description)
{
    if (level != QSsl::AlertLevel::Fatal || !m_tlsFailure.isEmpty())
        return;
    const bool identitySet = m_tlsOptions && !m_tlsOptions->certificate.isNull();
    switch (type) {
    case QSsl::AlertType::CertificateRequired:
        m_tlsFailure = identitySet
            ? u"The server refused the client certificate (alert: %1)"_s.arg(description)
            : u"The server asked for a client certificate and none was set"_s;
        return;
    case QSsl::AlertType::HandshakeFailure:
        // Before TLS 1.3 a server that wants a certificate and gets none says only this.
        if (!identitySet) {
            m_tlsFailure = u"The server ended the handshake (alert: %1); it may want a client "
                           "certificate, and none was set"_s.arg(description);
            return;
        }
        break;
    case QSsl::AlertType::BadCertificate:
    case QSsl::AlertType::UnsupportedCertificate:
    case QSsl::AlertType::CertificateRevoked:
    case QSsl::AlertType::CertificateExpired:
    case QSsl::AlertType::CertificateUnknown:
    case QSsl::AlertType::UnknownCa:
    case QSsl::AlertType::AccessDenied:
        if (identitySet) {
            m_tlsFailure
                = u"The server refused the client certificate (alert: %1)"_s.arg(description);
            return;
        }
        break;
    default:
        break;
    }
    m_tlsFailure = u"The server ended the connection (alert: %1)"_s.arg(description);
}
