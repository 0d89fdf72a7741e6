// Detector geometry checked against positions worked out here by hand: right triangles from the
// foot of the normal, frames turned with explicit trigonometry, and LaueTools' own (2theta, chi)
// for the spots of a simulated top-camera exposure.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "EngineFixtures.h"
#include "engine/Detector.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::testing;
using engine::Detector;
using engine::Vec2d;

namespace {

Vec3d scaled(const Vec3d& p, double s) { return {p[0] * s, p[1] * s, p[2] * s}; }
Vec3d sum(const Vec3d& p, const Vec3d& q) { return {p[0] + q[0], p[1] + q[1], p[2] + q[2]}; }

void expectVecNear(const Vec3d& got, const Vec3d& want, double tolerance, const std::string& what = {}) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << what << " component " << i;
}

void expectAt(const std::optional<Vec2d>& got, double x, double y, double tolerance,
              const std::string& what = {}) {
    ASSERT_TRUE(got.has_value()) << what;
    EXPECT_NEAR((*got)[0], x, tolerance) << what;
    EXPECT_NEAR((*got)[1], y, tolerance) << what;
}

// Uniform on the sphere from a fixed seed, so that failures repeat.
Vec3d randomDirection(std::mt19937& random) {
    std::normal_distribution<double> gauss;
    return unit(Vec3d{gauss(random), gauss(random), gauss(random)});
}

// The film presets, the top camera, and placed detectors at random angles and tilts with unequal
// pixel sides.
std::vector<std::pair<std::string, Detector>> sampleDetectors() {
    std::vector<std::pair<std::string, Detector>> all{
        {"transmission", engine::transmissionFilm(30, 90, 120, false)},
        {"transmission flipped", engine::transmissionFilm(45, 127, 178, true)},
        {"back reflection", engine::backReflectionFilm(30, 90, 120, false)},
        {"back reflection flipped", engine::backReflectionFilm(60, 100, 80, true)},
        {"top camera", engine::topCamera(70, 1023.5, 1023.5, 0.08, 2048, 2048)},
    };
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> angle(-180, 180), tilt(-30, 30), centre(-200, 2200);
    std::uniform_real_distribution<double> distance(20, 200), pixel(0.02, 0.2);
    for (int i = 0; i < 8; ++i) {
        // One draw per line: the order of a call's arguments is up to the compiler.
        const double twoTheta = std::uniform_real_distribution<double>(5, 175)(random);
        const double chi = angle(random);
        const double a = tilt(random), b = tilt(random), c = tilt(random);
        const double d = distance(random), x0 = centre(random), y0 = centre(random);
        const double px = pixel(random), py = pixel(random);
        all.emplace_back("placed " + std::to_string(i),
                         engine::placedDetector(twoTheta, chi, {a, b, c}, d, x0, y0, px, py, 1500, 1700));
    }
    return all;
}

}  // namespace

TEST(DetectorMapping, ForwardThenInverseReturnsTheRayAndThePoint) {
    std::mt19937 random(7);
    for (const auto& [name, d] : sampleDetectors()) {
        // Orthonormal frames, right-handed about n except for the films seen from behind.
        EXPECT_NEAR(dot(d.n, d.u), 0, 1e-15) << name;
        EXPECT_NEAR(dot(d.n, d.v), 0, 1e-15) << name;
        EXPECT_NEAR(dot(d.u, d.v), 0, 1e-15) << name;
        for (const Vec3d& axis : {d.n, d.u, d.v}) EXPECT_NEAR(length(axis), 1, 1e-15) << name;
        const bool mirrored = name == "transmission" || name == "back reflection";
        expectVecNear(cross(d.u, d.v), mirrored ? scaled(d.n, -1) : d.n, 1e-15, name);

        const double limit = std::cos((d.maxIncidenceDeg() - 0.5) * kDeg);
        int tried = 0;
        while (tried < 200) {
            const Vec3d r = randomDirection(random);
            if (dot(r, d.n) <= limit) continue;
            ++tried;
            const auto p = d.toDetector(r);
            ASSERT_TRUE(p.has_value()) << name;
            expectVecNear(d.rayAt((*p)[0], (*p)[1]), r, 1e-12, name);
            // Only the direction counts.
            expectAt(d.toDetector(scaled(r, 3.7)), (*p)[0], (*p)[1], 1e-9 * (1 + std::fabs((*p)[0])), name);
        }
        std::uniform_real_distribution<double> x(d.left(), d.right()), y(d.top(), d.bottom());
        for (int i = 0; i < 100; ++i) {
            const double xs = x(random), ys = y(random);
            const Vec3d r = d.rayAt(xs, ys);
            EXPECT_NEAR(length(r), 1, 1e-15) << name;
            expectAt(d.toDetector(r), xs, ys, 1e-8, name);
        }
    }
}

