#include "message/ResponseFraming.h"

#include "message/HexDigit.h"

#include <QList>

#include <algorithm>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The same cap the response parser uses for what it processes of a head.
constexpr qsizetype kMaxHeadSize = 1024 * 1024;
constexpr qsizetype kMaxChunkLine = 64 * 1024;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && isBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isBlank(v.back()))
        v.chop(1);
    return v;
}

// The comma-separated items of a field value, trimmed, empty ones included.
QList<QByteArrayView> listItems(QByteArrayView value)
{
    QList<QByteArrayView> items;
    qsizetype from = 0;
    for (qsizetype comma; (comma = value.indexOf(',', from)) >= 0; from = comma + 1)
        items.append(trimmed(value.sliced(from, comma - from)));
    items.append(trimmed(value.sliced(from)));
    return items;
}

// A Content-Length value: digits, or a list of identical digit runs (RFC 9110 §8.6).
qint64 parseLength(QByteArrayView value)
{
    qint64 result = -1;
    for (QByteArrayView item : listItems(value)) {
        if (item.isEmpty())
            return -1;
        qint64 n = 0;
        for (char c : item) {
            if (c < '0' || c > '9' || n > (std::numeric_limits<qint64>::max() - 9) / 10)
                return -1;
            n = n * 10 + (c - '0');
        }
        if (result >= 0 && n != result)
            return -1;
        result = n;
    }
    return result;
}

} // namespace

ResponseFraming::ResponseFraming(bool requestWasHead)
    : m_head(requestWasHead)
{ }

qsizetype ResponseFraming::feed(QByteArrayView data)
{
    qsizetype used = 0;
    while (used < data.size() && (m_state == State::Head || m_state == State::Body)) {
        const QByteArrayView rest = data.sliced(used);
        if (m_state == State::Head) {
            used += feedHead(rest);
        } else if (m_kind == BodyKind::Length) {
            const qint64 take = std::min<qint64>(m_remaining, rest.size());
            m_remaining -= take;
            used += qsizetype(take);
            if (m_remaining == 0)
                m_state = State::Complete;
        } else if (m_kind == BodyKind::Chunked) {
            used += feedChunked(rest);
        } else {
            used = data.size();
        }
    }
    if (m_state == State::Invalid)
        used = data.size();
    m_taken += used;
    return used;
}

void ResponseFraming::close()
{
    if (m_state == State::Body && m_kind == BodyKind::UntilClose) {
        m_state = State::Complete;
        return;
    }
    if (m_state != State::Head && m_state != State::Body)
        return;
    m_cutShort = true;
    if (m_taken == 0)
        m_problem = u"Connection closed before a response began"_s;
    else if (m_state == State::Head)
        m_problem = u"Connection closed before the end of the response head"_s;
    else if (m_kind == BodyKind::Length)
        m_problem = u"Connection closed %1 bytes before the end of the body (Content-Length %2)"_s
                        .arg(m_remaining)
                        .arg(m_length);
    else
        m_problem = u"Connection closed before the end of the chunked body"_s;
}

qsizetype ResponseFraming::feedHead(QByteArrayView data)
{
    qsizetype used = 0;
    while (used < data.size() && m_state == State::Head) {
        const QByteArrayView rest = data.sliced(used);
        const auto* lf = static_cast<const char*>(std::memchr(rest.data(), '\n', rest.size()));
        const qsizetype piece = lf ? lf - rest.data() : rest.size();
        if (m_headSize + piece + 1 > kMaxHeadSize) {
            fail(u"Response head over 1 MB"_s);
            break;
        }
        m_line.append(rest.first(piece));
        used += piece;
        m_headSize += piece;
        // Garbage where a response should begin shows at once, not only at its first LF.
        if (!m_statusRead
            && !QByteArrayView("HTTP/").startsWith(
                m_line.first(std::min<qsizetype>(m_line.size(), 5)))) {
            fail(u"No status line where a response should begin"_s);
            break;
        }
        if (!lf)
            break;
        ++used;
        ++m_headSize;
        QByteArrayView line = m_line;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() && m_statusRead)
            headEnded();
        else if (!headLine(line))
            break;
        m_line.clear();
    }
    return used;
}

