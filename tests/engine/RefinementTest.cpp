// Refinement checked on spots simulated here from first principles: silicon's allowed reflections
// in a wavelength band, their rays r = b - 2 (b.n) n, and where those meet a plane, worked out with
// this file's own formulas from the detector's fields. A known turn of the crystal and a known shift
// and tilt of the detector must come back, within the uncertainties the refinement states, and
// those uncertainties must match the scatter of repeated noisy trials. LaueTools' own calibration of
// its SiCustrain0 exposure must come back from a deliberately wrong one.
#include <gtest/gtest.h>

#include <Eigen/Geometry>
#include <cmath>
#include <fstream>
#include <numeric>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Detector.h"
#include "engine/Refinement.h"
#include "util/Error.h"

using namespace lumora;
using Eigen::Matrix3d;
using Eigen::Vector3d;
using engine::DetCalibration;
using engine::Detector;
using engine::RefinementResult;
using engine::RefinementSpot;
using engine::Vec2d;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;
constexpr double kSilicon = 5.4309;

Vector3d eig(const Vec3d& v) { return {v[0], v[1], v[2]}; }
Vec3d arr(const Vector3d& v) { return {v[0], v[1], v[2]}; }

Matrix3d toEigen(const engine::Mat3d& m) {
    Matrix3d o;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) o(r, c) = m[r][c];
    return o;
}

engine::Mat3d fromEigen(const Matrix3d& o) {
    engine::Mat3d m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = o(r, c);
    return m;
}

Matrix3d turn(const Vector3d& axis, double degrees) {
    return Eigen::AngleAxisd(degrees * kDeg, axis.normalized()).toRotationMatrix();
}

// The angle between two orientations, degrees.
double misorientation(const Matrix3d& a, const Matrix3d& b) {
    return Eigen::AngleAxisd(a.transpose() * b).angle() / kDeg;
}

// F d -3 m: h k l all odd, or all even with h + k + l a multiple of 4.
bool siliconAllows(int h, int k, int l) {
    const bool odd = (h & 1) && (k & 1) && (l & 1);
    const bool even = !(h & 1) && !(k & 1) && !(l & 1);
    return odd || (even && ((h + k + l) % 4 + 4) % 4 == 0);
}

struct Reflex {
    Vector3d g;    // crystal frame, 1/Å
    Vector3d ray;  // laboratory
};

// Every direction h k l (coprime, up to 7) with a harmonic that silicon allows and whose wavelength
// 2 d sin(theta) lies in 0.5-2.5 Å, seen by the orientation O: n = O^T g / |g|, r = b - 2 (b.n) n.
std::vector<Reflex> siliconReflexes(const Matrix3d& o) {
    std::vector<Reflex> out;
    for (int h = -7; h <= 7; ++h)
        for (int k = -7; k <= 7; ++k)
            for (int l = -7; l <= 7; ++l) {
                if (std::gcd(std::gcd(h, k), l) != 1) continue;
                const Vector3d g = Vector3d(h, k, l) / kSilicon;
                const Vector3d n = (o.transpose() * g).normalized();
                const double sinTheta = -n[0];
                if (sinTheta <= 0) continue;
                for (int m = 1; m <= 30; ++m) {
                    const double lambda = 2 * sinTheta / (m * g.norm());
                    if (lambda < 0.5) break;
                    if (lambda <= 2.5 && siliconAllows(m * h, m * k, m * l)) {
                        out.push_back({g, Vector3d(1, 0, 0) - 2 * n[0] * n});
                        break;
                    }
                }
            }
    return out;
}

// P = D r / (r.n), x = x0 + P.u / px, y = y0 + P.v / py; only rays meeting the frame.
std::optional<Vec2d> project(const Detector& d, const Vector3d& r) {
    const double along = r.dot(eig(d.n));
    if (along <= 0.05) return std::nullopt;
    const Vector3d p = d.distance * r / along;
    const double x = d.x0 + p.dot(eig(d.u)) / d.px, y = d.y0 + p.dot(eig(d.v)) / d.py;
    const double lo = d.isFilm() ? 0 : -0.5, right = d.isFilm() ? d.width : d.width - 0.5,
                 bottom = d.isFilm() ? d.height : d.height - 0.5;
    if (x < lo || x > right || y < lo || y > bottom) return std::nullopt;
    return Vec2d{x, y};
}

