#pragma once

#include "shell/Result.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// One stretch of a request body: bytes in memory, or a range of a file that is read only
// when the body goes out.
struct BodyPiece
{
    QByteArray bytes; // the piece, when path is empty
    QString path; // the file holding the piece; empty for bytes in memory
    qint64 offset = 0; // where the range starts in the file
    qint64 length = 0; // bytes of the range
    qint64 fileSize = -1; // the file's size when the piece was made, -1 when it was missing

    // A piece of bytes in memory.
    static BodyPiece memory(const QByteArray& bytes);
    // A whole file as it is now; a missing file gives an empty piece that fails when sent.
    static BodyPiece wholeFile(const QString& path);

    bool isFile() const { return !path.isEmpty(); }
    // Bytes the piece takes on the wire.
    qint64 size() const { return isFile() ? length : bytes.size(); }
    // True for a file piece covering the whole file it was made from.
    bool coversFile() const
    {
        return isFile() && offset == 0 && (length == fileSize || fileSize < 0);
    }

    bool operator==(const BodyPiece&) const = default;
};

// The bytes of a request for the wire, read piece by piece in blocks, so that a file of any
// size takes no more memory than one block. A file that is missing, unreadable or no longer of
// the size it had when its piece was made fails the reading with a text naming it.
class BodySource final
{
public:
    explicit BodySource(QList<BodyPiece> pieces);

    // Every byte the pieces hold.
    qint64 size() const { return m_size; }
    // Bytes handed out so far.
    qint64 position() const { return m_position; }
    bool atEnd() const { return m_position >= m_size; }

    // Checks every file before anything is read: present, readable, of its recorded size.
    Result check() const;
    // The next block of at most maxBytes (fewer only at a piece's end); empty at the end.
    Result next(qint64 maxBytes, QByteArray& block);

private:
    Result openFile(const BodyPiece& piece);

    QList<BodyPiece> m_pieces;
    qsizetype m_piece = 0;
    qint64 m_inPiece = 0;
    qint64 m_position = 0;
    qint64 m_size = 0;
    QFile m_file;
};

// The text naming a file piece that no longer matches: missing, unreadable or resized.
Result CheckBodyFile(const BodyPiece& piece);
