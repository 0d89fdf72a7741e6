#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EngineFixtures.h"
#include "engine/Labels.h"
#include "engine/Palette.h"
#include "engine/Projection.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

uint32_t rgb(int r, int g, int b) { return static_cast<uint32_t>(r << 16 | g << 8 | b); }

// A 5 Å cubic crystal whose (1 0 0) reciprocal vector can be put at any Bragg
// angle theta and azimuth phi on the film: its laboratory direction is
// (sin theta, cos theta cos phi, cos theta sin phi), d = 5 Å, lambda = 10 sin theta.
class Projection : public AppStateGuard {
protected:
    void SetUp() override {
        AppStateGuard::SetUp();
        appState().settings.flipX = false;
        appState().flags = DisplayFlags{};
        engine::buildSpotPalette(false, appState().palette);
        generate(laue, {5, 5, 5, 90, 90, 90});
        laue.x_lambda_min = 0.1f;
        laue.x_lambda_max = 20;
    }

    int32_t place(double thetaDeg, double phiDeg = 0) {
        const double t = thetaDeg * kDeg, p = phiDeg * kDeg;
        laue.setOrientationMatrix(
            orientationTaking({std::sin(t), std::cos(t) * std::cos(p), std::cos(t) * std::sin(p)}));
        return labRow(laue, 1, 0, 0);
    }

    std::array<float, 2> film(int mode, int32_t row, float scale = 100) {
        laue.m_mode = static_cast<int16_t>(mode);
        return laue.LAUEXY(row, scale, colour);
    }

    clLAUE laue;
    uint32_t colour = 0x123456;
};

}  // namespace

TEST_F(Projection, TransmissionSpotAtTenDegrees) {
    laue.x_lambda_min = 0.5f;
    laue.x_lambda_max = 2.5f;
    const int32_t row = place(10);
    const auto p = film(1, row);
    EXPECT_NEAR(p[0], 100 * std::tan(20 * kDeg), 1e-3);
    EXPECT_NEAR(p[1], 0, 1e-4);
    const double lambda = 10 * std::sin(10 * kDeg);
    EXPECT_NEAR(laue.wavelengthOfLastSpot(), lambda, 1e-5);
    EXPECT_NEAR(laue.braggWavelength(row), lambda, 1e-5);
    EXPECT_FLOAT_EQ(laue.spotRadiusOfLastSpot(), 5.5f);  // d = dMax: spotSize + 0.5
    const int entry = static_cast<int>(std::nearbyint((1 - (lambda - 0.5) / 2.0) * 2 / 3 * 255));
    EXPECT_EQ(colour, static_cast<uint32_t>(entry) * 0x010101u);

    // The same reflection belongs to neither other plot type.
    colour = 0x123456;
    EXPECT_EQ(film(2, row)[0], 99999);
    EXPECT_EQ(film(0, row)[0], 88888);
    EXPECT_EQ(film(3, row)[0], 88888);
    EXPECT_EQ(colour, 0x123456u);  // not placed: colour untouched
}

TEST_F(Projection, BackReflectionSpot) {
    const int32_t row = place(70, 30);
    const auto p = film(2, row, 30);
    const double t = std::tan(40 * kDeg);  // tan(180 - 140)
    EXPECT_NEAR(p[0], -30 * t * std::cos(30 * kDeg), 1e-4);
    EXPECT_NEAR(p[1], 30 * t * std::sin(30 * kDeg), 1e-4);
    EXPECT_EQ(film(1, row)[0], 99999);
}

