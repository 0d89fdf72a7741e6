// The net disc of the stereogram and the Wulff monitor, with and without the polar net.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderTestSupport.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"

using lumora::appState;
using lumora::clLAUE;
using lumora::render::PatternRenderer;
using lumora::render::Surface;
using namespace rendertest;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kDisc = 0xDEDEDE;         // (222, 222, 222)
constexpr uint32_t kDiscOnBlack = 0x5B5B6F;  // (91, 91, 111)
constexpr uint32_t kDotOnBlack = 0x373737;   // (55, 55, 55)

constexpr double kCx = 210, kCy = 210, kR = 200;

class NetTest : public ::testing::Test {
protected:
    // A net of radius 200 on a 420 x 420 surface in the background colour of the flags.
    const QImage& drawNet(double radius = kR) {
        const bool black = appState().flags.blackBackground;
        surface.setBackColor(black ? kBlack : kWhite);
        surface.clear();
        renderer.drawNet(surface, kCx, kCy, radius);
        return surface.image();
    }

    // A pixel of `colour`, counting the pixel right, below and diagonally
    // too, so that a path crossing a one-pixel staircase cannot slip through it.
    static std::function<bool(int, int)> near(const QImage& image, uint32_t colour) {
        return [&image, colour](int x, int y) {
            return rgbAt(image, x, y) == colour || rgbAt(image, x + 1, y) == colour ||
                   rgbAt(image, x, y + 1) == colour || rgbAt(image, x + 1, y + 1) == colour;
        };
    }

    AppStateGuard state;
    clLAUE laue;
    PatternRenderer renderer{laue};
    Surface surface{QSize(420, 420)};
};

}  // namespace

TEST_F(NetTest, PlainNetIsAFilledDiscWithCentreDotAndBlackRim) {
    const QImage& image = drawNet();
    EXPECT_EQ(rgbAt(image, 310, 210), kDisc);
    EXPECT_EQ(rgbAt(image, 210, 100), kDisc);
    EXPECT_EQ(rgbAt(image, 210, 210), kWhite);  // the centre dot
    EXPECT_EQ(rgbAt(image, 410, 210), kBlack);  // the rim at R
    EXPECT_EQ(rgbAt(image, 210, 10), kBlack);
    EXPECT_EQ(rgbAt(image, 415, 210), kWhite);  // outside
    // No net lines: inside the rim only the disc and the dot.
    int lines = 0;
    for (int y = 30; y <= 390; ++y)
        for (int x = 30; x <= 390; ++x) {
            const double r = std::hypot(x - kCx, y - kCy);
            if (r > 4 && r < 190) lines += rgbAt(image, x, y) != kDisc;
        }
    EXPECT_EQ(lines, 0);
}

TEST_F(NetTest, SpotColouringLeavesOnlyTheOutlineOfTheDisc) {
    appState().flags.spotColouring = true;
    const QImage& image = drawNet();
    EXPECT_EQ(rgbAt(image, 310, 210), kWhite);
    EXPECT_EQ(rgbAt(image, 210, 330), kWhite);
    EXPECT_EQ(rgbAt(image, 410, 210), kBlack);
}

TEST_F(NetTest, OnBlackTheDiscIsBlueGreyAndTheRimLight) {
    appState().flags.blackBackground = true;
    const QImage& image = drawNet();
    EXPECT_EQ(rgbAt(image, 310, 210), kDiscOnBlack);
    EXPECT_EQ(rgbAt(image, 210, 210), kDotOnBlack);
    EXPECT_EQ(rgbAt(image, 410, 210), kDisc);
    EXPECT_EQ(rgbAt(image, 415, 210), kBlack);
}

TEST_F(NetTest, RadiusZeroDrawsOnlyTheCentreDot) {
    appState().flags.blackBackground = true;  // the dot is dark grey on black, so it can be seen
    appState().flags.polarNet = true;
    const QImage& image = drawNet(0);
    const QRect dot(205, 205, 11, 11);
    EXPECT_GT(countOther(image, dot, kBlack), 4);
    EXPECT_EQ(countOther(image, image.rect(), kBlack), countOther(image, dot, kBlack));
    EXPECT_EQ(countColour(image, image.rect(), kDotOnBlack), countOther(image, image.rect(), kBlack));
}

