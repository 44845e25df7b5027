#include "transport/RawConnection.h"

#include "message/BodySource.h"
#include "message/HTTPRequest.h"
#include "message/PortNumber.h"
#include "transport/ClientIdentity.h"
#include "transport/ProxyTunnel.h"
#include "transport/QtSocketX.h"
#include "transport/Redirect.h"
#include "transport/TransportErrors.h"

using namespace Qt::StringLiterals;

RawConnection::RawConnection(QObject* parent)
    : QObject(parent)
{ }

RawConnection::~RawConnection()
{
    close();
}

Result RawConnection::open(const HTTPRequest& request)
{
    close();
    m_clientCertificateName.clear();
    m_socket = std::make_unique<QtSocketX>();
    SocketX& socket = *m_socket;
    connect(&socket, &SocketX::sendReady, this, &RawConnection::onSendReady);
    connect(&socket, &SocketX::receiveReady, this, &RawConnection::onReceive);
    connect(&socket, &SocketX::closed, this, &RawConnection::onClosed);
    connect(&socket, &SocketX::certificateInfo, this, &RawConnection::onCertificate);
    connect(&socket, &SocketX::written, this, &RawConnection::drained);
    connect(&socket, &SocketX::proxyNote, this, &RawConnection::logLine);
    connect(&socket, &SocketX::proxyRefused, this,
            [this](const QByteArray&, const QString& message) { fail(message); });
    std::optional<ProxyRoute> route;
    if (m_proxyChoice) {
        Q_EMIT logLine(m_proxyChoice->reason);
        if (const std::optional<ProxyServer>& proxy = m_proxyChoice->proxy)
            route = ProxyRoute { *proxy, proxy->kind == ProxyServer::Kind::Http && request.Secure };
    }
    const PortNumber port = ParsePortNumber(request.Port);
    const bool ready = socket.setSecure(request.Secure) && socket.setProxyRoute(route)
        && socket.createSocket() && socket.setRemoteHost(HostForConnect(request.Server)) && port
        && socket.setRemotePort(port.number)
        && (!request.Secure || socket.setCertificateStore(u"MY\\"_s));
    if (!ready) {
        close();
        return Result::failure(u"Generic error, perhaps invalid host name or port"_s);
    }
    if (m_clientTls && request.Secure) {
        TlsOptions options;
        if (const Result prepared
            = m_clientTls->prepare(HostForConnect(request.Server), port.number, options);
            !prepared) {
            close();
            return prepared;
        }
        if (!options.certificate.isNull())
            m_clientCertificateName = ClientCertificateName(options.certificate);
        socket.setTlsOptions(options);
    }
    if (!socket.connectToRemote()) {
        close();
        return Result::failure(u"Generic error, perhaps invalid host name or port"_s);
    }
    return Result::success();
}

Result RawConnection::write(const QByteArray& bytes)
{
    if (!m_socket)
        return Result::failure(u"The socket is not connected."_s);
    const Result sent = m_socket->send(bytes);
    if (sent)
        m_socket->flush();
    return sent;
}

qint64 RawConnection::pending() const
{
    return m_socket ? m_socket->bytesToWrite() : 0;
}

void RawConnection::close()
{
    CloseSocketLater(m_socket, this);
}

void RawConnection::fail(const QString& message)
{
    close();
    Q_EMIT failed(message);
}

void RawConnection::onSendReady(quint16 errorCode)
{
    if (errorCode != SocketError::NoError)
        fail(SocketErrorText(errorCode));
    else
        Q_EMIT connected();
}

void RawConnection::onReceive(quint16 errorCode)
{
    if (errorCode != SocketError::NoError) {
        fail(SocketErrorText(errorCode));
        return;
    }
    const QByteArray chunk = m_socket->receive();
    if (!chunk.isEmpty())
        Q_EMIT arrived(chunk);
}

void RawConnection::onClosed(quint16 errorCode)
{
    if (errorCode != SocketError::NoError) {
        fail(SocketErrorText(errorCode));
        return;
    }
    close();
    Q_EMIT closedByPeer();
}

void RawConnection::onCertificate(const QString& subject, const QString& issuer,
                                  const QString& caSubject, const QString& caIssuer,
                                  qint32 certError, bool* cancel)
{
    Q_EMIT logLine(u"Certificate of "_s + subject + u" issued by "_s + issuer);
    if (!m_clientCertificateName.isEmpty())
        Q_EMIT logLine(u"Client certificate: "_s + m_clientCertificateName);
    if (certError == CertError::NoError)
        return;
    QList<qint32> problems = m_socket->certificateErrors();
    if (!problems.contains(certError))
        problems.prepend(certError);
    for (const qint32 problem : std::as_const(problems))
        Q_EMIT logLine(u"!!Certificate Error!! "_s + CertErrorName(problem));
    Q_UNUSED(caSubject);
    Q_UNUSED(caIssuer);
    // Like a single exchange: reported, never refused.
    if (cancel)
        *cancel = false;
}

Result ReadRequestBytes(const HTTPRequest& request, qint64 maxBytes, QByteArray& bytes)
{
    BodySource source(QList<BodyPiece> { BodyPiece::memory(request.HeadBytes()) }
                      + request.Body.pieces());
    if (source.size() > maxBytes)
        return Result::failure(u"The request is %1 bytes; at most %2 go in a sequence"_s.arg(
            QString::number(source.size()), QString::number(maxBytes)));
    if (const Result ready = source.check(); !ready)
        return ready;
    bytes.clear();
    bytes.reserve(qsizetype(source.size()));
    while (!source.atEnd()) {
        QByteArray block;
        if (const Result read = source.next(maxBytes, block); !read)
            return read;
        bytes.append(block);
    }
    return Result::success();
}
