#include "analysis/DecodedBody.h"

#include "message/HTTPResponse.h"
#include "message/HexDigit.h"
#include "message/ResponseHead.h"
#include <brotli/decode.h>
#include <zlib.h>

#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kOutputBlock = 64 * 1024;
// Browsers look for a <meta> charset in the first 1024 bytes; a little more costs nothing.
constexpr qsizetype kCharsetPrescan = 4096;

struct HeaderBlock
{
    QList<std::pair<QString, QString>> fields;
    qsizetype bodyStart = -1;

    // Values of every field named name, comma-joined as RFC 9110 5.3 allows.
    QString value(QLatin1StringView name) const
    {
        QStringList values;
        for (const auto& [field, value] : fields)
            if (field.compare(name, Qt::CaseInsensitive) == 0)
                values.append(value);
        return values.join(u", "_s);
    }
    bool has(QLatin1StringView name) const
    {
        return std::any_of(fields.cbegin(), fields.cend(), [name](const auto& f) {
            return f.first.compare(name, Qt::CaseInsensitive) == 0;
        });
    }
};

HeaderBlock parseHeaderBlock(QByteArrayView raw)
{
    HeaderBlock block;
    const HeadEnd end = FindHeadEnd(raw);
    if (!end)
        return block;
    block.bodyStart = qsizetype(end.bodyStart);
    const QList<QByteArrayView> lines = [&] {
        QList<QByteArrayView> out;
        QByteArrayView rest = raw.first(qsizetype(end.lineEnd));
        for (qsizetype at = rest.indexOf('\n'); at >= 0; at = rest.indexOf('\n')) {
            out.append(rest.first(at));
            rest = rest.sliced(at + 1);
        }
        out.append(rest);
        return out;
    }();
    for (qsizetype i = 1; i < lines.size(); ++i) { // the status line is not a field
        QByteArrayView line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        block.fields.append({ QString::fromLatin1(line.first(colon)).trimmed(),
                              QString::fromLatin1(line.sliced(colon + 1)).trimmed() });
    }
    return block;
}

QStringList codingList(const QString& header)
{
    QStringList out;
    for (const QString& item : header.split(u',', Qt::SkipEmptyParts)) {
        // A transfer coding may carry parameters after ";"; none of ours uses them.
        const QString name = item.section(u';', 0, 0).trimmed().toLower();
        if (!name.isEmpty())
            out.append(name);
    }
    return out;
}

bool appendCapped(QByteArray& out, const char* data, qsizetype size, qint64 limit, bool& truncated)
{
    const qint64 room = limit - out.size();
    if (size > room) {
        out.append(data, qsizetype(std::max<qint64>(0, room)));
        truncated = true;
        return false;
    }
    out.append(data, size);
    return true;
}

// Reads one line starting at pos; LF alone ends it as well as CR LF (RFC 9112 2.2).
bool readLine(QByteArrayView data, qsizetype& pos, QByteArrayView& line)
{
    const qsizetype lf = data.indexOf('\n', pos);
    if (lf < 0)
        return false;
    line = data.sliced(pos, lf - pos);
    if (line.endsWith('\r'))
        line.chop(1);
    pos = lf + 1;
    return true;
}

QByteArray inflateZlib(QByteArrayView data, int windowBits, qint64 limit, bool& truncated,
                       QString& error)
{
    QByteArray out;
    z_stream stream {};
    if (inflateInit2(&stream, windowBits) != Z_OK) {
        error = u"zlib could not start"_s;
        return out;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(std::min<qsizetype>(data.size(), std::numeric_limits<uInt>::max()));
    std::array<char, kOutputBlock> buffer;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = uInt(buffer.size());
        const int rc = inflate(&stream, Z_NO_FLUSH);
        const qsizetype produced = qsizetype(buffer.size()) - stream.avail_out;
        if (!appendCapped(out, buffer.data(), produced, limit, truncated))
            break;
        if (rc == Z_STREAM_END) {
            // gzip allows several members back to back (RFC 1952 2.2).
            if (windowBits > 15 && stream.avail_in > 0 && inflateReset(&stream) == Z_OK)
                continue;
            break;
        }
        if (rc == Z_BUF_ERROR && stream.avail_in == 0) {
            error = u"compressed data ends early"_s;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            error = u"corrupt compressed data ("_s
                + QString::fromLatin1(stream.msg ? stream.msg : "?") + u')';
            break;
        }
    }
    inflateEnd(&stream);
    return out;
}

