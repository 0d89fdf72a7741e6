// The photo page: the photograph fitted into the page with millimetre rulers,
// the simulated spots as red rings about the photo's beam centre.
#include <gtest/gtest.h>

#include <QColor>
#include <algorithm>
#include <cmath>

#include "PatternFixture.h"

using lumora::appState;
using lumora::render::SpotRecord;
using lumora::render::Surface;
using namespace rendertest;

namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kPhoto = 0xC8B428;  // (200, 180, 40): no colour the overlay draws

class PhotoOverlayTest : public PatternFixture {
protected:
    void attachPhoto(QSize size, uint32_t colour = kPhoto) {
        photo = QImage(size, QImage::Format_RGB32);
        photo.fill(QColor::fromRgb(colour));
        renderer.setGraphicsContext(&visible, nullptr, &back, &photo);
        laue.b_photo = true;
    }

    // Draws the page for a plot type; plot type 0 has no film and so no rings.
    const QImage& overlay(int16_t plotType) {
        laue.m_mode = plotType;
        renderer.drawHKLPHOTO(page);
        return page.image();
    }

    // Width and height of the painted photo (its own colour, or a blue ruler tick on it).
    static QSize paintedSize(const QImage& image, uint32_t colour = kPhoto) {
        const auto painted = [&](int x, int y) {
            const uint32_t c = rgbAt(image, x, y);
            return c == colour || c == kBlue;
        };
        int width = 0, height = 0;
        while (width < image.width() && painted(width, image.height() / 3)) ++width;
        while (height < image.height() && painted(image.width() / 5, height)) ++height;
        return {width, height};
    }

    // Blue pixels in a row from an edge inwards (dx, dy one step).
    static int blueRun(const QImage& image, int x, int y, int dx, int dy) {
        int n = 0;
        while (x >= 0 && y >= 0 && x < image.width() && y < image.height() && rgbAt(image, x, y) == kBlue) {
            ++n;
            x += dx;
            y += dy;
        }
        return n;
    }

    double pixelsPerMm() const { return laue.filmScale() * laue.getZoom() / laue.x_fsd; }

    static bool labelInk(const QImage& image, int x, int y) {
        const QColor c = QColor::fromRgb(image.pixel(x, y));
        return c.green() - c.red() > 30 && c.green() == c.blue();
    }

    QImage photo;
    Surface page{QSize(600, 400)};
};

}  // namespace

// ---- fitting the photo --------------------------------------------------------------------

TEST_F(PhotoOverlayTest, PortraitPhotoOnALandscapePageIsFittedByItsHeight) {
    loadSilicon(QSize(600, 400));
    attachPhoto(QSize(90, 120));
    const QImage& image = overlay(0);
    EXPECT_EQ(paintedSize(image), QSize(300, 400));
    EXPECT_FLOAT_EQ(laue.x_filmfac, 400.0f / 120);
    EXPECT_EQ(rgbAt(image, 310, 200), kWhite);
    // Switched off, the photo is not painted.
    laue.b_photo = false;
    EXPECT_EQ(countColour(overlay(0), page.image().rect(), kPhoto), 0);
}

TEST_F(PhotoOverlayTest, LandscapePhotoIsFittedByItsWidth) {
    loadSilicon(QSize(600, 400));
    attachPhoto(QSize(200, 100));
    const QImage& image = overlay(0);
    EXPECT_EQ(paintedSize(image), QSize(600, 300));
    EXPECT_FLOAT_EQ(laue.x_filmfac, 3.0f);
    EXPECT_EQ(rgbAt(image, 300, 310), kWhite);
}

// ---- rulers ---------------------------------------------------------------------------------

