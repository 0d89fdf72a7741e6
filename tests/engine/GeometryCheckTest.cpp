// Flat-film positions checked against Bragg's law and the film geometry worked
// out here from the cell constants alone; only the orientation matrix is taken
// from the engine.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineFixtures.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Expected {
    bool placed = false;
    bool borderline = false;  // too close to a limit for single precision to decide
    double x = 0, y = 0, lambda = 0;
};

// Beam along +x, film in the y-z plane at distance D. The reflecting planes'
// normal n (reciprocal vector, taken on the side facing along the beam) makes
// the Bragg angle theta with the film plane: sin(theta) = n_x. The diffracted
// ray is the beam mirrored on those planes, s = x - 2 (x.n) n, at 2 theta from
// the beam; it meets a film at distance D at D |s_yz| / |s_x| from the centre.
// The engine's film coordinates put the spot along n's own (y, z) direction,
// with y negated on the back-reflection film. (The traced ray itself leaves
// along -n_yz: only its distance from the centre is taken from it.)
Expected expectedSpot(const Vec3d& g, int mode, double distance, double lambdaMin, double lambdaMax) {
    Vec3d n = g;
    if (n[0] < 0)
        for (double& c : n) c = -c;
    const double norm = length(n);
    for (double& c : n) c /= norm;
    const double d = 1 / norm;
    const double sinTheta = n[0];
    const double thetaDeg = std::asin(sinTheta) * 180 / kPi;

    Expected e;
    e.lambda = 2 * d * sinTheta;
    const Vec3d s{1 - 2 * sinTheta * n[0], -2 * sinTheta * n[1], -2 * sinTheta * n[2]};
    const double sideways = std::hypot(s[1], s[2]);
    const double r = std::hypot(n[1], n[2]);
    const double cy = r > 0 ? n[1] / r : 0, cz = r > 0 ? n[2] / r : 0;

    const double rel = 1e-5;
    e.borderline = std::fabs(e.lambda - lambdaMin) < rel * lambdaMin ||
                   std::fabs(e.lambda - lambdaMax) < rel * lambdaMax;
    for (double limit : {44.0, 45.0, 46.0}) e.borderline |= std::fabs(thetaDeg - limit) < 1e-3;
    if (e.lambda < lambdaMin || e.lambda > lambdaMax) return e;

    double along = 0;
    if (mode == 1 && thetaDeg < 44 && s[0] > 0) {
        along = distance * sideways / s[0];  // film behind the crystal
        e.x = along * cy;
        e.y = along * cz;
    } else if (mode == 2 && thetaDeg > 46 && s[0] < 0) {
        along = distance * sideways / -s[0];  // film between source and crystal
        e.x = -along * cy;
        e.y = along * cz;
    } else {
        return e;
    }
    e.borderline |= std::fabs(along - 4) < 1e-3;
    e.placed = along >= 4;  // the beam stop hides the centre
    return e;
}

struct Tally {
    int placed = 0;
    int outsideBand = 0;
};

Tally checkFilm(clLAUE& laue, const TestLattice& lattice, int mode) {
    const double distance = 30;
    laue.m_mode = static_cast<int16_t>(mode);
    Tally tally;
    const auto& lab = laue.labVectorTable();
    for (std::size_t j = 0; j < lab.size(); ++j) {
        const auto n = static_cast<int32_t>(lab[j][3]);
        const int h = laue.getH(n), k = laue.getK(n), l = laue.getL(n);
        const Vec3d t = labOf(laue.orientationMatrix(), lattice.normal(h, k, l));
        const Expected e = expectedSpot(t, mode, distance, laue.x_lambda_min, laue.x_lambda_max);
        if (e.borderline) continue;
        uint32_t colour = 0;
        const auto p = laue.LAUEXY(static_cast<int32_t>(j), static_cast<float>(distance), colour);
        const std::string what = std::to_string(h) + " " + std::to_string(k) + " " + std::to_string(l);
        if (e.lambda < laue.x_lambda_min || e.lambda > laue.x_lambda_max) {
            EXPECT_EQ(p[0], 99999) << what;
            ++tally.outsideBand;
            continue;
        }
        if (!e.placed) {
            EXPECT_GE(p[0], 88888) << what;
            continue;
        }
        EXPECT_LT(p[0], 88888) << what;
        if (p[0] >= 88888) continue;
        const double size = std::hypot(e.x, e.y);
        EXPECT_NEAR(p[0], e.x, 1e-3 * size) << what;
        EXPECT_NEAR(p[1], e.y, 1e-3 * size) << what;
        EXPECT_NEAR(laue.wavelengthOfLastSpot(), e.lambda, 1e-5 * e.lambda) << what;
        ++tally.placed;
    }
    return tally;
}

void orientGenerally(clLAUE& laue) {
    laue.setOrientation(1, 2, 3, true);
    laue.DoRotate(1, 17);
    laue.DoRotate(2, -23);
    laue.DoRotate(3, 31);
}

class GeometryCheck : public AppStateGuard {
protected:
    void SetUp() override {
        AppStateGuard::SetUp();
        appState().settings.flipX = false;
        appState().flags = DisplayFlags{};
    }
};

}  // namespace

TEST_F(GeometryCheck, CubicCrystal) {
    clLAUE laue;
    generate(laue, {5.431f, 5.431f, 5.431f, 90, 90, 90}, "F d -3 m");
    orientGenerally(laue);
    laue.x_lambda_min = 0.35f;
    laue.x_lambda_max = 1.8f;
    const TestLattice lattice = latticeOf({5.431f, 5.431f, 5.431f, 90, 90, 90});
    const Tally transmission = checkFilm(laue, lattice, 1);
    const Tally back = checkFilm(laue, lattice, 2);
    EXPECT_GT(transmission.placed, 30);
    EXPECT_GT(back.placed, 30);
    EXPECT_GT(transmission.outsideBand, 30);
}

TEST_F(GeometryCheck, TriclinicCrystal) {
    clLAUE laue;
    generate(laue, {5.2f, 6.1f, 7.3f, 82, 97, 104.5f});
    orientGenerally(laue);
    laue.x_lambda_min = 0.3f;
    laue.x_lambda_max = 2.0f;
    const TestLattice lattice = latticeOf({5.2f, 6.1f, 7.3f, 82, 97, 104.5f});
    const Tally transmission = checkFilm(laue, lattice, 1);
    const Tally back = checkFilm(laue, lattice, 2);
    EXPECT_GT(transmission.placed, 30);
    EXPECT_GT(back.placed, 30);
    EXPECT_GT(back.outsideBand, 30);
}
