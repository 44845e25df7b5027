#include "transport/ProxyChoice.h"

#include "message/PortNumber.h"
#include "message/UrlReference.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Letters, digits, "+", "-" and "." after a letter; anything else may be a mistyped password and
// must not reach a message.
bool isSchemeName(const QString& text)
{
    static const QRegularExpression pattern(u"^[a-z][a-z0-9+.-]{0,19}$"_s);
    return pattern.match(text).hasMatch();
}

QString percentDecoded(const QString& text)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
}

// Lower case, without brackets or a trailing dot: the form names and addresses compare in.
QString comparable(QString host)
{
    host = host.trimmed().toLower();
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.sliced(1, host.size() - 2);
    if (host.endsWith(u'.'))
        host.chop(1);
    return host;
}

bool entryMatches(QString entry, const QString& host, const std::optional<QHostAddress>& address)
{
    const qsizetype slash = entry.indexOf(u'/');
    if (address) {
        if (slash < 0) {
            const QHostAddress listed(comparable(entry));
            return !listed.isNull() && listed.isEqual(*address);
        }
        const QHostAddress network(comparable(entry.left(slash)));
        const QString bitsText = entry.mid(slash + 1);
        bool ok = false;
        const int bits = bitsText.toInt(&ok);
        const int width = network.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
        // Digits only: toInt would take "+8" and " 8".
        if (network.isNull() || !ok || bitsText.isEmpty() || bitsText.front() < u'0'
            || bitsText.front() > u'9' || bits > width)
            return false;
        return address->isInSubnet(network, bits);
    }
    if (slash >= 0)
        return false; // a range never covers a name: nothing here resolves it
    entry = comparable(entry);
    if (entry.startsWith(u'.'))
        entry.remove(0, 1);
    if (entry.isEmpty())
        return false;
    return host == entry
        || (host.endsWith(entry) && host.at(host.size() - entry.size() - 1) == u'.');
}

QString variable(const QHash<QString, QString>& environment, std::initializer_list<QString> names,
                 QString& found)
{
    for (const QString& name : names) {
        const QString value = environment.value(name);
        if (!value.isEmpty()) {
            found = name;
            return value;
        }
    }
    return {};
}

} // namespace

QString ProxyServer::display() const
{
    static const std::array schemes { u"http"_s, u"socks5"_s, u"socks5h"_s };
    return schemes.at(static_cast<std::size_t>(kind)) + "://"_L1 + host + u':'
        + QString::number(port);
}

Result ParseProxyUrl(const QString& text, ProxyServer& proxy)
{
    QString rest = text.trimmed();
    ProxyServer parsed;
    const qsizetype schemeEnd = rest.indexOf("://"_L1);
    if (schemeEnd >= 0) {
        const QString scheme = rest.left(schemeEnd).toLower();
        if (scheme == "http"_L1)
            parsed.kind = ProxyServer::Kind::Http;
        else if (scheme == "socks5"_L1)
            parsed.kind = ProxyServer::Kind::Socks5;
        else if (scheme == "socks5h"_L1)
            parsed.kind = ProxyServer::Kind::Socks5Hostname;
        else if (isSchemeName(scheme))
            return Result::failure(
                u"Proxy scheme \"%1\" is not supported: use http, socks5 or socks5h"_s.arg(scheme));
        else
            return Result::failure(u"Proxy URL has no usable scheme"_s);
        rest = rest.mid(schemeEnd + 3);
    }
    qsizetype authorityEnd = rest.size();
    for (QChar c : { u'/', u'?', u'#' }) {
        const qsizetype at = rest.indexOf(c);
        if (at >= 0)
            authorityEnd = std::min(authorityEnd, at);
    }
    const QString path = rest.mid(authorityEnd);
    if (!path.isEmpty() && path != "/"_L1)
        return Result::failure(u"Proxy URL must not have a path or query"_s);
    QString authority = rest.left(authorityEnd);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        const QString userinfo = authority.left(at);
        const qsizetype colon = userinfo.indexOf(u':');
        parsed.user = percentDecoded(userinfo.left(colon));
        if (colon >= 0)
            parsed.password = percentDecoded(userinfo.mid(colon + 1));
        authority = authority.mid(at + 1);
    }
    QString host;
    QString port;
    // The message layer's URL rules judge the host; its scheme must have no default port so an
    // absent port stays absent.
    if (authority.isEmpty() || !SplitHostPort(authority, host, port)
        || !ParseUrl("proxy://"_L1 + host + u'/'))
        return Result::failure(u"Proxy URL has no usable host"_s);
    if (!port.isEmpty()) {
        const PortNumber number = ParsePortNumber(port);
        if (!number)
            return Result::failure(u"Proxy port must be a number from 1 to 65535"_s);
        parsed.port = static_cast<quint16>(number.number);
    }
    parsed.host = host;
    proxy = std::move(parsed);
    return Result::success();
}

bool NoProxyMatches(const QString& list, const QString& host)
{
    if (list.trimmed() == "*"_L1)
        return true;
    const QString name = comparable(host);
    std::optional<QHostAddress> address;
    if (const QHostAddress parsed(name); !parsed.isNull())
        address = parsed;
    const QStringList entries = list.split(u',');
    return std::any_of(entries.cbegin(), entries.cend(), [&](const QString& entry) {
        return entryMatches(entry.trimmed(), name, address);
    });
}

Result ChooseProxy(const ProxySetting& setting, const HTTPRequest& target,
                   const QHash<QString, QString>& environment, ProxyChoice& choice)
{
    const auto none = [&](const QString& reason) {
        choice = { std::nullopt, reason };
        return Result::success();
    };
    QString url;
    QString source;
    QString bypass;
    QString bypassSource;
    switch (setting.mode) {
    case ProxySetting::Mode::None:
        return none(u"No proxy"_s);
    case ProxySetting::Mode::Url:
        url = setting.url;
        source = u"setting"_s;
        bypass = setting.noProxy;
        bypassSource = u"bypass list"_s;
        break;
    case ProxySetting::Mode::Environment:
        url = target.Secure ? variable(environment, { u"https_proxy"_s, u"HTTPS_PROXY"_s }, source)
                            : variable(environment, { u"http_proxy"_s }, source);
        if (url.isEmpty())
            url = variable(environment, { u"all_proxy"_s, u"ALL_PROXY"_s }, source);
        bypass = variable(environment, { u"no_proxy"_s, u"NO_PROXY"_s }, bypassSource);
        break;
    }
    if (url.trimmed().isEmpty())
        return none(u"No proxy"_s);
    if (NoProxyMatches(bypass, target.Server))
        return none(u"No proxy (%1 matches %2)"_s.arg(bypassSource, target.Server));
    ProxyServer proxy;
    if (const Result parsed = ParseProxyUrl(url, proxy); !parsed)
        return Result::failure(u"%1: %2"_s.arg(source, parsed.text), parsed.status);
    choice = { proxy, u"Using proxy %1 (%2)"_s.arg(proxy.display(), source) };
    return Result::success();
}
