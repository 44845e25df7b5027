#pragma once

#include "transport/ProxyChoice.h"

#include <QByteArray>
#include <QHash>
#include <QNetworkProxy>
#include <QString>

#include <optional>

class HTTPRequest;
struct ProxyPreference;

// The proxy an exchange's socket goes through and how: an HTTP proxy receives plain requests in
// absolute form or opens a CONNECT tunnel for TLS; a SOCKS5 proxy carries the connection.
struct ProxyRoute
{
    ProxyServer proxy;
    bool tunnel = false; // CONNECT to the target before TLS starts

    // The proxy's host as a socket takes it: an IPv6 literal without its brackets.
    QString connectHost() const;
    // The SOCKS5 proxy for Qt's socket; NoProxy for an HTTP proxy, which is spoken here.
    QNetworkProxy networkProxy() const;
};

// The setting the user data keeps, as the transport reads it.
ProxySetting SettingFromPreference(const ProxyPreference& preference);

// Applies --proxy and --noproxy (when given) to setting and the environment it reads, with
// curl's meaning: --proxy replaces the proxy (an empty one means none) and its bypass list is
// --noproxy, or else no_proxy from the environment; --noproxy alone replaces the bypass list of
// whichever proxy setting gives, the environment's no_proxy included.
void ApplyProxyOptions(const std::optional<QString>& proxy, const std::optional<QString>& noProxy,
                       ProxySetting& setting, QHash<QString, QString>& environment);

// The curl options that send through setting's proxy as a send does: for a proxy URL, -x with
// --proxy-user and always --noproxy (no_proxy does not apply to it); nothing otherwise (curl reads
// the environment itself).
QStringList CurlOptionsForProxy(const ProxySetting& setting);

// The "Basic ..." value of Proxy-Authorization for the proxy's credentials; empty without them.
QString ProxyAuthorization(const ProxyServer& proxy);

// Sets what request needs to go through choice's proxy, clearing what an earlier choice set: an
// HTTP proxy and a plain request give the absolute form's "http://host[:port]" (no port when it
// is 80, as curl sends it) and the Proxy-Authorization line.
void ApplyProxyToRequest(const ProxyChoice& choice, HTTPRequest& request);

// The CONNECT request that opens a tunnel to host:port: request line, Host, Proxy-Authorization
// when the proxy has credentials, and the empty line.
QByteArray ConnectRequestBytes(const ProxyServer& proxy, const QString& host, int port);

// The proxy's answer to CONNECT, read as it arrives.
class ConnectAnswer
{
public:
    // Takes received bytes; true once the head is complete. Bytes after the head stay in
    // bytes() (a refusal's body, or the start of TLS, which a server never sends first).
    bool feed(QByteArrayView data);
    bool complete() const { return m_headEnd >= 0; }
    // Everything received, head first.
    const QByteArray& bytes() const { return m_bytes; }
    // The head without its final empty line, for the log.
    QByteArray head() const;
    // The status code, 0 when the status line has none.
    int statusCode() const;
    // The status line, for messages.
    QString statusLine() const;
    // Whether the tunnel is open: a 2xx answer.
    bool opened() const { return statusCode() / 100 == 2; }

private:
    QByteArray m_bytes;
    qint64 m_headEnd = -1;
};

// The status code of a response's first bytes when its status line is complete; 0 otherwise.
int StatusCodeOf(QByteArrayView response);
