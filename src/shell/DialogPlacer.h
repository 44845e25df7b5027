#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// Places dialogs and tool windows over the application's main window. The main window
// implements it; controls that open dialogs take one so that they need no main window.
class DialogPlacer
{
public:
    virtual ~DialogPlacer() = default;

    // Moves form so that it is centred horizontally over the placer's window and its centre
    // lies at one third of that window's height. Does nothing for a null form.
    virtual void CenterFormOnMe(QWidget* form) = 0;

    // Where a form of size formSize lands relative to the top left of a host of size
    // hostSize: (host width / 2 - form width / 2, host height / 3 - form height / 2), in the
    // sizes' unit. Negative when the form is the larger.
    static QPoint centeredOffset(const QSize& hostSize, const QSize& formSize);
};
