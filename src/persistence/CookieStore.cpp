#include "persistence/CookieStore.h"

#include "BuildInfo.h"
#include "persistence/CookieViewer.h"
#include "persistence/ErrorCodes.h"
#include "persistence/HostName.h"
#include "persistence/XmlDocument.h"
#include "shell/MessageSink.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kServer = u"userdata/cookies/server["_s + HostName::predicate() + u']';

QString boolText(bool value)
{
    return value ? u"True"_s : u"False"_s;
}

bool fromBoolText(const QString& text)
{
    return text.trimmed().compare("true"_L1, Qt::CaseInsensitive) == 0;
}

// The stored cookie of a cookie element; missing attributes leave their defaults.
Cookie cookieFrom(const XmlNode& element, const QString& host)
{
    Cookie cookie;
    cookie.setHost(host);
    cookie.Name = element.attribute(u"name"_s);
    cookie.Value = element.attribute(u"value"_s);
    cookie.Path = element.attribute(u"path"_s);
    cookie.Expires = element.attribute(u"expires"_s);
    cookie.Block = fromBoolText(element.attribute(u"block"_s));
    cookie.Secure = fromBoolText(element.attribute(u"secure"_s));
    return cookie;
}

} // namespace

CookieStore::CookieStore(XmlDocument& userData, MessageSink& sink)
    : m_doc(userData)
    , m_sink(sink)
{ }

bool CookieStore::hasSection()
{
    if (m_doc.selectSingleNode(u"userdata/cookies"_s))
        return true;
    m_sink.showMessage(u"The user data has no cookies section."_s,
                       QStringLiteral(PELORIN_PRODUCT_NAME), MessageSink::Icon::Error);
    return false;
}

qint32 CookieStore::StoreCookie(const Cookie& cookie)
{
    if (!hasSection())
        return ErrorCode::MissingNode;
    XmlNode section = m_doc.selectSingleNode(u"userdata/cookies"_s);
    const QString host = cookie.Host().toLower();
    XmlNode server = section.selectSingleNode(u"server["_s + HostName::predicate() + u']',
                                              HostName::variables(host));
    if (!server) {
        server = section.appendElement(u"server"_s);
        server.setAttribute(u"name"_s, host);
    }
    Cookie stored = cookie;
    stored.setHost(host);
    XmlNode element
        = server.selectSingleNode(u"cookie[@name = $name]"_s, { { u"name"_s, cookie.Name } });
    if (!element) {
        // Each stored cookie goes out with every request to the host; a server must not be
        // able to grow the user data and the requests without bound.
        if (server.children(u"cookie"_s).size() >= kMaxCookiesPerHost)
            return HostFull;
        element = server.appendElement(u"cookie"_s);
        element.setAttribute(u"name"_s, cookie.Name);
    } else {
        // The block mark is the user's decision; a server sending the cookie again keeps it.
        stored.Block = fromBoolText(element.attribute(u"block"_s));
    }
    element.setAttribute(u"value"_s, stored.Value);
    element.setAttribute(u"path"_s, stored.Path);
    element.setAttribute(u"expires"_s, stored.Expires);
    element.setAttribute(u"block"_s, boolText(stored.Block));
    element.setAttribute(u"secure"_s, boolText(stored.Secure));
    if (m_viewer)
        m_viewer->AddCookie(stored);
    return ErrorCode::Ok;
}

QList<Cookie> CookieStore::GetStoredCookies(const QString& server) const
{
    QList<Cookie> cookies;
    const XmlNode element = m_doc.selectSingleNode(kServer, HostName::variables(server));
    for (const XmlNode& c : element.children(u"cookie"_s)) {
        cookies.append(cookieFrom(c, server));
    }
    return cookies;
}

QList<Cookie> CookieStore::RemoveExpiredCookies(const QString& server, const QDateTime& now)
{
    QList<Cookie> removed;
    const XmlNode element = m_doc.selectSingleNode(kServer, HostName::variables(server));
    for (XmlNode c : element.children(u"cookie"_s)) {
        const Cookie cookie = cookieFrom(c, server);
        if (!cookie.expiresBy(now))
            continue;
        c.parent().removeChild(c);
        if (m_viewer)
            m_viewer->RemoveCookie(cookie.Host(), cookie.Name);
        removed.append(cookie);
    }
    return removed;
}

void CookieStore::LoadStoredCookies() const
{
    if (!m_viewer)
        return;
    static const QString kRequired[]
        = { u"name"_s, u"value"_s, u"path"_s, u"expires"_s, u"block"_s };
    for (const XmlNode& server : m_doc.selectNodes(u"userdata/cookies/server"_s)) {
        if (!server.hasAttribute(u"name"_s))
            continue;
        for (const XmlNode& c : server.children(u"cookie"_s)) {
            if (!std::all_of(std::begin(kRequired), std::end(kRequired),
                             [&](const QString& a) { return c.hasAttribute(a); }))
                break;
            m_viewer->AddCookie(cookieFrom(c, server.attribute(u"name"_s)));
        }
    }
}

qint32 CookieStore::DeleteStoredCookie(const QString& server, const QString& name)
{
    if (!hasSection())
        return ErrorCode::MissingNode;
    XmlNode element = m_doc.selectSingleNode(kServer + u"/cookie[@name = $name]"_s,
                                             HostName::variables(server, { { u"name"_s, name } }));
    if (element)
        element.parent().removeChild(element);
    return ErrorCode::Ok;
}

bool CookieStore::ExpireStoredCookie(const Cookie& cookie)
{
    XmlNode element = m_doc.selectSingleNode(
        kServer + u"/cookie[@name = $name]"_s,
        HostName::variables(cookie.Host(), { { u"name"_s, cookie.Name } }));
    if (!element)
        return false;
    element.parent().removeChild(element);
    if (m_viewer)
        m_viewer->RemoveCookie(cookie.Host(), cookie.Name);
    return true;
}

qint32 CookieStore::BlockStoredCookie(const QString& server, const QString& name)
{
    return setBlock(server, name, true);
}

qint32 CookieStore::UnblockStoredCookie(const QString& server, const QString& name)
{
    return setBlock(server, name, false);
}

qint32 CookieStore::setBlock(const QString& server, const QString& name, bool block)
{
    if (!hasSection())
        return ErrorCode::MissingNode;
    XmlNode attribute
        = m_doc.selectSingleNode(kServer + u"/cookie[@name = $name]/@block"_s,
                                 HostName::variables(server, { { u"name"_s, name } }));
    if (attribute)
        attribute.setText(boolText(block));
    return ErrorCode::Ok;
}