TEST_F(PhotoOverlayTest, RulersTickEveryMillimetreWithLongTicksEveryTen) {
    // A 100 x 125 mm film scanned at 10 photo pixels per millimetre, shown at
    // half size: 5 display pixels per millimetre.
    appState().settings.filmWidth = 100;
    appState().settings.filmHeight = 125;
    laue.initializeAll();
    loadSilicon(QSize(500, 625));
    page.resize(QSize(500, 625));
    attachPhoto(QSize(1000, 1250), 0xE6E6E6);
    const QImage& image = overlay(0);
    ASSERT_FLOAT_EQ(laue.x_filmfac, 0.5f);
    const auto expected = [](int mm) { return mm % 10 == 0 ? 10 : mm % 5 == 0 ? 5 : 2; };
    for (int mm = 1; mm < 100; ++mm) {
        SCOPED_TRACE(mm);
        const int x = 5 * mm;
        EXPECT_EQ(blueRun(image, x, 0, 0, 1), expected(mm));     // top edge, downwards
        EXPECT_EQ(blueRun(image, x, 624, 0, -1), expected(mm));  // bottom edge, upwards
        EXPECT_EQ(blueRun(image, x + 2, 0, 0, 1), 0);            // nothing between
    }
    for (int mm = 1; mm < 125; ++mm) {
        SCOPED_TRACE(mm);
        const int y = 5 * mm;
        EXPECT_EQ(blueRun(image, 0, y, 1, 0), expected(mm));     // left edge, rightwards
        EXPECT_EQ(blueRun(image, 499, y, -1, 0), expected(mm));  // right edge, leftwards
    }
}

// ---- rings and labels -------------------------------------------------------------------------

TEST_F(PhotoOverlayTest, MovingThePhotoCentreOneMillimetreShiftsEveryRing) {
    loadSilicon(QSize(600, 450));
    page.resize(QSize(600, 450));
    overlay(1);
    const std::vector<SpotRecord> before = spots;
    ASSERT_GT(before.size(), 20u);

    appState().settings.photoCentreX += 1;
    const QImage& image = overlay(1);
    ASSERT_EQ(spots.size(), before.size());
    for (std::size_t i = 0; i < spots.size(); ++i) {
        EXPECT_EQ(spots[i].h, before[i].h);
        EXPECT_NEAR(spots[i].x - before[i].x, pixelsPerMm(), 1e-3);
        EXPECT_EQ(spots[i].y, before[i].y);
    }
    // The rings are red circles of radius 3 where they are recorded.
    int found = 0;
    for (const SpotRecord& s : spots) {
        const int x = static_cast<int>(std::lround(page.width() / 2.0 + s.x));
        const int y = static_cast<int>(std::lround(page.height() / 2.0 - s.y));
        if (x < 5 || y < 5 || x > page.width() - 5 || y > page.height() - 5) continue;
        found += countColour(image, QRect(x + 2, y - 1, 3, 3), kRed) > 0 &&
                 countColour(image, QRect(x - 4, y - 1, 3, 3), kRed) > 0;
    }
    EXPECT_GT(found, 10);
}

TEST_F(PhotoOverlayTest, LabelsOnlyWithTheHklFlagRingsAlways) {
    loadSilicon(QSize(600, 450));
    page.resize(QSize(600, 450));
    attachPhoto(QSize(900, 1200), 0xFFFFFF);
    appState().currentLabelColour = 0 + 128 * 256 + 128 * 65536;  // teal
    laue.setLabelThreshold(0);
    const auto ink = [this](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += labelInk(image, x, y);
        return n;
    };

    const QImage plain = overlay(1).copy();
    const int rings = countColour(plain, plain.rect(), kRed);
    EXPECT_GT(rings, 100);
    EXPECT_EQ(ink(plain), 0);

    appState().flags.hklIndices = true;
    const QImage labelled = overlay(1).copy();
    EXPECT_GT(ink(labelled), 100);
    EXPECT_GT(countColour(labelled, labelled.rect(), kRed), rings / 2);
}

TEST_F(PhotoOverlayTest, BeamCentreMarkedInBlueUnlessSpotsAreColoured) {
    loadSilicon(QSize(600, 450));
    page.resize(QSize(600, 450));
    const int bx = static_cast<int>(std::lround(appState().settings.photoCentreX * pixelsPerMm()));
    const int by = static_cast<int>(std::lround(appState().settings.photoCentreY * pixelsPerMm()));
    const QRect around(bx - 3, by - 3, 7, 7);
    EXPECT_GT(countColour(overlay(0), around, kBlue), 3);
    appState().flags.spotColouring = true;
    EXPECT_EQ(countColour(overlay(0), around, kBlue), 0);
}

TEST_F(PhotoOverlayTest, WithoutReflectionsThePageIsLeftAlone) {
    page.setBackColor(0x123456);
    page.clear();
    const QImage before = page.image().copy();
    attachPhoto(QSize(90, 120));
    renderer.drawHKLPHOTO(page);
    EXPECT_EQ(page.image(), before);
}

