#include "FuzzSupport.h"
#include "analysis/DecodedBody.h"
#include "analysis/JsonLayout.h"
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

// The text without the white space between tokens; white space inside strings stays.
QByteArray withoutBlanksOutsideStrings(const QByteArray& json)
{
    QByteArray out;
    bool inString = false;
    bool escaped = false;
    for (const char c : json) {
        if (inString) {
            inString = escaped || c != '"';
            escaped = !escaped && c == '\\';
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            continue;
        } else {
            inString = c == '"';
        }
        out.append(c);
    }
    return out;
}

} // namespace

// Any response decodes within the output limit it is given; a body framed here as chunked,
// at places the input chooses, comes back exactly once the chunked coding is removed; and laying
// out JSON changes nothing but the white space between tokens, and nothing of its own output.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const qint64 limit = in.ConsumeIntegralInRange<qint64>(0, 4096);
    std::vector<uint16_t> cuts(in.ConsumeIntegralInRange<size_t>(0, 8));
    for (uint16_t& cut : cuts)
        cut = in.ConsumeIntegral<uint16_t>();
    const bool upper = in.ConsumeBool();
    const bool extensions = in.ConsumeBool();
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray bytes(rest.data(), qsizetype(rest.size()));

    const DecodedBody decoded = decodeBody(bytes, limit);
    FUZZ_CHECK(decoded.bytes.size() <= limit);
    FUZZ_CHECK(!decoded.truncated || !decoded); // a cut body never passes for a whole one

    QByteArray framed;
    qsizetype at = 0;
    for (const uint16_t cut : cuts) {
        const qsizetype len = std::min<qsizetype>(cut % 512, bytes.size() - at);
        if (len == 0)
            continue;
        QByteArray sizeText = QByteArray::number(len, 16);
        framed += upper ? sizeText.toUpper() : sizeText;
        framed += extensions ? ";name=\"v\"\r\n" : "\r\n";
        framed += bytes.mid(at, len) + "\r\n";
        at += len;
    }
    if (at < bytes.size())
        framed += QByteArray::number(bytes.size() - at, 16) + "\r\n" + bytes.mid(at) + "\r\n";
    framed += extensions ? "0\r\nTrailer: x\r\n\r\n" : "0\r\n\r\n";

    bool truncated = false;
    QString error;
    FUZZ_CHECK(removeChunkedCoding(framed, bytes.size() + 1, truncated, error) == bytes);
    FUZZ_CHECK(!truncated && error.isEmpty());

    const DecodedBody chunked = decodeBody(
        QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + framed), limit);
    FUZZ_CHECK(chunked.bytes == bytes.first(std::min<qint64>(limit, bytes.size())));
    FUZZ_CHECK(chunked.truncated == (bytes.size() > limit));

    if (const std::optional<QByteArray> json = LayOutJson(bytes)) {
        FUZZ_CHECK(withoutBlanksOutsideStrings(*json) == withoutBlanksOutsideStrings(bytes));
        FUZZ_CHECK(LayOutJson(*json) == json);
    }
    return 0;
}
