#include "shell/widgets/CenterFormOver.h"

#include "shell/DialogPlacer.h"

#include <QWidget>

#include <algorithm>

namespace {

// A window's outer geometry. Qt knows a frame only once the window is shown; before that
// frameGeometry() of a window is one pixel short, so the inner geometry stands in.
QRect outerGeometry(const QWidget* window)
{
    return window->isVisible() ? window->frameGeometry() : window->geometry();
}

} // namespace

void CenterFormOver(const QWidget* host, QWidget* form)
{
    if (!host || !form)
        return;
    const QRect hostFrame = outerGeometry(host->window());
    QPoint at = hostFrame.topLeft()
        + DialogPlacer::centeredOffset(hostFrame.size(), outerGeometry(form).size());
    // A form taller than two thirds of the window (or wider than it) would start above or left
    // of it, with its caption, the only handle to move it by, out of reach.
    at.setX(std::max(at.x(), hostFrame.left()));
    at.setY(std::max(at.y(), hostFrame.top()));
    if (form->isWindow() || !form->parentWidget())
        form->move(at);
    else
        form->move(form->parentWidget()->mapFromGlobal(at));
}
