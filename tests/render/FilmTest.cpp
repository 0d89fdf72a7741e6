// The Laue films: outline, grid, ticks, caption, beam mark, spots, labels and the film clip.
#include <gtest/gtest.h>

#include <QBitmap>
#include <QRegion>

#include "RenderTestSupport.h"

using namespace rendertest;

namespace {

constexpr uint32_t kGrid = 0xE9E9FF;  // (233, 233, 255)

class FilmTest : public PatternFixture {
protected:
    // Film geometry of the current frame in pixels: half sizes and 10 mm.
    double scale() const { return options.filmScale * options.effectiveZoom(); }
    double hx() const { return laue.getFilmWidth() / 2 / laue.x_fsd * scale(); }
    double hy() const { return laue.getFilmHeight() / 2 / laue.x_fsd * scale(); }
    double g() const { return 10 * scale() / laue.x_fsd; }

    // A zoom at which one millimetre is exactly `pixels` pixels (film distance 30 mm).
    float zoomForMillimetre(float pixels) {
        const float target = pixels * 30;
        float z = target / options.filmScale;
        for (int i = 0; i < 16 && options.filmScale * z != target; ++i)
            z = std::nextafter(z, options.filmScale * z < target ? 1e9f : 0.0f);
        EXPECT_EQ(options.filmScale * z, target);
        return z;
    }

    // Whether a pixel within one of (x, y) along x (or along y) has the colour.
    static bool near(const QImage& image, double x, double y, uint32_t colour, bool alongX = true) {
        for (int d = -1; d <= 1; ++d)
            if (rgbAt(image, int(std::floor(x)) + (alongX ? d : 0), int(std::floor(y)) + (alongX ? 0 : d)) ==
                colour)
                return true;
        return false;
    }
};

}  // namespace

TEST_F(FilmTest, GridEveryTenMillimetresTicksBeyondSevenPixelsAndTheBeamMark) {
    loadSilicon(QSize(600, 450));
    options.flags.filmOutline = true;
    options.spacingThreshold = 1;  // few spots, which might cover a line
    options.zoom = 0.6f;
    const QImage& image = frame(1);
    const double between = cy() + g() / 2, column = cx() + g() / 2;  // between two lines
    // 90 x 120 mm: lines at 0 to ±40 mm across and 0 to ±60 mm down, the outer ones under the outline.
    for (int i = -4; i <= 4; ++i) EXPECT_TRUE(near(image, cx() + i * g(), between, kGrid)) << i;
    for (int i = -4; i < 4; ++i) EXPECT_EQ(rgbAt(image, int(cx() + (i + 0.5) * g()), int(between)), kWhite);
    for (int i = -5; i <= 5; ++i) EXPECT_TRUE(near(image, column, cy() + i * g(), kGrid, false)) << i;
    EXPECT_TRUE(near(image, cx() + hx(), between, kBlue));
    EXPECT_TRUE(near(image, cx() - hx(), between, kBlue));
    EXPECT_TRUE(near(image, column, cy() - hy(), kBlue, false));
    EXPECT_EQ(rgbAt(image, int(cx() + hx()) + 3, int(between)), kWhite);
    // The beam mark is blue, ringed in black by the outline.
    const QRect centre(int(cx()) - 5, int(cy()) - 5, 11, 11);
    EXPECT_GT(countColour(image, centre, kBlue), 4);
    EXPECT_GT(countColour(image, centre, kBlack), 4);
    options.flags.blackBackground = true;
    EXPECT_TRUE(near(frame(1), cx() + 2 * g(), between, 0x000037));
    options.flags.blackBackground = false;
    // Runs of blue in the strip along the horizontal axis, right of the centre marks.
    auto ticks = [&](const QImage& picture) {
        std::vector<bool> hits;
        for (int x = int(cx()) + 6; x < 600; ++x)
            hits.push_back(countColour(picture, QRect(x, int(cy()) - 3, 1, 8), kBlue) > 0);
        return runs(hits);
    };
    options.zoom = zoomForMillimetre(7);
    EXPECT_EQ(ticks(frame(1)), 0);
    options.zoom = zoomForMillimetre(7.1f);
    EXPECT_NEAR(ticks(frame(1)), (300 - 6) / 7.1, 2);  // one tick per millimetre to the picture's edge
    EXPECT_GT(countColour(visible.image(), QRect(int(cx()) - 3, int(cy()) + 6, 8, 144), kBlue), 20);
    options.flags.filmOutline = false;  // the ticks and the ring round the beam belong to the outline
    EXPECT_EQ(ticks(frame(1)), 0);
    EXPECT_GT(countColour(visible.image(), centre, kBlue), 4);
    EXPECT_LE(countColour(visible.image(), centre, kBlack), 4);
    options.flags.spotColouring = true;  // coloured spots leave the beam unmarked
    EXPECT_LE(countColour(frame(1), centre, kBlue), 4);
}

