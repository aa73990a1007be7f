#pragma once

// Sizes are given in twips: 15 make a pixel at 96 dpi (Qt scales logical pixels
// on denser screens). Rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}
