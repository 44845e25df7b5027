#include "analysis/HtmlScanner.h"

#include <QHash>

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kLinkTextLength = 25;

bool isBlank(QChar c)
{
    // TAB, LF, FF, CR and the blank separate attributes alike (HTML's ASCII whitespace).
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Position of "<" + name at or after from, where the name ends at a blank, or also at ">"
// or "/" when bareAllowed; -1 when there is none.
qsizetype findTag(const QString& text, QLatin1StringView name, qsizetype from, bool bareAllowed)
{
    const QString opener = u'<' + QString(name);
    for (qsizetype at = text.indexOf(opener, from, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(opener, at + 1, Qt::CaseInsensitive)) {
        const qsizetype after = at + opener.size();
        if (after >= text.size())
            return -1;
        const QChar c = text.at(after);
        if (isBlank(c) || (bareAllowed && (c == u'>' || c == u'/')))
            return at;
    }
    return -1;
}

// The ">" ending a tag whose attributes start at from, quoted values skipped; -1 when
// there is none or a "<" outside quotes shows that the tag is broken.
qsizetype tagEnd(const QString& text, qsizetype from)
{
    QChar quote;
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            // A quote opens a value only after "="; elsewhere it is a stray character.
            qsizetype j = i - 1;
            while (j >= from && isBlank(text.at(j)))
                --j;
            if (j >= from && text.at(j) == u'=')
                quote = c;
        } else if (c == u'>') {
            return i;
        } else if (c == u'<') {
            return -1;
        }
    }
    // An unclosed quote: fall back to the first ">", as if the quote were text.
    if (!quote.isNull()) {
        const qsizetype end = text.indexOf(u'>', from);
        const qsizetype broken = text.indexOf(u'<', from);
        return end >= 0 && (broken < 0 || broken > end) ? end : -1;
    }
    return -1;
}

QString collapseBlanks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (isBlank(c) || c == QChar::Nbsp) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

// The elements whose content is text, never markup (HTML's raw text and RCDATA elements;
// a template's content is not part of the document either). plaintext never ends.
constexpr std::array<QLatin1StringView, 10> kRawTextElements
    = { "script"_L1, "style"_L1,  "template"_L1, "textarea"_L1, "title"_L1,
        "xmp"_L1,    "iframe"_L1, "noembed"_L1,  "noframes"_L1, "plaintext"_L1 };

bool tagNameEnds(const QString& text, qsizetype at)
{
    return at >= text.size() || isBlank(text.at(at)) || text.at(at) == u'>' || text.at(at) == u'/';
}

void blankOut(QString& text, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i)
        text[i] = u' ';
}

