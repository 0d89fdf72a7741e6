#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "engine/LaueEngine.h"
#include "engine/Palette.h"
#include "render/PatternRenderer.h"
#include "render/RenderOptions.h"

namespace rendertest {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr uint32_t kTealLabel = 0x008080;  // label colour (0, 128, 128)

// Colour of a pixel as 0xRRGGBB.
inline uint32_t rgbAt(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }
inline int grey(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }
inline bool isGrey(uint32_t c) { return (c >> 16) == ((c >> 8) & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF); }
// Teal label text blended with the background.
inline bool isLabelInk(QColor c) { return c.green() - c.red() > 30 && c.green() == c.blue(); }

// Pixels inside `area` whose colour satisfies `pred`.
inline int countIf(const QImage& image, const QRect& area, const std::function<bool(QColor)>& pred) {
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) count += pred(QColor::fromRgb(image.pixel(x, y)));
    return count;
}
inline int countColour(const QImage& image, const QRect& area, uint32_t colour) {
    return countIf(image, area, [colour](QColor c) { return (c.rgb() & 0xFFFFFFu) == colour; });
}
inline int countOther(const QImage& image, const QRect& area, uint32_t background) {
    return countIf(image, area, [background](QColor c) { return (c.rgb() & 0xFFFFFFu) != background; });
}

// Number of maximal runs of hits, walking the samples in order.
inline int runs(const std::vector<bool>& hits) {
    int count = 0;
    for (std::size_t i = 0; i < hits.size(); ++i) count += hits[i] && (i == 0 || !hits[i - 1]);
    return count;
}

// Runs of hits around a circle about (cx, cy), sampled finely enough to see 1-pixel lines,
// starting at 45°, between two lines of the nets, so that no run wraps past the end.
inline int runsAroundCircle(double cx, double cy, double radius, const std::function<bool(int, int)>& hit) {
    std::vector<bool> out;
    const int steps = static_cast<int>(std::ceil(2 * M_PI * radius * 4));
    for (int i = 0; i < steps; ++i) {
        const double a = M_PI / 4 + 2 * M_PI * i / steps;
        out.push_back(
            hit(int(std::floor(cx + radius * std::cos(a))), int(std::floor(cy + radius * std::sin(a)))));
    }
    return runs(out);
}

using lumora::render::SpotRecord;

// An engine drawing through a back buffer onto a visible surface, every spot
// recorded. Tests start without flags, with grey spots and red labels.
class PatternFixture : public ::testing::Test {
protected:
    // Silicon (F d -3 m, a = 5.431 Å) with [001] along the beam, fitted to the picture.
    void loadSilicon(QSize size = QSize(400, 300)) {
        laue.SGTAB_find("F D 3 M");
        for (int i = 0; i < 6; ++i) laue.setCellConstant(i, i < 3 ? 5.431f : 90);
        laue.GenerateHKL();
        laue.setOrientation(0, 0, 1, true);
        visible.resize(size);
        back.resize(size);
        renderer.setGraphicsContext(&visible, nullptr, &back, nullptr);
        renderer.setSpotRecorder(&spots);
        fitNewList(size);
        ASSERT_GT(laue.n_hkl, 100);
    }

    // What the window does with a new list: zoom 1, the first spot size, the
    // scales fitted to the picture.
    void fitNewList(QSize size) {
        options.zoom = 1;
        options.spotSize = 5;
        lumora::render::fitScales(options, laue, size.width(), size.height());
    }

    // Draws one frame of the plot type and returns what the user sees.
    const QImage& frame(int16_t plotType) {
        laue.m_mode = plotType;
        renderer.drawHKL(options);
        return visible.image();
    }

    double cx() const { return visible.width() / 2.0; }
    double cy() const { return visible.height() / 2.0; }
    QPoint centreOf(const SpotRecord& s) const {
        return {static_cast<int>(std::floor(cx() + s.x)), static_cast<int>(std::floor(cy() - s.y))};
    }

    // Every spot in the picture that no later spot comes near shows its recorded colour at its centre.
    int expectSpotColours(const QImage& image, double minimumRadius = 2) const {
        int checked = 0;
        for (auto it = spots.begin(); it != spots.end(); ++it) {
            const QPoint c = centreOf(*it);
            const auto covers = [&](const SpotRecord& o) {
                return std::hypot(o.x - it->x, o.y - it->y) < o.radius + 3;
            };
            if (it->radius < minimumRadius || !image.rect().contains(c) ||
                std::any_of(it + 1, spots.end(), covers))
                continue;
            EXPECT_EQ(rgbAt(image, c.x(), c.y()), it->colour) << it->h << " " << it->k << " " << it->l;
            ++checked;
        }
        return checked;
    }

    // A drawn spot well inside the picture with no other spot within `clearance`
    // pixels (harmonics of its plane, on the same place, do not count).
    const SpotRecord& isolatedSpot(double clearance) const {
        for (const SpotRecord& s : spots) {
            if (std::abs(s.x) > cx() - 90 || std::abs(s.y) > cy() - 30) continue;
            if (std::none_of(spots.begin(), spots.end(), [&](const SpotRecord& o) {
                    const double d = std::hypot(o.x - s.x, o.y - s.y);
                    return d > 0.01 && d < clearance;
                }))
                return s;
        }
        throw std::runtime_error("no isolated spot");
    }

    float spacingOf(const SpotRecord& s) const {
        return laue.computeSpacing(int16_t(s.h), int16_t(s.k), int16_t(s.l));
    }

    lumora::render::RenderOptions options;
    lumora::clLAUE laue;
    lumora::render::Surface visible{QSize(400, 300)};
    lumora::render::Surface back{QSize(400, 300)};
    lumora::render::PatternRenderer renderer{laue};
    std::vector<SpotRecord> spots;
};

}  // namespace rendertest
