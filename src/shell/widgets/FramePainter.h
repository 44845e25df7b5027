#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The pictures of the window frame and title bars, drawn rather than loaded so that
// they stay sharp at any screen scale. Their colours are their own, not the desktop
// theme's: the bar reads the same on a light and a dark desktop.
namespace FramePainter {

enum class Scheme { Default, Red, Green };
enum class Button { Close, Maximize, Minimize, Menu };

// The bar behind caption and buttons.
void paintBar(QPainter& painter, const QRectF& rect, Scheme scheme);
// One border line of a framed window.
void paintLine(QPainter& painter, const QRectF& rect, Scheme scheme);
// A button picture, raised or sunken (pressed).
void paintButton(QPainter& painter, const QRectF& rect, Button button, Scheme scheme, bool sunken);
// Colour of text drawn on the bar or a button.
QColor textColor(Scheme scheme);

} // namespace FramePainter
