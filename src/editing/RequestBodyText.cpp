#include "editing/RequestBodyText.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

QByteArray endBytes(RequestBodyText::LineEnd end)
{
    switch (end) {
    case RequestBodyText::LineEnd::Lf:
        return QByteArrayLiteral("\n");
    case RequestBodyText::LineEnd::CrLf:
        return QByteArrayLiteral("\r\n");
    case RequestBodyText::LineEnd::Cr:
        return QByteArrayLiteral("\r");
    case RequestBodyText::LineEnd::None:
        break;
    }
    return {};
}

// A box holding more than this becomes slow to show and to edit; the rest stays in the bytes.
constexpr qsizetype kShownBytes = 1 << 20;

// Every line break (CR LF, LF or CR) as one LF, as the box reports its own breaks.
QString breaksAsLf(const QString& text)
{
    return QString(text).replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
}

} // namespace

RequestBodyText::RequestBodyText()
{
    clear();
}

QString RequestBodyText::shownLine(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    // A text box starts a new block at these; showing them would shift every later line.
    for (QChar& c : text) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == QChar(0xFDD0)
            || c == QChar(0xFDD1))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

void RequestBodyText::rebuildShown()
{
    QStringList lines;
    lines.reserve(m_lines.size());
    for (Line& line : m_lines) {
        lines.append(shownLine(line.bytes));
        line.shownLength = lines.last().size();
    }
    m_shown = lines.join(u'\n');
}

bool RequestBodyText::lockLarge(const QByteArray& bytes, const QString& displayText)
{
    if (bytes.size() <= kShownBytes && displayText.size() <= kShownBytes)
        return false;
    m_pieces.clear();
    m_locked = true;
    m_lockedBytes = bytes;
    m_lines = { Line { {}, LineEnd::None, 0 } };
    m_shown = breaksAsLf(displayText.isNull() ? QString::fromUtf8(bytes.first(kShownBytes))
                                              : displayText.left(kShownBytes));
    m_shown += u"\n[... %1 bytes in all; the box shows the first %2. Edit the whole body with "
               "Editor.]"_s.arg(QString::number(bytes.size()), QString::number(kShownBytes));
    return true;
}

void RequestBodyText::setBytes(const QByteArray& bytes)
{
    if (lockLarge(bytes, QString()))
        return;
    m_pieces.clear();
    m_locked = false;
    m_lockedBytes.clear();
    m_lines.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != '\n' && c != '\r')
            continue;
        LineEnd end = LineEnd::Lf;
        qsizetype next = i + 1;
        if (c == '\r') {
            const bool crLf = next < bytes.size() && bytes.at(next) == '\n';
            end = crLf ? LineEnd::CrLf : LineEnd::Cr;
            next += crLf ? 1 : 0;
        }
        m_lines.append({ bytes.mid(start, i - start), end, 0 });
        start = next;
        i = next - 1;
    }
    m_lines.append({ bytes.mid(start), LineEnd::None, 0 });
    rebuildShown();
}

void RequestBodyText::setText(const QString& text)
{
    setBytes(text.toUtf8());
}

void RequestBodyText::setExactBytes(const QByteArray& bytes, const QString& displayText)
{
    if (lockLarge(bytes,
                  bytes.size() > kShownBytes && displayText == QString::fromUtf8(bytes)
                      ? QString()
                      : displayText))
        return;
    setBytes(bytes);
    // Compared as the box would show it, so a rendering that differs only in its line breaks
    // or in characters no box can show is the bytes' own text.
    QString display = breaksAsLf(displayText);
    const QStringList lines = display.split(u'\n');
    QStringList shown;
    shown.reserve(lines.size());
    for (const QString& line : lines)
        shown.append(shownLine(line.toUtf8()));
    display = shown.join(u'\n');
    if (display == m_shown)
        return;
    m_locked = true;
    m_lockedBytes = bytes;
    m_lines = { Line { {}, LineEnd::None, 0 } };
    m_shown = display;
}

void RequestBodyText::setPieces(const QList<BodyPiece>& pieces, const QString& shown)
{
    setBytes(QByteArray());
    m_locked = true;
    m_pieces = pieces;
    m_shown = breaksAsLf(shown);
}

void RequestBodyText::clear()
{
    setBytes(QByteArray());
}

QByteArray RequestBodyText::bytes() const
{
    if (m_locked)
        return m_lockedBytes;
    QByteArray out;
    for (const Line& line : m_lines)
        out += line.bytes + endBytes(line.end);
    return out;
}

bool RequestBodyText::applyShownText(const QString& shown)
{
    if (shown == m_shown)
        return true;
    if (m_locked)
        return false;

    // The edited span: what lies between the common beginning and the common end.
    const qsizetype oldLength = m_shown.size();
    const qsizetype newLength = shown.size();
    const qsizetype shorter = qMin(oldLength, newLength);
    qsizetype prefix = 0;
    while (prefix < shorter && m_shown.at(prefix) == shown.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
           && m_shown.at(oldLength - 1 - suffix) == shown.at(newLength - 1 - suffix))
        ++suffix;
    const qsizetype oldEnd = oldLength - suffix;

    // The lines the span touches, first to last; a line's break sits at start + shownLength.
    qsizetype first = -1;
    qsizetype last = -1;
    qsizetype firstStart = 0;
    qsizetype lastStop = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const qsizetype stop = start + m_lines.at(i).shownLength;
        if (first < 0 && prefix <= stop) {
            first = i;
            firstStart = start;
        }
        if (oldEnd <= stop) {
            last = i;
            lastStop = stop;
            break;
        }
        start = stop + 1;
    }
    Q_ASSERT(first >= 0 && last >= first);

    // The touched lines as they read now. Their breaks inside the span were typed or pasted.
    const QStringList pieces
        = shown.mid(firstStart, lastStop - oldLength + newLength - firstStart).split(u'\n');
    const Line oldFirst = m_lines.at(first);
    const Line oldLast = m_lines.at(last);
    QList<Line> made;
    made.reserve(pieces.size());
    for (qsizetype j = 0; j < pieces.size(); ++j) {
        const QString& text = pieces.at(j);
        Line line { text.toUtf8(), LineEnd::CrLf, text.size() };
        // A line whose text came through unchanged keeps bytes the box cannot show.
        if (j == 0 && text.size() == oldFirst.shownLength && text == shownLine(oldFirst.bytes))
            line.bytes = oldFirst.bytes;
        else if (j == pieces.size() - 1 && text.size() == oldLast.shownLength
                 && text == shownLine(oldLast.bytes))
            line.bytes = oldLast.bytes;
        made.append(line);
    }
    made.last().end = oldLast.end;
    QList<Line> lines;
    lines.reserve(m_lines.size() - (last - first + 1) + made.size());
    lines.append(m_lines.sliced(0, first));
    lines.append(made);
    lines.append(m_lines.sliced(last + 1));
    m_lines = std::move(lines);
    m_shown = shown;
    return true;
}
