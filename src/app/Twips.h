// Twips, the unit of every stored position and size: 1440 to the inch.
#pragma once

#include <cmath>

namespace Twips {
constexpr double PerInch = 1440.0;
// Twips per pixel at a logical resolution (15 at 96 dots per inch).
inline double perPixel(double dotsPerInch)
{
    return dotsPerInch > 0 ? PerInch / dotsPerInch : 15.0;
}
inline int toPixels(double twips, double dotsPerInch)
{
    return static_cast<int>(std::lround(twips / perPixel(dotsPerInch)));
}
} // namespace Twips