// A ray at phi from n towards u meets the plane D tan(phi) from the foot of the normal along u, and
// likewise towards v.
TEST(DetectorMapping, RaysAtKnownAnglesFromTheNormal) {
    for (const auto& sample : sampleDetectors()) {
        const std::string& name = sample.first;
        const Detector& d = sample.second;  // not a binding: lambdas below capture it
        expectAt(d.toDetector(d.n), d.x0, d.y0, 1e-9, name);
        for (double phi : {3.0, 30.0, 61.0, 85.0}) {
            const double c = std::cos(phi * kDeg), s = std::sin(phi * kDeg),
                         off = d.distance * std::tan(phi * kDeg);
            const std::string what = name + " at " + std::to_string(phi);
            expectAt(d.toDetector(sum(scaled(d.n, c), scaled(d.u, s))), d.x0 + off / d.px, d.y0, 1e-7, what);
            expectAt(d.toDetector(sum(scaled(d.n, c), scaled(d.v, -s))), d.x0, d.y0 - off / d.py, 1e-7, what);
        }
        // Past the limit, parallel to the plane, away from it, or no ray at all: no point.
        const auto at = [&d](double phi) {
            return d.toDetector(sum(scaled(d.n, std::cos(phi * kDeg)), scaled(d.v, std::sin(phi * kDeg))));
        };
        EXPECT_TRUE(at(d.maxIncidenceDeg() - 0.05).has_value()) << name;
        EXPECT_FALSE(at(d.maxIncidenceDeg() + 0.05).has_value()) << name;
        EXPECT_FALSE(d.toDetector(d.u).has_value()) << name;  // parallel, up to rounding
        EXPECT_FALSE(d.toDetector(scaled(d.n, -1)).has_value()) << name;
        EXPECT_FALSE(d.toDetector({0, 0, 0}).has_value()) << name;
    }
    EXPECT_EQ(engine::transmissionFilm(30, 90, 120, false).maxIncidenceDeg(), 88);
    EXPECT_EQ(engine::topCamera(70, 0, 0, 0.1, 10, 10).maxIncidenceDeg(), 90);
}

TEST(DetectorPlacement, AnglesAndTiltsPutTheFrameWhereTheRotationsSay) {
    const double D = 80, x0 = 1000, y0 = 900, px = 0.05, py = 0.07;
    const auto placed = [&](double twoTheta, double chi, std::array<double, 3> tilts) {
        return engine::placedDetector(twoTheta, chi, tilts, D, x0, y0, px, py, 2000, 2000);
    };
    // Straight up: n = -z, u = +y, v = n x u = +x.
    const Detector up = placed(90, 0, {0, 0, 0});
    expectVecNear(up.n, {0, 0, -1}, 1e-15);
    expectVecNear(up.u, {0, 1, 0}, 1e-15);
    expectVecNear(up.v, {1, 0, 0}, 1e-15);

    // 2theta 60, chi 30: n = (1/2, -sqrt3/4, -3/4), u = (0, sqrt3/2, -1/2), v = (sqrt3/2, 1/4, sqrt3/4).
    // The beam meets n at 60 degrees: P = 2D (1, 0, 0), P.u = 0, P.v = sqrt3 D.
    const double r3 = std::sqrt(3.0);
    const Detector side = placed(60, 30, {0, 0, 0});
    expectVecNear(side.n, {0.5, -r3 / 4, -0.75}, 1e-15);
    expectVecNear(side.u, {0, r3 / 2, -0.5}, 1e-15);
    expectVecNear(side.v, {r3 / 2, 0.25, r3 / 4}, 1e-15);
    expectAt(side.beamPoint(), x0, y0 + r3 * D / py, 1e-9);

    // Each tilt of 10 degrees on the upward camera, and where the vertical ray (0, 0, -1) then lands.
    const double t = 10 * kDeg;
    // About u = +y: n = (-sin t, 0, -cos t), v = (cos t, 0, -sin t); P = (0, 0, -D / cos t).
    const Detector a = placed(90, 0, {10, 0, 0});
    expectVecNear(a.n, {-std::sin(t), 0, -std::cos(t)}, 1e-15);
    expectVecNear(a.v, {std::cos(t), 0, -std::sin(t)}, 1e-15);
    expectAt(a.toDetector({0, 0, -1}), x0, y0 + D * std::tan(t) / py, 1e-9);
    // About v = +x: n = (0, sin t, -cos t), u = (0, cos t, sin t).
    const Detector b = placed(90, 0, {0, 10, 0});
    expectVecNear(b.n, {0, std::sin(t), -std::cos(t)}, 1e-15);
    expectVecNear(b.u, {0, std::cos(t), std::sin(t)}, 1e-15);
    expectAt(b.toDetector({0, 0, -1}), x0 - D * std::tan(t) / px, y0, 1e-9);
    // About n by 30: u = (1/2, sqrt3/2, 0), v = (sqrt3/2, -1/2, 0). A ray 20 degrees off the vertical
    // towards +y meets the plane at D tan 20 along +y.
    const Detector c = placed(90, 0, {0, 0, 30});
    expectVecNear(c.u, {0.5, r3 / 2, 0}, 1e-15);
    expectVecNear(c.v, {r3 / 2, -0.5, 0}, 1e-15);
    const double along = D * std::tan(20 * kDeg);
    expectAt(c.toDetector({0, std::sin(20 * kDeg), -std::cos(20 * kDeg)}), x0 + along * r3 / 2 / px,
             y0 - along / 2 / py, 1e-9);

    // Order: 90 about u turns n to -x and v to -z; 90 about that v (a turn of -90 about z) turns n to +y
    // and u to +x. The other order would leave n at -x.
    const Detector both = placed(90, 0, {90, 90, 0});
    expectVecNear(both.n, {0, 1, 0}, 1e-15);
    expectVecNear(both.u, {1, 0, 0}, 1e-15);
    expectVecNear(both.v, {0, 0, -1}, 1e-15);
    expectAt(both.toDetector({1, 1, 0}), x0 + D / px, y0, 1e-9);
    expectAt(both.toDetector({0, 1, -1}), x0, y0 + D / py, 1e-9);
}

