#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "EngineFixtures.h"
#include "engine/OrientationMath.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

Mat3f product(const Mat3f& p, const Mat3f& q) {
    Mat3f r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += static_cast<double>(p[i][k]) * q[k][j];
            r[i][j] = static_cast<float>(s);
        }
    return r;
}

// The turn about laboratory axis 1, 2 or 3 as a matrix, written out.
Mat3f turn(int axis, double degrees) {
    const float c = static_cast<float>(std::cos(degrees * kDeg));
    const float s = static_cast<float>(std::sin(degrees * kDeg));
    if (axis == 1) return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    if (axis == 2) return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

void expectMatrixNear(const Mat3f& got, const Mat3f& want, double tolerance = 1e-6) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(got[i][j], want[i][j], tolerance) << "element " << i << j;
}

void expectRotation(const Mat3f& o) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += static_cast<double>(o[i][k]) * o[j][k];
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-6);
        }
    const Vec3d r0{o[0][0], o[0][1], o[0][2]}, r1{o[1][0], o[1][1], o[1][2]}, r2{o[2][0], o[2][1], o[2][2]};
    EXPECT_NEAR(dot(r0, cross(r1, r2)), 1.0, 1e-6);
}

// After the crystal is oriented, the chosen crystal vector lies along +x.
void expectOnBeam(const clLAUE& laue, const Vec3d& crystal) {
    const Vec3d t = labOf(laue.orientationMatrix(), crystal);
    const double n = length(crystal);
    EXPECT_NEAR(t[0], n, 1e-5 * n);
    EXPECT_NEAR(t[1], 0, 1e-5 * n);
    EXPECT_NEAR(t[2], 0, 1e-5 * n);
}

const std::array<double, 6> kTriclinic{5.2, 6.1, 7.3, 82, 97, 104.5};

}  // namespace

TEST(Rotation, QuarterTurnsAboutEachAxis) {
    clLAUE laue;
    laue.DoRotate(1, 90);
    // Columns (1,0,0), (0,0,1), (0,-1,0).
    expectMatrixNear(laue.orientationMatrix(), {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}});
    laue.resetRotationMatrix();
    laue.DoRotate(2, 90);
    expectMatrixNear(laue.orientationMatrix(), {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}});
    laue.resetRotationMatrix();
    laue.DoRotate(3, 90);
    expectMatrixNear(laue.orientationMatrix(), {{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}});
}

TEST(Rotation, TurnsComposeOnTheRight) {
    clLAUE laue;
    laue.DoRotate(1, 30);
    laue.DoRotate(3, 40);
    laue.DoRotate(2, -25);
    expectMatrixNear(laue.orientationMatrix(), product(product(turn(1, 30), turn(3, 40)), turn(2, -25)));

    clLAUE one, two;
    one.DoRotateYZ(17, -33);
    two.DoRotate(2, 17);
    two.DoRotate(3, -33);
    EXPECT_EQ(one.orientationMatrix(), two.orientationMatrix());
    one.DoRotateXYZ(5, 6, 7);
    two.DoRotate(1, 5);
    two.DoRotate(2, 6);
    two.DoRotate(3, 7);
    EXPECT_EQ(one.orientationMatrix(), two.orientationMatrix());
}

TEST(Rotation, OnlyAxesOneToThreeTurn) {
    clLAUE laue;
    laue.DoRotate(1, 20);
    const Mat3f before = laue.orientationMatrix();
    for (int16_t axis : {0, 4, -1, 100}) {
        laue.DoRotate(axis, 45);
        EXPECT_EQ(laue.orientationMatrix(), before) << axis;
    }
}

