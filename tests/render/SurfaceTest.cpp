#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "RenderTestSupport.h"
#include "render/Surface.h"

using lumora::render::Surface;
using namespace rendertest;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;

}  // namespace

// ---- pixels and clips ------------------------------------------------------------

TEST(SurfacePixel, SetsExactlyThePixelAndRoundsHalvesToEven) {
    Surface s(QSize(10, 10));
    s.pixel(3, 4, kRed);
    s.pixel(6.5, 2.5, kBlue);  // halves go to the even neighbour: (6, 2)
    const QImage& image = s.image();
    EXPECT_EQ(rgbAt(image, 3, 4), kRed);
    EXPECT_EQ(rgbAt(image, 6, 2), kBlue);
    EXPECT_EQ(countOther(image, image.rect(), kWhite), 2);
}

TEST(SurfacePixel, OutsideTheSurfaceOrNotANumberIsIgnored) {
    Surface s(QSize(10, 10));
    for (auto [x, y] :
         {std::pair{-1.0, 5.0}, {10.0, 5.0}, {5.0, -0.6}, {5.0, 9.6}, {std::nan(""), 1.0}, {1e300, 1.0}})
        s.pixel(x, y, kRed);
    EXPECT_EQ(countOther(s.image(), QRect(0, 0, 10, 10), kWhite), 0);
}

// The inset of the pattern relies on single pixels being clipped like every other primitive.
TEST(SurfacePixel, RespectsTheEllipticClipAtEveryPixelRatio) {
    for (qreal dpr : {1.0, 2.0}) {
        Surface s(QSize(40, 40), dpr);
        s.clipEllipse(10, 10, 30, 30);  // centre (20, 20), radius 10
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) s.pixel(x, y, kRed);
        const QImage image = s.image();
        auto logical = [&](int x, int y) {
            return rgbAt(image, static_cast<int>(x * dpr), static_cast<int>(y * dpr));
        };
        EXPECT_EQ(logical(20, 20), kRed) << dpr;
        EXPECT_EQ(logical(10, 20), kRed) << dpr;    // centre 10.5 lies inside
        EXPECT_EQ(logical(29, 20), kRed) << dpr;    // centre 29.5 too
        EXPECT_EQ(logical(30, 20), kWhite) << dpr;  // beyond the bounding box
        EXPECT_EQ(logical(11, 11), kWhite) << dpr;  // corner of the box, outside the ellipse
        EXPECT_EQ(logical(27, 27), kWhite) << dpr;
        EXPECT_EQ(logical(26, 26), kRed) << dpr;
        EXPECT_EQ(logical(20, 9), kWhite) << dpr;
        // Roughly the area of the disc, never the whole box.
        const int inside = countColour(image, image.rect(), kRed);
        EXPECT_NEAR(inside / (dpr * dpr), M_PI * 100, 12) << dpr;
    }
}

TEST(SurfaceClip, RectangleKeepsDrawingInsideAndClearClipLiftsIt) {
    Surface s(QSize(40, 40));
    s.clipRect(10, 10, 20, 20);
    s.setFillColor(kRed);
    s.circle(20, 20, 15, kRed);
    s.line(0, 5, 39, 5, kBlue);
    s.pixel(25, 15, kGreen);
    const QImage clipped = s.image();
    EXPECT_EQ(countOther(clipped, QRect(0, 0, 40, 10), kWhite), 0);
    EXPECT_EQ(countOther(clipped, QRect(20, 0, 20, 40), kWhite), 0);  // the right edge is not part of it
    EXPECT_EQ(countColour(clipped, QRect(10, 10, 10, 10), kRed), 100);

    s.clearClip();
    s.line(0, 5, 39, 5, kBlue);
    s.pixel(25, 15, kGreen);
    const QImage& free = s.image();
    EXPECT_EQ(rgbAt(free, 25, 15), kGreen);
    EXPECT_GT(countColour(free, QRect(0, 4, 40, 3), kBlue), 30);
}

TEST(SurfaceClip, ClearFillsEverythingWithTheBackColourAndDropsTheClip) {
    Surface s(QSize(20, 20));
    s.clipEllipse(0, 0, 5, 5);
    s.setBackColor(0x102030);
    s.clear();
    s.pixel(19, 19, kRed);
    const QImage& image = s.image();
    EXPECT_EQ(countColour(image, image.rect(), 0x102030), 399);
    EXPECT_EQ(rgbAt(image, 19, 19), kRed);
}

