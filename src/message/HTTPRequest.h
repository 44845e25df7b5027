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

    // The raw request text: request line, header block, empty line, body.
    QString RequestMessage() const;
    // RequestMessage as the bytes written to the socket (UTF-8).
    QByteArray RequestBytes() const;

private:
    QString m_method;
};
