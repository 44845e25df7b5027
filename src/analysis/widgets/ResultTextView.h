#pragma once

#include "analysis/ResultTextModel.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

class ResultFindBar;
class ResultFinder;
class QShortcut;

// A read-only, fixed-pitch text page built for large responses. It keeps the received
// bytes exact in a ResultTextModel and paints only the rows in view, so appending costs
// the new bytes alone and a line of megabytes wraps without being laid out. The user
// selects with the mouse (Shift extends), copies with Ctrl+C or the context menu and
// selects everything with Ctrl+A. Ctrl+F opens a find bar under the text (F3 and Shift+F3
// find again), Ctrl+G jumps to a line.
class ResultTextView final : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultTextView)

public:
    using Pos = ResultTextModel::Pos;

    // An empty page in the system's fixed-pitch font.
    explicit ResultTextView(QWidget* parent = nullptr);

    // Appends received bytes (shared, not copied).
    void appendBytes(const QByteArray& bytes);
    // Appends text as UTF-8.
    void appendText(const QString& text);
    // Empties the page and drops the selection.
    void clear();

    // The page's text: its bytes, lines and rows.
    const ResultTextModel& model() const { return m_model; }
    // Whole text decoded for display purposes (copying, tests).
    QString toPlainText() const { return m_model.text(); }

    // While on, text appended when the last row is in view keeps the last row in view.
    void setFollowEnd(bool follow) { m_followEnd = follow; }
    // Whether the view follows the end (see setFollowEnd).
    bool followEnd() const { return m_followEnd; }
    // Brings the first row to the top of the view.
    void scrollToStart();
    // Scrolls as far down as the text goes.
    void scrollToEnd();
    // First row in view.
    qint64 topRow() const;

    // True when some text is selected.
    bool hasSelection() const { return m_anchor != m_cursor; }
    // The selected text, tabs and line breaks as received; empty without a selection.
    QString selectedText() const;
    // Selects from anchor to cursor (either order); equal places select nothing.
    void setSelection(Pos anchor, Pos cursor);
    // The selection's fixed end, and the caret.
    Pos anchor() const { return m_anchor; }
    Pos caret() const { return m_cursor; }
    // Selects the whole text.
    void selectAll();
    // Puts the selected text on the clipboard; nothing without a selection.
    void copy() const;

    // The text place nearest to a point of the viewport.
    Pos posAt(const QPoint& point) const;

    // Opens the find bar with its find field focused.
    void showFind();
    // Off: Ctrl+F is left to the window holding the view, which opens this bar from any of its
    // parts.
    void setOwnFindShortcut(bool on);
    // Opens the find bar with its line field focused.
    void showGoToLine();
    // Selects the next (forward) or previous match of the find bar's text, once found.
    void findAgain(bool forward);
    // Brings a line (from 1, clipped to the text) into view, selects it and puts the cursor at
    // its start.
    void goToLine(qint64 line);
    // Brings a place into view, scrolling only when it is not in view.
    void ensureVisible(Pos pos);
    // The find bar, or null before it was first opened; its finder, or null likewise.
    ResultFindBar* findBar() const { return m_findBar; }
    ResultFinder* finder() const { return m_finder; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void updateMetrics();
    void rewrap();
    void updateScrollRange();
    int visibleRows() const;
    void dragTo(const QPoint& point);
    void ensureFindBar();
    void layoutFindBar();
    void showCount();

    ResultTextModel m_model;
    QShortcut* m_findShortcut = nullptr;
    Pos m_anchor;
    Pos m_cursor;
    bool m_followEnd = false;
    bool m_selecting = false;
    QPoint m_lastDragPoint;
    QBasicTimer m_autoScroll;
    ResultFindBar* m_findBar = nullptr;
    ResultFinder* m_finder = nullptr;
    qreal m_charWidth = 8;
    int m_rowHeight = 16;
    int m_ascent = 12;
};
