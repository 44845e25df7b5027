#pragma once

#include "message/ChunkedBytes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

// The text of one result page: the received bytes kept exact, an index of line starts
// built as the bytes arrive, and rows of a fixed number of cells that long lines wrap
// into. Only what is asked for is decoded (UTF-8; each byte that is not part of a valid
// sequence is shown as "\xE9", so no byte hides behind a replacement character), so appending
// costs the length of the new bytes and nothing else.
//
// Lines end at LF, CR LF or a lone CR. A cell is one column of the fixed-pitch grid: each
// character takes one, a tab runs to the next multiple of eight, an invalid byte takes four.
class ResultTextModel final
{
public:
    // A place in the text: a line and a cell within it (0 .. lineCells(line)).
    struct Pos
    {
        qint64 line = 0;
        qint64 cell = 0;
        friend bool operator==(const Pos&, const Pos&) = default;
        friend auto operator<=>(const Pos&, const Pos&) = default;
    };

    // Cells between tab stops.
    static constexpr int kTabWidth = 8;

    // An empty text: one empty line.
    ResultTextModel();

    // Appends received bytes (shared, not copied); an empty chunk changes nothing.
    void append(const QByteArray& chunk);
    // Appends text as UTF-8.
    void append(const QString& text) { append(text.toUtf8()); }
    // Drops every byte; the model then holds one empty line.
    void clear();

    // Every byte appended, exactly as it came.
    const ChunkedBytes& bytes() const { return m_bytes; }
    // Number of bytes appended.
    qint64 size() const { return m_bytes.size(); }

    // Number of lines, at least 1; the last line is open and may still grow.
    qint64 lineCount() const { return m_lineCount; }
    // Byte offset of the line's first byte.
    qint64 lineStart(qint64 line) const { return blockOf(line).base + entry(line).offset; }
    // Byte offset just past the line's last byte, before its line break.
    qint64 lineEnd(qint64 line) const;
    // Width of the line in cells.
    qint64 lineCells(qint64 line) const;
    // The place of the character holding a byte offset (clipped to the text); an offset in
    // a line break maps to the end of its line.
    Pos posAt(qint64 byte) const;

    // Decodes the character at p (n > 0 bytes) into cp and returns its length: the first byte
    // of a malformed or cut-off sequence gives U+FFFD and the length 1.
    static int decodeChar(const char* p, qsizetype n, char32_t& cp);

    // Display text of cells [fromCell, toCell) of a line: tabs as spaces, control
    // characters as their visible pictures, invalid bytes as "\xE9". toCell < 0 means to the
    // end of the line. invalidBytes, when given, receives the cell where each invalid byte
    // shown (in whole or in part) starts.
    QString displayText(qint64 line, qint64 fromCell = 0, qint64 toCell = -1,
                        QList<qint64>* invalidBytes = nullptr) const;
    // The decoded text between two places, tabs and line breaks kept as received, invalid
    // bytes as "\xE9".
    QString text(Pos from, Pos to) const;
    // The whole text decoded.
    QString text() const { return text({ 0, 0 }, endPos()); }
    // Byte offset of the first character that starts at or after the cell (clipped).
    qint64 byteAt(Pos pos) const;
    // The place after the last character.
    Pos endPos() const { return { lineCount() - 1, lineCells(lineCount() - 1) }; }

