#include "analysis/ResultTextModel.h"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Bytes between two checkpoints of a long line: bounds the decoding that one painted
// row of a multi-megabyte line costs.
constexpr qint64 kCheckpointSpacing = 4096;
constexpr char32_t kReplacement = 0xFFFD;
// A byte that is not part of valid UTF-8 decodes to kInvalidByte plus its value, outside
// Unicode, and shows as "\xE9": no byte of the page is hidden behind a U+FFFD.
constexpr char32_t kInvalidByte = 0x110000;
constexpr qint64 kInvalidByteCells = 4;
// Lines per index block: a row lookup walks at most this many lines.
constexpr qint64 kBlockLines = 256;
// Starts within a block stay below this, leaving room for the CR LF adjustment.
constexpr qint64 kMaxBlockSpan = 0xFF00;
// An entry's width for a line too wide for 16 bits; its width is kept aside.
constexpr quint16 kWideLine = 0xFFFF;
// Lines left to the general scan after one the plain-line path could not end.
constexpr qint64 kPlainRetryLines = 64;

struct Step
{
    char32_t cp;
    int length;
};

// One character from p. A malformed or cut-off sequence yields its first byte as an invalid
// byte; the bytes after it are read afresh (each is then invalid too, being a continuation
// byte), the way the incremental scanner counts them.
Step decodeOne(const unsigned char* p, qsizetype n)
{
    const unsigned char b = p[0];
    if (b < 0x80)
        return { b, 1 };
    int need;
    char32_t cp;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        cp = b & 0x0F;
        if (b == 0xE0)
            lower = 0xA0; // no overlong forms
        if (b == 0xED)
            upper = 0x9F; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        cp = b & 0x07;
        if (b == 0xF0)
            lower = 0x90;
        if (b == 0xF4)
            upper = 0x8F; // nothing past U+10FFFF
    } else {
        return { kInvalidByte + b, 1 };
    }
    for (int i = 1; i <= need; ++i) {
        if (i >= n || p[i] < lower || p[i] > upper)
            return { kInvalidByte + b, 1 };
        cp = (cp << 6) | (p[i] & 0x3F);
        lower = 0x80;
        upper = 0xBF;
    }
    return { cp, need + 1 };
}

// Length of the leading run of bytes 0x20 to 0x7F (no line break, tab or control character,
// no UTF-8 sequence), sixteen or eight bytes at a time.
qsizetype plainAsciiRun(const unsigned char* p, qsizetype n)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highs = 0x8080808080808080ULL;
    qsizetype i = 0;
#ifdef __SSE2__
    // As signed bytes, both the controls and the bytes from 0x80 up are below 0x20.
    const __m128i space = _mm_set1_epi8(0x20);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int stop = _mm_movemask_epi8(_mm_cmplt_epi8(v, space));
        if (stop != 0)
            return i + std::countr_zero(unsigned(stop));
    }
#endif
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        // A byte below 0x20 borrows into its high bit when 0x20 is taken from it.
        if (((word - ones * 0x20) | word) & highs)
            break;
    }
    while (i < n && p[i] >= 0x20 && p[i] < 0x80)
        ++i;
    return i;
}

// Where the next line starts when the byte at `at` is an LF or the CR of a CR LF; -1 when it is
// neither, or a CR whose LF is not in view yet.
qsizetype lineBreakEnd(const unsigned char* p, qsizetype at, qsizetype size)
{
    if (p[at] == '\n')
        return at + 1;
    if (p[at] == '\r' && at + 1 < size && p[at + 1] == '\n')
        return at + 2;
    return -1;
}

#ifdef __SSE2__
// One bit for each of the 64 bytes at p that is not printable ASCII: a line break, tab or other
// control character, or a byte of a UTF-8 sequence.
quint64 stopMask64(const unsigned char* p)
{
    const __m128i space = _mm_set1_epi8(0x20);
    quint64 stops = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        stops |= quint64(unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(v, space)))) << (16 * k);
    }
    return stops;
}
#endif

qint64 cellWidth(char32_t cp, qint64 cell)
{
    if (cp >= kInvalidByte)
        return kInvalidByteCells;
    return cp == U'\t' ? ResultTextModel::kTabWidth - cell % ResultTextModel::kTabWidth : 1;
}

