#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <vector>

#include "RenderTestSupport.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"

namespace rendertest {

// A document's engine with silicon loaded, drawing through a back buffer
// onto a visible surface, every spot recorded.
class PatternFixture : public ::testing::Test {
protected:
    static constexpr uint32_t kWhite = 0xFFFFFF;
    static constexpr uint32_t kBlack = 0x000000;
    static constexpr uint32_t kBlue = 0x0000FF;

    // Silicon (F d -3 m, a = 5.431 Å) with [001] along the beam.
    void loadSilicon(QSize size = QSize(400, 300)) {
        laue.setPictureSize(size.width(), size.height());
        laue.SGTAB_find("F D 3 M");
        for (int i = 0; i < 3; ++i) laue.setCellConstant(i, 5.431f);
        for (int i = 3; i < 6; ++i) laue.setCellConstant(i, 90);
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

    // Pixel of a recorded spot's centre.
    static QPoint centreOf(const lumora::render::SpotRecord& s, double cx, double cy) {
        return {static_cast<int>(std::floor(cx + s.x)), static_cast<int>(std::floor(cy - s.y))};
    }

    // Spots that no spot drawn after them comes near (their centre pixel shows their own colour).
    std::vector<lumora::render::SpotRecord> uncoveredSpots(double minimumRadius) const {
        std::vector<lumora::render::SpotRecord> out;
        for (std::size_t i = 0; i < spots.size(); ++i) {
            if (spots[i].radius < minimumRadius) continue;
            bool covered = false;
            for (std::size_t j = i + 1; j < spots.size() && !covered; ++j)
                covered = std::hypot(spots[j].x - spots[i].x, spots[j].y - spots[i].y) < spots[j].radius + 3;
            if (!covered) out.push_back(spots[i]);
        }
        return out;
    }

    float spacingOf(const lumora::render::SpotRecord& s) const {
        return laue.computeSpacing(static_cast<int16_t>(s.h), static_cast<int16_t>(s.k),
                                   static_cast<int16_t>(s.l));
    }

    AppStateGuard state;  // first: the engine reads the settings when it is made
    lumora::clLAUE laue;
    lumora::render::Surface visible{QSize(400, 300)};
    lumora::render::Surface back{QSize(400, 300)};
    lumora::render::PatternRenderer renderer{laue};
    std::vector<lumora::render::SpotRecord> spots;
};

}  // namespace rendertest