Vector3d rayThrough(const Detector& d, const Vec2d& p) {
    return (d.distance * eig(d.n) + (p[0] - d.x0) * d.px * eig(d.u) + (p[1] - d.y0) * d.py * eig(d.v))
        .normalized();
}

// The spots `truth` (orientation and detector) puts on the frame, their pixels with Gaussian noise
// of `noise` detector units, their rays read through `assumed`, the detector the user believes in.
std::vector<RefinementSpot> exposure(const Matrix3d& o, const Detector& truth, const Detector& assumed,
                                     double noise, std::mt19937& random) {
    std::normal_distribution<double> gauss(0, noise > 0 ? noise : 1);
    std::vector<RefinementSpot> spots;
    for (const Reflex& r : siliconReflexes(o)) {
        const auto p = project(truth, r.ray);
        if (!p) continue;
        const double dx = noise > 0 ? gauss(random) : 0;
        const double dy = noise > 0 ? gauss(random) : 0;
        const Vec2d seen{(*p)[0] + dx, (*p)[1] + dy};
        spots.push_back({arr(r.g), arr(rayThrough(assumed, seen)), seen});
    }
    return spots;
}

// The same detector moved: distance and centre shifted, the frame turned about its own u then v.
Detector moved(Detector d, double distance, double dx, double dy, double tiltU, double tiltV) {
    const Matrix3d r = turn(eig(d.u), tiltU) * turn(eig(d.v), tiltV);
    d.distance += distance;
    d.x0 += dx;
    d.y0 += dy;
    d.n = arr(r * eig(d.n));
    d.u = arr(r * eig(d.u));
    d.v = arr(r * eig(d.v));
    return d;
}

const engine::RefinedParameter& parameter(const RefinementResult& result, const std::string& name) {
    for (const auto& p : result.parameters)
        if (p.name == name) return p;
    ADD_FAILURE() << "no parameter " << name;
    static const engine::RefinedParameter none;
    return none;
}

// Within `k` standard uncertainties, and the uncertainty itself finite and positive.
void expectWithinSigma(const RefinementResult& result, const std::string& name, double truth, double k = 3) {
    const auto& p = parameter(result, name);
    EXPECT_TRUE(std::isfinite(p.sigma) && p.sigma > 0) << name << " sigma " << p.sigma;
    EXPECT_LE(std::abs(p.change - truth), k * p.sigma)
        << name << ": " << p.change << " +- " << p.sigma << ", true " << truth;
}

// A crystal in no special orientation, and the small turn (0.3 degrees about a skew axis) that
// takes the starting guess to it: O_true^T = R O_start^T.
const Matrix3d kStart = turn({1, 2, 3}, 37) * turn({0, 1, -1}, 21);
const Vector3d kAxis = Vector3d(2, -1, 2).normalized();
const Matrix3d kTrue = kStart * turn(kAxis, 0.3).transpose();
const Vector3d kRotation = 0.3 * kAxis;

std::vector<std::pair<std::string, Detector>> detectors() {
    return {{"top camera", engine::defaultTopCamera()},
            {"transmission film", engine::transmissionFilm(30, 90, 120, false)}};
}

void expectRotation(const RefinementResult& result, const Vector3d& want, double tolerance) {
    const char* names[] = {"rotation x", "rotation y", "rotation z"};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(parameter(result, names[i]).change, want[i], tolerance) << names[i];
}

