#include "shell/widgets/FramedSubWindow.h"

#include <QEvent>
#include <QMdiArea>

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
