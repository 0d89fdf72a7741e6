#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

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

// Relative luminance of a colour (sRGB, 0 black .. 1 white).
inline double luminance(uint32_t c) {
    const auto linear = [](uint32_t byte) {
        const double v = byte / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear((c >> 16) & 0xFFu) + 0.7152 * linear((c >> 8) & 0xFFu) +
           0.0722 * linear(c & 0xFFu);
}

// Contrast ratio of a colour against black (1 .. 21).
inline double contrastOnBlack(uint32_t c) { return (luminance(c) + 0.05) / 0.05; }

// Small text and thin lines read against black from this contrast on.
inline constexpr double kReadableOnBlack = 7.0;

// The colours of the drawing are chosen for white paper; on the black
// background a colour too dark to read there (pure blue, dark red) is mixed
// with white just enough to reach kReadableOnBlack, keeping its hue.
inline uint32_t readableOnBlack(uint32_t c) {
    c &= 0xFFFFFFu;
    if (contrastOnBlack(c) >= kReadableOnBlack) return c;
    uint32_t mixed = c;
    for (int step = 1; step <= 32; ++step) {
        const double t = step / 32.0;
        const auto mix = [t](uint32_t byte) {
            return static_cast<uint32_t>(std::lround(byte + t * (255.0 - byte)));
        };
        mixed = mix((c >> 16) & 0xFFu) << 16 | mix((c >> 8) & 0xFFu) << 8 | mix(c & 0xFFu);
        if (contrastOnBlack(mixed) >= kReadableOnBlack) break;
    }
    return mixed;
}

}  // namespace lumora::render
