// Start-up and shut-down: folders, the sample list, the command-line cell,
// the main window's placement and what is saved and removed at exit.
#include <QScreen>

#include "AppFixture.h"
#include "app/Startup.h"

namespace lumora::app::test {
namespace {

using StartupTest = AppFixture;

TEST_F(StartupTest, CommandTextIsTheArgumentsAfterTheProgram) {
    EXPECT_EQ(commandText({"lumora"}), "");
    // An unquoted name with a blank arrives in two pieces.
    EXPECT_EQ(commandText({"lumora", "1|2|3|4|5|6|7|silicon", "crystal"}), "1|2|3|4|5|6|7|silicon crystal");
}

TEST_F(StartupTest, PrepareStartChoosesTheFoldersAndLoadsTheSamples) {
    QTemporaryDir tmp;
    const QByteArray savedTmp = qgetenv("TMP");
    qputenv("TMP", tmp.path().toLocal8Bit());
    appState().samples = {};
    prepareStart();
    savedTmp.isNull() ? qunsetenv("TMP") : qputenv("TMP", savedTmp);

    const QString program = QCoreApplication::applicationDirPath();
    // The test's folder is writable, so the user files stay beside the program.
    EXPECT_EQ(userFolder(), program);
    EXPECT_EQ(QDir(dataFolder()).canonicalPath(), QDir(program + "/data").canonicalPath());
    EXPECT_TRUE(QDir(photoFolder()).exists());
    EXPECT_EQ(temporaryFolder(), tmp.path());
    EXPECT_TRUE(QFile::exists(program + "/lib/cellmenu.txt"));
    EXPECT_EQ(appState().samples.size(), 22u);
}

TEST_F(StartupTest, TheCommandLineOpensTheFirstDocumentOnItsCell) {
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
}

TEST_F(StartupTest, CommandLinesWithoutAUsableCellOpenAnEmptyDocument) {
    const struct {
        const char* text;
        bool explained;
    } cases[] = {
        {"", false},
        {"Si.cel", false},
        {"227 5.431 5.431 5.431 90 90 90 Si", false},  // no "|"
        {"227|5.431|5.431|5.431|90|90|90", false},     // seven fields
        {"999|5|5|5|90|90|90|X", true},
        {"227|a|5|5|90|90|90|X", true},
        {"227|5|5|5|90|-90|90|X", true},
    };
    for (const auto& c : cases) {
        ask_.messages.clear();
        const auto window = openMainWindow(QString::fromLatin1(c.text));
        EXPECT_EQ(window->documentCounter(), 1) << c.text;
        EXPECT_EQ(window->document(1)->windowTitle(), "Document 1") << c.text;
        ASSERT_EQ(ask_.messages.size(), c.explained ? 1 : 0) << c.text;
        if (c.explained) {
            EXPECT_TRUE(ask_.messages[0].contains("command line")) << ask_.messages[0].toStdString();
        }
    }
}

TEST_F(StartupTest, ClosingSavesTheSettingsAndRemovesTheSpaceGroupListing) {
    const auto window = openMainWindow("227|5.431|5.431|5.431|90|90|90|Si");
    const QString listing = dir_.filePath("symmetry.txt");
    ASSERT_TRUE(QFile::exists(listing));
    window->move(40, 30);
    window->resize(700, 500);
    window->close();
    EXPECT_FALSE(QFile::exists(listing));
    EXPECT_TRUE(window->mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(readRegString("LUMORA", "DEF"), "2 1 0 90 120 50 30 255 0 1 45 60 0 90");
    EXPECT_EQ(readRegString("LUMORA", "WNDO"), QStringLiteral("%1 %2 %3 %4")
                                                   .arg(window->x() * 15)
                                                   .arg(window->y() * 15)
                                                   .arg(700 * 15)
                                                   .arg(500 * 15));
    EXPECT_EQ(readMainPlacement()->size(), QSize(700, 500));
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
    expectComfortable(*openMainWindow({}));  // first run
    saveMainPlacement(QRect(30, 40, 700, 500));
    EXPECT_EQ(openMainWindow({})->geometry().size(), QSize(700, 500));
    EXPECT_EQ(openMainWindow({})->pos(), QPoint(30, 40));
    for (const QRect stored : {QRect(50000, 40, 700, 500), QRect(30, 40, 20, 10)}) {
        saveMainPlacement(stored);
        expectComfortable(*openMainWindow({}));
    }
}

}  // namespace
}  // namespace lumora::app::test
