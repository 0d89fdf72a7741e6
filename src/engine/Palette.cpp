#include "engine/Palette.h"

#include <algorithm>
#include <cmath>

#include "util/NumberText.h"

namespace lumora::engine {

namespace {

double quantised(double x) { return util::nearest(x * 239) / 239; }

double channel(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 1.0 / 2) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

uint32_t byte(double x) { return static_cast<uint32_t>(std::clamp(util::nearest(x * 255), 0.0, 255.0)); }

}  // namespace

uint32_t hlsColour(double hue, double sat, double light) {
    // Hue goes round the circle; out-of-range keys still give a colour.
    if (!std::isfinite(hue)) hue = 0;
    hue -= std::floor(hue);
    const double h = quantised(hue);
    const double s = quantised(std::clamp(std::isfinite(sat) ? sat : 0.0, 0.0, 1.0));
    const double l = quantised(std::clamp(std::isfinite(light) ? light : 0.0, 0.0, 1.0));
    double r = l, g = l, b = l;
    if (s > 0) {
        const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
        const double p = 2 * l - q;
        r = channel(p, q, h + 1.0 / 3);
        g = channel(p, q, h);
        b = channel(p, q, h - 1.0 / 3);
    }
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

void buildSpotPalette(bool colouring, SpotPalette& palette) {
    for (uint32_t i = 0; i < palette.size(); ++i)
        palette[i] = colouring ? hlsColour(i / 255.0, 1.0, 0.5) : i * 0x010101u;
}

SpotPalette spotPalette(bool colouring) {
    SpotPalette p{};
    buildSpotPalette(colouring, p);
    return p;
}

}  // namespace lumora::engine