TEST_F(FilmTest, CaptionStandsAboveTheFilmsTopLeftCorner) {
    laue.setFilmSize(100, 125);
    loadSilicon();
    options.flags.filmOutline = true;
    options.spacingThreshold = 1;
    options.zoom = 0.5f;
    const QImage& image = frame(1);
    // "100. x 125. [D=30. mm]": whole millimetres keep their point.
    lumora::render::Surface measure(QSize(10, 10));
    measure.setFontSize(7);
    const double width = measure.textSize("100. x 125. [D=30. mm]").width();
    ASSERT_GT(width - measure.textSize("100 x 125 [D=30 mm]").width(), 5);
    // Its ink, in the outline's blue, spans that width from the film's left edge, 14 pixels above the film.
    const int x0 = int(std::nearbyint(cx() - hx())), y0 = int(std::nearbyint(cy() - hy() - 14));
    const QRect strip(0, y0 - 10, 400, int(cy() - hy()) - y0 + 9);
    const QImage mask = image.copy(strip).createMaskFromColor(qRgb(255, 255, 255));  // white is color0
    const QRect ink = QRegion(QBitmap::fromImage(mask)).boundingRect().translated(strip.topLeft());
    EXPECT_NEAR(ink.left(), x0, 2);
    EXPECT_NEAR(ink.right(), x0 + width, 3);
    EXPECT_GE(ink.top(), y0 - 1);
    EXPECT_GT(countIf(image, strip, [](QColor c) { return c.blue() == 255 && c != Qt::white; }), 30);
}

TEST_F(FilmTest, SpotsShowTheirColourWhereTheyAreRecordedAndFlipXMirrorsThem) {
    loadSilicon(QSize(600, 450));
    laue.setOrientation(2, 3, 7, true);
    for (int16_t type : {1, 2}) {
        options.zoom = type == 1 ? 0.6f : 1.0f;
        EXPECT_GT(expectSpotColours(frame(type), 1.5), 3) << type;
        for (const auto& s : spots) {
            EXPECT_GE(s.wavelength, laue.x_lambda_min);
            EXPECT_LE(s.wavelength, laue.x_lambda_max);
            EXPECT_GE(std::hypot(s.x, s.y), 4);  // nothing behind the beam stop
        }
    }
    const auto unflipped = spots;
    options.flipX = true;
    EXPECT_GT(expectSpotColours(frame(2), 1.5), 3);
    ASSERT_EQ(spots.size(), unflipped.size());
    for (std::size_t i = 0; i < spots.size(); ++i) {
        EXPECT_NEAR(spots[i].x, -unflipped[i].x, 1e-3);
        EXPECT_NEAR(spots[i].y, unflipped[i].y, 1e-3);
    }
}

TEST_F(FilmTest, LabelsOnlyForSpacingsOfAtLeastHalfTheLargest) {
    loadSilicon(QSize(600, 450));
    options.zoom = 0.6f;
    options.labelColour = kTealLabel;
    EXPECT_EQ(options.labelThreshold, 0.5f);
    EXPECT_EQ(countIf(frame(1), QRect(0, 0, 600, 450), isLabelInk), 0);
    options.flags.hklIndices = true;
    const QImage& image = frame(1);
    const float half = laue.spacingMaximum() / 2;
    const auto labelBox = [&](const SpotRecord& s, QSize size) {
        return QRect(centreOf(s) + QPoint(3, 3), size);
    };
    int labelled = 0, bare = 0;
    for (const auto& s : spots) {
        // 222 lies at exactly half the largest spacing; its label is decided by the last bit.
        const QRect box = labelBox(s, QSize(12, 10));
        if (std::abs(spacingOf(s) - half) < 1e-4f || !image.rect().contains(box)) continue;
        const int ink = countIf(image, box, isLabelInk);
        if (spacingOf(s) >= half) {
            EXPECT_GT(ink, 3) << s.h << s.k << s.l;
            ++labelled;
        } else if (std::none_of(spots.begin(), spots.end(), [&](const SpotRecord& o) {
                       return spacingOf(o) >= half && labelBox(o, QSize(45, 12)).intersects(box);
                   })) {  // unless the label of a strong spot runs into the box
            EXPECT_EQ(ink, 0) << s.h << s.k << s.l;
            ++bare;
        }
    }
    EXPECT_GE(labelled, 8);
    EXPECT_GT(bare, 50);
}

TEST_F(FilmTest, ClipFilmRegionAndSpacingThresholdHideSpots) {
    loadSilicon();
    options.zoom = 0.5f;
    const QRect film(int(std::floor(cx() - hx())) - 1, int(std::floor(cy() - hy())) - 1, int(2 * hx()) + 4,
                     int(2 * hy()) + 4);  // the film with its outline
    const auto outside = [&](const QImage& image) {
        return countOther(image, image.rect(), kWhite) - countOther(image, film, kWhite);
    };
    EXPECT_GT(outside(frame(1)), 20);
    const auto drawn = spots.size();
    options.flags.clipFilmRegion = true;
    EXPECT_EQ(outside(frame(1)), 0);
    EXPECT_EQ(spots.size(), drawn);
    EXPECT_TRUE(
        near(visible.image(), cx() - hx(), cy() + 7, kBlue));  // the film's edge, even without the outline
    options.spacingThreshold = 0.52f;  // above 222, which lies at exactly half the largest spacing
    frame(1);
    ASSERT_FALSE(spots.empty());
    EXPECT_LT(spots.size(), drawn);
    for (const auto& s : spots) EXPECT_GE(spacingOf(s), 0.52f * laue.spacingMaximum()) << s.h << s.k << s.l;
}
