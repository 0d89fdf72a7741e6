// Projection of reflections onto the flat films and the stereogram.
#include "engine/Projection.h"

#include <algorithm>
#include <cmath>

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

namespace {

// theta = classic pi / 2 - arccos(x) exceeds the true Bragg angle by this.
const double kClassicShift = (kPi - 3.14159265358979323846) / 2;

}  // namespace

bool BraggDirection::forward() const { return sinTheta <= cosTheta; }

BraggDirection braggDirection(const Vec3f& lab) {
    Vec3d v{lab[0], lab[1], lab[2]};
    if (v[0] < 0)
        for (double& c : v) c = -c;
    normalise(v);
    BraggDirection b;
    const double x = std::min(v[0], 1.0);
    b.cosPhi = x;
    b.sinPhi = std::sqrt(std::max(0.0, 1 - x * x));
    // sin and cos of (true theta + shift): the shift is far below the size at
    // which its cosine differs from 1.
    b.sinTheta = x + b.sinPhi * kClassicShift;
    b.cosTheta = b.sinPhi - x * kClassicShift;
    filmDirection(v, b.cy, b.cz);
    return b;
}

Vec3d scatteredRay(const BraggDirection& b) {
    // The angle is taken from the nearer end of the beam's axis, forwards
    // 2 theta, backwards pi - 2 theta = 2 phi, so that rays close to either
    // keep their precision (and both films their classic positions to the
    // last digit).
    if (b.forward()) {
        const double s = 2 * b.sinTheta * b.cosTheta;
        const double c = (b.cosTheta - b.sinTheta) * (b.cosTheta + b.sinTheta);
        return {c, -s * b.cy, -s * b.cz};
    }
    const double s = 2 * b.sinPhi * b.cosPhi;
    const double c = (b.cosPhi - b.sinPhi) * (b.cosPhi + b.sinPhi);
    return {-c, -s * b.cy, -s * b.cz};
}

DetectorHit hitOnDetector(const Vec3f& lab, float d, float lambdaMin, float lambdaMax, const Detector& det) {
    DetectorHit hit;
    const BraggDirection b = braggDirection(lab);
    hit.wavelength = static_cast<float>(2.0 * d * b.sinTheta);
    if (hit.wavelength < lambdaMin || hit.wavelength > lambdaMax) {
        hit.miss = DetectorHit::Miss::OutsideBand;
        return hit;
    }
    const Vec3d r = scatteredRay(b);
    const std::optional<Vec2d> at = det.toDetector(r);
    if (!at) {
        const double along = r[0] * det.n[0] + r[1] * det.n[1] + r[2] * det.n[2];
        hit.miss = along > 0 ? DetectorHit::Miss::Grazing : DetectorHit::Miss::OtherSide;
        return hit;
    }
    hit.at = *at;
    if (det.boundedByFrame() && !det.inFrame(hit.at)) hit.miss = DetectorHit::Miss::OutsideFrame;
    return hit;
}

LauePlacer::LauePlacer(const Detector& det, float lambdaMin, float lambdaMax)
    : det_(det), lambdaMin_(lambdaMin), lambdaMax_(lambdaMax) {
    // The exact wavelength differs from the quick one by rounding and by the
    // classic value of pi in the Bragg angle (2e-10 in theta, so at most
    // 4e-10 d): far less than this and 1e-9 d.
    lowest_ = lambdaMin - (1e-6 * std::fabs(lambdaMin) + 1e-7);
    highest_ = lambdaMax + (1e-6 * std::fabs(lambdaMax) + 1e-7);
    leastAlong_ = std::cos(det.maxIncidenceDeg() * kPi / 180) - 1e-6;
}

DetectorHit LauePlacer::place(const Vec3f& lab, float d) const {
    using Miss = DetectorHit::Miss;
    const double x = lab[0], y = lab[1], z = lab[2];
    const double squared = x * x + y * y + z * z;
    // Where |lab| = 1 / d (every generated list; a reflection file may say
    // otherwise), the wavelength 2 d |x| / |lab| is close to 2 |x| d^2: the
    // reflections far outside the band go without a square root.
    const double dd = static_cast<double>(d) * d;
    if (std::fabs(squared * dd - 1) < 1e-3) {
        const double roughly = 2.0 * std::fabs(x) * dd;
        if (roughly < 0.99 * lowest_ || roughly > 1.01 * highest_)
            return {Miss::OutsideBand, {}, static_cast<float>(roughly)};
    }
    if (squared > 0) {
        // The unit normal facing along the beam, v, reflects the beam into
        // r = b - 2 (b.v) v, and sin(theta) = v.x.
        const double inverse = (x < 0 ? -1 : 1) / std::sqrt(squared);
        const double vx = x * inverse, vy = y * inverse, vz = z * inverse;
        const double lambda = 2.0 * d * vx;
        const double slack = 1e-9 * d;
        if (lambda < lowest_ - slack || lambda > highest_ + slack)
            return {Miss::OutsideBand, {}, static_cast<float>(lambda)};
        const double rx = 1 - 2 * vx * vx, ry = -2 * vx * vy, rz = -2 * vx * vz;
        const Vec3d& n = det_.n;
        const double along = rx * n[0] + ry * n[1] + rz * n[2];
        if (along < leastAlong_)
            return {along > 0 ? Miss::Grazing : Miss::OtherSide, {}, static_cast<float>(lambda)};
        if (det_.boundedByFrame() && along > 1e-3) {
            const double k = det_.distance / along;
            const Vec3d &u = det_.u, &v = det_.v;
            const double px = k * (rx * u[0] + ry * u[1] + rz * u[2]) / det_.px;
            const double py = k * (rx * v[0] + ry * v[1] + rz * v[2]) / det_.py;
            const double margin = 1 + 1e-6 * (std::fabs(px) + std::fabs(py));
            const double cx = det_.x0 + px, cy = det_.y0 + py;
            if (cx < det_.left() - margin || cx > det_.right() + margin || cy < det_.top() - margin ||
                cy > det_.bottom() + margin)
                return {Miss::OutsideFrame, {cx, cy}, static_cast<float>(lambda)};
        }
    }
    return hitOnDetector(lab, d, lambdaMin_, lambdaMax_, det_);
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
    if (!(n >= 0 && n < static_cast<double>(list_.size()))) subscriptOutOfRange();
    return static_cast<int32_t>(n);
}

