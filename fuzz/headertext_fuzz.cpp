#include "FuzzSupport.h"
#include "editing/HeaderTable.h"
#include "message/HTTPRequest.h"

#include <algorithm>

// Header text from a file or a generator: loading it at once gives what adding its lines one
// by one gives, no row can split a line on the wire, and the rendered text loads back equal.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    HeaderTable loaded;
    loaded.LoadHeadersFromText(text);

    HeaderTable added;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(u':');
        // A CR or NUL left in the line, even where trimming would drop it, spoils it whole.
        if (colon >= 0 && HeaderTable::isSingleLine(line))
            added.AddHeader(line.left(colon).trimmed(), line.mid(colon + 1).trimmed(), false);
    }
    FUZZ_CHECK(loaded.rows() == added.rows());

    for (const HeaderTable::Row& row : loaded.rows())
        FUZZ_CHECK(HeaderTable::isSingleLine(row.name) && HeaderTable::isSingleLine(row.value));

    const QString rendered = loaded.GetRequestHeaders();
    HTTPRequest request;
    FUZZ_CHECK(loaded.AddHeadersToRequest(request) == 0);
    FUZZ_CHECK(request.Header.count(u'\n') == std::max<qsizetype>(0, loaded.rows().size() - 1));
    FUZZ_CHECK(request.Header.count(u'\r') == request.Header.count(u'\n'));

    HeaderTable again;
    again.LoadHeadersFromText(rendered);
    FUZZ_CHECK(again.rows() == loaded.rows());
    return 0;
}
