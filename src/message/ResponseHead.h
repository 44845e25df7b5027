#pragma once

#include <QByteArrayView>
#include <QtGlobal>

class ChunkedBytes;

// Where the empty line that ends a response head lies. Lines end at LF with an optional CR
// before it, so the head ends at the first LF followed by LF or by CR LF.
struct HeadEnd
{
    qint64 lineEnd = -1; // offset of the LF that ends the head's last line
    qint64 bodyStart = -1; // offset just after the empty line

    explicit operator bool() const { return bodyStart >= 0; }
};

// The first head end whose first LF lies at or after from; empty (both -1) when data holds none
// yet, including when the bytes after a final LF have not arrived.
HeadEnd FindHeadEnd(QByteArrayView data, qint64 from = 0);
// The same over bytes kept in chunks, across chunk boundaries.
HeadEnd FindHeadEnd(const ChunkedBytes& data, qint64 from = 0);
