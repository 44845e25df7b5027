#pragma once

#include "message/BodySource.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The body of a request as composed: the exact bytes that go on the wire, and a text that
// shows them. A body may instead be a sequence of pieces, some of them ranges of files read
// only when it is sent; such a body keeps no bytes of its own.
class RequestBody
{
public:
    // Media type its producer associates with the body; never read when the request is rendered.
    QString ContentType;

    // The body as text: the text it was set from, or its bytes read as UTF-8, or the rendering
    // given with them. Shown, never sent. Made from the bytes only when first asked for.
    const QString& Contents() const;
    // True when Contents is a rendering given with the bytes rather than their own text.
    bool hasOwnRendering() const { return !m_pieces.isEmpty() || m_rendered; }
    // Replaces the body by text; the bytes are its UTF-8 form.
    void setContents(const QString& contents);
    // Replaces the body by exactly bytes; Contents becomes their UTF-8 reading.
    void setContents(const QByteArray& bytes);
    // Replaces the body by exactly bytes that are shown as shown (a binary body's rendering).
    void setContents(const QByteArray& bytes, const QString& shown);
    // Replaces the body by pieces, shown as shown. Pieces all in memory become plain bytes.
    void setPieces(const QList<BodyPiece>& pieces, const QString& shown);
    // Replaces the body by the whole file at path, read when sent.
    void setFile(const QString& path);

    // The bytes the body takes on the wire; empty when it has file pieces.
    const QByteArray& ContentBytes() const { return m_bytes; }
    // True when some of the body is read from files when it is sent.
    bool hasFiles() const { return !m_pieces.isEmpty(); }
    // The file the body is taken from whole ("body from file"); empty otherwise.
    QString filePath() const;
    // The body as pieces for the wire: its bytes as one piece, or its pieces.
    QList<BodyPiece> pieces() const;
    // Takes the current size of a file the body is taken from whole, as reading it at send
    // time does; a missing file keeps its old size, so that sending names it.
    void refreshFileSize();
    // Number of bytes on the wire.
    qint64 ContentLength() const;

private:
    mutable QString m_contents;
    mutable bool m_contentsPending = false; // m_contents is still to be read from m_bytes
    bool m_rendered = false;
    QByteArray m_bytes;
    QList<BodyPiece> m_pieces; // empty unless a piece is a file
};

// The text a body from a file shows instead of its bytes: the file's name and size.
QString BodyFilePlaceholder(const QString& path, qint64 size);