// Appends characters [from, from + count) of an invalid byte's shown form, one a cell.
void appendInvalidByte(QString& out, char32_t cp, qsizetype from = 0, qsizetype count = 4)
{
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    const auto b = unsigned(cp - kInvalidByte);
    const char16_t shown[] = { u'\\', u'x', kHex[b >> 4], kHex[b & 0xF] };
    out.append(QStringView(shown + from, count));
}

// Control characters would draw as nothing or as boxes of varying width; their
// pictures keep the grid and show that something is there.
char32_t visible(char32_t cp)
{
    if (cp < 0x20)
        return 0x2400 + cp;
    if (cp == 0x7F)
        return 0x2421;
    return cp;
}

void appendCodePoint(QString& out, char32_t cp)
{
    if (cp >= kInvalidByte) {
        appendInvalidByte(out, cp);
    } else if (cp > 0xFFFF) {
        out.append(QChar(QChar::highSurrogate(cp)));
        out.append(QChar(QChar::lowSurrogate(cp)));
    } else {
        out.append(QChar(char16_t(cp)));
    }
}

} // namespace

int ResultTextModel::decodeChar(const char* p, qsizetype n, char32_t& cp)
{
    const Step s = decodeOne(reinterpret_cast<const unsigned char*>(p), n);
    cp = s.cp >= kInvalidByte ? kReplacement : s.cp;
    return s.length;
}

ResultTextModel::ResultTextModel()
{
    clear();
}

void ResultTextModel::clear()
{
    m_bytes.clear();
    m_blocks.clear();
    m_pages.clear();
    m_lineCount = 0;
    m_wideCells.clear();
    m_checkpoints.clear();
    m_closedRows = 0;
    m_lastWasCR = false;
    m_plainRetryLine = 0;
    startLine(0);
}

void ResultTextModel::startLine(qint64 start)
{
    const qint64 line = m_lineCount;
    if (line > 0)
        m_closedRows += rowsOfLine(line - 1);
    if (m_blocks.isEmpty() || line - m_blocks.last().firstLine >= kBlockLines
        || start - m_blocks.last().base > kMaxBlockSpan) {
        const qint64 firstRow = m_blocks.isEmpty() ? 0 : m_blocks.last().firstRow + m_closedRows;
        m_blocks.append({ line, start, firstRow, 0 });
        m_closedRows = 0;
    }
    if ((line & kPageMask) == 0)
        m_pages.emplace_back().reserve(std::size_t(kPageMask + 1));
    ++m_lineCount;
    m_pages.back().push_back({ quint16(start - m_blocks.last().base), 0 });
    m_sinceCheckpoint = 0;
    m_need = 0;
    m_pending = 0;
}

void ResultTextModel::breakLine(qint64 cells, qint64 start)
{
    // Nearly every break stays within the open block and page: only the line's width, its
    // rows and the new entry are written then.
    const qint64 line = m_lineCount;
    const Block& open = m_blocks.constLast();
    const qint64 base = open.base;
    if (cells < kWideLine && (line & kPageMask) != 0 && line - open.firstLine < kBlockLines
        && start - base <= kMaxBlockSpan) {
        if (cells > open.widest)
            m_blocks.last().widest = cells;
        lastEntry().cells = quint16(cells);
        m_closedRows += rowsFor(cells);
        ++m_lineCount;
        m_pages.back().push_back({ quint16(start - base), 0 });
        m_sinceCheckpoint = 0;
        m_need = 0;
        return;
    }
    setLastCells(cells);
    startLine(start);
}

void ResultTextModel::moveLastLineStart(qint64 start)
{
    Block& block = m_blocks.last();
    if (block.firstLine == lineCount() - 1)
        block.base = start;
    lastEntry().offset = quint16(start - block.base);
}

void ResultTextModel::setLastCells(qint64 cells)
{
    Block& block = m_blocks.last();
    block.widest = std::max(block.widest, cells);
    if (cells >= kWideLine) {
        lastEntry().cells = kWideLine;
        m_wideCells.insert(lineCount() - 1, cells);
    } else {
        lastEntry().cells = quint16(cells);
    }
}

qint64 ResultTextModel::lineCells(qint64 line) const
{
    const quint16 cells = entry(line).cells;
    return cells == kWideLine ? m_wideCells.value(line) : cells;
}

