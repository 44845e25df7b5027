#include "transport/RequestForm.h"

#include "editing/HeaderTable.h"
#include "message/HTTPRequest.h"
#include "persistence/Configuration.h"
#include "persistence/TextUtil.h"

using namespace Qt::StringLiterals;

namespace {

// What an editable list box shows once filled from the configuration.
QString configuredChoice(const Configuration& config, const QString& path)
{
    const Configuration::ComboList list = config.ListFromConfig(path);
    return list.entries.value(int(qMax<qsizetype>(list.selected, 0)));
}

} // namespace

RequestForm StartingRequestForm(const Configuration& config)
{
    RequestForm form;
    form.server = u"localhost"_s;
    form.port = u"80"_s;
    form.portSecure = u"443"_s;
    form.method = configuredChoice(config, Configuration::requestMethodsPath());
    form.httpVersion = configuredChoice(config, Configuration::httpVersionsPath());
    return form;
}

void LoadRequestIntoForm(const HTTPRequest& request, RequestForm& form)
{
    RedirectForm(request, form);
    form.method = request.Method();
    // A stored request keeps its protocol version.
    if (!request.HTTPver.isEmpty())
        form.httpVersion = request.HTTPver;
    // Exactly the bytes loaded go out until the user edits them.
    form.body = request.Body.ContentBytes();
    form.bodyPieces = request.Body.hasFiles() ? request.Body.pieces() : QList<BodyPiece>();
    form.bodyShown = request.Body.hasFiles() ? request.Body.Contents() : QString();
    form.includeBody = request.Body.ContentLength() >= 1 || request.Body.hasFiles();
}

void UrlRequestIntoForm(const HTTPRequest& request, RequestForm& form)
{
    RedirectForm(request, form);
    form.httpVersion = u"HTTP/1.1"_s;
    form.method = u"GET"_s;
    form.body.clear();
    form.bodyPieces.clear();
    form.bodyShown.clear();
    form.includeBody = false;
}

void FormRequestIntoForm(const HTTPRequest& request, RequestForm& form, HeaderTable& headers)
{
    UrlRequestIntoForm(request, form);
    form.method = request.Method();
    if (request.Method() == "GET"_L1)
        return;
    form.body = request.Body.ContentBytes();
    form.bodyPieces = request.Body.hasFiles() ? request.Body.pieces() : QList<BodyPiece>();
    form.bodyShown = request.Body.hasFiles() ? request.Body.Contents() : QString();
    form.includeBody = true;
    headers.AddHeader(u"Content-type"_s, request.Body.ContentType, false);
    headers.AddHeader(u"Content-length"_s, QString::number(request.Body.ContentLength()), false);
}

void CurlRequestIntoForm(const HTTPRequest& request, bool includeBody, RequestForm& form)
{
    LoadRequestIntoForm(request, form);
    form.url = request.URL();
    form.httpVersion = request.HTTPver;
    form.includeBody = includeBody;
}

void RedirectForm(const HTTPRequest& target, RequestForm& form)
{
    form.server = target.Server;
    (target.Secure ? form.portSecure : form.port) = target.Port;
    form.secure = target.Secure;
    form.url = DecodeAmpersands(target.URL());
}

void FillRequestFields(const RequestForm& form, HTTPRequest& request)
{
    request.HTTPver = form.httpVersion;
    request.setMethod(form.method);
    request.Secure = form.secure;
    request.Port = form.secure ? form.portSecure : form.port;
    request.setURL(form.url);
    request.Server = form.server;
}

void SetDefaultHeaders(HeaderTable& headers)
{
    headers.ClearHeaders();
    headers.AddHeader(u"Host"_s, QString(), false);
    headers.AddHeader(u"Accept"_s, u"*/*"_s, false);
    headers.AddHeader(u"Cache-Control"_s, u"no-cache"_s, false);
    headers.AddHeader(u"Connection"_s, u"Close"_s, false);
    headers.AddHeader(u"User-Agent"_s, u"Pelorin HTTP User-Agent/1.0"_s, false);
}
