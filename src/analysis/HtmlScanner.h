#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One attribute of a tag.
struct HtmlAttribute
{
    QString text; // as written, quotes included
    QString name; // lower-cased
    QString value; // one pair of quotes stripped, character references decoded
};

// A field of a form: an input, textarea or select element.
struct HtmlField
{
    QString tag; // "input", "textarea" or "select"
    QString type; // the builder's type name: "TEXT", "TEXTAREA", "RADIO", "CHECKBOX",
                  // "IMAGE", "SELECT", "SUBMIT", "HIDDEN", "PASSWORD", "FILE", "BUTTON", "RESET"
    QString name;
    QStringList values; // the value; a select's selected options; a textarea's text
    bool checked = false; // checkbox and radio: the checked attribute is present
    bool disabled = false;
    QList<HtmlAttribute> attributes;
};

// An anchor or image: its text in the tree and its reference (href or src, decoded).
struct HtmlLink
{
    QString text;
    QString reference;
    bool hasReference = false;
    QList<HtmlAttribute> attributes;
};

// A form with its own attributes and its fields in document order.
struct HtmlForm
{
    QString name;
    QString method; // "GET" or "POST"; a missing or unknown method is GET
    QString action; // decoded; "" means the page itself
    bool multipart = false; // enctype is multipart/form-data
    QList<HtmlAttribute> attributes;
    QList<HtmlField> fields;
};

// What a scan of one document found.
struct HtmlElements
{
    QList<HtmlLink> anchors;
    QList<HtmlLink> images;
    QList<HtmlForm> forms;
    QString baseHref; // the first base element's href, decoded
    bool hasBase = false;
    // Anchors, images and forms together.
    int count() const { return int(anchors.size() + images.size() + forms.size()); }
};

// Searches of each scan (anchors, images, forms, and fields within one form): a document
// with more elements lists the first ones only.
inline constexpr int kHtmlScanPasses = 500;

// Finds the anchors (area links among them), images, forms and base of an HTML text with a
// plain scanner: no DOM, never fails; unmatched openers, missing ">" and stray "<" only skip
// an element. Comments and the content of script, style, template, textarea, title, xmp,
// iframe, noembed, noframes and plaintext are text, never elements.
HtmlElements ScanHtml(const QString& text);

// Decodes character references (&amp; &lt; &#39; &#x2F; ...); unknown ones stay as written.
QString DecodeCharacterReferences(const QString& text);

// The tag's attributes in order: names lower-cased, values unquoted and decoded. TAB and
// line breaks separate attributes like a blank.
QList<HtmlAttribute> ParseAttributes(const QString& attributeText);

// The text after the last "/" or "\" of a reference, quotes removed; the whole text when
// it has neither.
QString LastPathSegment(const QString& reference);
