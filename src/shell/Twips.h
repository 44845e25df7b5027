#pragma once

#include <cmath>

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

// Twips for a length in device-independent pixels.
constexpr int fromPx(int px)
{
    return px * kPerPixel;
}

} // namespace Twips
