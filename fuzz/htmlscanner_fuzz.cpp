#include "FuzzSupport.h"
#include "analysis/HtmlRequest.h"
#include "analysis/HtmlScanner.h"

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// What a browser takes a reference to be: C0 controls and blanks around it and every TAB
// and line break inside it do not count.
bool browserRunsOtherScheme(const QString& reference)
{
    QString text = reference;
    while (!text.isEmpty() && text.front().unicode() <= 0x20)
        text.remove(0, 1);
    while (!text.isEmpty() && text.back().unicode() <= 0x20)
        text.chop(1);
    text.remove(u'\t').remove(u'\n').remove(u'\r');
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0 || !isAsciiLetter(text.front()))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const QChar c = text.at(i);
        if (!isAsciiLetter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    const QString scheme = text.first(colon).toLower();
    return scheme != QLatin1String("http") && scheme != QLatin1String("https");
}

void checkRequest(const ElementRequest& result, const QString& reference)
{
    if (browserRunsOtherScheme(reference))
        FUZZ_CHECK(!result);
    if (!result)
        return;
    for (const QChar c : result.request.URL()) {
        const char16_t u = c.unicode();
        FUZZ_CHECK(u > 0x20 && u != 0x7F && !(u >= 0x80 && u <= 0x9F) && !c.isSpace());
    }
}

} // namespace

// Any page: the scan never faults, a request made from a link or form of it (resolved against
// the page's base) has a URL that fits a request line, and a link a browser would not fetch over
// HTTP is never requested.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const HTTPRequest page = [] {
        HTTPRequest r;
        r.Server = QStringLiteral("example.test");
        r.Port = QStringLiteral("80");
        r.HTTPver = QStringLiteral("HTTP/1.1");
        r.setMethod(QStringLiteral("GET"));
        r.setURL(QStringLiteral("/dir/page.html?q=1"));
        return r;
    }();
    const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const HtmlElements found = ScanHtml(html);
    for (const QList<HtmlLink>* links : { &found.anchors, &found.images }) {
        for (const HtmlLink& link : *links) {
            if (link.hasReference)
                checkRequest(LinkRequest(link.reference, page, found.baseHref), link.reference);
        }
    }
    for (const HtmlForm& form : found.forms)
        checkRequest(FormRequest(form, FormRows(form), page, found.baseHref), form.action);
    return 0;
}