qsizetype ResultTextModel::blockIndexOf(qint64 line) const
{
    const auto it = std::upper_bound(m_blocks.cbegin(), m_blocks.cend(), line,
                                     [](qint64 l, const Block& b) { return l < b.firstLine; });
    return qsizetype(it - m_blocks.cbegin()) - 1;
}

qint64 ResultTextModel::blockEndLine(qsizetype block) const
{
    return block + 1 < m_blocks.size() ? m_blocks.at(block + 1).firstLine : lineCount();
}

void ResultTextModel::append(const QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    const qint64 base = m_bytes.size();
    m_bytes.append(chunk);
    scan(chunk.constData(), chunk.size(), base);
}

Q_NEVER_INLINE qsizetype ResultTextModel::scanPlainLines(const unsigned char* p, qsizetype i,
                                                         qsizetype size, qint64 base, qint64& cell)
{
    // Lines of printable ASCII ended by LF or CR LF, the bulk of most large responses, are
    // indexed here with the scanner's state held in registers: the same entries breakLine()
    // would write, for two thirds of the instructions. Anything else is left to the general
    // scan.
    Block& block = m_blocks.last();
    std::vector<LineEntry>& page = m_pages.back();
    qint64 line = m_lineCount;
    qint64 widest = block.widest;
    qint64 rows = m_closedRows;
    qint64 since = m_sinceCheckpoint;
    const qint64 wrap = m_wrap;
    const quint64 reciprocal = m_wrapReciprocal;
    bool stuck = false; // stopped at a byte that is not plain ASCII
    const auto endLine = [&](qint64 cells, qsizetype next) {
        widest = std::max(widest, cells);
        page.back().cells = quint16(cells);
        rows += rowsFor(cells, wrap, reciprocal);
        page.push_back({ quint16(base + next - block.base), 0 });
        ++line;
        cell = 0;
        since = 0;
        i = next;
    };
#ifdef __SSE2__
    // Sixty-four bytes at a time: one mask of stop bytes serves every line that ends in it.
    // Taken once a whole plain line has been seen, as text with a character beyond ASCII on
    // every line would pay for a mask at each of them and use none. What holds for the whole
    // stretch is worked out once: the lines the open block and page still take, the furthest
    // start the block can hold, and how far the open line may run before it needs a
    // checkpoint. Whatever is not a plain line ending within those limits is left to the
    // line-by-line loop below.
    const auto linesByMask = [&] {
        qsizetype reach = std::min<qsizetype>(size, i + kCheckpointSpacing);
        if (i + 64 > reach)
            return;
        const qint64 lastLine
            = std::min(block.firstLine + kBlockLines, (line + kPageMask) & ~kPageMask);
        const qint64 lastStart = block.base + kMaxBlockSpan - base;
        qsizetype window = i;
        quint64 stops = stopMask64(p + window);
        while (line < lastLine) {
            if (stops == 0) {
                window += 64;
                if (window + 64 > reach)
                    return;
                stops = stopMask64(p + window);
                if (i > window) // the LF of a CR LF that ended the last window
                    stops &= ~quint64(0) << (i - window);
                continue;
            }
            const qsizetype at = window + std::countr_zero(stops);
            const qsizetype next = lineBreakEnd(p, at, size);
            if (next < 0 || next > lastStart)
                return;
            endLine(at - i, next);
            reach = std::min<qsizetype>(size, next + kCheckpointSpacing);
            // The bits up to the new line's start are used; a CR LF may end past the window.
            const qsizetype used = next - window;
            stops = used >= 64 ? 0 : stops & (~quint64(0) << used);
        }
    };
#endif
    while ((line & kPageMask) != 0 && line - block.firstLine < kBlockLines) {
        const bool wholeLine = cell == 0;
        const qsizetype limit = std::min<qsizetype>(size, i + (kCheckpointSpacing - since));
        const qsizetype run = plainAsciiRun(p + i, limit - i);
        const qsizetype at = i + run;
        const qsizetype next = at < limit ? lineBreakEnd(p, at, size) : -1;
        const qint64 cells = cell + run;
        if (next < 0 || cells >= kWideLine || base + next - block.base > kMaxBlockSpan) {
            // The general scan goes on from the stop byte, the run before it counted.
            stuck = next < 0 && at < limit && !(p[at] == '\r' && at + 1 == size);
            if (run > 0) {
                cell = cells;
                since += run;
                m_lastWasCR = false;
            }
            i = at;
            break;
        }
        endLine(cells, next);
#ifdef __SSE2__
        if (wholeLine)
            linesByMask();
#endif
    }
    // Text with a character beyond ASCII on every line would pay for this path at each line
    // and gain nothing: after a line it could not end, the next few are left to the general scan.
    if (stuck && line == m_lineCount)
        m_plainRetryLine = line + kPlainRetryLines;
    block.widest = widest;
    m_closedRows = rows;
    m_lineCount = line;
    m_sinceCheckpoint = since;
    return i;
}

