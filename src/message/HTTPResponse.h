#pragma once

#include "message/ChunkedBytes.h"
#include "message/Cookie.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class LogSink;

// One response as received, kept byte-exact. Every question is answered by searching the
// received bytes again; nothing is validated.
class HTTPResponse
{
public:
    // Parse errors are written to log, which must outlive the response; null means no log.
    explicit HTTPResponse(LogSink* log = nullptr);

    // Appends one received chunk (shared, not copied). Without body retention only the
    // bytes up to the end of the header block (at most about 1 MB) are kept; the rest is
    // counted.
    void AddResponseData(const QByteArray& newData);
    // Every byte received (and kept) for this response, in arrival order.
    const ChunkedBytes& ResponseData() const { return m_data; }
    // Whether bytes after the header block are kept (the default). Streaming runs that pass
    // the body on as it arrives need only the header block.
    void setBodyRetained(bool retained) { m_retainBody = retained; }
    // Bytes received for this response, kept or not.
    qint64 receivedSize() const { return m_data.size() + m_dropped; }

    // The status code text (the status line's second word, ending at a space or the line end),
    // or "???" (with a log line) when no status line is found.
    QString ResponseCode() const;
    // Everything after the first empty line (LF LF, each LF with an optional CR); empty when there
    // is none or the body was not retained.
    QByteArray Body() const;
    // The header block: from "HTTP" up to the first empty line. Empty until split.
    const QString& Header() const { return m_header; }

    // Values of every header line whose field name equals name (letter case ignored),
    // trimmed of spaces and tabs, in line order; one empty string when none matches. Lines end
    // at LF (a CR before it is dropped); only the first 1 MB of the header block is read.
    QStringList GetHeader(const QString& name);
    // One cookie per Set-Cookie line, in line order; empty when there is none or no
    // header block was found. Lines with control characters or over 8 KB are left out, and
    // lines after the 200th are ignored; each case is logged.
    QList<Cookie> GetCookies();

    // How many leading bytes of newData still belong to this response: all of them,
    // except once an interim (1xx) response's header block has ended; the bytes after it
    // start the next response.
    qsizetype ownedLength(QByteArrayView newData) const;

private:
    bool splitHeader();
    bool isInterim(QByteArrayView more = {}) const;

    LogSink* m_log;
    ChunkedBytes m_data;
    QString m_header;
    qint64 m_headerEnd = -1; // offset after the first empty line, -1 until it arrives
    bool m_headerFound = false;
    bool m_splitDone = false;
    qint64 m_splitSize = -1; // data size when a failed split ran
    bool m_retainBody = true;
    qint64 m_dropped = 0; // body bytes counted but not kept
};
