#include "analysis/ResponseAnalysis.h"

#include "analysis/DecodedBody.h"

#include <QJsonDocument>
#include <QJsonParseError>

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

QByteArray BodyViewText(const DecodedBody& body)
{
    QByteArray note;
    if (body.truncated)
        note = "[Body cut off after " + QByteArray::number(body.bytes.size()) + " bytes]\r\n\r\n";
    else if (!body.error.isEmpty())
        note = "[Body incomplete: " + body.error.toUtf8() + "]\r\n\r\n";

    if (!isText(body))
        return note + hexDump(body.bytes);
    if (isJson(body.mediaType) || body.mediaType.isEmpty()) {
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(body.text.toUtf8(), &error);
        if (error.error == QJsonParseError::NoError && !json.isNull())
            return note + json.toJson(QJsonDocument::Indented);
        if (isJson(body.mediaType))
            note += "[Not valid JSON: " + error.errorString().toUtf8() + " at offset "
                + QByteArray::number(error.offset) + "]\r\n\r\n";
    }
    return note + body.text.toUtf8();
}
