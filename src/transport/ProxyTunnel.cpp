#include "transport/ProxyTunnel.h"

#include "editing/CurlCommand.h"
#include "message/HTTPRequest.h"
#include "message/PortNumber.h"
#include "message/ResponseHead.h"
#include "persistence/ProxyPreference.h"
#include "transport/Redirect.h"

using namespace Qt::StringLiterals;

QString ProxyRoute::connectHost() const
{
    return HostForConnect(proxy.host);
}

QNetworkProxy ProxyRoute::networkProxy() const
{
    if (proxy.kind == ProxyServer::Kind::Http)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QNetworkProxy socks(QNetworkProxy::Socks5Proxy, connectHost(), proxy.port,
                        proxy.user.value_or(QString()), proxy.password);
    // socks5 hands the proxy an address looked up here; only socks5h lets it resolve names.
    if (proxy.kind == ProxyServer::Kind::Socks5)
        socks.setCapabilities(socks.capabilities() & ~QNetworkProxy::HostNameLookupCapability);
    return socks;
}

ProxySetting SettingFromPreference(const ProxyPreference& preference)
{
    using Mode = ProxySetting::Mode;
    const Mode mode = preference.mode == ProxyPreference::Mode::Environment ? Mode::Environment
        : preference.mode == ProxyPreference::Mode::Url                     ? Mode::Url
                                                                            : Mode::None;
    return { mode, preference.url, preference.noProxy };
}

void ApplyProxyOptions(const std::optional<QString>& proxy, const std::optional<QString>& noProxy,
                       ProxySetting& setting, QHash<QString, QString>& environment)
{
    if (proxy) {
        QString bypass = noProxy.value_or(environment.value(u"no_proxy"_s));
        if (!noProxy && bypass.isEmpty())
            bypass = environment.value(u"NO_PROXY"_s);
        setting = proxy->trimmed().isEmpty()
            ? ProxySetting {}
            : ProxySetting { ProxySetting::Mode::Url, *proxy, bypass };
        return;
    }
    if (!noProxy)
        return;
    setting.noProxy = *noProxy;
    environment.remove(u"NO_PROXY"_s);
    environment.insert(u"no_proxy"_s, *noProxy);
}

QStringList CurlOptionsForProxy(const ProxySetting& setting)
{
    ProxyServer server;
    if (setting.mode != ProxySetting::Mode::Url || !ParseProxyUrl(setting.url, server))
        return {};
    const QString user = server.user ? *server.user + u':' + server.password : QString();
    return CurlProxyOptions(server.display(), user, setting.noProxy);
}

QString ProxyAuthorization(const ProxyServer& proxy)
{
    if (!proxy.user)
        return {};
    return u"Basic "_s
        + QString::fromLatin1((*proxy.user + u':' + proxy.password).toUtf8().toBase64());
}

void ApplyProxyToRequest(const ProxyChoice& choice, HTTPRequest& request)
{
    request.ProxyPrefix.clear();
    request.ProxyHeader.clear();
    if (!choice.proxy || choice.proxy->kind != ProxyServer::Kind::Http || request.Secure)
        return;
    const PortNumber port = ParsePortNumber(request.Port);
    const QString host = HostForConnect(request.Server);
    const QString authority = host.contains(u':') ? u'[' + host + u']' : host;
    request.ProxyPrefix = u"http://"_s + authority
        + (port && port.number == 80 ? QString() : u':' + request.Port.trimmed());
    if (const QString authorization = ProxyAuthorization(*choice.proxy); !authorization.isEmpty())
        request.ProxyHeader = u"Proxy-Authorization: "_s + authorization;
}

QByteArray ConnectRequestBytes(const ProxyServer& proxy, const QString& host, int port)
{
    const QString authority
        = (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
    QString text = u"CONNECT "_s + authority + u" HTTP/1.1\r\nHost: "_s + authority + u"\r\n"_s;
    if (const QString authorization = ProxyAuthorization(proxy); !authorization.isEmpty())
        text += u"Proxy-Authorization: "_s + authorization + u"\r\n"_s;
    return (text + u"\r\n"_s).toUtf8();
}

bool ConnectAnswer::feed(QByteArrayView data)
{
    const qint64 from = std::max<qint64>(0, m_bytes.size() - 3);
    m_bytes.append(data);
    if (m_headEnd < 0) {
        if (const HeadEnd end = FindHeadEnd(m_bytes, from))
            m_headEnd = end.bodyStart;
    }
    return complete();
}

QByteArray ConnectAnswer::head() const
{
    QByteArray head = m_bytes.left(m_headEnd < 0 ? m_bytes.size() : m_headEnd);
    while (head.endsWith('\n') || head.endsWith('\r'))
        head.chop(1);
    return head;
}

int ConnectAnswer::statusCode() const
{
    return StatusCodeOf(m_bytes);
}

QString ConnectAnswer::statusLine() const
{
    const qsizetype end = m_bytes.indexOf('\n');
    return QString::fromLatin1(m_bytes.left(end < 0 ? m_bytes.size() : end)).trimmed();
}

int StatusCodeOf(QByteArrayView response)
{
    // "HTTP/1.x NNN": the code is the three digits after the first blank.
    if (!response.startsWith("HTTP/"))
        return 0;
    const qsizetype blank = response.indexOf(' ');
    if (blank < 0 || response.size() < blank + 4)
        return 0;
    int code = 0;
    for (const char c : response.sliced(blank + 1, 3)) {
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}
