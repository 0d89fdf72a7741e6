// The printed Wulff net, rendered to images and to a PDF page. Positions are
// checked against the stereographic projection of a sphere whose polar axis
// lies in the page, worked out here independently of the drawing.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QPdfWriter>
#include <QRegularExpression>
#include <cmath>

#include "RenderTestSupport.h"
#include "render/PatternRenderer.h"

using lumora::render::printWulffNet;
using namespace rendertest;

namespace {

QImage page(int width, int height, int dpi = 96) {
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    image.fill(Qt::white);
    printWulffNet(image);
    return image;
}

// Whether the net is dark at latitude and longitude (degrees) on a net of
// radius 570 about (700, 600); the north pole is at the top.
bool darkAt(const QImage& image, double latitude, double longitude) {
    const double phi = latitude * M_PI / 180, lambda = longitude * M_PI / 180;
    const double z = 1 + std::cos(phi) * std::cos(lambda);
    const double x = 700 + 570 * std::cos(phi) * std::sin(lambda) / z, y = 600 - 570 * std::sin(phi) / z;
    return grey(image, int(std::floor(x)), int(std::floor(y))) < 160;
}

// Dark runs met along a latitude between two longitudes, or along a longitude between two latitudes.
int runsAlong(const QImage& image, double fixed, double from, double to, bool alongLatitude = true) {
    std::vector<bool> hits;
    for (double v = from; v <= to; v += 0.01)
        hits.push_back(alongLatitude ? darkAt(image, fixed, v) : darkAt(image, v, fixed));
    return runs(hits);
}

}  // namespace

TEST(PrintedWulffNet, RadiusFollowsTheShorterSideAndTheTitleSitsTopLeft) {
    for (const QSize size : {QSize(1400, 1000), QSize(1000, 1400)}) {
        const QImage image = page(size.width(), size.height());
        const double cx = size.width() / 2.0, r = 0.95 * std::min(size.width(), size.height()) / 2;
        const int row = size.height() / 2 - 3;
        int left = -1, right = -1;
        for (int x = 0; x < size.width(); ++x)
            if (grey(image, x, row) < 160) right = x, left = left < 0 ? x : left;
        EXPECT_NEAR(left, cx - r, 2) << size.width();
        EXPECT_NEAR(right, cx + r, 2) << size.width();
        // Beyond the primitive circle the page stays blank (the clip removes the construction circles).
        EXPECT_EQ(countOther(image, QRect(0, row - 50, int(cx - r) - 3, 100), kWhite), 0) << size.width();
        EXPECT_GT(countOther(image, QRect(0, 0, 220, 45), kWhite), 100) << size.width();  // the title
    }
}

TEST(PrintedWulffNet, MeridiansAndParallelsEveryTwoDegreesThinnedNearThePoles) {
    const QImage image = page(1400, 1200);
    // Just above the equator: meridians at -88°, -86°, ..., 88°, the central one being the diameter.
    EXPECT_EQ(runsAlong(image, 1, -89, 89), 89);
    // Parallels every 2° (the equator being the diameter), short of the poles.
    EXPECT_EQ(runsAlong(image, 3, -79, 79, false), 79);
    // Within 10° of a pole only the 10° meridians, within 2° none but the diameter.
    EXPECT_EQ(runsAlong(image, 61, -25, 25), 25);
    EXPECT_EQ(runsAlong(image, 81, -25, 25), 5);
    EXPECT_EQ(runsAlong(image, -81, -25, 25), 5);
    EXPECT_EQ(runsAlong(image, 89, 30, 75), 0);
    EXPECT_TRUE(darkAt(image, 89, 0));
}

// A chart printed at 600 dpi has the same line weights as one at 150 dpi.
TEST(PrintedWulffNet, LineWeightsFollowTheResolution) {
    const auto rimInk = [](const QImage& image, double scale) {  // across the primitive circle half way up
        const double r = 0.95 * 112.5 * scale, x = 150 * scale + r * std::cos(M_PI / 6);
        const int y = static_cast<int>(112.5 * scale - r / 2);
        double ink = 0;
        for (int px = int(x - 6 * scale); px <= int(x + 6 * scale); ++px) ink += 255 - grey(image, px, y);
        return ink;
    };
    EXPECT_NEAR(rimInk(page(1200, 900, 600), 4) / rimInk(page(300, 225, 150), 1), 4, 0.6);
}

TEST(PrintedWulffNet, WritesALandscapePdfPageWithTheSerifTitle) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(600);
        printWulffNet(pdf);
    }
    ASSERT_TRUE(bytes.startsWith("%PDF"));
    const QString text = QString::fromLatin1(bytes);
    const auto box = QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])").match(text);
    ASSERT_TRUE(box.hasMatch());
    EXPECT_GT(box.captured(1).toDouble(), box.captured(2).toDouble());
    EXPECT_EQ(text.count(QRegularExpression(R"(/Type /Page[\s])")), 1);
    // The only text on the page is the title, in a bold italic serif face.
    EXPECT_TRUE(QRegularExpression(R"(/BaseFont /[^\s/]*(Serif|Times)[^\s/]*Bold[^\s/]*Italic)")
                    .match(text)
                    .hasMatch());
}
