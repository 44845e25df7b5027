#include "analysis/HtmlRequest.h"

#include "analysis/HtmlScanner.h"
#include "persistence/TextUtil.h"
#include "transport/Redirect.h"

#include <QRandomGenerator>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

const QString kRefusedLinkMessage = u"Javascript: and Mailto: links cannot be requested!"_s;

namespace {

// Browsers drop TAB and line breaks anywhere in a URL and blanks around it, so
// "java\nscript:" is still a javascript: link.
QString cleanReference(const QString& reference)
{
    QString text = reference.trimmed();
    text.remove(u'\t').remove(u'\n').remove(u'\r');
    return text;
}

// A reference with a scheme other than http or https is never requested (RFC 3986 3.1:
// the scheme runs up to the first ":" before any "/", "?" or "#").
bool refusedScheme(const QString& reference)
{
    static const QRegularExpression scheme(u"^([A-Za-z][A-Za-z0-9+.-]*):"_s);
    const QRegularExpressionMatch m = scheme.match(reference);
    if (!m.hasMatch())
        return false;
    const QString name = m.captured(1).toLower();
    return name != "http"_L1 && name != "https"_L1;
}

// Blanks, controls and non-ASCII characters would break the request line; browsers send
// them %-encoded as UTF-8.
QString escapeForRequestLine(const QString& url)
{
    QString out;
    for (const QChar c : url) {
        const char16_t u = c.unicode();
        if (u > 0x20 && u < 0x7F && u != u'"' && u != u'<' && u != u'>' && u != u'`') {
            out += c;
            continue;
        }
        for (const char byte : QString(c).toUtf8())
            out += u'%' + QString::number(uchar(byte), 16).toUpper().rightJustified(2, u'0');
    }
    return out;
}

ElementRequest resolve(const QString& reference, const HTTPRequest& page)
{
    ElementRequest result;
    const QString cleaned = cleanReference(reference);
    if (refusedScheme(cleaned)) {
        result.status = ElementRequest::Status::Refused;
        return result;
    }
    std::optional<HTTPRequest> target = ResolveRedirect(page, cleaned);
    if (!target)
        return result;
    target->setURL(escapeForRequestLine(target->URL()));
    target->HTTPver = u"HTTP/1.1"_s;
    target->setMethod(u"GET"_s);
    result.request = *target;
    result.status = ElementRequest::Status::Ready;
    return result;
}

QString crlfLines(const QString& value)
{
    QString text = value;
    text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u'\n', u"\r\n"_s);
    return text;
}

// Names in a Content-Disposition header are quoted; browsers %-encode what would end them.
QString quotedName(const QString& name)
{
    QString text = name;
    text.replace(u'"', u"%22"_s).replace(u'\r', u"%0D"_s).replace(u'\n', u"%0A"_s);
    return u'"' + text + u'"';
}

} // namespace

ElementRequest LinkRequest(const QString& reference, const HTTPRequest& page)
{
    return resolve(reference, page);
}

QList<FormRow> FormRows(const HtmlForm& form)
{
    QList<FormRow> rows;
    bool submitterTaken = false;
    for (const HtmlField& field : form.fields) {
        const bool submitter = field.type == "SUBMIT"_L1 || field.type == "IMAGE"_L1;
        // Pressing Enter submits with the first submit button as the submitter.
        const bool isFirstSubmitter = submitter && !submitterTaken && !field.disabled;
        if (submitter && !field.disabled)
            submitterTaken = true;
        if (field.disabled || field.name.isEmpty())
            continue;
        if (field.type == "BUTTON"_L1 || field.type == "RESET"_L1)
            continue;
        if ((field.type == "CHECKBOX"_L1 || field.type == "RADIO"_L1) && !field.checked)
            continue;
        if (submitter && !isFirstSubmitter)
            continue;
        if (field.type == "IMAGE"_L1) {
            rows.append({ field.name + u".x"_s, field.type, { u"0"_s } });
            rows.append({ field.name + u".y"_s, field.type, { u"0"_s } });
            continue;
        }
        if (field.type == "FILE"_L1) {
            rows.append({ field.name, field.type, { QString() } });
            continue;
        }
        if (field.type == "SELECT"_L1 && field.values.isEmpty())
            continue;
        rows.append({ field.name, field.type, field.values });
    }
    return rows;
}

QString UrlencodedFormBody(const QList<FormRow>& rows)
{
    QStringList pieces;
    for (const FormRow& row : rows) {
        const QStringList values = row.values.isEmpty() ? QStringList { QString() } : row.values;
        for (const QString& value : values)
            pieces.append(URLEncode(crlfLines(row.name)) + u'=' + URLEncode(crlfLines(value)));
    }
    return pieces.join(u'&');
}

QString MultipartFormBody(const QList<FormRow>& rows, const QString& boundary)
{
    QString body;
    for (const FormRow& row : rows) {
        const QStringList values = row.values.isEmpty() ? QStringList { QString() } : row.values;
        for (const QString& value : values) {
            body += u"--"_s + boundary + u"\r\nContent-Disposition: form-data; name="_s
                + quotedName(row.name);
            if (row.type == "FILE"_L1)
                body += u"; filename="_s + quotedName(FileNameFromPath(value))
                    + u"\r\nContent-Type: application/octet-stream\r\n\r\n\r\n"_s;
            else
                body += u"\r\n\r\n"_s + crlfLines(value) + u"\r\n"_s;
        }
    }
    return body + u"--"_s + boundary + u"--\r\n"_s;
}

QString NewMultipartBoundary()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString boundary = u"----PelorinFormBoundary"_s;
    for (int i = 0; i < 16; ++i)
        boundary += QChar::fromLatin1(
            alphabet[QRandomGenerator::global()->bounded(int(sizeof(alphabet) - 1))]);
    return boundary;
}

ElementRequest FormRequest(const HtmlForm& form, const QList<FormRow>& rows,
                           const HTTPRequest& page)
{
    ElementRequest result = resolve(form.action, page);
    if (!result)
        return result;
    HTTPRequest& request = result.request;
    request.setMethod(form.method);
    if (form.method == "GET"_L1) {
        // A GET form replaces the action's query with its data (HTML form submission).
        const QString url = request.URL();
        const qsizetype query = url.indexOf(u'?');
        request.setURL((query < 0 ? url : url.left(query)) + u'?' + UrlencodedFormBody(rows));
        return result;
    }
    if (form.multipart) {
        const QString boundary = NewMultipartBoundary();
        request.Body.ContentType = u"multipart/form-data; boundary="_s + boundary;
        request.Body.setContents(MultipartFormBody(rows, boundary));
    } else {
        request.Body.ContentType = u"application/x-www-form-urlencoded"_s;
        request.Body.setContents(UrlencodedFormBody(rows));
    }
    return result;
}
