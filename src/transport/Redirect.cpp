#include "transport/Redirect.h"

#include "message/ControlCharacters.h"
#include "transport/PortNumber.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// RFC 3986, 5.2.4.
QString removeDotSegments(QString input)
{
    QString output;
    while (!input.isEmpty()) {
        if (input.startsWith("../"_L1))
            input.remove(0, 3);
        else if (input.startsWith("./"_L1))
            input.remove(0, 2);
        else if (input.startsWith("/./"_L1))
            input.remove(0, 2);
        else if (input == "/."_L1)
            input = u"/"_s;
        else if (input.startsWith("/../"_L1) || input == "/.."_L1) {
            input = input.size() == 3 ? u"/"_s : input.mid(3);
            output.truncate(std::max<qsizetype>(0, output.lastIndexOf(u'/')));
        } else if (input == "."_L1 || input == ".."_L1)
            input.clear();
        else {
            const qsizetype next = input.indexOf(u'/', 1);
            const qsizetype take = next < 0 ? input.size() : next;
            output += input.left(take);
            input.remove(0, take);
        }
    }
    return output;
}

// Fragments identify a part of a document and are never sent to the server.
QString withoutFragment(const QString& text)
{
    const qsizetype hash = text.indexOf(u'#');
    return hash < 0 ? text : text.left(hash);
}

bool hasScheme(const QString& location, QLatin1StringView scheme)
{
    return location.startsWith(scheme, Qt::CaseInsensitive);
}

// RFC 3986, 3.1 and 4.3: a reference that starts with a scheme is absolute, whatever it is.
bool hasAnyScheme(const QString& location)
{
    static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.-]*:"_s);
    return scheme.match(location).hasMatch();
}

// RFC 3986, 5.2.2: dot segments go from the path only; the query is kept as it is.
QString withoutDotSegments(const QString& pathAndQuery)
{
    const qsizetype query = pathAndQuery.indexOf(u'?');
    if (query < 0)
        return removeDotSegments(pathAndQuery);
    return removeDotSegments(pathAndQuery.left(query)) + pathAndQuery.mid(query);
}

// A host a connection can be made to: a bracketed IPv6 literal, or a name or IPv4 address of
// letters, digits, "-", "." and "_" (names in other scripts are letters too). Blanks, controls
// and the characters that delimit URL parts never are.
bool isUsableHost(const QString& host)
{
    const auto digit = [](QChar c) {
        return c >= u'0' && c <= u'9';
    };
    const auto letter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    if (host.startsWith(u'[')) {
        const QStringView inner = QStringView(host).sliced(1, host.size() - 2);
        return inner.contains(u':') && std::all_of(inner.begin(), inner.end(), [&](QChar c) {
                   return digit(c) || (c.toLower() >= u'a' && c.toLower() <= u'f') || c == u':'
                       || c == u'.';
               });
    }
    return !host.isEmpty() && std::all_of(host.cbegin(), host.cend(), [&](QChar c) {
        if (c.unicode() >= 0x80)
            return c.isLetterOrNumber() || c.isMark();
        return digit(c) || letter(c) || c == u'-' || c == u'.' || c == u'_';
    });
}

// Fills server and port from an authority; the port stays as it is when none is given. False
// for a host no connection can be made to or a port outside 1..65535.
bool applyAuthority(const QString& authority, HTTPRequest& target)
{
    QString host;
    QString port;
    if (!SplitHostPort(authority, host, port) || !isUsableHost(host))
        return false;
    if (!port.isEmpty() && !ParsePortNumber(port))
        return false;
    target.Server = host;
    if (!port.isEmpty())
        target.Port = port;
    return true;
}

// Splits "//authority/path?query" (the leading slashes already gone) at the end of the authority.
void splitAuthority(const QString& rest, QString& authority, QString& path)
{
    qsizetype end = rest.size();
    for (QChar c : { u'/', u'?' }) {
        const qsizetype at = rest.indexOf(c);
        if (at >= 0)
            end = std::min(end, at);
    }
    authority = rest.left(end);
    path = rest.mid(end);
    if (path.isEmpty() || path.startsWith(u'?'))
        path.prepend(u'/');
}

} // namespace

bool SplitHostPort(const QString& text, QString& host, QString& port)
{
    if (text.isEmpty())
        return false;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return false;
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            return false;
        host = text.left(close + 1);
        port = rest.mid(1);
        return true;
    }
    const QStringList pieces = text.split(u':');
    if (pieces.size() > 2)
        return false;
    host = pieces.at(0);
    port = pieces.size() == 2 ? pieces.at(1) : QString();
    return true;
}

std::optional<HTTPRequest> ParseLocation(const QString& location)
{
    if (HasControlCharacter(location))
        return std::nullopt;
    HTTPRequest target;
    QString rest;
    if (hasScheme(location, "http://"_L1)) {
        target.Port = u"80"_s;
        rest = location.mid(7);
    } else if (hasScheme(location, "https://"_L1)) {
        target.Secure = true;
        target.Port = u"443"_s;
        rest = location.mid(8);
    } else {
        return std::nullopt;
    }
    QString authority;
    QString path;
    splitAuthority(withoutFragment(rest), authority, path);
    if (!applyAuthority(authority, target))
        return std::nullopt;
    target.setURL(withoutDotSegments(path));
    return target;
}

std::optional<HTTPRequest> ResolveRedirect(const HTTPRequest& current, const QString& location)
{
    if (HasControlCharacter(location))
        return std::nullopt;
    if (hasScheme(location, "http://"_L1) || hasScheme(location, "https://"_L1))
        return ParseLocation(location);
    if (hasAnyScheme(location))
        return std::nullopt; // ftp:, mailto:, javascript:, data: ... are not for this program

    HTTPRequest target;
    target.Secure = current.Secure;
    target.Server = current.Server;
    target.Port = current.Port;
    const QString reference = withoutFragment(location);
    if (reference.startsWith("//"_L1)) {
        // A network-path reference keeps the scheme and takes that scheme's default port.
        QString authority;
        QString path;
        splitAuthority(reference.mid(2), authority, path);
        target.Port = current.Secure ? u"443"_s : u"80"_s;
        if (!applyAuthority(authority, target))
            return std::nullopt;
        target.setURL(withoutDotSegments(path));
        return target;
    }

    const QString base = current.URL();
    const qsizetype baseQuery = base.indexOf(u'?');
    const QString basePath = baseQuery < 0 ? base : base.left(baseQuery);
    const qsizetype refQuery = reference.indexOf(u'?');
    const QString refPath = refQuery < 0 ? reference : reference.left(refQuery);
    const QString query = refQuery < 0 ? QString() : reference.mid(refQuery);
    QString url;
    if (reference.isEmpty())
        url = base;
    else if (refPath.isEmpty())
        url = basePath + query;
    else if (refPath.startsWith(u'/'))
        url = removeDotSegments(refPath) + query;
    else // RFC 3986, 5.2.3: merge with the base path up to its last "/".
        url = removeDotSegments(basePath.left(basePath.lastIndexOf(u'/') + 1) + refPath) + query;
    target.setURL(url);
    return target;
}

QString RedirectReferer(const HTTPRequest& current, const HTTPRequest& target)
{
    const bool moved = target.Server.compare(current.Server, Qt::CaseInsensitive) != 0
        || target.Port.compare(current.Port, Qt::CaseInsensitive) != 0;
    return moved ? current.FullPath() : current.URL();
}

QString HostForConnect(const QString& server)
{
    if (server.size() >= 2 && server.startsWith(u'[') && server.endsWith(u']'))
        return server.mid(1, server.size() - 2);
    return server;
}
