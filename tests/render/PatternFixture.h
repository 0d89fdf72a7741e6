#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <vector>

#include "RenderTestSupport.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"

namespace rendertest {

using lumora::render::SpotRecord;

// A document's engine with silicon loaded, drawing through a back buffer
// onto a visible surface, every spot recorded.
class PatternFixture : public ::testing::Test {
protected:
    // Silicon (F d -3 m, a = 5.431 Å) with [001] along the beam.
    void loadSilicon(QSize size = QSize(400, 300)) {
        laue.setPictureSize(size.width(), size.height());
        laue.SGTAB_find("F D 3 M");
        for (int i = 0; i < 6; ++i) laue.setCellConstant(i, i < 3 ? 5.431f : 90);
        laue.GenerateHKL();
        laue.setOrientation(0, 0, 1, true);
        visible.resize(size);
        back.resize(size);
        renderer.setGraphicsContext(&visible, nullptr, &back, nullptr);
        renderer.setSpotRecorder(&spots);
        ASSERT_GT(laue.n_hkl, 100);
    }

    // Draws one frame of the plot type and returns what the user sees.
    const QImage& frame(int16_t plotType) {
        laue.m_mode = plotType;
        renderer.drawHKL();
        return visible.image();
    }

    double cx() const { return visible.width() / 2.0; }
    double cy() const { return visible.height() / 2.0; }
    QPoint centreOf(const SpotRecord& s) const {
        return {static_cast<int>(std::floor(cx() + s.x)), static_cast<int>(std::floor(cy() - s.y))};
    }

    // Spots that no spot drawn after them comes near, so their centre pixel
    // shows their own colour.
    std::vector<SpotRecord> uncoveredSpots(double minimumRadius) const {
        std::vector<SpotRecord> out;
        for (std::size_t i = 0; i < spots.size(); ++i) {
            if (spots[i].radius < minimumRadius) continue;
            bool covered = false;
            for (std::size_t j = i + 1; j < spots.size() && !covered; ++j)
                covered = std::hypot(spots[j].x - spots[i].x, spots[j].y - spots[i].y) < spots[j].radius + 3;
            if (!covered) out.push_back(spots[i]);
        }
        return out;
    }

    // Every uncovered spot inside the picture shows its recorded colour at its centre.
    int expectSpotColours(const QImage& image, double minimumRadius = 2) const {
        int checked = 0;
        for (const auto& s : uncoveredSpots(minimumRadius)) {
            const QPoint c = centreOf(s);
            if (!image.rect().contains(c)) continue;
            EXPECT_EQ(rgbAt(image, c.x(), c.y()), s.colour) << s.h << " " << s.k << " " << s.l;
            ++checked;
        }
        return checked;
    }

    float spacingOf(const SpotRecord& s) const {
        return laue.computeSpacing(int16_t(s.h), int16_t(s.k), int16_t(s.l));
    }

    AppStateGuard state;  // first: the engine reads the settings when it is made
    lumora::clLAUE laue;
    lumora::render::Surface visible{QSize(400, 300)};
    lumora::render::Surface back{QSize(400, 300)};
    lumora::render::PatternRenderer renderer{laue};
    std::vector<SpotRecord> spots;
};

}  // namespace rendertest
