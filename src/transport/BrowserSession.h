#pragma once

#include "message/HTTPRequest.h"
#include "message/HTTPResponse.h"
#include "shell/LogSink.h"
#include "transport/ProxyChoice.h"

#include <QObject>
#include <QString>

#include <memory>

struct AutoSettings;
class BrowserView;
class ClientTls;
class CookieStore;
class Exchange;
class HeaderTable;
class HistoryStore;
class ResultSink;
struct RequestForm;

// The request window's logic without its widgets: the send pipeline, the handling of the
// transport's events and responses, and redirects. Owns the one current request and the
// last response.
class BrowserSession final : public QObject, public LogSink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrowserSession)

public:
    // Everything passed in must outlive the session; the stores may be null.
    BrowserSession(BrowserView& view, HeaderTable& headers, Exchange& exchange,
                   const AutoSettings& settings, CookieStore* cookies, HistoryStore* history,
                   QObject* parent = nullptr);
    ~BrowserSession() override;

    // The send pipeline: fills the current request from the fields, lets the automatic
    // settings adjust the headers, logs, shows the request and starts the exchange.
    void cmdSend_Click();

    // The one current request; its fields keep the values of the last send.
    HTTPRequest& currentRequest() { return m_request; }
    // The last response, or null before the first one.
    HTTPResponse* oResp() const { return m_response.get(); }
    // The server of the last processed response ("" before the first).
    const QString& lastServer() const { return m_lastServer; }
    // True while an exchange is under way (from Send until Done, Cancelled or HideMe).
    bool isBusy() const { return m_busy; }

    // Whether responses and their pages keep the body (the default). A run that streams
    // responses elsewhere keeps only each response's header block, so any size fits.
    void setKeepResponseBodies(bool keep) { m_keepBodies = keep; }

    // Where every later send finds its proxy (none by default), and the environment variables
    // the setting may read; without them, the process's own.
    void setProxySetting(const ProxySetting& setting) { m_proxySetting = setting; }
    void setProxyEnvironment(const QHash<QString, QString>& environment)
    {
        m_proxyEnvironment = environment;
    }

    // Appends a line to the current result window's log, if there is one.
    void AddToLog(const QString& message) override;

    // Processes the finished response (history, cookies, redirect check); 1 when a
    // redirect is to be considered.
    int ProcessResponse();

    // For a sequence of requests: the request form and the header rows in headerText make, with
    // the automatic settings applied as a send applies them, except that closeConnection
    // decides the "Connection: close" row. Sends nothing and leaves the window's rows alone.
    HTTPRequest prepareForSequence(const RequestForm& form, const QString& headerText,
                                   bool closeConnection);
    // For a sequence: chooses the proxy of each request as a send does and prepares the request
    // for it, choices by index; with oneConnection the first request's choice holds for all, as
    // they share its connection. Fails, changing nothing, when the proxy setting is unusable.
    Result prepareSequenceProxies(QList<HTTPRequest>& requests, bool oneConnection,
                                  QList<ProxyChoice>& choices);
    // The client identities and extra CAs a send presents; null for none.
    ClientTls* clientTls() const;
    // For a sequence: processes bytes, one response to request, as a single exchange's
    // response is processed (history, cookies); a redirect is not followed.
    void processSequenceResponse(const HTTPRequest& request, const QByteArray& bytes);

Q_SIGNALS:
    // Every line written to the log, as written.
    void logLine(const QString& line);
    // An exchange ended: after Done and its processing (true), after Cancelled or an
    // acknowledged failure (false). A followed redirect may already be under way.
    void exchangeEnded(bool completed);
    // Processing a response changed the user data (history, stored cookies); emitted before
    // exchangeEnded, so that the change can be saved at once.
    void userDataChanged();

private:
    void SendRequest();
    void onInfo(const QString& text);
    void onDataArrived(const QByteArray& chunk);
    void onDone();
    void onErrorOccured(const QString& message);
    void onCancelled();
    void onHideMe();
    void startResponses(QByteArray bytes);
    QByteArray addToResponse(const QByteArray& piece);
    void promptRedirect(const QString& location);
    void removeExpiredCookies();
    bool chooseProxy();
    Result proxyFor(const HTTPRequest& request, ProxyChoice& choice) const;
    ResultSink* result();

    BrowserView& m_view;
    HeaderTable& m_headers;
    Exchange& m_exchange;
    const AutoSettings& m_settings;
    CookieStore* m_cookies;
    HistoryStore* m_history;

    HTTPRequest m_request;
    std::unique_ptr<HTTPResponse> m_response;
    QString m_lastServer;
    bool m_awaitingFirstChunk = false;
    bool m_responseThisExchange = false;
    bool m_busy = false;
    bool m_keepBodies = true;
    ProxySetting m_proxySetting;
    std::optional<QHash<QString, QString>> m_proxyEnvironment;
};
