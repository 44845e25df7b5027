#include "shell/widgets/CenterFormOver.h"

#include "shell/DialogPlacer.h"

#include <QWidget>

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
    const QPoint at = hostFrame.topLeft()
        + DialogPlacer::centeredOffset(hostFrame.size(), outerGeometry(form).size());
    if (form->isWindow() || !form->parentWidget())
        form->move(at);
    else
        form->move(form->parentWidget()->mapFromGlobal(at));
}