void ResultTextModel::scan(const char* data, qsizetype size, qint64 base)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    // An open sequence was counted as invalid bytes at the end of the last chunk; it may still
    // complete into one character.
    qint64 cell = lineCells(lineCount() - 1) - openSequenceExtraCells();
    // Where a line starts, the lines from there on may be plain: tried there, not at every
    // byte the loop below stops at.
    const auto plainLinesFrom = [&](qsizetype start) {
        return m_lineCount >= m_plainRetryLine ? scanPlainLines(p, start, size, base, cell) : start;
    };
    qsizetype i = cell == 0 && m_need == 0 && !m_lastWasCR ? plainLinesFrom(0) : 0;
    for (; i < size; ++i) {
        if (m_need == 0) {
            // Most responses are printable ASCII: such runs only add one cell a byte.
            const qsizetype limit
                = std::min<qsizetype>(size, i + (kCheckpointSpacing - m_sinceCheckpoint));
            const qsizetype run = plainAsciiRun(p + i, limit - i);
            if (run > 0) {
                cell += run;
                m_sinceCheckpoint += run;
                m_lastWasCR = false;
                i += run;
                if (i >= size)
                    break;
            }
        }
        const unsigned char b = p[i];
        if (m_need > 0) {
            if (b >= m_lower && b <= m_upper) {
                --m_need;
                ++m_pending;
                m_lower = 0x80;
                m_upper = 0xBF;
                ++m_sinceCheckpoint;
                continue;
            }
            // The open sequence is broken: its bytes show as invalid bytes, and this byte
            // starts afresh.
            cell += openSequenceExtraCells();
            m_need = 0;
        }
        if (b == '\n') {
            if (m_lastWasCR) {
                moveLastLineStart(base + i + 1); // the LF belongs to the CR's break
                m_lastWasCR = false;
            } else {
                breakLine(cell, base + i + 1);
                cell = 0;
            }
            i = plainLinesFrom(i + 1) - 1;
            continue;
        }
        m_lastWasCR = false;
        if (b == '\r') {
            breakLine(cell, base + i + 1);
            cell = 0;
            m_lastWasCR = true;
            continue;
        }
        if (m_sinceCheckpoint >= kCheckpointSpacing) {
            m_checkpoints.append({ base + i, lineCount() - 1, cell });
            m_sinceCheckpoint = 0;
        }
        ++m_sinceCheckpoint;
        if (b < 0x80) {
            cell += b == '\t' ? kTabWidth - cell % kTabWidth : 1;
            continue;
        }
        if (b < 0xC2 || b > 0xF4) {
            cell += kInvalidByteCells;
            continue;
        }
        ++cell; // one character, unless the sequence breaks
        m_pending = 1;
        if (b >= 0xC2 && b <= 0xDF) {
            // The range may still hold the narrower one of a sequence this byte broke.
            m_need = 1;
            m_lower = 0x80;
            m_upper = 0xBF;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_need = 2;
            m_lower = b == 0xE0 ? 0xA0 : 0x80;
            m_upper = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_need = 3;
            m_lower = b == 0xF0 ? 0x90 : 0x80;
            m_upper = b == 0xF4 ? 0x8F : 0xBF;
        }
    }
    setLastCells(cell + openSequenceExtraCells());
}

qint64 ResultTextModel::openSequenceExtraCells() const
{
    return m_need > 0 ? m_pending * kInvalidByteCells - 1 : 0;
}

qint64 ResultTextModel::lineEnd(qint64 line) const
{
    if (line + 1 >= lineCount())
        return m_bytes.size();
    const qint64 next = lineStart(line + 1);
    if (next - 2 >= lineStart(line) && m_bytes.at(next - 1) == '\n' && m_bytes.at(next - 2) == '\r')
        return next - 2;
    return next - 1;
}

