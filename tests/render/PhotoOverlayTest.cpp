// The photo page: the photograph fitted with millimetre rulers, the spots as red rings.
#include <gtest/gtest.h>

#include <QLineF>
#include <tuple>
#include <vector>

#include "RenderTestSupport.h"

using namespace rendertest;

namespace {

constexpr uint32_t kPhoto = 0xC8B428;  // (200, 180, 40): no colour the overlay draws

class PhotoOverlayTest : public PatternFixture {
protected:
    void load(QSize size, QSize photoSize = {}, uint32_t colour = kPhoto) {
        loadSilicon(size);
        page.resize(size);
        if (photoSize.isEmpty()) return;
        photo = QImage(photoSize, QImage::Format_RGB32);
        photo.fill(QColor::fromRgb(colour));
        renderer.setGraphicsContext(&visible, nullptr, &back, &photo);
        options.showPhoto = true;
    }

    // Draws the page for a plot type; plot type 0 has no film and so no rings.
    const QImage& overlay(int16_t plotType) {
        laue.m_mode = plotType;
        renderer.drawHKLPHOTO(page, options);
        return page.image();
    }

    // Display pixels per photo pixel where the page has put the photo.
    double placedFit() const { return renderer.photoPlacement(page.size(), options).fit; }

    // Display pixels per film millimetre of the photo fitted into the page: it spans the film.
    double pixelsPerMm() const {
        const double fit =
            std::min(double(page.width()) / photo.width(), double(page.height()) / photo.height());
        return fit * (photo.width() / laue.getFilmWidth() + photo.height() / laue.getFilmHeight()) / 2;
    }

    QImage photo;
    lumora::render::Surface page{QSize(600, 400)};
};

}  // namespace

TEST_F(PhotoOverlayTest, PortraitAndLandscapePhotosFitThePage) {
    for (auto [photoSize, painted, factor] : {std::tuple{QSize(90, 120), QSize(300, 400), 400.0f / 120},
                                              {QSize(200, 100), QSize(600, 300), 3.0f}}) {
        load(QSize(600, 400), photoSize);
        const QImage& image = overlay(0);
        // Width and height of the painted photo (its own colour, or a blue ruler tick on it).
        const auto isPhoto = [&](int x, int y) {
            return rgbAt(image, x, y) == kPhoto || rgbAt(image, x, y) == kBlue;
        };
        int width = 0, height = 0;
        while (width < image.width() && isPhoto(width, image.height() / 3)) ++width;
        while (height < image.height() && isPhoto(image.width() / 5, height)) ++height;
        EXPECT_EQ(QSize(width, height), painted);
        EXPECT_FLOAT_EQ(placedFit(), factor);
    }
    options.showPhoto = false;  // switched off, the photo is not painted
    EXPECT_EQ(countColour(overlay(0), page.image().rect(), kPhoto), 0);
}

TEST_F(PhotoOverlayTest, RulersTickEveryMillimetreWithLongTicksEveryTen) {
    // A 100 x 125 mm film scanned at 10 pixels per mm, shown at half size: 5 pixels per mm.
    laue.setFilmSize(100, 125);
    load(QSize(500, 625), QSize(1000, 1250), 0xE6E6E6);
    const QImage& image = overlay(0);
    ASSERT_FLOAT_EQ(placedFit(), 0.5f);
    const auto expected = [](int mm) { return mm % 10 == 0 ? 10 : mm % 5 == 0 ? 5 : 2; };
    const auto blue = [&](int x, int y, int w, int h) { return countColour(image, {x, y, w, h}, kBlue); };
    for (int mm = 1; mm < 125; ++mm) {
        if (mm < 100) {
            EXPECT_EQ(blue(5 * mm, 0, 1, 12), expected(mm)) << mm;    // top edge
            EXPECT_EQ(blue(5 * mm, 613, 1, 12), expected(mm)) << mm;  // bottom edge
            EXPECT_EQ(blue(5 * mm + 2, 0, 1, 12), 0) << mm;           // nothing between
        }
        EXPECT_EQ(blue(0, 5 * mm, 12, 1), expected(mm)) << mm;    // left edge
        EXPECT_EQ(blue(488, 5 * mm, 12, 1), expected(mm)) << mm;  // right edge
    }
}
TEST_F(PhotoOverlayTest, BeamMarkRingsAndLabelsFollowThePhotoCentreAndTheFlags) {
    load(QSize(600, 450), QSize(900, 1200), kWhite);
    options.labelColour = kTealLabel;
    options.labelThreshold = 0;
    const auto beam = [&] {
        return QRect(int(std::lround(options.photoCentreX * pixelsPerMm())) - 3,
                     int(std::lround(options.photoCentreY * pixelsPerMm())) - 3, 7, 7);
    };
    EXPECT_GT(countColour(overlay(1), beam(), kBlue), 3);
    const std::vector<SpotRecord> before = spots;
    ASSERT_GT(before.size(), 20u);
    options.photoCentreX += 1;  // moving the centre 1 mm shifts every ring and the mark by that
    const QImage& image = overlay(1);
    EXPECT_GT(countColour(image, beam(), kBlue), 3);
    ASSERT_EQ(spots.size(), before.size());
    int found = 0;
    for (std::size_t i = 0; i < spots.size(); ++i) {
        EXPECT_NEAR(spots[i].x - before[i].x, pixelsPerMm(), 1e-3);
        EXPECT_EQ(spots[i].y, before[i].y);
        // The rings are red circles of radius 3, open in the middle, where they are recorded.
        const int x = int(std::lround(300 + spots[i].x)), y = int(std::lround(225 - spots[i].y));
        if (x < 5 || y < 5 || x > 595 || y > 445) continue;
        found += countColour(image, QRect(x + 2, y - 1, 3, 3), kRed) > 0 &&
                 countColour(image, QRect(x - 4, y - 1, 3, 3), kRed) > 0 && rgbAt(image, x, y) != kRed;
    }
    EXPECT_GT(found, 10);
    EXPECT_EQ(countIf(image, image.rect(), isLabelInk), 0);
    options.flags.hklIndices = true;
    EXPECT_GT(countIf(overlay(1), image.rect(), isLabelInk), 100);
    options.flags.spotColouring = true;  // coloured spots leave the beam unmarked
    EXPECT_EQ(countColour(overlay(1), beam(), kBlue), 0);
    laue.n_hkl = 0;  // without reflections the page stays as it is
    page.clear();
    const QImage empty = page.image().copy();
    EXPECT_EQ(overlay(1), empty);
}

