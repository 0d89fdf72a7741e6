#include "engine/Detector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "util/Error.h"

namespace lumora::engine {

namespace {

// The exact factor, not the engine's classic rounded one, with which 90 degrees would leave the top
// camera's normal 5e-8 off the vertical.
constexpr double kDeg = std::numbers::pi / 180;

double dot(const Vec3d& p, const Vec3d& q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }

Vec3d cross(const Vec3d& p, const Vec3d& q) {
    return {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
}

// Turns w right-handed about the unit axis k (Rodrigues).
Vec3d turned(const Vec3d& w, const Vec3d& k, double degrees) {
    const double c = std::cos(degrees * kDeg), s = std::sin(degrees * kDeg);
    const Vec3d kw = cross(k, w);
    const double along = dot(k, w) * (1 - c);
    Vec3d r{};
    for (int i = 0; i < 3; ++i) r[i] = w[i] * c + kw[i] * s + k[i] * along;
    return r;
}

// The axis is one of the frame's own vectors, so it is copied before they turn.
void turnFrame(Detector& d, const Vec3d& axis, double degrees) {
    const Vec3d k = axis;
    d.n = turned(d.n, k, degrees);
    d.u = turned(d.u, k, degrees);
    d.v = turned(d.v, k, degrees);
}

[[noreturn]] void refuse(const std::string& what) {
    throw Error(Error::InvalidCall, "Invalid detector: " + what);
}

void checkPositive(double value, const char* what) {
    if (!(std::isfinite(value) && value > 0)) refuse(std::string(what) + " must be a positive number");
}

void checkFinite(double value, const char* what) {
    if (!std::isfinite(value)) refuse(std::string(what) + " must be a finite number");
}

Detector film(Detector::Kind kind, double distanceMm, double widthMm, double heightMm) {
    checkPositive(distanceMm, "the distance");
    checkPositive(widthMm, "the film width");
    checkPositive(heightMm, "the film height");
    Detector d;
    d.kind = kind;
    d.distance = distanceMm;
    d.x0 = widthMm / 2;
    d.y0 = heightMm / 2;
    d.width = widthMm;
    d.height = heightMm;
    return d;
}

}  // namespace

bool Detector::isFilm() const { return kind != Kind::Flat; }
double Detector::left() const { return isFilm() ? 0 : -0.5; }
double Detector::top() const { return isFilm() ? 0 : -0.5; }
double Detector::right() const { return isFilm() ? width : width - 0.5; }
double Detector::bottom() const { return isFilm() ? height : height - 0.5; }
double Detector::maxIncidenceDeg() const { return isFilm() ? 88 : 90; }
bool Detector::boundedByFrame() const { return !isFilm(); }

std::optional<Vec2d> Detector::toDetector(const Vec3d& ray) const {
    const double length = std::sqrt(dot(ray, ray));
    const double along = dot(ray, n);
    // Compared on the unit ray, so that the limit does not depend on the ray's length.
    static const double filmLimit = std::cos(88 * kDeg);
    const double least = isFilm() ? filmLimit : 1e-12;
    if (!(length > 0) || !(along > length * least)) return std::nullopt;
    const double scale = distance / along;
    const Vec3d p{ray[0] * scale, ray[1] * scale, ray[2] * scale};
    return Vec2d{x0 + dot(p, u) / px, y0 + dot(p, v) / py};
}

bool Detector::inFrame(const Vec2d& p) const {
    return p[0] >= left() && p[0] <= right() && p[1] >= top() && p[1] <= bottom();
}

Vec3d Detector::rayAt(double x, double y) const {
    const double a = (x - x0) * px, b = (y - y0) * py;
    Vec3d p{};
    for (int i = 0; i < 3; ++i) p[i] = distance * n[i] + a * u[i] + b * v[i];
    const double length = std::sqrt(dot(p, p));
    for (double& c : p) c /= length;
    return p;
}

Vec3d Detector::planeNormalAt(double x, double y) const {
    Vec3d g = rayAt(x, y);
    g[0] -= 1;
    const double length = std::sqrt(dot(g, g));
    if (length > 0)
        for (double& c : g) c /= length;
    return g;
}

std::optional<Vec2d> Detector::beamPoint() const {
    // Downstream of the crystal; else upstream, where the incoming beam passes
    // through a plane that faces the source (the back-reflection film's hole).
    if (const auto ahead = toDetector({1, 0, 0})) return ahead;
    return toDetector({-1, 0, 0});
}

Detector transmissionFilm(double distanceMm, double widthMm, double heightMm, bool flipX) {
    Detector d = film(Detector::Kind::TransmissionFilm, distanceMm, widthMm, heightMm);
    d.n = {1, 0, 0};
    d.u = {0, flipX ? 1.0 : -1.0, 0};
    d.v = {0, 0, 1};
    return d;
}

Detector backReflectionFilm(double distanceMm, double widthMm, double heightMm, bool flipX) {
    Detector d = film(Detector::Kind::BackReflectionFilm, distanceMm, widthMm, heightMm);
    d.n = {-1, 0, 0};
    d.u = {0, flipX ? -1.0 : 1.0, 0};
    d.v = {0, 0, 1};
    return d;
}

Detector placedDetector(double twoThetaDeg, double chiDeg, const std::array<double, 3>& tiltsDeg,
                        double distance, double x0, double y0, double px, double py, int widthPx,
                        int heightPx) {
    checkFinite(twoThetaDeg, "2theta");
    checkFinite(chiDeg, "chi");
    for (double t : tiltsDeg) checkFinite(t, "a tilt");
    checkPositive(distance, "the distance");
    checkFinite(x0, "the centre x");
    checkFinite(y0, "the centre y");
    checkPositive(px, "the pixel width");
    checkPositive(py, "the pixel height");
    if (widthPx < 1 || heightPx < 1) refuse("the frame must be at least one pixel wide and high");
    Detector d;
    d.kind = Detector::Kind::Flat;
    d.distance = distance;
    d.n = rayFromAngles(twoThetaDeg, chiDeg);
    // Perpendicular to n for every 2theta, since n's (y, z) part lies along (sin chi, cos chi).
    d.u = {0, std::cos(chiDeg * kDeg), -std::sin(chiDeg * kDeg)};
    d.v = cross(d.n, d.u);
    turnFrame(d, d.u, tiltsDeg[0]);
    turnFrame(d, d.v, tiltsDeg[1]);
    turnFrame(d, d.n, tiltsDeg[2]);
    d.x0 = x0;
    d.y0 = y0;
    d.px = px;
    d.py = py;
    d.width = widthPx;
    d.height = heightPx;
    return d;
}

Detector topCamera(double distance, double x0, double y0, double pixelMm, int widthPx, int heightPx) {
    return placedDetector(90, 0, {0, 0, 0}, distance, x0, y0, pixelMm, pixelMm, widthPx, heightPx);
}

Detector defaultTopCamera() {
    const CameraSettings& c = kTopCameraDefaults;
    return topCamera(c.distance, c.x0, c.y0, c.pixelMm, c.widthPx, c.heightPx);
}

Detector calibratedCamera(const DetCalibration& c) {
    checkFinite(c.xbet, "xbet");
    checkFinite(c.xgam, "xgam");
    Detector d = topCamera(c.dd, c.xcen, c.ycen, c.pixelSize, c.dim1, c.dim2);
    const double beta = c.xbet * kDeg, gamma = -c.xgam * kDeg;
    const Vec3d e1{0, 1, 0}, e2{std::cos(beta), 0, std::sin(beta)};
    d.n = {std::sin(beta), 0, -std::cos(beta)};
    for (int i = 0; i < 3; ++i) {
        d.u[i] = std::cos(gamma) * e1[i] + std::sin(gamma) * e2[i];
        d.v[i] = -std::sin(gamma) * e1[i] + std::cos(gamma) * e2[i];
    }
    return d;
}

Vec3d rayFromAngles(double twoThetaDeg, double chiDeg) {
    const double t = twoThetaDeg * kDeg, c = chiDeg * kDeg;
    return {std::cos(t), -std::sin(t) * std::sin(c), -std::sin(t) * std::cos(c)};
}

std::array<double, 2> anglesOfRay(const Vec3d& r) {
    const double length = std::sqrt(dot(r, r));
    const double x = length > 0 ? std::clamp(r[0] / length, -1.0, 1.0) : 1.0;
    return {std::acos(x) / kDeg, std::atan2(-r[1], -r[2]) / kDeg};
}

}  // namespace lumora::engine
