// Pattern frames: starting and presenting a frame, the reciprocal-lattice
// view, the stereogram and the Wulff monitor inset.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "PatternFixture.h"

using lumora::appState;
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

using FrameTest = PatternFixture;

TEST_F(FrameTest, AnEmptyReflectionListLeavesThePictureUntouched) {
    visible.setBackColor(0x336699);
    visible.clear();
    renderer.setGraphicsContext(&visible, nullptr, &back, nullptr);
    spots.push_back({});
    renderer.setSpotRecorder(&spots);
    for (int16_t type : {0, 1, 2, 3}) frame(type);
    EXPECT_EQ(countColour(visible.image(), visible.image().rect(), 0x336699), 400 * 300);
    EXPECT_FALSE(laue.b_busy);
    EXPECT_EQ(spots.size(), 1u);
}

TEST_F(FrameTest, AFailingFrameKeepsThePreviousPictureAndSpots) {
    loadSilicon();
    visible.setBackColor(0x336699);
    visible.clear();
    const QImage before = frame(2);
    EXPECT_EQ(countColour(before, before.rect(), 0x336699), 0);  // the whole frame is copied over
    const auto recorded = spots.size();
    laue.x_fsd = 0;  // the film cannot be placed: the frame fails part way
    laue.setZoom(2);
    renderer.drawHKL();
    EXPECT_EQ(visible.image(), before);
    EXPECT_FALSE(laue.b_busy);
    EXPECT_EQ(spots.size(), recorded);
    laue.x_fsd = 30;  // the back buffer is usable again for the next frame
    laue.setZoom(0);  // and zoom 0 draws as 1
    EXPECT_EQ(frame(2), before);
    EXPECT_EQ(laue.getZoom(), 1.0f);
}

TEST_F(FrameTest, BlackBackgroundTurnsThePictureAndTheGreySpotsOver) {
    loadSilicon();
    frame(0);
    const auto onWhite = byIndices(spots);
    EXPECT_EQ(rgbAt(visible.image(), 0, 0), kWhite);
    renderer.toggleBW(true);
    EXPECT_EQ(rgbAt(visible.image(), 399, 299), kBlack);
    const auto onBlack = byIndices(spots);
    ASSERT_EQ(onBlack.size(), onWhite.size());
    for (const auto& [key, spot] : onBlack)
        EXPECT_NEAR(int(spot.colour & 0xFF), 255 - int(onWhite.at(key).colour & 0xFF), 1);
}

using ReciprocalLatticeTest = PatternFixture;

TEST_F(ReciprocalLatticeTest, EveryReflectionIsAPointOfItsColourAtItsLatticePlace) {
    loadSilicon();
    frame(0);
    ASSERT_EQ(static_cast<int32_t>(spots.size()), laue.n_hkl);
    // [001] along the beam: the hk0 points lie in the screen plane at |g| times the scale.
    const auto one = byIndices(spots);
    EXPECT_NEAR(std::hypot(one.at({2, 2, 0}).x, one.at({2, 2, 0}).y), std::sqrt(8.0) / 5.431 * laue.scale3D(),
                0.5);
    EXPECT_NEAR(std::hypot(one.at({4, 0, 0}).x, one.at({4, 0, 0}).y), 4 / 5.431 * laue.scale3D(), 0.5);
    // Strong (large d) points are larger and darker than weak ones.
    EXPECT_GT(one.at({1, 1, 1}).radius, one.at({4, 0, 0}).radius);
    EXPECT_LT(one.at({1, 1, 1}).colour & 0xFF, one.at({4, 0, 0}).colour & 0xFF);
    laue.setZoom(2);  // zoom magnifies positions and points
    frame(0);
    const auto two = byIndices(spots);
    for (const Key& key : {Key{1, 1, 1}, Key{-3, 1, 1}}) {
        EXPECT_NEAR(two.at(key).x, 2 * one.at(key).x, 1e-3);
        EXPECT_NEAR(two.at(key).radius, 2 * one.at(key).radius, 1e-4);
    }
    // Turned off any zone axis the points stand apart and show their colours.
    laue.setZoom(1);
    laue.setOrientation(2, 3, 7, true);
    EXPECT_GT(expectSpotColours(frame(0)), 5);
}

