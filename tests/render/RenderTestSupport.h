#pragma once

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/AppState.h"
#include "engine/Palette.h"

namespace rendertest {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// Colour of a pixel as 0xRRGGBB.
inline uint32_t rgbAt(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }
inline int grey(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

// Pixels of `colour` inside `area`.
inline int countColour(const QImage& image, const QRect& area, uint32_t colour) {
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) count += rgbAt(image, x, y) == colour;
    return count;
}

// Pixels inside `area` that differ from `background`.
inline int countOther(const QImage& image, const QRect& area, uint32_t background) {
    const QRect r = area.intersected(image.rect());
    return r.width() * r.height() - countColour(image, r, background);
}

// Number of maximal runs of hits, walking the samples in order.
inline int runs(const std::vector<bool>& hits) {
    int count = 0;
    for (std::size_t i = 0; i < hits.size(); ++i) count += hits[i] && (i == 0 || !hits[i - 1]);
    return count;
}

// Samples around a circle of `radius` about (cx, cy), starting at 0.05° so
// that no sample sits exactly on an axis, in steps small enough to see
// 1-pixel lines; a run that wraps past the end counts once.
inline int runsAroundCircle(double cx, double cy, double radius, const std::function<bool(int, int)>& hit) {
    std::vector<bool> out;
    const int steps = static_cast<int>(std::ceil(2 * M_PI * radius * 4));
    for (int i = 0; i < steps; ++i) {
        const double a = 2 * M_PI * (i + 0.05) / steps;
        out.push_back(hit(static_cast<int>(std::floor(cx + radius * std::cos(a))),
                          static_cast<int>(std::floor(cy + radius * std::sin(a)))));
    }
    const auto gap = std::find(out.begin(), out.end(), false);
    if (gap == out.end()) return out.empty() ? 0 : 1;
    std::rotate(out.begin(), gap, out.end());
    return runs(out);
}

// Saves the application-wide state and starts every test from the defaults:
// no display flags, the grey palette, red labels.
class AppStateGuard {
public:
    AppStateGuard() : saved_(lumora::appState()) {
        auto& app = lumora::appState();
        app.flags = {};
        app.settings = {};
        app.currentLabelColour = 255;
        lumora::engine::buildSpotPalette(false, app.palette);
    }
    ~AppStateGuard() { lumora::appState() = saved_; }
    AppStateGuard(const AppStateGuard&) = delete;
    AppStateGuard& operator=(const AppStateGuard&) = delete;

private:
    lumora::AppState saved_;
};

}  // namespace rendertest