TEST_F(Projection, AnglesBetweenTheGeometriesAreHidden) {
    struct Case {
        double theta;
        float transmission, back;  // expected x; 0 means placed
    };
    for (const Case& c : std::vector<Case>{{45, 88888, 88888},
                                           {44.5, 88888, 99999},
                                           {44.95, 88888, 99999},
                                           {45.05, 99999, 88888},
                                           {45.9, 99999, 88888},
                                           {43.9, 0, 99999},
                                           {46.1, 99999, 0},
                                           {90, 99999, 88888}}) {  // along the beam: centre of the back film
        const int32_t row = place(c.theta, 20);
        const float t = film(1, row)[0], b = film(2, row)[0];
        if (c.theta == 45) {
            EXPECT_GE(t, 88888) << c.theta;
            EXPECT_GE(b, 88888) << c.theta;
            continue;
        }
        if (c.transmission == 0) {
            EXPECT_LT(t, 88888) << c.theta;
        } else {
            EXPECT_EQ(t, c.transmission) << c.theta;
        }
        if (c.back == 0) {
            EXPECT_LT(b, 88888) << c.theta;
        } else {
            EXPECT_EQ(b, c.back) << c.theta;
        }
    }
}

TEST_F(Projection, BeamStopHidesTheCentre) {
    const int32_t row = place(1);  // 100 tan 2 degrees = 3.49 < 4
    EXPECT_EQ(film(1, row, 100)[0], 88888);
    EXPECT_NEAR(film(1, row, 200)[0], 200 * std::tan(2 * kDeg), 1e-3);
}

TEST_F(Projection, WavelengthLimitsAreInclusive) {
    const int32_t row = place(10);
    const float lambda = laue.braggWavelength(row);
    laue.x_lambda_min = lambda;
    laue.x_lambda_max = 2.5f;
    EXPECT_LT(film(1, row)[0], 88888);
    EXPECT_EQ(colour, rgb(170, 170, 170));  // key 0: (1 - 0) * 2/3 * 255 = 170
    laue.x_lambda_min = std::nextafter(lambda, 100.0f);
    EXPECT_EQ(film(1, row)[0], 99999);

    laue.x_lambda_min = 0.5f;
    laue.x_lambda_max = lambda;
    EXPECT_LT(film(1, row)[0], 88888);
    EXPECT_EQ(colour, 0u);  // key 1: entry 0
    laue.x_lambda_max = std::nextafter(lambda, 0.0f);
    EXPECT_EQ(film(1, row)[0], 99999);
}

TEST_F(Projection, FlipXMirrorsOnlyX) {
    for (int mode : {1, 2}) {
        const int32_t row = place(mode == 1 ? 15 : 60, 35);
        const auto plain = film(mode, row);
        appState().settings.flipX = true;
        const auto flipped = film(mode, row);
        appState().settings.flipX = false;
        EXPECT_NE(plain[0], 0);
        EXPECT_EQ(flipped[0], -plain[0]);
        EXPECT_EQ(flipped[1], plain[1]);
    }
}

TEST_F(Projection, PaletteEntryFollowsBackgroundAndColouring) {
    const int32_t row = place(10);
    laue.x_lambda_min = laue.braggWavelength(row);
    film(1, row);
    EXPECT_EQ(colour, rgb(170, 170, 170));
    appState().flags.blackBackground = true;  // grey on black runs the other way
    film(1, row);
    EXPECT_EQ(colour, rgb(85, 85, 85));
    appState().flags.spotColouring = true;  // hues never run backwards
    engine::buildSpotPalette(true, appState().palette);
    film(1, row);
    EXPECT_EQ(colour, appState().palette[170]);
}

TEST_F(Projection, StrongestStructureFactorIsEntryZeroAndRadiusIsCapped) {
    auto s = engine::intensitySpot(7, 7, 5, false);
    EXPECT_EQ(s.entry, 0);
    EXPECT_FLOAT_EQ(s.radius, 5.5f);
    s = engine::intensitySpot(7, 7, 20, false);
    EXPECT_FLOAT_EQ(s.radius, 10.0f);
    // F = fMax / 2: key 1/4, position (3/4) * 2/3 = 1/2, entry 127.5 -> 128.
    s = engine::intensitySpot(3.5, 7, 5, false);
    EXPECT_EQ(s.entry, 128);
    EXPECT_FLOAT_EQ(s.radius, 3.0f);
    EXPECT_EQ(engine::intensitySpot(7, 7, 5, true).entry, 255);

    s = engine::wavelengthSpot(2.5, 5, 0.5, 0.5, 2.5, 5, false);
    EXPECT_EQ(s.entry, 170);
    EXPECT_FLOAT_EQ(s.radius, 3.0f);
    EXPECT_EQ(engine::wavelengthSpot(2.5, 5, 2.5, 0.5, 2.5, 5, false).entry, 0);
}

