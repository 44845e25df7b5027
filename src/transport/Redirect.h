#pragma once

#include "message/HTTPRequest.h"

#include <QString>

#include <optional>

// Parses an absolute http:// or https:// location (scheme in any letter case) into a
// request with server, port and URL; nothing when it is not absolute or its host part
// is unusable. A bracketed IPv6 literal keeps its brackets in Server.
std::optional<HTTPRequest> ParseLocation(const QString& location);

// The target a location refers to from the current request, resolved as a browser
// resolves a reference (absolute, network-path "//host/x", absolute path, relative
// path with "." and "..", query only); dot segments leave the query alone. Nothing when
// an absolute location is unusable, has a scheme other than http(s), or holds a control
// character.
std::optional<HTTPRequest> ResolveRedirect(const HTTPRequest& current, const QString& location);

// The Referer offered for following a redirect from current to target: the full path
// when server or port change (letter case ignored), else the current URL.
QString RedirectReferer(const HTTPRequest& current, const HTTPRequest& target);

// Server text without the brackets of an IPv6 literal, as a socket wants it.
QString HostForConnect(const QString& server);
