// What is drawn reads on either background: the film caption, the labels and
// the coloured spots on black, the Wulff monitor whole inside the picture,
// and labels only where they fit whole.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderTestSupport.h"

using namespace rendertest;

namespace {

// Contrast ratio against black of the sRGB colour (WCAG 2).
double contrastOnBlack(QColor c) {
    const auto linear = [](int byte) {
        const double v = byte / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double l = 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
    return (l + 0.05) / 0.05;
}

// The highest contrast of the pixels in `area` that pass `pred`; 0 without any.
double bestContrast(const QImage& image, const QRect& area, const std::function<bool(QColor)>& pred) {
    double best = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = QColor::fromRgb(image.pixel(x, y));
            if (pred(c)) best = std::max(best, contrastOnBlack(c));
        }
    return best;
}

bool bluish(QColor c) { return c.blue() > c.red() + 40 && c.blue() > c.green() + 40; }
bool reddish(QColor c) { return c.red() > c.green() + 40 && c.red() > c.blue() + 40; }

class LegibilityTest : public PatternFixture {};

TEST_F(LegibilityTest, CaptionLabelsAndColouredSpotsReadOnBlackAndKeepTheirColoursOnWhite) {
    constexpr double kReadable = 7;  // small text and thin lines on black
    // Pure blue and the label colour are what the drawing uses on white.
    ASSERT_LT(contrastOnBlack(QColor(0, 0, 255)), 3);
    options.labelColour = 0x800000;  // dark red (128, 0, 0)
    options.palette = lumora::engine::spotPalette(true);
    options.flags.spotColouring = options.flags.filmOutline = options.flags.hklIndices = true;
    loadSilicon(QSize(600, 450));
    options.zoom = 0.6f;
    options.labelThreshold = 0.3f;

    for (const bool black : {false, true}) {
        SCOPED_TRACE(black ? "black" : "white");
        options.flags.blackBackground = black;
        // The caption above the film and the film outline are blue; the labels red.
        const QImage film = frame(1).copy();
        const QRect caption(0, 0, 600,
                            int(cy() - laue.getFilmHeight() / 2 / laue.x_fsd * options.filmScale * 0.6));
        ASSERT_GT(caption.height(), 15);
        const double weakest = [&] {
            double w = 99;
            for (const SpotRecord& s : spots) w = std::min(w, contrastOnBlack(QColor::fromRgb(s.colour)));
            return w;
        }();
        const QImage lattice = frame(0).copy();
        options.flags.zerothLayer = true;
        const QImage layer = frame(0).copy();
        options.flags.zerothLayer = false;
        if (black) {
            EXPECT_GE(bestContrast(film, caption, bluish), kReadable);
            EXPECT_GE(bestContrast(film, film.rect(), reddish), kReadable);
            EXPECT_GE(bestContrast(lattice, lattice.rect(), reddish), kReadable);
            EXPECT_GE(bestContrast(layer, layer.rect(), reddish), kReadable);
            EXPECT_GE(weakest, kReadable);
        } else {
            // On white the colours stay as they are: pure blue, the label colour, the full hue wheel.
            // Label text is anti-aliased: its cores come within a few levels of the label colour.
            const auto labelCore = [](QColor c) {
                return std::abs(c.red() - 128) <= 8 && c.green() <= 8 && c.blue() <= 8;
            };
            EXPECT_GT(countIf(film, caption, [](QColor c) { return c.blue() == 255 && c != Qt::white; }), 30);
            EXPECT_GT(countIf(film, film.rect(), labelCore), 30);
            EXPECT_GT(countIf(lattice, lattice.rect(), labelCore), 30);
            EXPECT_LT(weakest, 3);
        }
    }
}

TEST_F(LegibilityTest, TheWulffMonitorStaysWholeInsideThePictureOfAnySize) {
    for (QSize size : {QSize(500, 300), QSize(200, 150), QSize(110, 300), QSize(60, 48)}) {
        SCOPED_TRACE(size.width());
        loadSilicon(size);
        options.flags.wulffMonitor = false;
        const QImage without = frame(1).copy();
        options.flags.wulffMonitor = true;
        const QImage with = frame(1).copy();
        // The inset's footprint: every pixel it changed.
        QRect footprint;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                if (with.pixel(x, y) != without.pixel(x, y)) footprint |= QRect(x, y, 1, 1);
        ASSERT_FALSE(footprint.isEmpty());
        // A whole disc: as wide as high, off every edge, at the top right.
        EXPECT_NEAR(footprint.width(), footprint.height(), 2);
        EXPECT_GE(footprint.left(), 1);
        EXPECT_GE(footprint.top(), 1);
        EXPECT_LE(footprint.right(), size.width() - 2);
        EXPECT_LE(footprint.bottom(), size.height() - 2);
        EXPECT_GE(footprint.right(), size.width() - 6);
    }
    // Too small a picture for a legible inset has none.
    loadSilicon(QSize(60, 47));
    options.flags.wulffMonitor = false;
    const QImage without = frame(1).copy();
    options.flags.wulffMonitor = true;
    EXPECT_EQ(frame(1), without);
}

TEST_F(LegibilityTest, LabelsAppearOnlyWholeInsideThePictureAndClearOfTheInset) {
    options.labelColour = kTealLabel;
    options.flags.hklIndices = true;
    loadSilicon(QSize(400, 300));
    options.labelThreshold = 0;
    for (const float zoom : {0.5f, 1.5f, 3.0f}) {
        for (const int16_t type : {int16_t(0), int16_t(1), int16_t(3)}) {
            SCOPED_TRACE(zoom * 10 + type);
            options.zoom = zoom;
            options.flags.wulffMonitor = false;
            const QImage& image = frame(type);
            ASSERT_GT(countIf(image, image.rect(), isLabelInk), 50);
            // No fragment at an edge: a label reaching the edge is not drawn at all.
            for (const QRect edge :
                 {QRect(0, 0, 1, 300), QRect(399, 0, 1, 300), QRect(0, 0, 400, 1), QRect(0, 299, 400, 1)})
                EXPECT_EQ(countIf(image, edge, isLabelInk), 0);
            if (type == 3) continue;  // the stereogram has no inset
            options.flags.wulffMonitor = true;
            const QImage& inset = frame(type);
            // The inset (radius 68, 4 pixels off the top right) and its margin keep clear of labels.
            EXPECT_EQ(countIf(inset, QRect(400 - 144, 0, 144, 144), isLabelInk), 0);
        }
    }
}

}  // namespace
