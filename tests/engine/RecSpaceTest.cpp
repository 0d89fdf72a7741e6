#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "EngineFixtures.h"
#include "engine/RecSpace.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

class RecSpace : public AppStateGuard {
protected:
    void SetUp() override {
        AppStateGuard::SetUp();
        appState().settings.filmWidth = 100;
        appState().settings.filmHeight = 125;
        appState().settings.filmDistance = 30;
        laue.newDocument(&owner);
        laue.setPictureSize(500, 400);
    }

    RecordingOwner owner;
    clLAUE laue;
};

}  // namespace

TEST(ViewScales, FitTheSmallerSideAndTheTighterFilmDirection) {
    // 90 % of half of 400 = 180 pixels for the farthest point.
    EXPECT_FLOAT_EQ(engine::fitScale3D(500, 400, 0.8f), 225.0f);
    EXPECT_FLOAT_EQ(engine::fitScale3D(400, 500, 0.8f), 225.0f);
    // nearest(101 / 2 * 0.9 = 45.45) = 45.
    EXPECT_FLOAT_EQ(engine::fitScale3D(101, 300, 1.0f), 45.0f);
    // 500 * 0.95 * 30 / 100 = 142.5 across, 400 * 0.95 * 30 / 125 = 91.2 down.
    EXPECT_FLOAT_EQ(engine::fitFilmScale(500, 400, 30, 100, 125), 91.2f);
    EXPECT_FLOAT_EQ(engine::fitFilmScale(500, 800, 30, 100, 125), 142.5f);
    // Nothing to fit: 0, never inf or NaN.
    EXPECT_EQ(engine::fitScale3D(500, 400, 0), 0);
    EXPECT_EQ(engine::fitScale3D(0, 400, 1), 0);
    EXPECT_EQ(engine::fitFilmScale(500, 400, 0, 100, 125), 0);
    EXPECT_EQ(engine::fitFilmScale(500, 400, -30, 100, 125), 0);
    EXPECT_EQ(engine::fitFilmScale(500, 400, 30, 0, 125), 0);
    EXPECT_EQ(engine::fitFilmScale(500, 400, 30, 100, -1), 0);
    EXPECT_EQ(engine::fitFilmScale(500, 0, 30, 100, 125), 0);
}

TEST_F(RecSpace, GenerationFitsTheScalesAndResetsTheView) {
    generate(laue, {5, 5, 5, 90, 90, 90});
    // Largest component 10 / 5 Å (reflection 10 0 0 at d = dMin = 0.5).
    EXPECT_FLOAT_EQ(laue.extents()[3], 2.0f);
    EXPECT_FLOAT_EQ(laue.scale3D(), 90.0f);  // 180 / 2
    EXPECT_FLOAT_EQ(laue.filmScale(), 91.2f);

    laue.setZoom(3);
    laue.DoRotate(2, 30);
    const int redraws = owner.redraws;
    laue.GenerateHKL();
    EXPECT_EQ(laue.getZoom(), 1.0f);
    EXPECT_EQ(laue.orientationMatrix(), (Mat3f{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));
    EXPECT_GT(owner.redraws, redraws);
    // The identity leaves the laboratory vectors equal to the reciprocal ones.
    for (const auto& row : laue.labVectorTable()) {
        const auto& g = laue.recipVectorTable()[static_cast<std::size_t>(row[3])];
        EXPECT_EQ(row[0], g[0]);
        EXPECT_EQ(row[2], g[2]);
    }
}

TEST_F(RecSpace, VectorsLabelsAndExtentsFromTheCell) {
    const std::array<double, 6> cell{5.2, 6.1, 7.3, 82, 97, 104.5};
    generate(laue, {5.2f, 6.1f, 7.3f, 82, 97, 104.5f});
    const TestLattice lattice = latticeOf(cell);
    std::array<double, 3> extent{};
    ASSERT_EQ(laue.recipVectorTable().size(), static_cast<std::size_t>(laue.n_hkl));
    for (int32_t i = 0; i < laue.n_hkl; ++i) {
        const Vec3d g = lattice.normal(laue.getH(i), laue.getK(i), laue.getL(i));
        const auto& row = laue.recipVectorTable()[static_cast<std::size_t>(i)];
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(row[c], g[c], 1e-6 * length(g));
            extent[c] = std::max(extent[c], std::fabs(g[c]));
        }
        // |g| = 1/d
        EXPECT_NEAR(length(g) * laue.getD(i), 1, 1e-6);
    }
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(laue.extents()[c], extent[c], 1e-6);
    EXPECT_NEAR(laue.extents()[3], std::max({extent[0], extent[1], extent[2]}), 1e-6);
    EXPECT_NEAR(laue.scale3D(), 180 / laue.extents()[3], 1e-3);

    // The axes of the view are a, b, c.
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(laue.labAxes()[k][c], lattice.direct[k][c], 1e-5);
}

TEST_F(RecSpace, ThreeDimensionalLabelsAreNotReduced) {
    generate(laue, {5, 5, 5, 90, 90, 90});
    ASSERT_EQ(laue.labels3D().size(), static_cast<std::size_t>(laue.n_hkl));
    EXPECT_EQ(laue.labels3D()[static_cast<std::size_t>(listIndex(laue, 2, 0, 0))], "200");
    EXPECT_EQ(laue.labels3D()[static_cast<std::size_t>(listIndex(laue, -1, 0, 2))], "-102");
    EXPECT_EQ(laue.labels3D()[static_cast<std::size_t>(listIndex(laue, 0, -3, -3))], "0-3-3");
}

TEST_F(RecSpace, ScalesThatCannotBeFormedKeepTheirValue) {
    generate(laue, {5, 5, 5, 90, 90, 90});
    const float scale3D = laue.scale3D(), film = laue.filmScale();

    laue.x_fsd = 0;
    laue.RECSPACE_scaleXYZ();
    EXPECT_EQ(laue.filmScale(), film);
    laue.x_fsd = -5;
    laue.RECSPACE_scaleXYZ();
    EXPECT_EQ(laue.filmScale(), film);

    laue.setPictureSize(0, 0);
    laue.RECSPACE_scaleXYZ();
    EXPECT_EQ(laue.scale3D(), scale3D);

    // An empty list has no extent.
    laue.setPictureSize(500, 400);
    laue.n_hkl = 0;
    laue.RECSPACE_setData();
    EXPECT_EQ(laue.extents()[3], 0);
    laue.setZoom(2);
    laue.RECSPACE_scaleXYZ();
    EXPECT_EQ(laue.scale3D(), scale3D);
    EXPECT_EQ(laue.getZoom(), 1.0f);
    EXPECT_TRUE(laue.labVectorTable().empty());
}

TEST(RecSpaceFilm, NoFilmAtTheStartKeepsTheResetScale) {
    const AppState saved = appState();
    appState().settings.filmWidth = 0;
    clLAUE laue;
    generate(laue, {5, 5, 5, 90, 90, 90});
    EXPECT_EQ(laue.filmScale(), 1.0f);
    EXPECT_TRUE(std::isfinite(laue.scale3D()));
    appState() = saved;
}
