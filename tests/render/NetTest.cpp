// The net disc of the stereogram and the Wulff monitor, and the printed Wulff net checked
// against the stereographic projection of a sphere with its polar axis in the page.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include "RenderTestSupport.h"

using lumora::render::printWulffNet;
using namespace rendertest;

namespace {

constexpr uint32_t kDisc = 0xDEDEDE;         // (222, 222, 222)
constexpr uint32_t kDiscOnBlack = 0x5B5B6F;  // (91, 91, 111)
constexpr uint32_t kDotOnBlack = 0x373737;   // (55, 55, 55)
constexpr double kCx = 210, kCy = 210, kR = 200;

class NetTest : public ::testing::Test {
protected:
    // The drawing primitives use the options of the renderer's last frame: a
    // small cubic list lets it draw one.
    void SetUp() override {
        laue.SGTAB_find("P M 3 M");
        laue.GenerateHKL();
        ASSERT_GT(laue.n_hkl, 0);
        renderer.setGraphicsContext(&frameSurface, nullptr, nullptr, nullptr);
    }

    // A net of radius 200 on a 420 x 420 surface in the background colour of the flags.
    const QImage& drawNet(double radius = kR) {
        laue.m_mode = lumora::kStereogramPlot;
        renderer.drawHKL(options);
        surface.setBackColor(options.flags.blackBackground ? kBlack : kWhite);
        surface.clear();
        renderer.drawNet(surface, kCx, kCy, radius);
        return surface.image();
    }

    // `colour` here, right, below or diagonally: a path cannot slip through a 1-pixel staircase.
    static std::function<bool(int, int)> near(const QImage& image, uint32_t colour) {
        return [&image, colour](int x, int y) {
            return rgbAt(image, x, y) == colour || rgbAt(image, x + 1, y) == colour ||
                   rgbAt(image, x, y + 1) == colour || rgbAt(image, x + 1, y + 1) == colour;
        };
    }

