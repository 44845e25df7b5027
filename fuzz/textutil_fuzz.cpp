#include "FuzzSupport.h"
#include "persistence/TextUtil.h"
#include <fuzzer/FuzzedDataProvider.h>

#include <QUrl>

// The text and markup helpers on any input: no fault, no endless loop, and the results keep
// their stated shapes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString start = fuzzText(in.ConsumeRandomLengthString(8));
    const QString end = fuzzText(in.ConsumeRandomLengthString(8));
    const QString anchor = fuzzText(in.ConsumeRandomLengthString(8));
    const qint32 width = in.ConsumeIntegralInRange<qint32>(-2, 80);
    const QString source = fuzzText(in.ConsumeRemainingBytesAsString());

    QString between = QStringLiteral("unchanged");
    if (ExtractBetween(source, start, end, between, anchor) == 0)
        FUZZ_CHECK(source.contains(between));
    else
        FUZZ_CHECK(between == QStringLiteral("unchanged"));

    QString removed = source;
    RemoveBetween(removed, start, end);
    FUZZ_CHECK(removed.size() <= source.size());

    const QString encoded = URLEncode(source);
    for (const QChar c : encoded)
        FUZZ_CHECK(c.isLetterOrNumber() ? c.unicode() < 128 : QStringLiteral("*-._%").contains(c));
    FUZZ_CHECK(QByteArray::fromPercentEncoding(encoded.toLatin1()) == source.toUtf8());

    FUZZ_CHECK(DecodeAmpersands(source).size() <= source.size());

    const QString shortened = ShortenText(source, width);
    if (width >= 6 && source.size() > width)
        FUZZ_CHECK(shortened.size() == width && shortened.mid(3, 3) == QStringLiteral("..."));
    else
        FUZZ_CHECK(shortened == source);

    const QString name = FileNameFromPath(source);
    FUZZ_CHECK(source.endsWith(name) && !name.contains(u'/') && !name.contains(u'\\'));
    FUZZ_CHECK(source.endsWith(FileExtension(source)));

    const NormalizedMarkup markup = NormalizeMarkup(source);
    FUZZ_CHECK(bool(markup) || !markup.text.isEmpty());
    return 0;
}
