// Start-up and shut-down: folders, the sample list, the command-line cell,
// the settings store, the main window's placement and what is saved at exit.
#include <QScreen>
#include <QStandardPaths>

#include "AppFixture.h"
#include "app/Startup.h"
#include "engine/SettingsText.h"

namespace lumora::app::test {
namespace {

using StartupTest = AppFixture;

TEST_F(StartupTest, PrepareStartChoosesTheFoldersAndLoadsTheSamples) {
    QTemporaryDir tmp;
    const QByteArray savedTmp = qgetenv("TMP");
    qputenv("TMP", tmp.path().toLocal8Bit());
    appState().samples = {};
    const QString program = QCoreApplication::applicationDirPath();
    const bool hadList = QFile::exists(program + "/lib/cellmenu.txt");
    const bool hadPhotos = QFileInfo::exists(program + "/photo");
    prepareStart();
    savedTmp.isNull() ? qunsetenv("TMP") : qputenv("TMP", savedTmp);

    // The user files go to the per-user data folder (the test's own, under its
    // temporary home), even though the test program's folder is writable.
    ASSERT_TRUE(canWriteFolder(program));
    const QString user =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath("lumora");
    EXPECT_EQ(userFolder(), user);
    EXPECT_TRUE(userFolder().startsWith(QDir::homePath() + "/")) << userFolder().toStdString();
    EXPECT_TRUE(QFile::exists(user + "/lib/cellmenu.txt"));
    EXPECT_EQ(photoFolder(), user + "/photo");
    EXPECT_TRUE(QDir(photoFolder()).exists());
    // Nothing is written beside the program (the test program has no example data there).
    if (!hadList) {
        EXPECT_FALSE(QFile::exists(program + "/lib/cellmenu.txt"));
    }
    if (!hadPhotos) {
        EXPECT_FALSE(QFileInfo::exists(program + "/photo"));
    }
    if (!QFileInfo::exists(program + "/data")) {
        EXPECT_EQ(dataFolder(), user + "/data");
    }
    EXPECT_TRUE(QDir(dataFolder()).exists());
    EXPECT_EQ(temporaryFolder(), tmp.path());
    EXPECT_EQ(appState().samples.size(), 22u);
}

TEST_F(StartupTest, TheCommandLineOpensTheFirstDocumentOnItsCellOrAnEmptyOneAndClosingSavesTheSettings) {
    const auto window = openMainWindow("227|5.431|5.431|5.431|90|90|90|Si");
    ASSERT_EQ(window->documentCounter(), 1);
    frmDocument* d = window->activeDocument();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Si");
    EXPECT_EQ(d->engine().m_spg, 227);
    EXPECT_NEAR(d->engine().getCellConstant(2), 5.431, 1e-5);
    EXPECT_GT(d->engine().n_hkl, 0);
    EXPECT_TRUE(window->statusText(0).startsWith("Si")) << window->statusText(0).toStdString();
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();

    const QString listing = dir_.filePath("symmetry.txt");
    ASSERT_TRUE(QFile::exists(listing));
    window->move(40, 30);
    window->resize(700, 500);
    window->close();
    EXPECT_FALSE(QFile::exists(listing));
    EXPECT_TRUE(window->mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(readRegString("LUMORA", "DEF"), "2 1 0 90 120 50 30 255 0 1 45 60 0 90");
    EXPECT_TRUE(readRegString("LUMORA", "WNDO").endsWith(" 10500 7500"));  // twips
    EXPECT_EQ(readMainPlacement()->size(), QSize(700, 500));

    const std::pair<const char*, bool> cases[] = {
        {"227 5.431 5.431 5.431 90 90 90 Si", false},  // no "|"
        {"227|5.431|5.431|5.431|90|90|90", false},     // seven fields
        {"999|5|5|5|90|90|90|X", true},
        {"227|a|5|5|90|90|90|X", true},
        {"227|5|5|5|90|-90|90|X", true},
    };
    for (const auto& [text, explained] : cases) {
        ask_.messages.clear();
        const auto window = openMainWindow(QString::fromLatin1(text));
        EXPECT_EQ(window->documentCounter(), 1) << text;
        EXPECT_EQ(window->document(1)->windowTitle(), "Document 1") << text;
        ASSERT_EQ(ask_.messages.size(), explained ? 1 : 0) << text;
        EXPECT_TRUE(!explained || ask_.messages[0].contains("command line")) << text;
    }

    // A file named alone opens as through File > Open; a missing one is no cell either.
    const auto opened = openMainWindow(dataFile("quartz.csf"));
    EXPECT_TRUE(opened->activeDocument()->windowTitle().endsWith("quartz.csf"));
    EXPECT_GT(opened->activeDocument()->engine().n_hkl, 0);
    const auto missing = openMainWindow(dir_.filePath("missing.cel"));
    EXPECT_EQ(missing->document(1)->windowTitle(), "Document 1");

    EXPECT_EQ(commandText({"lumora"}), "");
    // An unquoted name with a blank arrives in two pieces.
    EXPECT_EQ(commandText({"lumora", "1|2|3|4|5|6|7|silicon", "crystal"}), "1|2|3|4|5|6|7|silicon crystal");
}

TEST_F(StartupTest, TheWindowOpensWhereItWasOrInTheMiddleAndNeverOffTheScreen) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const auto expectComfortable = [&](const frmMain& window) {
        EXPECT_NEAR(window.width(), available.width() * 0.8, 2);
        EXPECT_NEAR(window.height(), available.height() * 0.8, 2);
        const QPoint centre = QRect(window.pos(), window.size()).center();
        EXPECT_NEAR(centre.x(), available.center().x(), 2);
        EXPECT_NEAR(centre.y(), available.center().y(), 2);
    };
    EXPECT_FALSE(readMainPlacement().has_value());
    expectComfortable(*openMainWindow({}));  // first run
    saveMainPlacement(QRect(30, 40, 700, 500));
    QSettings placement(QSettings::UserScope, "Lumora", "Lumora");
    EXPECT_EQ(placement.value("Settings/MainWidth").toString(), "10500");  // in twips
    EXPECT_EQ(openMainWindow({})->geometry().size(), QSize(700, 500));
    EXPECT_EQ(openMainWindow({})->pos(), QPoint(30, 40));
    for (const QRect stored : {QRect(50000, 40, 700, 500), QRect(30, 40, 20, 10)}) {
        saveMainPlacement(stored);
        expectComfortable(*openMainWindow({}));
    }
    // A value that is not a number is no placement.
    saveMainPlacement(QRect(30, 40, 700, 500));
    placement.setValue("Settings/MainTop", "1E400");
    EXPECT_FALSE(readMainPlacement().has_value());
    expectComfortable(*openMainWindow({}));
}

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

TEST_F(SettingsStoreTest, AnEmptyStoreGetsTheDefaultsUnusableRecordsRestoreThemAndAllFieldsRoundTrip) {
    ASSERT_TRUE(reg("SX").isEmpty());
    appState().settings.voltage = 12;  // values of an earlier document must not survive
    ReadRegistry();
    EXPECT_EQ(reg("SX"), "0");
    EXPECT_EQ(reg("WNDO"), "0 0 12000 9000");
    EXPECT_EQ(reg("DEF"), kDefault);
    EXPECT_EQ(formatSettingsText(appState().settings), formatSettingsText(Settings{}));
    EXPECT_FLOAT_EQ(appState().settings.voltage, 50);
    EXPECT_EQ(appState().currentLabelColour, 255);
    EXPECT_TRUE(appState().flags.polarNet);  // always on at start
    EXPECT_FALSE(appState().flags.blackBackground);

    const std::pair<const char*, float> spacings[] = {
        {"0.3", 0.6f}, {"0", 1.0f}, {"2.5", 2.5f}, {"-4", 0.6f}};
    for (const auto& [stored, spacing] : spacings) {
        readRecord(QStringLiteral("2 1 0 90 120 50 30 255 0 %1 45 60").arg(stored));
        EXPECT_FLOAT_EQ(appState().settings.minimumSpacing, spacing) << stored;
    }
    readRecord("2 1 0 90 120 50 30 255 0 1 45 60 0 0");
    EXPECT_FLOAT_EQ(appState().settings.rotationStep, 90);

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

    const QString record = "3 4 1 100 125.5 35 40.25 65280 1 0.8 50 62.5 1 15";
    readRecord(record);
    const Settings& s = appState().settings;
    EXPECT_EQ(s.plotType, 3);
    EXPECT_FLOAT_EQ(s.filmHeight, 125.5f);
    EXPECT_FLOAT_EQ(s.filmDistance, 40.25f);
    EXPECT_EQ(appState().currentLabelColour, 65280);
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

}  // namespace
}  // namespace lumora::app::test
