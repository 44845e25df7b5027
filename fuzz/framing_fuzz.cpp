#include "FuzzSupport.h"
#include "message/ResponseFraming.h"
#include <http_parser.h>

#include <vector>

// Compares the framing rule with an independent parser on generated connections: where both
// accept the bytes, they must agree on where each response ends. Known differences, where one
// side is stricter and so stops earlier (only the common prefix is compared):
// - the reference skips empty lines before a status line; the framing rule treats anything but
//   "HTTP/" where a response should begin as unframed bytes (a desynchronised server);
// - the reference refuses a Content-Length list ("2, 2") and Content-Length beside
//   Transfer-Encoding; the framing rule accepts identical lists and lets Transfer-Encoding win;
// - the reference stops after a response that asks to close the connection;
// - the reference caps a head at 80 KB, the framing rule at 1 MB.
// One difference is not a matter of strictness: the reference reads a body framed by
// Content-Length or chunked coding after a 1xx, 204 or 304 head, where RFC 9112 §6.3 ends those
// responses at the head (a 304 commonly carries the Content-Length of what it did not send).
// The generator marks such responses, and the comparison stops before the first of them.
namespace {

struct Generated
{
    QByteArray wire;
    std::vector<qsizetype> ends; // where each well-formed response ends, in order
    size_t comparable = 0; // responses before the first the reference reads differently
};

Generated generate(FuzzedDataProvider& in, bool head)
{
    static const int statuses[] = { 100, 103, 200, 201, 204, 304, 404, 500 };
    Generated g;
    const int count = in.ConsumeIntegralInRange(1, 4);
    bool wellFormed = true;
    bool comparable = true;
    for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
        const int status = in.PickValueInArray(statuses);
        const QByteArray eol = in.ConsumeBool() ? "\r\n" : "\n";
        const QByteArray body = QByteArray::fromStdString(in.ConsumeRandomLengthString(64));
        // 0 exact length, 1 chunked, 2 length too short, 3 too long, 4 until the close.
        const int framing = in.ConsumeIntegralInRange(0, 4);
        QByteArray r = (in.ConsumeBool() ? "HTTP/1.1 " : "HTTP/1.0 ") + QByteArray::number(status)
            + (in.ConsumeBool() ? " Reason" : "") + eol;
        if (in.ConsumeBool())
            r += "X-Other: " + QByteArray::number(in.ConsumeIntegral<uint16_t>()) + eol;
        const bool noBody = status < 200 || status == 204 || status == 304 || head;
        const bool bodyless = status < 200 || status == 204 || status == 304;
        comparable = comparable && !(bodyless && framing != 4);
        if (framing == 1) {
            r += "Transfer-Encoding: chunked" + eol + eol;
            if (!noBody) {
                qsizetype at = 0;
                while (at < body.size()) {
                    const qsizetype n = std::min<qsizetype>(
                        body.size() - at, in.ConsumeIntegralInRange<qsizetype>(1, 16));
                    r += QByteArray::number(n, 16) + (in.ConsumeBool() ? ";x=y" : "") + "\r\n"
                        + body.mid(at, n) + "\r\n";
                    at += n;
                }
                r += "0\r\n" + QByteArray(in.ConsumeBool() ? "X-Trailer: 1\r\n" : "") + "\r\n";
            }
        } else if (framing == 4) {
            r += eol + (noBody ? QByteArray() : body);
        } else {
            const qsizetype declared = body.size() + (framing == 2 ? -1 : framing == 3 ? 1 : 0);
            r += "Content-Length: " + QByteArray::number(std::max<qsizetype>(declared, 0)) + eol
                + eol + (noBody ? QByteArray() : body);
        }
        g.wire += r;
        const bool exact
            = noBody || framing == 0 || framing == 1 || (framing == 2 && body.isEmpty());
        wellFormed = wellFormed && exact;
        if (wellFormed)
            g.ends.push_back(g.wire.size());
        if (comparable)
            ++g.comparable;
    }
    g.wire += QByteArray::fromStdString(in.ConsumeRemainingBytesAsString());
    return g;
}

struct Reference
{
    std::vector<qsizetype> ends;
    bool completed = false;
    bool head = false;
};

std::vector<qsizetype> referenceEnds(const QByteArray& wire, bool head)
{
    Reference ref;
    ref.head = head;
    http_parser_settings settings;
    http_parser_settings_init(&settings);
    settings.on_headers_complete = [](http_parser* p) {
        return static_cast<Reference*>(p->data)->head ? 1 : 0;
    };
    settings.on_message_complete = [](http_parser* p) {
        static_cast<Reference*>(p->data)->completed = true;
        return 0;
    };
    http_parser parser;
    http_parser_init(&parser, HTTP_RESPONSE);
    parser.data = &ref;
    for (qsizetype i = 0; i < wire.size(); ++i) {
        http_parser_execute(&parser, &settings, wire.constData() + i, 1);
        if (ref.completed)
            ref.ends.push_back(i + 1);
        ref.completed = false;
        if (HTTP_PARSER_ERRNO(&parser) != HPE_OK)
            return ref.ends;
    }
    http_parser_execute(&parser, &settings, nullptr, 0);
    if (ref.completed && HTTP_PARSER_ERRNO(&parser) == HPE_OK)
        ref.ends.push_back(wire.size());
    return ref.ends;
}

// Where the framing rule ends each response, up to the first it cannot frame.
std::vector<qsizetype> framingEnds(const QByteArray& wire, bool head, qsizetype piece)
{
    std::vector<qsizetype> ends;
    qsizetype pos = 0;
    while (pos < wire.size()) {
        ResponseFraming f(head);
        const qsizetype start = pos;
        while (pos < wire.size() && !f.isComplete() && f.state() != ResponseFraming::State::Invalid)
            pos += f.feed(
                QByteArrayView(wire).sliced(pos).first(std::min(piece, wire.size() - pos)));
        FUZZ_CHECK(f.size() == pos - start);
        if (!f.isComplete())
            f.close();
        if (!f.isComplete())
            break;
        ends.push_back(pos);
    }
    return ends;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool head = in.ConsumeBool();
    const qsizetype piece = in.ConsumeIntegralInRange<qsizetype>(1, 64);
    const Generated g = generate(in, head);

    const std::vector<qsizetype> ours = framingEnds(g.wire, head, piece);
    // Feeding in pieces never changes where a response ends.
    FUZZ_CHECK(ours == framingEnds(g.wire, head, g.wire.size() + 1));
    // Every well-formed response the generator made ends exactly where it was made to end.
    FUZZ_CHECK(ours.size() >= g.ends.size());
    FUZZ_CHECK(std::equal(g.ends.begin(), g.ends.end(), ours.begin()));

    const std::vector<qsizetype> theirs = referenceEnds(g.wire, head);
    const size_t common = std::min({ ours.size(), theirs.size(), g.comparable });
    FUZZ_CHECK(std::equal(ours.begin(), ours.begin() + qsizetype(common), theirs.begin()));
    return 0;
}
