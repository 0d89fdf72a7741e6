#include <gtest/gtest.h>

#include "EngineFixtures.h"
#include "engine/OrientationMath.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

void expectMatrixNear(const Mat3f& got, const Mat3f& want) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(got[i][j], want[i][j], 1e-6) << "element " << i << j;
}

void expectRotation(const Mat3f& o) {
    const std::array<Vec3d, 3> r{
        {{o[0][0], o[0][1], o[0][2]}, {o[1][0], o[1][1], o[1][2]}, {o[2][0], o[2][1], o[2][2]}}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(dot(r[i], r[j]), i == j, 1e-6);
    EXPECT_NEAR(dot(r[0], cross(r[1], r[2])), 1.0, 1e-6);
}

// After the crystal is oriented, the chosen crystal vector lies along +x.
void expectOnBeam(const clLAUE& laue, const Vec3d& crystal) {
    const Vec3d t = labOf(laue.orientationMatrix(), crystal);
    const double n = length(crystal);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(t[c], c == 0 ? n : 0, 1e-5 * n) << c;
}

}  // namespace

TEST(Rotation, QuarterTurnsCompositionAndAxisChecks) {
    // DoRotate(1, 90) has the columns (1,0,0), (0,0,1), (0,-1,0).
    const std::array<Mat3f, 3> quarter{{{{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},
                                        {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},
                                        {{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}}}};
    for (int16_t axis = 1; axis <= 3; ++axis) {
        clLAUE laue;
        laue.DoRotate(axis, 90);
        expectMatrixNear(laue.orientationMatrix(), quarter[static_cast<std::size_t>(axis - 1)]);
    }
    // Turns compose on the right: Q3 Q1, not Q1 Q3 = ((0,-1,0), (0,0,-1), (1,0,0)).
    clLAUE laue;
    laue.DoRotate(3, 90);
    laue.DoRotate(1, 90);
    expectMatrixNear(laue.orientationMatrix(), {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}});
    const Mat3f before = laue.orientationMatrix();
    for (int16_t axis : {0, 4, -1}) laue.DoRotate(axis, 45);
    EXPECT_EQ(laue.orientationMatrix(), before);
    clLAUE one, two;
    one.DoRotateYZ(17, -33);
    two.DoRotate(2, 17);
    two.DoRotate(3, -33);
    EXPECT_EQ(one.orientationMatrix(), two.orientationMatrix());
    one.DoRotateXYZ(5, 6, 7);
    for (int16_t axis = 1; axis <= 3; ++axis) two.DoRotate(axis, 4 + axis);
    EXPECT_EQ(one.orientationMatrix(), two.orientationMatrix());
}

TEST(Rotation, LaboratoryTableFollowsEveryTurn) {
    clLAUE laue;
    generate(laue, kTriclinic);
    laue.DoRotate(1, 33);
    laue.DoRotateYZ(-12, 71);
    const auto& lab = laue.labVectorTable();
    const auto& recip = laue.recipVectorTable();
    ASSERT_EQ(lab.size(), static_cast<std::size_t>(laue.n_hkl));
    const TestLattice lattice = latticeOf(kTriclinic);
    for (std::size_t j = 0; j < lab.size(); ++j) {
        EXPECT_TRUE(j == 0 || lab[j - 1][0] <= lab[j][0]) << "sorted along the beam";
        const int n = static_cast<int>(lab[j][3]);
        const Vec3d t =
            labOf(laue.orientationMatrix(), lattice.normal(laue.getH(n), laue.getK(n), laue.getL(n)));
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(lab[j][c], t[c], 2e-6 * length(t));
        EXPECT_EQ(recip[static_cast<std::size_t>(n)][3], static_cast<float>(j));
    }
    for (int k = 0; k < 3; ++k) {  // the crystal axes turn with the crystal
        const Vec3d t = labOf(laue.orientationMatrix(), lattice.direct[k]);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(laue.labAxes()[k][c], t[c], 1e-5);
    }
    // The engine's own copy, in list order, is the same table.
    const engine::Orientation& o = laue.orientation();
    ASSERT_EQ(o.lab.size(), lab.size());
    EXPECT_EQ(o.matrix, laue.orientationMatrix());
    for (std::size_t j = 0; j < lab.size(); ++j) {
        const auto n = static_cast<std::size_t>(lab[j][3]);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(o.lab[n][c], lab[j][c]);
    }
}