    lumora::render::RenderOptions options;
    lumora::clLAUE laue;
    lumora::render::PatternRenderer renderer{laue};
    lumora::render::Surface frameSurface{QSize(40, 40)};
    lumora::render::Surface surface{QSize(420, 420)};
};

QImage printedPage(int width, int height, int dpi = 96) {
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    image.fill(Qt::white);
    printWulffNet(image);
    return image;
}

// Whether the net of radius 570 about (700, 600), north up, is dark at latitude, longitude (°).
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

TEST_F(NetTest, PlainNetIsADiscWithCentreDotAndRimInTheColoursOfTheFlags) {
    const QImage& image = drawNet();
    EXPECT_EQ(rgbAt(image, 210, 210), kWhite);  // the centre dot
    EXPECT_EQ(rgbAt(image, 210, 10), kBlack);   // the rim at R
    EXPECT_EQ(rgbAt(image, 415, 210), kWhite);  // outside
    // Inside the rim only the disc and the dot.
    EXPECT_EQ(countOther(image, QRect(80, 80, 261, 261), kDisc),
              countOther(image, QRect(200, 200, 21, 21), kDisc));
    // Disc and rim with spot colouring (outline only) and on black.
    for (auto [black, colouring, disc, rim] :
         {std::tuple{false, true, kWhite, kBlack}, std::tuple{true, false, kDiscOnBlack, kDisc}}) {
        options.flags.blackBackground = black;
        options.flags.spotColouring = colouring;
        EXPECT_EQ(rgbAt(drawNet(), 310, 210), disc) << black;
        EXPECT_EQ(rgbAt(surface.image(), 410, 210), rim) << black;
    }
    // Radius 0, even with the polar net, draws only the dot (dark grey on black, so it can be seen).
    options.flags.polarNet = true;
    const QImage& dotOnly = drawNet(0);
    const QRect dot(205, 205, 11, 11);
    EXPECT_GT(countColour(dotOnly, dot, kDotOnBlack), 4);
    EXPECT_EQ(countOther(dotOnly, dotOnly.rect(), kBlack), countColour(dotOnly, dot, kDotOnBlack));
}

TEST_F(NetTest, PolarNetHasEightCirclesAndThirtyTwoRadialSegmentsPlusTheDiameters) {
    options.flags.polarNet = true;
    const QImage& image = drawNet();
    const auto line = near(image, kWhite);  // the net lines are white on the grey disc
    // The eight small circles, 10° to 80°, at R tan(phi / 2), met along a ray between two radial lines.
    const auto onRay = [&](double r) {
        return line(int(std::lround(kCx + r * std::cos(M_PI / 36))),
                    int(std::lround(kCy + r * std::sin(M_PI / 36))));
    };
    std::vector<bool> hits;
    for (double r = 12; r <= kR - 4; r += 0.5) hits.push_back(onRay(r));
    EXPECT_EQ(runs(hits), 8);
    for (int phi = 10; phi <= 80; phi += 10) EXPECT_TRUE(onRay(kR * std::tan(phi * M_PI / 360))) << phi;
    // Between the 70° and 80° circles every 10° has a line: 32 segments and the two diameters;
    // inside the 10° circle only the diameters run on to the centre.
    EXPECT_EQ(
        runsAroundCircle(kCx, kCy, kR * (std::tan(35 * M_PI / 180) + std::tan(40 * M_PI / 180)) / 2, line),
        36);
    EXPECT_EQ(runsAroundCircle(kCx, kCy, 10, line), 4);
    EXPECT_EQ(rgbAt(image, 210, 409), kWhite);  // the vertical diameter reaches the rim
    // Outline-only disc on black: dark grey lines, light rim.
    options.flags.blackBackground = options.flags.spotColouring = true;
    EXPECT_EQ(runsAroundCircle(kCx, kCy, 150, near(drawNet(), kDotOnBlack)), 36);
    EXPECT_EQ(rgbAt(surface.image(), 410, 210), kDisc);
}

TEST(PrintedWulffNet, RadiusFollowsTheShorterSideAndTheTitleSitsTopLeft) {
    for (const QSize size : {QSize(1400, 1000), QSize(1000, 1400)}) {
        const QImage image = printedPage(size.width(), size.height());
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
    const QImage image = printedPage(1400, 1200);
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
    EXPECT_NEAR(rimInk(printedPage(1200, 900, 600), 4) / rimInk(printedPage(300, 225, 150), 1), 4, 0.6);
}

// The title face is judged by what it is, not by its name: fontconfig names the
// same request differently on machines with other font packages.
TEST(PrintedWulffNet, TitleIsABoldItalicSerifFace) {
    const QFont font = lumora::render::wulffNetTitleFont();
    const QFontInfo info(font);
    EXPECT_TRUE(info.italic()) << info.family().toStdString();
    EXPECT_GE(info.weight(), QFont::Bold) << info.family().toStdString();

    // A serif capital I stands on a foot much wider than its stem; a sans I is one bar.
    QFont big = font;
    big.setPixelSize(200);
    QImage glyph(300, 300, QImage::Format_RGB32);
    glyph.fill(Qt::white);
    {
        QPainter p(&glyph);
        p.setFont(big);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, 300, 300), Qt::AlignCenter, QStringLiteral("I"));
    }
    int top = 300, bottom = -1;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            if (grey(glyph, x, y) < 128) top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_LT(top, bottom);
    const auto run = [&](int y) {  // dark pixels across row y
        int n = 0;
        for (int x = 0; x < 300; ++x) n += grey(glyph, x, y) < 128;
        return n;
    };
    const int stem = run((top + bottom) / 2), foot = run(bottom - 2);
    EXPECT_GT(foot, 1.8 * stem) << info.family().toStdString() << ": stem " << stem << ", foot " << foot;
}

TEST(PrintedWulffNet, WritesOnePdfPageWithTheTitleFace) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        printWulffNet(pdf);
    }
    const QString text = QString::fromLatin1(buffer.data());
    ASSERT_TRUE(text.startsWith("%PDF"));
    EXPECT_EQ(text.count(QRegularExpression(R"(/Type /Page[\s])")), 1);
    // The only text on the page is the title, in the face chosen for it.
    const QString family = QFontInfo(lumora::render::wulffNetTitleFont()).family().remove(' ');
    const auto fonts = QRegularExpression(R"(/BaseFont /([^\s/]+))").globalMatch(text);
    QStringList names;
    for (auto it = fonts; it.hasNext();) names << it.next().captured(1);
    ASSERT_FALSE(names.isEmpty());
    EXPECT_TRUE(std::all_of(names.begin(), names.end(),
                            [&](const QString& name) {
                                return name.contains(family, Qt::CaseInsensitive) && name.contains("Bold") &&
                                       name.contains("Italic");
                            }))
        << names.join(' ').toStdString() << " for " << family.toStdString();
}