TEST_F(Projection, EmptyRangesGiveTheSmallestSpotNotNaN) {
    // Directly: fMax 0, dMax 0, a band of zero width.
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
    appState().palette[0] = 0xABCDEF;
    const auto p = film(1, row);
    EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]));
    EXPECT_EQ(laue.spotRadiusOfLastSpot(), 0.5f);
    EXPECT_EQ(colour, 0xABCDEFu);

    // ... and intensities asked for while no structure factor is above 0.
    laue.x_lambda_min = 0.1f;
    laue.x_lambda_max = 20;
    laue.x_withIntensity = true;
    ASSERT_EQ(laue.intensityMaximum(), 0);
    film(1, row);
    EXPECT_EQ(laue.spotRadiusOfLastSpot(), 0.5f);
    EXPECT_EQ(colour, 0xABCDEFu);
    const int32_t n = listIndex(laue, 1, 0, 0);
    EXPECT_EQ(laue.relativeStrength(n), 0);
    EXPECT_FLOAT_EQ(laue.spotRadius(n), 0.1f);
    EXPECT_EQ(laue.spotGrey(n), rgb(255, 255, 255));
    appState().flags.spotColouring = true;
    colour = 0;
    laue.STEREOXY(row, 100, colour);
    EXPECT_EQ(colour, 0xABCDEFu);
}

TEST(PaletteEntry, PositionsOutsideThePaletteAreClamped) {
    EXPECT_EQ(engine::paletteEntry(1.5, false), 0);  // F above a stale maximum
    EXPECT_EQ(engine::paletteEntry(-1, false), 255);
    EXPECT_EQ(engine::paletteEntry(1.5, true), 255);
    EXPECT_EQ(engine::paletteEntry(std::nan(""), false), 0);
    EXPECT_EQ(engine::paletteEntry(0, false), 170);
    EXPECT_EQ(engine::paletteEntry(0, true), 85);
    EXPECT_EQ(engine::strengthGrey(1.2), 0u);
    EXPECT_EQ(engine::strengthGrey(-1), rgb(255, 255, 255));
}

TEST_F(Projection, SpotRadiusAndGreyFollowTheSpacing) {
    // d/dMax = 1, 1/2, 1/3 for 100, 200, 300 of a 5 Å cube.
    const int32_t n1 = listIndex(laue, 1, 0, 0), n2 = listIndex(laue, 2, 0, 0), n3 = listIndex(laue, 3, 0, 0);
    EXPECT_FLOAT_EQ(laue.spotRadius(n1), 5.1f);
    EXPECT_FLOAT_EQ(laue.spotRadius(n2), 2.6f);
    EXPECT_NEAR(laue.spotRadius(n3), 5.0 / 3 + 0.1, 1e-6);
    EXPECT_EQ(laue.spotGrey(n1), 0u);                  // nearest(255 - 255.1) = 0
    EXPECT_EQ(laue.spotGrey(n2), rgb(127, 127, 127));  // nearest(127.4)
    EXPECT_EQ(laue.spotGrey(n3), rgb(170, 170, 170));  // nearest(169.9)
    laue.setSpotsize(20);
    EXPECT_FLOAT_EQ(laue.spotRadius(n1), 20.1f);
    EXPECT_THROW(laue.spotRadius(laue.n_hkl), Error);
}

