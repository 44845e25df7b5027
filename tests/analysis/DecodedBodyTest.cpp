#include "analysis/DecodedBody.h"

#include "analysis/ResponseAnalysis.h"
#include <brotli/encode.h>
#include <zlib.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// windowBits 31 writes gzip, 15 zlib, -15 raw deflate.
QByteArray deflateWith(const QByteArray& data, int windowBits)
{
    z_stream stream {};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray brotli(const QByteArray& data)
{
    size_t size = BrotliEncoderMaxCompressedSize(size_t(data.size()));
    QByteArray out(qsizetype(size), '\0');
    EXPECT_TRUE(BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW,
                                      BROTLI_MODE_TEXT, size_t(data.size()),
                                      reinterpret_cast<const uint8_t*>(data.constData()), &size,
                                      reinterpret_cast<uint8_t*>(out.data())));
    out.resize(qsizetype(size));
    return out;
}

QByteArray response(const QByteArray& headers, const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\n" + headers + "\r\n" + body;
}

QByteArray chunked(const QByteArray& data, qsizetype piece)
{
    QByteArray out;
    for (qsizetype at = 0; at < data.size(); at += piece) {
        const QByteArray part = data.mid(at, piece);
        out += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
    }
    return out + "0\r\n\r\n";
}

const QByteArray kPage = "<html><body>"_ba + QByteArray(2000, 'x') + "</body></html>";

} // namespace

TEST(DecodedBodyTest, ChunkedFramingWithExtensionsTrailersAndBareLineFeeds)
{
    const DecodedBody body = decodeBody(response("Transfer-Encoding: chunked\r\n",
                                                 "5;name=\"v\"\r\nHello\r\n"
                                                 "18 \n, chunked world, with LF\n"
                                                 "0\r\nExpires: never\r\nX-Trailer: 1\r\n\r\n"));
    EXPECT_TRUE(bool(body)) << body.error.toStdString();
    EXPECT_EQ(body.bytes, "Hello, chunked world, with LF");
    EXPECT_EQ(body.codings, u"chunked"_s);

    // A malformed or cut-off size keeps what came before and says why.
    const DecodedBody bad = decodeBody(
        response("Transfer-Encoding: chunked\r\n", "3\r\nabc\r\nzz\r\ndef\r\n0\r\n\r\n"));
    EXPECT_EQ(bad.bytes, "abc");
    EXPECT_TRUE(bad.error.contains(u"malformed chunk size"_s)) << bad.error.toStdString();
    // More digits than fit in 64 bits: refused without overflowing (the sanitized run sees it).
    const DecodedBody huge
        = decodeBody(response("Transfer-Encoding: chunked\r\n", "FFFFFFFFFFFFFFFFFFFF\r\nabc"));
    EXPECT_TRUE(huge.bytes.isEmpty());
    EXPECT_TRUE(huge.error.contains(u"malformed chunk size"_s)) << huge.error.toStdString();
    const DecodedBody cut = decodeBody(response("Transfer-Encoding: chunked\r\n", "a\r\nabc"));
    EXPECT_EQ(cut.bytes, "abc");
    EXPECT_TRUE(cut.error.contains(u"inside a chunk"_s));
}

TEST(DecodedBodyTest, EveryContentCodingIsUndoneAlsoInsideChunks)
{
    for (const auto& [coding, data] : { std::pair { "gzip"_ba, deflateWith(kPage, 31) },
                                        { "x-gzip"_ba, deflateWith(kPage, 31) },
                                        { "deflate"_ba, deflateWith(kPage, 15) },
                                        { "deflate"_ba, deflateWith(kPage, -15) },
                                        { "br"_ba, brotli(kPage) } }) {
        const DecodedBody plain
            = decodeBody(response("Content-Encoding: " + coding + "\r\n", data));
        EXPECT_TRUE(bool(plain)) << coding.constData() << ": " << plain.error.toStdString();
        EXPECT_EQ(plain.bytes, kPage) << coding.constData();

        const DecodedBody inChunks = decodeBody(
            response("Transfer-Encoding: chunked\r\nContent-Encoding: " + coding + "\r\n",
                     chunked(data, 7)));
        EXPECT_EQ(inChunks.bytes, kPage) << coding.constData();
        EXPECT_EQ(inChunks.codings, u"chunked, "_s + QString::fromLatin1(coding));
    }

    // Corrupt or unknown codings leave an error; an unknown one leaves the bytes as sent.
    QByteArray broken = deflateWith(kPage, 31);
    broken.truncate(broken.size() / 2);
    EXPECT_FALSE(decodeBody(response("Content-Encoding: gzip\r\n", broken)).error.isEmpty());
    EXPECT_TRUE(bool(decodeBody(response("Content-Encoding: gzip\r\n", ""))))
        << "an empty body (HEAD, 304) has nothing to undo";
    const DecodedBody unknown = decodeBody(response("Content-Encoding: zstd\r\n", "raw"));
    EXPECT_EQ(unknown.bytes, "raw");
    EXPECT_TRUE(unknown.error.contains(u"zstd"_s));
}

