#include "transport/RequestPreview.h"

#include "editing/HeaderTable.h"
#include "message/HTTPRequest.h"
#include "persistence/AutoSettings.h"
#include "persistence/CookieStore.h"
#include "persistence/TextUtil.h"
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
    request.HTTPver = form.httpVersion;
    request.setMethod(form.method);
    request.Secure = form.secure;
    request.Port = form.secure ? form.portSecure : form.port;
    request.setURL(form.url);
    request.Server = form.server;

    if (form.includeBody) {
        request.Body.setContents(form.body);
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
    headers.AddHeader(u"Connection"_s, u"close"_s, false);

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
            addToLog(u"Adding cookie '"_s + cookie.Name + u'\'');
            headers.AddHeader(u"Cookie"_s, cookie.Name + u'=' + cookie.Value, true);
        }
    }

    headers.AddHeadersToRequest(request);
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
    form.server = request.Server;
    form.secure = request.Secure;
    (request.Secure ? form.portSecure : form.port) = request.Port;
    form.method = request.Method();
    form.url = DecodeAmpersands(request.URL());
    form.httpVersion = request.HTTPver.isEmpty() ? defaultVersion : request.HTTPver;
    form.includeBody = request.Body.ContentLength() >= 1;
    form.body = request.Body.ContentBytes();
    return form;
}