TEST_F(Projection, StereogramPositions) {
    const float radius = 100;
    EXPECT_EQ(laue.STEREOXY(place(90), radius, colour), (std::array<float, 2>{0, 0}));
    // Perpendicular to the beam: on the circle.
    auto p = laue.STEREOXY(place(0, 30), radius, colour);
    EXPECT_NEAR(p[0], radius * std::cos(30 * kDeg), 1e-3);
    EXPECT_NEAR(p[1], radius * std::sin(30 * kDeg), 1e-3);
    // 60 degrees from the beam: tan(30 degrees) of the radius.
    p = laue.STEREOXY(place(30, 180), radius, colour);
    EXPECT_NEAR(p[0], -radius * std::tan(30 * kDeg), 1e-3);
    EXPECT_NEAR(p[1], 0, 1e-3);
    EXPECT_EQ(colour, 0x123456u);  // without spot colouring the colour is left alone

    // The test is on the laboratory vector itself (|g| = 0.2 here): a beam
    // component of -0.001 still counts (mirrored up), -0.02 does not.
    laue.setOrientationMatrix(orientationTaking({-0.005, 1, 0}));
    p = laue.STEREOXY(labRow(laue, 1, 0, 0), radius, colour);
    EXPECT_NEAR(std::hypot(p[0], p[1]), radius, 1.0);
    appState().flags.spotColouring = true;
    laue.setOrientationMatrix(orientationTaking({-0.1, 1, 0}));
    EXPECT_EQ(laue.STEREOXY(labRow(laue, 1, 0, 0), radius, colour), (std::array<float, 2>{0, 0}));
    EXPECT_EQ(colour, 0x123456u);
}

TEST_F(Projection, StereogramColoursRunFromRedToBlue) {
    appState().flags.spotColouring = true;
    const int32_t row = place(30);
    laue.STEREOXY(row, 100, colour);
    EXPECT_EQ(colour, engine::hlsColour(0, 1, 0.5));  // d = dMax
    // 2 0 0: d = 2.5 within dMin 0.5 .. dMax 5.
    laue.resetRotationMatrix();
    laue.DoRotate(3, 0);
    const double key = (2.5 - 0.5) / (5 - 0.5);
    laue.STEREOXY(labRow(laue, 2, 0, 0), 100, colour);
    EXPECT_EQ(colour, engine::hlsColour((1 - key) * 2 / 3, 1, 0.5));
}

TEST_F(Projection, LongListsIndexBeyondSixteenBits) {
    generate(laue, {20, 20, 20, 90, 90, 90});
    ASSERT_GT(laue.n_hkl, 32767);
    laue.setOrientation(1, 2, 3, true);
    const TestLattice lattice = latticeOf({20, 20, 20, 90, 90, 90});
    int checked = 0;
    const auto& lab = laue.labVectorTable();
    for (std::size_t j = 0; j < lab.size() && checked < 50; ++j) {
        const auto n = static_cast<int32_t>(lab[j][3]);
        if (n <= 32767) continue;
        const Vec3d t =
            labOf(laue.orientationMatrix(), lattice.normal(laue.getH(n), laue.getK(n), laue.getL(n)));
        const double expected = 2 / length(t) * std::fabs(t[0]) / length(t);
        EXPECT_NEAR(laue.braggWavelength(static_cast<int32_t>(j)), expected, 1e-5 * expected);
        int divisor = 0;
        std::string text;
        EXPECT_NO_THROW(laue.checkLabel(n, divisor, text));
        ++checked;
    }
    EXPECT_EQ(checked, 50);
}

TEST(Labels, ReducedAndSignNormalised) {
    using engine::labelText;
    EXPECT_EQ(labelText(1, -1, 0, 1).text, "1-10");
    EXPECT_EQ(labelText(-1, 1, 0, 1).text, "1-10");
    EXPECT_EQ(labelText(-1, 1, 0, 3).text, "-110");  // the stereogram keeps the sign
    EXPECT_EQ(labelText(-1, 1, 0, 0).text, "1-10");
    EXPECT_EQ(labelText(-1, 1, 0, 2).text, "1-10");

    auto l = labelText(0, -2, 4, 1);
    EXPECT_EQ(l.text, "01-2");
    EXPECT_EQ(l.divisor, 2);
    l = labelText(0, 0, -3, 2);
    EXPECT_EQ(l.text, "001");
    EXPECT_EQ(l.divisor, 3);
    EXPECT_EQ(labelText(0, 0, -3, 3).text, "00-1");
    l = labelText(2, 0, 0, 1);
    EXPECT_EQ(l.text, "100");
    EXPECT_EQ(l.divisor, 2);
    // The largest common divisor is found by trying downwards from the largest index.
    l = labelText(6, 4, 2, 1);
    EXPECT_EQ(l.text, "321");
    EXPECT_EQ(l.divisor, 2);
    l = labelText(-6, 3, 9, 3);
    EXPECT_EQ(l.text, "-213");
    EXPECT_EQ(l.divisor, 3);
    // Nothing to divide: 1, or 0 for 0 0 0.
    EXPECT_EQ(labelText(2, 3, 5, 1).divisor, 1);
    EXPECT_EQ(labelText(1, 1, 1, 1).divisor, 1);
    l = labelText(0, 0, 0, 1);
    EXPECT_EQ(l.text, "000");
    EXPECT_EQ(l.divisor, 0);
}

