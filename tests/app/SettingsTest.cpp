// The settings store: first run, the rules for reading the default settings,
// saving at exit and the main window's placement.
#include "AppFixture.h"
#include "engine/SettingsText.h"

namespace lumora::app::test {
namespace {

const QString kDefault = QStringLiteral("2 1 0 90 120 50 30 255 0 1 45 60");

class SettingsStoreTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        appState().folders.program = QCoreApplication::applicationDirPath().toStdString();
    }
    // A store that has been initialised, holding `def`.
    static void readRecord(const QString& def) {
        writeRegString("LUMORA", "SX", "0");
        writeRegString("LUMORA", "DEF", def);
        ReadRegistry();
    }
    static QString reg(const char* name) { return readRegString("LUMORA", QString::fromLatin1(name)); }
};

TEST_F(SettingsStoreTest, AnEmptyStoreIsGivenTheDefaults) {
    ASSERT_TRUE(reg("SX").isEmpty());
    appState().settings.voltage = 12;  // values of an earlier document must not survive
    ReadRegistry();
    EXPECT_EQ(reg("SX"), "0");
    EXPECT_EQ(reg("WNDO"), "0 0 12000 9000");
    EXPECT_EQ(reg("DEF"), kDefault);
    const Settings& s = appState().settings;
    EXPECT_EQ(s.plotType, 2);
    EXPECT_EQ(s.anodeIndex, 1);
    EXPECT_FLOAT_EQ(s.voltage, 50);
    EXPECT_FLOAT_EQ(s.minimumSpacing, 1);
    EXPECT_FLOAT_EQ(s.rotationStep, 90);
    EXPECT_EQ(appState().currentLabelColour, 255);
    EXPECT_TRUE(appState().flags.polarNet);  // always on at start
    EXPECT_FALSE(appState().flags.blackBackground);
}

TEST_F(SettingsStoreTest, MinimumSpacingAndRotationStepRules) {
    const struct {
        const char* stored;
        float spacing;
    } cases[] = {{"0.3", 0.6f}, {"0", 1.0f}, {"2.5", 2.5f}, {"-4", 0.6f}};
    for (const auto& c : cases) {
        readRecord(QStringLiteral("2 1 0 90 120 50 30 255 0 %1 45 60").arg(c.stored));
        EXPECT_FLOAT_EQ(appState().settings.minimumSpacing, c.spacing) << c.stored;
    }
    readRecord("2 1 0 90 120 50 30 255 0 1 45 60 0 0");
    EXPECT_FLOAT_EQ(appState().settings.rotationStep, 90);
}

TEST_F(SettingsStoreTest, AllFourteenFieldsAreReadAndWrittenBack) {
    const QString record = "3 4 1 100 125.5 35 40.25 65280 1 0.8 50 62.5 1 15";
    readRecord(record);
    const Settings& s = appState().settings;
    EXPECT_EQ(s.plotType, 3);
    EXPECT_EQ(s.anodeIndex, 4);
    EXPECT_EQ(s.orientationVectorType, 1);
    EXPECT_FLOAT_EQ(s.filmHeight, 125.5f);
    EXPECT_FLOAT_EQ(s.filmDistance, 40.25f);
    EXPECT_EQ(appState().currentLabelColour, 65280);
    EXPECT_FLOAT_EQ(s.photoCentreY, 62.5f);
    EXPECT_TRUE(s.flipX);
    EXPECT_FLOAT_EQ(s.rotationStep, 15);
    EXPECT_TRUE(appState().flags.blackBackground);  // "Start with black background"

    SaveRegistry({QRect(10, 20, 800, 600), 0});
    EXPECT_EQ(reg("DEF"), record);
    EXPECT_EQ(reg("WNDO"), "150 300 12000 9000");
    EXPECT_EQ(reg("PATH"), QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    // A maximised window keeps its last normal placement.
    SaveRegistry({QRect(0, 0, 1920, 1080), 2});
    EXPECT_EQ(reg("WNDO"), "150 300 12000 9000");
    EXPECT_EQ(reg("WNDS"), "2");
}

TEST_F(SettingsStoreTest, UnusableRecordsRestoreTheDefaults) {
    for (const char* def : {
             "2 1 0 90 120",                        // five fields: no voltage
             "garbage",                             //
             "2 1 0 90 0 50 30 255 0 1 45 60",      // no film area
             "2 1 0 1E51 120 50 30 255 0 1 45 60",  // a film width no float can hold
             "7 1 0 90 120 50 30 255 0 1 45 60",    // no such plot type
             "2 9 0 90 120 50 30 255 0 1 45 60",    // no such anode
         }) {
        appState().settings.voltage = 12;
        readRecord(QString::fromLatin1(def));
        EXPECT_EQ(reg("DEF"), kDefault) << def;
        EXPECT_EQ(reg("WNDO"), "0 0 12000 9000") << def;
        EXPECT_EQ(formatSettingsText(appState().settings), formatSettingsText(Settings{})) << def;
    }
}

TEST_F(SettingsStoreTest, MainPlacementInTwips) {
    EXPECT_FALSE(readMainPlacement().has_value());
    saveMainPlacement(QRect(100, 50, 1024, 700));
    QSettings placement(QSettings::UserScope, "Lumora", "Lumora");
    EXPECT_EQ(placement.value("Settings/MainWidth").toString(), "15360");
    EXPECT_EQ(readMainPlacement(), QRect(100, 50, 1024, 700));
    // A value that is not a number, or one missing, is no placement.
    placement.setValue("Settings/MainTop", "1E400");
    EXPECT_FALSE(readMainPlacement().has_value());
    placement.remove("Settings/MainTop");
    EXPECT_FALSE(readMainPlacement().has_value());
}

}  // namespace
}  // namespace lumora::app::test
