#pragma once

#include "shell/widgets/TitleBarControl.h"

// The frame of a document window: a thin border along every edge and a title bar inside
// it. It covers its whole window and stays below the window's other controls; the
// window places it at 0,0 with its own size on every resize. Never smaller than
// 2000 x 2000 twips. All four flags start on. Dragging its edges or corners resizes the
// window (its sub-window in the document area, or the top-level window).
class ctrlWindowContainer final : public TitleBarControl
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlWindowContainer)

public:
    explicit ctrlWindowContainer(QWidget* parent = nullptr);

protected:
    void relayout() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Qt::Edges edgesAt(const QPoint& pos) const;
    QWidget* resizeTarget() const;

    Qt::Edges m_resizing;
    QPoint m_pressedAt; // global
    QRect m_startGeometry;
};
