#include "analysis/HtmlRequest.h"

#include "analysis/HtmlScanner.h"
#include "editing/FormEncoder.h"
#include "message/UrlReference.h"

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
    std::optional<HTTPRequest> target = ResolveHttpReference(page, cleaned);
    if (!target)
        return result;
    target->setURL(escapeForRequestLine(target->URL()));
    target->HTTPver = u"HTTP/1.1"_s;
    target->setMethod(u"GET"_s);
    result.request = *target;
    result.status = ElementRequest::Status::Ready;
    return result;
}

} // namespace

HTTPRequest DocumentBase(const HTTPRequest& page, const QString& baseHref)
{
    const QString cleaned = cleanReference(baseHref);
    if (cleaned.isEmpty() || refusedScheme(cleaned))
        return page;
    // A relative base resolves against the page itself.
    std::optional<HTTPRequest> base = ResolveHttpReference(page, cleaned);
    return base ? *base : page;
}

ElementRequest LinkRequest(const QString& reference, const HTTPRequest& page,
                           const QString& baseHref)
{
    return resolve(reference, DocumentBase(page, baseHref));
}

QList<FormField> FormRows(const HtmlForm& form)
{
    QList<FormField> rows;
    const auto add = [&rows](const QString& name, const QString& type, const QString& value) {
        FormField row;
        row.name = name;
        row.type = type;
        row.values[0] = value;
        rows.append(row);
    };
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
            add(field.name + u".x"_s, field.type, u"0"_s);
            add(field.name + u".y"_s, field.type, u"0"_s);
            continue;
        }
        if (field.type == "FILE"_L1) {
            add(field.name, field.type, QString());
            continue;
        }
        if (field.type == "SELECT"_L1 && field.values.isEmpty())
            continue;
        const QStringList values
            = field.values.isEmpty() ? QStringList { QString() } : field.values;
        for (const QString& value : values)
            add(field.name, field.type, value);
    }
    return rows;
}

ElementRequest FormRequest(const HtmlForm& form, const QList<FormField>& rows,
                           const HTTPRequest& page, const QString& baseHref)
{
    // An empty action submits to the page itself, whatever the base says.
    ElementRequest result = form.action.isEmpty()
        ? resolve(form.action, page)
        : resolve(form.action, DocumentBase(page, baseHref));
    if (!result)
        return result;
    HTTPRequest& request = result.request;
    request.setMethod(form.method);
    if (form.method == "GET"_L1) {
        // A GET form replaces the action's query with its data (HTML form submission).
        const QString url = request.URL();
        const qsizetype query = url.indexOf(u'?');
        request.setURL((query < 0 ? url : url.left(query)) + u'?'
                       + QString::fromLatin1(EncodeUrlencoded(rows)));
        return result;
    }
    const FormBody body = EncodeForm(rows, form.multipart);
    if (!body) {
        result.status = ElementRequest::Status::Unusable;
        return result;
    }
    request.Body.ContentType = body.contentType;
    if (body.pieces.isEmpty())
        request.Body.setContents(body.body, body.displayText);
    else
        request.Body.setPieces(body.pieces, body.displayText);
    return result;
}
