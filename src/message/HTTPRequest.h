#pragma once

#include "message/RequestBody.h"

#include <QByteArray>
#include <QString>

// One HTTP/1.x request as the user composed it. The only place that renders raw request text.
class HTTPRequest
{
public:
    bool Secure = false; // TLS when true
    QString Server; // host name or address exactly as typed
    QString Port; // port as text; only the transport turns it into a number
    QString HTTPver; // version token ending the request line, verbatim
    QString Header; // header lines joined by CR LF, no CR LF after the last one
    QString URLroot; // request path up to and including its last "/"
    QString ResourceName; // request path after its last "/"
    RequestBody Body;
    // Set for the way to an HTTP proxy only, never stored: "http://host[:port]" put before the
    // path in the request line, and header lines for the proxy after Header.
    QString ProxyPrefix;
    QString ProxyHeader;

    // The method as stored (upper-cased on assignment).
    const QString& Method() const { return m_method; }
    // Stores the whole text upper-cased; any token is accepted.
    void setMethod(const QString& method);

    // URLroot followed by ResourceName.
    QString URL() const { return URLroot + ResourceName; }
    // Splits the value at its last "/" into URLroot and ResourceName; stored unchanged.
    void setURL(const QString& url);

    // Scheme, server, ":", port and URL; the port is always present.
    QString FullPath() const;

    // The raw request text as shown: request line, header block, empty line, the body's Contents
    // (at most bodyLimit characters of it when bodyLimit is not negative).
    QString RequestMessage(qsizetype bodyLimit = -1) const;
    // The bytes before the body: request line, header block and the empty line, in UTF-8.
    QByteArray HeadBytes() const;
    // The bytes written to the socket: the text before the body in UTF-8, then the body's exact
    // bytes.
    QByteArray RequestBytes() const;

private:
    QString headerBlock() const;

    QString m_method;
};
