#include "analysis/ResponseAnalysis.h"

#include "analysis/DecodedBody.h"
#include "analysis/JsonLayout.h"

using namespace Qt::StringLiterals;

namespace {

bool isJson(const QString& mediaType)
{
    return mediaType == "application/json"_L1 || mediaType.endsWith("+json"_L1)
        || mediaType == "text/json"_L1;
}

bool isText(const DecodedBody& body)
{
    const QString& type = body.mediaType;
    if (type.startsWith("text/"_L1) || isJson(type) || type.endsWith("+xml"_L1)
        || type.endsWith("/xml"_L1) || type == "application/javascript"_L1
        || type == "application/x-www-form-urlencoded"_L1)
        return true;
    if (!type.isEmpty() && !type.startsWith("application/octet-stream"_L1))
        return false;
    // Without a telling type: text is what has no NUL and decodes without replacement.
    const QByteArrayView head
        = QByteArrayView(body.bytes).first(std::min<qsizetype>(body.bytes.size(), kHexDumpLength));
    return !head.contains('\0')
        && !body.text.left(kHexDumpLength).contains(QChar::ReplacementCharacter);
}

QByteArray hexDump(const QByteArray& bytes)
{
    QByteArray out;
    const qsizetype shown = std::min<qsizetype>(bytes.size(), kHexDumpLength);
    out.reserve(shown / 16 * 78 + 100);
    for (qsizetype row = 0; row < shown; row += 16) {
        out += QByteArray::number(row, 16).rightJustified(8, '0') + "  ";
        QByteArray ascii;
        for (qsizetype i = row; i < row + 16; ++i) {
            if (i < shown) {
                const uchar c = uchar(bytes.at(i));
                out += QByteArray::number(c, 16).rightJustified(2, '0') + ' ';
                ascii += c >= 0x20 && c < 0x7F ? char(c) : '.';
            } else {
                out += "   ";
            }
            if (i == row + 7)
                out += ' ';
        }
        out += ' ' + ascii + "\r\n";
    }
    out += "\r\n" + QByteArray::number(bytes.size()) + " bytes";
    if (bytes.size() > shown)
        out += ", first " + QByteArray::number(shown) + " shown";
    return out + "\r\n";
}

} // namespace

bool IsHtmlMediaType(const QString& mediaType)
{
    return mediaType == "text/html"_L1 || mediaType == "application/xhtml+xml"_L1;
}

QByteArray BodyViewText(const DecodedBody& body, bool asJson)
{
    QByteArray note;
    if (body.truncated)
        note = "[Body cut off after " + QByteArray::number(body.bytes.size()) + " bytes]\r\n\r\n";
    else if (!body.error.isEmpty())
        note = "[Body incomplete: " + body.error.toUtf8() + "]\r\n\r\n";

    if (!asJson && !isText(body))
        return note + hexDump(body.bytes);
    // A body without a type may merely look like JSON; it is laid out only when asked.
    QByteArray text = body.text.toUtf8();
    if (asJson || isJson(body.mediaType)) {
        JsonFault fault;
        if (std::optional<QByteArray> laidOut = LayOutJson(text, &fault))
            return note + *laidOut;
        note += "[Not valid JSON: " + fault.reason.toUtf8() + " at offset "
            + QByteArray::number(fault.offset) + "]\r\n\r\n";
    }
    return note + text;
}