TEST(Labels, EngineUsesItsPlotType) {
    clLAUE laue;
    generate(laue, {5, 5, 5, 90, 90, 90});
    const int32_t n = listIndex(laue, -2, 2, 0);
    int divisor = 0;
    std::string text;
    laue.setPlotType(1);
    laue.checkLabel(n, divisor, text);
    EXPECT_EQ(text, "1-10");
    EXPECT_EQ(divisor, 2);
    laue.setPlotType(3);
    laue.checkLabel(n, divisor, text);
    EXPECT_EQ(text, "-110");
    EXPECT_NO_THROW(laue.testcheckLabel());
}

TEST(PlotType, StoresAndRedraws) {
    clLAUE laue;
    RecordingOwner owner;
    laue.newDocument(&owner);
    laue.setPlotType(2);
    EXPECT_EQ(laue.m_mode, 2);
    EXPECT_EQ(owner.redraws, 1);
}

TEST(Palette, GreyRampAndHues) {
    const engine::SpotPalette grey = engine::spotPalette(false);
    for (int i : {0, 1, 128, 255}) EXPECT_EQ(grey[static_cast<std::size_t>(i)], rgb(i, i, i));
    // A fresh program draws with the grey ramp.
    EXPECT_EQ(AppState{}.palette, grey);

    // Hue, saturation and lightness go through steps of 1/239: lightness 0.5 is
    // 119.5 -> 120 (halves to even) -> l = 120/239; with s = 1, q = 1 and
    // p = 2l - 1 = 1/239, which is 255/239 = 1.07 -> 1 as a channel.
    const engine::SpotPalette hues = engine::spotPalette(true);
    EXPECT_EQ(hues[0], rgb(255, 1, 1));  // hue 0: red, g and b at p
    // Entry 170: hue 170/255 * 239 = 159.33 -> 159, h = 159/239 = 0.66527.
    // r: h + 1/3 >= 2/3 -> p -> 1; b: h - 1/3 = 0.33194 in [1/6, 1/2) -> q -> 255;
    // g: p + (q - p)(2/3 - h) 6 = 1/239 + (238/239)(0.0013947)(6) = 0.012517 -> 3.19 -> 3.
    EXPECT_EQ(hues[170], rgb(1, 3, 255));
    // Entry 85: hue 79.67 -> 80, h = 0.33473; g = q; r: h + 1/3 = 0.66806 >= 2/3 -> p;
    // b: h - 1/3 = 0.0013947 < 1/6 -> p + (q - p) 6 (0.0013947) = 0.012517 -> 3.
    EXPECT_EQ(hues[85], rgb(1, 255, 3));
    EXPECT_EQ(hues[255], hues[0]);  // the hue circle closes

    // No saturation: grey at the quantised lightness, 255 * 120/239 = 128.03.
    EXPECT_EQ(engine::hlsColour(0.3, 0, 0.5), rgb(128, 128, 128));
    EXPECT_EQ(engine::hlsColour(0.25, 1, 0), 0u);
    EXPECT_EQ(engine::hlsColour(0.25, 1, 1), rgb(255, 255, 255));
    EXPECT_EQ(engine::hlsColour(-1.0 / 3, 1, 0.5), engine::hlsColour(2.0 / 3, 1, 0.5));
}
