// The settings store: first run, the rules for reading the default settings,
// saving at exit and the main window's placement.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include "app/Folders.h"
#include "app/SettingsStore.h"
#include "engine/AppState.h"
#include "engine/SettingsText.h"

namespace lumora::app {
namespace {

const QString kProduct = QStringLiteral("LUMORA");
const QString kDefault = QStringLiteral("2 1 0 90 120 50 30 255 0 1 45 60");

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QSettings::UserScope, "Tessarin", "LUMORA").clear();
        QSettings(QSettings::UserScope, "Lumora", "Lumora").clear();
        appState().settings = Settings{};
        appState().flags = DisplayFlags{};
        appState().folders.program = QCoreApplication::applicationDirPath().toStdString();
    }
    void TearDown() override {
        QSettings(QSettings::UserScope, "Tessarin", "LUMORA").clear();
        QSettings(QSettings::UserScope, "Lumora", "Lumora").clear();
        appState().settings = Settings{};
        appState().flags = DisplayFlags{};
    }

    // A store that has been initialised, holding `def`.
    static void storeRecord(const QString& def) {
        writeRegString(kProduct, "SX", "0");
        writeRegString(kProduct, "DEF", def);
    }
    static QString reg(const char* name) { return readRegString(kProduct, QString::fromLatin1(name)); }
};

TEST_F(SettingsStoreTest, FirstRunWritesAndReadsTheDefaults) {
    ASSERT_TRUE(reg("SX").isEmpty());
    // Values of an earlier document must not survive into the defaults.
    appState().settings.voltage = 12;
    ReadRegistry();

    EXPECT_EQ(reg("SX"), "0");
    EXPECT_EQ(reg("WNDO"), "0 0 12000 9000");
    EXPECT_EQ(reg("WNDS"), "0");
    EXPECT_EQ(reg("DEF"), kDefault);

    const Settings& s = appState().settings;
    EXPECT_EQ(s.plotType, 2);
    EXPECT_EQ(s.anodeIndex, 1);
    EXPECT_FLOAT_EQ(s.filmWidth, 90);
    EXPECT_FLOAT_EQ(s.filmHeight, 120);
    EXPECT_FLOAT_EQ(s.voltage, 50);
    EXPECT_FLOAT_EQ(s.filmDistance, 30);
    EXPECT_FLOAT_EQ(s.minimumSpacing, 1);
    EXPECT_FLOAT_EQ(s.rotationStep, 90);
    EXPECT_EQ(s.labelColour, 255);
    EXPECT_FALSE(s.flipX);
    EXPECT_EQ(appState().currentLabelColour, 255);
    // The polar net is always on at start; the background stays white.
    EXPECT_TRUE(appState().flags.polarNet);
    EXPECT_FALSE(appState().flags.blackBackground);
}

TEST_F(SettingsStoreTest, MinimumSpacingRules) {
    const struct {
        const char* stored;
        float read;
    } cases[] = {{"0.3", 0.6f}, {"0", 1.0f}, {"2.5", 2.5f}, {"0.6", 0.6f}, {"-4", 0.6f}};
    for (const auto& c : cases) {
        storeRecord(QStringLiteral("2 1 0 90 120 50 30 255 0 %1 45 60").arg(c.stored));
        ReadRegistry();
        EXPECT_FLOAT_EQ(appState().settings.minimumSpacing, c.read) << c.stored;
    }
}

TEST_F(SettingsStoreTest, AllFourteenFieldsAreRead) {
    storeRecord("3 4 1 100 125.5 35 40.25 65280 1 0.8 50 62.5 1 15");
    ReadRegistry();
    const Settings& s = appState().settings;
    EXPECT_EQ(s.plotType, 3);
    EXPECT_EQ(s.anodeIndex, 4);
    EXPECT_EQ(s.orientationVectorType, 1);
    EXPECT_FLOAT_EQ(s.filmWidth, 100);
    EXPECT_FLOAT_EQ(s.filmHeight, 125.5f);
    EXPECT_FLOAT_EQ(s.voltage, 35);
    EXPECT_FLOAT_EQ(s.filmDistance, 40.25f);
    EXPECT_EQ(s.labelColour, 65280);
    EXPECT_EQ(appState().currentLabelColour, 65280);
    EXPECT_TRUE(s.startBlack);
    EXPECT_FLOAT_EQ(s.minimumSpacing, 0.8f);
    EXPECT_FLOAT_EQ(s.photoCentreX, 50);
    EXPECT_FLOAT_EQ(s.photoCentreY, 62.5f);
    EXPECT_TRUE(s.flipX);
    EXPECT_FLOAT_EQ(s.rotationStep, 15);
    // "Start with black background" presses the black background at start.
    EXPECT_TRUE(appState().flags.blackBackground);
    EXPECT_TRUE(appState().flags.polarNet);
}

