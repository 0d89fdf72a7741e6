// The Laue films: outline, grid, millimetre ticks and caption, the spots, their
// labels, the beam mark and the film clip.
#include <gtest/gtest.h>

#include <cmath>

#include "PatternFixture.h"

using lumora::appState;
using lumora::render::SpotRecord;
using lumora::render::Surface;
using namespace rendertest;

namespace {

constexpr uint32_t kGrid = 0xE9E9FF;         // (233, 233, 255)
constexpr uint32_t kGridOnBlack = 0x000037;  // (0, 0, 55)

class FilmTest : public PatternFixture {
protected:
    // Film geometry of the current frame in pixels: half sizes and 10 mm.
    double scale() const { return static_cast<double>(laue.filmScale() * laue.getZoom()); }
    double hx() const { return laue.getFilmWidth() / 2 / laue.x_fsd * scale(); }
    double hy() const { return laue.getFilmHeight() / 2 / laue.x_fsd * scale(); }
    double g() const { return 10 * scale() / laue.x_fsd; }

    // A zoom at which one millimetre is exactly `pixels` pixels (film distance 30 mm).
    float zoomForMillimetre(float pixels) {
        const float target = pixels * 30;
        float z = target / laue.filmScale();
        for (int i = 0; i < 16 && laue.filmScale() * z != target; ++i)
            z = std::nextafter(z, laue.filmScale() * z < target ? 1e9f : 0.0f);
        EXPECT_EQ(laue.filmScale() * z, target);
        return z;
    }

    // The column within one pixel of x that has the colour, or -1.
    static int columnNear(const QImage& image, double x, int y, uint32_t colour) {
        for (int c = static_cast<int>(std::floor(x)) - 1; c <= static_cast<int>(std::floor(x)) + 1; ++c)
            if (rgbAt(image, c, y) == colour) return c;
        return -1;
    }
    static int rowNear(const QImage& image, int x, double y, uint32_t colour) {
        for (int r = static_cast<int>(std::floor(y)) - 1; r <= static_cast<int>(std::floor(y)) + 1; ++r)
            if (rgbAt(image, x, r) == colour) return r;
        return -1;
    }

    // Text of the label colour (teal, set below) blended with the background.
    static bool labelInk(const QImage& image, int x, int y) {
        const QColor c = QColor::fromRgb(image.pixel(x, y));
        return c.green() - c.red() > 30 && c.green() == c.blue();
    }
};

}  // namespace

// ---- outline, grid, ticks and caption ------------------------------------------------------

TEST_F(FilmTest, GridLinesEveryTenMillimetresFromTheBeam) {
    loadSilicon(QSize(600, 450));
    appState().flags.filmOutline = true;
    laue.setSpacingThreshold(1);  // few spots, which might cover a grid line
    laue.setZoom(0.6f);
    const QImage& image = frame(1);
    const int between = static_cast<int>(cy() + g() / 2);  // a row between two horizontal lines
    // 90 mm wide: lines at 0, ±10, ±20, ±30 and ±40 mm.
    for (int i = -4; i <= 4; ++i) EXPECT_NE(columnNear(image, cx() + i * g(), between, kGrid), -1) << i;
    for (int i = -4; i < 4; ++i)
        EXPECT_EQ(rgbAt(image, static_cast<int>(cx() + (i + 0.5) * g()), between), kWhite);
    // 120 mm high: lines at 0 to ±60 mm, the outer ones on the film edge under the outline.
    const int column = static_cast<int>(cx() + g() / 2);
    for (int i = -5; i <= 5; ++i) EXPECT_NE(rowNear(image, column, cy() + i * g(), kGrid), -1) << i;
    // The blue outline around the film.
    EXPECT_NE(columnNear(image, cx() + hx(), between, kBlue), -1);
    EXPECT_NE(columnNear(image, cx() - hx(), between, kBlue), -1);
    EXPECT_NE(rowNear(image, column, cy() - hy(), kBlue), -1);
    EXPECT_EQ(rgbAt(image, static_cast<int>(cx() + hx()) + 3, between), kWhite);

    appState().flags.blackBackground = true;
    const QImage& dark = frame(1);
    EXPECT_NE(columnNear(dark, cx() + 2 * g(), between, kGridOnBlack), -1);
    EXPECT_EQ(rgbAt(dark, static_cast<int>(cx() + 2.5 * g()), between), kBlack);
}