// The text with comments and the content of raw-text elements blanked, positions kept, so
// markup written inside them (commented-out navigation, scripts building HTML in strings)
// is never taken for elements.
QString maskInertText(const QString& text)
{
    const QStringView view(text);
    auto at = [&](qsizetype pos, QLatin1StringView what) {
        return pos + what.size() <= view.size()
            && view.sliced(pos, what.size()).compare(what, Qt::CaseInsensitive) == 0;
    };
    QString masked = text;
    // The next closer of each raw-text element, kept while it lies ahead, so a page of
    // unclosed elements is not searched to its end once per element. -2: not searched yet.
    std::array<qsizetype, kRawTextElements.size()> nextCloser;
    nextCloser.fill(-2);
    qsizetype pos = text.indexOf(u'<');
    while (pos >= 0 && pos < text.size()) {
        if (at(pos, "<!--"_L1)) {
            // "<!-->" and "<!--->" are complete comments; an unclosed one runs to the end.
            qsizetype end;
            if (at(pos + 4, ">"_L1)) {
                end = pos + 5;
            } else if (at(pos + 4, "->"_L1)) {
                end = pos + 6;
            } else {
                const qsizetype close = text.indexOf(u"-->"_s, pos + 4);
                end = close < 0 ? text.size() : close + 3;
            }
            blankOut(masked, pos, end);
            pos = text.indexOf(u'<', end);
            continue;
        }
        qsizetype next = pos + 1;
        for (size_t k = 0; k < kRawTextElements.size(); ++k) {
            const QLatin1StringView name = kRawTextElements[k];
            const qsizetype after = pos + 1 + name.size();
            if (!at(pos + 1, name) || !tagNameEnds(text, after))
                continue;
            qsizetype start = tagEnd(text, after);
            if (start < 0)
                start = text.indexOf(u'>', after);
            if (start < 0)
                return masked;
            const QString closer = u"</"_s + QString(name);
            qsizetype& close = nextCloser[k];
            if (name == "plaintext"_L1)
                close = -1;
            else if (close != -1 && close <= start) {
                close = text.indexOf(closer, start + 1, Qt::CaseInsensitive);
                while (close >= 0 && !tagNameEnds(text, close + closer.size()))
                    close = text.indexOf(closer, close + 1, Qt::CaseInsensitive);
            }
            qsizetype end = close;
            // An unclosed textarea still ends with its form, so the form keeps its closer.
            if (end < 0 && name == "textarea"_L1)
                end = text.indexOf(u"</form"_s, start + 1, Qt::CaseInsensitive);
            if (end < 0)
                end = text.size();
            blankOut(masked, start + 1, end);
            next = end;
            break;
        }
        pos = text.indexOf(u'<', next);
    }
    return masked;
}

const HtmlAttribute* findAttribute(const QList<HtmlAttribute>& attributes, QLatin1StringView name)
{
    for (const HtmlAttribute& a : attributes)
        if (a.name == name)
            return &a;
    return nullptr;
}

QString attributeValue(const QList<HtmlAttribute>& attributes, QLatin1StringView name)
{
    const HtmlAttribute* a = findAttribute(attributes, name);
    return a ? a->value : QString();
}

QString fieldType(const QString& tag, const QString& inputType)
{
    if (tag == "textarea"_L1)
        return u"TEXTAREA"_s;
    if (tag == "select"_L1)
        return u"SELECT"_s;
    static const QHash<QString, QString> types = {
        { u"radio"_s, u"RADIO"_s },   { u"checkbox"_s, u"CHECKBOX"_s },
        { u"image"_s, u"IMAGE"_s },   { u"submit"_s, u"SUBMIT"_s },
        { u"hidden"_s, u"HIDDEN"_s }, { u"password"_s, u"PASSWORD"_s },
        { u"file"_s, u"FILE"_s },     { u"button"_s, u"BUTTON"_s },
        { u"reset"_s, u"RESET"_s },   { u"textarea"_s, u"TEXTAREA"_s },
    };
    // Every other input (no type, text, email, search, a typo) is a text field, as browsers do.
    return types.value(inputType.toLower(), u"TEXT"_s);
}

// The options of a select body: selected ones, or the first when none is and the
// select takes one value.
QStringList selectValues(const QString& body, bool multiple)
{
    QStringList selected;
    QString first;
    bool haveFirst = false;
    qsizetype pos = 0;
    for (int pass = 0; pass < kHtmlScanPasses; ++pass) {
        const qsizetype at = findTag(body, "option"_L1, pos, true);
        if (at < 0)
            break;
        const qsizetype end = tagEnd(body, at + 7);
        if (end < 0) {
            pos = at + 7;
            continue;
        }
        const QList<HtmlAttribute> attributes = ParseAttributes(body.mid(at + 7, end - at - 7));
        const qsizetype next = body.indexOf(u'<', end + 1);
        QString value;
        if (const HtmlAttribute* v = findAttribute(attributes, "value"_L1))
            value = v->value;
        else
            value = collapseBlanks(
                DecodeCharacterReferences(body.mid(end + 1, next < 0 ? -1 : next - end - 1)));
        pos = end + 1;
        if (findAttribute(attributes, "disabled"_L1))
            continue;
        if (!haveFirst) {
            first = value;
            haveFirst = true;
        }
        if (findAttribute(attributes, "selected"_L1)) {
            selected.append(value);
            if (!multiple)
                return selected; // the first selected wins in a single select
        }
    }
    if (selected.isEmpty() && !multiple && haveFirst)
        selected.append(first);
    return selected;
}