QByteArray decodeBrotli(QByteArrayView data, qint64 limit, bool& truncated, QString& error)
{
    QByteArray out;
    BrotliDecoderState* state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!state) {
        error = u"brotli could not start"_s;
        return out;
    }
    const auto* next = reinterpret_cast<const uint8_t*>(data.data());
    size_t available = size_t(data.size());
    std::array<uint8_t, kOutputBlock> buffer;
    for (;;) {
        uint8_t* outNext = buffer.data();
        size_t outAvailable = buffer.size();
        const BrotliDecoderResult rc = BrotliDecoderDecompressStream(
            state, &available, &next, &outAvailable, &outNext, nullptr);
        const qsizetype produced = qsizetype(buffer.size() - outAvailable);
        if (!appendCapped(out, reinterpret_cast<const char*>(buffer.data()), produced, limit,
                          truncated))
            break;
        if (rc == BROTLI_DECODER_RESULT_SUCCESS)
            break;
        if (rc == BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT) {
            error = u"compressed data ends early"_s;
            break;
        }
        if (rc == BROTLI_DECODER_RESULT_ERROR) {
            error = u"corrupt compressed data ("_s
                + QString::fromLatin1(BrotliDecoderErrorString(BrotliDecoderGetErrorCode(state)))
                + u')';
            break;
        }
    }
    BrotliDecoderDestroyInstance(state);
    return out;
}

bool isValidUtf8(QByteArrayView bytes)
{
    return bytes.isValidUtf8();
}

