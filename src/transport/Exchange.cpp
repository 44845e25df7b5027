#include "transport/Exchange.h"

#include "message/BodySource.h"
#include "message/HTTPRequest.h"
#include "message/PortNumber.h"
#include "transport/ClientIdentity.h"
#include "transport/QtSocketX.h"
#include "transport/Redirect.h"
#include "transport/TransportErrors.h"

#include <QTimer>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kCancel = u"Cancel"_s;
const QString kOk = u"Ok"_s;
const QString kSetupFailure = u"Generic error, perhaps invalid host name or port"_s;
// Logged once per chunk; kept whole so that every entry shares one string.
const QString kReceivingLine = u" Receiving data"_s;
// Large enough that a write costs little per byte, small enough that a body of any size
// keeps only a few blocks in memory.
constexpr qint64 kSendBlock = 1 << 20;
// Blocks written in one pass of the event loop while the socket takes them at once, so that
// Cancel and the response are still handled during a long upload.
constexpr int kBlocksPerPass = 16;

// The request's bytes for the wire. Built afresh for every connection: a retried request goes
// out whole from its start, its file pieces read again from their offsets.
std::unique_ptr<BodySource> requestSource(const HTTPRequest& request)
{
    return std::make_unique<BodySource>(QList<BodyPiece> { BodyPiece::memory(request.HeadBytes()) }
                                        + request.Body.pieces());
}

// Bytes of this exchange that went to the network; base is the socket's total before it.
qint64 sentToNetwork(const SocketX& socket, qint64 base)
{
    return socket.bytesSent() - base - socket.bytesToWrite();
}

bool sentWhole(const BodySource* source, const SocketX& socket)
{
    return source && source->atEnd() && socket.bytesToWrite() == 0;
}

} // namespace

Exchange::Exchange(QObject* parent)
    : QObject(parent)
    , m_caption(kCancel)
    , m_connectTimer(new QTimer(this))
    , m_totalTimer(new QTimer(this))
{
    for (QTimer* timer : { m_connectTimer, m_totalTimer }) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(m_connectTimer, &QTimer::timeout, this, [this] { onTimeLimit(TimeLimit::Connect); });
    connect(m_totalTimer, &QTimer::timeout, this, [this] { onTimeLimit(TimeLimit::Total); });
}

void Exchange::setTimeLimits(qint64 connectMs, qint64 totalMs)
{
    m_connectTimer->setInterval(std::chrono::milliseconds(std::max<qint64>(0, connectMs)));
    m_totalTimer->setInterval(std::chrono::milliseconds(std::max<qint64>(0, totalMs)));
}

void Exchange::stopTimers()
{
    m_connectTimer->stop();
    m_totalTimer->stop();
}

void Exchange::onTimeLimit(TimeLimit limit)
{
    if (m_state != State::Connecting && m_state != State::Transferring)
        return;
    stopTimers();
    m_timedOut = limit;
    const qint64 ms = (limit == TimeLimit::Connect ? m_connectTimer : m_totalTimer)
                          ->intervalAsDuration()
                          .count();
    RaiseFailure(limit == TimeLimit::Connect
                     ? u"Connect timeout: no connection after %1 ms"_s.arg(ms)
                     : u"Maximum time: the exchange took longer than %1 ms"_s.arg(ms));
}

Exchange::~Exchange()
{
    m_source.reset();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->close();
    }
}

