// Clicking on a spot: the nearest spot within 10 pixels is described and
// marked where the drawing put it; farther away the answer is "no spot".
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>

#include "PatternFixture.h"
#include "util/NumberText.h"

using lumora::appState;
using lumora::render::SpotRecord;
using namespace rendertest;

namespace {

constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kRed = 0xFF0000;

class PickingTest : public PatternFixture {
protected:
    // A drawn spot with no other spot within `clearance` pixels (harmonics
    // of its plane, which fall on the same place, do not count).
    const SpotRecord* isolatedSpot(double clearance) const {
        for (const SpotRecord& s : spots) {
            // Well inside the picture, with room for the marker's text.
            if (std::abs(s.x) > cx() - 90 || std::abs(s.y) > cy() - 30) continue;
            bool alone = true;
            for (const SpotRecord& o : spots) {
                const double distance = std::hypot(o.x - s.x, o.y - s.y);
                if (distance > 0.01 && distance < clearance) {
                    alone = false;
                    break;
                }
            }
            if (alone) return &s;
        }
        return nullptr;
    }

    double screenX(const SpotRecord& s) const { return cx() + s.x; }
    double screenY(const SpotRecord& s) const { return cy() - s.y; }

    // The indices as a film labels them: divided by their largest common
    // divisor, and with the sign that makes the first non-zero one positive.
    static std::string filmLabel(int h, int k, int l, int& divisor) {
        divisor = std::gcd(std::gcd(std::abs(h), std::abs(k)), std::abs(l));
        h /= divisor, k /= divisor, l /= divisor;
        if (h < 0 || (h == 0 && k < 0) || (h == 0 && k == 0 && l < 0)) h = -h, k = -k, l = -l;
        return std::to_string(h) + std::to_string(k) + std::to_string(l);
    }

    static bool greenish(const QImage& image, int x, int y) {
        const QColor c = QColor::fromRgb(image.pixel(x, y));
        return c.green() > c.red() + 60 && c.green() > c.blue() + 60;
    }
};

}  // namespace

// ---- the three kinds of text -------------------------------------------------------

TEST_F(PickingTest, FilmSpotGivesItsPlaneAndThePlaneSpacing) {
    loadSilicon(QSize(600, 450));
    for (int16_t mode : {1, 2}) {
        SCOPED_TRACE(mode);
        frame(mode);
        const SpotRecord* spot = isolatedSpot(25);
        ASSERT_NE(spot, nullptr);
        int divisor = 1;
        const std::string label = filmLabel(spot->h, spot->k, spot->l, divisor);
        // The spacing of the reduced plane, whatever harmonic was drawn.
        const float d = laue.computeSpacing(static_cast<int16_t>(spot->h / divisor),
                                            static_cast<int16_t>(spot->k / divisor),
                                            static_cast<int16_t>(spot->l / divisor));
        const std::string text = renderer.findMouseHKL(1, screenX(*spot) + 2, screenY(*spot) - 3);
        EXPECT_EQ(text, "(" + label + ")  d = " + lumora::util::formatNumber(d, "0.0###"));
    }
}

TEST_F(PickingTest, ReciprocalLatticePointGivesItsOwnIndicesAndSpacing) {
    loadSilicon(QSize(600, 450));
    frame(0);
    const SpotRecord* point = isolatedSpot(12);
    ASSERT_NE(point, nullptr);
    const std::string text = renderer.findMouseHKL(1, screenX(*point), screenY(*point));
    const std::string label = std::to_string(point->h) + std::to_string(point->k) + std::to_string(point->l);
    EXPECT_EQ(text, "(" + label + ")  d = " + lumora::util::formatNumber(spacingOf(*point), "0.0###"));
}

