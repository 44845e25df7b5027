#include "analysis/widgets/ResultTextView.h"

#include "analysis/ResultFinder.h"
#include "analysis/widgets/ResultFindBar.h"

#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QtMath>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMargin = 4;
constexpr int kAutoScrollMs = 40;
// A translucent orange: readable under the text and over a selection alike.
constexpr QColor kInvalidByteTint(255, 140, 0, 90);

int clampToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, 0, std::numeric_limits<int>::max()));
}

} // namespace

ResultTextView::ResultTextView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    updateMetrics();

    // Shortcuts rather than key handling, so they also work from the find bar's fields.
    const auto shortcut = [this](const QKeySequence& keys, auto slot) {
        new QShortcut(keys, this, this, slot, Qt::WidgetWithChildrenShortcut);
    };
    m_findShortcut = new QShortcut(
        QKeySequence::Find, this, this, [this] { showFind(); }, Qt::WidgetWithChildrenShortcut);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_G), [this] { showGoToLine(); });
    shortcut(QKeySequence(Qt::Key_F3), [this] { findAgain(true); });
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findAgain(false); });
}

void ResultTextView::appendBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    const qint64 firstChangedRow = m_model.rowCount() - 1;
    m_model.append(bytes);
    if (m_finder)
        m_finder->textChanged();
    updateScrollRange();
    if (m_followEnd && atEnd)
        bar->setValue(bar->maximum());
    // Text that lands below the view needs no repaint; only the scroll bar changes.
    if (firstChangedRow <= topRow() + visibleRows())
        viewport()->update();
}

void ResultTextView::appendText(const QString& text)
{
    appendBytes(text.toUtf8());
}

