#include <gtest/gtest.h>

#include "EngineFixtures.h"
#include "engine/Labels.h"
#include "engine/Palette.h"
#include "engine/Projection.h"
#include "engine/RecSpace.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

uint32_t rgb(int r, int g, int b) { return static_cast<uint32_t>(r << 16 | g << 8 | b); }

// A 5 Å cubic crystal whose (1 0 0) reciprocal vector can be put at any Bragg
// angle theta and azimuth phi on the film: its laboratory direction is
// (sin theta, cos theta cos phi, cos theta sin phi), d = 5 Å, lambda = 10 sin theta.
// Spots are drawn in the grey palette on white, films seen from outside.
class Projection : public ::testing::Test {
protected:
    void SetUp() override {
        palette = engine::spotPalette(false);
        style.palette = &palette;
        generate(laue, kCubic5);
        laue.x_lambda_min = 0.1f;
        laue.x_lambda_max = 20;
    }

    int32_t place(double thetaDeg, double phiDeg = 0) {
        const double t = thetaDeg * kDeg, p = phiDeg * kDeg;
        laue.setOrientationMatrix(
            orientationTaking({std::sin(t), std::cos(t) * std::cos(p), std::cos(t) * std::sin(p)}));
        return labRow(laue, 1, 0, 0);
    }

    FilmProjection film(int mode, int32_t row, float scale = 100) {
        laue.m_mode = static_cast<int16_t>(mode);
        return laue.LAUEXY(row, scale, style);
    }

    clLAUE laue;
    engine::SpotPalette palette{};
    SpotStyle style;
};

}  // namespace

TEST_F(Projection, AnglesBetweenTheGeometriesAreHidden) {
    const int32_t ten = place(10);
    const FilmProjection placed = film(1, ten);
    EXPECT_NEAR(placed.x, 100 * std::tan(20 * kDeg), 1e-3);  // 2 theta from the beam
    EXPECT_FLOAT_EQ(placed.radius, 5.5f);                    // d = dMax: spotSize + 0.5
    EXPECT_NEAR(placed.wavelength, 10 * std::sin(10 * kDeg), 1e-5);
    for (int mode : {0, 3}) {  // not a film: hidden, and no spot to draw
        const FilmProjection p = film(mode, ten);
        EXPECT_EQ(p.x, 88888) << mode;
        EXPECT_EQ(p.radius, 0) << mode;
    }
    // Expected x on the transmission and back-reflection films; 0 means placed.
    using C = std::tuple<double, float, float>;
    for (const auto& [theta, transmission, back] :
         {C{44.5, 88888, 99999}, C{44.95, 88888, 99999}, C{45.05, 99999, 88888}, C{45.9, 99999, 88888},
          C{43.9, 0, 99999}, C{46.1, 99999, 0}, C{90, 99999, 88888}}) {  // 90: the centre of the back film
        const int32_t row = place(theta, 20);
        const float t = film(1, row).x, b = film(2, row).x;
        EXPECT_TRUE(transmission == 0 ? t < 88888 : t == transmission) << theta << ": " << t;
        EXPECT_TRUE(back == 0 ? b < 88888 : b == back) << theta << ": " << b;
    }
    const int32_t row = place(45, 20);
    EXPECT_GE(film(1, row).x, 88888);
    EXPECT_GE(film(2, row).x, 88888);
    // The beam stop: 100 tan 2 degrees = 3.49 < 4.
    EXPECT_EQ(film(1, place(1), 100).x, 88888);
    EXPECT_NEAR(film(1, place(1), 200).x, 200 * std::tan(2 * kDeg), 1e-3);
}

TEST_F(Projection, WavelengthLimitsAreInclusive) {
    const int32_t row = place(10);
    const float lambda = laue.braggWavelength(row);
    laue.x_lambda_min = lambda;
    laue.x_lambda_max = 2.5f;
    FilmProjection p = film(1, row);
    EXPECT_LT(p.x, 88888);
    EXPECT_EQ(p.colour, rgb(170, 170, 170));  // the long end of the band: (1 - 0) * 2/3 * 255
    style.blackBackground = true;             // grey on black runs the other way
    EXPECT_EQ(film(1, row).colour, rgb(85, 85, 85));
    style.blackBackground = false;
    laue.x_lambda_min = std::nextafter(lambda, 100.0f);
    EXPECT_EQ(film(1, row).x, 99999);
    laue.x_lambda_min = 0.5f;
    laue.x_lambda_max = lambda;
    p = film(1, row);
    EXPECT_LT(p.x, 88888);
    EXPECT_EQ(p.colour, 0u);  // the short end: entry 0
    laue.x_lambda_max = std::nextafter(lambda, 0.0f);
    EXPECT_EQ(film(1, row).x, 99999);
}