TEST_F(FilmTest, MillimetreTicksOnlyWhenAMillimetreIsMoreThanSevenPixels) {
    loadSilicon();
    appState().flags.filmOutline = true;
    laue.setSpacingThreshold(1);
    const int top = static_cast<int>(cy()) - 3, bottom = static_cast<int>(cy()) + 4;
    // Blue pixels in the strip along the horizontal axis, right of the centre marks.
    auto ticksAlongX = [&](const QImage& image) {
        std::vector<bool> hits;
        for (int x = static_cast<int>(cx()) + 6; x < 400; ++x) {
            bool blue = false;
            for (int y = top; y <= bottom; ++y) blue |= rgbAt(image, x, y) == kBlue;
            hits.push_back(blue);
        }
        return runs(hits);
    };
    auto ticksAlongY = [&](const QImage& image) {
        std::vector<bool> hits;
        for (int y = static_cast<int>(cy()) + 6; y < 300; ++y) {
            bool blue = false;
            for (int x = static_cast<int>(cx()) - 3; x <= static_cast<int>(cx()) + 4; ++x)
                blue |= rgbAt(image, x, y) == kBlue;
            hits.push_back(blue);
        }
        return runs(hits);
    };

    laue.setZoom(zoomForMillimetre(7));
    const QImage seven = frame(1);
    EXPECT_EQ(ticksAlongX(seven), 0);
    EXPECT_EQ(ticksAlongY(seven), 0);

    laue.setZoom(zoomForMillimetre(7.1f));
    const QImage& more = frame(1);
    EXPECT_NEAR(ticksAlongX(more), (200 - 6) / 7.1, 2);  // one tick per millimetre to the picture's edge
    EXPECT_NEAR(ticksAlongY(more), (150 - 6) / 7.1, 2);

    appState().flags.filmOutline = false;  // the ticks belong to the outline
    EXPECT_EQ(ticksAlongX(frame(1)), 0);
}

TEST_F(FilmTest, CaptionStandsAboveTheFilmsTopLeftCorner) {
    loadSilicon();
    appState().flags.filmOutline = true;
    laue.setSpacingThreshold(1);
    laue.setZoom(0.5f);
    const QImage& image = frame(1);
    const int x0 = static_cast<int>(std::nearbyint(cx() - hx()));
    const int y0 = static_cast<int>(std::nearbyint(cy() - hy() - 14));

    // "90. x 120. [D=30. mm]": whole millimetres keep their point.
    Surface measure(QSize(10, 10));
    measure.setFontSize(7);
    const double width = measure.textSize("90. x 120. [D=30. mm]").width();
    ASSERT_GT(width - measure.textSize("90 x 120 [D=30 mm]").width(), 5);

    int left = 1000, right = -1, topInk = 1000, bottomInk = -1;
    for (int y = y0 - 10; y < static_cast<int>(cy() - hy()) - 1; ++y)
        for (int x = 0; x < 400; ++x)
            if (rgbAt(image, x, y) != kWhite) {
                left = std::min(left, x);
                right = std::max(right, x);
                topInk = std::min(topInk, y);
                bottomInk = std::max(bottomInk, y);
            }
    EXPECT_NEAR(left, x0, 2);
    EXPECT_NEAR(right, x0 + width, 3);
    EXPECT_GE(topInk, y0 - 1);
    EXPECT_LT(bottomInk, static_cast<int>(cy() - hy()));
    // Blue like the outline.
    int blue = 0;
    for (int y = y0; y <= bottomInk; ++y)
        for (int x = left; x <= right; ++x) blue += QColor::fromRgb(image.pixel(x, y)).blue() == 255;
    EXPECT_GT(blue, 30);
}

// ---- spots, labels and marks -----------------------------------------------------------------

TEST_F(FilmTest, SpotsShowTheirColourWhereTheyAreRecorded) {
    loadSilicon(QSize(600, 450));
    for (int16_t type : {1, 2}) {
        laue.setOrientation(2, 3, 7, true);
        laue.setZoom(type == 1 ? 0.6f : 1.0f);
        const QImage& image = frame(type);
        ASSERT_FALSE(spots.empty()) << type;
        int checked = 0;
        for (const auto& s : uncoveredSpots(1.5)) {
            const QPoint c = centreOf(s, cx(), cy());
            if (!image.rect().contains(c)) continue;
            EXPECT_EQ(rgbAt(image, c.x(), c.y()), s.colour) << type << ": " << s.h << s.k << s.l;
            ++checked;
        }
        EXPECT_GT(checked, 3) << type;
        for (const auto& s : spots) {
            EXPECT_GE(s.wavelength, laue.x_lambda_min);
            EXPECT_LE(s.wavelength, laue.x_lambda_max);
            EXPECT_GE(std::hypot(s.x, s.y), 4);  // nothing behind the beam stop
        }
    }
}