HtmlField makeField(const QString& tag, const QString& attributeText)
{
    HtmlField field;
    field.tag = tag;
    field.attributes = ParseAttributes(attributeText);
    field.name = attributeValue(field.attributes, "name"_L1);
    field.type = fieldType(tag, attributeValue(field.attributes, "type"_L1).trimmed());
    field.checked = findAttribute(field.attributes, "checked"_L1) != nullptr;
    field.disabled = findAttribute(field.attributes, "disabled"_L1) != nullptr;
    if (tag == "input"_L1) {
        const HtmlAttribute* value = findAttribute(field.attributes, "value"_L1);
        if (value)
            field.values.append(value->value);
        else if (field.type == "CHECKBOX"_L1 || field.type == "RADIO"_L1)
            field.values.append(u"on"_s);
        else
            field.values.append(QString());
    }
    return field;
}

// Fields of one form body, in document order; raw is the body before masking, where a
// textarea's text is read.
QList<HtmlField> scanFields(const QString& body, const QString& raw)
{
    QList<HtmlField> fields;
    static constexpr std::array<QLatin1StringView, 3> names
        = { "input"_L1, "textarea"_L1, "select"_L1 };
    // Where each kind occurs next; searched again only once the scan has passed it.
    std::array<qsizetype, 3> next = { -2, -2, -2 };
    qsizetype pos = 0;
    for (int pass = 0; pass < kHtmlScanPasses; ++pass) {
        qsizetype at = -1;
        QLatin1StringView tag;
        for (size_t k = 0; k < names.size(); ++k) {
            if (next[k] != -1 && next[k] < pos)
                next[k] = findTag(body, names[k], pos, true);
            if (next[k] >= 0 && (at < 0 || next[k] < at)) {
                at = next[k];
                tag = names[k];
            }
        }
        if (at < 0)
            break;
        const qsizetype attributesStart = at + 1 + tag.size();
        const qsizetype end = tagEnd(body, attributesStart);
        if (end < 0) {
            pos = attributesStart;
            continue;
        }
        HtmlField field = makeField(QString(tag), body.mid(attributesStart, end - attributesStart));
        pos = end + 1;
        if (tag != "input"_L1) {
            const QString closer = u"</"_s + QString(tag);
            const qsizetype close = body.indexOf(closer, end + 1, Qt::CaseInsensitive);
            const QString content = body.mid(end + 1, close < 0 ? -1 : close - end - 1);
            if (tag == "textarea"_L1) {
                QString value
                    = DecodeCharacterReferences(raw.mid(end + 1, close < 0 ? -1 : close - end - 1));
                // A line break right after the start tag is not part of the value.
                if (value.startsWith(u"\r\n"_s))
                    value.remove(0, 2);
                else if (value.startsWith(u'\n'))
                    value.remove(0, 1);
                field.values = { value };
            } else {
                field.values = selectValues(
                    content, findAttribute(field.attributes, "multiple"_L1) != nullptr);
            }
            // Without its closer the element's text runs to the end, as in a browser.
            pos = close >= 0 ? close + closer.size() : body.size();
        }
        fields.append(std::move(field));
    }
    return fields;
}