TEST(Rotation, LaboratoryTableFollowsEveryTurn) {
    clLAUE laue;
    RecordingOwner owner;
    laue.newDocument(&owner);
    generate(laue, {5.2f, 6.1f, 7.3f, 82, 97, 104.5f});
    laue.DoRotate(1, 33);
    laue.DoRotateYZ(-12, 71);

    const auto& lab = laue.labVectorTable();
    const auto& recip = laue.recipVectorTable();
    ASSERT_EQ(lab.size(), static_cast<std::size_t>(laue.n_hkl));
    const TestLattice lattice = latticeOf(kTriclinic);
    std::set<int> seen;
    for (std::size_t j = 0; j < lab.size(); ++j) {
        if (j > 0) {
            EXPECT_LE(lab[j - 1][0], lab[j][0]) << "sorted along the beam";
        }
        const int n = static_cast<int>(lab[j][3]);
        seen.insert(n);
        // Each row is O^T of its own reflection's reciprocal vector ...
        const Vec3d t =
            labOf(laue.orientationMatrix(), lattice.normal(laue.getH(n), laue.getK(n), laue.getL(n)));
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(lab[j][c], t[c], 2e-6 * length(t));
        // ... and the reciprocal table knows where it went.
        EXPECT_EQ(recip[static_cast<std::size_t>(n)][3], static_cast<float>(j));
    }
    EXPECT_EQ(seen.size(), lab.size());

    // The crystal axes turn with the crystal.
    for (int k = 0; k < 3; ++k) {
        const Vec3d t = labOf(laue.orientationMatrix(), lattice.direct[k]);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(laue.labAxes()[k][c], t[c], 1e-5);
    }
    // Every turn reports the beam direction to the document.
    EXPECT_FALSE(owner.orientations.empty());
    EXPECT_EQ(owner.orientations.back(), laue.m_auvw);
}

TEST(SetOrientation, PutsTheVectorOnThePositiveBeam) {
    clLAUE laue;
    generate(laue, {5, 5, 5, 90, 90, 90});
    laue.setOrientation(1, 0, 0, true);
    expectOnBeam(laue, {5, 0, 0});
    const TestLattice cubic = latticeOf({5, 5, 5, 90, 90, 90});
    for (auto [u, v, w] :
         std::vector<std::array<float, 3>>{{1, 2, 3}, {-1, 2, -3}, {0, -1, 0}, {-1, 0, 0}, {0, 0, -2}}) {
        laue.setOrientation(u, v, w, true);
        expectOnBeam(laue, cubic.direction(u, v, w));
        expectRotation(laue.orientationMatrix());
    }

    generate(laue, {5.2f, 6.1f, 7.3f, 82, 97, 104.5f});
    const TestLattice tri = latticeOf(kTriclinic);
    for (auto [h, k, l] : std::vector<std::array<float, 3>>{{1, 2, 3}, {-2, 1, 0}, {0, 0, 1}, {1, -1, -1}}) {
        laue.setOrientation(h, k, l, false);
        expectOnBeam(laue, tri.normal(h, k, l));
        laue.setOrientation(h, k, l, true);
        expectOnBeam(laue, tri.direction(h, k, l));
    }
}

TEST(SetOrientation, CubicPlaneAndDirectionAgree) {
    clLAUE laue;
    generate(laue, {5, 5, 5, 90, 90, 90});
    laue.setOrientation(0, 0, 1, false);
    const Mat3f plane = laue.orientationMatrix();
    laue.setOrientation(0, 0, 1, true);
    expectMatrixNear(laue.orientationMatrix(), plane, 0);
}

TEST(SetOrientation, ZeroVectorStillGivesARotationAndRedraws) {
    clLAUE laue;
    RecordingOwner owner;
    laue.newDocument(&owner);
    laue.DoRotate(1, 40);
    laue.setOrientation(0, 0, 0, true);
    expectRotation(laue.orientationMatrix());
    EXPECT_EQ(owner.redraws, 1);
}

TEST(Goniometer, VectorOnTheBeamReadsZero) {
    clLAUE laue;
    generate(laue, {5.2f, 6.1f, 7.3f, 82, 97, 104.5f});
    for (bool direction : {true, false})
        for (auto [u, v, w] :
             std::vector<std::array<float, 3>>{{1, 0, 0}, {1, 2, 3}, {-3, 1, 2}, {1, 1, 1}}) {
            laue.setOrientation(u, v, w, direction);
            const auto g = laue.getGoniometer(u, v, w, direction);
            EXPECT_NEAR(g[0], 0, 0.01) << u << v << w << direction;
            EXPECT_EQ(g[1], 0) << u << v << w << direction;
        }
}

