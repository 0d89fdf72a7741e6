// Pattern frames, the reciprocal-lattice view, the stereogram and its Wulff monitor
// inset, picking spots (the nearest within 10 pixels), the structure view and monitor.
#include <gtest/gtest.h>

#include <charconv>
#include <map>
#include <numeric>
#include <regex>
#include <string>
#include <tuple>

#include "RenderTestSupport.h"
#include "render/StructureDrawing.h"
#include "util/NumberText.h"

using namespace lumora;
using namespace rendertest;

namespace {

using Key = std::tuple<int, int, int>;

std::map<Key, SpotRecord> byIndices(const std::vector<SpotRecord>& spots) {
    std::map<Key, SpotRecord> out;
    for (const auto& s : spots) out[{s.h, s.k, s.l}] = s;
    return out;
}

class PickingTest : public PatternFixture {
protected:
    std::string pick(const SpotRecord& s, double dx = 0, double dy = 0) {
        return renderer.findMouseHKL(1, cx() + s.x + dx, cy() - s.y + dy);
    }
};

class StructureDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        laue.readCSF(std::string(LUMORA_TEST_DATA_DIR) + "/quartz.csf");
        laue.GenerateHKL();
        laue.setOrientation(1, 2, 3, true);
        render::fitScales(options, laue, 400, 400);
        renderer.setGraphicsContext(&picture, &structure, &back, nullptr);
    }

    render::RenderOptions options;
    clLAUE laue;
    render::Surface picture{QSize(400, 400)}, structure{QSize(400, 400)}, back{QSize(400, 400)};
    render::PatternRenderer renderer{laue};
};

}  // namespace

using PatternTest = PatternFixture;

TEST_F(PatternTest, AnEmptyListLeavesThePictureAndAFailingFrameKeepsThePreviousOne) {
    visible.setBackColor(0x336699);
    visible.clear();
    spots.push_back({});
    renderer.setGraphicsContext(&visible, nullptr, &back, nullptr);
    renderer.setSpotRecorder(&spots);
    for (int16_t type : {0, 1, 2, 3, 4}) frame(type);
    EXPECT_EQ(countOther(visible.image(), visible.image().rect(), 0x336699), 0);
    EXPECT_FALSE(renderer.busy());
    EXPECT_EQ(spots.size(), 1u);
    loadSilicon();
    const QImage before = frame(2);
    EXPECT_EQ(countColour(before, before.rect(), 0x336699), 0);  // the whole frame is copied over
    const auto recorded = spots.size();
    laue.x_fsd = 0;  // the film cannot be placed: the frame fails part way
    options.zoom = 2;
    renderer.drawHKL(options);
    EXPECT_EQ(visible.image(), before);
    EXPECT_FALSE(renderer.busy());
    EXPECT_EQ(spots.size(), recorded);
    laue.x_fsd = 30;   // the back buffer is usable again for the next frame
    options.zoom = 0;  // and zoom 0 draws as 1
    EXPECT_EQ(frame(2), before);
}

TEST_F(PatternTest, LatticePointsInTheirColoursAtTheirPlacesWithSolidOrDottedAxes) {
    loadSilicon();
    frame(0);
    ASSERT_EQ(static_cast<int32_t>(spots.size()), laue.n_hkl);
    // [001] along the beam: the hk0 points lie in the screen plane at |g| times the scale.
    const auto one = byIndices(spots);
    for (auto [key, g] : {std::pair{Key{2, 2, 0}, std::sqrt(8.0)}, {Key{4, 0, 0}, 4.0}})
        EXPECT_NEAR(std::hypot(one.at(key).x, one.at(key).y), g / 5.431 * options.scale3D, 0.5);
    // Strong (large d) points are larger and darker than weak ones.
    EXPECT_GT(one.at({1, 1, 1}).radius, one.at({4, 0, 0}).radius);
    EXPECT_LT(one.at({1, 1, 1}).colour & 0xFF, one.at({4, 0, 0}).colour & 0xFF);
    options.zoom = 2;  // zoom magnifies positions and points
    frame(0);
    const auto two = byIndices(spots);
    for (const Key& key : {Key{1, 1, 1}, Key{-3, 1, 1}}) {
        EXPECT_NEAR(two.at(key).x, 2 * one.at(key).x, 1e-3);
        EXPECT_NEAR(two.at(key).radius, 2 * one.at(key).radius, 1e-4);
    }
    // On black the picture and the grey points turn over.
    options.zoom = 1;
    EXPECT_EQ(rgbAt(frame(0), 0, 0), kWhite);
    options.flags.blackBackground = true;
    EXPECT_EQ(rgbAt(frame(0), 399, 299), kBlack);
    for (const auto& [key, spot] : byIndices(spots))
        EXPECT_NEAR(int(spot.colour & 0xFF), 255 - int(one.at(key).colour & 0xFF), 1);
    // The zeroth layer keeps only the plane through the origin.
    options.flags.zerothLayer = true;
    frame(0);
    const auto& rows = laue.reflections().rows;
    EXPECT_EQ(static_cast<std::ptrdiff_t>(spots.size()),
              std::count_if(rows.begin(), rows.end(), [](const engine::Reflection& r) { return r.l == 0; }));
    for (const auto& s : spots) EXPECT_EQ(s.l, 0) << s.h << s.k << s.l;
    // Turned off any zone axis the points stand apart and show their colours.
    options.flags = {};
    laue.setOrientation(2, 3, 7, true);
    EXPECT_GT(expectSpotColours(frame(0)), 5);
    // The axes are solid towards the viewer and dotted away: turned end for end, every axis keeps
    // its length on screen but loses ink. Only the eight 111 points, which hide little of them.
    options.spacingThreshold = 1;
    const auto ink = [&](int sign) {
        laue.setOrientation(sign, sign, sign, true);
        const QImage& image = frame(0);
        return std::array{countColour(image, image.rect(), kRed), countColour(image, image.rect(), kGreen),
                          countColour(image, image.rect(), kBlue)};
    };
    const auto towards = ink(1), away = ink(-1);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_GT(away[i], 0.2 * towards[i]) << i;
        EXPECT_LT(away[i], 0.6 * towards[i]) << i;
    }
}