float clLAUE::braggWavelength(int32_t row) const { return braggWavelengthOf(reflectionAtRow(row)); }

float clLAUE::braggWavelengthOf(int32_t n) const {
    const engine::BraggDirection b = engine::braggDirection(labVectorOf(n));
    return static_cast<float>(2.0 * getD(n) * b.sinTheta);
}

engine::Detector clLAUE::laueDetector(bool flipX) const {
    switch (m_mode) {
        case kTransmissionPlot:
            return engine::transmissionFilm(x_fsd, filmWidth, filmHeight, flipX);
        case kBackReflectionPlot:
            return engine::backReflectionFilm(x_fsd, filmWidth, filmHeight, flipX);
        default:
            return detector_;
    }
}

FilmProjection clLAUE::LAUEXY(int32_t row, float scale, const SpotStyle& style) const {
    return projectFilm(reflectionAtRow(row), scale, style);
}

FilmProjection clLAUE::projectFilm(int32_t n, float scale, const SpotStyle& style) const {
    FilmProjection p;
    if (!isLauePlot(m_mode)) {
        p.x = engine::kHidden;
        return p;
    }
    const engine::Detector det = laueDetector(style.flipX);
    const engine::Reflection& r = list_[checkedIndex(n)];
    const engine::DetectorHit hit =
        engine::hitOnDetector(labVectorOf(n), r.d, x_lambda_min, x_lambda_max, det);
    using Miss = engine::DetectorHit::Miss;
    if (hit.miss == Miss::OutsideBand || hit.miss == Miss::OtherSide) {
        p.x = engine::kOffFilm;
        return p;
    }
    if (hit.miss != Miss::None) {
        p.x = engine::kHidden;
        return p;
    }
    // Output units of `scale` per mm / distance, y up, from the foot of the normal.
    const double k = scale / det.distance;
    p.x = static_cast<float>((hit.at[0] - det.x0) * det.px * k);
    p.y = static_cast<float>(-(hit.at[1] - det.y0) * det.py * k);
    std::optional<std::array<float, 2>> beamOffset;
    if (const auto beam = det.beamPoint())
        beamOffset = {static_cast<float>(((*beam)[0] - det.x0) * det.px * k),
                      static_cast<float>(-((*beam)[1] - det.y0) * det.py * k)};
    if (engine::behindBeamStop({p.x, p.y}, beamOffset)) {
        p.x = engine::kHidden;
        return p;
    }
    const bool reversed = style.blackBackground && !style.spotColouring;
    const engine::FilmSpot spot = x_withIntensity
                                      ? engine::intensitySpot(r.f, list_.fMax, style.spotSize, reversed)
                                      : engine::wavelengthSpot(r.d, list_.dMax, hit.wavelength, x_lambda_min,
                                                               x_lambda_max, style.spotSize, reversed);
    p.radius = spot.radius;
    p.wavelength = hit.wavelength;
    p.colour = style.palette ? (*style.palette)[static_cast<std::size_t>(spot.entry)]
                             : static_cast<uint32_t>(spot.entry) * 0x010101u;
    return p;
}

std::array<float, 2> clLAUE::STEREOXY(int32_t row, float radius, uint32_t& colour,
                                      const SpotStyle& style) const {
    return projectStereo(reflectionAtRow(row), radius, colour, style);
}

std::array<float, 2> clLAUE::projectStereo(int32_t n, float radius, uint32_t& colour,
                                           const SpotStyle& style) const {
    const Vec3f& v = labVectorOf(n);
    if (v[0] < -0.01f) return {0, 0};
    const std::array<float, 2> p = engine::stereoPosition(v, radius);
    if (style.spotColouring) {
        const engine::Reflection& r = list_[checkedIndex(n)];
        const std::optional<uint32_t> c = x_withIntensity ? engine::stereoColour(r.f, 0, list_.fMax)
                                                          : engine::stereoColour(r.d, list_.dMin, list_.dMax);
        colour = c.value_or(style.palette ? (*style.palette)[0] : 0u);
    }
    return p;
}

float clLAUE::relativeStrength(int32_t n) const {
    const engine::Reflection& r = list_[checkedIndex(n)];
    if (x_withIntensity) return list_.fMax > 0 ? r.f / list_.fMax : 0.0f;
    return list_.dMax > 0 ? r.d / list_.dMax : 0.0f;
}

float clLAUE::spotRadius(int32_t n, float spotSize) const { return relativeStrength(n) * spotSize + 0.1f; }

uint32_t clLAUE::spotGrey(int32_t n) const { return engine::strengthGrey(relativeStrength(n)); }

int32_t clLAUE::checkedIndex(int32_t n) const {
    if (n < 0 || n >= list_.size()) subscriptOutOfRange();
    return n;
}

}  // namespace lumora
