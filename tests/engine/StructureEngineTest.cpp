// Structures and reflection files through the engine: loads are all or
// nothing, intensities follow the structure and its space group.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "engine/AppState.h"
#include "engine/LaueEngine.h"
#include "util/Error.h"

using namespace lumora;

namespace {

std::string dataFile(const std::string& name) { return std::string(LUMORA_TEST_DATA_DIR) + "/" + name; }

struct Clipboard : EngineOwner {
    std::string text;
    void setHINT(const std::string&) override {}
    void copyToClipboard(const std::string& t) override { text = t; }
};

std::filesystem::path writeTemp(const std::string& name, const std::string& content) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

}  // namespace

TEST(StructureEngine, LoadingSiliconGivesIntensities) {
    clLAUE laue;
    laue.readCEL(dataFile("Si.cel"));
    EXPECT_TRUE(laue.bCSF);
    EXPECT_EQ(laue.m_spg, 227);
    EXPECT_EQ(laue.m_tit.substr(0, 7), "Silicon");  // the title line of the file
    EXPECT_FLOAT_EQ(laue.getCellConstant(0), 5.4307f);
    EXPECT_EQ(laue.cellAtoms().size(), 8u);  // diamond: 8 atoms in the cell
    laue.GenerateHKL();
    EXPECT_TRUE(laue.x_withIntensity);
    ASSERT_GT(laue.n_hkl, 0);
    float largest = 0;
    for (int32_t i = 0; i < laue.n_hkl; ++i) {
        EXPECT_GE(laue.getF(i), 1.0f);
        largest = std::max(largest, laue.getF(i));
    }
    EXPECT_FLOAT_EQ(laue.intensityMaximum(), largest);
    // The drawing order runs from the weakest to the strongest reflection.
    const auto& order = laue.drawingOrder();
    for (std::size_t i = 1; i < order.size(); ++i) EXPECT_LE(order[i - 1][0], order[i][0]);
    EXPECT_EQ(laue.getStructureTitle().substr(0, 2), "Si");
}

TEST(StructureEngine, TheFilesOwnSettingIsInstalled) {
    clLAUE laue;
    laue.readCIF(dataFile("corundum.cif"));
    // R -3 c on hexagonal axes: the R centring is in the operations.
    EXPECT_EQ(laue.symmetryState().centringCount, 2);
    EXPECT_EQ(laue.cellAtoms().size(), 12u + 18u);
}

TEST(StructureEngine, ChangingTheSettingReexpandsTheAtoms) {
    clLAUE laue;
    laue.readCEL(dataFile("Si.cel"));
    const std::size_t before = laue.cellAtoms().size();
    laue.changeHall(1);  // the other origin choice puts (0,0,0) on a general position of 16
    EXPECT_NE(laue.cellAtoms().size(), before);
}

TEST(StructureEngine, AFailedLoadLeavesTheCrystalAsItWas) {
    clLAUE laue;
    laue.readCSF(dataFile("quartz.csf"));
    laue.GenerateHKL();
    const int32_t reflections = laue.n_hkl;
    const std::string title = laue.m_tit;
    const std::size_t atoms = laue.cellAtoms().size();
    const auto bad = writeTemp("lumora-bad.cel", "CELL 5 5 abc 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n");
    EXPECT_THROW(laue.readCEL(bad.string()), Error);
    EXPECT_THROW(laue.readCIF(dataFile("missing.cif")), Error);
    EXPECT_THROW(laue.readRSV(bad.string()), Error);
    EXPECT_EQ(laue.n_hkl, reflections);
    EXPECT_EQ(laue.m_tit, title);
    EXPECT_EQ(laue.cellAtoms().size(), atoms);
    EXPECT_EQ(laue.m_spg, 154);
    std::filesystem::remove(bad);
}

TEST(StructureEngine, ReflectionFileReplacesTheList) {
    clLAUE laue;
    laue.readRSV(dataFile("fe3o4.rsv"));
    EXPECT_EQ(laue.n_hkl, 13);
    EXPECT_TRUE(laue.x_withIntensity);
    EXPECT_FALSE(laue.bCSF);
    EXPECT_GT(laue.intensityMaximum(), 0);
    EXPECT_EQ(laue.labVectorTable().size(), 13u);
    EXPECT_EQ(laue.rsvCellTexts()[0], "8.396");
}

TEST(StructureEngine, ListingGoesToAFileOrTheClipboard) {
    clLAUE laue;
    Clipboard clipboard;
    laue.newDocument(&clipboard);
    laue.SGTAB_find("F M 3 M");
    laue.setCellConstant(0, 4.0f);
    laue.setCellConstant(1, 4.0f);
    laue.setCellConstant(2, 4.0f);
    laue.GenerateHKL();
    laue.copyData("");
    EXPECT_EQ(clipboard.text.substr(0, 12), "Unit Cell : ");
    EXPECT_EQ(clipboard.text, laue.hklListing());

    const auto path = std::filesystem::temp_directory_path() / "lumora-listing.txt";
    laue.copyData(path.string());
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, clipboard.text);
    std::filesystem::remove(path);

    try {
        laue.copyData("/nonexistent-folder/listing.txt");
        FAIL() << "an unwritable path was reported as written";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::PathAccess);
    }
}

TEST(StructureEngine, WithoutAStructureTheTitleSaysSo) {
    clLAUE laue;
    EXPECT_EQ(laue.getStructureTitle(), "No structure data available");
    laue.readCSF(dataFile("quartz.csf"));
    laue.resetStructure();
    EXPECT_FALSE(laue.bCSF);
    EXPECT_TRUE(laue.cellAtoms().empty());
}
