#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/AppState.h"

namespace lumora::render {

// Colours of the pattern drawing, 0xRRGGBB.
namespace colour {
inline constexpr uint32_t black = 0x000000;
inline constexpr uint32_t white = 0xFFFFFF;
inline constexpr uint32_t red = 0xFF0000;
inline constexpr uint32_t green = 0x00FF00;
inline constexpr uint32_t blue = 0x0000FF;
inline constexpr uint32_t lightGrey = 0xDEDEDE;  // (222, 222, 222)
}  // namespace colour

// The label colour of the options is kept as red + 256 green + 65536 blue.
inline uint32_t labelColour() {
    const auto c = static_cast<uint32_t>(appState().currentLabelColour);
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

// Entry 0..255 of the spot palette.
inline uint32_t paletteColour(int entry) {
    return appState().palette[static_cast<std::size_t>(std::clamp(entry, 0, 255))] & 0xFFFFFFu;
}

}  // namespace lumora::render