void Exchange::Execute(HTTPRequest& request)
{
    m_request = &request;

    setCaption(kCancel);
    m_failed = false;
    m_cancelled = false;
    m_log.clear();
    m_certProblems.clear();
    Q_EMIT logCleared();
    m_bytesReceived = 0;
    m_bytesSent = 0;
    m_bytesToSend = 0;
    Q_EMIT byteCountersChanged();
    m_state = State::Connecting;
    m_timedOut = TimeLimit::None;
    stopTimers();
    // Each exchange, a redirect's follow-up too, gets the whole time again.
    for (QTimer* timer : { m_connectTimer, m_totalTimer }) {
        if (timer->interval() > 0)
            timer->start();
    }

    ReleaseSocket();
    m_proxyAuthAnswer.clear();
    if (m_proxyChoice)
        noteProxy(m_proxyChoice->reason);
    m_keepAlive = !asksToClose(request);
    m_reused = false;
    m_retried = false;
    m_framing.reset();
    // What happened to a kept connection since the last exchange.
    for (const QString& note : m_pool.takeNotes())
        noteConnection(note);
    // A body file that is already missing or resized fails before anything is sent, and
    // before a kept connection is taken for it.
    m_source = requestSource(request);
    m_bytesToSend = m_source->size();
    if (const Result ready = m_source->check(); !ready) {
        RaiseFailure(ready.text);
        return;
    }
    if (m_keepAlive) {
        m_framing.emplace(request.Method() == "HEAD"_L1);
        int requests = 0;
        if (std::unique_ptr<SocketX> kept = m_pool.take(poolKey(), &requests)) {
            m_reused = true;
            m_requestsOnConnection = requests + 1;
            openSocket(std::move(kept));
            noteConnection(u"Reusing connection to %1 (request %2 on it)"_s.arg(
                poolKey().text(), QString::number(m_requestsOnConnection)));
            Q_EMIT repaintRequested();
            // Connected already: the request goes out from the event loop, as after connecting.
            QMetaObject::invokeMethod(
                this,
                [this, socket = m_socket.get()] {
                    if (m_socket.get() == socket)
                        SocketX_Send(SocketError::NoError);
                },
                Qt::QueuedConnection);
            return;
        }
    }
    m_requestsOnConnection = 1;
    openSocket(std::make_unique<QtSocketX>());

    AddLogLine(u"Using "_s + m_socket->description());
    AddLogLine(u"Connecting"_s);
    if (m_keepAlive)
        Q_EMIT connectionNote(u"Connecting to "_s + poolKey().text());
    Q_EMIT repaintRequested();

    if (!startConnection())
        RaiseFailure(setupFailure());
}

void Exchange::openSocket(std::unique_ptr<SocketX> socket)
{
    m_socket = std::move(socket);
    SocketX* s = m_socket.get();
    // A reused socket counts every exchange it carried; the counters show this one's.
    m_receivedBase = s->bytesReceived();
    m_sentBase = s->bytesSent();
    connect(s, &SocketX::sendReady, this, &Exchange::SocketX_Send);
    connect(s, &SocketX::receiveReady, this, &Exchange::SocketX_Receive);
    connect(s, &SocketX::closed, this, &Exchange::SocketX_Close);
    connect(s, &SocketX::certificateInfo, this, &Exchange::SocketX_CertificateInfo);
    connect(s, &SocketX::written, this, &Exchange::onWritten);
    connect(s, &SocketX::proxyNote, this, &Exchange::noteProxy);
    connect(s, &SocketX::proxyRefused, this, &Exchange::onProxyRefused);
    m_sendQueued = false;
}

