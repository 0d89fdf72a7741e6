#include <gtest/gtest.h>

#include "RenderTestSupport.h"

using lumora::render::Surface;
using namespace rendertest;

TEST(Surface, OutsideOrEmptyShapesDrawNothingAndClipsHoldUntilCleared) {
    Surface s(QSize(40, 40));
    s.pixel(6.5, 32.5, kBlue);  // halves round to even: (6, 32)
    for (auto [x, y] : {std::pair{-1.0, 5.0}, {40.0, 5.0}, {5.0, 39.6}, {std::nan(""), 1.0}, {1e300, 1.0}})
        s.pixel(x, y, kRed);
    s.setFillColor(kRed);
    for (double r : {0.0, -3.0, std::nan("")}) s.circle(10, 10, r, kRed);
    s.disc(10, 10, 0, kRed);
    EXPECT_EQ(rgbAt(s.image(), 6, 32), kBlue);
    EXPECT_EQ(countOther(s.image(), s.image().rect(), kWhite), 1);
    s.clipRect(10, 10, 20, 20);
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

// The inset of the pattern relies on single pixels being clipped like every other primitive.
TEST(Surface, PixelsRespectTheEllipticClipAtEveryPixelRatio) {
    for (qreal dpr : {1.0, 2.0}) {
        Surface s(QSize(40, 40), dpr);
        s.clipEllipse(10, 10, 30, 30);  // centre (20, 20), radius 10
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) s.pixel(x, y, kRed);
        const QImage image = s.image();
        EXPECT_EQ(rgbAt(image, int(10 * dpr), int(20 * dpr)), kRed) << dpr;    // centre 10.5 lies inside
        EXPECT_EQ(rgbAt(image, int(11 * dpr), int(11 * dpr)), kWhite) << dpr;  // corner of the box
        EXPECT_NEAR(countColour(image, image.rect(), kRed) / (dpr * dpr), M_PI * 100, 12) << dpr;
    }
}

TEST(Surface, ResizingKeepsTheSamePictureCopiesStayApartAndDrawingIsInLogicalPixels) {
    Surface back(QSize(30, 30)), front(QSize(30, 30));
    back.setFillColor(kRed);
    back.circle(15, 15, 8, kRed);
    back.resize(QSize(30, 30));  // every frame resizes its buffers
    front.copyFrom(back);
    const QImage shown = front.image();
    EXPECT_EQ(rgbAt(shown, 15, 15), kRed);
    EXPECT_EQ(shown, back.image());
    const QImage earlier = back.image();
    back.pixel(3, 3, kBlue);  // the direct pixel path
    EXPECT_EQ(rgbAt(earlier, 3, 3), kWhite);
    EXPECT_EQ(front.image(), shown);  // the next frame reaches the front only when copied
    front.copyFrom(front);            // onto itself: nothing happens
    EXPECT_EQ(front.image(), shown);
    back.setBackColor(0x102030);
    back.resize(QSize(30, 30), 2.0);  // a new pixel ratio (or size) clears to the back colour
    EXPECT_EQ(back.width(), 30);
    EXPECT_EQ(back.image().size(), QSize(60, 60));
    back.pixel(5, 5, kRed);  // one logical pixel is 2 x 2
    EXPECT_EQ(countColour(back.image(), QRect(10, 10, 2, 2), kRed), 4);
    EXPECT_EQ(countOther(back.image(), back.image().rect(), 0x102030), 4);
    QImage device(200, 100, QImage::Format_RGB32);  // on another device the logical size spans it
    device.fill(Qt::white);
    Surface vector(&device, QSize(100, 50));
    EXPECT_TRUE(vector.image().isNull());
    vector.setFillColor(kRed);
    vector.circle(25, 25, 10, kRed);
    vector.finish();
    EXPECT_EQ(rgbAt(device, 50, 50), kRed);    // logical (25, 25)
    EXPECT_EQ(rgbAt(device, 50, 75), kWhite);  // logical (25, 37.5): outside the radius of 10
}
