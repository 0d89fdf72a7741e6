#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/AppState.h"
#include "engine/LaueEngine.h"
#include "util/Error.h"
#include "util/NumberText.h"

using namespace lumora;

TEST(EngineState, DefaultsComeFromTheApplicationSettings) {
    const Settings saved = appState().settings;
    appState().settings.voltage = 30;
    appState().settings.filmDistance = 40;
    clLAUE laue;
    EXPECT_EQ(laue.x_voltage, 30.0f);
    EXPECT_EQ(laue.x_fsd, 40.0f);
    EXPECT_EQ(util::formatNumber(laue.x_lambda_min, "0.0###"), "0.4133");
    EXPECT_EQ(laue.x_lambda_max, 2.5f);
    EXPECT_EQ(laue.x_hmax, 4);
    EXPECT_EQ(laue.getCellString(), "5 x 5 x 5 <90 x 90 x 90>");
    EXPECT_EQ(laue.getCellConstant(6), 125.0f);
    EXPECT_EQ(laue.n_hkl, 0);
    EXPECT_EQ(laue.opCount(), 0);
    appState().settings = saved;
}

TEST(EngineState, VoltageMustBePositive) {
    clLAUE laue;
    laue.x_voltage = 50;
    EXPECT_FLOAT_EQ(laue.getWavelengthMinimum(), 12.398f / 50);
    for (float v : {0.0f, -10.0f, std::nanf("")}) {
        laue.x_voltage = v;
        EXPECT_THROW(laue.getWavelengthMinimum(), Error);
    }
}

TEST(EngineState, CharacteristicLinesByAnode) {
    const Settings saved = appState().settings;
    clLAUE laue;
    appState().settings.anodeIndex = 2;
    laue.getKa12();
    EXPECT_FLOAT_EQ(laue.characteristicLines()[0], 1.54056f);
    EXPECT_FLOAT_EQ(laue.characteristicLines()[2], 1.39222f);
    appState().settings.anodeIndex = 5;
    laue.getKa12();
    EXPECT_EQ(laue.characteristicLines()[1], 0.0f);
    appState().settings.anodeIndex = 9;
    EXPECT_THROW(laue.getKa12(), Error);
    appState().settings = saved;
}

TEST(EngineState, ReflectionTexts) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    laue.setCellConstant(0, 3);
    laue.setCellConstant(1, 3);
    laue.setCellConstant(2, 3);
    laue.GenerateHKL();
    int32_t found = -1;
    for (int32_t i = 0; i < laue.n_hkl; ++i)
        if (laue.getH(i) == 1 && laue.getK(i) == -1 && laue.getL(i) == 0) found = i;
    ASSERT_GE(found, 0);
    EXPECT_EQ(laue.getHKL(found), "1 -1 0");
    EXPECT_EQ(laue.getHKL2(found), "   1  -1   0");

    laue.setCellConstant(0, 12);
    laue.GenerateHKL();
    for (int32_t i = 0; i < laue.n_hkl; ++i)
        if (laue.getH(i) == -10 && laue.getK(i) == 0 && laue.getL(i) == 2) {
            EXPECT_EQ(laue.getHKL2(i), " -10   0   2");
        }
}

TEST(EngineState, OutOfRangeIndicesAreSubscriptErrors) {
    clLAUE laue;
    try {
        laue.getD(0);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
        EXPECT_EQ(e.message(), "Error 9: Subscript out of range");
    }
    EXPECT_THROW(laue.getCellConstant(7), Error);
    EXPECT_THROW(laue.setCellConstant(-1, 1), Error);
    EXPECT_THROW(laue.setF(0, 1), Error);
}

TEST(EngineState, IndexLimitsAreCappedAt40) {
    clLAUE laue;
    laue.setHKLLimits(50, 3, 40);
    EXPECT_EQ(laue.x_hmax, 40);
    EXPECT_EQ(laue.x_kmax, 3);
    EXPECT_EQ(laue.x_lmax, 40);
}

TEST(EngineState, ChoosingAGroupWritesTheOperationListing) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("lumora-listing-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const Folders saved = appState().folders;
    appState().folders.user = dir.string();

    clLAUE laue;
    laue.SGTAB_find("P -1");
    std::ifstream in(dir / "symmetry.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().substr(0, 12), "Hall: -P 1\r\n");
    EXPECT_EQ(text.str().substr(12, 14), " 1" + std::string(12, ' '));  // number, then text from column 15
    EXPECT_EQ(laue.opCount(), 2);

    // An unwritable folder never stops the choice.
    appState().folders.user = (dir / "missing" / "deeper").string();
    EXPECT_NO_THROW(laue.SGTAB_find("P 21/C"));
    EXPECT_EQ(laue.opCount(), 4);
    appState().folders = saved;
    fs::remove_all(dir);
}

TEST(EngineState, SettingsOfAGroupAreListed) {
    clLAUE laue;
    laue.SGTAB_find("C 2/C");
    EXPECT_EQ(laue.SGTAB_getHalls().size(), 18u);
    laue.changeHall(1);
    EXPECT_EQ(laue.symmetryState().hallSymbol, "-A 2yac");
    laue.changeHall(99);  // no such setting: nothing changes
    EXPECT_EQ(laue.symmetryState().hallSymbol, "-A 2yac");
}
