#include "shell/widgets/FramedSubWindow.h"

#include <QEvent>
#include <QMdiArea>

#include <algorithm>

FramedSubWindow::FramedSubWindow(QWidget* window, QWidget* parent)
    : QMdiSubWindow(parent, Qt::SubWindow | Qt::FramelessWindowHint)
{
    const QSize size = window->size();
    setWidget(window);
    resize(size);
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, &QObject::deleteLater);
}

FramedSubWindow* FramedSubWindow::addTo(QMdiArea* area, QWidget* window)
{
    auto* sub = new FramedSubWindow(window);
    area->addSubWindow(sub);
    return sub;
}

FramedSubWindow* FramedSubWindow::of(const QWidget* widget)
{
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<FramedSubWindow*>(w))
            return sub;
    }
    return nullptr;
}

void FramedSubWindow::toggleMaximized()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

bool FramedSubWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Windows hide and show themselves (their frame's close button hides them); the
    // sub-window must go along or it would stay behind as an empty rectangle.
    if (watched == widget()) {
        if (event->type() == QEvent::HideToParent)
            hide();
        else if (event->type() == QEvent::ShowToParent && isHidden())
            show();
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void FramedSubWindow::keepInsideArea()
{
    const QWidget* view = parentWidget();
    if (!view || isMaximized())
        return;
    const QSize room = view->size();
    const QSize size = this->size().boundedTo(room).expandedTo(minimumSize());
    if (size != this->size())
        resize(size);
    move(std::clamp(x(), 0, std::max(0, room.width() - width())),
         std::clamp(y(), 0, std::max(0, room.height() - height())));
}

void FramedSubWindow::showEvent(QShowEvent* event)
{
    QMdiSubWindow::showEvent(event);
    // Before the main window is shown the area has no real size yet to keep inside of.
    if (!m_placed && parentWidget() && parentWidget()->isVisible()) {
        m_placed = true;
        keepInsideArea();
    }
}
