#include "editing/FormEncoder.h"

#include "editing/HeaderTable.h"
#include "persistence/TextUtil.h"
#include "shell/Result.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBoundaryAttempts = 10;
// A FILE row's file up to this size is read when the form is made (shown as text when it is
// text, checked against the boundary); a larger one is streamed from the disk when sent.
constexpr qint64 kInMemoryFileSize = 1 << 20;

// Free text is sent with CR LF line breaks whatever the editor or the page used.
QString withCrLf(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    text.replace(u"\n"_s, u"\r\n"_s);
    return text;
}

// A name or file name inside a quoted string of Content-Disposition. Browsers escape only
// these three bytes; escaping CR and LF also keeps a name from starting a header line.
QByteArray quotedName(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('"', "%22");
    bytes.replace('\r', "%0D");
    bytes.replace('\n', "%0A");
    return bytes;
}

// The (name, value) pairs a row sends, in order; a File row is handled by the caller.
QList<std::pair<QString, QString>> pairsOf(const FormField& field)
{
    switch (field.kind()) {
    case FormFieldKind::SingleValue:
        return { { field.name, field.values.value(0) } };
    case FormFieldKind::MultiValue: {
        QList<std::pair<QString, QString>> pairs;
        for (const QString& value : field.values) {
            if (!value.isEmpty())
                pairs.append({ field.name, value });
        }
        if (pairs.isEmpty())
            pairs.append({ field.name, QString() });
        return pairs;
    }
    case FormFieldKind::Text:
        return { { field.name, withCrLf(field.values.value(field.textIndex())) } };
    case FormFieldKind::Image:
        return { { field.name + u".x"_s, field.values.value(0) },
                 { field.name + u".y"_s, field.values.value(1) } };
    case FormFieldKind::File:
        return { { field.name, QFileInfo(field.filePath()).fileName() } };
    case FormFieldKind::None:
        break;
    }
    return {};
}

// Text without control characters other than tab and line breaks, in valid UTF-8.
bool isReadableText(const QByteArray& bytes, QString& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder(bytes);
    if (decoder.hasError())
        return false;
    for (const QChar c : std::as_const(text)) {
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c == u'\x7f')
            return false;
    }
    return true;
}

QString forDisplay(const QString& text)
{
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    return shown;
}

struct Part
{
    QByteArray headers; // each line ending in CR LF
    QByteArray content;
    QString shown; // what the body box shows of the content
    BodyPiece file; // a large file, read when sent, instead of content
};

Part valuePart(const QString& name, const QString& value)
{
    return { "Content-Disposition: form-data; name=\"" + quotedName(name) + "\"\r\n",
             value.toUtf8(),
             forDisplay(value),
             {} };
}

// The part of a FILE row; fails when the file cannot be read.
Result filePart(const FormField& field, Part& part)
{
    const QString path = field.filePath();
    const QString fileName = QFileInfo(path).fileName();
    QByteArray contents;
    QString mimeType = u"application/octet-stream"_s;
    part.headers = "Content-Disposition: form-data; name=\"" + quotedName(field.name)
        + "\"; filename=\"" + quotedName(fileName) + "\"\r\nContent-Type: ";
    if (!path.isEmpty() && QFileInfo(path).size() > kInMemoryFileSize) {
        part.file = BodyPiece::wholeFile(path);
        if (part.file.fileSize < 0 || !QFileInfo(path).isReadable())
            return Result::failure(
                u"Cannot read the file \"%1\" of field \"%2\""_s.arg(path, field.name));
        mimeType = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
        part.headers += mimeType.toUtf8() + "\r\n";
        part.shown = u"<file \"%1\", %2 bytes>"_s.arg(fileName).arg(part.file.fileSize);
        return Result::success();
    }
    if (!path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            contents = file.readAll();
        if (!file.isOpen() || file.error() != QFileDevice::NoError)
            return Result::failure(u"Cannot read the file \"%1\" of field \"%2\": %3"_s.arg(
                path, field.name, file.errorString()));
        // By extension, as browsers do: the same file gets the same type wherever it lies.
        mimeType = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
    }
    QString text;
    const QString shown = isReadableText(contents, text)
        ? forDisplay(text)
        : u"<file \"%1\", %2 bytes>"_s.arg(fileName).arg(contents.size());
    part.headers += mimeType.toUtf8() + "\r\n";
    part.content = contents;
    part.shown = shown;
    return Result::success();
}

} // namespace