TEST(DetectorPlacement, RefusesImpossibleGeometry) {
    const auto number = [](auto make) {
        try {
            make();
        } catch (const Error& e) {
            return e.number();
        }
        return 0;
    };
    const double nan = std::nan("");
    EXPECT_EQ(number([] { engine::transmissionFilm(0, 90, 120, false); }), Error::InvalidCall);
    EXPECT_EQ(number([] { engine::backReflectionFilm(30, -1, 120, false); }), Error::InvalidCall);
    EXPECT_EQ(number([&] { engine::transmissionFilm(30, 90, nan, false); }), Error::InvalidCall);
    EXPECT_EQ(number([] { engine::topCamera(70, 0, 0, 0, 10, 10); }), Error::InvalidCall);
    EXPECT_EQ(number([] { engine::topCamera(70, 0, 0, 0.1, 0, 10); }), Error::InvalidCall);
    EXPECT_EQ(number([&] {
                  engine::placedDetector(90, 0, {0, nan, 0}, 70, 0, 0, 0.1, 0.1, 10, 10);
              }),
              Error::InvalidCall);
}

// Films are seen from outside the camera, looking towards the crystal, with z (down) downwards.
TEST(DetectorPlacement, FilmsShowThePatternAsSeenFromOutside) {
    const double D = 30;
    const Detector front = engine::transmissionFilm(D, 90, 120, false);
    const Detector frontFlipped = engine::transmissionFilm(D, 90, 120, true);
    EXPECT_EQ(front.x0, 45);
    EXPECT_EQ(front.y0, 60);
    // Towards -y: seen from behind the film, that is to the right. Down (+z) is down on the picture.
    expectAt(front.toDetector({1, -0.2, 0}), 45 + 0.2 * D, 60, 1e-12);
    expectAt(front.toDetector({1, 0, 0.2}), 45, 60 + 0.2 * D, 1e-12);
    expectAt(frontFlipped.toDetector({1, -0.2, 0}), 45 - 0.2 * D, 60, 1e-12);
    expectAt(frontFlipped.toDetector({1, 0, 0.2}), 45, 60 + 0.2 * D, 1e-12);
    expectAt(front.beamPoint(), 45, 60, 1e-12);

    const Detector back = engine::backReflectionFilm(D, 90, 120, false);
    const Detector backFlipped = engine::backReflectionFilm(D, 90, 120, true);
    expectAt(back.toDetector({-1, 0.2, 0}), 45 + 0.2 * D, 60, 1e-12);
    expectAt(back.toDetector({-1, 0, 0.2}), 45, 60 + 0.2 * D, 1e-12);
    expectAt(backFlipped.toDetector({-1, 0.2, 0}), 45 - 0.2 * D, 60, 1e-12);
    expectAt(back.beamPoint(), 45, 60, 1e-12);  // the incoming beam passes through its middle

    // Films: the frame is the film in mm, spots beyond it still count. Cameras: pixel centres count
    // from 0, the frame is their outer edge, and nothing shows beyond it.
    for (const Detector& film : {front, back}) {
        EXPECT_TRUE(film.isFilm());
        EXPECT_FALSE(film.boundedByFrame());
        EXPECT_EQ((std::array<double, 4>{film.left(), film.top(), film.right(), film.bottom()}),
                  (std::array<double, 4>{0, 0, 90, 120}));
        EXPECT_TRUE(film.inFrame({0, 120}));
        EXPECT_FALSE(film.inFrame({90.01, 60}));
        EXPECT_FALSE(film.inFrame({45, -0.01}));
    }
    const auto& k = engine::kTopCameraDefaults;
    const Detector camera = engine::topCamera(k.distance, k.x0, k.y0, k.pixelMm, k.widthPx, k.heightPx);
    EXPECT_FALSE(camera.isFilm());
    EXPECT_TRUE(camera.boundedByFrame());
    EXPECT_EQ((std::array<double, 4>{camera.left(), camera.top(), camera.right(), camera.bottom()}),
              (std::array<double, 4>{-0.5, -0.5, 2047.5, 2047.5}));
    EXPECT_TRUE(camera.inFrame({-0.5, 2047.5}));
    EXPECT_FALSE(camera.inFrame({2047.6, 0}));
    // The default camera's normal meets the middle of its frame.
    EXPECT_EQ((camera.left() + camera.right()) / 2, camera.x0);
    EXPECT_EQ((camera.top() + camera.bottom()) / 2, camera.y0);
    // The beam passes under a camera that looks straight down.
    EXPECT_FALSE(camera.beamPoint().has_value());
}

