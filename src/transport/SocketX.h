#pragma once

#include "shell/Result.h"
#include "transport/ClientIdentity.h"
#include "transport/ExchangeTiming.h"
#include "transport/ProxyTunnel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// An asynchronous TCP socket with optional TLS, the only way the transport reaches the
// network. Configure it (secure flag, create, host, port, certificate store), connect, then
// react to its events; all of them arrive through the event loop after connect returns.
class SocketX : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SocketX)

public:
    explicit SocketX(QObject* parent = nullptr)
        : QObject(parent)
    { }
    ~SocketX() override = default;

    // A short text naming the socket layer.
    virtual QString description() const = 0;

    // Turns TLS on or off for the next connection; fails when TLS is not available.
    virtual Result setSecure(bool on) = 0;
    // Makes a fresh socket ready to be configured, dropping any earlier one.
    virtual Result createSocket() = 0;
    // Sets the host name or address, resolved when connecting; fails on an empty name.
    virtual Result setRemoteHost(const QString& host) = 0;
    // Sets the remote port; fails outside 1..65535.
    virtual Result setRemotePort(int port) = 0;
    // Names the local certificate store for the TLS handshake; fails on an empty name.
    virtual Result setCertificateStore(const QString& name) = 0;
    // Routes the next connection through a proxy, or straight to the host when route is empty
    // (the default); set before createSocket. A socket layer without proxies fails on a route.
    virtual Result setProxyRoute(const std::optional<ProxyRoute>& route)
    {
        return route ? Result::failure(QStringLiteral("This socket layer cannot use a proxy."))
                     : Result::success();
    }
    // Starts connecting and returns at once; fails when host or port is missing.
    virtual Result connectToRemote() = 0;

    // Everything received and not yet taken; empty when nothing is pending.
    virtual QByteArray receive() = 0;
    // Running total of bytes received, including those not yet taken.
    virtual qint64 bytesReceived() const = 0;
    // Queues data for sending; fails when the socket is not connected. more tells that
    // further data of the same request follows, so the request is not yet sent.
    virtual Result send(const QByteArray& data, bool more = false) = 0;
    // Running total of bytes handed to send.
    virtual qint64 bytesSent() const = 0;
    // Bytes handed to send that have not yet gone to the network.
    virtual qint64 bytesToWrite() const { return 0; }
    // Closes the connection at once; no event follows. Harmless when already closed.
    virtual void close() = 0;
    // Every CertError value found in the last certificate reported, gravest first; empty when
    // it had none or the socket tells only the one in certificateInfo.
    virtual QList<qint32> certificateErrors() const { return {}; }

    // The phases of the current connection as far as it got; a socket layer that does
    // not measure gives an empty record.
    virtual ExchangeTiming timing() const { return {}; }
    // Extra lines on the TLS session and the server's certificates, each starting with
    // CR LF, ready when certificateInfo is raised; empty for plain connections.
    virtual QString tlsReport() const { return {}; }

    // Pushes bytes handed to send towards the network now, without waiting for the event
    // loop, as far as the socket takes them without blocking; a socket layer that cannot
    // leaves them to the loop.
    virtual void flush() { }
    // For the next TLS connection: the client identity to present and the CAs trusted beside
    // the system's. Plain connections ignore it.
    virtual void setTlsOptions(const TlsOptions& options) { Q_UNUSED(options) }
    // Why the last TLS connection failed, in words (the server's alert, a key that does not
    // fit its certificate); empty when it did not or the socket cannot tell.
    virtual QString tlsFailure() const { return {}; }

Q_SIGNALS:
    // The server's certificate of a TLS connection, before sendReady. certError is 0 when
    // the certificate is valid. *cancel starts true when certError is not 0 and false
    // otherwise; the handshake proceeds only when *cancel is false after the handlers ran.
    void certificateInfo(const QString& subject, const QString& issuer, const QString& caSubject,
                         const QString& caIssuer, qint32 certError, bool* cancel);
    // Connected and ready for data (errorCode 0), or the connection failed.
    void sendReady(quint16 errorCode);
    // Some of the bytes handed to send went to the network; bytesToWrite tells what is left.
    void written();
    // Data is waiting to be taken with receive (errorCode 0), or receiving failed.
    void receiveReady(quint16 errorCode);
    // The peer closed the connection normally (0) or it failed (a Windows-sockets code).
    // Data still pending is announced with receiveReady first.
    void closed(quint16 errorCode);
    // A step on the way through a proxy, for the log: the CONNECT request and the proxy's answer,
    // or why the proxy could not be passed.
    void proxyNote(const QString& line);
    // The proxy answered CONNECT with anything but 2xx: its answer as received and a message.
    // The socket is finished; no other event follows.
    void proxyRefused(const QByteArray& answer, const QString& message);
};

// Closes a socket and deletes it once the event being handled is over: the socket may be the
// sender of that event. receiver's connections to it go first, so nothing of it arrives after.
inline void CloseSocketLater(std::unique_ptr<SocketX>& socket, QObject* receiver)
{
    if (!socket)
        return;
    SocketX* released = socket.release();
    released->disconnect(receiver);
    released->close();
    released->deleteLater();
}
