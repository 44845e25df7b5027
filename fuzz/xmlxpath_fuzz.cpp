#include "FuzzSupport.h"
#include "persistence/XmlDocument.h"
#include <fuzzer/FuzzedDataProvider.h>

// Any document and any query: loading, querying with a bound variable and walking the results
// never fault; a value bound as a variable always finds the element it was stored on, whatever
// quotes it holds; a loaded document written raw and loaded again writes the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString xpath = fuzzText(in.ConsumeRandomLengthString(200));
    const QString value = fuzzText(in.ConsumeRandomLengthString(100));
    const std::string xml = in.ConsumeRemainingBytesAsString();

    XmlDocument doc;
    if (doc.loadXML(QByteArray(xml.data(), qsizetype(xml.size())))) {
        for (const XmlNode& n : doc.selectNodes(xpath, { { QStringLiteral("v"), value } })) {
            (void)n.name();
            (void)n.text();
            (void)n.attributes();
            (void)n.parent().children();
        }
        (void)doc.selectSingleNode(xpath).text();
        const QByteArray raw = doc.toByteArray(XmlFormat::Raw);
        XmlDocument again;
        FUZZ_CHECK(again.loadXML(raw));
        FUZZ_CHECK(again.toByteArray(XmlFormat::Raw) == raw);
    } else {
        FUZZ_CHECK(doc.parseError().kind == XmlParseError::Kind::Syntax);
        FUZZ_CHECK(!doc.documentElement());
    }

    // XML cannot hold NUL; everything else must be found again through the variable.
    const QString stored = QString(value).remove(QChar(u'\0'));
    XmlDocument built;
    XmlNode root = built.documentNode().appendElement(QStringLiteral("r"));
    root.appendElement(QStringLiteral("a")).setAttribute(QStringLiteral("n"), QStringLiteral("x"));
    XmlNode target = root.appendElement(QStringLiteral("a"));
    target.setAttribute(QStringLiteral("n"), stored);
    const XmlNode found
        = built.selectSingleNode(QStringLiteral("r/a[@n=$v]"), { { QStringLiteral("v"), stored } });
    FUZZ_CHECK(stored == QStringLiteral("x") ? found == root.children().first() : found == target);
    return 0;
}