TEST_F(SettingsStoreTest, ARotationStepOfZeroReadsAsNinety) {
    storeRecord("2 1 0 90 120 50 30 255 0 1 45 60 0 0");
    ReadRegistry();
    EXPECT_FLOAT_EQ(appState().settings.rotationStep, 90);
}

TEST_F(SettingsStoreTest, UnusableRecordsRestoreTheDefaults) {
    const char* damaged[] = {
        "2 1 0 90 120",                         // five fields: no voltage
        "garbage",                              // nothing is a number
        "",                                     // empty
        "2 1 0 90 0 50 30 255 0 1 45 60",       // no film area
        "2 1 0 1E51 120 50 30 255 0 1 45 60",   // a film width no single can hold
        "2 1 0 90 120 50 1E300 255 0 1 45 60",  // nor a distance
        "7 1 0 90 120 50 30 255 0 1 45 60",     // no such plot type
        "2 9 0 90 120 50 30 255 0 1 45 60",     // no such anode
    };
    for (const char* def : damaged) {
        storeRecord(QString::fromLatin1(def));
        appState().settings.voltage = 12;
        appState().settings.filmWidth = 7;
        ReadRegistry();
        EXPECT_EQ(reg("DEF"), kDefault) << def;
        EXPECT_EQ(reg("WNDO"), "0 0 12000 9000") << def;
        EXPECT_FLOAT_EQ(appState().settings.voltage, 50) << def;
        EXPECT_FLOAT_EQ(appState().settings.filmWidth, 90) << def;
    }
}

TEST_F(SettingsStoreTest, SaveRegistryRoundTrip) {
    ReadRegistry();
    Settings& s = appState().settings;
    s.plotType = 1;
    s.anodeIndex = 2;
    s.filmWidth = 100;
    s.filmHeight = 125.5f;
    s.voltage = 35;
    s.filmDistance = 40.25f;
    s.labelColour = 16711680;
    s.startBlack = true;
    s.minimumSpacing = 0.75f;
    s.photoCentreX = 50;
    s.flipX = true;
    s.rotationStep = 7.5f;
    const Settings saved = s;

    SaveRegistry({QRect(10, 20, 800, 600), 0});
    EXPECT_EQ(reg("DEF"), "1 2 0 100 125.5 35 40.25 16711680 1 0.75 50 60 1 7.5");
    EXPECT_EQ(reg("WNDO"), "150 300 12000 9000");
    EXPECT_EQ(reg("WNDS"), "0");
    EXPECT_EQ(reg("PATH"), QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    EXPECT_EQ(reg("DIREXE"), QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));

    appState().settings = Settings{};
    ReadRegistry();
    EXPECT_EQ(formatSettingsText(appState().settings), formatSettingsText(saved));
}

TEST_F(SettingsStoreTest, AMaximisedWindowKeepsItsLastNormalPlacement) {
    ReadRegistry();
    SaveRegistry({QRect(10, 20, 800, 600), 0});
    SaveRegistry({QRect(0, 0, 1920, 1080), 2});
    EXPECT_EQ(reg("WNDO"), "150 300 12000 9000");
    EXPECT_EQ(reg("WNDS"), "2");
}

TEST_F(SettingsStoreTest, MainPlacementInTwips) {
    EXPECT_FALSE(readMainPlacement().has_value());
    saveMainPlacement(QRect(100, 50, 1024, 700));
    QSettings placement(QSettings::UserScope, "Lumora", "Lumora");
    EXPECT_EQ(placement.value("Settings/MainLeft").toString(), "1500");
    EXPECT_EQ(placement.value("Settings/MainWidth").toString(), "15360");
    ASSERT_TRUE(readMainPlacement().has_value());
    EXPECT_EQ(*readMainPlacement(), QRect(100, 50, 1024, 700));

    // A value that is not a number, or one missing, is no placement.
    placement.setValue("Settings/MainTop", "1E400");
    EXPECT_FALSE(readMainPlacement().has_value());
    placement.remove("Settings/MainTop");
    EXPECT_FALSE(readMainPlacement().has_value());
}

TEST_F(SettingsStoreTest, OtherProductsAreReadFromTheirOwnKey) {
    EXPECT_TRUE(readRegString("MERIDO", "PATH").isEmpty());
    writeRegString("MERIDO", "PATH", "/opt/merido/merido");
    EXPECT_EQ(readRegString("MERIDO", "PATH"), "/opt/merido/merido");
    EXPECT_TRUE(reg("PATH").isEmpty());
    QSettings(QSettings::UserScope, "Tessarin", "MERIDO").clear();
}

}  // namespace
}  // namespace lumora::app
