#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "RenderTestSupport.h"
#include "render/Surface.h"

using lumora::render::Surface;
using namespace rendertest;

TEST(Surface, PixelsRoundHalvesToEvenAndIgnoreWhatLiesOutside) {
    Surface s(QSize(10, 10));
    s.pixel(6.5, 2.5, kBlue);  // (6, 2)
    for (auto [x, y] : {std::pair{-1.0, 5.0}, {10.0, 5.0}, {5.0, 9.6}, {std::nan(""), 1.0}, {1e300, 1.0}})
        s.pixel(x, y, kRed);
    EXPECT_EQ(rgbAt(s.image(), 6, 2), kBlue);
    EXPECT_EQ(countOther(s.image(), s.image().rect(), kWhite), 1);
}

// The inset of the pattern relies on single pixels being clipped like every other primitive.
TEST(Surface, PixelsRespectTheEllipticClipAtEveryPixelRatio) {
    for (qreal dpr : {1.0, 2.0}) {
        Surface s(QSize(40, 40), dpr);
        s.clipEllipse(10, 10, 30, 30);  // centre (20, 20), radius 10
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) s.pixel(x, y, kRed);
        const QImage image = s.image();
        const auto at = [&](int x, int y) { return rgbAt(image, int(x * dpr), int(y * dpr)); };
        EXPECT_EQ(at(10, 20), kRed) << dpr;    // centre 10.5 lies inside
        EXPECT_EQ(at(30, 20), kWhite) << dpr;  // beyond the bounding box
        EXPECT_EQ(at(11, 11), kWhite) << dpr;  // corner of the box, outside the ellipse
        EXPECT_NEAR(countColour(image, image.rect(), kRed) / (dpr * dpr), M_PI * 100, 12) << dpr;
    }
}

TEST(Surface, RectangleClipUntilClearedAndClearFillsWithTheBackColour) {
    Surface s(QSize(40, 40));
    s.clipRect(10, 10, 20, 20);
    s.setFillColor(kRed);
    s.circle(20, 20, 15, kRed);
    s.line(0, 5, 39, 5, kBlue);
    EXPECT_EQ(countOther(s.image(), QRect(0, 0, 40, 10), kWhite), 0);
    EXPECT_EQ(countOther(s.image(), QRect(20, 0, 20, 40), kWhite), 0);  // the right edge is not part of it
    EXPECT_EQ(countColour(s.image(), QRect(10, 10, 10, 10), kRed), 100);
    s.clearClip();
    s.line(0, 5, 39, 5, kBlue);
    EXPECT_GT(countColour(s.image(), QRect(0, 4, 40, 3), kBlue), 30);
    s.clipEllipse(0, 0, 5, 5);
    s.setBackColor(0x102030);
    s.clear();  // also drops the clip
    s.pixel(39, 39, kRed);
    EXPECT_EQ(countColour(s.image(), s.image().rect(), 0x102030), 40 * 40 - 1);
}

TEST(Surface, CirclesFillOrOutlineAndEmptyRadiiDrawNothing) {
    Surface s(QSize(60, 30));
    s.setFillColor(kRed);
    for (double r : {0.0, -3.0, std::nan("")}) s.circle(10, 10, r, kRed);
    s.disc(10, 10, 0, kRed);
    EXPECT_EQ(countOther(s.image(), s.image().rect(), kWhite), 0);
    s.circle(15, 15, 10, kBlue);
    s.setFillStyle(Surface::FillStyle::Transparent);
    s.circle(45, 15, 10, kBlue);
    EXPECT_EQ(rgbAt(s.image(), 15, 15), kRed);
    EXPECT_EQ(rgbAt(s.image(), 15, 5), kBlue);  // the outline at the radius
    EXPECT_EQ(rgbAt(s.image(), 45, 15), kWhite);
    EXPECT_EQ(rgbAt(s.image(), 45, 25), kBlue);
}

TEST(Surface, TextHangsBelowAndRightOfItsPosition) {
    Surface s(QSize(200, 60));
    s.setFontSize(10);
    s.textAt(50, 20, "HKL 100");
    const QSizeF size = s.textSize("HKL 100");
    EXPECT_EQ(countOther(s.image(), QRect(0, 0, 200, 20), kWhite), 0);
    EXPECT_EQ(countOther(s.image(), QRect(0, 0, 50, 60), kWhite), 0);
    EXPECT_GT(countOther(s.image(), QRect(50, 20, int(size.width()) + 1, int(size.height())), kWhite), 20);
    EXPECT_GT(size.height(), 10);  // 10 points at 96 dpi
    EXPECT_LT(size.height(), 20);
}

TEST(Surface, CopiesAndPicturesStayIndependentOfLaterDrawing) {
    Surface back(QSize(30, 30)), front(QSize(30, 30));
    back.setFillColor(kRed);
    back.circle(15, 15, 8, kRed);
    front.copyFrom(back);
    const QImage shown = front.image();
    EXPECT_EQ(shown, back.image());
    const QImage earlier = back.image();
    back.pixel(3, 3, kBlue);  // the direct pixel path
    EXPECT_EQ(rgbAt(earlier, 3, 3), kWhite);
    EXPECT_EQ(front.image(), shown);  // the next frame reaches the front only when copied
    front.copyFrom(front);            // onto itself: nothing happens
    EXPECT_EQ(front.image(), shown);
}

TEST(Surface, DrawsInLogicalPixelsOnHiDpiImagesAndOtherDevices) {
    Surface s(QSize(20, 10), 2.0);
    EXPECT_EQ(s.width(), 20);
    EXPECT_EQ(s.image().size(), QSize(40, 20));
    s.pixel(5, 5, kRed);
    EXPECT_EQ(countColour(s.image(), s.image().rect(), kRed), 4);  // one logical pixel is 2 x 2
    EXPECT_EQ(rgbAt(s.image(), 10, 10), kRed);

    QImage device(200, 100, QImage::Format_RGB32);
    device.fill(Qt::white);
    {
        Surface vector(&device, QSize(100, 50));
        EXPECT_TRUE(vector.image().isNull());
        vector.setFillColor(kRed);
        vector.circle(25, 25, 10, kRed);
        vector.pixel(80, 10, kBlue);
        vector.finish();
    }
    EXPECT_EQ(rgbAt(device, 50, 50), kRed);    // logical (25, 25)
    EXPECT_EQ(rgbAt(device, 50, 75), kWhite);  // logical (25, 37.5): outside the radius of 10
    EXPECT_EQ(countColour(device, QRect(160, 20, 2, 2), kBlue), 4);
}
