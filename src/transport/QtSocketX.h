#pragma once

#include "transport/SocketX.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QSsl>
#include <QSslError>

#include <optional>

class QHostInfo;
class QSslCertificate;
class QSslSocket;
class QTcpSocket;

// SocketX over QSslSocket. Errors are reported as Windows-sockets codes, certificate
// problems as CertError values; a connection reset by the peer is told apart from a
// normal close (on Linux; elsewhere every end of stream counts as a normal close).
class QtSocketX final : public SocketX
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtSocketX)

public:
    explicit QtSocketX(QObject* parent = nullptr);
    ~QtSocketX() override;

    // "Qt <version> QSslSocket, <TLS library and version>"; the library is named once a
    // secure connection has loaded it, so plain exchanges never load it.
    QString description() const override;
    // Fails when turning TLS on and no TLS library can be loaded.
    Result setSecure(bool on) override;
    // Never fails; drops the previous socket without events.
    Result createSocket() override;
    // Fails on an empty or all-blank name.
    Result setRemoteHost(const QString& host) override;
    // Fails outside 1..65535.
    Result setRemotePort(int port) override;
    // Qt verifies against the system's trusted CAs; the name is kept for completeness.
    Result setCertificateStore(const QString& name) override;
    // Kept for the next createSocket.
    Result setProxyRoute(const std::optional<ProxyRoute>& route) override;
    // Fails without a socket, host or port; the connection starts from the event loop.
    Result connectToRemote() override;

    // Takes everything that is buffered.
    QByteArray receive() override;
    // Bytes taken so far plus those waiting.
    qint64 bytesReceived() const override;
    // Fails when not connected or when Qt refuses the data.
    Result send(const QByteArray& data, bool more = false) override;
    void flush() override;
    // Bytes accepted by send.
    qint64 bytesSent() const override;
    // Plain bytes still buffered, and for TLS the encrypted ones too.
    qint64 bytesToWrite() const override;
    // Aborts the connection; no event follows.
    void close() override;
    // Each distinct problem of the peer's certificate, gravest first.
    QList<qint32> certificateErrors() const override { return m_certErrors; }

    // Marks taken at the socket's events since connectToRemote.
    ExchangeTiming timing() const override { return m_timing; }
    // Built when the certificate is reported.
    QString tlsReport() const override { return m_tlsReport; }
    // Connects to these addresses, in order, instead of looking the host up; the host
    // name still names the server to TLS. An empty list looks the host up again.
    void setAddresses(const QList<QHostAddress>& addresses) { m_fixedAddresses = addresses; }

    // Applied to each TLS connection from the next one on.
    void setTlsOptions(const TlsOptions& options) override { m_tlsOptions = options; }
    // The server's fatal alert or the TLS library's refusal of the client identity.
    QString tlsFailure() const override { return m_tlsFailure; }

    // The Windows-sockets code for a Qt socket error; errorString tells apart the kinds
    // Qt folds into NetworkError. RemoteHostClosedError gives 0 (reset detection is separate).
    static quint16 socketErrorCode(QAbstractSocket::SocketError error, const QString& errorString);
    // The CertError value for one TLS error; anything unknown gives 18 (UnknownError).
    static qint32 certErrorCode(QSslError::SslError error);
    // The CertError value reported for a set of TLS errors (the gravest), 0 for none.
    static qint32 certErrorCode(const QList<QSslError>& errors);
    // The distinct CertError values of a set of TLS errors, gravest first.
    static QList<qint32> certErrorCodes(const QList<QSslError>& errors);
    // A readable distinguished name, "CN=..., OU=..., O=..., L=..., ST=..., C=...".
    static QString distinguishedName(const QSslCertificate& certificate, bool issuer);

private:
    void startConnecting();
    void onConnected();
    void onEncrypted();
    void onSslErrors(const QList<QSslError>& errors);
    void onReadyRead();
    // Announces the waiting bytes from the event loop, once however often it is asked.
    void queueReceive();
    bool probeEndOfStream();
    void onErrorOccurred(QAbstractSocket::SocketError error);
    void onDisconnected();
    bool reportCertificate(qint32 certError);
    void finish(quint16 errorCode);
    bool peerReset() const;
    void dropSocket();
    void closeWatch();
    void onLookedUp(const QHostInfo& info);
    void connectToNextAddress();
    void onBytesWritten();

    QSslSocket* tlsSocket() const;

    void startTunnel();
    void readConnectAnswer();
    void noteProxyFailure(quint16 errorCode);

    // A QSslSocket only for secure connections: creating one loads the TLS library.
    QPointer<QTcpSocket> m_socket;
    QString m_host;
    int m_port = 0;
    QString m_certificateStore;
    QList<qint32> m_certErrors;
    bool m_secure = false;
    bool m_certificateReported = false;
    bool m_handshakeDone = false;
    bool m_finished = false;
    bool m_receiveQueued = false;
    bool m_moreToSend = false;
    // A byte read while looking for the end of a plain stream, owed to the next receive().
    QByteArray m_probed;
    qint64 m_taken = 0;
    static constexpr qint64 kLargestRead = 4 * 1024 * 1024;
    qint64 m_readCap = kLargestRead; // the most one receive() takes
    qint64 m_sent = 0;
    int m_watchDescriptor = -1;

    // Each resolved address is tried in turn until one connects.
    QList<QHostAddress> m_fixedAddresses;
    QList<QHostAddress> m_addresses;
    qsizetype m_nextAddress = 0;
    bool m_tcpConnected = false;
    ExchangeTiming m_timing;
    QString m_tlsReport;

    void applyTlsOptions(QSslSocket& tls);
    void onAlertReceived(QSsl::AlertLevel level, QSsl::AlertType type, const QString& description);
    // Engaged only when set: a certificate object, even a null one, loads the TLS library,
    // which a plain connection never needs.
    std::optional<TlsOptions> m_tlsOptions;
    QString m_tlsFailure;
    std::optional<ProxyRoute> m_route;
    // Set once the proxy has been passed: connected to it (plain HTTP, SOCKS) or tunnel open.
    bool m_throughProxy = false;
    bool m_tunnelPending = false;
    ConnectAnswer m_connectAnswer;
};