TEST(Goniometer, AngleToTheBeamAndAzimuth) {
    clLAUE laue;
    generate(laue, {5, 5, 5, 90, 90, 90});
    struct Case {
        std::array<float, 3> uvw;
        float tilt, azimuth;
    };
    // tilt = angle to +x, negative on the -y side; azimuth = atan(z / y).
    const double tilt111 = std::acos(1 / std::sqrt(3.0)) / kDeg;
    for (const Case& c : std::vector<Case>{{{0, 1, 0}, 90, 0},
                                           {{0, -1, 0}, -90, 0},
                                           {{0, 0, 1}, 90, 90},
                                           {{0, 0, -1}, 90, -90},
                                           {{1, 1, 0}, 45, 0},
                                           {{1, 0, 1}, 45, 90},
                                           {{1, -1, 1}, static_cast<float>(-tilt111), -45}}) {
        const auto g = laue.getGoniometer(c.uvw[0], c.uvw[1], c.uvw[2], true);
        EXPECT_NEAR(g[0], c.tilt, 1e-4) << c.uvw[0] << c.uvw[1] << c.uvw[2];
        EXPECT_NEAR(g[1], c.azimuth, 1e-4) << c.uvw[0] << c.uvw[1] << c.uvw[2];
    }
}

TEST(Angles, BetweenPlaneNormals) {
    clLAUE cubic;
    generate(cubic, {5, 5, 5, 90, 90, 90});
    EXPECT_NEAR(cubic.AngleHKL({1, 0, 0}, {1, 1, 0}), 45, 1e-4);
    EXPECT_NEAR(cubic.AngleHKL({1, 1, 1}, {1, 1, 1}), 0, 1e-5);
    EXPECT_NEAR(cubic.AngleHKL({1, 2, 3}, {2, 4, 6}), 0, 1e-5);
    EXPECT_NEAR(cubic.AngleHKL({1, 0, 0}, {-1, 0, 0}), 180, 1e-4);

    clLAUE hexagonal;
    generate(hexagonal, {3, 3, 5, 90, 90, 120});
    EXPECT_NEAR(hexagonal.AngleHKL({1, 0, 0}, {0, 1, 0}), 60, 1e-4);
    EXPECT_NEAR(hexagonal.AngleHKL({1, 0, 0}, {0, 0, 1}), 90, 1e-4);

    clLAUE triclinic;
    generate(triclinic, {5.2f, 6.1f, 7.3f, 82, 97, 104.5f});
    const TestLattice t = latticeOf(kTriclinic);
    const Vec3d p = t.normal(1, 2, -1), q = t.normal(0, 3, 2);
    EXPECT_NEAR(triclinic.AngleHKL({1, 2, -1}, {0, 3, 2}),
                std::acos(dot(p, q) / length(p) / length(q)) / kDeg, 1e-3);
}

TEST(Angles, EqualVectorsAreParallelDespiteRounding) {
    clLAUE laue;
    // Find a vector whose unit vector has a dot product with itself just above
    // 1, where a plain arccos would fail.
    Vec3f p{};
    bool found = false;
    for (int i = 1; i < 200 && !found; ++i) {
        p = {1.0f, 0.1f * static_cast<float>(i), 0.3f};
        const Vec3d v{p[0], p[1], p[2]};
        const double n = length(v);
        const Vec3d u{v[0] / n, v[1] / n, v[2] / n};
        found = dot(u, u) > 1.0;
    }
    ASSERT_TRUE(found);
    Vec3f q = p;
    EXPECT_EQ(laue.Angle(p, q), 0.0f);
    // Both arrays come back normalised.
    EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 1, 1e-6);

    Vec3f x{2, 0, 0}, y{0, 0, 7};
    EXPECT_NEAR(laue.Angle(x, y), 90, 1e-4);
    EXPECT_EQ(x, (Vec3f{1, 0, 0}));
    Vec3f a{1, 0, 0}, b{-3, 0, 0};
    EXPECT_NEAR(laue.Angle(a, b), 180, 1e-4);
}

TEST(ArcCos, ClampsOutsideTheDomain) {
    EXPECT_EQ(engine::arcCos(1.0000001), 0);
    EXPECT_EQ(engine::arcCos(1), 0);
    EXPECT_NEAR(engine::arcCos(-1.5), 3.141592654, 1e-12);
    EXPECT_NEAR(engine::arcCos(0.5), std::acos(0.5), 1e-12);
    EXPECT_NEAR(engine::arcCos(-0.25), std::acos(-0.25), 1e-12);
}