ResultTextModel::Checkpoint ResultTextModel::seek(qint64 line, qint64 cell) const
{
    const auto it = std::upper_bound(m_checkpoints.cbegin(), m_checkpoints.cend(),
                                     Pos { line, cell }, [](const Pos& p, const Checkpoint& c) {
                                         return p < Pos { c.line, c.cell };
                                     });
    if (it != m_checkpoints.cbegin() && std::prev(it)->line == line)
        return *std::prev(it);
    return { lineStart(line), line, 0 };
}

QString ResultTextModel::displayText(qint64 line, qint64 fromCell, qint64 toCell,
                                     QList<qint64>* invalidBytes) const
{
    const qint64 cells = lineCells(line);
    if (toCell < 0 || toCell > cells)
        toCell = cells;
    fromCell = std::clamp<qint64>(fromCell, 0, toCell);
    QString out;
    if (fromCell == toCell)
        return out;
    const Checkpoint from = seek(line, fromCell);
    // Every character takes at least one cell and at most four bytes.
    const qint64 span = std::min(lineEnd(line) - from.byte, 4 * (toCell - from.cell) + 4);
    const QByteArray buf = m_bytes.mid(from.byte, span);
    const auto* p = reinterpret_cast<const unsigned char*>(buf.constData());
    out.reserve(qsizetype(toCell - fromCell));
    qint64 cell = from.cell;
    for (qsizetype i = 0; i < buf.size() && cell < toCell;) {
        const Step s = decodeOne(p + i, buf.size() - i);
        const qint64 w = cellWidth(s.cp, cell);
        if (s.cp == U'\t') {
            const qint64 shown = std::min(cell + w, toCell) - std::max(cell, fromCell);
            if (shown > 0)
                out.append(QString(qsizetype(shown), u' '));
        } else if (s.cp >= kInvalidByte) {
            // A row boundary may cut the shown form; each part keeps its cells.
            const qint64 first = std::max(cell, fromCell);
            const qint64 shown = std::min(cell + w, toCell) - first;
            if (shown > 0) {
                appendInvalidByte(out, s.cp, first - cell, shown);
                if (invalidBytes)
                    invalidBytes->append(cell);
            }
        } else if (cell >= fromCell) {
            appendCodePoint(out, visible(s.cp));
        }
        cell += w;
        i += s.length;
    }
    return out;
}

qint64 ResultTextModel::byteAt(Pos pos) const
{
    pos.line = std::clamp<qint64>(pos.line, 0, lineCount() - 1);
    pos.cell = std::clamp<qint64>(pos.cell, 0, lineCells(pos.line));
    const Checkpoint from = seek(pos.line, pos.cell);
    const qint64 end = lineEnd(pos.line);
    const QByteArray buf
        = m_bytes.mid(from.byte, std::min(end - from.byte, 4 * (pos.cell - from.cell) + 4));
    const auto* p = reinterpret_cast<const unsigned char*>(buf.constData());
    qint64 cell = from.cell;
    qsizetype i = 0;
    while (i < buf.size() && cell < pos.cell) {
        const Step s = decodeOne(p + i, buf.size() - i);
        cell += cellWidth(s.cp, cell);
        i += s.length;
    }
    return std::min(from.byte + i, end);
}

QString ResultTextModel::text(Pos from, Pos to) const
{
    if (to < from)
        std::swap(from, to);
    const qint64 begin = byteAt(from);
    const QByteArray buf = m_bytes.mid(begin, byteAt(to) - begin);
    const auto* p = reinterpret_cast<const unsigned char*>(buf.constData());
    QString out;
    out.reserve(buf.size());
    for (qsizetype i = 0; i < buf.size();) {
        const Step s = decodeOne(p + i, buf.size() - i);
        appendCodePoint(out, s.cp);
        i += s.length;
    }
    return out;
}

qint64 ResultTextModel::rowsOfLine(qint64 line) const
{
    return rowsFor(lineCells(line));
}