// lambda = 10 sin 10 degrees = 1.7365 in a band of 0.5 to 2.5: key 0.6182,
// entry (1 - key) * 2/3 * 255 = 64.9 -> 65.
TEST_F(Projection, ColourComesFromThePaletteOfTheStyle) {
    const int32_t row = place(10);
    laue.x_lambda_min = 0.5f;
    laue.x_lambda_max = 2.5f;
    EXPECT_EQ(film(1, row).colour, rgb(65, 65, 65));
    style.palette = nullptr;  // no palette: the entry number as grey
    EXPECT_EQ(film(1, row).colour, rgb(65, 65, 65));
    style.blackBackground = true;
    EXPECT_EQ(film(1, row).colour, rgb(190, 190, 190));  // 255 - 64.9
    // Coloured spots keep their order on black.
    const engine::SpotPalette hues = engine::spotPalette(true);
    style.palette = &hues;
    style.spotColouring = true;
    EXPECT_EQ(film(1, row).colour, hues[65]);
    EXPECT_NE(hues[65], hues[190]);
}

TEST_F(Projection, FlipXMirrorsOnlyX) {
    for (int mode : {1, 2}) {
        const int32_t row = place(mode == 1 ? 15 : 60, 35);
        const FilmProjection plain = film(mode, row);
        style.flipX = true;
        const FilmProjection flipped = film(mode, row);
        style.flipX = false;
        EXPECT_NE(plain.x, 0);
        EXPECT_EQ(flipped.x, -plain.x);
        EXPECT_EQ(flipped.y, plain.y);
    }
}

TEST_F(Projection, StrongestStructureFactorIsEntryZeroAndRadiusIsCapped) {
    auto s = engine::intensitySpot(7, 7, 5, false);
    EXPECT_EQ(s.entry, 0);
    EXPECT_FLOAT_EQ(s.radius, 5.5f);
    EXPECT_FLOAT_EQ(engine::intensitySpot(7, 7, 20, false).radius, 10.0f);
    // F = fMax / 2: key 1/4, position (3/4) * 2/3 = 1/2, entry 127.5 -> 128.
    s = engine::intensitySpot(3.5, 7, 5, false);
    EXPECT_EQ(s.entry, 128);
    EXPECT_FLOAT_EQ(s.radius, 3.0f);
    EXPECT_EQ(engine::intensitySpot(7, 7, 5, true).entry, 255);
}

TEST_F(Projection, EmptyRangesGiveTheSmallestSpotNotNaN) {
    for (const engine::FilmSpot& s :
         {engine::intensitySpot(1, 0, 5, false), engine::wavelengthSpot(2, 0, 1, 0.5, 2.5, 5, false),
          engine::wavelengthSpot(2, 5, 1, 1, 1, 5, true)}) {
        EXPECT_EQ(s.radius, 0.5f);
        EXPECT_EQ(s.entry, 0);
    }
    EXPECT_FALSE(engine::stereoColour(2, 2, 2).has_value());  // dMax = dMin
    EXPECT_FALSE(engine::stereoColour(1, 0, 0).has_value());  // fMax = 0
    // Through the engine: a band of zero width that still holds the spot ...
    const int32_t row = place(10);
    laue.x_lambda_min = laue.x_lambda_max = laue.braggWavelength(row);
    palette[0] = 0xABCDEF;
    const FilmProjection p = film(1, row);
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_EQ(p.radius, 0.5f);
    EXPECT_EQ(p.colour, 0xABCDEFu);
    // ... and intensities asked for while no structure factor is above 0.
    laue.x_withIntensity = true;
    ASSERT_EQ(laue.intensityMaximum(), 0);
    EXPECT_EQ(laue.spotGrey(listIndex(laue, 1, 0, 0)), rgb(255, 255, 255));
    style.spotColouring = true;
    uint32_t colour = 0;
    laue.STEREOXY(row, 100, colour, style);
    EXPECT_EQ(colour, 0xABCDEFu);
}

