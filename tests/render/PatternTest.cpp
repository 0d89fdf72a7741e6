// Pattern frames: starting and presenting a frame, the reciprocal-lattice
// view, the stereogram and the Wulff monitor inset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "PatternFixture.h"

using lumora::appState;
using lumora::render::SpotRecord;
using lumora::render::Surface;
using namespace rendertest;

namespace {

using Key = std::tuple<int, int, int>;

std::map<Key, SpotRecord> byIndices(const std::vector<SpotRecord>& spots) {
    std::map<Key, SpotRecord> out;
    for (const auto& s : spots) out[{s.h, s.k, s.l}] = s;
    return out;
}

bool isGrey(uint32_t c) { return (c >> 16) == ((c >> 8) & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF); }

}  // namespace

// ---- starting and presenting a frame -------------------------------------------------

using FrameTest = PatternFixture;

TEST_F(FrameTest, AnEmptyReflectionListLeavesThePictureUntouched) {
    visible.setBackColor(0x336699);
    visible.clear();
    back.setBackColor(0x996633);
    back.clear();
    renderer.setGraphicsContext(&visible, nullptr, &back, nullptr);
    spots.push_back({});
    renderer.setSpotRecorder(&spots);
    for (int16_t type : {0, 1, 2, 3}) {
        laue.m_mode = type;
        renderer.drawHKL();
    }
    EXPECT_EQ(countColour(visible.image(), visible.image().rect(), 0x336699), 400 * 300);
    EXPECT_EQ(countColour(back.image(), back.image().rect(), 0x996633), 400 * 300);
    EXPECT_FALSE(laue.b_busy);
    EXPECT_EQ(spots.size(), 1u);
}

TEST_F(FrameTest, TheFinishedFrameReachesTheVisibleSurfaceInOneCopy) {
    loadSilicon();
    visible.setBackColor(0x336699);
    visible.clear();
    const QImage shown = frame(2);
    EXPECT_EQ(shown, back.image());
    EXPECT_EQ(countColour(shown, shown.rect(), 0x336699), 0);
    EXPECT_FALSE(laue.b_busy);
    EXPECT_FALSE(spots.empty());

    // Vector output draws straight onto the one surface.
    Surface only(QSize(400, 300));
    renderer.setGraphicsContext(&only, nullptr, &only, nullptr);
    renderer.drawHKL();
    EXPECT_EQ(only.image(), shown);
}

TEST_F(FrameTest, AFailingFrameKeepsThePreviousPictureAndSpots) {
    loadSilicon();
    const QImage before = frame(2);
    const auto recorded = spots.size();
    laue.x_fsd = 0;  // the film cannot be placed: the frame fails part way
    laue.setZoom(2);
    renderer.drawHKL();
    EXPECT_EQ(visible.image(), before);
    EXPECT_FALSE(laue.b_busy);
    EXPECT_EQ(spots.size(), recorded);

    // The back buffer is usable again for the next frame.
    laue.x_fsd = 30;
    laue.setZoom(1);
    EXPECT_EQ(frame(2), before);
}

TEST_F(FrameTest, BlackBackgroundTurnsThePictureAndTheGreySpotsOver) {
    loadSilicon();
    frame(0);
    const auto onWhite = byIndices(spots);
    EXPECT_EQ(rgbAt(visible.image(), 0, 0), kWhite);

    renderer.toggleBW(true);
    EXPECT_TRUE(appState().flags.blackBackground);
    const QImage& image = visible.image();
    EXPECT_EQ(rgbAt(image, 0, 0), kBlack);
    EXPECT_EQ(rgbAt(image, 399, 299), kBlack);
    const auto onBlack = byIndices(spots);
    ASSERT_EQ(onBlack.size(), onWhite.size());
    for (const auto& [key, spot] : onBlack) {
        const int light = static_cast<int>(spot.colour & 0xFF);
        const int dark = static_cast<int>(onWhite.at(key).colour & 0xFF);
        EXPECT_NEAR(light, 255 - dark, 1);
    }
}

TEST_F(FrameTest, ZoomZeroDrawsAsZoomOne) {
    loadSilicon();
    laue.setZoom(1);
    const QImage one = frame(1);
    laue.setZoom(0);
    EXPECT_EQ(frame(1), one);
    EXPECT_EQ(laue.getZoom(), 1.0f);
}

// ---- the reciprocal lattice (plot type 0) -----------------------------------------------

using ReciprocalLatticeTest = PatternFixture;

