#pragma once

#include "message/HTTPRequest.h"
#include "shell/Result.h"

#include <QHash>
#include <QString>

#include <optional>

// A proxy an exchange can go through, as a proxy URL names it.
struct ProxyServer
{
    enum class Kind { Http, Socks5, Socks5Hostname };

    Kind kind = Kind::Http;
    QString host; // as written; an IPv6 literal keeps its brackets
    quint16 port = 1080;
    std::optional<QString> user; // percent-decoded; set when the URL carries credentials
    QString password; // percent-decoded; empty when the URL names only a user

    // "scheme://host:port", never the credentials: the form for logs and captions.
    QString display() const;
};

// Reads a proxy URL: "http://", "socks5://" (names resolved here), "socks5h://" (names resolved
// by the proxy), or a bare "host:port" taken as http; "user:password@" before the host; port
// 1080 when none is given; an empty path or "/" only. The failure text never repeats the URL,
// which may hold a password.
Result ParseProxyUrl(const QString& text, ProxyServer& proxy);

// Whether a bypass list (comma-separated, blanks trimmed) exempts host (a server text, IPv6 in
// brackets or not): "*" alone exempts every host; a name exempts itself and every name below
// it, with or without a leading dot; an address or a range "address/bits" exempts the addresses
// it covers. Letter case and a trailing dot do not count, nor does the port.
bool NoProxyMatches(const QString& list, const QString& host);

// Where the proxy for an exchange comes from: nowhere, the environment, or one given URL with its
// own bypass list.
struct ProxySetting
{
    enum class Mode { None, Environment, Url };

    Mode mode = Mode::None;
    QString url; // the proxy when mode is Url
    QString noProxy; // its bypass list, as NoProxyMatches reads it
};

// The proxy an exchange uses and the log line that says why.
struct ProxyChoice
{
    std::optional<ProxyServer> proxy; // nothing: connect straight to the server
    QString reason; // "Using proxy http://host:port (https_proxy)", "No proxy (...)" or "No proxy"
};

// Chooses the proxy for target (its Secure flag and Server) under setting. environment holds the
// process's variables; the names read are http_proxy (lower case only, as an upper-case one may
// be set by a CGI request), https_proxy or HTTPS_PROXY, then all_proxy or ALL_PROXY, and no_proxy
// or NO_PROXY; empty values count as unset. Fails when the proxy URL to use does not parse.
Result ChooseProxy(const ProxySetting& setting, const HTTPRequest& target,
                   const QHash<QString, QString>& environment, ProxyChoice& choice);