TEST_F(ReciprocalLatticeTest, AxesAreSolidTowardsTheViewerAndDottedAway) {
    loadSilicon();
    laue.setSpacingThreshold(1);  // only the eight 111 points, which hide little of the axes
    frame(0);
    ASSERT_EQ(spots.size(), 8u);
    // Pixels of each axis colour per pixel of the axis' length inside the picture.
    auto inkPerPixel = [&](const QImage& image) {
        std::array<double, 3> ratio{};
        const double s = laue.scale3D() * laue.getZoom();
        for (std::size_t i = 0; i < 3; ++i) {
            const double dx = s * laue.labAxes()[i][1], dy = -s * laue.labAxes()[i][2];
            double t = 0;
            while (t < 1 && image.rect().contains(int(cx() + t * dx), int(cy() + t * dy))) t += 0.001;
            ratio[i] = countColour(image, image.rect(), std::array{kRed, kGreen, kBlue}[i]) /
                       (std::max(std::abs(dx), std::abs(dy)) * t);
        }
        return ratio;
    };
    laue.setOrientation(1, 1, 1, true);  // every axis leans towards the viewer
    for (double ratio : inkPerPixel(frame(0))) EXPECT_GT(ratio, 0.8);
    laue.setOrientation(-1, -1, -1, true);  // every axis leans away
    for (double ratio : inkPerPixel(frame(0))) {
        EXPECT_GT(ratio, 0.2);
        EXPECT_LT(ratio, 0.6);
    }
}

TEST_F(ReciprocalLatticeTest, ZerothLayerKeepsOnlyThePlaneThroughTheOrigin) {
    loadSilicon();
    appState().flags.zerothLayer = true;
    frame(0);
    const auto& l = laue.lList();
    EXPECT_EQ(static_cast<std::ptrdiff_t>(spots.size()), std::count(l.begin(), l.end(), 0));
    for (const auto& s : spots) EXPECT_EQ(s.l, 0) << s.h << s.k << s.l;
}

using StereogramTest = PatternFixture;

TEST_F(StereogramTest, DrawsTheBeamSideHemisphereInsideTheNetInBlackOrItsColours) {
    loadSilicon();
    const QImage& image = frame(3);
    std::ptrdiff_t facing = 0;
    for (const auto& row : laue.labVectorTable()) facing += row[0] > -0.003f;
    EXPECT_EQ(static_cast<std::ptrdiff_t>(spots.size()), facing);
    for (const auto& s : spots) {
        EXPECT_LE(std::hypot(s.x, s.y), 0.95 * 150 + 0.5);
        EXPECT_EQ(s.colour, kBlack);
    }
    EXPECT_GT(expectSpotColours(image), 5);
    EXPECT_EQ(countOther(image, QRect(0, 0, 50, 300), kWhite), 0);  // nothing beyond the net
    appState().flags.spotColouring = true;
    EXPECT_GT(expectSpotColours(frame(3)), 5);
    EXPECT_GT(
        std::count_if(spots.begin(), spots.end(), [](const SpotRecord& s) { return !isGrey(s.colour); }), 5);
}

TEST_F(StereogramTest, AntiAliasingBlendsTheSpotEdges) {
    loadSilicon();
    // On white with the grey net only black, the net grey and white appear unless edges are blended.
    auto blended = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += grey(image, x, y) > 0 && grey(image, x, y) < 222;
        return count;
    };
    laue.b_alias = false;
    EXPECT_EQ(blended(frame(3)), 0);
    laue.b_alias = true;
    EXPECT_GT(blended(frame(3)), 100);
}

using WulffMonitorTest = PatternFixture;

TEST_F(WulffMonitorTest, InsetOfFixedGreySpotsInEveryPlotTypeButTheStereogram) {
    loadSilicon(QSize(500, 300));
    // The inset's disc: centre (430, 70), radius 68, clear of the main stereogram.
    auto inset = [&](const QImage& image) {
        std::vector<uint32_t> out;
        for (int y = 6; y <= 134; ++y)
            for (int x = 366; x <= 494; ++x)
                if (std::hypot(x - 430, y - 70) < 60) out.push_back(rgbAt(image, x, y));
        return out;
    };
    auto shown = [&](const QImage& image) {
        const auto pixels = inset(image);
        return std::count(pixels.begin(), pixels.end(), 0xDEDEDE) > 5000;
    };
    for (int16_t type : {0, 2, 1}) EXPECT_FALSE(shown(frame(type))) << type;
    const auto without = spots;
    appState().flags.wulffMonitor = true;
    const QImage stereogram = frame(3);
    EXPECT_FALSE(shown(stereogram));
    EXPECT_EQ(countOther(stereogram, QRect(450, 0, 50, 140), kWhite), 0);
    for (int16_t type : {0, 2, 1}) EXPECT_TRUE(shown(frame(type))) << type;
    EXPECT_EQ(spots.size(), without.size());  // inset spots are not recorded
    const auto reference = inset(visible.image());
    EXPECT_TRUE(std::all_of(reference.begin(), reference.end(), isGrey));
    EXPECT_GT(std::count_if(reference.begin(), reference.end(),
                            [](uint32_t c) { return c != 0xDEDEDE && c != kWhite; }),
              20);
    // Neither the document's spot size nor the zoom changes the inset.
    laue.setSpotsize(20);
    laue.setZoom(3);
    EXPECT_EQ(inset(frame(1)), reference);
    EXPECT_EQ(laue.getSpotsize(), 20.0f);  // and the document's spot size comes back
    EXPECT_GT(spots.front().radius, without.front().radius);
}