TEST(Refinement, RecoversASmallTurnOfTheCrystalExactlyWithoutNoise) {
    for (const auto& [what, detector] : detectors()) {
        SCOPED_TRACE(what);
        std::mt19937 random(1);
        const auto spots = exposure(kTrue, detector, detector, 0, random);
        ASSERT_GE(spots.size(), 30u);
        for (const bool withPixels : {false, true}) {
            std::vector<RefinementSpot> given = spots;
            if (!withPixels)
                for (auto& s : given) s.pixel.reset();
            const RefinementResult result = engine::refine(given, fromEigen(kStart), detector, false);
            EXPECT_TRUE(result.converged);
            EXPECT_GT(result.iterations, 0);
            ASSERT_EQ(result.parameters.size(), 3u);
            expectRotation(result, kRotation, 1e-4);
            EXPECT_LT(misorientation(toEigen(result.matrix), kTrue), 1e-6);
            // Every spot was 0.3 degrees of crystal turn off: its ray by up to twice that.
            EXPECT_GT(result.startMeanDeviationDeg, 0.1);
            EXPECT_LT(result.startMeanDeviationDeg, 0.6);
            EXPECT_GE(result.startRmsDeviationDeg, result.startMeanDeviationDeg);
            EXPECT_LT(result.meanDeviationDeg, 1e-6);
            EXPECT_LT(result.rmsDeviationDeg, 1e-6);
            EXPECT_EQ(result.rmsPixels == 0, !withPixels);
            EXPECT_LT(result.rmsPixels, 1e-6);
            EXPECT_EQ(result.startRmsPixels > 0, withPixels);
            for (const auto& p : result.parameters) EXPECT_LT(p.sigma, 1e-6) << p.name;
        }
    }
}

TEST(Refinement, RecoversTheTurnWithinItsUncertaintyFromNoisyPixels) {
    // 0.3 px on the camera (0.08 mm pixels), 0.02 mm on the film.
    const double noise[] = {0.3, 0.02};
    int i = 0;
    for (const auto& [what, detector] : detectors()) {
        SCOPED_TRACE(what);
        std::mt19937 random(20240611);
        const double sigmaPixels = noise[i++];
        const auto spots = exposure(kTrue, detector, detector, sigmaPixels, random);
        const RefinementResult result = engine::refine(spots, fromEigen(kStart), detector, false);
        EXPECT_TRUE(result.converged);
        const char* names[] = {"rotation x", "rotation y", "rotation z"};
        for (int k = 0; k < 3; ++k) {
            expectWithinSigma(result, names[k], kRotation[k]);
            EXPECT_LT(parameter(result, names[k]).sigma, 0.01);
        }
        // Two noisy coordinates: sqrt(2) sigma on the detector.
        EXPECT_NEAR(result.rmsPixels, std::sqrt(2.0) * sigmaPixels, 0.25 * sigmaPixels);
        EXPECT_LT(result.meanDeviationDeg, result.startMeanDeviationDeg / 5);
    }
}

