#include "message/ChunkedBytes.h"

#include <algorithm>

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

qsizetype indexIn(QByteArrayView hay, QByteArrayView needle, qsizetype from, Qt::CaseSensitivity cs)
{
    if (cs == Qt::CaseSensitive)
        return hay.indexOf(needle, from);
    const qsizetype last = hay.size() - needle.size();
    for (qsizetype i = from; i <= last; ++i) {
        qsizetype k = 0;
        while (k < needle.size() && foldAscii(hay[i + k]) == foldAscii(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return -1;
}

} // namespace

void ChunkedBytes::append(const QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    m_chunks.append(chunk);
    m_starts.append(m_size);
    m_size += chunk.size();
}

void ChunkedBytes::clear()
{
    m_chunks.clear();
    m_starts.clear();
    m_size = 0;
}

qsizetype ChunkedBytes::chunkIndexAt(qint64 pos) const
{
    const auto it = std::upper_bound(m_starts.cbegin(), m_starts.cend(), pos);
    return qsizetype(it - m_starts.cbegin()) - 1;
}

char ChunkedBytes::at(qint64 pos) const
{
    const qsizetype i = chunkIndexAt(pos);
    return m_chunks.at(i).at(qsizetype(pos - m_starts.at(i)));
}

QByteArray ChunkedBytes::mid(qint64 pos, qint64 len) const
{
    pos = std::clamp<qint64>(pos, 0, m_size);
    if (len < 0 || len > m_size - pos)
        len = m_size - pos;
    QByteArray out;
    if (len == 0)
        return out;
    qsizetype i = chunkIndexAt(pos);
    if (pos == m_starts.at(i) && len == m_chunks.at(i).size())
        return m_chunks.at(i); // shared, no copy
    out.reserve(qsizetype(len));
    qint64 offset = pos - m_starts.at(i);
    while (len > 0) {
        const QByteArray& c = m_chunks.at(i);
        const qint64 take = std::min<qint64>(len, c.size() - offset);
        out.append(c.constData() + offset, qsizetype(take));
        len -= take;
        offset = 0;
        ++i;
    }
    return out;
}

qint64 ChunkedBytes::indexOf(QByteArrayView needle, qint64 from, Qt::CaseSensitivity cs) const
{
    if (from < 0)
        from = 0;
    if (needle.isEmpty())
        return from <= m_size ? from : -1;
    if (from + needle.size() > m_size)
        return -1;
    const qsizetype overlap = needle.size() - 1;
    for (qsizetype i = chunkIndexAt(from); i < m_chunks.size(); ++i) {
        const QByteArray& c = m_chunks.at(i);
        const qint64 start = m_starts.at(i);
        const qsizetype local = qsizetype(std::max<qint64>(0, from - start));
        const qsizetype hit = indexIn(c, needle, local, cs);
        if (hit >= 0)
            return start + hit;
        // A match may begin in this chunk's last bytes and end in the following ones.
        if (overlap > 0 && i + 1 < m_chunks.size()) {
            const qint64 seamStart = std::max<qint64>(from, start + c.size() - overlap);
            const QByteArray seam = mid(seamStart, (start + c.size() - seamStart) + overlap);
            const qsizetype s = indexIn(seam, needle, 0, cs);
            if (s >= 0)
                return seamStart + s;
        }
    }
    return -1;
}
