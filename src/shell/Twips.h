#pragma once

#include <QRect>

// Window sizes and positions are designed in twips (1/1440 inch); Qt lays out in
// device-independent pixels, 15 twips each, and scales those for high-DPI screens.
namespace Twips {

inline constexpr int kPerPixel = 15;

// Device-independent pixels for a length in twips, rounded to the nearest pixel.
constexpr int toPx(int twips)
{
    return twips >= 0 ? (twips + kPerPixel / 2) / kPerPixel
                      : -((-twips + kPerPixel / 2) / kPerPixel);
}

// Pixels for a length in twips, rounded up: for minimum sizes that must not fall short.
constexpr int toPxCeil(int twips)
{
    return twips >= 0 ? (twips + kPerPixel - 1) / kPerPixel : -(-twips / kPerPixel);
}

// Twips for a length in device-independent pixels.
constexpr int fromPx(int px)
{
    return px * kPerPixel;
}

// The pixel rectangle for one given in twips. Edges are rounded, not lengths, so that
// rectangles that meet in twips also meet in pixels.
constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(QPoint(toPx(left), toPx(top)),
                 QPoint(toPx(left + width) - 1, toPx(top + height) - 1));
}

} // namespace Twips
