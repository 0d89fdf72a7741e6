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

// Number of separate runs of samples for which `hit` is true, walking the
// samples in order (a run is a maximal sequence of hits).
inline int runs(const std::vector<bool>& hits) {
    int count = 0;
    for (std::size_t i = 0; i < hits.size(); ++i) count += hits[i] && (i == 0 || !hits[i - 1]);
    return count;
}

// Samples a function of the pixel along a ray from (cx, cy) at `degrees`
// (0 = right, 90 = down) between two distances, one sample per half pixel.
inline std::vector<bool> alongRay(double cx, double cy, double degrees, double from, double to,
                                  const std::function<bool(int, int)>& hit) {
    std::vector<bool> out;
    const double a = degrees * M_PI / 180;
    for (double r = from; r <= to; r += 0.5)
        out.push_back(hit(static_cast<int>(std::floor(cx + r * std::cos(a))),
                          static_cast<int>(std::floor(cy + r * std::sin(a)))));
    return out;
}

// Samples around a circle of `radius` about (cx, cy), starting at 0.05° so
// that no sample sits exactly on an axis, in steps small enough to see 1-pixel lines.
inline std::vector<bool> aroundCircle(double cx, double cy, double radius,
                                      const std::function<bool(int, int)>& hit) {
    std::vector<bool> out;
    const int steps = static_cast<int>(std::ceil(2 * M_PI * radius * 4));
    for (int i = 0; i < steps; ++i) {
        const double a = 2 * M_PI * (i + 0.05) / steps;
        out.push_back(hit(static_cast<int>(std::floor(cx + radius * std::cos(a))),
                          static_cast<int>(std::floor(cy + radius * std::sin(a)))));
    }
    return out;
}

// Runs on a closed path: a run that wraps past the end is one run.
inline int circularRuns(std::vector<bool> hits) {
    const auto gap = std::find(hits.begin(), hits.end(), false);
    if (gap == hits.end()) return hits.empty() ? 0 : 1;
    std::rotate(hits.begin(), gap, hits.end());
    return runs(hits);
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
