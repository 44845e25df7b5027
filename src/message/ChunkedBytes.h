#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Bytes kept as the chunks they arrived in. Appending never copies or moves what is
// there, and the chunks are shared (not copied) with whoever else keeps them.
class ChunkedBytes
{
public:
    // Appends a chunk; an empty chunk is ignored.
    void append(const QByteArray& chunk);
    void clear();

    qint64 size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    const QList<QByteArray>& chunks() const { return m_chunks; }

    // The byte at pos (0 <= pos < size()).
    char at(qint64 pos) const;
    // A copy of len bytes from pos, clipped to the available bytes.
    QByteArray mid(qint64 pos, qint64 len = -1) const;
    // All bytes joined into one array.
    QByteArray toByteArray() const { return mid(0); }

    // Position of the first needle at or after from, or -1. Finds needles across chunk
    // boundaries; CaseInsensitive folds ASCII letters only.
    qint64 indexOf(QByteArrayView needle, qint64 from = 0,
                   Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

private:
    qsizetype chunkIndexAt(qint64 pos) const;

    QList<QByteArray> m_chunks;
    QList<qint64> m_starts; // offset of each chunk's first byte
    qint64 m_size = 0;
};
