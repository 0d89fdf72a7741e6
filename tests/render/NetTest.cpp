// The net disc of the stereogram and the Wulff monitor, with and without the polar net.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderTestSupport.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"

using lumora::appState;
using lumora::render::Surface;
using namespace rendertest;

namespace {

constexpr uint32_t kDisc = 0xDEDEDE;         // (222, 222, 222)
constexpr uint32_t kDiscOnBlack = 0x5B5B6F;  // (91, 91, 111)
constexpr uint32_t kDotOnBlack = 0x373737;   // (55, 55, 55)
constexpr double kCx = 210, kCy = 210, kR = 200;

class NetTest : public ::testing::Test {
protected:
    // A net of radius 200 on a 420 x 420 surface in the background colour of the flags.
    const QImage& drawNet(double radius = kR) {
        surface.setBackColor(appState().flags.blackBackground ? kBlack : kWhite);
        surface.clear();
        renderer.drawNet(surface, kCx, kCy, radius);
        return surface.image();
    }

    // A pixel of `colour`, counting the pixels right, below and diagonally too,
    // so that a path crossing a one-pixel staircase cannot slip through it.
    static std::function<bool(int, int)> near(const QImage& image, uint32_t colour) {
        return [&image, colour](int x, int y) {
            return rgbAt(image, x, y) == colour || rgbAt(image, x + 1, y) == colour ||
                   rgbAt(image, x, y + 1) == colour || rgbAt(image, x + 1, y + 1) == colour;
        };
    }

    AppStateGuard state;
    lumora::clLAUE laue;
    lumora::render::PatternRenderer renderer{laue};
    Surface surface{QSize(420, 420)};
};

}  // namespace

TEST_F(NetTest, PlainNetIsADiscWithCentreDotAndRimInTheColoursOfTheFlags) {
    const QImage& image = drawNet();
    EXPECT_EQ(rgbAt(image, 210, 210), kWhite);  // the centre dot
    EXPECT_EQ(rgbAt(image, 210, 10), kBlack);   // the rim at R
    EXPECT_EQ(rgbAt(image, 415, 210), kWhite);  // outside
    int lines = 0;                              // inside the rim only the disc and the dot
    for (int y = 30; y <= 390; ++y)
        for (int x = 30; x <= 390; ++x) {
            const double r = std::hypot(x - kCx, y - kCy);
            lines += r > 4 && r < 190 && rgbAt(image, x, y) != kDisc;
        }
    EXPECT_EQ(lines, 0);
    // Disc and rim with spot colouring (outline only) and on black.
    for (auto [black, colouring, disc, rim] :
         {std::tuple{false, true, kWhite, kBlack}, std::tuple{true, false, kDiscOnBlack, kDisc}}) {
        appState().flags.blackBackground = black;
        appState().flags.spotColouring = colouring;
        EXPECT_EQ(rgbAt(drawNet(), 310, 210), disc) << black;
        EXPECT_EQ(rgbAt(surface.image(), 410, 210), rim) << black;
    }
}

TEST_F(NetTest, RadiusZeroDrawsOnlyTheCentreDot) {
    appState().flags.blackBackground = true;  // the dot is dark grey on black, so it can be seen
    appState().flags.polarNet = true;
    const QImage& image = drawNet(0);
    const QRect dot(205, 205, 11, 11);
    EXPECT_GT(countColour(image, dot, kDotOnBlack), 4);
    EXPECT_EQ(countOther(image, image.rect(), kBlack), countColour(image, dot, kDotOnBlack));
}

TEST_F(NetTest, PolarNetHasEightCirclesAndThirtyTwoRadialSegmentsPlusTheDiameters) {
    appState().flags.polarNet = true;
    const QImage& image = drawNet();
    const auto line = near(image, kWhite);  // the net lines are white on the grey disc
    // The eight small circles, 10° to 80°, at R tan(phi / 2), along a ray between two radial lines.
    std::vector<bool> hits;
    for (double r = 12; r <= kR - 4; r += 0.5)
        hits.push_back(rgbAt(image, int(kCx + r * std::cos(5 * M_PI / 180)),
                             int(kCy + r * std::sin(5 * M_PI / 180))) == kWhite);
    EXPECT_EQ(runs(hits), 8);
    for (int phi = 10; phi <= 80; phi += 10) {
        const double r = kR * std::tan(phi * M_PI / 360);
        EXPECT_TRUE(line(int(std::lround(kCx + r * std::cos(M_PI / 36))),
                         int(std::lround(kCy + r * std::sin(M_PI / 36)))))
            << phi;
    }
    // Between the 70° and 80° circles every 10° has a line: 32 segments and the two diameters;
    // inside the 10° circle only the diameters run on to the centre.
    EXPECT_EQ(
        runsAroundCircle(kCx, kCy, kR * (std::tan(35 * M_PI / 180) + std::tan(40 * M_PI / 180)) / 2, line),
        36);
    EXPECT_EQ(runsAroundCircle(kCx, kCy, 10, line), 4);
    EXPECT_EQ(rgbAt(image, 210, 409), kWhite);  // the vertical diameter reaches the rim
    // Outline-only disc on black: dark grey lines, light rim.
    appState().flags.blackBackground = appState().flags.spotColouring = true;
    EXPECT_EQ(runsAroundCircle(kCx, kCy, 150, near(drawNet(), kDotOnBlack)), 36);
    EXPECT_EQ(rgbAt(surface.image(), 410, 210), kDisc);
}

// The pattern draws its spots right after the net and relies on both.
TEST_F(NetTest, LeavesTheForeColourAndASolidFill) {
    appState().flags.polarNet = appState().flags.spotColouring = true;
    surface.setForeColor(0x123456);
    surface.setFillStyle(Surface::FillStyle::Transparent);
    drawNet();
    EXPECT_EQ(surface.foreColor(), 0x123456u);
    surface.setFillColor(kRed);
    surface.circle(20, 20, 8);
    EXPECT_EQ(rgbAt(surface.image(), 20, 20), kRed);
}
