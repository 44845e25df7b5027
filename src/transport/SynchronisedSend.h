#pragma once

#include "message/HTTPRequest.h"
#include "message/ResponseSplitter.h"
#include "transport/ProxyChoice.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class ClientTls;
class RawConnection;

// Requests sent together for race tests: each on a connection of its own, written up to but
// not including its last byte; once every connection has taken that much, all last bytes are
// released at once and the log gives the spread between the first and the last release. Each
// connection's response is kept separately, framed like any other. Events arrive through the
// event loop after start returns.
class SynchronisedSend final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SynchronisedSend)

public:
    // Connections in one synchronised send at most.
    static constexpr int kMaxConnections = 50;
    // Bytes of one request at most; each is read whole before sending.
    static constexpr qint64 kMaxRequestBytes = 16LL << 20;

    explicit SynchronisedSend(QObject* parent = nullptr);
    ~SynchronisedSend() override;

    // The proxy of each later request's connection, by index, and why it was chosen; a request
    // beyond the list goes straight to the server. Plain requests through an HTTP proxy must carry
    // what ApplyProxyToRequest sets.
    void setProxies(const QList<ProxyChoice>& choices) { m_proxyChoices = choices; }
    // The client identities and extra CAs of later connections; null for none. tls must outlive
    // the send.
    void setClientTls(ClientTls* tls) { m_clientTls = tls; }

    // Starts sending requests, one connection each. Bad input (fewer than 1 or more than
    // kMaxConnections requests, one too large or with an unreadable body file, an unusable
    // host or port) ends in finished(false) before this returns, with the reason in the log.
    void start(const QList<HTTPRequest>& requests);
    // Ends every connection now (finished(false)); harmless when none is running.
    void cancel();
    bool isRunning() const { return m_running; }

    const QList<HTTPRequest>& requests() const { return m_requests; }
    // The response on connection index; incomplete when it failed or was cut short.
    ResponseSplitter::Response response(int index) const;
    // Bytes received on connection index after its response.
    QByteArray leftover(int index) const;
    // Nanoseconds between the first and the last release; -1 before the release.
    qint64 spreadNs() const { return m_spreadNs; }
    // Every log line, without a leading space.
    const QStringList& logLines() const { return m_log; }

Q_SIGNALS:
    // A line was added to the log.
    void logLine(const QString& line);
    // The response on connection index ended (complete or not).
    void responseEnded(int index);
    // Every connection ended; completed when every response came whole.
    void finished(bool completed);

private:
    struct Link;

    void onConnected(int index);
    void onDrained(int index);
    void onArrived(int index, const QByteArray& chunk);
    void onClosed(int index);
    void onFailed(int index, const QString& message);
    void releaseWhenPrimed();
    void endLink(int index);
    void finish(bool completed);
    void log(const QString& line);

    QList<HTTPRequest> m_requests;
    std::vector<std::unique_ptr<Link>> m_links;
    bool m_running = false;
    bool m_released = false;
    qint64 m_spreadNs = -1;
    QStringList m_log;
    QList<ProxyChoice> m_proxyChoices;
    ClientTls* m_clientTls = nullptr;
};
