#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

// The find bar under a text page: the text to find with previous/next, match case, the
// count of matches, and a line number to jump to. It only reports what the user asks for;
// the page does the finding.
class ResultFindBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultFindBar)

public:
    explicit ResultFindBar(QWidget* parent = nullptr);

    // Shows the bar with the find field focused and its text selected.
    void focusFind();
    // Shows the bar with the line field focused and its text selected.
    void focusLine();
    // The text to find and whether case must match.
    QString findText() const;
    bool matchCase() const;
    // Replaces the text beside the buttons (count, progress, "not found").
    void setStatus(const QString& text);
    QString status() const;

    // The fields, for tests.
    QLineEdit* findField() const { return m_find; }
    QLineEdit* lineField() const { return m_line; }

Q_SIGNALS:
    // The text or the match case changed.
    void queryChanged();
    // Next (forward) or previous match asked for.
    void findRequested(bool forward);
    // Line number (from 1) asked for.
    void lineRequested(qint64 line);
    // The bar was closed (Escape or its close button).
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_find;
    QToolButton* m_previous;
    QToolButton* m_next;
    QCheckBox* m_case;
    QLabel* m_status;
    QLineEdit* m_line;
};
