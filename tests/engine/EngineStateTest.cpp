#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "EngineFixtures.h"
#include "util/Error.h"
#include "util/NumberText.h"

using namespace lumora;
using namespace lumora::testing;

TEST(EngineState, FirstRunDefaultsWithoutSettings) {
    const clLAUE laue;
    EXPECT_EQ(util::formatNumber(laue.x_lambda_min, "0.0###"), "0.248");  // 12.398 / 50 kV
    EXPECT_EQ(laue.x_voltage, 50.0f);
    EXPECT_EQ(laue.x_fsd, 30.0f);
    EXPECT_EQ(laue.getFilmWidth(), 90.0f);
    EXPECT_EQ(laue.getFilmHeight(), 120.0f);
    EXPECT_EQ(laue.m_mode, kReciprocalPlot);
    clLAUE mo;
    mo.getKa12();
    EXPECT_EQ(mo.characteristicLines()[0], 0.7093f);  // molybdenum K alpha 1
}

TEST(EngineState, DefaultsComeFromTheApplicationSettings) {
    EngineDefaults defaults;
    defaults.voltage = 30;
    defaults.filmDistance = 40;
    defaults.filmWidth = 127;
    defaults.filmHeight = 178;
    defaults.anodeIndex = 2;
    clLAUE laue;
    laue.newDocument(defaults);
    EXPECT_EQ(laue.x_fsd, 40.0f);
    EXPECT_EQ(laue.getFilmWidth(), 127.0f);
    EXPECT_EQ(laue.getFilmHeight(), 178.0f);
    laue.getKa12();
    EXPECT_EQ(laue.characteristicLines()[0], 1.54056f);                    // copper K alpha 1
    EXPECT_EQ(util::formatNumber(laue.x_lambda_min, "0.0###"), "0.4133");  // 12.398 / 30
    EXPECT_EQ(laue.x_lambda_max, 2.5f);
    EXPECT_EQ(laue.getCellString(), "5 x 5 x 5 <90 x 90 x 90>");
    EXPECT_EQ(laue.getCellConstant(6), 125.0f);
    generate(laue, {12, 3, 3, 90, 90, 90});
    EXPECT_EQ(laue.getHKL(listIndex(laue, 1, -1, 0)), "1 -1 0");
    EXPECT_EQ(laue.getHKL2(listIndex(laue, -10, 0, 2)), " -10   0   2");
}

TEST(EngineState, BadValuesAndIndicesAreRefused) {
    clLAUE laue;
    for (float v : {0.0f, -10.0f, std::nanf("")}) {
        laue.x_voltage = v;
        EXPECT_THROW(laue.getWavelengthMinimum(), Error) << v;
    }
    try {
        laue.getD(0);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Error 9: Subscript out of range");
    }
    EXPECT_THROW(laue.getCellConstant(7), Error);
    EXPECT_THROW(laue.setCellConstant(-1, 1), Error);
    EXPECT_THROW(laue.setF(0, 1), Error);
    EngineDefaults noAnode;
    noAnode.anodeIndex = 9;
    laue.newDocument(noAnode);
    EXPECT_THROW(laue.getKa12(), Error);
    laue.setHKLLimits(60, 3, 7);  // not capped: the generation derives them from the cell
    EXPECT_EQ(std::tie(laue.x_hmax, laue.x_kmax, laue.x_lmax),
              std::make_tuple(int16_t(60), int16_t(3), int16_t(7)));
    laue.SGTAB_find("C 2/C");
    EXPECT_EQ(laue.SGTAB_getHalls().size(), 18u);
    laue.changeHall(1);
    laue.changeHall(99);  // no such setting: nothing changes
    EXPECT_EQ(laue.symmetryState().hallSymbol, "-A 2yac");
}

TEST(EngineState, ChoosingAGroupWritesTheOperationListing) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("lumora-listing-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto listing = [&] {
        std::stringstream text;
        text << std::ifstream(dir / "symmetry.txt", std::ios::binary).rdbuf();
        return text.str();
    };
    EngineDefaults defaults;
    defaults.listingFolder = dir.string();
    clLAUE laue;
    laue.newDocument(defaults);
    laue.SGTAB_find("P -1");
    EXPECT_EQ(listing().substr(0, 26), "Hall: -P 1\r\n 1" + std::string(12, ' '));
    EXPECT_EQ(laue.opCount(), 2);
    // No folder: nothing is written.
    laue.newDocument(EngineDefaults{});
    laue.SGTAB_find("P 21/C");
    EXPECT_EQ(laue.opCount(), 4);
    EXPECT_EQ(listing().substr(0, 12), "Hall: -P 1\r\n");
    // An unwritable folder never stops the choice.
    defaults.listingFolder = (dir / "missing" / "deeper").string();
    laue.newDocument(defaults);
    EXPECT_NO_THROW(laue.SGTAB_find("P -1"));
    EXPECT_EQ(laue.opCount(), 2);
    fs::remove_all(dir);
}

