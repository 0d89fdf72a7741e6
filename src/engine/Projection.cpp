// Projection of reflections onto the flat films and the stereogram.
#include "engine/Projection.h"

#include <algorithm>
#include <cmath>

#include "engine/AppState.h"
#include "engine/Cell.h"
#include "engine/LaueEngine.h"
#include "engine/OrientationMath.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora {

namespace engine {

namespace {

void filmDirection(const Vec3d& v, double& cy, double& cz) {
    const double r = std::sqrt(v[1] * v[1] + v[2] * v[2]);
    cy = r > 0 ? v[1] / r : 0;
    cz = r > 0 ? v[2] / r : 0;
}

}  // namespace

BraggDirection braggDirection(const Vec3f& lab) {
    Vec3d v{lab[0], lab[1], lab[2]};
    if (v[0] < 0)
        for (double& c : v) c = -c;
    normalise(v);
    BraggDirection b;
    b.theta = kPi / 2 - arcCos(std::fabs(v[0]));
    b.thetaDeg = b.theta / kDegToRad;
    filmDirection(v, b.cy, b.cz);
    return b;
}

std::array<float, 2> filmPosition(const BraggDirection& b, int plotType, float scale) {
    std::array<float, 2> p{0, 0};
    if (b.thetaDeg < 44 && plotType == 1) {
        const double t = std::tan(2 * b.theta);
        p = {static_cast<float>(t * b.cy * scale), static_cast<float>(t * b.cz * scale)};
    } else if (b.thetaDeg > 46 && plotType == 2) {
        const double t = std::tan(kPi - 2 * b.theta);
        p = {static_cast<float>(-t * b.cy * scale), static_cast<float>(t * b.cz * scale)};
    } else if ((b.thetaDeg > 45 && plotType == 1) || (b.thetaDeg < 45 && plotType == 2)) {
        p[0] = kOffFilm;
    }
    // Within 4 units of the centre the spot is behind the beam stop; this also
    // hides the angles between the two geometries, which stay at (0, 0).
    if (std::sqrt(p[0] * p[0] + p[1] * p[1]) < 4.0f) p[0] = kHidden;
    return p;
}

int paletteEntry(double key, bool reversed) {
    double p = (1 - key) * 2 / 3;
    if (reversed) p = 1 - p;
    const double entry = util::nearest(p * 255);
    if (!(entry >= 0)) return 0;  // also NaN
    return static_cast<int>(std::min(entry, 255.0));
}

FilmSpot intensitySpot(double f, double fMax, double spotSize, bool reversed) {
    if (!(fMax > 0)) return {};
    return {static_cast<float>(std::min(f / fMax * spotSize + 0.5, 10.0)),
            paletteEntry(f * f / fMax / fMax, reversed)};
}

FilmSpot wavelengthSpot(double d, double dMax, double lambda, double lambdaMin, double lambdaMax,
                        double spotSize, bool reversed) {
    const double band = lambdaMax - lambdaMin;
    if (!(dMax > 0) || !(band > 0)) return {};
    return {static_cast<float>(d / dMax * spotSize + 0.5),
            paletteEntry((lambda - lambdaMin) / band, reversed)};
}

std::optional<uint32_t> stereoColour(double value, double low, double high) {
    const double range = high - low;
    if (!(range > 0)) return std::nullopt;
    const double key = (value - low) / range;
    return hlsColour((1 - key) * 2 / 3, 1.0, 0.5);
}

uint32_t strengthGrey(double v) {
    double g = util::nearest(255 - (v * 255 + 0.1));
    if (!(g >= 0)) g = 0;
    return static_cast<uint32_t>(std::min(g, 255.0)) * 0x010101u;
}

std::array<float, 2> stereoPosition(const Vec3f& lab, float radius) {
    Vec3d v{lab[0], lab[1], lab[2]};
    normalise(v);
    const double rho = arcCos(std::fabs(v[0]));
    double cy = 0, cz = 0;
    filmDirection(v, cy, cz);
    const double t = std::tan(rho / 2) * radius;
    return {static_cast<float>(t * cy), static_cast<float>(t * cz)};
}

}  // namespace engine

