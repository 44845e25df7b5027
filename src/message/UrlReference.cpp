#include "message/UrlReference.h"

#include "message/ControlCharacters.h"
#include "message/PortNumber.h"

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

// RFC 3986, 3.1 and 4.3: a reference that starts with a scheme is absolute, whatever it is. The
// length of the scheme, or 0 when there is none.
qsizetype schemeLength(const QString& reference)
{
    static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.-]*(?=:)"_s);
    return scheme.match(reference).capturedLength();
}

QString defaultPort(const QString& scheme)
{
    if (scheme == "http"_L1)
        return u"80"_s;
    if (scheme == "https"_L1)
        return u"443"_s;
    return {};
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

// Takes host, port and path from "authority/path?query" (the leading "//" already gone); the
// port stays as it is when none is given. False for a host no connection can be made to or a
// port outside 1..65535.
bool applyAuthority(const QString& rest, UrlParts& url)
{
    qsizetype end = rest.size();
    for (QChar c : { u'/', u'?' }) {
        const qsizetype at = rest.indexOf(c);
        if (at >= 0)
            end = std::min(end, at);
    }
    QString host;
    QString port;
    if (!SplitHostPort(rest.left(end), host, port) || !isUsableHost(host))
        return false;
    if (!port.isEmpty() && !ParsePortNumber(port))
        return false;
    url.host = host;
    if (!port.isEmpty())
        url.port = port;
    QString path = rest.mid(end);
    if (path.isEmpty() || path.startsWith(u'?'))
        path.prepend(u'/');
    url.path = withoutDotSegments(path);
    return true;
}

UrlParts urlOfRequest(const HTTPRequest& request)
{
    return { request.Secure ? u"https"_s : u"http"_s, request.Server, request.Port, request.URL() };
}

std::optional<HTTPRequest> httpTarget(const UrlParts& url)
{
    if (url.scheme != "http"_L1 && url.scheme != "https"_L1)
        return std::nullopt;
    HTTPRequest request;
    request.Secure = url.scheme == "https"_L1;
    request.Server = url.host;
    request.Port = url.port;
    request.setURL(url.path);
    return request;
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

std::optional<UrlParts> ParseUrl(const QString& text)
{
    const qsizetype length = schemeLength(text);
    if (length == 0 || HasControlCharacter(text))
        return std::nullopt;
    UrlParts url;
    url.scheme = text.left(length).toLower();
    url.port = defaultPort(url.scheme);
    const QString rest = withoutFragment(text.mid(length + 1));
    if (!rest.startsWith("//"_L1)) {
        url.path = withoutDotSegments(rest); // mailto:, data: ... have no authority
        return url;
    }
    if (!applyAuthority(rest.mid(2), url))
        return std::nullopt;
    return url;
}

std::optional<UrlParts> ResolveReference(const UrlParts& base, const QString& reference)
{
    if (HasControlCharacter(reference))
        return std::nullopt;
    if (schemeLength(reference) > 0)
        return ParseUrl(reference);

    UrlParts target = base;
    const QString ref = withoutFragment(reference);
    if (ref.startsWith("//"_L1)) {
        // A network-path reference keeps the scheme and takes that scheme's default port.
        target.port = defaultPort(base.scheme);
        if (!applyAuthority(ref.mid(2), target))
            return std::nullopt;
        return target;
    }

    const qsizetype baseQuery = base.path.indexOf(u'?');
    const QString basePath = baseQuery < 0 ? base.path : base.path.left(baseQuery);
    const qsizetype refQuery = ref.indexOf(u'?');
    const QString refPath = refQuery < 0 ? ref : ref.left(refQuery);
    const QString query = refQuery < 0 ? QString() : ref.mid(refQuery);
    if (ref.isEmpty())
        target.path = base.path;
    else if (refPath.isEmpty())
        target.path = basePath + query;
    else if (refPath.startsWith(u'/'))
        target.path = removeDotSegments(refPath) + query;
    else // RFC 3986, 5.2.3: merge with the base path up to its last "/".
        target.path
            = removeDotSegments(basePath.left(basePath.lastIndexOf(u'/') + 1) + refPath) + query;
    return target;
}

std::optional<HTTPRequest> ParseHttpUrl(const QString& text)
{
    const std::optional<UrlParts> url = ParseUrl(text);
    return url && !url->host.isEmpty() ? httpTarget(*url) : std::nullopt; // not "http:/x"
}

std::optional<HTTPRequest> ResolveHttpReference(const HTTPRequest& base, const QString& reference)
{
    if (schemeLength(reference) > 0)
        return ParseHttpUrl(reference);
    // A relative reference keeps the base's host as it is, even none: that is the base's matter.
    const std::optional<UrlParts> url = ResolveReference(urlOfRequest(base), reference);
    return url ? httpTarget(*url) : std::nullopt;
}
