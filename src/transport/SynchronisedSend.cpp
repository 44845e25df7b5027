#include "transport/SynchronisedSend.h"

#include "transport/RawConnection.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

struct SynchronisedSend::Link
{
    enum class Stage { Connecting, Priming, Primed, Released, Ended };

    explicit Link(bool head)
        : splitter({ head })
    { }

    std::unique_ptr<RawConnection> connection = std::make_unique<RawConnection>();
    QByteArray bytes;
    ResponseSplitter splitter;
    Stage stage = Stage::Connecting;
};

SynchronisedSend::SynchronisedSend(QObject* parent)
    : QObject(parent)
{ }

SynchronisedSend::~SynchronisedSend() = default;

void SynchronisedSend::log(const QString& line)
{
    m_log.append(line);
    Q_EMIT logLine(line);
}

void SynchronisedSend::start(const QList<HTTPRequest>& requests)
{
    cancel();
    m_log.clear();
    // A handler of the last run's events may be starting this one.
    for (std::unique_ptr<Link>& link : m_links)
        link->connection.release()->deleteLater();
    m_links.clear();
    m_requests = requests;
    m_released = false;
    m_spreadNs = -1;
    m_running = true;
    if (requests.isEmpty() || requests.size() > kMaxConnections) {
        log(u"[ERROR] A synchronised send uses 1 to %1 connections, not %2"_s.arg(
            QString::number(kMaxConnections), QString::number(requests.size())));
        finish(false);
        return;
    }
    for (const HTTPRequest& request : requests) {
        auto link = std::make_unique<Link>(request.Method() == "HEAD"_L1);
        if (const Result read = ReadRequestBytes(request, kMaxRequestBytes, link->bytes); !read) {
            log(u"[ERROR] Request %1: "_s.arg(m_links.size() + 1) + read.text);
            finish(false);
            return;
        }
        m_links.push_back(std::move(link));
    }
    log(u"Opening %1 connections; each request is held back by its last byte"_s.arg(
        requests.size()));
    for (int i = 0; i < int(m_links.size()); ++i) {
        RawConnection* connection = m_links[size_t(i)]->connection.get();
        if (i < m_proxyChoices.size())
            connection->setProxy(m_proxyChoices.at(i));
        connection->setClientTls(m_clientTls);
        connect(connection, &RawConnection::connected, this, [this, i] { onConnected(i); });
        connect(connection, &RawConnection::drained, this, [this, i] { onDrained(i); });
        connect(connection, &RawConnection::arrived, this,
                [this, i](const QByteArray& chunk) { onArrived(i, chunk); });
        connect(connection, &RawConnection::closedByPeer, this, [this, i] { onClosed(i); });
        connect(connection, &RawConnection::failed, this,
                [this, i](const QString& message) { onFailed(i, message); });
        connect(connection, &RawConnection::logLine, this,
                [this, i](const QString& line) { log(u"Connection %1: "_s.arg(i + 1) + line); });
    }
    for (int i = 0; i < int(m_links.size()) && m_running; ++i) {
        if (const Result opened = m_links[size_t(i)]->connection->open(requests.at(i)); !opened) {
            log(u"[ERROR] Connection %1: "_s.arg(i + 1) + opened.text);
            cancel();
        }
    }
}

void SynchronisedSend::onConnected(int index)
{
    Link& link = *m_links[size_t(index)];
    link.stage = Link::Stage::Priming;
    if (const Result sent = link.connection->write(link.bytes.chopped(1)); !sent) {
        onFailed(index, sent.text);
        return;
    }
    onDrained(index);
}

void SynchronisedSend::onDrained(int index)
{
    Link& link = *m_links[size_t(index)];
    if (link.stage != Link::Stage::Priming || link.connection->pending() > 0)
        return;
    link.stage = Link::Stage::Primed;
    releaseWhenPrimed();
}