TEST_F(PatternTest, StereogramDrawsTheBeamSideHemisphereInsideTheNetInBlackOrItsColours) {
    loadSilicon();
    const QImage& image = frame(3);
    std::ptrdiff_t facing = 0;
    for (const auto& row : laue.labVectorTable()) facing += row[0] > -0.003f;
    EXPECT_EQ(static_cast<std::ptrdiff_t>(spots.size()), facing);
    for (const auto& s : spots) {
        EXPECT_LE(std::hypot(s.x, s.y), 0.95 * 150 + 0.5);
        EXPECT_EQ(s.colour, kBlack);
    }
    EXPECT_GT(expectSpotColours(image), 5);
    EXPECT_EQ(countOther(image, QRect(0, 0, 50, 300), kWhite), 0);  // nothing beyond the net
    // Without anti-aliasing only black, the net grey and white appear; with it the edges blend.
    const auto blended = [](QColor c) { return qGray(c.rgb()) > 0 && qGray(c.rgb()) < 222; };
    EXPECT_EQ(countIf(image, image.rect(), blended), 0);
    options.antialias = true;
    EXPECT_GT(countIf(frame(3), image.rect(), blended), 100);
    // The spots are drawn right after the net, which must leave a solid fill.
    options.flags.spotColouring = options.flags.polarNet = true;
    EXPECT_GT(expectSpotColours(frame(3)), 5);
    EXPECT_GT(
        std::count_if(spots.begin(), spots.end(), [](const SpotRecord& s) { return !isGrey(s.colour); }), 5);
}

TEST_F(PatternTest, WulffMonitorInsetOfFixedGreySpotsInEveryPlotTypeButTheStereogram) {
    loadSilicon(QSize(500, 300));
    // A square inside the inset's disc (centre (428, 72), radius 68), clear of the main stereogram.
    const QRect box(400, 40, 60, 60);
    const auto shown = [&](const QImage& image) { return countColour(image, box, 0xDEDEDE) > 1600; };
    for (int16_t type : {0, 2, 1}) EXPECT_FALSE(shown(frame(type))) << type;
    const auto without = spots;
    options.flags.wulffMonitor = true;
    EXPECT_EQ(countOther(frame(3), QRect(450, 0, 50, 140), kWhite), 0);
    for (int16_t type : {0, 2, 1}) EXPECT_TRUE(shown(frame(type))) << type;
    EXPECT_EQ(spots.size(), without.size());  // inset spots are not recorded
    const QImage reference = visible.image().copy(box);
    EXPECT_EQ(countIf(reference, reference.rect(), [](QColor c) { return !isGrey(c.rgb() & 0xFFFFFF); }), 0);
    EXPECT_GT(
        countOther(reference, reference.rect(), 0xDEDEDE) - countColour(reference, reference.rect(), kWhite),
        10);
    // Neither the document's spot size nor the zoom changes the inset.
    options.spotSize = 20;
    options.zoom = 3;
    EXPECT_EQ(frame(1).copy(box), reference);
    EXPECT_GT(spots.front().radius, without.front().radius);
}