// Structures and reflection files: loads are all or nothing, intensities follow
// the structure and its space group.
static std::string dataFile(const std::string& name) {
    return std::string(LUMORA_TEST_DATA_DIR) + "/" + name;
}

TEST(StructureEngine, SiliconGivesIntensitiesAndAReflectionFileReplacesTheList) {
    clLAUE laue;
    EXPECT_EQ(laue.getStructureTitle(), "No structure data available");
    laue.readCEL(dataFile("Si.cel"));
    EXPECT_EQ(laue.m_spg, 227);
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
    // The other origin choice puts (0,0,0) on a general position of 16.
    laue.changeHall(1);
    EXPECT_NE(laue.cellAtoms().size(), 8u);
    laue.resetStructure();
    EXPECT_FALSE(laue.bCSF);
    EXPECT_TRUE(laue.cellAtoms().empty());
    // A reflection file replaces the list.
    laue.readRSV(dataFile("fe3o4.rsv"));
    EXPECT_EQ(laue.n_hkl, 13);
    EXPECT_TRUE(laue.x_withIntensity);
    EXPECT_EQ(laue.labVectorTable().size(), 13u);
    EXPECT_EQ(laue.rsvCellTexts()[0], "8.396");
}

TEST(StructureEngine, AFailedLoadLeavesTheCrystalAsItWas) {
    clLAUE laue;
    laue.readCIF(dataFile("corundum.cif"));
    // R -3 c on hexagonal axes, the file's own setting: the R centring is in the operations.
    EXPECT_EQ(laue.symmetryState().centringCount, 2);
    EXPECT_EQ(laue.cellAtoms().size(), 12u + 18u);
    laue.readCSF(dataFile("quartz.csf"));
    laue.GenerateHKL();
    const int32_t reflections = laue.n_hkl;
    const std::string title = laue.m_tit;
    const std::size_t atoms = laue.cellAtoms().size();
    const auto bad = std::filesystem::temp_directory_path() / "lumora-bad.cel";
    std::ofstream(bad, std::ios::binary) << "CELL 5 5 abc 90 90 90\nnatom 1\nSi1 14 0 0 0\nrgnr 227\n";
    EXPECT_THROW(laue.readCEL(bad.string()), Error);
    EXPECT_THROW(laue.readCIF(dataFile("missing.cif")), Error);
    EXPECT_THROW(laue.readRSV(bad.string()), Error);
    // A structure whose cell would hold too many atoms: 2100 general sites in
    // F m -3 m are 403,200 atoms.
    std::string huge = "CELL 5 5 5 90 90 90\nnatom 2100\n";
    for (int i = 0; i < 2100; ++i)
        huge += "C" + std::to_string(i) + " 6 " + std::to_string(0.01 + i * 1e-4) + " 0.23 0.37\n";
    std::ofstream(bad, std::ios::binary) << huge << "rgnr 225\n";
    EXPECT_THROW(laue.readCEL(bad.string()), Error);
    // A load cancelled through the progress callback changes nothing either.
    laue.setProgress([](double) { return false; });
    std::ofstream(bad, std::ios::binary) << huge.substr(0, huge.find("C1000 ")) << "rgnr 225\n";
    EXPECT_THROW(laue.readCEL(bad.string()), Cancelled);
    laue.setProgress({});
    EXPECT_EQ(laue.n_hkl, reflections);
    EXPECT_EQ(laue.m_tit, title);
    EXPECT_EQ(laue.cellAtoms().size(), atoms);
    EXPECT_EQ(laue.m_spg, 154);
    std::filesystem::remove(bad);
}

TEST(StructureEngine, ListingGoesToAFile) {
    clLAUE laue;
    generate(laue, {4, 4, 4, 90, 90, 90}, "F M 3 M");
    const std::string listing = laue.hklListing();
    EXPECT_EQ(listing.substr(0, 12), "Unit Cell : ");
    // 111 is the reflection of largest d in F m -3 m: it heads the rows.
    EXPECT_NE(listing.find("   1   1   1"), std::string::npos);
    EXPECT_LT(listing.find("   1   1   1"), listing.find("   2   0   0"));
    EXPECT_EQ(listing.find("   1   0   0"), std::string::npos);  // absent in F
    const auto path =
        std::filesystem::temp_directory_path() / ("lumora-listing-" + std::to_string(::getpid()) + ".txt");
    laue.copyData(path.string());
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), listing);
    std::filesystem::remove(path);
    // No name and an unwritable folder are both refused: there is no other place it goes.
    for (const std::string& name : {std::string(), std::string("/nonexistent-folder/listing.txt")}) {
        try {
            laue.copyData(name);
            ADD_FAILURE() << "'" << name << "' was reported as written";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), Error::PathAccess) << name;
        }
    }
}