TEST_F(PickingTest, StereogramPoleGivesItsAngles) {
    loadSilicon(QSize(600, 450));
    frame(3);
    // [001] lies on the beam: the pole of (001) is the centre of the net.
    EXPECT_EQ(renderer.findMouseHKL(1, cx() + 1, cy() + 1),
              "(001)   Rho = 0.0\u00b0, Alpha = 90.0\u00b0, Beta = 0.0\u00b0");

    // Any other pole: rho from the centre of the net, beta anticlockwise from the right.
    const double radius = std::min(cx(), cy()) * 0.95;
    const SpotRecord* pole = nullptr;
    for (const SpotRecord& s : spots) {
        const double r = std::hypot(s.x, s.y);
        if (r > radius * 0.3 && r < radius * 0.9 && s.y > 0 && s.x < 0) pole = &s;
    }
    ASSERT_NE(pole, nullptr);
    const std::string text = renderer.findMouseHKL(1, screenX(*pole), screenY(*pole));
    const double rho = 2 * std::atan(std::hypot(pole->x, pole->y) / radius) * 180 / M_PI;
    const double beta = std::atan2(pole->y, pole->x) * 180 / M_PI;  // in the second quadrant
    double shownRho = 0, shownAlpha = 0, shownBeta = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "(%*[-0-9])   Rho = %lf\u00b0, Alpha = %lf\u00b0, Beta = %lf\u00b0",
                          &shownRho, &shownAlpha, &shownBeta),
              3)
        << text;
    EXPECT_NEAR(shownRho, rho, 0.002);
    EXPECT_NEAR(shownAlpha, 90 - rho, 0.002);
    EXPECT_NEAR(shownBeta, beta, 0.002);
    EXPECT_GT(shownBeta, 90);
    EXPECT_LT(shownBeta, 180);
}

// ---- the 10-pixel reach and ties ----------------------------------------------------------

TEST_F(PickingTest, ASpotTenPixelsAwayIsFoundAndOnePointOneFurtherIsNot) {
    loadSilicon(QSize(600, 450));
    frame(1);
    const SpotRecord* spot = isolatedSpot(30);
    ASSERT_NE(spot, nullptr);
    const double x = screenX(*spot), y = screenY(*spot);
    const std::string onSpot = renderer.findMouseHKL(1, x, y);
    ASSERT_NE(onSpot, "no spot");
    EXPECT_EQ(renderer.findMouseHKL(1, x + 10, y), onSpot);
    EXPECT_EQ(renderer.findMouseHKL(1, x - 6, y + 8), onSpot);  // 10 pixels on a slant
    EXPECT_EQ(renderer.findMouseHKL(1, x + 10.1, y), "no spot");
    EXPECT_EQ(renderer.findMouseHKL(1, x, y - 10.1), "no spot");
}

TEST_F(PickingTest, EquallyNearPointsGiveTheOneDrawnFirst) {
    loadSilicon(QSize(600, 450));
    frame(0);
    // hkl and -h-k-l lie point-symmetric about the centre of the 3-D view: a
    // click on the centre is exactly as near to both.
    double nearest = 1e9;
    for (const SpotRecord& s : spots) nearest = std::min(nearest, std::hypot(double{s.x}, double{s.y}));
    std::vector<const SpotRecord*> tied;
    for (const SpotRecord& s : spots)
        if (std::hypot(double{s.x}, double{s.y}) == nearest) tied.push_back(&s);
    ASSERT_GE(tied.size(), 2u);
    ASSERT_TRUE(tied[0]->h != tied[1]->h || tied[0]->k != tied[1]->k || tied[0]->l != tied[1]->l);
    ASSERT_LE(nearest, 10);
    const std::string first =
        std::to_string(tied[0]->h) + std::to_string(tied[0]->k) + std::to_string(tied[0]->l);
    EXPECT_EQ(renderer.findMouseHKL(1, cx(), cy()).rfind("(" + first + ")", 0), 0u);
}

TEST_F(PickingTest, SpotsThatAreNotShownCannotBePicked) {
    loadSilicon(QSize(600, 450));
    frame(1);
    // The film is narrower than the picture: spots beside it are drawn only
    // while the film region is not clipped.
    const double hx = laue.getFilmWidth() / 2 / laue.x_fsd * laue.filmScale() * laue.getZoom();
    const SpotRecord* beside = nullptr;
    for (const SpotRecord& s : spots)
        if (std::abs(s.x) > hx + 8 && std::abs(s.x) < cx() - 8 && std::abs(s.y) < cy() - 8) beside = &s;
    ASSERT_NE(beside, nullptr);
    const double x = screenX(*beside), y = screenY(*beside);
    EXPECT_NE(renderer.findMouseHKL(1, x, y), "no spot");
    appState().flags.clipFilmRegion = true;
    const QImage& image = frame(1);
    EXPECT_EQ(rgbAt(image, static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))), kWhite);
    EXPECT_EQ(renderer.findMouseHKL(1, x, y), "no spot");
    // Below the spacing threshold nothing is drawn, so nothing is found.
    appState().flags.clipFilmRegion = false;
    laue.setSpacingThreshold(1.01f);
    frame(1);
    EXPECT_TRUE(spots.empty());
    EXPECT_EQ(renderer.findMouseHKL(1, x, y), "no spot");
    laue.n_hkl = 0;
    EXPECT_EQ(renderer.findMouseHKL(1, x, y), "no spot");
}

