// The structure view and the structure monitor, as a user sees them.
#include <gtest/gtest.h>

#include "RenderTestSupport.h"
#include "engine/AppState.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"
#include "render/StructureDrawing.h"

using namespace lumora;
using namespace rendertest;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

class StructureDrawingTest : public ::testing::Test {
protected:
    void SetUp() override { saved = appState().flags; }
    void TearDown() override { appState().flags = saved; }

    void loadQuartz() {
        laue.readCSF(std::string(LUMORA_TEST_DATA_DIR) + "/quartz.csf");
        laue.setPictureSize(400, 400);
        laue.GenerateHKL();
        laue.setOrientation(1, 2, 3, true);
    }

    DisplayFlags saved;
    clLAUE laue;
    render::Surface picture{QSize(400, 400)};
    render::Surface structure{QSize(400, 400)};
    render::Surface back{QSize(400, 400)};
    render::PatternRenderer renderer{laue};
};

}  // namespace

TEST_F(StructureDrawingTest, OriginEdgesAreRedGreenBlueInEveryOrientation) {
    loadQuartz();
    renderer.setGraphicsContext(&picture, &structure, &back, nullptr);
    for (int turn = 0; turn < 4; ++turn) {
        laue.DoRotate(static_cast<int16_t>(turn % 3 + 1), 37);
        renderer.drawStructure();
        const QImage& image = structure.image();
        // A pixel halfway along each origin edge carries its colour.
        const render::StructureScene scene = render::structureScene(laue);
        double extentY = scene.extentY, extentZ = scene.extentZ;
        const double scale = std::min(200 / extentY, 200 / extentZ) * 0.8;
        const auto mid = [&](int corner) {
            const auto& a = scene.corners[0];
            const auto& b = scene.corners[static_cast<std::size_t>(corner - 1)];
            return QPoint(static_cast<int>(std::lround(200 + scale * (a[1] + b[1]) / 2)),
                          static_cast<int>(std::lround(200 - scale * (a[2] + b[2]) / 2)));
        };
        const auto near = [&](QPoint p, uint32_t colour) {
            return countColour(image, QRect(p.x() - 1, p.y() - 1, 3, 3), colour) > 0;
        };
        // Atoms may hide an edge; at least two of the three show at their middle.
        const int shown = near(mid(5), 0xFF0000) + near(mid(3), 0x00FF00) + near(mid(2), 0x0000FF);
        EXPECT_GE(shown, 2) << "turn " << turn;
    }
}

TEST_F(StructureDrawingTest, WithoutAtomsTheViewSaysSo) {
    renderer.setGraphicsContext(&picture, &structure, &back, nullptr);
    renderer.drawStructure();
    const QImage& image = structure.image();
    EXPECT_GT(countOther(image, QRect(0, 0, 200, 30), kWhite), 10);   // the text
    EXPECT_EQ(countOther(image, QRect(0, 40, 400, 360), kWhite), 0);  // nothing else
}

TEST_F(StructureDrawingTest, MonitorAppearsOnlyWithThePageHiddenAndTheFlagSet) {
    loadQuartz();
    laue.m_mode = 2;
    renderer.setGraphicsContext(&picture, &structure, &back, nullptr);
    const QRect monitor(1, 400 - 149, 148, 148);

    appState().flags.structureMonitor = false;
    renderer.drawHKL();
    const int without = countOther(picture.image(), monitor, kWhite);

    appState().flags.structureMonitor = true;
    renderer.setStructureVisible(false);
    renderer.drawHKL();
    const int with = countOther(picture.image(), monitor, kWhite);
    EXPECT_GT(with, without + 200);

    renderer.setStructureVisible(true);
    renderer.drawHKL();
    EXPECT_EQ(countOther(picture.image(), monitor, kWhite), without);
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
