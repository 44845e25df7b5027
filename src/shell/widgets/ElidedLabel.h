#pragma once

#include <QFrame>
#include <QString>

// One line of text that never widens its window: text too long for the width is shown
// with its middle elided, so that both ends of a long address stay readable. The whole
// text is always offered as the tool tip.
class ElidedLabel final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidedLabel)

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // The whole text, as given.
    QString text() const { return m_text; }
    // Replaces the text and the tool tip; repaints.
    void setText(const QString& text);
    // The text as painted at the current width ("…" in the middle when shortened).
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