// The user places the beam centre on the photo whatever the pattern shows.
TEST_F(PhotoOverlayTest, TheBeamCentreIsMarkedOnAFilmPhotoInEveryPlotType) {
    load(QSize(600, 450), QSize(900, 1200), kWhite);
    options.photoCentreX = 30;
    options.photoCentreY = 70;
    const QPoint centre(int(std::lround(30 * pixelsPerMm())), int(std::lround(70 * pixelsPerMm())));
    const QRect mark(centre - QPoint(3, 3), QSize(7, 7));
    for (int16_t type : {0, 1, 2, 3}) EXPECT_GT(countColour(overlay(type), mark, kBlue), 3) << type;
}

TEST_F(PhotoOverlayTest, PhotoSimulationDrawsThePageAndPicksItsRings) {
    load(QSize(600, 450), QSize(900, 1200), kWhite);
    renderer.setPictureBox(&page);
    renderer.setPhotoSimulation(true);
    frame(1);
    EXPECT_GT(countColour(page.image(), page.image().rect(), kRed), 100);
    EXPECT_EQ(countColour(visible.image(), visible.image().rect(), kRed), 0);
    // A click on a ring finds its reflection there, not where the pattern page has it.
    const SpotRecord& ring = isolatedSpot(12);
    const double x = 300 + ring.x, y = 225 - ring.y;
    EXPECT_NE(renderer.findMouseHKL(1, x, y), "no spot");
    EXPECT_EQ(rgbAt(page.image(), int(std::lround(x)), int(std::lround(y))), kGreen);
}

TEST_F(PhotoOverlayTest, RingsSitOnTheSpotsOfTheExamplePhotographAtZoomOneOnAnyPage) {
    // Silicon with [111] on the beam in transmission, 30 mm from a 90 x 120 mm
    // film, beam in the middle of the film: what the example was taken with.
    const QImage example(QString(LUMORA_TEST_DATA_DIR) + "/photo-Si-transmission-111-D30-film90x120.jpg");
    ASSERT_FALSE(example.isNull());
    const auto brightness = [&](double x, double y) {
        return grey(example, int(std::lround(x)), int(std::lround(y)));
    };
    // Ring centres in photo pixels, page by page; the first page's are the reference.
    std::vector<QPointF> reference;
    for (QSize size : {QSize(450, 600), QSize(1100, 640), QSize(300, 900), QSize(777, 777)}) {
        SCOPED_TRACE(size.width());
        load(size);
        laue.setOrientation(1, 1, 1, true);
        // The pattern page's film scale fitted to another picture (a tiled half) plays no part.
        fitNewList(QSize(size.width() / 2, size.height() / 3));
        photo = example.convertToFormat(QImage::Format_RGB32);
        renderer.setGraphicsContext(&visible, nullptr, &back, &photo);
        options.showPhoto = true;
        overlay(1);
        const double fit = std::min(size.width() / 900.0, size.height() / 1200.0);
        ASSERT_FLOAT_EQ(placedFit(), float(fit));
        std::vector<QPointF> rings;
        int onPhoto = 0, onSpot = 0;
        for (const SpotRecord& s : spots) {
            const double x = (size.width() / 2.0 + s.x) / fit, y = (size.height() / 2.0 - s.y) / fit;
            rings.emplace_back(x, y);
            // Recorded in photo pixels from the centre of the top left one.
            EXPECT_NEAR(s.photoX, x - 0.5, 1e-3);
            EXPECT_NEAR(s.photoY, y - 0.5, 1e-3);
            if (x < 10 || y < 10 || x > example.width() - 10 || y > example.height() - 10) continue;
            ++onPhoto;
            double around = 0;
            for (int i = 0; i < 8; ++i)
                around += brightness(x + 8 * std::cos(i * M_PI / 4), y + 8 * std::sin(i * M_PI / 4)) / 8.0;
            onSpot += brightness(x, y) > around + 25;
        }
        EXPECT_GT(onPhoto, 100);
        EXPECT_GE(onSpot, onPhoto * 95 / 100);
        if (reference.empty()) {
            reference = rings;
            continue;
        }
        ASSERT_EQ(rings.size(), reference.size());
        double worst = 0;
        for (std::size_t i = 0; i < rings.size(); ++i)
            worst = std::max(worst, QLineF(rings[i], reference[i]).length());
        EXPECT_LT(worst, 0.05);  // photo pixels
    }
}
