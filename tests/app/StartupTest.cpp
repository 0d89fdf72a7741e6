// Start-up and shut-down: folders, the sample list, the command-line cell,
// the main window's placement and what is saved and removed at exit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/DocumentWindow.h"
#include "app/Folders.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "app/Startup.h"
#include "engine/AppState.h"

namespace lumora::app {
namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings(QSettings::UserScope, "Tessarin", "LUMORA").clear();
        QSettings(QSettings::UserScope, "Lumora", "Lumora").clear();
        savedFolders_ = appState().folders;
        Folders& f = appState().folders;
        f.program = f.user = dir_.path().toStdString();
        QDir(dir_.path()).mkpath("data");
        f.data = dir_.filePath("data").toStdString();
        f.photo = dir_.filePath("photo").toStdString();
        f.temporary = dir_.path().toStdString();
        appState().flags = DisplayFlags{};
        appState().samples = structure::builtInSamples();
        MessageHook hook;
        hook.answer = [this](const QString& title, const QString& text) {
            messages_ << title + QStringLiteral(": ") + text;
            return false;
        };
        hook.openUrl = [](const QUrl&) { return true; };
        hook.startProgram = [](const QString&, const QStringList&) { return true; };
        setMessageHook(hook);
    }
    void TearDown() override {
        clearMessageHook();
        appState().folders = savedFolders_;
        appState().flags = DisplayFlags{};
        QSettings(QSettings::UserScope, "Tessarin", "LUMORA").clear();
        QSettings(QSettings::UserScope, "Lumora", "Lumora").clear();
    }

    static QString caption(frmMain& window, int index) {
        frmDocument* d = window.document(index);
        return d ? d->windowTitle() : QString();
    }

    QTemporaryDir dir_;
    Folders savedFolders_;
    QStringList messages_;
};

TEST_F(StartupTest, CommandTextIsTheArgumentsAfterTheProgram) {
    EXPECT_EQ(commandText({"lumora"}), "");
    EXPECT_EQ(commandText({"lumora", "227|5.431|5.431|5.431|90|90|90|Si"}),
              "227|5.431|5.431|5.431|90|90|90|Si");
    // An unquoted name with a blank arrives in two pieces.
    EXPECT_EQ(commandText({"lumora", "1|2|3|4|5|6|7|silicon", "crystal"}), "1|2|3|4|5|6|7|silicon crystal");
}

TEST_F(StartupTest, PrepareStartChoosesTheFoldersAndLoadsTheSamples) {
    QTemporaryDir tmp;
    const QByteArray savedTmp = qgetenv("TMP");
    qputenv("TMP", tmp.path().toLocal8Bit());
    appState().samples = {};
    prepareStart();
    if (savedTmp.isNull())
        qunsetenv("TMP");
    else
        qputenv("TMP", savedTmp);

    const QString program = QCoreApplication::applicationDirPath();
    EXPECT_EQ(programFolder(), program);
    // The test's folder is writable, so the user files stay beside the program.
    EXPECT_EQ(userFolder(), program);
    EXPECT_EQ(QDir(dataFolder()).canonicalPath(), QDir(program + "/data").canonicalPath());
    EXPECT_TRUE(QDir(photoFolder()).exists());
    EXPECT_EQ(temporaryFolder(), tmp.path());
    EXPECT_FALSE(QFile::exists(program + "/~tmp.tmp"));
    EXPECT_TRUE(QFile::exists(program + "/lib/cellmenu.txt"));
    EXPECT_EQ(appState().samples.size(), 22u);
}

TEST_F(StartupTest, TheCommandLineOpensTheFirstDocumentOnItsCell) {
    const auto window = openMainWindow("227|5.431|5.431|5.431|90|90|90|Si");
    ASSERT_EQ(window->documentCounter(), 1);
    frmDocument* d = window->activeDocument();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d, window->document(1));
    EXPECT_EQ(d->windowTitle(), "Si");
    EXPECT_EQ(d->engine().m_spg, 227);
    EXPECT_NEAR(d->engine().getCellConstant(0), 5.431, 1e-5);
    EXPECT_NEAR(d->engine().getCellConstant(2), 5.431, 1e-5);
    EXPECT_GT(d->engine().n_hkl, 0);
    EXPECT_TRUE(window->statusText(0).startsWith("Si")) << window->statusText(0).toStdString();
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
}

