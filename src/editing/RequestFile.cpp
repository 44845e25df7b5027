#include "editing/RequestFile.h"

#include "message/ControlCharacters.h"
#include "message/HTTPRequest.h"
#include "persistence/ErrorCodes.h"
#include "persistence/XmlDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// The body as XML text, when XML 1.0 can carry its bytes exactly: valid UTF-8 without the
// control characters XML forbids (all of C0 except TAB, LF and CR) and without U+FFFE, U+FFFF.
bool bodyAsXmlText(const QByteArray& bytes, QString& text)
{
    text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

const QString kEncoding = u"encoding"_s;
const QString kBase64 = u"base64"_s;
const QString kFile = u"file"_s;

} // namespace

Result SaveRequestFile(const HTTPRequest& request, const QString& path)
{
    XmlDocument doc;
    XmlNode root = doc.documentNode().appendElement(u"request"_s);
    // The URL is kept as typed: paths and queries are case-sensitive.
    root.appendElement(u"host"_s).setText(request.Server);
    root.appendElement(u"port"_s).setText(request.Port);
    root.appendElement(u"url"_s).setText(request.URL());
    root.appendElement(u"httpver"_s).setText(request.HTTPver);
    root.appendElement(u"method"_s).setText(request.Method());
    root.appendElement(u"header"_s).setText(request.Header);
    XmlNode body = root.appendElement(u"body"_s);
    QString text;
    if (const QString file = request.Body.filePath(); !file.isEmpty()) {
        // A reference, relative to the request file when the body file lies beside or below
        // it; the empty section keeps the file loadable by readers that know no reference.
        const QDir folder = QFileInfo(path).absoluteDir();
        const QString relative = folder.relativeFilePath(file);
        body.setAttribute(kFile,
                          relative.isEmpty() || relative.startsWith("../"_L1) ? file : relative);
        body.appendCData(QString());
    } else {
        QByteArray bytes = request.Body.ContentBytes();
        // A body of several pieces (a form with a large file) has no reference: its bytes are
        // stored, read from its files now.
        if (request.Body.hasFiles()) {
            BodySource source(request.Body.pieces());
            bytes.reserve(qsizetype(source.size()));
            while (!source.atEnd()) {
                QByteArray block;
                if (const Result read = source.next(source.size(), block); !read)
                    return Result::failure(u"Error saving %1: %2"_s.arg(path, read.text),
                                           ErrorCode::FileAccess);
                bytes += block;
            }
        }
        if (bodyAsXmlText(bytes, text)) {
            body.appendCData(text);
        } else {
            // Kept whole rather than cut: such a body is stored as Base64, marked so.
            body.setAttribute(kEncoding, kBase64);
            body.appendCData(QString::fromLatin1(bytes.toBase64()));
        }
    }
    root.appendElement(u"secure"_s).setText(request.Secure ? u"True"_s : u"False"_s);
    if (const Result saved = doc.save(path, XmlFormat::Raw); !saved)
        return Result::failure(u"Error saving %1: %2"_s.arg(path, saved.text),
                               ErrorCode::FileAccess);
    return Result::success();
}

Result LoadRequestFile(const QString& path, HTTPRequest& request)
{
    XmlDocument doc;
    // Line ends stay as written so a CR LF body keeps its bytes and its Content-length.
    if (!doc.load(
            path,
            { .keepLineEnds = true, .requiredRoot = u"request"_s, .largeSectionsOf = u"body"_s })) {
        const XmlParseError& e = doc.parseError();
        return Result::failure(
            u"Error loading %1: (line %2) %3"_s.arg(path, QString::number(e.line), e.reason),
            ErrorCode::Own);
    }
    const XmlNode root = doc.documentElement();
    static const QString kElements[] = { u"host"_s,   u"port"_s,   u"url"_s,  u"httpver"_s,
                                         u"method"_s, u"header"_s, u"body"_s, u"secure"_s };
    for (const QString& name : kElements) {
        if (!root.child(name))
            return Result::failure(
                u"Error loading %1: the element <%2> is missing"_s.arg(path, name),
                ErrorCode::MissingNode);
    }
    const XmlNode body = root.child(u"body"_s);
    // A saved body is at least one (possibly empty) CDATA section.
    if (body.selectNodes(u"node()"_s).isEmpty())
        return Result::failure(u"Error loading %1: the element <body> is empty"_s.arg(path),
                               ErrorCode::MissingNode);
    const bool base64 = body.hasAttribute(kEncoding);
    if (base64 && body.attribute(kEncoding) != kBase64)
        return Result::failure(
            u"Error loading %1: <body> is not valid %2"_s.arg(path, body.attribute(kEncoding)),
            ErrorCode::TypeMismatch);
    const QString secure = root.child(u"secure"_s).text().trimmed();
    if (secure.compare("true"_L1, Qt::CaseInsensitive) != 0
        && secure.compare("false"_L1, Qt::CaseInsensitive) != 0)
        return Result::failure(
            u"Error loading %1: <secure> holds \"%2\", not True or False"_s.arg(path, secure),
            ErrorCode::TypeMismatch);

    // These go into the request line and the connection: a line break there would be a line
    // the user never composed.
    for (const QString& name : { u"host"_s, u"port"_s, u"url"_s, u"httpver"_s, u"method"_s }) {
        if (HasControlCharacter(root.child(name).text()))
            return Result::failure(
                u"Error loading %1: <%2> holds a control character"_s.arg(path, name),
                ErrorCode::TypeMismatch);
    }

    HTTPRequest loaded;
    loaded.Server = root.child(u"host"_s).text();
    loaded.Port = root.child(u"port"_s).text();
    // Every run of CRs before a line end goes, not just one: a stray CR left before the LF would
    // make a new CR LF pair, and the header a different one, each time the file is saved again.
    static const QRegularExpression kLineEnd(u"\r+\n"_s);
    loaded.Header = root.child(u"header"_s).text().replace(kLineEnd, u"\n"_s);
    loaded.HTTPver = root.child(u"httpver"_s).text();
    loaded.setMethod(root.child(u"method"_s).text());
    loaded.Secure = secure.compare("true"_L1, Qt::CaseInsensitive) == 0;
    loaded.setURL(root.child(u"url"_s).text());
    // A "]]>" in the body was written as several CDATA sections; text() joins them again.
    if (body.hasAttribute(kFile)) {
        const QString file = body.attribute(kFile);
        if (file.isEmpty() || HasControlCharacter(file))
            return Result::failure(u"Error loading %1: <body> names no usable file"_s.arg(path),
                                   ErrorCode::TypeMismatch);
        // A missing file is named when the request is sent, so the request can still be
        // opened and pointed elsewhere.
        loaded.Body.setFile(QDir::cleanPath(QFileInfo(path).absoluteDir().absoluteFilePath(file)));
    } else if (base64) {
        const auto decoded = QByteArray::fromBase64Encoding(
            doc.takeText(body), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return Result::failure(u"Error loading %1: <body> is not valid %2"_s.arg(path, kBase64),
                                   ErrorCode::TypeMismatch);
        loaded.Body.setContents(*decoded);
    } else {
        // Taken last, out of the document: a large body is kept once, not copied or decoded.
        const QByteArray text = doc.takeText(body);
        if (QByteArrayView(text).isValidUtf8())
            loaded.Body.setContents(text);
        else
            loaded.Body.setContents(QString::fromUtf8(text));
    }
    request = loaded;
    return Result::success();
}

QString RequestFileArgument(const QString& argument)
{
    const QString path = QString(argument).remove(u'"');
    return path.endsWith(".phr"_L1, Qt::CaseSensitive) ? path : QString();
}
