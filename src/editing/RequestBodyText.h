#pragma once

#include "message/BodySource.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The request body as the request window keeps it: the exact bytes that go on the wire, and
// the text the body box shows of them. The box is only a view: an edit comes back as the whole
// shown text, and only the lines it touched are made anew, so every other line keeps its bytes
// and its own line end (LF, CR LF or CR).
//
// Two kinds of body:
// - text bodies (setBytes, setText): shown as UTF-8, one line per line end; editable;
// - locked bodies (setExactBytes): bytes the box cannot show faithfully (a form body holding a
//   binary file), shown as a readable rendering; not editable as text. A body over 1 MB is
//   locked too: the box shows its first megabyte and a note of its size, and the bytes are
//   kept once, whole;
// - bodies of pieces (setPieces): some read from files when sent; shown by a placeholder.
class RequestBodyText final
{
public:
    // How one line of the body ends.
    enum class LineEnd : quint8 { None, Lf, CrLf, Cr };

    RequestBodyText();

    // Replaces the body by exactly bytes; they go out unchanged until an edit. Unlocks.
    void setBytes(const QByteArray& bytes);
    // Replaces the body by text in UTF-8, line ends as the text has them. Unlocks.
    void setText(const QString& text);
    // Replaces the body by exactly bytes, shown as displayText (its line breaks may be LF, CR LF
    // or CR). When displayText is just the bytes read as UTF-8 the body stays an editable text
    // body; otherwise it is locked: applyShownText refuses edits until the body is replaced by
    // any setter or clear(). This is the entry point for generated binary bodies.
    void setExactBytes(const QByteArray& bytes, const QString& displayText);
    // Replaces the body by pieces, some of them files read when sent, shown as shown. Locked.
    void setPieces(const QList<BodyPiece>& pieces, const QString& shown);
    // Empties the body. Unlocks.
    void clear();

    // The pieces of a body set by setPieces; empty otherwise.
    const QList<BodyPiece>& pieces() const { return m_pieces; }

    // The bytes that go on the wire.
    QByteArray bytes() const;
    // True for a body set by setExactBytes with a rendering of its own.
    bool isLocked() const { return m_locked; }
    // What the body box shows: every line break as LF; characters the box would take for line
    // breaks (U+2028, U+2029) and bytes that are not UTF-8 are shown as U+FFFD.
    const QString& shownText() const { return m_shown; }

    // Takes the box's text after an edit, every line break as LF. Lines outside the edited span
    // keep their bytes and line ends; a line the edit changed keeps its own line end; a line
    // break the edit put in is CR LF; edited text is UTF-8. Returns false and changes nothing
    // when the body is locked and shown differs from shownText().
    bool applyShownText(const QString& shown);

private:
    struct Line
    {
        QByteArray bytes; // without its line end
        LineEnd end = LineEnd::None;
        qsizetype shownLength = 0; // characters in the shown text
    };

    static QString shownLine(const QByteArray& bytes);
    void rebuildShown();
    bool lockLarge(const QByteArray& bytes, const QString& displayText);

    QList<Line> m_lines; // at least one; only the last ends with LineEnd::None
    QString m_shown;
    QByteArray m_lockedBytes;
    QList<BodyPiece> m_pieces;
    bool m_locked = false;
};