QByteArray NewFormBoundary()
{
    static constexpr char kAlphabet[]
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray boundary = "----PelorinFormBoundary";
    for (int i = 0; i < 16; ++i)
        boundary += kAlphabet[QRandomGenerator::system()->bounded(int(sizeof kAlphabet) - 1)];
    return boundary;
}

QByteArray EncodeUrlencoded(const QList<FormField>& fields)
{
    QByteArrayList pieces;
    for (const FormField& field : fields) {
        for (const auto& [name, value] : pairsOf(field))
            pieces.append((URLEncode(name) + u'=' + URLEncode(value)).toLatin1());
    }
    return pieces.join('&');
}

FormBody EncodeMultipart(const QList<FormField>& fields, const BoundarySource& nextBoundary)
{
    FormBody result;
    QList<Part> parts;
    for (const FormField& field : fields) {
        if (field.kind() == FormFieldKind::File) {
            Part part;
            if (const Result read = filePart(field, part); !read) {
                result.error = read.text;
                return result;
            }
            parts.append(part);
            continue;
        }
        for (const auto& [name, value] : pairsOf(field))
            parts.append(valuePart(name, value));
    }

    QByteArray boundary;
    for (int attempt = 0; attempt < kBoundaryAttempts && boundary.isEmpty(); ++attempt) {
        boundary = nextBoundary();
        for (const Part& part : std::as_const(parts)) {
            if (boundary.isEmpty() || part.headers.contains(boundary)
                || part.content.contains(boundary)) {
                boundary.clear();
                break;
            }
        }
    }
    if (boundary.isEmpty()) {
        result.error = u"No multipart boundary could be found that the form's contents do not "
                       "contain."_s;
        return result;
    }

    // RFC 2046 5.1.1: the CR LF before each delimiter belongs to the delimiter, and the
    // close delimiter ends the body.
    const QByteArray delimiter = "--" + boundary;
    const QString shownDelimiter = QString::fromLatin1(delimiter);
    // The random boundary is not looked for in streamed files: reading them twice would cost
    // more than the one chance in 62^16 of a clash.
    for (const Part& part : std::as_const(parts)) {
        result.body += delimiter + "\r\n" + part.headers + "\r\n";
        if (part.file.isFile()) {
            result.pieces.append(BodyPiece::memory(std::exchange(result.body, {})));
            result.pieces.append(part.file);
        }
        result.body += part.content + "\r\n";
        result.displayText += shownDelimiter + u'\n' + forDisplay(QString::fromUtf8(part.headers))
            + u'\n' + part.shown + u'\n';
    }
    result.body += delimiter + "--\r\n";
    if (!result.pieces.isEmpty())
        result.pieces.append(BodyPiece::memory(std::exchange(result.body, {})));
    result.displayText += shownDelimiter + u"--\n"_s;
    result.contentType = u"multipart/form-data; boundary="_s + QString::fromLatin1(boundary);
    return result;
}

FormBody EncodeForm(const QList<FormField>& fields, bool multipartRequested)
{
    const bool hasFile = std::any_of(fields.begin(), fields.end(), [](const FormField& field) {
        return field.kind() == FormFieldKind::File;
    });
    if (hasFile || multipartRequested)
        return EncodeMultipart(fields);
    FormBody result;
    result.body = EncodeUrlencoded(fields);
    result.contentType = u"application/x-www-form-urlencoded"_s;
    result.displayText = QString::fromLatin1(result.body);
    return result;
}

void SetFormBodyHeaders(HeaderTable& headers, const FormBody& body)
{
    headers.AddHeader(u"Content-type"_s, body.contentType, false);
    headers.AddHeader(u"Content-length"_s, QString::number(body.size()), false);
}
