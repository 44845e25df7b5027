#include "support/MultipartParser.h"

using namespace Qt::StringLiterals;

namespace {

bool isBChar(char c)
{
    static const QByteArray kOthers = "'()+_,-./:=? ";
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
        || kOthers.contains(c);
}

bool isTokenChar(char c)
{
    static const QByteArray kSpecials = "()<>@,;:\\\"/[]?= \t";
    return c > 0x20 && c < 0x7f && !kSpecials.contains(c);
}

// Reads `; key=value` parameters after the media type or disposition type. A value is a token
// or a quoted string without escapes, CR or LF. Returns false on malformed input.
bool readParameters(QByteArray text, QMap<QByteArray, QByteArray>& params, QString& error)
{
    while (!text.isEmpty()) {
        text = text.trimmed();
        if (text.isEmpty())
            break;
        if (!text.startsWith(';')) {
            error = u"parameter list: expected ';' at '%1'"_s.arg(QString::fromUtf8(text));
            return false;
        }
        text = text.mid(1).trimmed();
        const qsizetype eq = text.indexOf('=');
        if (eq <= 0) {
            error = u"parameter without '='"_s;
            return false;
        }
        const QByteArray key = text.left(eq).toLower();
        for (const char c : key) {
            if (!isTokenChar(c)) {
                error = u"bad parameter name"_s;
                return false;
            }
        }
        if (params.contains(key)) {
            error = u"parameter '%1' repeated"_s.arg(QString::fromLatin1(key));
            return false;
        }
        text = text.mid(eq + 1);
        QByteArray value;
        if (text.startsWith('"')) {
            const qsizetype close = text.indexOf('"', 1);
            if (close < 0) {
                error = u"unterminated quoted string"_s;
                return false;
            }
            value = text.mid(1, close - 1);
            if (value.contains('\r') || value.contains('\n')) {
                error = u"CR or LF inside a quoted string"_s;
                return false;
            }
            text = text.mid(close + 1);
        } else {
            qsizetype end = 0;
            while (end < text.size() && isTokenChar(text.at(end)))
                ++end;
            value = text.left(end);
            if (value.isEmpty()) {
                error = u"empty parameter value"_s;
                return false;
            }
            text = text.mid(end);
        }
        params.insert(key, value);
    }
    return true;
}

bool readPart(const QByteArray& raw, MultipartPart& part, QString& error)
{
    const qsizetype headEnd = raw.indexOf("\r\n\r\n");
    // A part without headers starts with the blank line at once.
    const bool noHeaders = raw.startsWith("\r\n");
    if (headEnd < 0 && !noHeaders) {
        error = u"part without the blank line after its headers"_s;
        return false;
    }
    const QByteArray head = noHeaders ? QByteArray() : raw.left(headEnd);
    part.content = noHeaders ? raw.mid(2) : raw.mid(headEnd + 4);
    if (!head.isEmpty()) {
        const qsizetype crlfs = head.count("\r\n");
        if (head.count('\r') != crlfs || head.count('\n') != crlfs) {
            error = u"bare CR or LF in the part headers"_s;
            return false;
        }
        const QList<QByteArray> lines = QByteArray(head).replace("\r\n", "\n").split('\n');
        for (const QByteArray& line : lines) {
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) {
                error = u"header line without a name: '%1'"_s.arg(QString::fromUtf8(line));
                return false;
            }
            const QByteArray name = line.left(colon).toLower();
            for (const char c : name) {
                if (!isTokenChar(c)) {
                    error = u"bad header name '%1'"_s.arg(QString::fromUtf8(name));
                    return false;
                }
            }
            if (part.headers.contains(name)) {
                error = u"header '%1' repeated"_s.arg(QString::fromLatin1(name));
                return false;
            }
            part.headers.insert(name, line.mid(colon + 1).trimmed());
        }
    }
    const QByteArray disposition = part.headers.value("content-disposition");
    if (!disposition.toLower().startsWith("form-data")) {
        error = u"part without Content-Disposition: form-data"_s;
        return false;
    }
    QMap<QByteArray, QByteArray> params;
    if (!readParameters(disposition.mid(9), params, error))
        return false;
    if (!params.contains("name")) {
        error = u"Content-Disposition without name"_s;
        return false;
    }
    for (const QByteArray& key : params.keys()) {
        if (key != "name" && key != "filename") {
            error = u"unexpected parameter '%1'"_s.arg(QString::fromLatin1(key));
            return false;
        }
    }
    part.name = params.value("name");
    part.hasFilename = params.contains("filename");
    part.filename = params.value("filename");
    return true;
}

} // namespace

MultipartMessage parseMultipart(const QByteArray& contentType, const QByteArray& body)
{
    MultipartMessage message;
    const qsizetype semicolon = contentType.indexOf(';');
    if (contentType.left(semicolon).trimmed().toLower() != "multipart/form-data") {
        message.error = u"media type is not multipart/form-data"_s;
        return message;
    }
    QMap<QByteArray, QByteArray> params;
    if (semicolon < 0 || !readParameters(contentType.mid(semicolon), params, message.error)) {
        if (message.error.isEmpty())
            message.error = u"no boundary parameter"_s;
        return message;
    }
    const QByteArray boundary = params.value("boundary");
    if (boundary.isEmpty() || boundary.size() > 70 || boundary.endsWith(' ')) {
        message.error = u"boundary missing or of a bad length"_s;
        return message;
    }
    for (const char c : boundary) {
        if (!isBChar(c)) {
            message.error = u"boundary holds a character outside bchars"_s;
            return message;
        }
    }
    message.boundary = boundary;

    const QByteArray dashBoundary = "--" + boundary;
    const QByteArray delimiter = "\r\n" + dashBoundary;
    if (!body.startsWith(QByteArray(dashBoundary + "\r\n"))
        && body != QByteArray(dashBoundary + "--\r\n")) {
        message.error = u"body does not begin with the first delimiter line"_s;
        return message;
    }
    qsizetype pos = dashBoundary.size();
    while (true) {
        if (body.mid(pos, 4) == "--\r\n") {
            if (pos + 4 != body.size()) {
                message.error = u"bytes after the close delimiter"_s;
                return message;
            }
            return message;
        }
        if (body.mid(pos, 2) != "\r\n") {
            message.error = u"delimiter not followed by CR LF or \"--\" CR LF"_s;
            return message;
        }
        pos += 2;
        const qsizetype next = body.indexOf(delimiter, pos);
        if (next < 0) {
            message.error = u"no close delimiter"_s;
            return message;
        }
        MultipartPart part;
        if (!readPart(body.mid(pos, next - pos), part, message.error)) {
            message.error = u"part %1: "_s.arg(message.parts.size() + 1) + message.error;
            return message;
        }
        message.parts.append(part);
        pos = next + delimiter.size();
    }
}

QByteArray unescapeQuotedName(const QByteArray& name)
{
    return QByteArray(name).replace("%22", "\"").replace("%0D", "\r").replace("%0A", "\n");
}
