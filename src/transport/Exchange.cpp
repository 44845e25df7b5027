#include "transport/Exchange.h"

#include "message/HTTPRequest.h"
#include "transport/PortNumber.h"
#include "transport/QtSocketX.h"
#include "transport/Redirect.h"

#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kCancel = u"Cancel"_s;
const QString kOk = u"Ok"_s;
const QString kSetupFailure = u"Generic error, perhaps invalid host name or port"_s;
// Logged once per chunk; kept whole so that every entry shares one string.
const QString kReceivingLine = u" Receiving data"_s;

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
    m_socket = std::make_unique<QtSocketX>();
    SocketX* socket = m_socket.get();
    connect(socket, &SocketX::sendReady, this, &Exchange::SocketX_Send);
    connect(socket, &SocketX::receiveReady, this, &Exchange::SocketX_Receive);
    connect(socket, &SocketX::closed, this, &Exchange::SocketX_Close);
    connect(socket, &SocketX::certificateInfo, this, &Exchange::SocketX_CertificateInfo);

    AddLogLine(u"Using "_s + socket->description());
    AddLogLine(u"Connecting"_s);
    Q_EMIT repaintRequested();

    if (!startConnection())
        RaiseFailure(kSetupFailure);
}

bool Exchange::startConnection()
{
    SocketX& socket = *m_socket;
    if (!socket.setSecure(m_request->Secure) || !socket.createSocket()
        || !socket.setRemoteHost(HostForConnect(m_request->Server)))
        return false;
    const PortNumber port = ParsePortNumber(m_request->Port);
    if (!port || !socket.setRemotePort(port.number))
        return false;
    if (m_request->Secure && !socket.setCertificateStore(u"MY\\"_s))
        return false;
    return bool(socket.connectToRemote());
}

void Exchange::pressButton()
{
    if (m_caption == kCancel) {
        stopTimers();
        m_cancelled = true;
        ReleaseSocket();
        m_state = State::Idle;
        Q_EMIT Cancelled();
    }
    if (m_caption == kOk) {
        m_state = State::Idle;
        Q_EMIT HideMe();
    }
}

void Exchange::SocketX_Send(quint16 errorCode)
{
    AddLogLine(u"Sending data"_s);
    if (errorCode != 0) {
        RaiseFailure(u"SocketX_Send(): "_s + SocketErrorText(errorCode));
        return;
    }
    m_state = State::Transferring;
    m_connectTimer->stop();
    SocketX* socket = m_socket.get();
    const SocketX::Result sent = socket->send(m_request->RequestBytes());
    // The socket may have ended the exchange from inside send.
    if (m_socket.get() != socket)
        return;
    if (!sent) {
        RaiseFailure(u"SocketX_Send(): "_s + sent.error);
        return;
    }
    m_bytesSent = socket->bytesSent();
    Q_EMIT byteCountersChanged();
}

void Exchange::SocketX_Receive(quint16 errorCode)
{
    appendLine(kReceivingLine);
    if (errorCode != 0) {
        RaiseFailure(u"SocketX_Receive(): "_s + SocketErrorText(errorCode));
        return;
    }
    m_bytesReceived = m_socket->bytesReceived();
    Q_EMIT byteCountersChanged();
    const QByteArray chunk = m_socket->receive();
    // A receive event can find the data already taken; an empty chunk carries nothing.
    if (!chunk.isEmpty())
        Q_EMIT DataArrived(chunk);
}

void Exchange::SocketX_Close(quint16 errorCode)
{
    if (errorCode != 0) {
        RaiseFailure(u"SocketX_Close(): "_s + SocketErrorText(errorCode));
        return;
    }
    AddLogLine(u"Socket closed"_s);
    stopTimers();
    if (!m_failed && !m_cancelled) {
        m_state = State::Idle;
        Q_EMIT Done();
    }
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
    if (certError != 0) {
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
}

QString Exchange::timingSummary() const
{
    return m_socket ? m_socket->timing().summary() : QString();
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
    Q_EMIT ErrorOccured(message);
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
    // The socket may be the sender of the event being handled, so it goes later.
    SocketX* socket = m_socket.release();
    socket->disconnect(this);
    socket->close();
    socket->deleteLater();
}

void Exchange::setCaption(const QString& caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    Q_EMIT buttonCaptionChanged(m_caption);
}

QString Exchange::SocketErrorText(int code)
{
    switch (code) {
    case 0:
        return u"No error."_s;
    case 10004:
        return u"System level interrupt interrupted socket operation."_s;
    case 10009:
        return u"Generic error for invalid format, bad format."_s;
    case 10013:
        return u"Generic error for access violation."_s;
    case 10014:
        return u"Generic error for fault."_s;
    case 10022:
        return u"Generic error for invalid format, entry, etc."_s;
    case 10024:
        return u"Generic error for file error."_s;
    case 10025:
        return u"The IP address provided is not valid or the host specified by the IP does not exist."_s;
    case 10038:
        return u"Invalid socket or not connected to remote."_s;
    case 10048:
        return u"The specified address is already in use."_s;
    case 10049:
        return u"The specified address is not available."_s;
    case 10050:
        return u"The connected network is not available."_s;
    case 10051:
        return u"The connected network is not reachable."_s;
    case 10052:
        return u"The connected network connection has been reset."_s;
    case 10053:
        return u"The current connection has been aborted by the network or intermediate services."_s;
    case 10054:
        return u"The current socket connection has been reset."_s;
    case 10057:
        return u"The current socket has not been connected."_s;
    case 10058:
        return u"The connection has been shutdown."_s;
    case 10060:
        return u"The current connection has timed out."_s;
    case 10061:
        return u"The requested connection has been refused by the remote host."_s;
    case 10063:
        return u"Specified host name is too long."_s;
    case 10064:
        return u"Remote host is currently unavailable."_s;
    case 10065:
        return u"Remote host is currently unreachable."_s;
    case 10091:
        return u"Remote system is not ready."_s;
    case 10092:
        return u"Current socket version not supported by application."_s;
    case 10093:
        return u"Socket API is not initialized."_s;
    case 10101:
        return u"Socket has been disconnected."_s;
    default:
        return {};
    }
}

QString Exchange::CertErrorName(int value)
{
    static const QStringList names {
        u"NotRead"_s,       u"Expired"_s,           u"ValidityPeriodNesting"_s,
        u"Role"_s,          u"PathLenConst"_s,      u"Critical"_s,
        u"Purpose"_s,       u"IssuerChaining"_s,    u"Malformed"_s,
        u"UntrustedRoot"_s, u"Chaining"_s,          u"TrustFail"_s,
        u"Revoked"_s,       u"UntrustedTestRoot"_s, u"RevocationFailure"_s,
        u"CNNoMatch"_s,     u"WrongUsage"_s,        u"UnknownError"_s
    };
    return value >= 1 && value <= names.size() ? names.at(value - 1) : QString();
}