TEST_F(PickingTest, TextsOfAFilmSpotALatticePointAndAPole) {
    loadSilicon(QSize(600, 450));
    const auto planeText = [&](int h, int k, int l) {
        return "(" + std::to_string(h) + std::to_string(k) + std::to_string(l) + ")  d = " +
               util::formatNumber(laue.computeSpacing(int16_t(h), int16_t(k), int16_t(l)), "0.0###");
    };
    for (int16_t mode : {1, 2}) {
        frame(mode);
        // A film names the plane: the indices over their gcd, the first non-zero one positive.
        const SpotRecord& s = isolatedSpot(25);
        const int n = std::gcd(std::gcd(std::abs(s.h), std::abs(s.k)), std::abs(s.l));
        const int sign = (s.h != 0 ? s.h : s.k != 0 ? s.k : s.l) < 0 ? -1 : 1;
        EXPECT_EQ(pick(s, 2, -3), planeText(sign * s.h / n, sign * s.k / n, sign * s.l / n)) << mode;
    }
    frame(0);  // a lattice point gives its own indices
    const SpotRecord& point = isolatedSpot(12);
    EXPECT_EQ(pick(point), planeText(point.h, point.k, point.l));
    frame(3);  // [001] lies on the beam: the pole of (001) is the centre of the net
    EXPECT_EQ(renderer.findMouseHKL(1, cx() + 1, cy() + 1),
              "(001)   Rho = 0.0\u00b0, Alpha = 90.0\u00b0, Beta = 0.0\u00b0");
    // Any other pole: rho from the centre of the net, beta anticlockwise from the right.
    const double radius = std::min(cx(), cy()) * 0.95;
    const auto pole = std::find_if(spots.begin(), spots.end(), [&](const SpotRecord& s) {
        const double r = std::hypot(s.x, s.y);
        return r > radius * 0.3 && r < radius * 0.9 && s.y > 0 && s.x < 0;
    });
    ASSERT_NE(pole, spots.end());
    const std::string text = pick(*pole);
    // Read without the C library, whose number format follows the environment's locale.
    const std::regex form(
        "\\([-0-9]+\\)   Rho = ([-0-9.]+)\u00b0, Alpha = ([-0-9.]+)\u00b0, Beta = ([-0-9.]+)\u00b0");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, form)) << text;
    const auto value = [&](int i) {
        double v = 0;
        std::from_chars(&*m[i].first, &*m[i].first + m[i].length(), v);
        return v;
    };
    const double rho = value(1), alpha = value(2), beta = value(3);
    EXPECT_NEAR(rho, 2 * std::atan(std::hypot(pole->x, pole->y) / radius) * 180 / M_PI, 0.002);
    EXPECT_NEAR(alpha, 90 - rho, 0.002);
    EXPECT_NEAR(beta, std::atan2(pole->y, pole->x) * 180 / M_PI, 0.002);  // in the second quadrant
}

TEST_F(PickingTest, ASpotTenPixelsAwayIsFoundButNotFartherOrWhenNotShown) {
    loadSilicon(QSize(600, 450));
    frame(1);
    const SpotRecord& spot = isolatedSpot(30);
    const std::string onSpot = pick(spot);
    ASSERT_NE(onSpot, "no spot");
    // Just inside the radius: the pointer's position goes through the picture's centre, whose
    // rounding may put a pick at exactly 10 pixels a hair beyond it.
    EXPECT_EQ(pick(spot, 9.999, 0), onSpot);
    EXPECT_EQ(pick(spot, -5.999, 7.999), onSpot);  // 10 pixels on a slant
    EXPECT_EQ(pick(spot, 10.1, 0), "no spot");
    EXPECT_EQ(pick(spot, 0, -10.1), "no spot");
    const QImage before = visible.image().copy();  // no spot leaves the picture as it was
    EXPECT_EQ(renderer.findMouseHKL(1, 2, 2), "no spot");
    EXPECT_EQ(visible.image(), before);
    // Spots beside the film (narrower than the picture) are found only while it is not clipped.
    const double hx = laue.getFilmWidth() / 2 / laue.x_fsd * options.filmScale * options.effectiveZoom();
    const auto beside = std::find_if(spots.begin(), spots.end(), [&](const SpotRecord& s) {
        return std::abs(s.x) > hx + 8 && std::abs(s.x) < cx() - 8 && std::abs(s.y) < cy() - 8;
    });
    ASSERT_NE(beside, spots.end());
    const SpotRecord outside = *beside;
    EXPECT_NE(pick(outside), "no spot");
    options.flags.clipFilmRegion = true;
    EXPECT_EQ(rgbAt(frame(1), int(std::lround(cx() + outside.x)), int(std::lround(cy() - outside.y))),
              kWhite);
    EXPECT_EQ(pick(outside), "no spot");
    options.flags.clipFilmRegion = false;
    options.spacingThreshold = 1.01f;  // nothing drawn, nothing found
    frame(1);
    EXPECT_TRUE(spots.empty());
    EXPECT_EQ(pick(outside), "no spot");
}