TEST_F(StartupTest, CommandLinesWithoutACellAreIgnored) {
    const char* ignored[] = {
        "",
        "Si.cel",
        "227 5.431 5.431 5.431 90 90 90 Si",  // no "|"
        "1|2|3|4",                            // 7 characters
        "227|5.431|5.431|5.431|90|90|90",     // seven fields
    };
    for (const char* text : ignored) {
        const auto window = openMainWindow(QString::fromLatin1(text));
        EXPECT_EQ(window->documentCounter(), 1) << text;
        EXPECT_EQ(caption(*window, 1), "Document 1") << text;
    }
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
}

TEST_F(StartupTest, ACommandLineCellThatCannotBeUsedIsExplained) {
    for (const char* text : {"999|5|5|5|90|90|90|X", "227|a|5|5|90|90|90|X", "227|5|5|5|90|-90|90|X"}) {
        messages_.clear();
        const auto window = openMainWindow(QString::fromLatin1(text));
        EXPECT_EQ(caption(*window, 1), "Document 1") << text;
        ASSERT_EQ(messages_.size(), 1) << text;
        EXPECT_TRUE(messages_[0].contains("command line")) << messages_[0].toStdString();
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
    EXPECT_EQ(readRegString("LUMORA", "WNDS"), "0");
    EXPECT_EQ(readRegString("LUMORA", "DEF"), "2 1 0 90 120 50 30 255 0 1 45 60 0 90");
    EXPECT_EQ(readRegString("LUMORA", "WNDO"), QStringLiteral("%1 %2 %3 %4")
                                                   .arg(window->x() * 15)
                                                   .arg(window->y() * 15)
                                                   .arg(700 * 15)
                                                   .arg(500 * 15));
    ASSERT_TRUE(readMainPlacement().has_value());
    EXPECT_EQ(readMainPlacement()->size(), QSize(700, 500));
}

TEST_F(StartupTest, AFirstRunOpensAtAComfortableSizeInTheMiddle) {
    const auto window = openMainWindow({});
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(window->width(), available.width() * 0.8, 2);
    EXPECT_NEAR(window->height(), available.height() * 0.8, 2);
    const QPoint centre = QRect(window->pos(), window->size()).center();
    EXPECT_NEAR(centre.x(), available.center().x(), 2);
    EXPECT_NEAR(centre.y(), available.center().y(), 2);
}

TEST_F(StartupTest, TheWindowReturnsWhereItWasAndNeverOffTheScreen) {
    saveMainPlacement(QRect(30, 40, 700, 500));
    {
        const auto window = openMainWindow({});
        EXPECT_EQ(window->size(), QSize(700, 500));
        EXPECT_EQ(window->pos(), QPoint(30, 40));
    }
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QRect stored : {QRect(50000, 40, 700, 500), QRect(30, 40, 20, 10)}) {
        saveMainPlacement(stored);
        const auto window = openMainWindow({});
        EXPECT_TRUE(available.contains(QRect(window->pos(), window->size()).center()));
        EXPECT_NEAR(window->width(), available.width() * 0.8, 2);
    }
}

TEST_F(StartupTest, ClosingWhileMaximisedKeepsTheNormalPlacement) {
    saveMainPlacement(QRect(30, 40, 700, 500));
    const auto window = openMainWindow({});
    window->close();
    const QString wndo = readRegString("LUMORA", "WNDO");

    const auto again = openMainWindow({});
    again->showMaximized();
    QCoreApplication::processEvents();
    again->close();
    EXPECT_EQ(readRegString("LUMORA", "WNDS"), "2");
    EXPECT_EQ(readRegString("LUMORA", "WNDO"), wndo);
    EXPECT_EQ(readMainPlacement(), QRect(30, 40, 700, 500));
}

}  // namespace
}  // namespace lumora::app