TEST_F(Projection, StereogramPositions) {
    const float radius = 100;
    uint32_t colour = 0x123456;
    EXPECT_EQ(laue.STEREOXY(place(90), radius, colour, style), (std::array<float, 2>{0, 0}));
    // 60 degrees from the beam: tan 30 of the radius.
    auto p = laue.STEREOXY(place(30, 180), radius, colour, style);
    EXPECT_NEAR(p[0], -radius * std::tan(30 * kDeg), 1e-3);
    EXPECT_NEAR(p[1], 0, 1e-3);
    EXPECT_EQ(colour, 0x123456u);  // without spot colouring the colour is left alone
    // The test is on the laboratory vector itself (|g| = 0.2 here): a beam
    // component of -0.001 still counts (mirrored up), -0.02 does not.
    laue.setOrientationMatrix(orientationTaking({-0.005, 1, 0}));
    p = laue.STEREOXY(labRow(laue, 1, 0, 0), radius, colour, style);
    EXPECT_NEAR(std::hypot(p[0], p[1]), radius, 1.0);
    style.spotColouring = true;
    laue.setOrientationMatrix(orientationTaking({-0.1, 1, 0}));
    EXPECT_EQ(laue.STEREOXY(labRow(laue, 1, 0, 0), radius, colour, style), (std::array<float, 2>{0, 0}));
    EXPECT_EQ(colour, 0x123456u);
}

TEST_F(Projection, LongListsIndexBeyondSixteenBits) {
    const Cell cell{20, 20, 20, 90, 90, 90};
    generate(laue, cell);
    laue.setOrientation(1, 2, 3, true);
    const int32_t n = laue.n_hkl - 1;
    ASSERT_GT(n, 32767);
    const auto row = static_cast<int32_t>(laue.recipVectorTable()[static_cast<std::size_t>(n)][3]);
    const Vec3d t =
        labOf(laue.orientationMatrix(), latticeOf(cell).normal(laue.getH(n), laue.getK(n), laue.getL(n)));
    const double lambda = 2 * std::fabs(t[0]) / dot(t, t);  // 2 d sin(theta)
    EXPECT_NEAR(laue.braggWavelength(row), lambda, 1e-5 * lambda);
    int divisor = 0;
    std::string text;
    EXPECT_NO_THROW(laue.checkLabel(n, divisor, text));
}

TEST(Labels, ReducedAndSignNormalised) {
    using L = std::tuple<int, int, int, int, std::string, int>;  // h k l, plot type, text, divisor
    for (const auto& [h, k, l, type, text, divisor] :
         {L{1, -1, 0, 1, "1-10", 1}, L{-1, 1, 0, 1, "1-10", 1},
          L{-1, 1, 0, 3, "-110", 1},  // 3 keeps the sign
          L{0, -2, 4, 1, "01-2", 2}, L{0, 0, -3, 2, "001", 3}, L{0, 0, -3, 3, "00-1", 3},
          L{2, 0, 0, 1, "100", 2}, L{6, 4, 2, 1, "321", 2}, L{-6, 3, 9, 3, "-213", 3},
          L{0, 0, 0, 1, "000", 0}}) {
        const auto label = engine::labelText(h, k, l, type);
        EXPECT_EQ(label.text, text) << h << k << l;
        EXPECT_EQ(label.divisor, divisor) << h << k << l;
    }
    clLAUE laue;
    generate(laue, kCubic5);
    int divisor = 0;
    std::string text;
    for (int16_t type : {1, 3}) {
        laue.setPlotType(type);
        laue.checkLabel(listIndex(laue, -2, 2, 0), divisor, text);
        EXPECT_EQ(text, type == 1 ? "1-10" : "-110");
        EXPECT_EQ(divisor, 2);
    }
}

TEST(Palette, GreyRampHuesAndClamping) {
    const engine::SpotPalette grey = engine::spotPalette(false);
    for (int i : {0, 128, 255}) EXPECT_EQ(grey[static_cast<std::size_t>(i)], rgb(i, i, i));
    // Hue, saturation and lightness go through steps of 1/239: lightness 0.5 is
    // 120/239, so with s = 1 the low channel p = 1/239 shows as 1.
    const engine::SpotPalette hues = engine::spotPalette(true);
    EXPECT_EQ(hues[0], rgb(255, 1, 1));
    EXPECT_EQ(hues[255], hues[0]);                                  // the hue circle closes
    EXPECT_EQ(engine::hlsColour(0.3, 0, 0.5), rgb(128, 128, 128));  // 255 * 120/239 = 128.03
    // Positions outside the palette are clamped (an F above a stale maximum).
    EXPECT_EQ(engine::paletteEntry(1.5, false), 0);
    EXPECT_EQ(engine::paletteEntry(-1, false), 255);
    EXPECT_EQ(engine::paletteEntry(1.5, true), 255);
    EXPECT_EQ(engine::paletteEntry(std::nan(""), false), 0);
    EXPECT_EQ(engine::strengthGrey(1.2), 0u);
}

namespace {

// A 100 x 125 mm film at 30 mm, fitted to a picture of 500 x 400 pixels.
class RecSpace : public ::testing::Test {
protected:
    void SetUp() override {
        EngineDefaults defaults;
        defaults.filmWidth = 100;
        defaults.filmHeight = 125;
        defaults.filmDistance = 30;
        laue.newDocument(defaults);
    }

