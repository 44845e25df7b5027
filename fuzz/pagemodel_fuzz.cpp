#include "FuzzSupport.h"
#include "analysis/ResultTextModel.h"
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

namespace {

// Each byte as "\xE9".
QString escaped(const unsigned char* p, qsizetype n)
{
    QString out;
    for (qsizetype i = 0; i < n; ++i)
        out += QString::asprintf("\\x%02X", p[i]);
    return out;
}

// UTF-8 decoded the plain way, except that each byte of a maximal subpart of an ill-formed
// sequence is shown as "\xE9" where a plain decoder puts one U+FFFD.
QString decodeUtf8(const QByteArray& bytes)
{
    QString out;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        int need = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b < 0x80) {
            out += QChar(char16_t(b));
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            lo = b == 0xE0 ? 0xA0 : 0x80;
            hi = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            lo = b == 0xF0 ? 0x90 : 0x80;
            hi = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            out += escaped(p + i, 1);
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= n || p[j] < lo || p[j] > hi) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (p[j] & 0x3F);
            lo = 0x80;
            hi = 0xBF;
        }
        if (ok)
            out += QString::fromUcs4(&cp, 1);
        else
            out += escaped(p + i, j - i);
        i = j;
    }
    return out;
}

} // namespace

// Bytes appended in input-chosen chunks: the page keeps them exactly, decodes them as the plain
// decoder does, finds the line breaks (LF, CR LF, lone CR) and wraps into consistent rows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::vector<uint16_t> lengths = chunkLengths(in);
    const qint64 wrap = in.ConsumeIntegralInRange<qint64>(-1, 40);
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    const QByteArray all(bytes.data(), qsizetype(bytes.size()));

    ResultTextModel page;
    page.setWrapWidth(wrap);
    feedInChunks(all, lengths, [&](const QByteArray& piece, bool) { page.append(piece); });

    FUZZ_CHECK(page.bytes().toByteArray() == all);
    const QString decoded = decodeUtf8(all);
    FUZZ_CHECK(page.text() == decoded);

    const qint64 breaks = all.count('\n') + all.count('\r') - all.count("\r\n");
    FUZZ_CHECK(page.lineCount() == breaks + 1);

    qint64 rows = 0;
    for (qint64 line = 0; line < page.lineCount(); ++line) {
        FUZZ_CHECK(page.lineStart(line) <= page.lineEnd(line));
        // The scanner's width agrees with what the line shows: a cell a character (tabs
        // expanded, four for an invalid byte), a surrogate pair one cell.
        const QString shown = page.displayText(line);
        const auto pairs = std::count_if(shown.cbegin(), shown.cend(),
                                         [](QChar c) { return c.isLowSurrogate(); });
        FUZZ_CHECK(shown.size() - pairs == page.lineCells(line));
        FUZZ_CHECK(page.rowOf(page.rowStart(rows)) == rows);
        rows += page.rowsOfLine(line);
    }
    FUZZ_CHECK(rows == page.rowCount());
    return 0;
}
