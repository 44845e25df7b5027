#pragma once

#include <QMdiSubWindow>

class QMdiArea;

// A document window's place in the main window's document area. It has no platform frame
// or title bar (the window draws its own with a ctrlWindowContainer), follows the window
// it holds when that window shows or hides itself, and goes when the window is deleted.
class FramedSubWindow final : public QMdiSubWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FramedSubWindow)

public:
    // Holds window at its current size; parent is normally the area's viewport.
    explicit FramedSubWindow(QWidget* window, QWidget* parent = nullptr);

    // Puts window into area in a new sub-window and returns that; it is not shown yet.
    static FramedSubWindow* addTo(QMdiArea* area, QWidget* window);
    // The sub-window holding widget (or one of its ancestors), or null.
    static FramedSubWindow* of(const QWidget* widget);

    // Maximises within the area, or restores the size it had.
    void toggleMaximized();

    // Moves the window, and shrinks it where it is larger than the area, so that it lies
    // wholly inside the area's visible part. Done on the first show once the area is visible.
    void keepInsideArea();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_placed = false;
};