void scanLinks(const QString& text, bool images, QList<HtmlLink>& out)
{
    const QLatin1StringView tag = images ? "img"_L1 : "a"_L1;
    const QLatin1StringView referenceName = images ? "src"_L1 : "href"_L1;
    qsizetype pos = 0;
    qsizetype nextClose = -2; // -2: not searched yet, -1: there is none
    // An image map's areas are links too; they are listed among the anchors in document order.
    qsizetype nextArea = images ? -1 : -2;
    for (int pass = 0; pass < kHtmlScanPasses; ++pass) {
        qsizetype at = findTag(text, tag, pos, false);
        if (nextArea != -1 && nextArea < pos)
            nextArea = findTag(text, "area"_L1, pos, true);
        const bool area = nextArea >= 0 && (at < 0 || nextArea < at);
        if (area)
            at = nextArea;
        if (at < 0)
            break;
        const qsizetype attributesStart = at + 1 + (area ? 4 : tag.size());
        pos = attributesStart;
        const qsizetype end = tagEnd(text, attributesStart);
        if (end < 0)
            continue;
        HtmlLink link;
        link.attributes = ParseAttributes(text.mid(attributesStart, end - attributesStart));
        if (const HtmlAttribute* reference = findAttribute(link.attributes, referenceName)) {
            link.reference = reference->value;
            link.hasReference = true;
        }
        pos = end + 1;
        if (area) {
            link.text = collapseBlanks(attributeValue(link.attributes, "alt"_L1));
        } else if (!images) {
            // The closer found for an earlier anchor serves while it lies ahead, so a page
            // of unclosed anchors is not searched to its end once per anchor.
            if (nextClose != -1 && nextClose <= end)
                nextClose = text.indexOf(u"</a>"_s, end + 1, Qt::CaseInsensitive);
            const qsizetype close = nextClose;
            if (close >= 0) {
                // Tags inside the link text stay in it as plain text.
                QString linkText
                    = collapseBlanks(DecodeCharacterReferences(text.mid(end + 1, close - end - 1)));
                if (linkText.size() > kLinkTextLength)
                    linkText = linkText.left(kLinkTextLength) + u" ..."_s;
                link.text = linkText.trimmed();
            }
        }
        if (link.text.isEmpty() && link.hasReference)
            link.text = LastPathSegment(link.reference);
        out.append(std::move(link));
    }
}

// The href of the first base element that has one (HTML's document base URL).
void scanBase(const QString& text, HtmlElements& elements)
{
    qsizetype pos = 0;
    for (int pass = 0; pass < kHtmlScanPasses; ++pass) {
        const qsizetype at = findTag(text, "base"_L1, pos, true);
        if (at < 0)
            return;
        pos = at + 5;
        const qsizetype end = tagEnd(text, at + 5);
        if (end < 0)
            continue;
        const QList<HtmlAttribute> attributes = ParseAttributes(text.mid(at + 5, end - at - 5));
        if (const HtmlAttribute* href = findAttribute(attributes, "href"_L1)) {
            elements.baseHref = href->value;
            elements.hasBase = true;
            return;
        }
    }
}

void scanForms(const QString& text, const QString& raw, QList<HtmlForm>& out)
{
    qsizetype pos = 0;
    qsizetype nextClose = -2; // as for anchors
    for (int pass = 0; pass < kHtmlScanPasses; ++pass) {
        const qsizetype at = findTag(text, "form"_L1, pos, true);
        if (at < 0)
            break;
        if (nextClose != -1 && nextClose < at + 5)
            nextClose = text.indexOf(u"</form>"_s, at + 5, Qt::CaseInsensitive);
        const qsizetype close = nextClose;
        const qsizetype end = tagEnd(text, at + 5);
        // A form without its closer, or holding another form, is skipped.
        const qsizetype inner = close < 0 ? -1 : findTag(text, "form"_L1, at + 5, true);
        if (close < 0 || end < 0 || end > close || (inner >= 0 && inner < close)) {
            pos = at + 5;
            continue;
        }
        HtmlForm form;
        form.attributes = ParseAttributes(text.mid(at + 5, end - at - 5));
        form.name = attributeValue(form.attributes, "name"_L1);
        form.method = attributeValue(form.attributes, "method"_L1)
                          .trimmed()
                          .compare("post"_L1, Qt::CaseInsensitive)
                == 0
            ? u"POST"_s
            : u"GET"_s;
        form.action = attributeValue(form.attributes, "action"_L1).trimmed();
        form.multipart = attributeValue(form.attributes, "enctype"_L1)
                             .trimmed()
                             .compare("multipart/form-data"_L1, Qt::CaseInsensitive)
            == 0;
        form.fields
            = scanFields(text.mid(end + 1, close - end - 1), raw.mid(end + 1, close - end - 1));
        out.append(std::move(form));
        pos = close + 7;
    }
}

} // namespace