TEST(DecodedBodyTest, ABombIsCutOffAtTheLimit)
{
    const QByteArray zeros(8 * 1024 * 1024, '\0');
    const qint64 limit = 1024 * 1024;
    for (const QByteArray& coding : { "gzip"_ba, "br"_ba }) {
        const QByteArray packed = coding == "br" ? brotli(zeros) : deflateWith(zeros, 31);
        ASSERT_LT(packed.size(), 64 * 1024);
        const DecodedBody body
            = decodeBody(response("Content-Encoding: " + coding + "\r\n", packed), limit);
        EXPECT_TRUE(body.truncated) << coding.constData();
        EXPECT_EQ(body.bytes.size(), limit) << coding.constData();
        EXPECT_FALSE(bool(body));
        EXPECT_TRUE(BodyViewText(body).startsWith("[Body cut off after 1048576 bytes]"));
    }
}

TEST(DecodedBodyTest, CharsetComesFromTheHeaderThenBomThenDeclarationThenUtf8OrLatin1)
{
    const QByteArray latin1 = "caf\xE9";
    DecodedBody body
        = decodeBody(response("Content-Type: text/plain; charset=ISO-8859-1\r\n", latin1));
    EXPECT_EQ(body.charset, u"iso-8859-1"_s);
    EXPECT_EQ(body.mediaType, u"text/plain"_s);
    EXPECT_EQ(body.text, u"caf\u00e9"_s);

    body = decodeBody(response("Content-Type: text/plain\r\n", "\xFF\xFEh\0i\0"_ba));
    EXPECT_EQ(body.charset, u"utf-16le"_s);
    EXPECT_EQ(body.text, u"hi"_s);

    body = decodeBody(response("Content-Type: text/html\r\n",
                               "<html><head><meta charset=\"iso-8859-1\"></head>" + latin1));
    EXPECT_EQ(body.charset, u"iso-8859-1"_s);
    EXPECT_TRUE(body.text.endsWith(u"caf\u00e9"_s));

    body = decodeBody(
        response("", "<?xml version=\"1.0\" encoding='ISO-8859-1'?><a>" + latin1 + "</a>"));
    EXPECT_EQ(body.charset, u"iso-8859-1"_s);

    body = decodeBody(response("", "\xEF\xBB\xBFgr\xC3\xBC\xC3\x9F"));
    EXPECT_EQ(body.charset, u"utf-8"_s);
    EXPECT_EQ(body.text, u"gr\u00fc\u00df"_s) << "the byte order mark is dropped";

    body = decodeBody(response("", latin1));
    EXPECT_EQ(body.charset, u"iso-8859-1"_s) << "invalid UTF-8 falls back to Latin-1";
    EXPECT_EQ(body.text, u"caf\u00e9"_s);
}

TEST(DecodedBodyTest, BodyViewPrettyPrintsJsonAndDumpsBinary)
{
    DecodedBody json = decodeBody(response("Content-Type: application/json\r\n", "{\"a\":[1,2]}"));
    EXPECT_EQ(BodyViewText(json), "{\n    \"a\": [\n        1,\n        2\n    ]\n}\n");
    json = decodeBody(response("Content-Type: application/json\r\n", "{\"a\":"));
    const QByteArray shown = BodyViewText(json);
    EXPECT_EQ(shown, "[Not valid JSON: unexpected end at offset 5]\r\n\r\n{\"a\":");

    // Without a type a body that parses is text, unless JSON is asked for.
    const DecodedBody untyped = decodeBody(response("", "[1.0,\"\\u0041\"]"));
    EXPECT_EQ(BodyViewText(untyped), "[1.0,\"\\u0041\"]");
    EXPECT_EQ(BodyViewText(untyped, true), "[\n    1.0,\n    \"\\u0041\"\n]\n");

    const DecodedBody png = decodeBody(
        response("Content-Type: image/png\r\n", "\x89PNG\r\n\x1a\n"_ba + QByteArray(70000, '\1')));
    const QByteArray dump = BodyViewText(png);
    EXPECT_TRUE(
        dump.startsWith("00000000  89 50 4e 47 0d 0a 1a 0a  01 01 01 01 01 01 01 01  .PNG...."))
        << dump.left(80).constData();
    EXPECT_TRUE(dump.endsWith("\r\n70008 bytes, first 65536 shown\r\n"));
}

TEST(DecodedBodyTest, HtmlMediaTypes)
{
    EXPECT_TRUE(IsHtmlMediaType(u"application/xhtml+xml"_s));
}