TEST_F(ReciprocalLatticeTest, EveryReflectionIsAPointOfItsPaletteColourAtItsLatticePlace) {
    loadSilicon();
    frame(0);
    ASSERT_EQ(static_cast<int32_t>(spots.size()), laue.n_hkl);

    // [001] along the beam: the hk0 points lie in the screen plane at |g| times the scale.
    const auto indexed = byIndices(spots);
    const SpotRecord& s220 = indexed.at({2, 2, 0});
    EXPECT_NEAR(std::hypot(s220.x, s220.y), std::sqrt(8.0) / 5.431 * laue.scale3D(), 0.5);
    const SpotRecord& s400 = indexed.at({4, 0, 0});
    EXPECT_NEAR(std::hypot(s400.x, s400.y), 4 / 5.431 * laue.scale3D(), 0.5);
    // Strong (large d) points are larger and darker than weak ones.
    const SpotRecord& s111 = indexed.at({1, 1, 1});
    EXPECT_GT(s111.radius, s400.radius);
    EXPECT_LT(s111.colour & 0xFF, s400.colour & 0xFF);

    // Turned off any zone axis the points stand apart and show their colours.
    laue.setOrientation(2, 3, 7, true);
    const QImage& image = frame(0);
    int checked = 0;
    for (const auto& s : uncoveredSpots(2)) {
        const QPoint c = centreOf(s, cx(), cy());
        if (!image.rect().contains(c)) continue;
        EXPECT_EQ(rgbAt(image, c.x(), c.y()), s.colour) << s.h << s.k << s.l;
        ++checked;
    }
    EXPECT_GT(checked, 5);
}

TEST_F(ReciprocalLatticeTest, AxesAreSolidTowardsTheViewerAndDottedAway) {
    loadSilicon();
    laue.setSpacingThreshold(1);  // only the eight 111 points, which hide little of the axes
    const uint32_t colours[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    // Pixels of each axis colour per pixel of the axis' length on the picture.
    auto inkPerPixel = [&](const QImage& image) {
        std::array<double, 3> ratio{};
        const double s = laue.scale3D() * laue.getZoom();
        for (std::size_t i = 0; i < 3; ++i) {
            const auto& axis = laue.labAxes()[i];
            const double dx = s * axis[1], dy = -s * axis[2];
            double t = 0;  // the part inside the picture
            while (t < 1 &&
                   image.rect().contains(static_cast<int>(cx() + t * dx), static_cast<int>(cy() + t * dy)))
                t += 0.001;
            const double length = std::max(std::abs(dx), std::abs(dy)) * t;
            ratio[i] = countColour(image, image.rect(), colours[i]) / length;
            EXPECT_GT(length, 50) << i;
        }
        return ratio;
    };

    laue.setOrientation(1, 1, 1, true);  // every axis leans towards the viewer
    for (double ratio : inkPerPixel(frame(0)))
        EXPECT_GT(ratio, 0.8);              // the point at the centre hides a little
    laue.setOrientation(-1, -1, -1, true);  // every axis leans away
    for (double ratio : inkPerPixel(frame(0))) {
        EXPECT_GT(ratio, 0.2);
        EXPECT_LT(ratio, 0.6);
    }
}

TEST_F(ReciprocalLatticeTest, ZerothLayerKeepsOnlyThePlaneThroughTheOrigin) {
    loadSilicon();
    frame(0);
    EXPECT_TRUE(std::any_of(spots.begin(), spots.end(), [](const SpotRecord& s) { return s.l != 0; }));

    appState().flags.zerothLayer = true;
    frame(0);
    const auto& l = laue.lList();
    EXPECT_EQ(static_cast<std::ptrdiff_t>(spots.size()), std::count(l.begin(), l.end(), 0));
    for (const auto& s : spots) EXPECT_EQ(s.l, 0) << s.h << s.k << s.l;
}

TEST_F(ReciprocalLatticeTest, SpacingThresholdOneDrawsOnlyTheLargestSpacing) {
    loadSilicon();
    laue.setSpacingThreshold(1);
    frame(0);
    ASSERT_EQ(spots.size(), 8u);  // the eight 111 reflections of silicon
    for (const auto& s : spots) EXPECT_EQ(std::abs(s.h) + std::abs(s.k) + std::abs(s.l), 3);
}

TEST_F(ReciprocalLatticeTest, ZoomMagnifiesPositionsAndSpots) {
    loadSilicon();
    frame(0);
    const auto one = byIndices(spots);
    laue.setZoom(2);
    frame(0);
    const auto two = byIndices(spots);
    for (const Key& key : {Key{1, 1, 1}, Key{2, 2, 0}, Key{-3, 1, 1}, Key{0, 0, 4}}) {
        EXPECT_NEAR(two.at(key).x, 2 * one.at(key).x, 1e-3);
        EXPECT_NEAR(two.at(key).y, 2 * one.at(key).y, 1e-3);
        EXPECT_NEAR(two.at(key).radius, 2 * one.at(key).radius, 1e-4);
    }
}

// ---- the stereogram (plot type 3) ----------------------------------------------------------

using StereogramTest = PatternFixture;

TEST_F(StereogramTest, DrawsTheBeamSideHemisphereInsideTheNet) {
    loadSilicon();
    const QImage& image = frame(3);
    const double rs = 0.95 * 300 / 2;
    std::ptrdiff_t facing = 0;
    for (const auto& row : laue.labVectorTable()) facing += row[0] > -0.003f;
    EXPECT_EQ(static_cast<std::ptrdiff_t>(spots.size()), facing);
    for (const auto& s : spots) EXPECT_LE(std::hypot(s.x, s.y), rs + 0.5);

    // Black spots on the net.
    int checked = 0;
    for (const auto& s : uncoveredSpots(2)) {
        const QPoint c = centreOf(s, cx(), cy());
        EXPECT_EQ(s.colour, kBlack);
        EXPECT_EQ(rgbAt(image, c.x(), c.y()), kBlack);
        ++checked;
    }
    EXPECT_GT(checked, 5);
    EXPECT_EQ(countOther(image, QRect(0, 0, 50, 300), kWhite), 0);  // nothing beyond the net
}

TEST_F(StereogramTest, SpotColouringGivesEachSpotItsOwnColour) {
    loadSilicon();
    appState().flags.spotColouring = true;
    const QImage& image = frame(3);
    int coloured = 0;
    for (const auto& s : uncoveredSpots(2)) {
        const QPoint c = centreOf(s, cx(), cy());
        EXPECT_EQ(rgbAt(image, c.x(), c.y()), s.colour);
        coloured += !isGrey(s.colour);
    }
    EXPECT_GT(coloured, 5);
}

TEST_F(StereogramTest, AntiAliasingBlendsTheSpotEdges) {
    loadSilicon();
    auto blended = [](const QImage& image) {
        // On white with the grey net only black, the net grey and white can appear unless edges are blended.
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int g = grey(image, x, y);
                count += g > 0 && g < 222;
            }
        return count;
    };
    laue.b_alias = false;
    EXPECT_EQ(blended(frame(3)), 0);
    laue.b_alias = true;
    EXPECT_GT(blended(frame(3)), 100);
}