// ---- circles, discs and fill styles ------------------------------------------------

TEST(SurfaceCircle, RadiusZeroDrawsNothing) {
    Surface s(QSize(20, 20));
    s.setFillColor(kRed);
    s.circle(10, 10, 0, kRed);
    s.circle(10, 10, -3, kRed);
    s.disc(10, 10, 0, kRed);
    s.circle(10, 10, std::nan(""), kRed);
    EXPECT_EQ(countOther(s.image(), QRect(0, 0, 20, 20), kWhite), 0);
}

TEST(SurfaceCircle, SolidFillFillsAndTransparentOnlyOutlines) {
    Surface s(QSize(60, 30));
    s.setFillColor(kRed);
    s.setFillStyle(Surface::FillStyle::Solid);
    s.circle(15, 15, 10, kBlue);
    s.setFillStyle(Surface::FillStyle::Transparent);
    s.circle(45, 15, 10, kBlue);
    const QImage& image = s.image();
    EXPECT_EQ(rgbAt(image, 15, 15), kRed);
    EXPECT_EQ(rgbAt(image, 15, 5), kBlue);  // the outline at the radius
    EXPECT_EQ(rgbAt(image, 45, 15), kWhite);
    EXPECT_EQ(rgbAt(image, 45, 5), kBlue);
    EXPECT_EQ(rgbAt(image, 45, 25), kBlue);
    EXPECT_EQ(countColour(image, QRect(30, 0, 30, 30), kRed), 0);
}

TEST(SurfaceCircle, AntiAliasedDiscKeepsRadiusColoursAndBlendsItsEdge) {
    Surface s(QSize(40, 40));
    s.setFillColor(kRed);
    s.disc(20, 20, 10, kBlue);
    const QImage& image = s.image();
    EXPECT_EQ(rgbAt(image, 20, 20), kRed);
    // Nothing beyond the radius plus the blended edge.
    EXPECT_EQ(countOther(image, QRect(0, 0, 40, 8), kWhite), 0);
    EXPECT_EQ(countOther(image, QRect(32, 0, 8, 40), kWhite), 0);
    // The edge has colours between the outline and the background.
    bool blended = false;
    for (int x = 28; x <= 31; ++x) {
        const QColor c = QColor::fromRgb(image.pixel(x, 14));
        blended |= c.blue() > 0 && c.red() > 0 && c.red() < 255;
    }
    EXPECT_TRUE(blended);

    Surface hollow(QSize(40, 40));
    hollow.setFillStyle(Surface::FillStyle::Transparent);
    hollow.disc(20, 20, 10, kBlue);
    EXPECT_EQ(rgbAt(hollow.image(), 20, 20), kWhite);
}

// ---- lines and text ---------------------------------------------------------------------

TEST(SurfaceLine, DottedLinesHaveGapsAndSolidOnesNone) {
    Surface s(QSize(60, 20));
    s.line(0, 5, 59, 5, kBlue);
    s.setDrawStyle(Surface::DrawStyle::Dotted);
    s.line(0, 15, 59, 15, kBlue);
    const QImage& image = s.image();
    const int solid = countColour(image, QRect(5, 4, 50, 3), kBlue);
    const int dotted = countColour(image, QRect(5, 14, 50, 3), kBlue);
    EXPECT_GE(solid, 50);
    EXPECT_GT(dotted, 8);
    EXPECT_LT(dotted, 35);
}

TEST(SurfaceText, TextHangsBelowAndRightOfItsPosition) {
    Surface s(QSize(200, 60));
    s.setForeColor(kRed);
    s.setFontSize(10);
    s.textAt(50, 20, "HKL 100");
    const QSizeF size = s.textSize("HKL 100");
    const QImage& image = s.image();
    EXPECT_EQ(countOther(image, QRect(0, 0, 200, 20), kWhite), 0);  // nothing above the position
    EXPECT_EQ(countOther(image, QRect(0, 0, 50, 60), kWhite), 0);   // nothing left of it
    EXPECT_GT(
        countOther(image, QRect(50, 20, static_cast<int>(size.width()) + 1, static_cast<int>(size.height())),
                   kWhite),
        20);
    // 10 points at 96 dpi: capitals about 10 pixels tall.
    EXPECT_GT(size.height(), 10);
    EXPECT_LT(size.height(), 20);
}

