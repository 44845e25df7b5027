#include "message/HTTPResponse.h"

#include "message/ControlCharacters.h"
#include "message/ResponseHead.h"
#include "shell/LogSink.h"

#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// What a hostile server may make us process, in the spirit of browsers' limits; the raw
// response is kept and shown whatever its size.
constexpr qsizetype kMaxHeaderBlock = 1024 * 1024;
constexpr qsizetype kMaxSetCookieLines = 200;
constexpr qsizetype kMaxCookieSize = 8 * 1024;

// A cookie name fit for a log line: control characters shown as "?", long names cut.
QString shownName(const QString& name)
{
    QString shown = name.left(64);
    for (QChar& c : shown) {
        if (IsControlCharacter(c))
            c = u'?';
    }
    return shown;
}

// Where the response starts: the first "HTTP" in any letter case, or -1.
qint64 httpStart(const ChunkedBytes& data)
{
    return data.indexOf("HTTP", 0, Qt::CaseInsensitive);
}

// The status line from "HTTP" up to its LF (a CR before it dropped); false until the LF arrives.
bool statusLine(const ChunkedBytes& data, QByteArray& out)
{
    const qint64 start = httpStart(data);
    const qint64 lf = start < 0 ? -1 : data.indexOf("\n", start + 4);
    if (lf < 0)
        return false;
    out = data.mid(start, lf - start);
    if (out.endsWith('\r'))
        out.chop(1);
    return true;
}

// The head from "HTTP" up to, not including, the line end before the empty line.
bool headBlock(const ChunkedBytes& data, QByteArray& out)
{
    const qint64 start = httpStart(data);
    const HeadEnd end = start < 0 ? HeadEnd() : FindHeadEnd(data, start + 4);
    if (!end)
        return false;
    out = data.mid(start, end.lineEnd - start);
    if (out.endsWith('\r'))
        out.chop(1);
    return true;
}

} // namespace

HTTPResponse::HTTPResponse(LogSink* log)
    : m_log(log)
{ }

void HTTPResponse::AddResponseData(const QByteArray& newData)
{
    // A header block that never ends is not kept beyond the size anyone processes.
    if (!m_retainBody && (m_headerEnd >= 0 || m_data.size() >= kMaxHeaderBlock)) {
        m_dropped += newData.size();
        return;
    }
    const qint64 oldSize = m_data.size();
    m_data.append(newData);
    if (m_headerEnd < 0 && !newData.isEmpty()) {
        // Only the seam with earlier data and the new bytes can hold the first empty line.
        const HeadEnd end = FindHeadEnd(m_data, std::max<qint64>(0, oldSize - 2));
        if (end) {
            m_headerEnd = end.bodyStart;
            if (!m_retainBody && m_data.size() > m_headerEnd) {
                m_dropped = m_data.size() - m_headerEnd;
                const ChunkedBytes kept = m_data;
                m_data.clear();
                m_data.append(kept.mid(0, m_headerEnd));
            }
        }
    }
}

QString HTTPResponse::ResponseCode() const
{
    // The code is the status line's second word, ending at a space, a CR or the line's end;
    // the reason phrase may be missing.
    QByteArray line;
    if (statusLine(m_data, line)) {
        const qsizetype space = line.indexOf(' ');
        if (space > 0) {
            QByteArray code = line.mid(space + 1);
            const auto stop = std::find_if(code.cbegin(), code.cend(),
                                           [](char c) { return c == ' ' || c == '\r'; });
            code.truncate(stop - code.cbegin());
            return QString::fromUtf8(code);
        }
    }
    if (m_log)
        m_log->AddToLog(u"!ERROR! Could not determine response code"_s);
    return u"???"_s;
}

QByteArray HTTPResponse::Body() const
{
    return m_headerEnd < 0 ? QByteArray() : m_data.mid(m_headerEnd);
}

