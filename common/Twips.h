#pragma once

// Both programs lay out their windows in twips, 1440 to the logical inch: at
// 96 dots per inch 15 twips make one pixel. Every conversion goes through
// here.
namespace Twips {

constexpr float PerInch = 1440.0F;
// The resolution the dialogs of fixed size are laid out for, and the one
// taken when a screen tells none.
constexpr float DefaultDpi = 96.0F;

// Twips per pixel at dpi.
float perPixel(float dpi = DefaultDpi);

// The nearest whole pixel (halves away from zero).
int toPixels(float twips, float dpi = DefaultDpi);

float fromPixels(int pixels, float dpi = DefaultDpi);

} // namespace Twips