TEST(OrientationText, ReductionRules) {
    using engine::smallIntegers;
    using A = std::array<int, 3>;
    EXPECT_EQ(smallIntegers({0.5, 1, 0}), (A{1, 2, 0}));
    EXPECT_EQ(smallIntegers({-0.5, 1, 0.25}), (A{-2, 4, 1}));
    // The scale of the vector does not matter.
    EXPECT_EQ(smallIntegers({1e-3, 2e-3, 3e-3}), (A{1, 2, 3}));
    EXPECT_EQ(smallIntegers({40, 40, 0}), (A{1, 1, 0}));
    // Halves go to the even neighbour: 1000 / 400 = 2.5 gives 2.
    EXPECT_EQ(smallIntegers({1, 0.4, 0}), (A{2, 1, 0}));
    EXPECT_EQ(smallIntegers({-1, 0.4, 0}), (A{-2, 1, 0}));
    // A thousandth or less of the largest is noise.
    EXPECT_EQ(smallIntegers({1, 0.001, -0.0009}), (A{1, 0, 0}));
    // A magnitude of 1 never divides: 1000, 40, 30 -> 33, 1, 1 -> 1, 0, 0.
    EXPECT_EQ(smallIntegers({1, 0.04, 0.03}), (A{1, 0, 0}));
    // 667, 1000, 33 divided by 33 gives 20, 30, 1, small enough to stop.
    EXPECT_EQ(smallIntegers({0.02, 0.03, 0.001}), (A{20, 30, 1}));
    EXPECT_EQ(smallIntegers({0, 0, 0}), (A{0, 0, 0}));
    EXPECT_EQ(smallIntegers({std::nan(""), 1, 0}), (A{0, 0, 0}));
    EXPECT_EQ(smallIntegers({1, std::nan(""), 0}), (A{0, 0, 0}));
    EXPECT_EQ(engine::indexText({1, -2, 0}, '[', ']'), " [1  -2  0]");
}

TEST(OrientationText, BeamDirectionAfterTurns) {
    clLAUE cubic;
    generate(cubic, {5, 5, 5, 90, 90, 90});
    EXPECT_EQ(cubic.m_auvw, " [1  0  0]");
    EXPECT_EQ(cubic.m_ahkl, " (1  0  0)");
    cubic.setOrientation(1, 1, 1, true);
    EXPECT_EQ(cubic.m_auvw, " [1  1  1]");
    EXPECT_EQ(cubic.m_ahkl, " (1  1  1)");
    cubic.setOrientation(1, 2, 0, false);
    EXPECT_EQ(cubic.m_auvw, " [1  2  0]");
    EXPECT_EQ(cubic.m_ahkl, " (1  2  0)");
    // A beam at (1, 0.4, 0) in the crystal: 2.5 rounds to 2.
    const double n = std::sqrt(1.16);
    const float c = static_cast<float>(1 / n), s = static_cast<float>(0.4 / n);
    cubic.setOrientationMatrix({{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}});
    EXPECT_EQ(cubic.m_auvw, " [2  1  0]");

    // 30 Å: the components along a are 1/30 of the beam's; without scaling to
    // the largest first they would read [15 30 0].
    clLAUE large;
    generate(large, {30, 30, 30, 90, 90, 90});
    large.setOrientation(1, 2, 0, true);
    EXPECT_EQ(large.m_auvw, " [1  2  0]");
    EXPECT_EQ(large.m_ahkl, " (1  2  0)");

    // Hexagonal, a = 3, c = 5: with a in the x-y plane at -30 degrees from x and b
    // along y, x itself is the direction 2a + b and the normal of (1 0 0).
    clLAUE hexagonal;
    generate(hexagonal, {3, 3, 5, 90, 90, 120});
    const TestLattice hex = latticeOf({3, 3, 5, 90, 90, 120});
    ASSERT_NEAR(hex.direction(2, 1, 0)[1], 0, 1e-12);
    EXPECT_EQ(hexagonal.m_auvw, " [2  1  0]");
    EXPECT_EQ(hexagonal.m_ahkl, " (1  0  0)");
    // The direction [1 0 0] is the normal of (2 -1 0): a.a = 9, b.a = -4.5, c.a = 0.
    hexagonal.setOrientation(1, 0, 0, true);
    EXPECT_EQ(hexagonal.m_auvw, " [1  0  0]");
    EXPECT_EQ(hexagonal.m_ahkl, " (2  -1  0)");
}