TEST(SetOrientation, PutsTheVectorOnThePositiveBeam) {
    clLAUE laue;
    generate(laue, kCubic5);
    laue.setOrientation(1, 0, 0, true);
    expectOnBeam(laue, {5, 0, 0});
    laue.setOrientation(0, 0, 1, false);
    const Mat3f plane = laue.orientationMatrix();
    expectOnBeam(laue, {0, 0, 0.2});
    laue.setOrientation(0, 0, 1, true);
    EXPECT_EQ(laue.orientationMatrix(), plane);
    generate(laue, kTriclinic);
    const TestLattice tri = latticeOf(kTriclinic);
    for (auto [h, k, l] : std::vector<std::array<float, 3>>{{1, 2, 3}, {-2, 1, 0}, {0, 0, 1}, {0, -1, 0}}) {
        laue.setOrientation(h, k, l, false);
        expectOnBeam(laue, tri.normal(h, k, l));
        laue.setOrientation(h, k, l, true);
        expectOnBeam(laue, tri.direction(h, k, l));
        expectRotation(laue.orientationMatrix());
    }
    // A zero vector still gives a rotation.
    laue.setOrientation(0, 0, 0, true);
    expectRotation(laue.orientationMatrix());
}

TEST(Goniometer, VectorOnTheBeamReadsZeroOthersTheirTiltAndAzimuth) {
    clLAUE laue;
    generate(laue, kTriclinic);
    for (bool direction : {true, false})
        for (auto [u, v, w] : std::vector<std::array<float, 3>>{{1, 0, 0}, {1, 2, 3}, {-3, 1, 2}}) {
            laue.setOrientation(u, v, w, direction);
            const auto g = laue.getGoniometer(u, v, w, direction);
            EXPECT_NEAR(g[0], 0, 0.01) << u << v << w << direction;
            EXPECT_EQ(g[1], 0) << u << v << w << direction;
        }
    // Tilt = angle to +x, negative on the -y side; azimuth = atan(z / y).
    generate(laue, kCubic5);
    const auto g = laue.getGoniometer(1, -1, 1, true);
    EXPECT_NEAR(g[0], -std::acos(1 / std::sqrt(3.0)) / kDeg, 1e-4);
    EXPECT_NEAR(g[1], -45, 1e-4);
}

TEST(Angles, BetweenPlaneNormals) {
    clLAUE cubic, hexagonal, triclinic;
    generate(cubic, kCubic5);
    EXPECT_NEAR(cubic.AngleHKL({1, 0, 0}, {1, 1, 0}), 45, 1e-4);
    EXPECT_NEAR(cubic.AngleHKL({1, 2, 3}, {2, 4, 6}), 0, 1e-5);
    EXPECT_NEAR(cubic.AngleHKL({1, 0, 0}, {-1, 0, 0}), 180, 1e-4);
    generate(hexagonal, {3, 3, 5, 90, 90, 120});
    EXPECT_NEAR(hexagonal.AngleHKL({1, 0, 0}, {0, 1, 0}), 60, 1e-4);
    generate(triclinic, kTriclinic);
    const TestLattice t = latticeOf(kTriclinic);
    const Vec3d p = t.normal(1, 2, -1), q = t.normal(0, 3, 2);
    EXPECT_NEAR(triclinic.AngleHKL({1, 2, -1}, {0, 3, 2}),
                std::acos(dot(p, q) / length(p) / length(q)) / kDeg, 1e-3);
}

