#include "transport/ExchangeSequence.h"

#include "transport/RawConnection.h"

using namespace Qt::StringLiterals;

namespace {

// Whether a response's head carries "Connection: close": the server closes after it, so a
// request written after it would only meet a reset.
bool asksToClose(const QByteArray& response)
{
    const qsizetype end = response.indexOf("\r\n\r\n");
    for (const QByteArray& line : response.left(end < 0 ? 0 : end).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed().compare("connection", Qt::CaseInsensitive))
            continue;
        for (const QByteArray& token : line.mid(colon + 1).split(','))
            if (token.trimmed().compare("close", Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

} // namespace

ExchangeSequence::ExchangeSequence(QObject* parent)
    : QObject(parent)
{
    m_linger.setSingleShot(true);
    m_linger.setInterval(kLingerMs);
    connect(&m_linger, &QTimer::timeout, this, [this] {
        log(u"Nothing more arrived within %1 ms; closing the connection"_s.arg(kLingerMs));
        finish(m_splitter->completeCount() == m_splitter->expected());
    });
}

ExchangeSequence::~ExchangeSequence() = default;

void ExchangeSequence::log(const QString& line)
{
    m_log.append(line);
    Q_EMIT logLine(line);
}

void ExchangeSequence::start(const QList<HTTPRequest>& requests, Mode mode)
{
    cancel();
    m_log.clear();
    m_requests = requests;
    m_mode = mode;
    m_written = 0;
    m_bytes.clear();
    QList<bool> head;
    for (const HTTPRequest& request : requests)
        head.append(request.Method() == "HEAD"_L1);
    m_splitter = std::make_unique<ResponseSplitter>(head);
    m_running = true;

    if (requests.isEmpty() || requests.size() > kMaxRequests) {
        log(u"[ERROR] A sequence holds 1 to %1 requests, not %2"_s.arg(
            QString::number(kMaxRequests), QString::number(requests.size())));
        finish(false);
        return;
    }
    qint64 total = 0;
    for (const HTTPRequest& request : requests) {
        QByteArray bytes;
        if (const Result read = ReadRequestBytes(request, kMaxBytes - total, bytes); !read) {
            log(u"[ERROR] Request %1: "_s.arg(m_bytes.size() + 1) + read.text);
            finish(false);
            return;
        }
        total += bytes.size();
        m_bytes.append(bytes);
    }

    const HTTPRequest& first = requests.constFirst();
    // A handler of the last sequence's events may be starting this one.
    if (m_connection)
        m_connection.release()->deleteLater();
    m_connection = std::make_unique<RawConnection>();
    m_connection->setProxy(m_proxyChoice);
    m_connection->setClientTls(m_clientTls);
    connect(m_connection.get(), &RawConnection::connected, this, &ExchangeSequence::onConnected);
    connect(m_connection.get(), &RawConnection::arrived, this, &ExchangeSequence::onArrived);
    connect(m_connection.get(), &RawConnection::closedByPeer, this,
            &ExchangeSequence::onClosedByPeer);
    connect(m_connection.get(), &RawConnection::failed, this, &ExchangeSequence::onFailed);
    connect(m_connection.get(), &RawConnection::logLine, this, &ExchangeSequence::log);
    log(u"Connecting to %1:%2 for %3 requests %4"_s.arg(
        first.Server, first.Port, QString::number(requests.size()),
        mode == Mode::Pipelined ? u"pipelined"_s : u"in turn"_s));
    if (const Result opened = m_connection->open(first); !opened) {
        log(u"[ERROR] "_s + opened.text);
        finish(false);
    }
}

void ExchangeSequence::onConnected()
{
    if (m_mode == Mode::InTurn) {
        writeRequest(0);
        return;
    }
    QByteArray all;
    for (const QByteArray& bytes : std::as_const(m_bytes))
        all.append(bytes);
    // One write, so that the requests reach the server together, as a smuggling test needs.
    log(u"Sending %1 requests pipelined (%2 bytes in one write)"_s.arg(
        QString::number(m_bytes.size()), QString::number(all.size())));
    m_written = int(m_bytes.size());
    if (const Result sent = m_connection->write(all); !sent)
        onFailed(sent.text);
}

void ExchangeSequence::writeRequest(int index)
{
    log(u"Sending request %1 of %2 (%3 bytes)"_s.arg(QString::number(index + 1),
                                                     QString::number(m_bytes.size()),
                                                     QString::number(m_bytes.at(index).size())));
    m_written = index + 1;
    if (const Result sent = m_connection->write(m_bytes.at(index)); !sent)
        onFailed(sent.text);
}

void ExchangeSequence::onArrived(const QByteArray& chunk)
{
    const int before = m_splitter->completeCount();
    const bool hadLeftover = !m_splitter->leftover().isEmpty();
    m_splitter->feed(chunk);
    Q_EMIT dataArrived(chunk);
    for (int i = before; i < m_splitter->completeCount() && m_running; ++i) {
        const ResponseSplitter::Response& response = m_splitter->responses().at(i);
        log(u"Response %1 of %2 complete (status %3, %4 bytes)"_s.arg(
            QString::number(i + 1), QString::number(m_splitter->expected()),
            QString::number(response.statusCode), QString::number(response.bytes.size())));
        Q_EMIT responseComplete(i);
    }
    if (!m_running)
        return;
    if (!hadLeftover && !m_splitter->leftover().isEmpty())
        log(m_splitter->leftoverReason() + u"; keeping what follows as leftover"_s);
    if (m_splitter->done()) {
        // Stray bytes may still follow; they are read until the connection is quiet.
        m_linger.start();
        return;
    }
    if (m_mode == Mode::InTurn && m_splitter->completeCount() == m_written
        && m_written < m_bytes.size()) {
        if (asksToClose(m_splitter->responses().at(m_written - 1).bytes)) {
            log(u"Response %1 asks to close the connection; request %2 is not sent"_s.arg(
                QString::number(m_written), QString::number(m_written + 1)));
            return;
        }
        writeRequest(m_written);
    }
}

void ExchangeSequence::onClosedByPeer()
{
    const int before = m_splitter->completeCount();
    m_splitter->close();
    const int complete = m_splitter->completeCount();
    const int expected = m_splitter->expected();
    if (complete > before) {
        log(u"Response %1 of %2 complete at the close (%3 bytes)"_s.arg(
            QString::number(complete), QString::number(expected),
            QString::number(m_splitter->responses().at(before).bytes.size())));
        Q_EMIT responseComplete(before);
        if (!m_running)
            return;
    } else if (!m_splitter->responses().isEmpty()
               && !m_splitter->responses().constLast().problem.isEmpty()) {
        log(u"Response %1: %2"_s.arg(QString::number(m_splitter->responses().size()),
                                     m_splitter->responses().constLast().problem));
    }
    if (complete < expected)
        log(u"The server closed the connection after %1 of %2 responses"_s.arg(
            QString::number(complete), QString::number(expected)));
    else
        log(u"Connection closed by the server"_s);
    finish(complete == expected);
}

void ExchangeSequence::onFailed(const QString& message)
{
    log(u"[ERROR] "_s + message
        + u" (after %1 of %2 responses)"_s.arg(QString::number(m_splitter->completeCount()),
                                               QString::number(m_splitter->expected())));
    finish(false);
}

void ExchangeSequence::cancel()
{
    if (!m_running)
        return;
    log(u"Sequence cancelled"_s);
    finish(false);
}

void ExchangeSequence::finish(bool completed)
{
    if (!m_running)
        return;
    m_running = false;
    m_linger.stop();
    if (m_connection)
        m_connection->close();
    if (!m_splitter->leftover().isEmpty())
        log(u"%1 bytes left over (%2)"_s.arg(QString::number(m_splitter->leftover().size()),
                                             m_splitter->leftoverReason()));
    Q_EMIT finished(completed);
}

QList<ResponseSplitter::Response> ExchangeSequence::responses() const
{
    return m_splitter ? m_splitter->responses() : QList<ResponseSplitter::Response>();
}

QByteArray ExchangeSequence::leftover() const
{
    return m_splitter ? m_splitter->leftover() : QByteArray();
}

QString ExchangeSequence::leftoverReason() const
{
    return m_splitter ? m_splitter->leftoverReason() : QString();
}