bool HTTPResponse::splitHeader()
{
    // A failed split is tried again only when more data has arrived since; it logs once.
    if (m_splitDone && (m_headerFound || m_splitSize == m_data.size()))
        return m_headerFound;
    QByteArray block;
    m_headerFound = headBlock(m_data, block);
    if (m_headerFound && block.size() > kMaxHeaderBlock) {
        block.truncate(block.lastIndexOf('\n', kMaxHeaderBlock) + 1);
        if (m_log)
            m_log->AddToLog(u"!ERROR! Response header block over 1 MB: only its first 1 MB "
                            "is processed"_s);
    }
    if (m_headerFound)
        m_header = QString::fromUtf8(block);
    else if (!m_splitDone && m_log)
        m_log->AddToLog(u"!ERROR! Error determining response header"_s);
    m_splitDone = true;
    m_splitSize = m_data.size();
    return m_headerFound;
}

QStringList HTTPResponse::GetHeader(const QString& name)
{
    QStringList values;
    if (splitHeader()) {
        // RFC 9112, 2.2: a line ends at LF, with an optional CR before it. A bare CR stays
        // inside the line, where it makes a cookie invalid.
        const QStringList lines = m_header.split(u'\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QString line = lines.at(i);
            if (line.endsWith(u'\r'))
                line.chop(1);
            if (line.isEmpty())
                break;
            const qsizetype colon = line.indexOf(u':');
            if (colon < 0 || line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) != 0)
                continue;
            static const QRegularExpression outerBlanks(u"^[ \\t]+|[ \\t]+$"_s);
            values.append(line.mid(colon + 1).remove(outerBlanks));
        }
    }
    if (values.isEmpty())
        values.append(QString());
    return values;
}

QList<Cookie> HTTPResponse::GetCookies()
{
    QList<Cookie> cookies;
    if (!splitHeader())
        return cookies;
    QStringList values = GetHeader(u"Set-Cookie"_s);
    values.removeAll(QString()); // a bare "Set-Cookie:" carries no cookie
    if (values.size() > kMaxSetCookieLines) {
        values.resize(kMaxSetCookieLines);
        if (m_log)
            m_log->AddToLog(u"!ERROR! More than 200 Set-Cookie lines: the rest are ignored"_s);
    }
    for (const QString& value : std::as_const(values)) {
        const Cookie cookie = ParseSetCookie(value);
        QString reason;
        // RFC 6265, 4.1.1: no control characters in a name or value; a CR or NUL anywhere in
        // the line makes it invalid, as it could end a request line later.
        if (value.contains(u'\r') || value.contains(QChar(0)) || cookie.hasControlCharacter())
            reason = u"control character in the line"_s;
        else if (value.toUtf8().size() > kMaxCookieSize)
            reason = u"larger than 8 KB"_s;
        if (reason.isEmpty())
            cookies.append(cookie);
        else if (m_log)
            m_log->AddToLog(u"Ignoring cookie '"_s + shownName(cookie.Name) + u"': "_s + reason);
    }
    return cookies;
}

bool HTTPResponse::isInterim(QByteArrayView more) const
{
    // Interim responses start "HTTP/1.x 1nn".
    QByteArray head = m_data.mid(0, 13);
    if (head.size() < 13)
        head.append(more.first(std::min<qsizetype>(more.size(), 13 - head.size())));
    static const QRegularExpression interim(u"^HTTP/1\\.\\d 1\\d\\d"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    return interim.match(QString::fromLatin1(head)).hasMatch();
}

qsizetype HTTPResponse::ownedLength(QByteArrayView newData) const
{
    if (m_headerEnd >= 0)
        return isInterim() ? 0 : newData.size();
    // Look for the end of the header block across the seam with what has arrived.
    const qsizetype tail = qsizetype(std::min<qint64>(2, m_data.size()));
    const QByteArray seam = m_data.mid(m_data.size() - tail) + newData.toByteArray();
    const HeadEnd end = FindHeadEnd(seam);
    if (!end)
        return newData.size();
    const qsizetype owned = qsizetype(end.bodyStart) - tail;
    return isInterim(newData) ? owned : newData.size();
}