TEST(Angles, EqualVectorsAreParallelDespiteRounding) {
    // A vector whose unit vector has a dot product with itself just above 1,
    // where a plain arccos would fail.
    Vec3f p{};
    bool found = false;
    for (int i = 1; i < 200 && !found; ++i) {
        p = {1.0f, 0.1f * static_cast<float>(i), 0.3f};
        const Vec3d u = unit({p[0], p[1], p[2]});
        found = dot(u, u) > 1.0;
    }
    ASSERT_TRUE(found);
    clLAUE laue;
    Vec3f q = p;
    EXPECT_EQ(laue.Angle(p, q), 0.0f);
    EXPECT_EQ(engine::arcCos(1.0000001), 0);
    EXPECT_NEAR(engine::arcCos(-1.5), 3.141592654, 1e-12);
}

// Scale first, so that the vector's size does not matter; a thousandth or less
// of the largest is noise; halves go to the even neighbour (2.5 gives 2); a
// magnitude of 1 never divides (1000, 40, 30 -> 33, 1, 1 -> 1, 0, 0); 667, 1000,
// 33 divided by 33 is small enough to stop.
TEST(OrientationText, ReductionRules) {
    using R = std::pair<std::array<double, 3>, std::array<int, 3>>;
    const double nan = std::nan("");
    for (const auto& [in, out] :
         {R{{-0.5, 1, 0.25}, {-2, 4, 1}}, R{{1e-3, 2e-3, 3e-3}, {1, 2, 3}}, R{{40, 40, 0}, {1, 1, 0}},
          R{{1, 0.001, -0.0009}, {1, 0, 0}}, R{{1, 0.4, 0}, {2, 1, 0}}, R{{-1, 0.4, 0}, {-2, 1, 0}},
          R{{1, 0.04, 0.03}, {1, 0, 0}}, R{{0.02, 0.03, 0.001}, {20, 30, 1}}, R{{0, 0, 0}, {0, 0, 0}},
          R{{1, nan, 0}, {0, 0, 0}}})
        EXPECT_EQ(engine::smallIntegers(in), out) << in[0] << " " << in[1] << " " << in[2];
    EXPECT_EQ(engine::indexText({1, -2, 0}, '[', ']'), " [1  -2  0]");
}

TEST(OrientationText, BeamDirectionAfterTurns) {
    // 30 Å: without scaling to the largest component first this would read [15 30 0].
    clLAUE large;
    generate(large, {30, 30, 30, 90, 90, 90});
    large.setOrientation(1, 2, 0, true);
    EXPECT_EQ(large.m_auvw, " [1  2  0]");
    // Hexagonal, a = 3, c = 5: x is the direction 2a + b and the normal of (1 0 0);
    // the direction [1 0 0] is the normal of (2 -1 0): a.a = 9, b.a = -4.5, c.a = 0.
    clLAUE hexagonal;
    generate(hexagonal, {3, 3, 5, 90, 90, 120});
    EXPECT_EQ(hexagonal.m_auvw, " [2  1  0]");
    EXPECT_EQ(hexagonal.m_ahkl, " (1  0  0)");
    hexagonal.setOrientation(1, 0, 0, true);
    EXPECT_EQ(hexagonal.m_auvw, " [1  0  0]");
    EXPECT_EQ(hexagonal.m_ahkl, " (2  -1  0)");
}

// The beam texts are read after every kind of turn: a half turn about y or z
// puts the opposite direction on the beam, a turn about the beam itself none.
TEST(OrientationText, FollowsEveryKindOfTurn) {
    clLAUE laue;
    generate(laue, kTriclinic);
    laue.setOrientation(1, 2, 3, true);
    EXPECT_EQ(laue.m_auvw, " [1  2  3]");
    laue.DoRotate(1, 33);
    EXPECT_EQ(laue.m_auvw, " [1  2  3]");
    laue.DoRotateYZ(180, 0);
    EXPECT_EQ(laue.m_auvw, " [-1  -2  -3]");
    laue.DoRotateXYZ(0, 0, 180);
    EXPECT_EQ(laue.m_auvw, " [1  2  3]");
    laue.setOrientation(0, 1, 0, false);
    EXPECT_EQ(laue.m_ahkl, " (0  1  0)");
    // A matrix whose first column, the beam in the crystal frame, is the z axis, along c.
    laue.setOrientationMatrix({{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}});
    EXPECT_EQ(laue.m_auvw, " [0  0  1]");
}