TEST(Refinement, RecoversAShiftedAndTiltedDetectorWithTheCrystal) {
    struct Case {
        std::string what;
        Detector start;
        double noise, centre;
        double tiltU, tiltV;  // of the true frame, about the starting u and v
        std::string secondTurn;
    };
    // The camera above the crystal tilts about u (across the beam) and turns about n; the film,
    // facing the beam, tilts about u and v. Its centre is in mm: 3 px of the camera is 0.24 mm.
    const std::vector<Case> cases{
        {"top camera", engine::defaultTopCamera(), 0.3, 3, 0.2, 0, "turn n"},
        {"transmission film", engine::transmissionFilm(30, 90, 120, false), 0.02, 0.24, 0, 0.2, "tilt v"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Detector truth = moved(c.start, 0.5, c.centre, -c.centre, c.tiltU, c.tiltV);
        std::mt19937 random(7);
        const auto spots = exposure(kTrue, truth, c.start, c.noise, random);
        ASSERT_GE(spots.size(), 30u);
        const RefinementResult result = engine::refine(spots, fromEigen(kStart), c.start, true);
        EXPECT_TRUE(result.converged);
        ASSERT_EQ(result.parameters.size(), 8u);
        EXPECT_EQ(result.parameters[7].name, c.secondTurn);
        expectWithinSigma(result, "distance", 0.5);
        expectWithinSigma(result, "centre x", c.centre);
        expectWithinSigma(result, "centre y", -c.centre);
        expectWithinSigma(result, "tilt u", c.tiltU);
        expectWithinSigma(result, c.secondTurn, c.tiltV);
        const char* names[] = {"rotation x", "rotation y", "rotation z"};
        for (int k = 0; k < 3; ++k) expectWithinSigma(result, names[k], kRotation[k]);
        EXPECT_NEAR(result.rmsPixels, std::sqrt(2.0) * c.noise, 0.25 * c.noise);
        EXPECT_GT(result.startRmsPixels, 10 * result.rmsPixels);
        EXPECT_LT(std::abs(result.detector.distance - truth.distance), 0.1);
        EXPECT_LT(std::acos(std::min(1.0, eig(result.detector.n).dot(eig(truth.n)))) / kDeg, 0.05);
        EXPECT_EQ(result.detector.kind, c.start.kind);
        // The refined detector's own rays through the pixels now agree with the refined crystal.
        EXPECT_LT(result.meanDeviationDeg, result.startMeanDeviationDeg / 5);
    }
}

// LaueTools' camera (xbet, xgam) stays one: the tilt lowers xbet, the in-plane turn xgam.
TEST(Refinement, ACalibratedCameraStaysOneAndItsCalibrationComesBack) {
    const DetCalibration wrong{70.5, 1020.0, 1000.0, 0.6, -0.2, 0.08, 2048, 2048};
    const DetCalibration right{70.0, 1023.5, 1003.0, 0.35, 0.1, 0.08, 2048, 2048};
    std::mt19937 random(99);
    const auto spots =
        exposure(kTrue, engine::calibratedCamera(right), engine::calibratedCamera(wrong), 0.2, random);
    const RefinementResult result =
        engine::refine(spots, fromEigen(kStart), engine::calibratedCamera(wrong), true);
    expectWithinSigma(result, "tilt u", wrong.xbet - right.xbet);
    expectWithinSigma(result, "turn n", wrong.xgam - right.xgam);
    const auto back = engine::cameraCalibration(result.detector);
    ASSERT_TRUE(back.has_value());
    EXPECT_NEAR(back->dd, right.dd, 3 * parameter(result, "distance").sigma);
    EXPECT_NEAR(back->xcen, right.xcen, 3 * parameter(result, "centre x").sigma);
    EXPECT_NEAR(back->ycen, right.ycen, 3 * parameter(result, "centre y").sigma);
    EXPECT_NEAR(back->xbet, right.xbet, 3 * parameter(result, "tilt u").sigma);
    EXPECT_NEAR(back->xgam, right.xgam, 3 * parameter(result, "turn n").sigma);
    EXPECT_EQ(back->pixelSize, 0.08);
    EXPECT_EQ(back->dim1, 2048);
}

// Over many noisy exposures the errors divided by the stated uncertainties have a mean square
// near 1 (chi-square over the number of values; +-0.4 is over 3 of its standard deviations).
TEST(Refinement, UncertaintiesMatchTheScatterOfRepeatedExposures) {
    const Detector camera = engine::defaultTopCamera();
    for (const bool withDetector : {false, true}) {
        SCOPED_TRACE(withDetector ? "orientation and detector" : "orientation");
        const Detector truth = withDetector ? moved(camera, 0.5, 3, -3, 0.2, 0) : camera;
        const std::vector<double> want{kRotation[0], kRotation[1], kRotation[2], 0.5, 3, -3, 0.2, 0};
        double sumSquares = 0;
        int count = 0;
        for (unsigned seed = 1; seed <= 30; ++seed) {
            std::mt19937 random(seed);
            const auto spots = exposure(kTrue, truth, camera, 0.5, random);
            const RefinementResult result = engine::refine(spots, fromEigen(kStart), camera, withDetector);
            for (std::size_t k = 0; k < result.parameters.size(); ++k) {
                const double z = (result.parameters[k].change - want[k]) / result.parameters[k].sigma;
                sumSquares += z * z;
                ++count;
            }
        }
        EXPECT_NEAR(sumSquares / count, 1.0, 0.4);
    }
}

TEST(Refinement, UncertaintiesHalveWithFourTimesTheSpots) {
    const Detector camera = engine::defaultTopCamera();
    const Detector truth = moved(camera, 0.5, 3, -3, 0.2, 0);
    std::mt19937 random(5);
    const auto once = exposure(kTrue, truth, camera, 0.5, random);
    std::vector<RefinementSpot> fourTimes;
    for (int k = 0; k < 4; ++k) {
        const auto more = exposure(kTrue, truth, camera, 0.5, random);
        fourTimes.insert(fourTimes.end(), more.begin(), more.end());
    }
    for (const bool withDetector : {false, true}) {
        const auto few = engine::refine(once, fromEigen(kStart), camera, withDetector);
        const auto many = engine::refine(fourTimes, fromEigen(kStart), camera, withDetector);
        for (std::size_t k = 0; k < few.parameters.size(); ++k) {
            const double ratio = few.parameters[k].sigma / many.parameters[k].sigma;
            EXPECT_GT(ratio, 1.6) << few.parameters[k].name;
            EXPECT_LT(ratio, 2.5) << few.parameters[k].name;
        }
    }
}

// Spots of one plane normal leave the turn about that normal free. With O = I and the normal
// (-1, 0, 1) / sqrt 2, and rays seen in the x-z plane that keep it there, that turn has no y
// component: rotation y is determined, x and z are not.
TEST(Refinement, ParametersTheSpotsDoNotDetermineHaveInfiniteUncertainty) {
    std::vector<RefinementSpot> spots;
    const double tip[] = {0.01, -0.02, 0.015};
    for (int m = 1; m <= 3; ++m) {
        const Vector3d ray = Vector3d(tip[m - 1], 0, 1).normalized();
        spots.push_back({{-1.0 * m, 0, 1.0 * m}, arr(ray), std::nullopt});
    }
    const engine::Mat3d identity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    const auto result = engine::refine(spots, identity, engine::defaultTopCamera(), false);
    EXPECT_TRUE(std::isinf(parameter(result, "rotation x").sigma));
    EXPECT_TRUE(std::isinf(parameter(result, "rotation z").sigma));
    const double sigmaY = parameter(result, "rotation y").sigma;
    EXPECT_TRUE(std::isfinite(sigmaY) && sigmaY > 0) << sigmaY;
    EXPECT_LT(result.meanDeviationDeg, result.startMeanDeviationDeg);
}

void expectRefused(const std::vector<RefinementSpot>& spots, const engine::Mat3d& o, bool detector,
                   const std::string& words) {
    try {
        engine::refine(spots, o, engine::defaultTopCamera(), detector);
        ADD_FAILURE() << "accepted; expected: " << words;
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::InvalidCall);
        EXPECT_NE(e.description().find(words), std::string::npos) << e.description();
    }
}