void ResultTextView::clear()
{
    m_model.clear();
    if (m_finder)
        m_finder->textChanged();
    m_anchor = m_cursor = {};
    m_selecting = false;
    m_autoScroll.stop();
    updateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void ResultTextView::scrollToStart()
{
    verticalScrollBar()->setValue(0);
}

void ResultTextView::scrollToEnd()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

qint64 ResultTextView::topRow() const
{
    return verticalScrollBar()->value();
}

QString ResultTextView::selectedText() const
{
    return hasSelection() ? m_model.text(m_anchor, m_cursor) : QString();
}

void ResultTextView::setSelection(Pos anchor, Pos cursor)
{
    m_anchor = anchor;
    m_cursor = cursor;
    viewport()->update();
}

void ResultTextView::selectAll()
{
    setSelection({ 0, 0 }, m_model.endPos());
}

void ResultTextView::copy() const
{
    if (hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

int ResultTextView::visibleRows() const
{
    return std::max(1, viewport()->height() / m_rowHeight);
}

void ResultTextView::updateMetrics()
{
    // Fractional advance: rounding it would let long rows drift past the right edge.
    const QFontMetricsF fm(font());
    m_charWidth = std::max<qreal>(1, fm.horizontalAdvance(u'M'));
    m_rowHeight = std::max(1, qCeil(fm.lineSpacing()));
    m_ascent = qRound(fm.ascent());
    rewrap();
}

void ResultTextView::rewrap()
{
    // Keep the text at the top of the view in view while rows change length.
    const Pos top = m_model.rowStart(topRow());
    m_model.setWrapWidth(
        std::max<qint64>(1, qint64((viewport()->width() - 2 * kMargin) / m_charWidth)));
    updateScrollRange();
    verticalScrollBar()->setValue(clampToInt(m_model.rowOf(top)));
    viewport()->update();
}

void ResultTextView::updateScrollRange()
{
    const int page = visibleRows();
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(page);
    bar->setSingleStep(1);
    bar->setRange(0, clampToInt(m_model.rowCount() - page));
}

void ResultTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutFindBar();
    rewrap();
}

void ResultTextView::ensureFindBar()
{
    if (m_findBar)
        return;
    m_finder = new ResultFinder(m_model, this);
    m_findBar = new ResultFindBar(this);
    m_findBar->setObjectName(u"findBar"_s);
    connect(m_findBar, &ResultFindBar::queryChanged, this, [this] {
        m_finder->setQuery(m_findBar->findText(), m_findBar->matchCase());
        // Find as one types: from where the current match starts.
        if (!m_findBar->findText().isEmpty())
            m_finder->findNext(m_model.byteAt(std::min(m_anchor, m_cursor)));
    });
    connect(m_findBar, &ResultFindBar::findRequested, this, &ResultTextView::findAgain);
    connect(m_findBar, &ResultFindBar::lineRequested, this, &ResultTextView::goToLine);
    connect(m_findBar, &ResultFindBar::closed, this, [this] {
        layoutFindBar();
        setFocus(Qt::OtherFocusReason);
    });
    connect(m_finder, &ResultFinder::found, this, [this](qint64 begin, qint64 end, bool wrapped) {
        setSelection(m_model.posAt(begin), m_model.posAt(end));
        ensureVisible(m_cursor);
        ensureVisible(m_anchor);
        showCount();
        if (wrapped)
            m_findBar->setStatus(m_findBar->status() + u" (wrapped)"_s);
    });
    connect(m_finder, &ResultFinder::notFound, this,
            [this] { m_findBar->setStatus(u"Not found"_s); });
    connect(m_finder, &ResultFinder::countChanged, this, &ResultTextView::showCount);
}

void ResultTextView::showCount()
{
    const qint64 n = m_finder->matchCount();
    if (m_finder->queryText().isEmpty())
        m_findBar->setStatus(QString());
    else if (m_finder->isCounting())
        m_findBar->setStatus(QString::number(n) + u" so far, searching "_s
                             + QString::number(m_finder->countProgress()) + u"%"_s);
    else
        m_findBar->setStatus(n == 1 ? u"1 match"_s : QString::number(n) + u" matches"_s);
}

void ResultTextView::layoutFindBar()
{
    const int height = m_findBar && !m_findBar->isHidden() ? m_findBar->sizeHint().height() : 0;
    setViewportMargins(0, 0, 0, height);
    if (height > 0) {
        const QRect vp = viewport()->geometry();
        m_findBar->setGeometry(vp.left(), vp.bottom() + 1, vp.width(), height);
    }
}

void ResultTextView::showFind()
{
    ensureFindBar();
    m_findBar->focusFind();
    layoutFindBar();
}

void ResultTextView::setOwnFindShortcut(bool on)
{
    m_findShortcut->setEnabled(on);
}

void ResultTextView::showGoToLine()
{
    ensureFindBar();
    m_findBar->focusLine();
    layoutFindBar();
}

void ResultTextView::findAgain(bool forward)
{
    if (!m_findBar || m_findBar->findText().isEmpty()) {
        showFind();
        return;
    }
    const Pos from = forward ? std::max(m_anchor, m_cursor) : std::min(m_anchor, m_cursor);
    if (forward)
        m_finder->findNext(m_model.byteAt(from));
    else
        m_finder->findPrevious(m_model.byteAt(from));
}

void ResultTextView::goToLine(qint64 line)
{
    const Pos at { std::clamp<qint64>(line - 1, 0, m_model.lineCount() - 1), 0 };
    // The line is selected so the eye finds it; the caret is at its start.
    setSelection({ at.line, m_model.lineCells(at.line) }, at);
    // The line goes to the top third of the view, where the eye looks for it.
    verticalScrollBar()->setValue(clampToInt(m_model.rowOf(at) - visibleRows() / 3));
}

void ResultTextView::ensureVisible(Pos pos)
{
    const qint64 row = m_model.rowOf(pos);
    if (row < topRow() || row >= topRow() + visibleRows())
        verticalScrollBar()->setValue(clampToInt(row - visibleRows() / 3));
}

void ResultTextView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ResultTextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateMetrics();
}

void ResultTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& pal = palette();
    const Pos selFrom = std::min(m_anchor, m_cursor);
    const Pos selTo = std::max(m_anchor, m_cursor);
    const qint64 top = topRow();
    const qint64 rows = m_model.rowCount();
    const qint64 wrap = m_model.wrapWidth();
    for (int i = 0; i <= visibleRows() && top + i < rows; ++i) {
        const Pos begin = m_model.rowStart(top + i);
        const qint64 cells = m_model.lineCells(begin.line);
        const Pos end { begin.line, wrap > 0 ? std::min(begin.cell + wrap, cells) : cells };
        const int y = i * m_rowHeight;
        QList<qint64> invalidBytes;
        const QString text = m_model.displayText(begin.line, begin.cell, end.cell, &invalidBytes);

        const Pos from = std::max(selFrom, begin);
        const Pos to = std::min(selTo, end);
        const bool inRow = hasSelection() && from.line == begin.line && to.line == begin.line;
        // A selected line break shows as half a cell at the end of the line's last row.
        const bool breakSelected
            = hasSelection() && end.cell == cells && selFrom <= end && selTo.line > begin.line;
        const qreal x0 = kMargin + qreal(from.cell - begin.cell) * m_charWidth;
        if (inRow && (from < to || breakSelected)) {
            const qreal x1 = kMargin + qreal(to.cell - begin.cell) * m_charWidth
                + (breakSelected ? m_charWidth / 2 : 0);
            painter.fillRect(QRectF(x0, y, x1 - x0, m_rowHeight), pal.color(QPalette::Highlight));
        }
        // Bytes that are not UTF-8 are told from text that merely reads "\xE9" by a tint.
        for (const qint64 at : std::as_const(invalidBytes)) {
            const qint64 first = std::max(at, begin.cell);
            const qint64 last = std::min(at + 4, end.cell);
            painter.fillRect(QRectF(kMargin + qreal(first - begin.cell) * m_charWidth, y,
                                    qreal(last - first) * m_charWidth, m_rowHeight),
                             kInvalidByteTint);
        }
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(QPointF(kMargin, y + m_ascent), text);
        if (inRow && from < to) {
            painter.setPen(pal.color(QPalette::HighlightedText));
            painter.drawText(QPointF(x0, y + m_ascent),
                             m_model.displayText(begin.line, from.cell, to.cell));
        }
    }
}

