#include "FuzzSupport.h"
#include "editing/FormEncoder.h"
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace {

bool urlencodedByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-'
        || b == '.' || b == '_' || b == '*' || b == '%' || b == '=' || b == '&';
}

bool upperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The only file a FILE row may name: one this run writes, never a file of the machine.
const QString& scratchFile()
{
    static const QString path
        = QDir::temp().filePath(QStringLiteral("pelorin-formencoder-fuzz-%1").arg(getpid()));
    // Registered after path exists, so it runs before path is destroyed.
    [[maybe_unused]] static const int removal = std::atexit([] { QFile::remove(scratchFile()); });
    return path;
}

} // namespace

// Rows of every kind with any names and values, and boundaries the input proposes: the
// urlencoded body is plain pairs, and the multipart body splits at its boundary into exactly
// those pairs, the boundary inside none of them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kTypes[]
        = { "SV",    "MV",     "TXT",    "TEXTAREA", "IMG",      "FILE", "TEXT",
            "RADIO", "SUBMIT", "HIDDEN", "SELECT",   "PASSWORD", "sv",   "" };
    FuzzedDataProvider in(data, size);
    const std::string fileBytes = in.ConsumeRandomLengthString(256);
    {
        QFile file(scratchFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(fileBytes.data(), qint64(fileBytes.size()));
    }
    QList<QByteArray> candidates(in.ConsumeIntegralInRange<int>(0, 3));
    for (QByteArray& candidate : candidates) {
        // Few distinct bytes, so that a proposed boundary often occurs in a value.
        for (const char c : in.ConsumeRandomLengthString(8))
            candidate += "ab-_.0"[static_cast<unsigned char>(c) % 6];
    }
    QList<FormField> fields(in.ConsumeIntegralInRange<int>(0, 6));
    for (FormField& field : fields) {
        field.type = QString::fromLatin1(
            kTypes[in.ConsumeIntegralInRange<size_t>(0, std::size(kTypes) - 1)]);
        field.name = fuzzText(in.ConsumeRandomLengthString(16));
        const int filled = in.ConsumeIntegralInRange<int>(0, 3);
        for (int i = 0; i < filled; ++i)
            field.values[i] = fuzzText(in.ConsumeRandomLengthString(32));
        if (field.type == QLatin1String("FILE"))
            field.values[1] = in.ConsumeBool() ? u'[' + scratchFile() + u']' : QString();
    }

    const QByteArray urlencoded = EncodeUrlencoded(fields);
    for (qsizetype i = 0; i < urlencoded.size(); ++i) {
        FUZZ_CHECK(urlencodedByte(urlencoded[i]));
        if (urlencoded[i] == '%')
            FUZZ_CHECK(i + 2 < urlencoded.size() && upperHex(urlencoded[i + 1])
                       && upperHex(urlencoded[i + 2]));
    }
    const QByteArrayList pairs = urlencoded.isEmpty() ? QByteArrayList() : urlencoded.split('&');
    for (const QByteArray& pair : pairs)
        FUZZ_CHECK(pair.count('=') == 1);

    qsizetype proposed = 0;
    int fallback = 0;
    const FormBody multipart = EncodeMultipart(fields, [&] {
        if (proposed < candidates.size())
            return candidates[proposed++];
        return QByteArray("----FuzzBoundary" + QByteArray::number(fallback++));
    });
    if (!multipart) {
        FUZZ_CHECK(multipart.body.isEmpty());
        return 0;
    }
    const QByteArray prefix = "multipart/form-data; boundary=";
    const QByteArray contentType = multipart.contentType.toUtf8();
    FUZZ_CHECK(contentType.startsWith(prefix));
    const QByteArray boundary = contentType.sliced(prefix.size());
    FUZZ_CHECK(!boundary.isEmpty());
    const QByteArray& body = multipart.body;
    const QByteArray closeOnly = "--" + boundary + "--\r\n";
    FUZZ_CHECK(body.endsWith(closeOnly));

    // Every part but the close delimiter follows "--boundary"; CR LF before it belongs to it.
    const QByteArray open = "--" + boundary + "\r\n";
    const QByteArray close = "\r\n--" + boundary + "--\r\n";
    QByteArrayList parts;
    if (body != closeOnly) {
        FUZZ_CHECK(body.startsWith(open));
        const QByteArray inner = body.sliced(open.size(), body.size() - open.size() - close.size());
        const QByteArray between = "\r\n" + open;
        qsizetype at = 0;
        for (qsizetype next = inner.indexOf(between); next >= 0;
             next = inner.indexOf(between, at)) {
            parts.append(inner.sliced(at, next - at));
            at = next + between.size();
        }
        parts.append(inner.sliced(at));
    }
    FUZZ_CHECK(parts.size() == pairs.size());
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray& part = parts[i];
        const qsizetype end = part.indexOf("\r\n\r\n");
        FUZZ_CHECK(end >= 0);
        const QByteArray headers = part.first(end);
        const QByteArray content = part.sliced(end + 4);
        FUZZ_CHECK(!headers.contains(boundary) && !content.contains(boundary));
        FUZZ_CHECK(headers.startsWith("Content-Disposition: form-data; name=\""));
        const QByteArray value
            = QByteArray::fromPercentEncoding(pairs[i].sliced(pairs[i].indexOf('=') + 1));
        if (headers.contains("\"; filename=\"\"\r\n"))
            FUZZ_CHECK(content.isEmpty()); // a FILE row with no file chosen
        else if (headers.contains("\"; filename=\""))
            FUZZ_CHECK(content == QByteArray(fileBytes.data(), qsizetype(fileBytes.size())));
        else
            FUZZ_CHECK(content == value);
    }
    return 0;
}