TEST(Refinement, RefusesTooFewSpotsAndBadInput) {
    std::mt19937 random(3);
    const Detector camera = engine::defaultTopCamera();
    const auto spots = exposure(kTrue, camera, camera, 0, random);
    const auto start = fromEigen(kStart);
    const auto first = [&](std::size_t n) {
        return std::vector<RefinementSpot>(spots.begin(), spots.begin() + n);
    };
    expectRefused(first(2), start, false, "at least 3 indexed spots, 2 given");
    expectRefused({}, start, false, "at least 3 indexed spots, 0 given");
    expectRefused(first(5), start, true, "at least 6 indexed spots, 5 given");
    EXPECT_NO_THROW(engine::refine(first(3), start, camera, false));
    EXPECT_NO_THROW(engine::refine(first(6), start, camera, true));

    auto noPixel = first(8);
    noPixel[4].pixel.reset();
    expectRefused(noPixel, start, true, "spot 5 has no detector position");
    auto zero = first(8);
    zero[2].g = {0, 0, 0};
    expectRefused(zero, start, false, "spot 3 has no reciprocal vector");
    auto noRay = first(8);
    noRay[0].ray = {std::nan(""), 0, 0};
    expectRefused(noRay, start, false, "spot 1 has no observed ray");
    engine::Mat3d sheared = start;
    sheared[0][1] += 0.01;
    expectRefused(first(8), sheared, false, "not a rotation");
    const engine::Mat3d mirror{{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    expectRefused(first(8), mirror, false, "not a rotation");
}

TEST(CameraCalibration, ComesBackFromTheCameraItMade) {
    const std::vector<DetCalibration> calibrations{
        {77.088, 1012.45, 1049.92, 0.423, 0.172, 0.0734, 2018, 2016},
        {70, 1023.5, 1023.5, 0, 0, 0.08, 2048, 2048},
        {55.5, -20, 3000, -12.5, 37, 0.2, 100, 300},
    };
    for (const DetCalibration& c : calibrations) {
        const auto back = engine::cameraCalibration(engine::calibratedCamera(c));
        ASSERT_TRUE(back.has_value());
        EXPECT_NEAR(back->dd, c.dd, 1e-12);
        EXPECT_NEAR(back->xcen, c.xcen, 1e-12);
        EXPECT_NEAR(back->ycen, c.ycen, 1e-12);
        EXPECT_NEAR(back->xbet, c.xbet, 1e-10);
        EXPECT_NEAR(back->xgam, c.xgam, 1e-10);
        EXPECT_EQ(back->pixelSize, c.pixelSize);
        EXPECT_EQ(back->dim1, c.dim1);
        EXPECT_EQ(back->dim2, c.dim2);
    }
}

TEST(CameraCalibration, RefusesDetectorsNotOfThatForm) {
    EXPECT_FALSE(engine::cameraCalibration(engine::transmissionFilm(30, 90, 120, false)));
    EXPECT_FALSE(engine::cameraCalibration(engine::backReflectionFilm(30, 90, 120, false)));
    // Beside the crystal, or above it but leaning sideways: n leaves the x-z plane.
    EXPECT_FALSE(
        engine::cameraCalibration(engine::placedDetector(90, 30, {0, 0, 0}, 70, 0, 0, 0.08, 0.08, 10, 10)));
    EXPECT_FALSE(
        engine::cameraCalibration(engine::placedDetector(90, 0, {0, 1, 0}, 70, 0, 0, 0.08, 0.08, 10, 10)));
    // Below the crystal.
    EXPECT_FALSE(
        engine::cameraCalibration(engine::placedDetector(90, 180, {0, 0, 0}, 70, 0, 0, 0.08, 0.08, 10, 10)));
    // Pixels that are not square.
    EXPECT_FALSE(
        engine::cameraCalibration(engine::placedDetector(90, 0, {0, 0, 0}, 70, 0, 0, 0.08, 0.1, 10, 10)));
    // A turn about u and in its plane keeps it one: xbet = -tilt u, xgam = -turn n.
    const auto tilted =
        engine::cameraCalibration(engine::placedDetector(90, 0, {-1.5, 0, 2}, 70, 5, 6, 0.1, 0.1, 10, 20));
    ASSERT_TRUE(tilted.has_value());
    EXPECT_NEAR(tilted->xbet, 1.5, 1e-12);
    EXPECT_NEAR(tilted->xgam, -2, 1e-12);
}

// LaueTools' simulated exposure of silicon on its top camera, with its calibration: the 155
// silicon spots of its indexing, their h k l, (2theta, chi) and pixels.
struct LaueToolsSilicon {
    std::vector<RefinementSpot> spots;
    Matrix3d matrix;
};

LaueToolsSilicon readSilicon() {
    std::ifstream in(std::string(LUMORA_LAUE_DATA_DIR) + "/SiCustrain0.fit");
    LaueToolsSilicon out;
    std::string line;
    std::vector<double> ub;
    bool inSilicon = true;
    while (std::getline(in, line)) {
        if (line.rfind("#Cu", 0) == 0) inSilicon = false;
        if (!inSilicon) break;
        if (line.rfind("#UB", 0) == 0) {
            for (int r = 0; r < 3 && std::getline(in, line); ++r) {
                for (char& c : line)
                    if (c == '#' || c == '[' || c == ']') c = ' ';
                std::istringstream row(line);
                double value;
                while (row >> value) ub.push_back(value);
            }
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        double index, intensity, h, k, l, twoTheta, chi, x, y;
        if (!(row >> index >> intensity >> h >> k >> l >> twoTheta >> chi >> x >> y)) continue;
        out.spots.push_back(
            {{h / kSilicon, k / kSilicon, l / kSilicon}, engine::rayFromAngles(twoTheta, chi), Vec2d{x, y}});
    }
    EXPECT_EQ(ub.size(), 9u);
    Matrix3d u;
    for (int i = 0; i < 9 && ub.size() == 9; ++i) u(i / 3, i % 3) = ub[static_cast<std::size_t>(i)];
    // Lumora's frame is LaueTools' turned by 180 degrees about the beam; the orthonormal part of UB.
    const Eigen::JacobiSVD<Matrix3d> svd(u, Eigen::ComputeFullU | Eigen::ComputeFullV);
    out.matrix = (Vector3d(1, -1, -1).asDiagonal() * svd.matrixU() * svd.matrixV().transpose()).transpose();
    return out;
}

TEST(Refinement, FindsLaueToolsCalibrationOfItsSiliconExposureAgain) {
    const LaueToolsSilicon silicon = readSilicon();
    ASSERT_EQ(silicon.spots.size(), 155u);
    const DetCalibration laueTools{77.088, 1012.45, 1049.92, 0.423, 0.172, 0.0734, 2018, 2016};

    // The orientation alone, from the angles, starting 0.3 degrees off.
    const Matrix3d start = silicon.matrix * turn(kAxis, 0.3).transpose();
    const auto orientation =
        engine::refine(silicon.spots, fromEigen(start), engine::calibratedCamera(laueTools), false);
    EXPECT_LT(misorientation(toEigen(orientation.matrix), silicon.matrix), 0.002);
    EXPECT_LT(orientation.meanDeviationDeg, 0.002);
    EXPECT_LT(orientation.rmsPixels, 0.1);

    // Orientation and camera from the pixels, starting from a camera 0.5 mm, a few pixels and a
    // few tenths of a degree off, the rays read through it.
    const DetCalibration wrong{77.588, 1015.45, 1046.92, 0.623, 0.072, 0.0734, 2018, 2016};
    const Detector assumed = engine::calibratedCamera(wrong);
    std::vector<RefinementSpot> spots = silicon.spots;
    for (auto& s : spots) s.ray = arr(rayThrough(assumed, *s.pixel));
    const auto both = engine::refine(spots, fromEigen(start), assumed, true);
    EXPECT_TRUE(both.converged);
    EXPECT_LT(both.rmsPixels, 0.1);
    const auto back = engine::cameraCalibration(both.detector);
    ASSERT_TRUE(back.has_value());
    EXPECT_NEAR(back->dd, laueTools.dd, 0.01);
    EXPECT_NEAR(back->xcen, laueTools.xcen, 0.1);
    EXPECT_NEAR(back->ycen, laueTools.ycen, 0.1);
    EXPECT_NEAR(back->xbet, laueTools.xbet, 0.005);
    EXPECT_NEAR(back->xgam, laueTools.xgam, 0.005);
    EXPECT_LT(misorientation(toEigen(both.matrix), silicon.matrix), 0.005);
}

}  // namespace
