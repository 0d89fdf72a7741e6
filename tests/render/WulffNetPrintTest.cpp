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

struct Net {
    double cx, cy, r;

    // Pixel of latitude and longitude (degrees) on the net; the north pole is at the top.
    QPointF at(double latitude, double longitude) const {
        const double phi = latitude * M_PI / 180, lambda = longitude * M_PI / 180;
        const double x = std::cos(phi) * std::sin(lambda);
        const double y = std::sin(phi);
        const double z = std::cos(phi) * std::cos(lambda);
        return {cx + r * x / (1 + z), cy - r * y / (1 + z)};
    }
};

bool dark(const QImage& image, QPointF p) {
    return grey(image, static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))) < 160;
}

// Dark runs met along a latitude between two longitudes.
int runsAlongLatitude(const QImage& image, const Net& net, double latitude, double from, double to) {
    std::vector<bool> hits;
    for (double lon = from; lon <= to; lon += 0.01) hits.push_back(dark(image, net.at(latitude, lon)));
    return runs(hits);
}

// Darkness summed over a horizontal stretch of pixels.
double inkAcross(const QImage& image, int y, int x1, int x2) {
    double ink = 0;
    for (int x = x1; x <= x2; ++x) ink += 255 - grey(image, x, y);
    return ink;
}

}  // namespace

TEST(PrintedWulffNet, TitleSitsInTheTopLeftCorner) {
    const QImage image = page(1400, 1200);
    EXPECT_GT(countOther(image, QRect(0, 0, 220, 45), 0xFFFFFF), 100);
    // Nothing else in the corners around it.
    EXPECT_EQ(countOther(image, QRect(0, 60, 120, 200), 0xFFFFFF), 0);
    EXPECT_EQ(countOther(image, QRect(1250, 0, 150, 150), 0xFFFFFF), 0);
}

TEST(PrintedWulffNet, RadiusFollowsTheShorterSideOfThePage) {
    struct Case {
        int width, height;
    };
    for (const Case c : {Case{1400, 1000}, Case{1000, 1400}}) {
        const QImage image = page(c.width, c.height);
        const double cx = c.width / 2.0, cy = c.height / 2.0;
        const double r = 0.95 * std::min(c.width, c.height) / 2;
        const int row = static_cast<int>(cy) - 3;
        int left = -1, right = -1;
        for (int x = 0; x < c.width; ++x)
            if (grey(image, x, row) < 160) {
                if (left < 0) left = x;
                right = x;
            }
        EXPECT_NEAR(left, cx - r, 2) << c.width << "x" << c.height;
        EXPECT_NEAR(right, cx + r, 2) << c.width << "x" << c.height;
        // Beyond the primitive circle the page stays blank (the clip removes the construction circles).
        EXPECT_EQ(countOther(image, QRect(0, static_cast<int>(cy) - 50, static_cast<int>(cx - r) - 3, 100),
                             0xFFFFFF),
                  0);
    }
}

TEST(PrintedWulffNet, MeridiansEveryTwoDegreesWithHeavierTenDegreeLines) {
    const QImage image = page(1400, 1200);
    const Net net{700, 600, 570};
    // Just above the equator: meridians at -88°, -86°, ..., 88°, the central one being the diameter.
    EXPECT_EQ(runsAlongLatitude(image, net, 1, -89, 89), 89);
    // Parallels every 2° (the equator being the diameter) between two meridians,
    // short of the poles where all meridians meet.
    std::vector<bool> hits;
    for (double lat = -79; lat <= 79; lat += 0.01) hits.push_back(dark(image, net.at(lat, 3)));
    EXPECT_EQ(runs(hits), 79);

    // The 10° meridian is drawn with twice the pen of the 12° one.
    auto crossing = [&](double lon) {
        const QPointF p = net.at(1, lon);
        return inkAcross(image, static_cast<int>(p.y()), static_cast<int>(p.x()) - 4,
                         static_cast<int>(p.x()) + 4);
    };
    EXPECT_GT(crossing(10) / crossing(12), 1.6);
    EXPECT_GT(crossing(-30) / crossing(-28), 1.6);
}

TEST(PrintedWulffNet, PolarCapsAndPoleDotsBlankTheCrowdedMeridians) {
    const QImage image = page(1400, 1200);
    const Net net{700, 600, 570};
    // Outside the caps every 2° meridian is there ...
    EXPECT_EQ(runsAlongLatitude(image, net, 61, -25, 25), 25);
    // ... within 10° of the pole only the 10° meridians ...
    EXPECT_EQ(runsAlongLatitude(image, net, 81, -25, 25), 5);
    EXPECT_EQ(runsAlongLatitude(image, net, -81, -25, 25), 5);
    EXPECT_EQ(runsAlongLatitude(image, net, 85, 5, 75), 7);
    // ... and within 2° of the pole none but the diameter.
    for (double lon = 30; lon <= 75; lon += 0.5) {
        EXPECT_FALSE(dark(image, net.at(89, lon))) << lon;
        EXPECT_FALSE(dark(image, net.at(89, -lon))) << lon;
        EXPECT_FALSE(dark(image, net.at(-89, lon))) << lon;
    }
    EXPECT_TRUE(dark(image, net.at(89, 0)));
}

// A chart printed at 600 dpi has the same line weights as one at 150 dpi.
TEST(PrintedWulffNet, LineWeightsFollowTheResolution) {
    const QImage coarse = page(300, 225, 150);
    const QImage fine = page(1200, 900, 600);
    // Across the primitive circle half way up.
    const auto rim = [](const QImage& image, double scale) {
        const double cx = 150 * scale, cy = 112.5 * scale, r = 0.95 * 112.5 * scale;
        const double x = cx + r * std::cos(M_PI / 6);
        const int y = static_cast<int>(cy - r / 2);
        return inkAcross(image, y, static_cast<int>(x - 6 * scale), static_cast<int>(x + 6 * scale));
    };
    EXPECT_NEAR(rim(fine, 4) / rim(coarse, 1), 4, 0.6);
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
    EXPECT_EQ(text.count("/Type /Page\n") + text.count("/Type /Page\r") + text.count("/Type /Page "), 1);
    // The only text on the page is the title, in a bold italic serif face.
    EXPECT_TRUE(QRegularExpression(R"(/BaseFont /[^\s/]*(Serif|Times)[^\s/]*Bold[^\s/]*Italic)")
                    .match(text)
                    .hasMatch());
}
