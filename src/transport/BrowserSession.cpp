#include "transport/BrowserSession.h"

#include "analysis/ResultSink.h"
#include "editing/HeaderTable.h"
#include "persistence/AutoSettings.h"
#include "persistence/CookieStore.h"
#include "persistence/HistoryStore.h"
#include "transport/BrowserView.h"
#include "transport/Exchange.h"
#include "transport/ProxyTunnel.h"
#include "transport/Redirect.h"
#include "transport/RequestPreview.h"

#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRequestPage = 2;
constexpr int kResponsePage = 3;
constexpr qsizetype kShownRequestLength = 2048;

QString settingLine(const char* text, bool on)
{
    return QString::fromLatin1(text) + (on ? u"ENABLED"_s : u"DISABLED"_s);
}

} // namespace

BrowserSession::BrowserSession(BrowserView& view, HeaderTable& headers, Exchange& exchange,
                               const AutoSettings& settings, CookieStore* cookies,
                               HistoryStore* history, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_headers(headers)
    , m_exchange(exchange)
    , m_settings(settings)
    , m_cookies(cookies)
    , m_history(history)
{
    connect(&m_exchange, &Exchange::Info, this, &BrowserSession::onInfo);
    connect(&m_exchange, &Exchange::connectionNote, this, &BrowserSession::AddToLog);
    connect(&m_exchange, &Exchange::proxyNote, this, &BrowserSession::AddToLog);
    connect(&m_exchange, &Exchange::DataArrived, this, &BrowserSession::onDataArrived);
    // Done is handled once the socket's own handler has returned: processing may prompt
    // for a redirect and start the next exchange, which replaces that socket.
    connect(&m_exchange, &Exchange::Done, this, &BrowserSession::onDone, Qt::QueuedConnection);
    connect(&m_exchange, &Exchange::ErrorOccured, this, &BrowserSession::onErrorOccured);
    connect(&m_exchange, &Exchange::Cancelled, this, &BrowserSession::onCancelled);
    connect(&m_exchange, &Exchange::HideMe, this, &BrowserSession::onHideMe);
}

BrowserSession::~BrowserSession() = default;

ResultSink* BrowserSession::result()
{
    ResultSink* sink = m_view.currentResult();
    return sink ? sink : m_view.MakeNewResultWindow();
}

void BrowserSession::AddToLog(const QString& message)
{
    if (ResultSink* sink = m_view.currentResult())
        sink->AddToLog(message);
    Q_EMIT logLine(message);
}

void BrowserSession::cmdSend_Click()
{
    m_view.DisableRequestControls();
    m_busy = true;

    ResultSink* sink = result();
    sink->ClearResults();

    AddToLog(u"Preparing request"_s);
    AddToLog(QString());
    AddToLog(u"[AUTO SETTINGS]"_s);
    AddToLog(settingLine("Add received cookies to request header    ", m_settings.AddCookies));
    AddToLog(settingLine("Received persistent cookies are stored    ", m_settings.StoreCookies));
    AddToLog(settingLine("Request is stored in history              ", m_settings.AddHistory));
    AddToLog(settingLine("Redirect after 30x response               ", m_settings.Redirect));
    AddToLog(settingLine("'Host' header is set before sending       ", m_settings.SetHostHeader));
    if (!m_settings.CloseConnection)
        AddToLog(u"Keep-alive: 'Connection: close' is not set before sending"_s);
    AddToLog(QString());

    removeExpiredCookies();
    PrepareRequest(m_view.requestForm(), m_headers, m_settings, m_cookies, m_lastServer, m_request,
                   this);
    // Before the request is shown: through an HTTP proxy its request line and headers differ.
    if (!chooseProxy())
        return;

    // "&" marks a mnemonic in a caption, so a literal one is doubled.
    sink->setCaption((m_request.Secure ? u"[secure]  https://"_s : u" http://"_s) + m_request.Server
                     + u':' + m_request.Port + QString(m_request.URL()).replace(u'&', u"&&"_s));
    AddToLog(QString());
    m_view.setTransportVisible(true);

    SendRequest();
}

void BrowserSession::SendRequest()
{
    ResultSink* sink = result();
    sink->AddResultTab(m_request.Method(), kRequestPage, false);
    const QString message = m_request.RequestMessage(kShownRequestLength + 1);
    // Only the display is cut; the whole request goes on the wire.
    sink->AddResultText(message.size() <= kShownRequestLength
                            ? message
                            : message.left(kShownRequestLength) + u"\r\n ... [text truncated]"_s);
    AddToLog(u"Sending request..."_s);
    m_awaitingFirstChunk = true;
    m_responseThisExchange = false;
    m_exchange.Execute(m_request);
}

void BrowserSession::onInfo(const QString& text)
{
    AddToLog(text);
    // The text names only the gravest problem; a script reading the log sees each.
    for (const QString& problem : m_exchange.certificateProblems())
        AddToLog(u"!!Certificate Error!! "_s + problem);
    if (!m_exchange.clientCertificateName().isEmpty())
        AddToLog(u"Client certificate: "_s + m_exchange.clientCertificateName());
}

QByteArray BrowserSession::addToResponse(const QByteArray& piece)
{
    const qint64 before = m_response->ResponseData().size();
    m_response->AddResponseData(piece);
    // Pages show what the response keeps: all of it, or its header block.
    const qint64 added = m_response->ResponseData().size() - before;
    return added == piece.size() ? piece : piece.left(qsizetype(added));
}

void BrowserSession::startResponses(QByteArray bytes)
{
    // One chunk may hold an interim response and the start of the next one.
    while (!bytes.isEmpty()) {
        m_response = std::make_unique<HTTPResponse>(this);
        m_response->setBodyRetained(m_keepBodies);
        m_responseThisExchange = true;
        const qsizetype owned = m_response->ownedLength(bytes);
        const QByteArray shown = addToResponse(bytes.left(owned));
        ResultSink* sink = result();
        sink->AddResultTab(m_response->ResponseCode(), kResponsePage, true);
        if (!shown.isEmpty())
            sink->AddResultText(shown);
        bytes = bytes.mid(owned);
    }
}

void BrowserSession::onDataArrived(const QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    AddToLog(u"Data chunk received ("_s + QString::number(chunk.size()) + u" bytes)"_s);
    // The first chunk of an exchange always starts a new response; later ones only once an
    // interim (1xx) response has ended, so a body holding "HTTP/1." stays whole.
    if (m_awaitingFirstChunk || !m_response) {
        m_awaitingFirstChunk = false;
        startResponses(chunk);
        return;
    }
    const qsizetype owned = m_response->ownedLength(chunk);
    if (owned > 0) {
        const QByteArray shown = addToResponse(chunk.left(owned));
        if (!shown.isEmpty())
            result()->AddResultText(shown);
    }
    if (owned < chunk.size())
        startResponses(chunk.mid(owned));
}

void BrowserSession::onDone()
{
    AddToLog(u"Done"_s);
    if (const QString timing = m_exchange.timingSummary(); !timing.isEmpty()) {
        AddToLog(timing);
        if (ResultSink* sink = m_view.currentResult())
            sink->showTiming(timing);
    }
    m_view.enableSendButton();
    // The result window may analyse the finished response (HTML elements, WSDL).
    if (ResultSink* sink = m_view.currentResult(); sink && m_responseThisExchange)
        sink->responseComplete(m_request, *m_response);
    m_view.showResultWindow();
    m_view.setTransportVisible(false);
    m_view.EnableRequestControls();
    m_busy = false;

    if (!m_responseThisExchange) {
        // Processing a response left over from an earlier exchange would record it again.
        AddToLog(QString());
        AddToLog(u"!ERROR! Empty reply from server"_s);
        m_lastServer = m_request.Server;
    } else if (ProcessResponse() == 1) {
        const QString location = m_response->GetHeader(u"location"_s).constFirst().trimmed();
        if (!location.isEmpty())
            promptRedirect(location);
    }
    // A followed redirect may have started the next exchange already (isBusy()).
    Q_EMIT exchangeEnded(true);
}

int BrowserSession::ProcessResponse()
{
    m_lastServer = m_request.Server;
    AddToLog(QString());
    AddToLog(u"Processing response..."_s);

    HTTPResponse& response = *m_response;
    bool historyAdded = false;
    if (m_settings.AddHistory && response.ResponseCode() == "200"_L1 && m_history) {
        historyAdded = m_history->AddHistoryItem(m_request) == 0;
        if (historyAdded)
            AddToLog(u"History item added"_s);
    }

    const QList<Cookie> cookies = response.GetCookies();
    if (m_settings.AddCookies) {
        for (const Cookie& cookie : cookies) {
            if (!cookie.Expired) {
                m_headers.AddHeader(u"Cookie"_s, cookie.Name + u'=' + cookie.Value, true);
                AddToLog(u"Adding cookie '"_s + cookie.Name + u"' to request header"_s);
            } else if (RemoveCookiePair(m_headers, cookie.Name)) {
                AddToLog(u"Removing cookie '"_s + cookie.Name
                         + u"' from request header (deleted by the server)"_s);
            } else {
                AddToLog(u"Not adding cookie '"_s + cookie.Name
                         + u"' to request header (deleted by the server)"_s);
            }
        }
    }
    bool changed = historyAdded;
    if (m_settings.StoreCookies && m_cookies) {
        for (Cookie cookie : cookies) {
            cookie.setHost(m_request.Server);
            if (cookie.Expired) {
                // RFC 6265, 5.3 step 11: an expired cookie removes the stored one.
                if (m_cookies->ExpireStoredCookie(cookie)) {
                    AddToLog(u"Deleting stored cookie '"_s + cookie.Name
                             + u"' (deleted by the server)"_s);
                    changed = true;
                }
                continue;
            }
            if (!cookie.isPersistent())
                continue;
            const qint32 status = m_cookies->StoreCookie(cookie);
            if (status == 0) {
                AddToLog(u"Storing cookie '"_s + cookie.Name + u'\'');
                changed = true;
            } else if (status == CookieStore::HostFull) {
                AddToLog(u"!ERROR! Cookie '"_s + cookie.Name + u"' not stored: "_s
                         + QString::number(CookieStore::kMaxCookiesPerHost)
                         + u" cookies are stored for this host already"_s);
            }
        }
    }
    if (changed)
        Q_EMIT userDataChanged();

    if (m_settings.Redirect && response.ResponseCode().startsWith(u'3')) {
        AddToLog(u"30x response code, checking if \"location\" header is present"_s);
        if (response.GetHeader(u"location"_s).constFirst().trimmed().isEmpty())
            AddToLog(u"No location header found"_s);
        return 1;
    }
    AddToLog(u"Done"_s);
    AddToLog(QString());
    return 0;
}

HTTPRequest BrowserSession::prepareForSequence(const RequestForm& form, const QString& headerText,
                                               bool closeConnection)
{
    AutoSettings settings = m_settings;
    settings.CloseConnection = closeConnection;
    removeExpiredCookies();
    HeaderTable headers;
    headers.LoadHeadersFromText(headerText);
    HTTPRequest request;
    PrepareRequest(form, headers, settings, m_cookies, m_lastServer, request, this);
    return request;
}

void BrowserSession::processSequenceResponse(const HTTPRequest& request, const QByteArray& bytes)
{
    m_request = request;
    m_response = std::make_unique<HTTPResponse>(this);
    m_response->setBodyRetained(m_keepBodies);
    m_response->AddResponseData(bytes);
    ProcessResponse();
}

bool BrowserSession::chooseProxy()
{
    ProxyChoice choice;
    if (const Result chosen = proxyFor(m_request, choice); !chosen) {
        // Nothing is sent: the exchange ends as an acknowledged failure.
        AddToLog(u"ERROR: Proxy setting unusable: "_s + chosen.text);
        onHideMe();
        return false;
    }
    ApplyProxyToRequest(choice, m_request);
    m_exchange.setProxy(choice);
    return true;
}

Result BrowserSession::proxyFor(const HTTPRequest& request, ProxyChoice& choice) const
{
    QHash<QString, QString> environment;
    if (m_proxyEnvironment) {
        environment = *m_proxyEnvironment;
    } else if (m_proxySetting.mode == ProxySetting::Mode::Environment) {
        const QProcessEnvironment process = QProcessEnvironment::systemEnvironment();
        for (const QString& name : process.keys())
            environment.insert(name, process.value(name));
    }
    return ChooseProxy(m_proxySetting, request, environment, choice);
}

Result BrowserSession::prepareSequenceProxies(QList<HTTPRequest>& requests, bool oneConnection,
                                              QList<ProxyChoice>& choices)
{
    QList<ProxyChoice> chosen;
    for (const HTTPRequest& request : std::as_const(requests)) {
        if (oneConnection && !chosen.isEmpty()) {
            chosen.append(chosen.constFirst());
            continue;
        }
        ProxyChoice choice;
        if (const Result made = proxyFor(request, choice); !made)
            return Result::failure(u"Proxy setting unusable: "_s + made.text);
        chosen.append(choice);
    }
    for (qsizetype i = 0; i < requests.size(); ++i)
        ApplyProxyToRequest(chosen.at(i), requests[i]);
    choices = chosen;
    return Result::success();
}

ClientTls* BrowserSession::clientTls() const
{
    return m_exchange.clientTls();
}

void BrowserSession::removeExpiredCookies()
{
    if (!m_settings.AddCookies || !m_cookies)
        return;
    const QList<Cookie> removed = m_cookies->RemoveExpiredCookies(m_view.requestForm().server);
    for (const Cookie& cookie : removed)
        AddToLog(u"Deleting stored cookie '"_s + cookie.Name + u"' (expired)"_s);
    if (!removed.isEmpty())
        Q_EMIT userDataChanged();
}

void BrowserSession::promptRedirect(const QString& location)
{
    const std::optional<HTTPRequest> target = ResolveRedirect(m_request, location);
    if (!target) {
        AddToLog(u"ERROR: Invalid redirect location '"_s + location + u'\'');
        return;
    }
    RedirectQuestion question;
    question.location = u' ' + target->FullPath();
    question.referer = RedirectReferer(m_request, *target);
    // RFC 9110, 15.4.4: 303 is followed with GET (HEAD stays HEAD) and no body; 301 and 302
    // after a POST are followed the same way, as browsers and curl do. 307 and 308 keep both.
    const QString code = m_response->ResponseCode();
    const QString& method = m_request.Method();
    question.statusCode = code;
    question.method = method;
    if (code == "303"_L1 || ((code == "301"_L1 || code == "302"_L1) && method == "POST"_L1)) {
        question.method = method == "HEAD"_L1 ? method : u"GET"_s;
        question.dropsBody = true;
    }
    if (!m_view.askRedirect(question))
        return;

    if (question.dropsBody)
        m_headers.f_RemoveBodyHeaders();
    if (m_settings.SetHostHeader)
        m_headers.AddHeader(u"Host"_s, target->Server + u':' + target->Port, false);
    if (question.removeCookies
        && m_request.Server.compare(target->Server, Qt::CaseInsensitive) != 0)
        m_headers.RemoveHeader(u"Cookie"_s);
    if (question.addReferer)
        m_headers.AddHeader(u"Referer"_s, question.referer, false);
    m_view.SetControls_Redirected(*target);
    if (question.dropsBody)
        m_view.setRedirectMethod(question.method, true);
    if (question.autoSend)
        cmdSend_Click();
    m_view.focusRequestWindow();
}

void BrowserSession::onErrorOccured(const QString& message)
{
    AddToLog(u"ERROR: "_s + message);
}

void BrowserSession::onCancelled()
{
    AddToLog(u"User cancelled action"_s);
    m_view.setTransportVisible(false);
    m_view.EnableRequestControls();
    m_busy = false;
    Q_EMIT exchangeEnded(false);
}

void BrowserSession::onHideMe()
{
    m_view.setTransportVisible(false);
    m_view.EnableRequestControls();
    m_busy = false;
    Q_EMIT exchangeEnded(false);
}
