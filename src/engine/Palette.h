#pragma once

#include <array>
#include <cstdint>

namespace lumora::engine {

using SpotPalette = std::array<uint32_t, 256>;

// Colour 0xRRGGBB of hue, saturation and lightness (each 0..1). The three are
// first quantised to steps of 1/239, the HLS scale these colours have always
// been stored in, then converted by the usual HSL rule; channels are rounded
// halves to even. So lightness 0.5 is really 120/239 and pure red is (255, 1, 1).
uint32_t hlsColour(double hue, double sat, double light);

// The 256 spot colours: entry i is the grey (i, i, i), or with colouring the
// hue i/255 at full saturation and half lightness.
void buildSpotPalette(bool colouring, SpotPalette& palette);
SpotPalette spotPalette(bool colouring);

}  // namespace lumora::engine
