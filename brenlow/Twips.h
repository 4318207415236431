#pragma once

// The layouts are given in twips, 1440 to the logical inch: at 96 dpi 15 twips
// make one pixel.
constexpr int twips(int value)
{
    return (value + 7) / 15;
}