void SynchronisedSend::releaseWhenPrimed()
{
    int primed = 0;
    for (const std::unique_ptr<Link>& link : m_links) {
        if (link->stage == Link::Stage::Connecting || link->stage == Link::Stage::Priming)
            return;
        primed += link->stage == Link::Stage::Primed;
    }
    if (m_released || primed == 0)
        return;
    m_released = true;
    // Nothing else runs between the releases: each last byte goes to the kernel in turn.
    QElapsedTimer clock;
    qint64 first = -1;
    qint64 last = 0;
    clock.start();
    for (const std::unique_ptr<Link>& link : m_links) {
        if (link->stage != Link::Stage::Primed)
            continue;
        const Result sent = link->connection->write(link->bytes.right(1));
        last = clock.nsecsElapsed();
        if (first < 0)
            first = last;
        if (sent)
            link->stage = Link::Stage::Released;
    }
    m_spreadNs = last - first;
    log(u"Released the last bytes of %1 requests within %2 ms"_s.arg(
        QString::number(primed), QString::number(double(m_spreadNs) / 1e6, 'f', 3)));
    for (int i = 0; i < int(m_links.size()); ++i)
        if (m_links[size_t(i)]->stage == Link::Stage::Primed)
            onFailed(i, u"The last byte could not be written"_s);
}

void SynchronisedSend::onArrived(int index, const QByteArray& chunk)
{
    Link& link = *m_links[size_t(index)];
    link.splitter.feed(chunk);
    if (link.splitter.done())
        endLink(index);
}

void SynchronisedSend::onClosed(int index)
{
    Link& link = *m_links[size_t(index)];
    link.splitter.close();
    endLink(index);
}

void SynchronisedSend::onFailed(int index, const QString& message)
{
    log(u"[ERROR] Connection %1: "_s.arg(index + 1) + message);
    endLink(index);
}

void SynchronisedSend::endLink(int index)
{
    Link& link = *m_links[size_t(index)];
    if (link.stage == Link::Stage::Ended)
        return;
    const bool beforeRelease = link.stage != Link::Stage::Released;
    link.stage = Link::Stage::Ended;
    link.connection->close();
    const ResponseSplitter::Response answer = response(index);
    if (answer.complete)
        log(u"Connection %1: response complete (status %2, %3 bytes)%4"_s.arg(
            QString::number(index + 1), QString::number(answer.statusCode),
            QString::number(answer.bytes.size()),
            beforeRelease ? u", before the release"_s : QString()));
    else if (!answer.problem.isEmpty())
        log(u"Connection %1: "_s.arg(index + 1) + answer.problem);
    if (!link.splitter.leftover().isEmpty())
        log(u"Connection %1: %2 bytes left over (%3)"_s.arg(
            QString::number(index + 1), QString::number(link.splitter.leftover().size()),
            link.splitter.leftoverReason()));
    Q_EMIT responseEnded(index);
    if (!m_running)
        return;
    bool allEnded = true;
    bool allComplete = true;
    for (const std::unique_ptr<Link>& other : m_links) {
        allEnded = allEnded && other->stage == Link::Stage::Ended;
        allComplete = allComplete && other->splitter.completeCount() == 1;
    }
    if (allEnded)
        finish(allComplete);
    else
        releaseWhenPrimed();
}

void SynchronisedSend::cancel()
{
    if (!m_running)
        return;
    for (const std::unique_ptr<Link>& link : m_links)
        link->connection->close();
    finish(false);
}

void SynchronisedSend::finish(bool completed)
{
    if (!m_running)
        return;
    m_running = false;
    Q_EMIT finished(completed);
}

ResponseSplitter::Response SynchronisedSend::response(int index) const
{
    if (index < 0 || size_t(index) >= m_links.size()
        || m_links[size_t(index)]->splitter.responses().isEmpty())
        return {};
    return m_links[size_t(index)]->splitter.responses().constFirst();
}

QByteArray SynchronisedSend::leftover(int index) const
{
    if (index < 0 || size_t(index) >= m_links.size())
        return {};
    return m_links[size_t(index)]->splitter.leftover();
}