    // Cells per row; 0 or less turns wrapping off (one row per line).
    void setWrapWidth(qint64 cells);
    // Cells per row, 0 when lines do not wrap.
    qint64 wrapWidth() const { return m_wrap; }
    // Number of rows of the wrapped text, at least 1.
    qint64 rowCount() const;
    // The line a row belongs to and the cell it starts with (row clipped to the text).
    Pos rowStart(qint64 row) const;
    // The row holding a place (the cell at a row's end belongs to that row).
    qint64 rowOf(Pos pos) const;
    // Number of rows the line wraps into, at least 1.
    qint64 rowsOfLine(qint64 line) const;

private:
    // Lines are indexed in blocks, so that each line costs two 16-bit numbers: its start
    // within the block and its width. Rows are kept per block and counted within one.
    struct Block
    {
        qint64 firstLine;
        qint64 base; // byte offset the block's line starts count from
        qint64 firstRow; // at the current wrap width
        qint64 widest = 0; // cells of the block's widest line
    };
    struct LineEntry
    {
        quint16 offset; // the line's start, from its block's base
        quint16 cells; // the line's width; kWideLine: see m_wideCells
    };
    // Entries live in pages that never move: growing the index copies nothing, and its
    // memory grows by a page at a time, not by doubling.
    static constexpr int kPageShift = 16;
    static constexpr qint64 kPageMask = (qint64(1) << kPageShift) - 1;
    const LineEntry& entry(qint64 line) const
    {
        return m_pages[std::size_t(line >> kPageShift)][std::size_t(line & kPageMask)];
    }
    LineEntry& lastEntry() { return m_pages.back().back(); }

    struct Checkpoint
    {
        qint64 byte; // a character boundary inside a long line
        qint64 line;
        qint64 cell;
    };

    void scan(const char* data, qsizetype size, qint64 base);
    // Indexes plain lines from byte i on; returns where the general scan goes on.
    qsizetype scanPlainLines(const unsigned char* p, qsizetype i, qsizetype size, qint64 base,
                             qint64& cell);
    void startLine(qint64 start);
    // Ends the open line, cells wide, and starts the next at byte offset start.
    void breakLine(qint64 cells, qint64 start);
    void moveLastLineStart(qint64 start);
    void setLastCells(qint64 cells);
    qsizetype blockIndexOf(qint64 line) const;
    const Block& blockOf(qint64 line) const { return m_blocks.at(blockIndexOf(line)); }
    qint64 blockEndLine(qsizetype block) const;
    // Rows a line of this width wraps into. A division per line was a fifth of indexing a
    // wrapped page; a multiplication by the width's reciprocal gives the same quotient.
    static qint64 rowsFor(qint64 cells, qint64 wrap, quint64 reciprocal)
    {
        if (wrap <= 0 || cells <= wrap)
            return 1;
        if (reciprocal != 0 && cells <= kExactBelow) {
            __extension__ using Wide = unsigned __int128;
            return 1 + qint64((Wide(quint64(cells - 1)) * reciprocal) >> 64);
        }
        return (cells + wrap - 1) / wrap;
    }
    qint64 rowsFor(qint64 cells) const { return rowsFor(cells, m_wrap, m_wrapReciprocal); }
    // floor(n * reciprocal / 2^64) is floor(n / width) for every n and width below this.
    static constexpr qint64 kExactBelow = qint64(1) << 32;
    // True when no line of the block wraps: its rows are its lines.
    bool flat(const Block& block) const { return m_wrap <= 0 || block.widest <= m_wrap; }
    Checkpoint seek(qint64 line, qint64 cell) const;
    // Cells the open sequence adds when it turns out broken: four per byte instead of one.
    qint64 openSequenceExtraCells() const;

    ChunkedBytes m_bytes;
    QList<Block> m_blocks;
    std::vector<std::vector<LineEntry>> m_pages; // each reserved to its full size at once
    qint64 m_lineCount = 0;
    QHash<qint64, qint64> m_wideCells; // widths of lines too wide for 16 bits
    QList<Checkpoint> m_checkpoints;
    qint64 m_wrap = 0;
    quint64 m_wrapReciprocal = 0; // floor(2^64 / m_wrap) + 1; 0 when not used
    qint64 m_closedRows = 0; // rows of the last block's lines before the open one

    // Scanner state carried from one chunk to the next.
    qint64 m_sinceCheckpoint = 0;
    int m_need = 0; // continuation bytes still expected by the open sequence
    int m_pending = 0; // bytes of the open sequence so far
    unsigned char m_lower = 0x80; // range of the next continuation byte
    unsigned char m_upper = 0xBF;
    bool m_lastWasCR = false;
    qint64 m_plainRetryLine = 0; // the plain-line path is tried again from this line on
};
