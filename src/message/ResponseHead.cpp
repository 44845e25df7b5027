#include "message/ResponseHead.h"

#include "message/ChunkedBytes.h"

#include <algorithm>

namespace {

// One search for both byte stores: find is indexOf('\n', from), at the byte at a position.
template<typename Find, typename At> HeadEnd findHeadEnd(qint64 size, qint64 from, Find find, At at)
{
    for (qint64 lf = find(std::max<qint64>(0, from)); lf >= 0 && lf + 1 < size; lf = find(lf + 1)) {
        if (at(lf + 1) == '\n')
            return { lf, lf + 2 };
        if (at(lf + 1) == '\r' && lf + 2 < size && at(lf + 2) == '\n')
            return { lf, lf + 3 };
    }
    return {};
}

} // namespace

HeadEnd FindHeadEnd(QByteArrayView data, qint64 from)
{
    return findHeadEnd(
        data.size(), from,
        [data](qint64 pos) -> qint64 { return pos >= data.size() ? -1 : data.indexOf('\n', pos); },
        [data](qint64 pos) { return data.at(qsizetype(pos)); });
}

HeadEnd FindHeadEnd(const ChunkedBytes& data, qint64 from)
{
    return findHeadEnd(
        data.size(), from, [&data](qint64 pos) { return data.indexOf("\n", pos); },
        [&data](qint64 pos) { return data.at(pos); });
}