bool ResponseFraming::headLine(QByteArrayView line)
{
    if (!m_statusRead) {
        // HTTP-version SP 3DIGIT [SP reason]; the version's digits are not checked further.
        const qsizetype space = line.indexOf(' ');
        const QByteArrayView code = space < 0
            ? QByteArrayView()
            : line.sliced(space + 1).first(std::min<qsizetype>(3, line.size() - space - 1));
        const bool digits = code.size() == 3
            && std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (space < 0 || !digits || (line.size() > space + 4 && line.at(space + 4) != ' ')) {
            fail(u"Malformed status line"_s);
            return false;
        }
        m_status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
        m_statusRead = true;
        return true;
    }
    if (isBlank(line.front())) {
        // A folded framing field could be read two ways; that ambiguity is how responses are
        // smuggled, so it is refused rather than guessed.
        if (m_lastField == "content-length" || m_lastField == "transfer-encoding") {
            fail(u"Folded %1 line"_s.arg(QString::fromLatin1(m_lastField)));
            return false;
        }
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || isBlank(line.at(colon - 1))) {
        fail(u"Malformed header line"_s);
        return false;
    }
    m_lastField = line.first(colon).toByteArray().toLower();
    const QByteArrayView value = trimmed(line.sliced(colon + 1));
    if (m_lastField == "content-length") {
        const qint64 length = parseLength(value);
        if (length < 0 || (m_length >= 0 && length != m_length)) {
            fail(u"Invalid or conflicting Content-Length"_s);
            return false;
        }
        m_length = length;
    } else if (m_lastField == "transfer-encoding") {
        m_hasTransferEncoding = true;
        QByteArrayView last;
        for (QByteArrayView coding : listItems(value)) {
            if (!coding.isEmpty())
                last = coding;
        }
        if (!last.isEmpty())
            m_chunkedLast = last.compare("chunked", Qt::CaseInsensitive) == 0;
    }
    return true;
}

void ResponseFraming::headEnded()
{
    m_state = State::Body;
    if (m_status < 200 || m_status == 204 || m_status == 304 || m_head) {
        m_kind = BodyKind::None;
        m_length = -1;
    } else if (m_hasTransferEncoding) {
        // Transfer-Encoding overrides Content-Length; a coding other than chunked last runs
        // until the close (RFC 9112 §6.3, items 3 and 4).
        m_kind = m_chunkedLast ? BodyKind::Chunked : BodyKind::UntilClose;
        m_length = -1;
    } else if (m_length >= 0) {
        m_kind = BodyKind::Length;
        m_remaining = m_length;
    } else {
        m_kind = BodyKind::UntilClose;
    }
    if (m_kind == BodyKind::None || (m_kind == BodyKind::Length && m_length == 0))
        m_state = State::Complete;
}

qsizetype ResponseFraming::feedChunked(QByteArrayView data)
{
    qsizetype i = 0;
    while (i < data.size() && m_state == State::Body) {
        const char c = data.at(i);
        switch (m_chunk) {
        case Chunk::Size:
            if (const int v = HexDigitValue(char16_t(uchar(c))); v >= 0) {
                if (m_chunkSize > (std::numeric_limits<qint64>::max() >> 4)) {
                    fail(u"Chunk size too large"_s);
                    return i;
                }
                m_chunkSize = m_chunkSize * 16 + v;
                m_sizeDigits = true;
                ++i;
            } else if (m_sizeDigits && (c == ';' || isBlank(c) || c == '\r' || c == '\n')) {
                m_chunk = Chunk::Extension;
                m_line.clear();
            } else {
                fail(u"Malformed chunk size"_s);
                return i;
            }
            break;
        case Chunk::Extension:
        case Chunk::Trailer: {
            const QByteArrayView rest = data.sliced(i);
            const auto* lf = static_cast<const char*>(std::memchr(rest.data(), '\n', rest.size()));
            const qsizetype piece = lf ? lf - rest.data() : rest.size();
            if (m_line.size() + piece > kMaxChunkLine) {
                fail(u"Chunk line or trailer over 64 KB"_s);
                return i;
            }
            m_line.append(rest.first(piece));
            i += piece;
            if (!lf)
                break;
            ++i;
            if (m_chunk == Chunk::Extension) {
                m_chunk = m_chunkSize == 0 ? Chunk::Trailer : Chunk::Data;
                m_remaining = m_chunkSize;
            } else if (m_line.isEmpty() || m_line == "\r") {
                m_state = State::Complete;
            }
            m_line.clear();
            break;
        }
        case Chunk::Data: {
            const qint64 take = std::min<qint64>(m_remaining, data.size() - i);
            i += qsizetype(take);
            m_remaining -= take;
            if (m_remaining == 0) {
                m_chunk = Chunk::DataEnd;
                m_sawCr = false;
            }
            break;
        }
        case Chunk::DataEnd:
            if (c == '\r' && !m_sawCr) {
                m_sawCr = true;
            } else if (c == '\n') {
                m_chunk = Chunk::Size;
                m_chunkSize = 0;
                m_sizeDigits = false;
            } else {
                fail(u"Chunk data not followed by a line end"_s);
                return i;
            }
            ++i;
            break;
        }
    }
    return i;
}

void ResponseFraming::fail(const QString& problem)
{
    m_state = State::Invalid;
    m_problem = problem;
}