QString charsetParameter(const QString& contentType)
{
    static const QRegularExpression charset(u"(?:^|;)\\s*charset\\s*=\\s*\"?([^\";\\s]+)"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = charset.match(contentType);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

QString declaredCharset(QByteArrayView bytes)
{
    const QString head = QString::fromLatin1(bytes.first(std::min(bytes.size(), kCharsetPrescan)));
    static const QRegularExpression xml(u"^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']+)[\"']"_s,
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression meta(
        u"<meta\\s[^>]*charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9._:-]+)"_s,
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = xml.match(head);
    if (!m.hasMatch())
        m = meta.match(head);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

} // namespace

QByteArray removeChunkedCoding(QByteArrayView body, qint64 limit, bool& truncated, QString& error)
{
    QByteArray out;
    qsizetype pos = 0;
    for (;;) {
        QByteArrayView line;
        if (!readLine(body, pos, line)) {
            error = u"chunked body ends before its last chunk"_s;
            return out;
        }
        // chunk-size [ chunk-ext ]: extensions follow ";" and mean nothing to us.
        const qsizetype semicolon = line.indexOf(';');
        const QByteArrayView sizeText = (semicolon < 0 ? line : line.first(semicolon)).trimmed();
        // Fifteen hex digits always fit in qint64; a longer size is refused before any is read.
        bool ok = sizeText.size() > 0 && sizeText.size() <= 15;
        qint64 size = 0;
        for (qsizetype i = 0; ok && i < sizeText.size(); ++i) {
            const int digit = HexDigitValue(char16_t(uchar(sizeText[i])));
            ok = digit >= 0;
            if (ok)
                size = size * 16 + digit;
        }
        if (!ok) {
            error = u"malformed chunk size '"_s
                + QString::fromLatin1(sizeText.first(std::min<qsizetype>(sizeText.size(), 40)))
                + u'\'';
            return out;
        }
        if (size == 0) {
            // The trailer section: fields up to an empty line, dropped like extensions.
            while (readLine(body, pos, line) && !line.isEmpty()) { }
            return out;
        }
        const qint64 available = body.size() - pos;
        const qsizetype take = qsizetype(std::min(size, available));
        if (!appendCapped(out, body.data() + pos, take, limit, truncated))
            return out;
        if (size > available) {
            error = u"chunked body ends inside a chunk"_s;
            return out;
        }
        pos += take;
        // The CR LF after the data; a bare LF is accepted, anything else is tolerated.
        if (body.sliced(pos).startsWith("\r\n"))
            pos += 2;
        else if (body.sliced(pos).startsWith("\n"))
            pos += 1;
    }
}

QByteArray removeContentCoding(QByteArrayView data, const QString& coding, qint64 limit,
                               bool& truncated, QString& error)
{
    // HEAD and 304 responses name the coding of a body they do not carry.
    if (data.isEmpty())
        return {};
    if (coding == "identity"_L1 || coding.isEmpty()) {
        QByteArray out;
        appendCapped(out, data.data(), data.size(), limit, truncated);
        return out;
    }
    if (coding == "gzip"_L1 || coding == "x-gzip"_L1)
        return inflateZlib(data, 15 + 16, limit, truncated, error);
    if (coding == "deflate"_L1) {
        // "deflate" means the zlib format (RFC 9110 8.4.1.2), yet some servers send raw
        // deflate; a zlib header has CM 8 and a check value dividing by 31.
        const bool zlibHeader = data.size() >= 2 && (uchar(data[0]) & 0x0F) == 8
            && ((uchar(data[0]) << 8) | uchar(data[1])) % 31 == 0;
        return inflateZlib(data, zlibHeader ? 15 : -15, limit, truncated, error);
    }
    if (coding == "br"_L1)
        return decodeBrotli(data, limit, truncated, error);
    error = u"unsupported coding '"_s + coding + u'\'';
    return data.toByteArray();
}

QString detectCharset(QByteArrayView bytes, const QString& contentType)
{
    if (QString declared = charsetParameter(contentType); !declared.isEmpty())
        return declared;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return u"utf-8"_s;
    if (bytes.startsWith("\xFF\xFE"))
        return u"utf-16le"_s;
    if (bytes.startsWith("\xFE\xFF"))
        return u"utf-16be"_s;
    if (QString declared = declaredCharset(bytes); !declared.isEmpty())
        return declared;
    return isValidUtf8(bytes) ? u"utf-8"_s : u"iso-8859-1"_s;
}

QString decodeText(QByteArrayView bytes, const QString& charset)
{
    // Latin-1 names are decoded directly; windows-1252 needs the platform's converters.
    static const QStringList latin1 = { u"iso-8859-1"_s, u"latin1"_s, u"latin-1"_s,
                                        u"us-ascii"_s,   u"ascii"_s,  u"iso_8859-1"_s };
    if (latin1.contains(charset))
        return QString::fromLatin1(bytes);
    if (charset == "utf-8"_L1 || charset == "utf8"_L1) {
        // fromUtf8 shows every invalid sequence as U+FFFD, a cut-off last one included.
        QString text = QString::fromUtf8(bytes);
        if (text.startsWith(QChar::ByteOrderMark))
            text.remove(0, 1);
        return text;
    }
    QStringDecoder decoder(charset.toLatin1().constData());
    if (!decoder.isValid())
        return isValidUtf8(bytes) ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    QString text = decoder.decode(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text;
}

QString responseMediaType(QByteArrayView raw)
{
    return parseHeaderBlock(raw).value("content-type"_L1).section(u';', 0, 0).trimmed().toLower();
}

DecodedBody decodeBody(QByteArrayView raw, qint64 limit)
{
    DecodedBody result;
    const HeaderBlock header = parseHeaderBlock(raw);
    if (header.bodyStart < 0) {
        result.error = u"no header block"_s;
        return result;
    }
    const QString contentType = header.value("content-type"_L1);
    result.mediaType = contentType.section(u';', 0, 0).trimmed().toLower();

    QByteArrayView body = raw.sliced(header.bodyStart);
    QByteArray current;
    QStringList done;
    if (!header.has("transfer-encoding"_L1) && header.has("content-length"_L1)) {
        bool ok = false;
        const qint64 length = header.value("content-length"_L1).toLongLong(&ok);
        // Bytes after the declared length belong to no body.
        if (ok && length >= 0 && length < body.size())
            body = body.first(qsizetype(length));
    }
    bool coded = false; // current holds the latest stage
    QStringList transfer = codingList(header.value("transfer-encoding"_L1));
    if (!transfer.isEmpty() && transfer.constLast() == "chunked"_L1) {
        current = removeChunkedCoding(body, limit, result.truncated, result.error);
        coded = true;
        transfer.removeLast();
        done.append(u"chunked"_s);
    }
    // Content codings were applied in listed order, then the transfer codings: undo the
    // last applied first.
    QStringList undo = codingList(header.value("content-encoding"_L1)) + transfer;
    std::reverse(undo.begin(), undo.end());
    for (const QString& coding : std::as_const(undo)) {
        // A cut-off stage is still undone: the start of a document is worth showing.
        if (coding == "identity"_L1)
            continue;
        QString error;
        QByteArray next = removeContentCoding(coded ? QByteArrayView(current) : body, coding, limit,
                                              result.truncated, error);
        if (error.startsWith(u"unsupported"_s)) {
            // The bytes stay as they are so far; nothing after this coding can be undone.
            result.error = error;
            break;
        }
        current = std::move(next);
        coded = true;
        done.append(coding);
        if (!error.isEmpty() && result.error.isEmpty())
            result.error = error;
    }
    if (!coded)
        appendCapped(current, body.data(), body.size(), limit, result.truncated);
    result.bytes = std::move(current);
    result.codings = done.join(u", "_s);
    if (result.truncated && result.error.isEmpty())
        result.error = u"truncated"_s;
    result.charset = detectCharset(result.bytes, contentType);
    result.text = decodeText(result.bytes, result.charset);
    return result;
}

DecodedBody decodeBody(const HTTPResponse& response, qint64 limit)
{
    return decodeBody(response.ResponseData().toByteArray(), limit);
}
