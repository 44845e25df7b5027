#include "shell/DialogPlacer.h"

#include <QtMath>

QPoint DialogPlacer::centeredOffset(const QSize& hostSize, const QSize& formSize)
{
    // Computed in halves and thirds of the real sizes, then rounded once, so that odd sizes
    // do not drift by a unit.
    return QPoint(qRound(hostSize.width() / 2.0 - formSize.width() / 2.0),
                  qRound(hostSize.height() / 3.0 - formSize.height() / 2.0));
}
