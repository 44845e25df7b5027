#pragma once

#include "message/ResponseFraming.h"
#include "transport/ConnectionPool.h"
#include "transport/ProxyTunnel.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class BodySource;
class ClientTls;
class HTTPRequest;
class QTimer;
class SocketX;

// One request/response exchange over a SocketX: connects, writes the request when the
// socket is ready, passes every received chunk on unchanged and ends in Done, ErrorOccured
// or Cancelled. A request that does not ask to close ends at the end of its response instead of
// the close and leaves the connection in connections() for the next exchange to the same place.
// Keeps the progress log, byte counters and button caption that ctrlHTTP
// shows. Everything happens in event handlers after Execute returns.
class Exchange final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Exchange)

public:
    enum class State { Idle, Connecting, Transferring, Failed };
    // Which time limit ended the last exchange, if one did.
    enum class TimeLimit { None, Connect, Total };

    explicit Exchange(QObject* parent = nullptr);
    ~Exchange() override;

    // Starts an exchange for request, which must outlive it. Set-up failures end in the
    // failure path before this returns; nothing else is raised before it returns.
    void Execute(HTTPRequest& request);
    // The button: while connecting or transferring it cancels the exchange (Cancelled); after
    // a failure it acknowledges it (HideMe); otherwise it does nothing.
    void pressButton();

    // Limits for every later exchange, in milliseconds, 0 for none: connecting (the TLS
    // handshake included) and the whole exchange. One that runs out ends the exchange in the
    // failure path with a message naming it.
    void setTimeLimits(qint64 connectMs, qint64 totalMs);
    // The proxy for every later exchange and why it was chosen (logged by each); a request going
    // to an HTTP proxy in plain text must carry what ApplyProxyToRequest sets for choice.
    void setProxy(const ProxyChoice& choice) { m_proxyChoice = choice; }
    // The names of every problem of the last certificate reported, gravest first (see
    // CertErrorName); empty when it had none.
    const QStringList& certificateProblems() const { return m_certProblems; }
    // The limit that ended the last exchange; None when none did.
    TimeLimit timedOut() const { return m_timedOut; }

    // The client identities and extra CAs of later TLS connections, by target; null for none.
    // tls must outlive the exchange. A file that cannot be used fails the exchange before it
    // connects.
    void setClientTls(ClientTls* tls) { m_clientTls = tls; }
    ClientTls* clientTls() const { return m_clientTls; }
    // "CN=<name>" of the client certificate offered on the current connection; empty for none.
    const QString& clientCertificateName() const { return m_clientCertificateName; }

    // The connection kept open between keep-alive exchanges; lives as long as the exchange.
    ConnectionPool& connections() { return m_pool; }
    // Whether the request asks the server to close after its response ("Connection: close").
    static bool asksToClose(const HTTPRequest& request);

    // Every log line, each with its leading space.
    const QStringList& logLines() const { return m_log; }
    // Running totals of the current exchange as the socket reported them; bytes sent count
    // those that went to the network.
    qint64 bytesReceived() const { return m_bytesReceived; }
    qint64 bytesSent() const { return m_bytesSent; }
    // Every byte of the current request: request line, headers and body.
    qint64 bytesToSend() const { return m_bytesToSend; }
    // The totals as the labels show them.
    QString bytesReceivedText() const { return QString::number(m_bytesReceived); }
    // While a request is being written: "<sent> of <total>".
    QString bytesSentText() const;
    // "Cancel" while running, "Ok" after a failure.
    const QString& buttonCaption() const { return m_caption; }
    State state() const { return m_state; }
    // The "Timing: ..." line of the current exchange; empty unless it ended normally.
    QString timingSummary() const;

Q_SIGNALS:
    // Certificate information of a TLS connection, as a block of lines.
    void Info(const QString& text);
    // One received chunk, byte for byte.
    void DataArrived(const QByteArray& chunk);
    // The response is complete: the peer closed normally, or a keep-alive response ended; the
    // exchange neither failed nor was cancelled.
    void Done();
    // The exchange failed; message says how.
    void ErrorOccured(const QString& message);
    // The user cancelled.
    void Cancelled();
    // The user acknowledged a failure.
    void HideMe();

    // A line on the connection itself (reused, kept, closed, retried), also in the log (without
    // the leading space); only requests without "Connection: close" give them.
    void connectionNote(const QString& line);

    // A line on the proxy (which one is used and why, the CONNECT exchange, a failure to pass
    // it), also in the log (without the leading space).
    void proxyNote(const QString& line);

    // For the view: one line appended to the log (with its leading space).
    void logLineAdded(const QString& line);
    // For the view: the log was emptied.
    void logCleared();
    // For the view: a byte counter changed.
    void byteCountersChanged();
    // For the view: the button caption changed.
    void buttonCaptionChanged(const QString& caption);
    // For the view: show the log now (the only explicit refresh, before connecting).
    void repaintRequested();

private:
    void SocketX_Send(quint16 errorCode);
    void sendMore();
    void onWritten();
    void updateBytesSent();
    void SocketX_Receive(quint16 errorCode);
    void SocketX_Close(quint16 errorCode);
    void SocketX_CertificateInfo(const QString& subject, const QString& issuer,
                                 const QString& caSubject, const QString& caIssuer,
                                 qint32 certError, bool* cancel);
    void AddLogLine(const QString& text);
    void noteConnection(const QString& text);
    void appendLine(const QString& line);
    void RaiseFailure(const QString& message);
    void ReleaseSocket();
    void setCaption(const QString& caption);
    bool startConnection();
    void openSocket(std::unique_ptr<SocketX> socket);
    bool frame(const QByteArray& chunk, qsizetype* leftover);
    void endKeptExchange(qsizetype leftover);
    bool retryOnFreshConnection(const QString& why);
    ConnectionPool::Key poolKey() const;
    void stopTimers();
    void onTimeLimit(TimeLimit limit);
    std::optional<ProxyRoute> proxyRoute() const;
    void noteProxy(const QString& line);
    void onProxyRefused(const QByteArray& answer, const QString& message);
    bool failIfProxyRefused();

    HTTPRequest* m_request = nullptr;
    std::unique_ptr<SocketX> m_socket;
    bool m_failed = false;
    bool m_cancelled = false;
    State m_state = State::Idle;
    QString m_caption;
    QStringList m_log;
    QStringList m_certProblems;
    qint64 m_bytesReceived = 0;
    qint64 m_bytesSent = 0;
    qint64 m_bytesToSend = 0;
    // The request's bytes still to be written, read block by block as the socket drains.
    std::unique_ptr<BodySource> m_source;
    bool m_sendQueued = false;
    QTimer* m_connectTimer;
    QTimer* m_totalTimer;
    TimeLimit m_timedOut = TimeLimit::None;

    ConnectionPool m_pool;
    bool m_keepAlive = false;
    bool m_reused = false;
    bool m_retried = false;
    int m_requestsOnConnection = 0;
    qint64 m_receivedBase = 0;
    qint64 m_sentBase = 0;
    std::optional<ProxyChoice> m_proxyChoice;
    // The status line of a plain request's answer from an HTTP proxy that wants credentials.
    QString m_proxyAuthAnswer;
    // Frames the keep-alive response being read; empty once framing gave up.
    std::optional<ResponseFraming> m_framing;

    bool applyClientTls(SocketX& socket);
    QString setupFailure();
    ClientTls* m_clientTls = nullptr;
    QString m_clientCertificateName; // of the connection being made; empty when none is presented
    QString m_setupProblem; // why the connection could not be set up, when it was not the address
};