TEST_F(NetTest, PolarNetHasEightCirclesAndThirtyTwoRadialSegmentsPlusTheDiameters) {
    appState().flags.polarNet = true;
    const QImage& image = drawNet();
    const auto line = near(image, kWhite);  // the net lines are white on the grey disc

    // Along a ray between two radial lines: the eight small circles, 10° to 80°.
    const auto exact = [&image](int x, int y) { return rgbAt(image, x, y) == kWhite; };
    EXPECT_EQ(runs(alongRay(kCx, kCy, 5, 12, kR - 4, exact)), 8);  // from where the ray leaves the diameter
    for (int phi = 10; phi <= 80; phi += 10) {
        const double r = kR * std::tan(phi * M_PI / 360);
        EXPECT_TRUE(line(static_cast<int>(std::lround(kCx + r * std::cos(M_PI / 36))),
                         static_cast<int>(std::lround(kCy + r * std::sin(M_PI / 36)))))
            << phi;
    }

    // Between the 70° and 80° circles every 10° has a line: 32 segments and the two diameters.
    const double between = kR * (std::tan(35 * M_PI / 180) + std::tan(40 * M_PI / 180)) / 2;
    EXPECT_EQ(circularRuns(aroundCircle(kCx, kCy, between, line)), 36);
    // Inside the 10° circle only the diameters run on to the centre.
    EXPECT_EQ(circularRuns(aroundCircle(kCx, kCy, 10, line)), 4);

    EXPECT_EQ(rgbAt(image, 410, 210), kBlack);
    EXPECT_EQ(rgbAt(image, 210, 409), kWhite);  // the vertical diameter reaches the rim
}

TEST_F(NetTest, PolarNetColoursFollowBackgroundAndSpotColouring) {
    appState().flags.polarNet = true;
    appState().flags.spotColouring = true;
    {
        // Outline-only disc on white: grey lines, black rim.
        const QImage& image = drawNet();
        EXPECT_EQ(circularRuns(aroundCircle(kCx, kCy, 150, near(image, kDisc))), 36);
        EXPECT_EQ(rgbAt(image, 300, 230), kWhite);
        EXPECT_EQ(rgbAt(image, 410, 210), kBlack);
    }
    appState().flags.blackBackground = true;
    {
        // Outline-only disc on black: dark grey lines, light rim.
        const QImage& image = drawNet();
        EXPECT_EQ(circularRuns(aroundCircle(kCx, kCy, 150, near(image, kDotOnBlack))), 36);
        EXPECT_EQ(rgbAt(image, 300, 230), kBlack);
        EXPECT_EQ(rgbAt(image, 410, 210), kDisc);
    }
    appState().flags.spotColouring = false;
    {
        // Filled disc on black: dark grey lines on the blue-grey disc, black rim.
        const QImage& image = drawNet();
        EXPECT_EQ(circularRuns(aroundCircle(kCx, kCy, 150, near(image, kDotOnBlack))), 36);
        EXPECT_EQ(rgbAt(image, 300, 230), kDiscOnBlack);
        EXPECT_EQ(rgbAt(image, 410, 210), kBlack);
    }
}

// The pattern draws its spots right after the net and relies on both.
TEST_F(NetTest, LeavesTheForeColourAndASolidFill) {
    appState().flags.polarNet = true;
    appState().flags.spotColouring = true;
    surface.setForeColor(0x123456);
    surface.setFillStyle(Surface::FillStyle::Transparent);
    drawNet();
    EXPECT_EQ(surface.foreColor(), 0x123456u);
    surface.setFillColor(0xFF0000);
    surface.circle(20, 20, 8);
    EXPECT_EQ(rgbAt(surface.image(), 20, 20), 0xFF0000u);
}