    clLAUE laue;
};

}  // namespace

TEST(ViewScales, FitTheSmallerSideAndTheTighterFilmDirection) {
    // 90 % of half of 400 = 180 pixels for the farthest point.
    EXPECT_FLOAT_EQ(engine::fitScale3D(500, 400, 0.8f), 225.0f);
    EXPECT_FLOAT_EQ(engine::fitScale3D(101, 300, 1.0f), 45.0f);  // nearest(45.45)
    // 500 * 0.95 * 30 / 100 = 142.5 across, 400 * 0.95 * 30 / 125 = 91.2 down.
    EXPECT_FLOAT_EQ(engine::fitFilmScale(500, 400, 30, 100, 125), 91.2f);
    EXPECT_FLOAT_EQ(engine::fitFilmScale(500, 800, 30, 100, 125), 142.5f);
    // Nothing to fit: 0, never inf or NaN.
    EXPECT_EQ(engine::fitScale3D(500, 400, 0), 0);
    EXPECT_EQ(engine::fitScale3D(0, 400, 1), 0);
    for (const auto& [distance, width, height] :
         {std::array<float, 3>{0, 100, 125}, {-30, 100, 125}, {30, 0, 125}, {30, 100, -1}})
        EXPECT_EQ(engine::fitFilmScale(500, 400, distance, width, height), 0) << distance << width << height;
}

TEST_F(RecSpace, GenerationFitsTheScalesAndResetsTheOrientation) {
    generate(laue, kCubic5);
    // Largest component 10 / 5 Å (reflection 10 0 0 at d = dMin = 0.5).
    EXPECT_FLOAT_EQ(laue.extents()[3], 2.0f);
    const ViewScales scales = laue.RECSPACE_scaleXYZ(500, 400);
    EXPECT_FLOAT_EQ(scales.scale3D, 90.0f);  // 180 / 2
    EXPECT_FLOAT_EQ(scales.filmScale, 91.2f);
    EXPECT_EQ(laue.label3D(listIndex(laue, 2, 0, 0)), "200");  // not reduced
    EXPECT_EQ(laue.label3D(listIndex(laue, 0, -10, 0)), "0-100");
    laue.DoRotate(2, 30);
    laue.GenerateHKL();
    EXPECT_EQ(laue.orientationMatrix(), (Mat3f{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));
    // The laboratory vectors follow the reset: 1 0 0 lies along +x again.
    const Vec3f& g = laue.labVectorOf(listIndex(laue, 1, 0, 0));
    EXPECT_NEAR(g[0], 0.2, 1e-7);
    EXPECT_NEAR(std::hypot(g[1], g[2]), 0, 1e-7);
}

TEST_F(RecSpace, ScalesThatCannotBeFormedAreZero) {
    generate(laue, kCubic5);
    for (float distance : {0.0f, -5.0f}) {
        laue.x_fsd = distance;
        const ViewScales scales = laue.RECSPACE_scaleXYZ(500, 400);
        EXPECT_EQ(scales.filmScale, 0) << distance;
        EXPECT_FLOAT_EQ(scales.scale3D, 90.0f) << distance;  // the 3-D view does not need a film
    }
    laue.x_fsd = 30;
    const ViewScales empty = laue.RECSPACE_scaleXYZ(0, 0);
    EXPECT_EQ(empty.scale3D, 0);
    EXPECT_EQ(empty.filmScale, 0);
    laue.setFilmSize(0, 125);
    EXPECT_EQ(laue.RECSPACE_scaleXYZ(500, 400).filmScale, 0);
    laue.setFilmSize(100, 125);
    EXPECT_FLOAT_EQ(laue.RECSPACE_scaleXYZ(500, 400).filmScale, 91.2f);
    // An empty list has no extent.
    generate(laue, {0.1, 0.1, 0.1, 90, 90, 90});
    ASSERT_EQ(laue.n_hkl, 0);
    EXPECT_EQ(laue.extents()[3], 0);
    EXPECT_EQ(laue.RECSPACE_scaleXYZ(500, 400).scale3D, 0);
    EXPECT_TRUE(laue.labVectorTable().empty());
}

TEST_F(RecSpace, NoFilmAtTheStartGivesNoFilmScale) {
    EngineDefaults noFilm;
    noFilm.filmWidth = 0;
    clLAUE fresh;
    fresh.newDocument(noFilm);
    generate(fresh, kCubic5);
    const ViewScales scales = fresh.RECSPACE_scaleXYZ(500, 400);
    EXPECT_EQ(scales.filmScale, 0);
    EXPECT_FLOAT_EQ(scales.scale3D, 90.0f);
}