QString DecodeCharacterReferences(const QString& text)
{
    static const QHash<QString, QString> named = {
        { u"amp"_s, u"&"_s },        { u"lt"_s, u"<"_s },         { u"gt"_s, u">"_s },
        { u"quot"_s, u"\""_s },      { u"apos"_s, u"'"_s },       { u"nbsp"_s, u"\u00A0"_s },
        { u"copy"_s, u"\u00A9"_s },  { u"reg"_s, u"\u00AE"_s },   { u"euro"_s, u"\u20AC"_s },
        { u"ndash"_s, u"\u2013"_s }, { u"mdash"_s, u"\u2014"_s }, { u"hellip"_s, u"\u2026"_s },
        { u"laquo"_s, u"\u00AB"_s }, { u"raquo"_s, u"\u00BB"_s }, { u"middot"_s, u"\u00B7"_s },
    };
    if (!text.contains(u'&'))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const qsizetype semicolon = c == u'&' ? text.indexOf(u';', i + 1) : -1;
        if (semicolon < 0 || semicolon - i > 12) {
            out += c;
            continue;
        }
        const QString name = text.mid(i + 1, semicolon - i - 1);
        QString decoded;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
            const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            // NUL, surrogates and values past Unicode become the replacement character.
            if (ok)
                decoded = code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)
                    ? QString(QChar::ReplacementCharacter)
                    : QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        } else {
            decoded = named.value(name);
        }
        if (decoded.isEmpty()) {
            out += c;
            continue;
        }
        out += decoded;
        i = semicolon;
    }
    return out;
}

QList<HtmlAttribute> ParseAttributes(const QString& text)
{
    QList<HtmlAttribute> attributes;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && (isBlank(text.at(i)) || text.at(i) == u'/'))
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && !isBlank(text.at(i)) && text.at(i) != u'=' && text.at(i) != u'/')
            ++i;
        if (i == start) // a name cannot start with "="; take it as a character of the name
            ++i;
        HtmlAttribute attribute;
        attribute.name = text.mid(start, i - start).toLower();
        qsizetype j = i;
        while (j < n && isBlank(text.at(j)))
            ++j;
        if (j < n && text.at(j) == u'=') {
            ++j;
            while (j < n && isBlank(text.at(j)))
                ++j;
            QString raw;
            if (j < n && (text.at(j) == u'"' || text.at(j) == u'\'')) {
                const qsizetype close = text.indexOf(text.at(j), j + 1);
                const qsizetype stop = close < 0 ? n : close;
                raw = text.mid(j + 1, stop - j - 1);
                j = close < 0 ? n : close + 1;
            } else {
                const qsizetype valueStart = j;
                while (j < n && !isBlank(text.at(j)))
                    ++j;
                raw = text.mid(valueStart, j - valueStart);
            }
            attribute.value = DecodeCharacterReferences(raw);
            i = j;
        }
        attribute.text = text.mid(start, i - start);
        attributes.append(std::move(attribute));
    }
    return attributes;
}

QString LastPathSegment(const QString& reference)
{
    QString text = reference;
    text.remove(u'"').remove(u'\'');
    const qsizetype backslash = text.lastIndexOf(u'\\');
    if (backslash >= 0)
        return text.mid(backslash + 1);
    const qsizetype slash = text.lastIndexOf(u'/');
    return slash >= 0 ? text.mid(slash + 1) : text;
}

HtmlElements ScanHtml(const QString& text)
{
    HtmlElements elements;
    const QString masked = maskInertText(text);
    scanBase(masked, elements);
    scanLinks(masked, false, elements.anchors);
    scanLinks(masked, true, elements.images);
    scanForms(masked, text, elements.forms);
    return elements;
}