// ---- the marker ------------------------------------------------------------------------------

TEST_F(PickingTest, MarkerOnWhiteIsGreenInRedWithDarkGreenText) {
    loadSilicon(QSize(600, 450));
    frame(1);
    const SpotRecord* spot = isolatedSpot(40);
    ASSERT_NE(spot, nullptr);
    const int x = static_cast<int>(std::lround(screenX(*spot)));
    const int y = static_cast<int>(std::lround(screenY(*spot)));
    ASSERT_NE(renderer.findMouseHKL(1, x, y), "no spot");
    const QImage& image = visible.image();
    EXPECT_EQ(rgbAt(image, x, y), kGreen);
    EXPECT_GT(countColour(image, QRect(x + 4, y - 1, 3, 3), kRed), 0);
    EXPECT_GT(countColour(image, QRect(x - 6, y - 1, 3, 3), kRed), 0);
    EXPECT_GT(countColour(image, QRect(x - 1, y + 4, 3, 3), kRed), 0);
    // The text to the upper right, in dark green.
    int ink = 0;
    for (int py = y - 15; py < y - 3; ++py)
        for (int px = x + 5; px < x + 80; ++px) ink += greenish(image, px, py);
    EXPECT_GT(ink, 20);
    const QColor darkest = [&] {
        QColor best = Qt::white;
        for (int py = y - 15; py < y - 3; ++py)
            for (int px = x + 5; px < x + 80; ++px) {
                const QColor c = QColor::fromRgb(image.pixel(px, py));
                if (greenish(image, px, py) && c.green() < best.green()) best = c;
            }
        return best;
    }();
    EXPECT_EQ(darkest.red(), 0);
    EXPECT_EQ(darkest.blue(), 0);
    EXPECT_LE(darkest.green(), 150);
}

TEST_F(PickingTest, MarkerOnBlackIsRedInGreenWithGreenText) {
    loadSilicon(QSize(600, 450));
    appState().flags.blackBackground = true;
    frame(1);
    const SpotRecord* spot = isolatedSpot(40);
    ASSERT_NE(spot, nullptr);
    const int x = static_cast<int>(std::lround(screenX(*spot)));
    const int y = static_cast<int>(std::lround(screenY(*spot)));
    ASSERT_NE(renderer.findMouseHKL(1, x, y), "no spot");
    const QImage& image = visible.image();
    EXPECT_EQ(rgbAt(image, x, y), kRed);
    EXPECT_GT(countColour(image, QRect(x + 4, y - 1, 3, 3), kGreen), 0);
    EXPECT_GT(countColour(image, QRect(x - 6, y - 1, 3, 3), kGreen), 0);
    int ink = 0, brightest = 0;
    for (int py = y - 15; py < y - 3; ++py)
        for (int px = x + 5; px < x + 80; ++px) {
            if (!greenish(image, px, py)) continue;
            ++ink;
            const QColor c = QColor::fromRgb(image.pixel(px, py));
            EXPECT_EQ(c.red(), 0);
            EXPECT_EQ(c.blue(), 0);
            brightest = std::max(brightest, c.green());
        }
    EXPECT_GT(ink, 20);
    EXPECT_GT(brightest, 200);
}

TEST_F(PickingTest, NoSpotLeavesThePictureAsItWas) {
    loadSilicon(QSize(600, 450));
    laue.setSpacingThreshold(1);
    const QImage before = frame(1).copy();
    // A corner far from the few large spots.
    EXPECT_EQ(renderer.findMouseHKL(1, 2, 2), "no spot");
    EXPECT_EQ(visible.image(), before);
}
