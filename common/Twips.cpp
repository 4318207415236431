#include "Twips.h"

#include <cmath>

namespace Twips {

float perPixel(float dpi)
{
    return PerInch / (dpi > 0 ? dpi : DefaultDpi);
}

int toPixels(float twips, float dpi)
{
    return int(std::lround(twips / perPixel(dpi)));
}

float fromPixels(int pixels, float dpi)
{
    return float(pixels) * perPixel(dpi);
}

} // namespace Twips