TEST_F(PickingTest, MarkerIsGreenInRedOnWhiteAndRedInGreenOnBlackWithGreenText) {
    loadSilicon(QSize(600, 450));
    for (bool black : {false, true}) {
        options.flags.blackBackground = black;
        frame(1);
        const SpotRecord& spot = isolatedSpot(40);
        const int x = int(std::lround(cx() + spot.x)), y = int(std::lround(cy() - spot.y));
        ASSERT_NE(renderer.findMouseHKL(1, x, y), "no spot");
        const QImage& image = visible.image();
        EXPECT_EQ(rgbAt(image, x, y), black ? kRed : kGreen);
        for (const QPoint p : {QPoint(x + 4, y - 1), QPoint(x - 6, y - 1)})
            EXPECT_GT(countColour(image, QRect(p, QSize(3, 3)), black ? kGreen : kRed), 0) << black;
        // The text to the upper right is pure green at its core: dark on white, bright on black.
        const QRect text(x + 5, y - 15, 75, 12);
        const auto core = [&](QColor c) {
            return c.red() + c.blue() == 0 && (black ? c.green() > 200 : c.green() > 60 && c.green() <= 150);
        };
        EXPECT_GT(countIf(image, text, [](QColor c) { return c.green() > std::max(c.red(), c.blue()) + 60; }),
                  20);
        EXPECT_GT(countIf(image, text, core), 0) << black;
    }
}

TEST_F(StructureDrawingTest, OriginEdgesAreRedGreenBlueInEveryOrientationAndTheMonitorOnlyWhenHidden) {
    for (int turn = 0; turn < 4; ++turn) {
        laue.DoRotate(static_cast<int16_t>(turn % 3 + 1), 37);
        renderer.drawStructure(options);
        // A pixel halfway along each origin edge carries its colour.
        const render::StructureScene scene = render::structureScene(laue);
        const double scale = std::min(200 / scene.extentY, 200 / scene.extentZ) * 0.8;
        const auto shows = [&](int corner, uint32_t colour) {
            const auto& a = scene.corners[0];
            const auto& b = scene.corners[static_cast<std::size_t>(corner - 1)];
            const QPoint p(int(std::lround(200 + scale * (a[1] + b[1]) / 2)),
                           int(std::lround(200 - scale * (a[2] + b[2]) / 2)));
            return countColour(structure.image(), QRect(p - QPoint(1, 1), QSize(3, 3)), colour) > 0;
        };
        // Atoms may hide an edge; at least two of the three show at their middle.
        EXPECT_GE(shows(5, kRed) + shows(3, kGreen) + shows(2, kBlue), 2) << "turn " << turn;
    }
    clLAUE empty;  // without atoms the view says so, and nothing else
    render::PatternRenderer emptyRenderer{empty};
    emptyRenderer.setGraphicsContext(&picture, &structure, &back, nullptr);
    emptyRenderer.drawStructure(options);
    EXPECT_GT(countOther(structure.image(), QRect(0, 0, 200, 30), kWhite), 10);
    EXPECT_EQ(countOther(structure.image(), QRect(0, 40, 400, 360), kWhite), 0);
    // The monitor appears in the pattern only with the structure page hidden and the flag set.
    laue.m_mode = 2;
    const QRect monitor(1, 400 - 149, 148, 148);
    const auto drawn = [&](bool flag, bool pageVisible) {
        options.flags.structureMonitor = flag;
        renderer.setStructureVisible(pageVisible);
        renderer.drawHKL(options);
        return countOther(picture.image(), monitor, kWhite);
    };
    const int without = drawn(false, false);
    EXPECT_GT(drawn(true, false), without + 200);
    EXPECT_EQ(drawn(true, true), without);
}

TEST(StructureScene, AtomsOnFacesAppearOnEveryFace) {
    // One atom at the origin of a cubic P 1 cell: it stands on all eight corners.
    structure::StructureFile file;
    file.cell = {4, 4, 4, 90, 90, 90};
    file.spaceGroupNumber = 1;
    file.spaceGroupRow = 0;
    file.atoms.push_back({"Fe1", "Fe", 26, 1.0f, 0, 0, 0});
    clLAUE laue;
    laue.loadStructure(file);
    const render::StructureScene scene = render::structureScene(laue);
    EXPECT_EQ(scene.atoms.size(), 8u);
    EXPECT_EQ(scene.points.size(), 16u);
    for (std::size_t i = 1; i < scene.points.size(); ++i)
        EXPECT_LE(scene.points[i - 1].depth, scene.points[i].depth);  // back to front
}