// Bragg reflection as a mirror: the beam reflected on the planes of normal g leaves along the ray of
// the spot.
TEST(DetectorMapping, PlaneNormalReflectsTheBeamIntoTheRayOfItsSpot) {
    const Vec3d b{1, 0, 0};
    std::mt19937 random(11);
    for (const auto& [name, d] : sampleDetectors()) {
        std::uniform_real_distribution<double> x(d.left(), d.right()), y(d.top(), d.bottom());
        for (int i = 0; i < 50; ++i) {
            const double xs = x(random), ys = y(random);
            const Vec3d g = d.planeNormalAt(xs, ys);
            EXPECT_NEAR(length(g), 1, 1e-14) << name;
            EXPECT_LT(dot(g, b), 0) << name;
            expectVecNear(sum(b, scaled(g, -2 * dot(b, g))), d.rayAt(xs, ys), 1e-12, name);
        }
    }
    // Straight up: the planes' normal points back and up, at 45 degrees to both.
    const Detector up = engine::topCamera(70, 1000, 1000, 0.1, 2000, 2000);
    expectVecNear(up.planeNormalAt(1000, 1000), {-std::sqrt(0.5), 0, -std::sqrt(0.5)}, 1e-15);
    // The direct beam is reflected by no plane.
    expectVecNear(engine::transmissionFilm(30, 90, 120, false).planeNormalAt(45, 60), {0, 0, 0}, 0);
}

TEST(DetectorAngles, TwoThetaAndChiAreInversesOfEachOther) {
    expectVecNear(engine::rayFromAngles(0, 37), {1, 0, 0}, 1e-15);
    expectVecNear(engine::rayFromAngles(90, 0), {0, 0, -1}, 1e-15);
    expectVecNear(engine::rayFromAngles(90, 90), {0, -1, 0}, 1e-15);
    expectVecNear(engine::rayFromAngles(120, -45), {-0.5, std::sqrt(3.0 / 8), -std::sqrt(3.0 / 8)}, 1e-15);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> twoTheta(0.5, 179.5), chi(-179.5, 179.5);
    for (int i = 0; i < 200; ++i) {
        const double t = twoTheta(random), c = chi(random);
        const auto back = engine::anglesOfRay(scaled(engine::rayFromAngles(t, c), 2.5));
        EXPECT_NEAR(back[0], t, 1e-9);
        EXPECT_NEAR(back[1], c, 1e-9);
    }
}
