#include "persistence/HistoryStore.h"

#include "BuildInfo.h"
#include "message/HTTPRequest.h"
#include "persistence/ErrorCodes.h"
#include "persistence/HistoryViewer.h"
#include "persistence/HostName.h"
#include "persistence/RequestHistoryLists.h"
#include "persistence/XmlDocument.h"
#include "shell/MessageSink.h"

using namespace Qt::StringLiterals;

namespace {

const QString kServer = u"server["_s + HostName::predicate() + u" and @port = $port]"_s;

XPathVariables serverVariables(const QString& server, const QString& port)
{
    // The transport forgives blanks around a port; so must the lookup.
    return HostName::variables(server, { { u"port"_s, port.trimmed() } });
}

// Files written before the attribute existed say nothing about TLS; 443 is its port.
bool isSecure(const XmlNode& server)
{
    if (!server.hasAttribute(u"secure"_s))
        return server.attribute(u"port"_s).trimmed() == "443"_L1;
    return server.attribute(u"secure"_s).trimmed().compare("true"_L1, Qt::CaseInsensitive) == 0;
}

} // namespace

HistoryStore::HistoryStore(XmlDocument& userData, MessageSink& sink)
    : m_doc(userData)
    , m_sink(sink)
{ }

bool HistoryStore::hasSection()
{
    if (m_doc.selectSingleNode(u"userdata/history"_s))
        return true;
    m_sink.showMessage(u"The user data has no history section."_s,
                       QStringLiteral(PELORIN_PRODUCT_NAME), MessageSink::Icon::Error);
    return false;
}

qint32 HistoryStore::AddHistoryItem(const HTTPRequest& request)
{
    if (!hasSection())
        return ErrorCode::MissingNode;
    XmlNode section = m_doc.selectSingleNode(u"userdata/history"_s);
    const QString host = request.Server.toLower();
    const QString url = request.URL();
    XmlNode server = section.selectSingleNode(kServer, serverVariables(host, request.Port));
    if (!server) {
        server = section.appendElement(u"server"_s);
        server.setAttribute(u"name"_s, host);
        server.setAttribute(u"port"_s, request.Port.trimmed());
        if (m_lists)
            m_lists->AddHistoryItemServer(host);
    }
    // The last exchange tells how the server is reached; a plain one on port 443 says so
    // explicitly, as the absent attribute would mean TLS there.
    if (request.Secure)
        server.setAttribute(u"secure"_s, u"True"_s);
    else if (isSecure(server) || server.hasAttribute(u"secure"_s))
        server.setAttribute(u"secure"_s, u"False"_s);
    if (!server.selectSingleNode(u"request[url = $url]"_s, { { u"url"_s, url } })) {
        XmlNode item = server.appendElement(u"request"_s);
        item.appendElement(u"url"_s).setText(url);
        if (m_lists)
            m_lists->AddHistoryItemURL(url);
    }
    if (m_viewer)
        m_viewer->AddToHistory(host + u':' + request.Port.trimmed(), url, request.Secure);
    return ErrorCode::Ok;
}

qint32 HistoryStore::RemoveHistoryItem(const HTTPRequest& request)
{
    if (!hasSection())
        return ErrorCode::MissingNode;
    XmlNode item
        = m_doc.selectSingleNode(u"userdata/history/"_s + kServer + u"/request[url = $url]"_s,
                                 serverVariables(request.Server, request.Port)
                                     + XPathVariables { { u"url"_s, request.URL() } });
    if (item)
        item.parent().removeChild(item);
    return ErrorCode::Ok;
}

void HistoryStore::LoadHistory() const
{
    for (const XmlNode& server : m_doc.selectNodes(u"userdata/history/server"_s)) {
        if (!server.hasAttribute(u"name"_s) || !server.hasAttribute(u"port"_s))
            continue;
        const QString host = server.attribute(u"name"_s).toLower();
        const QString port = server.attribute(u"port"_s);
        const bool secure = isSecure(server);
        for (const XmlNode& item : server.children(u"request"_s)) {
            const XmlNode url = item.child(u"url"_s);
            if (!url)
                break;
            if (m_viewer)
                m_viewer->AddToHistory(host + u':' + port, url.text(), secure);
            if (m_lists)
                m_lists->AddHistoryItemServer(host);
        }
    }
}

QStringList HistoryStore::GetHistoryURLs(const QString& server, const QString& port) const
{
    QStringList urls;
    for (const XmlNode& url : m_doc.selectNodes(
             u"userdata/history/"_s + kServer + u"/request/url"_s, serverVariables(server, port)))
        urls.append(url.text());
    return urls;
}

HTTPRequest HistoryStore::RequestFor(const QString& server, const QString& port, bool secure,
                                     const QString& url)
{
    HTTPRequest request;
    request.Secure = secure;
    request.Server = server;
    request.Port = port;
    request.HTTPver = u"HTTP/1.1"_s;
    request.setMethod(u"GET"_s);
    request.setURL(url);
    return request;
}

QStringList HistoryStore::ViewerPath(const QString& url)
{
    QStringList parts = url.split(u'/');
    if (parts.size() < 2)
        return {};
    parts.removeFirst();
    if (parts.last().isEmpty())
        parts.last() = u"<default document>"_s;
    return parts;
}