ResultTextView::Pos ResultTextView::posAt(const QPoint& point) const
{
    const qint64 row = topRow() + (point.y() < 0 ? -1 : point.y() / m_rowHeight);
    if (row < 0)
        return { 0, 0 };
    if (row >= m_model.rowCount())
        return m_model.endPos();
    const Pos begin = m_model.rowStart(row);
    const qint64 cells = m_model.lineCells(begin.line);
    const qint64 wrap = m_model.wrapWidth();
    const qint64 last = wrap > 0 ? std::min(begin.cell + wrap, cells) : cells;
    const qint64 offset = qint64(std::max(0, point.x() - kMargin) / m_charWidth + 0.5);
    return { begin.line, std::min(begin.cell + offset, last) };
}

void ResultTextView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::MoveToStartOfDocument) {
        // The caret goes along: the next search starts from where the user is.
        setSelection({ 0, 0 }, { 0, 0 });
        scrollToStart();
    } else if (event == QKeySequence::MoveToEndOfDocument) {
        setSelection(m_model.endPos(), m_model.endPos());
        scrollToEnd();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ResultTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const Pos p = posAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier))
        m_anchor = p;
    m_cursor = p;
    m_selecting = true;
    m_lastDragPoint = event->position().toPoint();
    viewport()->update();
}

void ResultTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_selecting)
        dragTo(event->position().toPoint());
}

void ResultTextView::dragTo(const QPoint& point)
{
    m_lastDragPoint = point;
    const bool outside = point.y() < 0 || point.y() >= viewport()->height();
    if (outside && !m_autoScroll.isActive())
        m_autoScroll.start(kAutoScrollMs, this);
    else if (!outside)
        m_autoScroll.stop();
    const QPoint inside(point.x(), std::clamp(point.y(), 0, viewport()->height() - 1));
    m_cursor = posAt(point.y() >= viewport()->height() && topRow() >= verticalScrollBar()->maximum()
                         ? point
                         : inside);
    viewport()->update();
}

void ResultTextView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_selecting = false;
        m_autoScroll.stop();
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void ResultTextView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_autoScroll.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    // Farther from the edge scrolls faster.
    const int y = m_lastDragPoint.y();
    const int beyond = y < 0 ? y : y - viewport()->height() + 1;
    const int step = beyond / m_rowHeight + (beyond < 0 ? -1 : 1);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + step);
    dragTo(m_lastDragPoint);
}

void ResultTextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copyAction = menu.addAction(u"&Copy"_s, this, &ResultTextView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    QAction* allAction = menu.addAction(u"Select &All"_s, this, &ResultTextView::selectAll);
    allAction->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}