void ResultTextModel::setWrapWidth(qint64 cells)
{
    cells = std::max<qint64>(cells, 0);
    if (cells == m_wrap)
        return;
    m_wrap = cells;
    m_wrapReciprocal = cells >= 2 && cells < kExactBelow ? ~quint64(0) / quint64(cells) + 1 : 0;
    // Only blocks holding a line wider than a row need their lines looked at.
    qint64 row = 0;
    for (qsizetype b = 0; b < m_blocks.size(); ++b) {
        m_blocks[b].firstRow = row;
        const qint64 end = blockEndLine(b);
        if (flat(m_blocks.at(b))) {
            m_closedRows = end - m_blocks.at(b).firstLine;
        } else {
            m_closedRows = 0;
            for (qint64 line = m_blocks.at(b).firstLine; line < end; ++line)
                m_closedRows += rowsOfLine(line);
        }
        row += m_closedRows;
    }
    m_closedRows -= rowsOfLine(lineCount() - 1);
}

qint64 ResultTextModel::rowCount() const
{
    return m_blocks.last().firstRow + m_closedRows + rowsOfLine(lineCount() - 1);
}

ResultTextModel::Pos ResultTextModel::rowStart(qint64 row) const
{
    row = std::clamp<qint64>(row, 0, rowCount() - 1);
    if (m_wrap <= 0)
        return { row, 0 };
    const auto it = std::upper_bound(m_blocks.cbegin(), m_blocks.cend(), row,
                                     [](qint64 r, const Block& b) { return r < b.firstRow; });
    const qsizetype b = qsizetype(it - m_blocks.cbegin()) - 1;
    qint64 first = m_blocks.at(b).firstRow;
    if (flat(m_blocks.at(b)))
        return { m_blocks.at(b).firstLine + (row - first), 0 };
    const qint64 end = blockEndLine(b);
    for (qint64 line = m_blocks.at(b).firstLine; line < end; ++line) {
        const qint64 rows = rowsOfLine(line);
        if (row < first + rows)
            return { line, (row - first) * m_wrap };
        first += rows;
    }
    return { lineCount() - 1, 0 }; // not reached: the row was clipped to the text
}

qint64 ResultTextModel::rowOf(Pos pos) const
{
    pos.line = std::clamp<qint64>(pos.line, 0, lineCount() - 1);
    if (m_wrap <= 0)
        return pos.line;
    const Block& block = blockOf(pos.line);
    qint64 row = block.firstRow;
    if (flat(block))
        return row + (pos.line - block.firstLine);
    for (qint64 line = block.firstLine; line < pos.line; ++line)
        row += rowsOfLine(line);
    return row + std::clamp<qint64>(pos.cell / m_wrap, 0, rowsOfLine(pos.line) - 1);
}

ResultTextModel::Pos ResultTextModel::posAt(qint64 byte) const
{
    byte = std::clamp<qint64>(byte, 0, size());
    const auto it = std::upper_bound(m_blocks.cbegin(), m_blocks.cend(), byte,
                                     [](qint64 v, const Block& b) { return v < b.base; });
    const qsizetype b = std::max<qsizetype>(0, qsizetype(it - m_blocks.cbegin()) - 1);
    const Block& block = m_blocks.at(b);
    // The block's last line starting at or before the byte.
    qint64 line = block.firstLine;
    for (qint64 low = line + 1, high = blockEndLine(b); low < high;) {
        const qint64 mid = low + (high - low) / 2;
        if (block.base + entry(mid).offset <= byte) {
            line = mid;
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    const qint64 end = lineEnd(line);
    if (byte >= end)
        return { line, lineCells(line) };
    // Decode from the last checkpoint before the byte.
    const auto cp = std::upper_bound(m_checkpoints.cbegin(), m_checkpoints.cend(), byte,
                                     [](qint64 v, const Checkpoint& c) { return v < c.byte; });
    Checkpoint from { lineStart(line), line, 0 };
    if (cp != m_checkpoints.cbegin() && std::prev(cp)->line == line)
        from = *std::prev(cp);
    const QByteArray buf = m_bytes.mid(from.byte, std::min(end, byte + 4) - from.byte);
    const auto* p = reinterpret_cast<const unsigned char*>(buf.constData());
    qint64 cell = from.cell;
    for (qsizetype i = 0; from.byte + i < byte;) {
        const Step s = decodeOne(p + i, buf.size() - i);
        if (from.byte + i + s.length > byte)
            break; // the byte is inside this character
        cell += cellWidth(s.cp, cell);
        i += s.length;
    }
    return { line, cell };
}