TEST_F(FilmTest, LabelsOnlyForSpacingsOfAtLeastHalfTheLargest) {
    loadSilicon(QSize(600, 450));
    laue.setZoom(0.6f);
    appState().currentLabelColour = 128 * 256 + 128 * 65536;  // teal (0, 128, 128)
    EXPECT_EQ(laue.getLabelThreshold(), 0.5f);
    const QImage unlabelled = frame(1);
    appState().flags.hklIndices = true;
    const QImage& image = frame(1);
    for (int y = 0; y < 450; ++y)
        for (int x = 0; x < 600; ++x) ASSERT_FALSE(labelInk(unlabelled, x, y));

    const float half = laue.spacingMaximum() / 2;
    int labelled = 0, bare = 0;
    for (const auto& s : spots) {
        // 222 lies at exactly half the largest spacing; its label is decided by the last bit.
        if (std::abs(spacingOf(s) - half) < 1e-4f) continue;
        const QPoint c = centreOf(s, cx(), cy());
        const QRect box(c.x() + 3, c.y() + 3, 12, 10);  // where the label starts
        if (!image.rect().contains(box)) continue;
        int ink = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) ink += labelInk(image, x, y);
        if (spacingOf(s) >= half) {
            EXPECT_GT(ink, 3) << s.h << s.k << s.l;
            ++labelled;
        } else {
            // Unless the label of a strong spot runs into the box.
            const bool crowded = std::any_of(spots.begin(), spots.end(), [&](const SpotRecord& o) {
                const QPoint oc = centreOf(o, cx(), cy());
                return spacingOf(o) >= half && QRect(oc.x() + 3, oc.y() + 3, 45, 12).intersects(box);
            });
            if (crowded) continue;
            EXPECT_EQ(ink, 0) << s.h << s.k << s.l;
            ++bare;
        }
    }
    EXPECT_GE(labelled, 8);
    EXPECT_GT(bare, 50);
}

TEST_F(FilmTest, CentreAndBeamMarks) {
    loadSilicon();
    const QRect centre(static_cast<int>(cx()) - 5, static_cast<int>(cy()) - 5, 11, 11);
    // Without the outline only the blue beam mark.
    QImage image = frame(2);
    EXPECT_GT(countColour(image, centre, kBlue), 4);
    EXPECT_EQ(countColour(image, centre, kBlack), 0);
    // The outline adds a black ring of radius 3 under it.
    appState().flags.filmOutline = true;
    image = frame(2);
    EXPECT_GT(countColour(image, centre, kBlue), 4);
    EXPECT_GT(countColour(image, centre, kBlack), 4);
    // Coloured spots leave the beam unmarked.
    appState().flags.spotColouring = true;
    image = frame(2);
    EXPECT_EQ(countColour(image, centre, kBlue), 0);
    EXPECT_GT(countColour(image, centre, kBlack), 4);
}

TEST_F(FilmTest, ClipFilmRegionHidesSpotsBesideTheFilm) {
    loadSilicon();
    laue.setZoom(0.5f);
    // The film with its outline.
    const QRect film(static_cast<int>(std::floor(cx() - hx())) - 1,
                     static_cast<int>(std::floor(cy() - hy())) - 1, static_cast<int>(2 * hx()) + 4,
                     static_cast<int>(2 * hy()) + 4);
    auto outside = [&](const QImage& image) {
        int count = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) count += !film.contains(x, y) && rgbAt(image, x, y) != kWhite;
        return count;
    };
    EXPECT_GT(outside(frame(1)), 20);
    const auto drawn = spots.size();

    appState().flags.clipFilmRegion = true;
    const QImage& clipped = frame(1);
    EXPECT_EQ(outside(clipped), 0);
    EXPECT_EQ(spots.size(), drawn);
    // The film's edge is drawn in blue even without the outline.
    EXPECT_NE(columnNear(clipped, cx() - hx(), static_cast<int>(cy()) + 7, kBlue), -1);
}

TEST_F(FilmTest, SpacingThresholdDropsTheSmallerSpacings) {
    loadSilicon(QSize(600, 450));
    laue.setZoom(0.6f);
    frame(1);
    const auto all = spots.size();
    laue.setSpacingThreshold(0.52f);  // above 222, which lies at exactly half the largest spacing
    frame(1);
    ASSERT_FALSE(spots.empty());
    EXPECT_LT(spots.size(), all);
    for (const auto& s : spots) EXPECT_GE(spacingOf(s), 0.52f * laue.spacingMaximum()) << s.h << s.k << s.l;
}