TEST(SurfaceText, PrintStartsTheNextLineBelow) {
    Surface s(QSize(200, 80));
    s.setFontSize(10);
    s.setCurrentPosition(10, 5);
    s.print("AAAA");
    const double next = s.currentY();
    EXPECT_EQ(s.currentX(), 0);
    EXPECT_GT(next, 5 + 10);
    s.setCurrentPosition(10, next);
    s.print("BBBB");
    const QImage& image = s.image();
    auto inkInRows = [&](int top, int bottom) {
        return countOther(image, QRect(0, top, 200, bottom - top), kWhite);
    };
    EXPECT_GT(inkInRows(5, static_cast<int>(next)), 10);
    EXPECT_GT(inkInRows(static_cast<int>(next), 80), 10);
}

// ---- copying and the pictures handed out ---------------------------------------------------

TEST(SurfaceCopy, CopyFromTakesTheWholePictureAndStaysIndependent) {
    Surface back(QSize(30, 30));
    Surface front(QSize(30, 30));
    front.setBackColor(kGreen);
    front.clear();
    back.setFillColor(kRed);
    back.circle(15, 15, 8, kRed);
    back.pixel(0, 29, kBlue);

    front.copyFrom(back);
    const QImage shown = front.image();
    EXPECT_EQ(shown, back.image());
    EXPECT_EQ(countColour(shown, shown.rect(), kGreen), 0);

    // The next frame on the back buffer does not reach the front until it is copied.
    back.clear();
    back.pixel(1, 1, kBlue);
    EXPECT_EQ(front.image(), shown);
    EXPECT_EQ(rgbAt(back.image(), 15, 15), kWhite);

    front.copyFrom(front);  // onto itself: nothing happens
    EXPECT_EQ(front.image(), shown);
}

TEST(SurfaceCopy, APictureTakenEarlierDoesNotChangeWithLaterDrawing) {
    Surface s(QSize(10, 10));
    s.pixel(2, 2, kRed);
    const QImage before = s.image();
    s.pixel(3, 3, kBlue);  // the direct pixel path
    s.line(0, 8, 9, 8, kBlue);
    EXPECT_EQ(rgbAt(before, 3, 3), kWhite);
    EXPECT_EQ(countOther(before, before.rect(), kWhite), 1);
    EXPECT_EQ(rgbAt(s.image(), 3, 3), kBlue);
}

TEST(SurfaceHiDpi, DrawsInLogicalPixelsAtTheDevicePixelRatio) {
    Surface s(QSize(20, 10), 2.0);
    EXPECT_EQ(s.width(), 20);
    const QImage& image = s.image();
    EXPECT_EQ(image.width(), 40);
    EXPECT_EQ(image.height(), 20);
    s.pixel(5, 5, kRed);
    s.setFillColor(kBlue);
    s.circle(15, 5, 3, kBlue);
    const QImage& drawn = s.image();
    EXPECT_EQ(countColour(drawn, drawn.rect(), kRed), 4);  // one logical pixel is 2 x 2
    EXPECT_EQ(rgbAt(drawn, 10, 10), kRed);
    EXPECT_EQ(rgbAt(drawn, 30, 10), kBlue);
}

// Vector output: the logical picture fills the device at its own resolution.
TEST(SurfaceDevice, ExternalDeviceIsScaledToTheLogicalSize) {
    QImage device(200, 100, QImage::Format_RGB32);
    device.fill(Qt::white);
    {
        Surface s(&device, QSize(100, 50));
        EXPECT_FALSE(s.isImage());
        EXPECT_TRUE(s.image().isNull());
        s.setFillColor(kRed);
        s.circle(25, 25, 10, kRed);
        s.pixel(80, 10, kBlue);
        s.finish();
    }
    EXPECT_EQ(rgbAt(device, 50, 50), kRed);    // logical (25, 25)
    EXPECT_EQ(rgbAt(device, 50, 75), kWhite);  // logical (25, 37.5): outside the radius of 10
    EXPECT_EQ(countColour(device, QRect(160, 20, 2, 2), kBlue), 4);
}

TEST(SurfaceDevice, TextKeepsItsSizeRelativeToTheDrawing) {
    Surface plain(QSize(100, 50));
    plain.setFontSize(12);
    const double onImage = plain.textSize("Wulff").height();

    QImage device(300, 150, QImage::Format_RGB32);
    device.setDotsPerMeterX(11811);  // 300 dpi
    device.setDotsPerMeterY(11811);
    Surface scaled(&device, QSize(100, 50));
    scaled.setFontSize(12);
    EXPECT_NEAR(scaled.textSize("Wulff").height(), onImage, 1.0);
    scaled.finish();
}