namespace {

[[noreturn]] void subscriptOutOfRange() { throw Error(Error::SubscriptOutOfRange, "Subscript out of range"); }

}  // namespace

// The list index in column 3 of a laboratory row (32-bit: lists outgrow 16 bits).
int32_t clLAUE::reflectionAtRow(int32_t row) const {
    const auto& lab = labVectorTable();
    if (row < 0 || static_cast<std::size_t>(row) >= lab.size()) subscriptOutOfRange();
    const double n = util::nearest(lab[static_cast<std::size_t>(row)][3]);
    if (!(n >= 0 && n < static_cast<double>(std::min(listD.size(), listF.size())))) subscriptOutOfRange();
    return static_cast<int32_t>(n);
}

float clLAUE::braggWavelength(int32_t row) const { return braggWavelengthOf(reflectionAtRow(row)); }

float clLAUE::braggWavelengthOf(int32_t n) const {
    const engine::BraggDirection b = engine::braggDirection(labVectorOf(n));
    return static_cast<float>(2.0 * listD.at(static_cast<std::size_t>(n)) * std::sin(b.theta));
}

std::array<float, 2> clLAUE::LAUEXY(int32_t row, float scale, uint32_t& colour) {
    return projectFilm(reflectionAtRow(row), scale, colour);
}

std::array<float, 2> clLAUE::STEREOXY(int32_t row, float radius, uint32_t& colour) const {
    return projectStereo(reflectionAtRow(row), radius, colour);
}

std::array<float, 2> clLAUE::projectFilm(int32_t reflection, float scale, uint32_t& colour) {
    const engine::BraggDirection b = engine::braggDirection(labVectorOf(reflection));
    if (static_cast<std::size_t>(reflection) >= std::min(listD.size(), listF.size())) subscriptOutOfRange();
    const auto n = static_cast<std::size_t>(reflection);
    const float d = listD[n];
    const auto lambda = static_cast<float>(2.0 * d * std::sin(b.theta));
    if (lambda < x_lambda_min || lambda > x_lambda_max) return {engine::kOffFilm, 0};

    std::array<float, 2> p = engine::filmPosition(b, m_mode, scale);
    if (p[0] >= engine::kHidden) return p;
    const AppState& app = appState();
    if (app.settings.flipX) p[0] = -p[0];

    const bool reversed = app.flags.blackBackground && !app.flags.spotColouring;
    const engine::FilmSpot spot = x_withIntensity ? engine::intensitySpot(listF[n], fMax, spotSize, reversed)
                                                  : engine::wavelengthSpot(d, dMax, lambda, x_lambda_min,
                                                                           x_lambda_max, spotSize, reversed);
    currentSpotRadius = spot.radius;
    currentWavelength = lambda;
    colour = app.palette[static_cast<std::size_t>(spot.entry)];
    return p;
}

std::array<float, 2> clLAUE::projectStereo(int32_t reflection, float radius, uint32_t& colour) const {
    const Vec3f& v = labVectorOf(reflection);
    if (v[0] < -0.01f) return {0, 0};
    const std::array<float, 2> p = engine::stereoPosition(v, radius);
    const AppState& app = appState();
    if (app.flags.spotColouring) {
        if (static_cast<std::size_t>(reflection) >= std::min(listD.size(), listF.size()))
            subscriptOutOfRange();
        const auto n = static_cast<std::size_t>(reflection);
        const std::optional<uint32_t> c = x_withIntensity ? engine::stereoColour(listF[n], 0, fMax)
                                                          : engine::stereoColour(listD[n], dMin, dMax);
        colour = c.value_or(app.palette[0]);
    }
    return p;
}

float clLAUE::relativeStrength(int32_t n) const {
    if (x_withIntensity) {
        const float f = getF(n);
        return fMax > 0 ? f / fMax : 0.0f;
    }
    const float d = getD(n);
    return dMax > 0 ? d / dMax : 0.0f;
}

float clLAUE::spotRadius(int32_t n) const { return relativeStrength(n) * spotSize + 0.1f; }

uint32_t clLAUE::spotGrey(int32_t n) const { return engine::strengthGrey(relativeStrength(n)); }

void clLAUE::setPlotType(int16_t type) {
    m_mode = type;
    if (owner) owner->redrawPattern();
}

}  // namespace lumora
