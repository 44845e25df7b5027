#pragma once

#include "message/HTTPRequest.h"

#include <QString>

#include <optional>

// A URL taken apart into what a connection and a request line need.
struct UrlParts
{
    QString scheme; // lower case, without ":"
    QString host; // as written; an IPv6 literal keeps its brackets; empty without an authority
    QString port; // as written, else the scheme's default (empty for schemes other than http(s))
    QString path; // path and query, dot segments removed; never the fragment
};

// Parses an absolute URL of any scheme (in any letter case). Nothing when it has no scheme,
// holds a control character, or has an authority whose host no connection can use or whose
// port is outside 1..65535.
std::optional<UrlParts> ParseUrl(const QString& text);

// Resolves a reference against base as a browser does (RFC 3986, 5.2): absolute, network-path
// "//host/x", absolute path, relative path with "." and "..", query only, empty; dot segments
// leave the query alone. Any scheme comes out as written: which ones to follow is the caller's
// rule. Nothing on the same grounds as ParseUrl.
std::optional<UrlParts> ResolveReference(const UrlParts& base, const QString& reference);

// A request to an absolute http or https URL, with Secure, Server, Port and URL set; nothing for
// other schemes, a URL without a host, or on the grounds of ParseUrl.
std::optional<HTTPRequest> ParseHttpUrl(const QString& text);

// A request to what reference names from the URL of base (see ResolveReference), set as
// ParseHttpUrl sets it; nothing unless it is http or https, and an absolute reference must
// name a host.
std::optional<HTTPRequest> ResolveHttpReference(const HTTPRequest& base, const QString& reference);

// Splits "host", "host:port", "[v6]" or "[v6]:port"; false for empty text or a host
// part with more than one unbracketed ":".
bool SplitHostPort(const QString& text, QString& host, QString& port);
