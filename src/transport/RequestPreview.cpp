#include "transport/RequestPreview.h"

#include "editing/HeaderTable.h"
#include "message/HTTPRequest.h"
#include "persistence/AutoSettings.h"
#include "persistence/CookieStore.h"
#include "shell/LogSink.h"

using namespace Qt::StringLiterals;

void PrepareRequest(const RequestForm& form, HeaderTable& headers, const AutoSettings& settings,
                    const CookieStore* cookies, const QString& lastServer, HTTPRequest& request,
                    LogSink* log)
{
    const auto addToLog = [log](const QString& line) {
        if (log)
            log->AddToLog(line);
    };
    FillRequestFields(form, request);

    if (form.includeBody) {
        if (form.bodyPieces.isEmpty())
            request.Body.setContents(form.body);
        else
            request.Body.setPieces(form.bodyPieces, form.bodyShown);
        // A body from a file goes with the size the file has now.
        request.Body.refreshFileSize();
        headers.AddHeader(u"Content-length"_s, QString::number(request.Body.ContentLength()),
                          false);
    } else {
        request.Body.ContentType.clear();
        request.Body.setContents(QString());
        headers.f_RemoveBodyHeaders();
    }

    if (settings.SetHostHeader) {
        const QString host
            = request.Port == "80"_L1 ? request.Server : request.Server + u':' + request.Port;
        headers.AddHeader(u"Host"_s, host, false);
    }
    if (settings.CloseConnection) {
        headers.AddHeader(u"Connection"_s, u"close"_s, false);
    } else if (const int row = headers.findRow(u"Connection"_s); row >= 0
               && headers.rows().at(row).value.trimmed().compare(u"close"_s, Qt::CaseInsensitive)
                   == 0) {
        // The default grid's row would ask the server to close after all.
        headers.RemoveHeader(u"Connection"_s);
        addToLog(u"Keep-alive: removing the 'Connection: close' header"_s);
    }

    if (request.Server.compare(lastServer, Qt::CaseInsensitive) != 0) {
        addToLog(u"Host changed, removing any 'cookie' headers"_s);
        headers.RemoveHeader(u"Cookie"_s);
    }

    if (settings.AddCookies && cookies) {
        for (const Cookie& cookie : cookies->GetStoredCookies(request.Server)) {
            if (cookie.Block) {
                addToLog(u"Cookie '"_s + cookie.Name + u"' has been blocked"_s);
                continue;
            }
            // User data from before such cookies were refused may still hold one.
            if (cookie.hasControlCharacter()) {
                addToLog(u"Ignoring stored cookie: control character in its name or value"_s);
                continue;
            }
            // RFC 6265, 5.4 step 1: neither a cookie past its date nor a secure one over a plain
            // connection is sent; an earlier send may have left its pair in the row.
            if (cookie.expiresBy(QDateTime::currentDateTimeUtc())) {
                RemoveCookiePair(headers, cookie.Name);
                continue;
            }
            if (cookie.Secure && !request.Secure) {
                addToLog(u"Cookie '"_s + cookie.Name
                         + u"' is secure; not sent over a plain connection"_s);
                RemoveCookiePair(headers, cookie.Name);
                continue;
            }
            addToLog(u"Adding cookie '"_s + cookie.Name + u'\'');
            headers.AddHeader(u"Cookie"_s, cookie.Name + u'=' + cookie.Value, true);
        }
    }

    headers.AddHeadersToRequest(request);
}

bool RemoveCookiePair(HeaderTable& headers, const QString& name)
{
    const int row = headers.findRow(u"Cookie"_s);
    if (row < 0)
        return false;
    // The other pairs keep their text as composed; the row merges names ignoring case.
    QStringList pairs = headers.rows().at(row).value.split(u';');
    const qsizetype before = pairs.size();
    pairs.removeIf([&](const QString& pair) {
        return pair.section(u'=', 0, 0).trimmed().compare(name, Qt::CaseInsensitive) == 0;
    });
    if (pairs.size() == before)
        return false;
    const QString rest = pairs.join(u';').trimmed();
    if (rest.isEmpty())
        headers.RemoveHeader(u"Cookie"_s);
    else
        headers.setValue(row, rest);
    return true;
}

HTTPRequest PreviewRequest(const RequestForm& form, const QString& headerText,
                           const AutoSettings& settings, const CookieStore* cookies,
                           const QString& lastServer)
{
    HeaderTable headers;
    headers.LoadHeadersFromText(headerText);
    HTTPRequest request;
    PrepareRequest(form, headers, settings, cookies, lastServer, request);
    return request;
}

RequestForm FormForLoadedRequest(const HTTPRequest& request, const QString& defaultVersion)
{
    RequestForm form;
    form.httpVersion = defaultVersion;
    LoadRequestIntoForm(request, form);
    return form;
}
