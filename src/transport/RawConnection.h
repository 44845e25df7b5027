#pragma once

#include "shell/Result.h"
#include "transport/ProxyChoice.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class ClientTls;
class HTTPRequest;
class SocketX;

// One connection for requests sent as a sequence or in a synchronised group: connects as an
// exchange does, takes the server's certificate whatever it is (naming its problems in the
// log, as an exchange does), and passes on every received chunk unchanged. All events arrive
// through the event loop after open returns.
class RawConnection final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RawConnection)

public:
    explicit RawConnection(QObject* parent = nullptr);
    ~RawConnection() override;

    // The proxy of later opens and why it was chosen (logged by each); unset: straight to the
    // server. A plain request through an HTTP proxy must carry what ApplyProxyToRequest sets.
    void setProxy(const std::optional<ProxyChoice>& choice) { m_proxyChoice = choice; }
    // The client identities and extra CAs of later TLS opens; null for none. tls must outlive
    // the connection.
    void setClientTls(ClientTls* tls) { m_clientTls = tls; }

    // Starts connecting to request's host, port and TLS setting; fails at once when they are
    // unusable (nothing follows then).
    Result open(const HTTPRequest& request);
    // Queues bytes for the wire and pushes them towards the network without waiting for the
    // event loop; fails when the connection is not open.
    Result write(const QByteArray& bytes);
    // Bytes written and not yet gone to the network.
    qint64 pending() const;
    // Closes at once; no event follows. Harmless when closed.
    void close();
    bool isOpen() const { return bool(m_socket); }

Q_SIGNALS:
    // Connected (after the TLS handshake) and ready for writing.
    void connected();
    // Some written bytes went to the network.
    void drained();
    // One received chunk, byte for byte.
    void arrived(const QByteArray& chunk);
    // The peer closed the connection normally; everything it sent arrived before.
    void closedByPeer();
    // Connecting, sending or receiving failed; the connection is closed.
    void failed(const QString& message);
    // A line for the log (certificate details, without a leading space).
    void logLine(const QString& line);

private:
    void onSendReady(quint16 errorCode);
    void onReceive(quint16 errorCode);
    void onClosed(quint16 errorCode);
    void onCertificate(const QString& subject, const QString& issuer, const QString& caSubject,
                       const QString& caIssuer, qint32 certError, bool* cancel);
    void fail(const QString& message);

    std::unique_ptr<SocketX> m_socket;
    std::optional<ProxyChoice> m_proxyChoice;
    ClientTls* m_clientTls = nullptr;
    QString m_clientCertificateName;
};

// The whole of request as it goes on the wire (head and body) into bytes; fails when a body
// file is missing or changed, or when the request is larger than maxBytes.
Result ReadRequestBytes(const HTTPRequest& request, qint64 maxBytes, QByteArray& bytes);
