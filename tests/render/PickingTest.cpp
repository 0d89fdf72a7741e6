// Clicking on a spot: the nearest spot within 10 pixels is described and
// marked where the drawing put it; farther away the answer is "no spot".
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string>

#include "PatternFixture.h"
#include "util/NumberText.h"

using lumora::appState;
using lumora::util::formatNumber;
using namespace rendertest;

namespace {

class PickingTest : public PatternFixture {
protected:
    // A drawn spot well inside the picture with no other spot within
    // `clearance` pixels (harmonics of its plane, on the same place, do not count).
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
    std::string pick(const SpotRecord& s, double dx = 0, double dy = 0) {
        return renderer.findMouseHKL(1, cx() + s.x + dx, cy() - s.y + dy);
    }
};

}  // namespace

TEST_F(PickingTest, TextsOfAFilmSpotALatticePointAndAPole) {
    loadSilicon(QSize(600, 450));
    for (int16_t mode : {1, 2}) {
        frame(mode);
        // A film names the plane: the indices divided by their largest common divisor with
        // the first non-zero one positive, and the spacing of that plane.
        const SpotRecord& s = isolatedSpot(25);
        const int n = std::gcd(std::gcd(std::abs(s.h), std::abs(s.k)), std::abs(s.l));
        int h = s.h / n, k = s.k / n, l = s.l / n;
        if (h < 0 || (h == 0 && k < 0) || (h == 0 && k == 0 && l < 0)) h = -h, k = -k, l = -l;
        const float d = laue.computeSpacing(int16_t(h), int16_t(k), int16_t(l));
        EXPECT_EQ(pick(s, 2, -3), "(" + std::to_string(h) + std::to_string(k) + std::to_string(l) +
                                      ")  d = " + formatNumber(d, "0.0###"))
            << mode;
    }
    frame(0);  // a lattice point gives its own indices
    const SpotRecord& point = isolatedSpot(12);
    EXPECT_EQ(pick(point), "(" + std::to_string(point.h) + std::to_string(point.k) + std::to_string(point.l) +
                               ")  d = " + formatNumber(spacingOf(point), "0.0###"));
    frame(3);  // [001] lies on the beam: the pole of (001) is the centre of the net
    EXPECT_EQ(renderer.findMouseHKL(1, cx() + 1, cy() + 1),
              "(001)   Rho = 0.0\u00b0, Alpha = 90.0\u00b0, Beta = 0.0\u00b0");
    // Any other pole: rho from the centre of the net, beta anticlockwise from the right.
    const double radius = std::min(cx(), cy()) * 0.95;
    const auto pole = std::find_if(spots.begin(), spots.end(), [&](const SpotRecord& s) {
        const double r = std::hypot(s.x, s.y);
        return r > radius * 0.3 && r < radius * 0.9 && s.y > 0 && s.x < 0;
    });
    ASSERT_NE(pole, spots.end());
    const std::string text = pick(*pole);
    double rho = 0, alpha = 0, beta = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "(%*[-0-9])   Rho = %lf\u00b0, Alpha = %lf\u00b0, Beta = %lf\u00b0",
                          &rho, &alpha, &beta),
              3)
        << text;
    EXPECT_NEAR(rho, 2 * std::atan(std::hypot(pole->x, pole->y) / radius) * 180 / M_PI, 0.002);
    EXPECT_NEAR(alpha, 90 - rho, 0.002);
    EXPECT_NEAR(beta, std::atan2(pole->y, pole->x) * 180 / M_PI, 0.002);  // in the second quadrant
}

TEST_F(PickingTest, ASpotTenPixelsAwayIsFoundAndTenPointOneIsNot) {
    loadSilicon(QSize(600, 450));
    frame(1);
    const SpotRecord& spot = isolatedSpot(30);
    const std::string onSpot = pick(spot);
    ASSERT_NE(onSpot, "no spot");
    EXPECT_EQ(pick(spot, 10, 0), onSpot);
    EXPECT_EQ(pick(spot, -6, 8), onSpot);  // 10 pixels on a slant
    EXPECT_EQ(pick(spot, 10.1, 0), "no spot");
    EXPECT_EQ(pick(spot, 0, -10.1), "no spot");
    // No spot leaves the picture as it was.
    const QImage before = visible.image().copy();
    EXPECT_EQ(renderer.findMouseHKL(1, 2, 2), "no spot");
    EXPECT_EQ(visible.image(), before);
}

TEST_F(PickingTest, SpotsThatAreNotShownCannotBePicked) {
    loadSilicon(QSize(600, 450));
    frame(1);
    // The film is narrower than the picture: spots beside it are drawn only
    // while the film region is not clipped.
    const double hx = laue.getFilmWidth() / 2 / laue.x_fsd * laue.filmScale() * laue.getZoom();
    const auto beside = std::find_if(spots.begin(), spots.end(), [&](const SpotRecord& s) {
        return std::abs(s.x) > hx + 8 && std::abs(s.x) < cx() - 8 && std::abs(s.y) < cy() - 8;
    });
    ASSERT_NE(beside, spots.end());
    const SpotRecord spot = *beside;
    EXPECT_NE(pick(spot), "no spot");
    appState().flags.clipFilmRegion = true;
    EXPECT_EQ(rgbAt(frame(1), int(std::lround(cx() + spot.x)), int(std::lround(cy() - spot.y))), kWhite);
    EXPECT_EQ(pick(spot), "no spot");
    appState().flags.clipFilmRegion = false;
    laue.setSpacingThreshold(1.01f);  // nothing drawn, nothing found
    frame(1);
    EXPECT_TRUE(spots.empty());
    EXPECT_EQ(pick(spot), "no spot");
}

TEST_F(PickingTest, MarkerIsGreenInRedOnWhiteAndRedInGreenOnBlackWithGreenText) {
    loadSilicon(QSize(600, 450));
    for (bool black : {false, true}) {
        appState().flags.blackBackground = black;
        frame(1);
        const SpotRecord& spot = isolatedSpot(40);
        const int x = int(std::lround(cx() + spot.x)), y = int(std::lround(cy() - spot.y));
        ASSERT_NE(renderer.findMouseHKL(1, x, y), "no spot");
        const QImage& image = visible.image();
        EXPECT_EQ(rgbAt(image, x, y), black ? kRed : kGreen);
        for (const QPoint p : {QPoint(x + 4, y - 1), QPoint(x - 6, y - 1)})
            EXPECT_GT(countColour(image, QRect(p, QSize(3, 3)), black ? kGreen : kRed), 0) << black;
        // The text to the upper right: pure green, dark on white and bright on black.
        int ink = 0, brightest = 0;
        QColor darkest = Qt::white;
        for (int py = y - 15; py < y - 3; ++py)
            for (int px = x + 5; px < x + 80; ++px) {
                const QColor c = QColor::fromRgb(image.pixel(px, py));
                if (c.green() <= std::max(c.red(), c.blue()) + 60) continue;
                ++ink;
                brightest = std::max(brightest, c.green());
                if (c.green() < darkest.green()) darkest = c;
                if (black) {
                    EXPECT_EQ(c.red() + c.blue(), 0);
                }
            }
        EXPECT_GT(ink, 20) << black;
        EXPECT_EQ(darkest.red() + darkest.blue(), 0) << black;
        EXPECT_TRUE(black ? brightest > 200 : darkest.green() <= 150) << black;
    }
}