// ---- the Wulff monitor inset -------------------------------------------------------------------

using WulffMonitorTest = PatternFixture;

TEST_F(WulffMonitorTest, ShownInEveryPlotTypeButTheStereogram) {
    loadSilicon(QSize(500, 300));
    // The inset's grey disc: centre (430, 70), radius 68, clear of the main stereogram.
    auto insetShown = [&](const QImage& image) {
        int disc = 0;
        for (int y = 10; y <= 130; ++y)
            for (int x = 370; x <= 490; ++x)
                disc += std::hypot(x - 430, y - 70) < 60 && rgbAt(image, x, y) == 0xDEDEDE;
        return disc > 5000;
    };
    for (int16_t type : {0, 1, 2}) EXPECT_FALSE(insetShown(frame(type))) << type;
    appState().flags.wulffMonitor = true;
    for (int16_t type : {0, 1, 2}) EXPECT_TRUE(insetShown(frame(type))) << type;
    const QImage& stereogram = frame(3);
    EXPECT_FALSE(insetShown(stereogram));
    EXPECT_EQ(countOther(stereogram, QRect(450, 0, 50, 140), kWhite), 0);
}

TEST_F(WulffMonitorTest, InsetSpotsAreGreyOfFixedSizeAndNotRecorded) {
    loadSilicon(QSize(500, 300));
    const QRect inset(366, 6, 129, 129);
    auto insetPixels = [&](const QImage& image) {
        std::vector<uint32_t> out;
        for (int y = inset.top(); y <= inset.bottom(); ++y)
            for (int x = inset.left(); x <= inset.right(); ++x)
                if (std::hypot(x - 430, y - 70) < 66) out.push_back(rgbAt(image, x, y));
        return out;
    };
    frame(1);
    const auto without = spots;

    appState().flags.wulffMonitor = true;
    const auto reference = insetPixels(frame(1));
    EXPECT_EQ(spots.size(), without.size());
    int spotPixels = 0;
    for (uint32_t c : reference) {
        EXPECT_TRUE(isGrey(c));
        spotPixels += c != 0xDEDEDE && c != kWhite;
    }
    EXPECT_GT(spotPixels, 20);

    // Neither the document's spot size nor the zoom changes the inset.
    laue.setSpotsize(20);
    laue.setZoom(3);
    EXPECT_EQ(insetPixels(frame(1)), reference);
    EXPECT_EQ(laue.getSpotsize(), 20.0f);  // and the document's spot size comes back
    EXPECT_GT(spots.front().radius, without.front().radius);
}
