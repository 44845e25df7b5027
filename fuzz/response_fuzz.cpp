#include "FuzzSupport.h"
#include "message/HTTPResponse.h"
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

namespace {

struct Answers
{
    QString code;
    QString header;
    QByteArray body;
    QStringList setCookie;
    QStringList location;
    QList<Cookie> cookies;
    qsizetype owned = 0;
};

Answers ask(HTTPResponse& r, QByteArrayView all)
{
    Answers a;
    a.code = r.ResponseCode();
    a.setCookie = r.GetHeader(QStringLiteral("Set-Cookie"));
    a.location = r.GetHeader(QStringLiteral("location"));
    a.header = r.Header(); // split by the questions above
    a.body = r.Body();
    a.owned = r.ownedLength(all);
    a.cookies = r.GetCookies();
    // Cookies carry a time only for max-age; the rest must not depend on when they were read.
    for (Cookie& c : a.cookies)
        c.Expires.clear();
    return a;
}

} // namespace

// Bytes split into chunks the input chooses give the same answers as the bytes in one piece,
// even when questions are asked between chunks, as the pipeline does.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::vector<uint16_t> lengths = chunkLengths(in);
    const bool askEarly = in.ConsumeBool();
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    const QByteArray all(bytes.data(), qsizetype(bytes.size()));

    QuietSinks log;
    HTTPResponse whole(&log);
    whole.AddResponseData(all);

    HTTPResponse chunked(&log);
    feedInChunks(all, lengths, [&](const QByteArray& piece, bool last) {
        chunked.AddResponseData(piece);
        if (askEarly && !last)
            (void)ask(chunked, all);
    });

    FUZZ_CHECK(chunked.ResponseData().toByteArray() == all);
    const Answers a = ask(whole, all);
    const Answers b = ask(chunked, all);
    FUZZ_CHECK(a.code == b.code);
    FUZZ_CHECK(a.header == b.header);
    FUZZ_CHECK(a.body == b.body);
    FUZZ_CHECK(a.setCookie == b.setCookie);
    FUZZ_CHECK(a.location == b.location);
    FUZZ_CHECK(a.cookies == b.cookies);
    FUZZ_CHECK(a.owned == b.owned);
    return 0;
}