// ---- the page as the engine's picture ---------------------------------------------------------

TEST_F(PhotoOverlayTest, PhotoSimulationDrawsThePageAndPicksItsRings) {
    loadSilicon(QSize(600, 450));
    page.resize(QSize(600, 450));
    attachPhoto(QSize(900, 1200), 0xFFFFFF);
    renderer.setPictureBox(&page);
    laue.f_photosim = 1;
    laue.m_mode = 1;
    renderer.drawHKL();
    const QImage& image = page.image();
    EXPECT_GT(countColour(image, image.rect(), kRed), 100);
    EXPECT_EQ(countColour(visible.image(), visible.image().rect(), kRed), 0);

    // A click on a ring finds its reflection there, not where the pattern page has it.
    const SpotRecord* ring = nullptr;
    for (const SpotRecord& s : spots) {
        if (std::abs(s.x) > 200 || std::abs(s.y) > 150) continue;
        bool alone = true;
        for (const SpotRecord& o : spots)
            if (const double d = std::hypot(o.x - s.x, o.y - s.y); d > 0.01 && d < 12) alone = false;
        if (alone) ring = &s;
    }
    ASSERT_NE(ring, nullptr);
    const double x = page.width() / 2.0 + ring->x, y = page.height() / 2.0 - ring->y;
    EXPECT_NE(renderer.findMouseHKL(1, x, y), "no spot");
    EXPECT_EQ(rgbAt(page.image(), static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))),
              0x00FF00u);
}

TEST_F(PhotoOverlayTest, ResettingThePlacementTurnsAntialiasingOff) {
    loadSilicon(QSize(600, 400));
    attachPhoto(QSize(90, 120));
    overlay(0);
    ASSERT_NE(laue.x_filmfac, 1.0f);
    laue.b_alias = true;
    renderer.movePhoto(999, 999, 999);
    EXPECT_FALSE(laue.b_alias);
    EXPECT_EQ(laue.x_filmfac, 1.0f);
    overlay(0);
    EXPECT_FLOAT_EQ(laue.x_filmfac, 400.0f / 120);
}

// ---- the example photograph ------------------------------------------------------------------

TEST_F(PhotoOverlayTest, RingsSitOnTheSpotsOfTheExamplePhotograph) {
    // Silicon with [111] on the beam in transmission, 30 mm from a 90 x 120 mm
    // film, beam in the middle of the film: what the example was taken with.
    QImage example(QString(LUMORA_TEST_DATA_DIR) + "/photo-Si-transmission-111-D30-film90x120.jpg");
    ASSERT_FALSE(example.isNull());
    loadSilicon(QSize(450, 600));
    laue.setOrientation(1, 1, 1, true);
    page.resize(QSize(450, 600));
    photo = example.convertToFormat(QImage::Format_RGB32);
    renderer.setGraphicsContext(&visible, nullptr, &back, &photo);
    laue.b_photo = true;
    // The photo shows 5 pixels per film millimetre here: zoom the pattern to match.
    laue.setZoom(static_cast<float>(5 * laue.x_fsd / laue.filmScale()));
    overlay(1);
    ASSERT_FLOAT_EQ(laue.x_filmfac, 0.5f);
    ASSERT_NEAR(pixelsPerMm(), 5, 1e-4);

    const auto brightness = [&](double x, double y) {  // photo pixels
        const int px = static_cast<int>(std::lround(x)), py = static_cast<int>(std::lround(y));
        return qGray(
            example.pixel(std::clamp(px, 0, example.width() - 1), std::clamp(py, 0, example.height() - 1)));
    };
    int onPhoto = 0, onSpot = 0;
    for (const SpotRecord& s : spots) {
        // Ring centre on the page, then in photo pixels.
        const double x = (page.width() / 2.0 + s.x) / 0.5;
        const double y = (page.height() / 2.0 - s.y) / 0.5;
        if (x < 10 || y < 10 || x > example.width() - 10 || y > example.height() - 10) continue;
        ++onPhoto;
        double around = 0;
        for (int i = 0; i < 8; ++i)
            around += brightness(x + 8 * std::cos(i * M_PI / 4), y + 8 * std::sin(i * M_PI / 4)) / 8.0;
        onSpot += brightness(x, y) > around + 25;
    }
    EXPECT_GT(onPhoto, 100);
    EXPECT_GE(onSpot, onPhoto * 95 / 100);
}