bool Exchange::asksToClose(const HTTPRequest& request)
{
    for (const QStringView line : QStringView(request.Header).split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0 || line.left(colon).trimmed().compare(u"connection"_s, Qt::CaseInsensitive))
            continue;
        for (const QStringView token : line.mid(colon + 1).split(u','))
            if (token.trimmed().compare(u"close"_s, Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

ConnectionPool::Key Exchange::poolKey() const
{
    const std::optional<ProxyRoute> route = proxyRoute();
    return { HostForConnect(m_request->Server).toLower(), ParsePortNumber(m_request->Port).number,
             m_request->Secure, route ? route->proxy.display() : QString() };
}

bool Exchange::retryOnFreshConnection(const QString& why)
{
    if (!m_reused || m_retried)
        return false;
    m_retried = true;
    m_reused = false;
    m_requestsOnConnection = 1;
    noteConnection(why + u"; reconnecting"_s);
    ReleaseSocket();
    m_framing.emplace(m_request->Method() == "HEAD"_L1);
    m_bytesReceived = 0;
    m_bytesSent = 0;
    Q_EMIT byteCountersChanged();
    m_state = State::Connecting;
    if (m_connectTimer->interval() > 0)
        m_connectTimer->start();
    m_source = requestSource(*m_request);
    if (const Result ready = m_source->check(); !ready) {
        RaiseFailure(ready.text);
        return true;
    }
    openSocket(std::make_unique<QtSocketX>());
    AddLogLine(u"Connecting"_s);
    if (!startConnection())
        RaiseFailure(setupFailure());
    return true;
}

bool Exchange::frame(const QByteArray& chunk, qsizetype* leftover)
{
    qsizetype at = 0;
    while (m_framing && at < chunk.size()) {
        at += m_framing->feed(QByteArrayView(chunk).sliced(at));
        if (m_framing->state() == ResponseFraming::State::Invalid) {
            noteConnection(u"Cannot tell where the response ends ("_s + m_framing->problem()
                           + u"); reading until the server closes"_s);
            m_framing.reset();
            return false;
        }
        if (!m_framing->isComplete())
            break;
        if (!m_framing->isInterim()) {
            *leftover = chunk.size() - at;
            return true;
        }
        // An interim response: the final one follows on the connection.
        m_framing.emplace(m_request->Method() == "HEAD"_L1);
    }
    return false;
}

void Exchange::endKeptExchange(qsizetype leftover)
{
    // A server may answer before it has read the whole request; the rest of it would reach the
    // next exchange on the connection, and a request that did not go out whole is no success.
    if (failIfProxyRefused())
        return;
    if (!sentWhole(m_source.get(), *m_socket)) {
        RaiseFailure(u"The server answered after %1 of %2 request bytes were sent"_s.arg(
            QString::number(sentToNetwork(*m_socket, m_sentBase)), QString::number(m_bytesToSend)));
        return;
    }
    stopTimers();
    const ConnectionPool::Key key = poolKey();
    if (leftover > 0) {
        // Whatever follows cannot be told apart from the next response.
        noteConnection(u"%1 bytes after the end of the response; closing the connection"_s.arg(
            QString::number(leftover)));
        ReleaseSocket();
    } else if (m_framing->statusCode() == 101) {
        noteConnection(u"The server switched protocols; closing the connection"_s);
        ReleaseSocket();
    } else {
        noteConnection(u"Response complete; connection to %1 kept open"_s.arg(key.text()));
        m_socket->disconnect(this);
        m_pool.keep(std::move(m_socket), key, m_requestsOnConnection);
    }
    m_framing.reset();
    m_state = State::Idle;
    Q_EMIT Done();
}

bool Exchange::startConnection()
{
    SocketX& socket = *m_socket;
    if (!socket.setSecure(m_request->Secure) || !socket.setProxyRoute(proxyRoute())
        || !socket.createSocket() || !socket.setRemoteHost(HostForConnect(m_request->Server)))
        return false;
    const PortNumber port = ParsePortNumber(m_request->Port);
    if (!port || !socket.setRemotePort(port.number))
        return false;
    if (m_request->Secure && !socket.setCertificateStore(u"MY\\"_s))
        return false;
    if (!applyClientTls(socket))
        return false;
    return bool(socket.connectToRemote());
}

void Exchange::pressButton()
{
    switch (m_state) {
    case State::Connecting:
    case State::Transferring:
        stopTimers();
        m_cancelled = true;
        ReleaseSocket();
        m_state = State::Idle;
        Q_EMIT Cancelled();
        break;
    case State::Failed:
        m_state = State::Idle;
        Q_EMIT HideMe();
        break;
    case State::Idle:
        break;
    }
}

void Exchange::SocketX_Send(quint16 errorCode)
{
    AddLogLine(u"Sending data"_s);
    if (errorCode != SocketError::NoError) {
        RaiseFailure(u"SocketX_Send(): "_s + SocketErrorText(errorCode));
        return;
    }
    m_state = State::Transferring;
    m_connectTimer->stop();
    sendMore();
}

void Exchange::sendMore()
{
    SocketX* socket = m_socket.get();
    if (!socket || !m_source || m_failed || m_cancelled)
        return;
    for (int i = 0; i < kBlocksPerPass; ++i) {
        // Whatever the socket still holds goes out first; its written event resumes here.
        if (m_source->atEnd() || socket->bytesToWrite() >= kSendBlock)
            return;
        QByteArray block;
        if (const Result read = m_source->next(kSendBlock, block); !read) {
            RaiseFailure(read.text);
            return;
        }
        const Result sent = socket->send(block, !m_source->atEnd());
        // The socket may have ended the exchange from inside send.
        if (m_socket.get() != socket)
            return;
        if (!sent) {
            if (retryOnFreshConnection(u"Writing to the reused connection to "_s + poolKey().text()
                                       + u" failed ("_s + sent.text + u')'))
                return;
            RaiseFailure(u"SocketX_Send(): "_s + sent.text);
            return;
        }
        updateBytesSent();
        // A handler of the counters may have ended the exchange.
        if (m_socket.get() != socket || !m_source)
            return;
    }
    if (m_sendQueued)
        return;
    m_sendQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this, socket] {
            // A queued pass for a socket since given up leaves the flag to the current one.
            if (m_socket.get() != socket)
                return;
            m_sendQueued = false;
            sendMore();
        },
        Qt::QueuedConnection);
}

void Exchange::updateBytesSent()
{
    const qint64 sent = sentToNetwork(*m_socket, m_sentBase);
    if (sent != m_bytesSent) {
        m_bytesSent = sent;
        Q_EMIT byteCountersChanged();
    }
}

void Exchange::onWritten()
{
    SocketX* socket = m_socket.get();
    if (!socket)
        return;
    updateBytesSent();
    if (m_socket.get() == socket && m_state == State::Transferring && m_source
        && !m_source->atEnd())
        sendMore();
}

void Exchange::SocketX_Receive(quint16 errorCode)
{
    appendLine(kReceivingLine);
    if (errorCode != SocketError::NoError) {
        if (m_bytesReceived == 0
            && retryOnFreshConnection(u"The reused connection to "_s + poolKey().text()
                                      + u" failed ("_s + SocketErrorText(errorCode) + u')'))
            return;
        RaiseFailure(u"SocketX_Receive(): "_s + SocketErrorText(errorCode));
        return;
    }
    m_bytesReceived = m_socket->bytesReceived() - m_receivedBase;
    Q_EMIT byteCountersChanged();
    SocketX* socket = m_socket.get();
    const QByteArray chunk = m_socket->receive();
    // A receive event can find the data already taken; an empty chunk carries nothing.
    if (chunk.isEmpty())
        return;
    // The first bytes from an HTTP proxy that wants credentials: the answer is shown, but the
    // exchange fails.
    if (m_bytesReceived == chunk.size() && m_request->ProxyPrefix.size() > 0
        && StatusCodeOf(chunk) == 407)
        m_proxyAuthAnswer = QString::fromLatin1(chunk.left(chunk.indexOf('\n'))).trimmed();
    qsizetype leftover = 0;
    const bool complete = m_framing && frame(chunk, &leftover);
    Q_EMIT DataArrived(chunk);
    // A handler may have ended the exchange (cancelled it, or started the next one).
    if (complete && m_socket.get() == socket && !m_failed && !m_cancelled)
        endKeptExchange(leftover);
}

void Exchange::SocketX_Close(quint16 errorCode)
{
    if (errorCode != SocketError::NoError) {
        if (m_bytesReceived == 0
            && retryOnFreshConnection(u"The reused connection to "_s + poolKey().text()
                                      + u" failed ("_s + SocketErrorText(errorCode) + u')'))
            return;
        RaiseFailure(u"SocketX_Close(): "_s + SocketErrorText(errorCode));
        return;
    }
    // A kept connection the server closed before answering: the request may never have
    // reached it, so it goes once more on a fresh connection.
    if (m_bytesReceived == 0
        && retryOnFreshConnection(u"The server closed the reused connection to "_s
                                  + poolKey().text() + u" without answering"_s))
        return;
    // A server may answer and close before it has read the whole request; a request that did
    // not go out whole is no success.
    if (m_source && m_state == State::Transferring && !sentWhole(m_source.get(), *m_socket)) {
        RaiseFailure(u"The connection closed after %1 of %2 request bytes were sent"_s.arg(
            QString::number(sentToNetwork(*m_socket, m_sentBase)), QString::number(m_bytesToSend)));
        return;
    }
    AddLogLine(u"Socket closed"_s);
    if (m_framing) {
        m_framing->close();
        if (m_framing->cutShort())
            noteConnection(u"The connection closed before the response was complete ("_s
                           + m_framing->problem() + u')');
        m_framing.reset();
    }
    stopTimers();
    if (!m_failed && !m_cancelled && !failIfProxyRefused()) {
        m_state = State::Idle;
        Q_EMIT Done();
    }
}

std::optional<ProxyRoute> Exchange::proxyRoute() const
{
    if (!m_proxyChoice || !m_proxyChoice->proxy)
        return std::nullopt;
    const ProxyServer& proxy = *m_proxyChoice->proxy;
    return ProxyRoute { proxy, proxy.kind == ProxyServer::Kind::Http && m_request->Secure };
}

void Exchange::noteProxy(const QString& line)
{
    AddLogLine(line);
    Q_EMIT proxyNote(line);
}

void Exchange::onProxyRefused(const QByteArray& answer, const QString& message)
{
    // The proxy's answer is shown as the response, but nothing of it counts as the server's.
    m_bytesReceived = answer.size();
    Q_EMIT byteCountersChanged();
    SocketX* socket = m_socket.get();
    if (!answer.isEmpty())
        Q_EMIT DataArrived(answer);
    if (m_socket.get() == socket && !m_failed && !m_cancelled)
        RaiseFailure(message);
}

bool Exchange::failIfProxyRefused()
{
    if (m_proxyAuthAnswer.isEmpty())
        return false;
    RaiseFailure(u"The proxy wants credentials: "_s + m_proxyAuthAnswer);
    return true;
}

void Exchange::SocketX_CertificateInfo(const QString& subject, const QString& issuer,
                                       const QString& caSubject, const QString& caIssuer,
                                       qint32 certError, bool* cancel)
{
    AddLogLine(u"Certificate information received"_s);
    m_certProblems.clear();
    QString text = u"\r\n[ == Certificate info == ]\r\n<Subject:> "_s + subject
        + u"\r\n<Issuer:> "_s + issuer + u"\r\n<CA subject:> "_s + caSubject
        + u"\r\n<CA Issuer:> "_s + caIssuer;
    if (certError != CertError::NoError) {
        // The text names the gravest problem; the log names each, so that a name mismatch
        // never hides behind an untrusted issuer.
        QList<qint32> problems = m_socket ? m_socket->certificateErrors() : QList<qint32>();
        if (!problems.contains(certError))
            problems.prepend(certError);
        for (const qint32 problem : std::as_const(problems)) {
            m_certProblems.append(CertErrorName(problem));
            AddLogLine(u"!!Certificate Error!! "_s + m_certProblems.last());
        }
        text += u"\r\n<!!Certificate Error!!:> "_s + CertErrorName(certError);
        if (cancel)
            *cancel = false;
    }
    if (m_socket)
        text += m_socket->tlsReport();
    text += u"\r\n"_s;
    Q_EMIT Info(text);
    if (!m_clientCertificateName.isEmpty())
        AddLogLine(u"Client certificate: "_s + m_clientCertificateName);
}

QString Exchange::bytesSentText() const
{
    if (m_state == State::Transferring && m_bytesSent < m_bytesToSend)
        return u"%1 of %2"_s.arg(QString::number(m_bytesSent), QString::number(m_bytesToSend));
    return QString::number(m_bytesSent);
}

QString Exchange::timingSummary() const
{
    return m_socket ? m_socket->timing().summary() : QString();
}

void Exchange::noteConnection(const QString& text)
{
    AddLogLine(text);
    Q_EMIT connectionNote(text);
}

void Exchange::AddLogLine(const QString& text)
{
    appendLine(u' ' + text);
}

void Exchange::appendLine(const QString& line)
{
    m_log.append(line);
    Q_EMIT logLineAdded(line);
}

void Exchange::RaiseFailure(const QString& message)
{
    stopTimers();
    // What the TLS layer knows (a server's alert, an unusable key) says more than the socket error.
    const QString why = m_socket ? m_socket->tlsFailure() : QString();
    if (!why.isEmpty())
        AddLogLine(why);
    Q_EMIT ErrorOccured(why.isEmpty() ? message : why + u" ("_s + message + u')');
    m_failed = true;
    AddLogLine(u"[ERROR] "_s + message);
    setCaption(kOk);
    m_state = State::Failed;
    ReleaseSocket();
}

void Exchange::ReleaseSocket()
{
    if (!m_socket)
        return;
    CloseSocketLater(m_socket, this);
    m_source.reset();
}

void Exchange::setCaption(const QString& caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    Q_EMIT buttonCaptionChanged(m_caption);
}

bool Exchange::applyClientTls(SocketX& socket)
{
    m_clientCertificateName.clear();
    if (!m_clientTls || !m_request->Secure)
        return true;
    TlsOptions options;
    const Result ready = m_clientTls->prepare(HostForConnect(m_request->Server),
                                              ParsePortNumber(m_request->Port).number, options);
    if (!ready) {
        m_setupProblem = ready.text;
        return false;
    }
    if (!options.certificate.isNull())
        m_clientCertificateName = ClientCertificateName(options.certificate);
    socket.setTlsOptions(options);
    return true;
}

QString Exchange::setupFailure()
{
    return m_setupProblem.isEmpty() ? kSetupFailure : std::exchange(m_setupProblem, {});
}
