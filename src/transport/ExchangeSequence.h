#pragma once

#include "message/HTTPRequest.h"
#include "message/ResponseSplitter.h"
#include "transport/ProxyChoice.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class ClientTls;
class RawConnection;

// Several requests on one connection, to the first request's host, port and TLS setting: in
// turn (each written once the response before it is complete) or pipelined (all written at
// once, in a single write). The responses are split by the framing rule, each kept byte for
// byte; bytes that belong to no response are kept as leftover and named in the log. Events
// arrive through the event loop after start returns.
class ExchangeSequence final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExchangeSequence)

public:
    enum class Mode { InTurn, Pipelined };

    // Requests in one sequence at most.
    static constexpr int kMaxRequests = 100;
    // Bytes of all requests of a sequence together at most; they are read whole before sending.
    static constexpr qint64 kMaxBytes = 64LL << 20;
    // After the last response, how long the connection is still read for stray bytes.
    static constexpr int kLingerMs = 300;

    explicit ExchangeSequence(QObject* parent = nullptr);
    ~ExchangeSequence() override;

    // The proxy of later sequences and why it was chosen; unset: straight to the server. Plain
    // requests through an HTTP proxy must carry what ApplyProxyToRequest sets.
    void setProxy(const std::optional<ProxyChoice>& choice) { m_proxyChoice = choice; }
    // The client identities and extra CAs of later sequences; null for none. tls must outlive
    // the sequence.
    void setClientTls(ClientTls* tls) { m_clientTls = tls; }

    // Starts sending requests in mode. Bad input (no request, too many, too large, a body file
    // that cannot be read, an unusable host or port) ends in finished(false) before this
    // returns, with the reason in the log; nothing is sent then.
    void start(const QList<HTTPRequest>& requests, Mode mode);
    // Ends the sequence now (finished(false)); harmless when none is running.
    void cancel();
    bool isRunning() const { return m_running; }

    // The requests as sent, and the responses begun so far, in order.
    const QList<HTTPRequest>& requests() const { return m_requests; }
    QList<ResponseSplitter::Response> responses() const;
    // Bytes received that belong to no response, and why; empty when there are none.
    QByteArray leftover() const;
    QString leftoverReason() const;
    // Every log line, without a leading space.
    const QStringList& logLines() const { return m_log; }

Q_SIGNALS:
    // A line was added to the log.
    void logLine(const QString& line);
    // Received bytes, in arrival order, exactly as received.
    void dataArrived(const QByteArray& chunk);
    // Response index (from 0) is complete; raised in order.
    void responseComplete(int index);
    // The sequence ended; completed when every response came whole.
    void finished(bool completed);

private:
    void onConnected();
    void onArrived(const QByteArray& chunk);
    void onClosedByPeer();
    void onFailed(const QString& message);
    void writeRequest(int index);
    void finish(bool completed);
    void log(const QString& line);

    std::unique_ptr<RawConnection> m_connection;
    std::unique_ptr<ResponseSplitter> m_splitter;
    QList<HTTPRequest> m_requests;
    QList<QByteArray> m_bytes;
    Mode m_mode = Mode::InTurn;
    int m_written = 0;
    bool m_running = false;
    QTimer m_linger;
    QStringList m_log;
    std::optional<ProxyChoice> m_proxyChoice;
    ClientTls* m_clientTls = nullptr;
};
