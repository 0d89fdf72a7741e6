// The structure view and the structure monitor, as a user sees them.
#include <gtest/gtest.h>

#include "RenderTestSupport.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"
#include "render/StructureDrawing.h"

using namespace lumora;
using namespace rendertest;

namespace {

class StructureDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        laue.readCSF(std::string(LUMORA_TEST_DATA_DIR) + "/quartz.csf");
        laue.setPictureSize(400, 400);
        laue.GenerateHKL();
        laue.setOrientation(1, 2, 3, true);
        renderer.setGraphicsContext(&picture, &structure, &back, nullptr);
    }

    AppStateGuard state;
    clLAUE laue;
    render::Surface picture{QSize(400, 400)}, structure{QSize(400, 400)}, back{QSize(400, 400)};
    render::PatternRenderer renderer{laue};
};

}  // namespace

TEST_F(StructureDrawingTest, OriginEdgesAreRedGreenBlueInEveryOrientation) {
    for (int turn = 0; turn < 4; ++turn) {
        laue.DoRotate(static_cast<int16_t>(turn % 3 + 1), 37);
        renderer.drawStructure();
        // A pixel halfway along each origin edge carries its colour.
        const render::StructureScene scene = render::structureScene(laue);
        const double scale = std::min(200 / scene.extentY, 200 / scene.extentZ) * 0.8;
        const auto shows = [&](int corner, uint32_t colour) {
            const auto& a = scene.corners[0];
            const auto& b = scene.corners[static_cast<std::size_t>(corner - 1)];
            const QPoint p(int(std::lround(200 + scale * (a[1] + b[1]) / 2)),
                           int(std::lround(200 - scale * (a[2] + b[2]) / 2)));
            return countColour(structure.image(), QRect(p - QPoint(1, 1), QSize(3, 3)), colour) > 0;
        };
        // Atoms may hide an edge; at least two of the three show at their middle.
        EXPECT_GE(shows(5, kRed) + shows(3, kGreen) + shows(2, kBlue), 2) << "turn " << turn;
    }
    clLAUE empty;  // without atoms the view says so, and nothing else
    render::PatternRenderer emptyRenderer{empty};
    emptyRenderer.setGraphicsContext(&picture, &structure, &back, nullptr);
    emptyRenderer.drawStructure();
    EXPECT_GT(countOther(structure.image(), QRect(0, 0, 200, 30), kWhite), 10);
    EXPECT_EQ(countOther(structure.image(), QRect(0, 40, 400, 360), kWhite), 0);
}

TEST_F(StructureDrawingTest, MonitorAppearsOnlyWithThePageHiddenAndTheFlagSet) {
    laue.m_mode = 2;
    const QRect monitor(1, 400 - 149, 148, 148);
    const auto drawn = [&](bool flag, bool pageVisible) {
        appState().flags.structureMonitor = flag;
        renderer.setStructureVisible(pageVisible);
        renderer.drawHKL();
        return countOther(picture.image(), monitor, kWhite);
    };
    const int without = drawn(false, false);
    EXPECT_GT(drawn(true, false), without + 200);
    EXPECT_EQ(drawn(true, true), without);
}

TEST(StructureScene, AtomsOnFacesAppearOnEveryFace) {
    // One atom at the origin of a cubic P 1 cell: it stands on all eight corners.
    structure::StructureFile file;
    file.cell = {4, 4, 4, 90, 90, 90};
    file.spaceGroupNumber = 1;
    file.spaceGroupRow = 0;
    file.atoms.push_back({"Fe1", "Fe", 26, 1.0f, 0, 0, 0});
    clLAUE laue;
    laue.loadStructure(file);
    const render::StructureScene scene = render::structureScene(laue);
    EXPECT_EQ(scene.atoms.size(), 8u);
    EXPECT_EQ(scene.points.size(), 16u);
    for (std::size_t i = 1; i < scene.points.size(); ++i)
        EXPECT_LE(scene.points[i - 1].depth, scene.points[i].depth);  // back to front
}
