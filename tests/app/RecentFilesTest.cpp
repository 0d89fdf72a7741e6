// File > Recent Files: the files opened last, newest first, numbered, kept
// in the settings store between runs.
#include <QFileInfo>

#include "AppFixture.h"
#include "app/Startup.h"

namespace lumora::app::test {
namespace {

const char* const kPhoto = "photo-Si-transmission-111-D30-film90x120.jpg";

class RecentFilesTest : public MainWindowFixture {
protected:
    QAction* submenu() const { return item("&File", "Recent &Files"); }
    // The entries as the user sees them on opening the File menu: the
    // numbered names above the separator.
    QList<QAction*> entries() const {
        emit menu("&File")->aboutToShow();
        QList<QAction*> list;
        for (QAction* a : submenu()->menu()->actions()) {
            if (a->isSeparator()) break;
            list << a;
        }
        return list;
    }
    QStringList texts() const {
        QStringList list;
        for (QAction* a : entries()) list << a->text();
        return list;
    }
    void chooseEntry(int index) {
        const QList<QAction*> list = entries();
        ASSERT_LT(index, list.size());
        list[index]->trigger();
        QCoreApplication::processEvents();
    }
    void clearRecent() {
        emit menu("&File")->aboutToShow();
        QAction* clear = item(submenu()->menu(), "&Clear Recent Files");
        ASSERT_NE(clear, nullptr);
        clear->trigger();
        QCoreApplication::processEvents();
    }
    // A copy of an example file under another name, in the test's folder.
    QString copy(const char* example, const QString& name) const {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(QFile::copy(dataFile(example), path)) << name.toStdString();
        return path;
    }
    static QString shown(const QString& path) {
        return QDir::toNativeSeparators(QFileInfo(path).canonicalFilePath());
    }
    static QStringList stored() {
        return QSettings(QSettings::UserScope, "Tessarin", "LUMORA").value("RECENT").toStringList();
    }
};

TEST_F(RecentFilesTest, OpenedFilesAreListedNewestFirstAndReopeningOneMovesItToTheTop) {
    // Nothing opened yet: the submenu is there, but disabled.
    ASSERT_NE(submenu(), nullptr);
    EXPECT_FALSE(submenu()->isEnabled());
    EXPECT_TRUE(entries().isEmpty());

    window_->openFile(dataFile("quartz.csf"));
    window_->openFile(dataFile("NaCl.cif"));
    window_->openFile(dataFile("fe3o4.rsv"));
    window_->openFile(dataFile(kPhoto));
    ASSERT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();
    EXPECT_TRUE(submenu()->isEnabled());
    ASSERT_EQ(texts(),
              QStringList({QStringLiteral("&1 ") + kPhoto, "&2 fe3o4.rsv", "&3 NaCl.cif", "&4 quartz.csf"}));
    // The full path shows as the tool tip and in the status bar.
    const QList<QAction*> list = entries();
    EXPECT_EQ(list[3]->toolTip(), shown(dataFile("quartz.csf")));
    EXPECT_EQ(list[3]->statusTip(), shown(dataFile("quartz.csf")));
    EXPECT_EQ(list[0]->toolTip(), shown(dataFile(kPhoto)));
    EXPECT_TRUE(submenu()->menu()->toolTipsVisible());

    // The same file under another name is still one entry, moved to the top.
    const QString roundabout = QFileInfo(dataFile("NaCl.cif")).absolutePath() + "/../data/./NaCl.cif";
    window_->openFile(roundabout);
    EXPECT_EQ(texts(),
              QStringList({"&1 NaCl.cif", QStringLiteral("&2 ") + kPhoto, "&3 fe3o4.rsv", "&4 quartz.csf"}));
    const QString link = dir_.filePath("link.csf");
    ASSERT_TRUE(QFile::link(dataFile("quartz.csf"), link));
    window_->openFile(link);
    EXPECT_EQ(texts(),
              QStringList({"&1 quartz.csf", "&2 NaCl.cif", QStringLiteral("&3 ") + kPhoto, "&4 fe3o4.rsv"}));

    // Choosing an entry opens the file as File > Open does: a new document
    // beside the ones that show a crystal, named after the file.
    const int documents = window_->documentCounter();
    chooseEntry(3);
    EXPECT_EQ(window_->documentCounter(), documents + 1);
    ASSERT_NE(active(), nullptr);
    EXPECT_TRUE(active()->windowTitle().endsWith("fe3o4.rsv")) << active()->windowTitle().toStdString();
    EXPECT_EQ(
        window_->statusText(0),
        QStringLiteral("Magnetite Fe3O4 :   %1 Reflections with Intensities").arg(active()->engine().n_hkl));
    EXPECT_EQ(texts(),
              QStringList({"&1 fe3o4.rsv", "&2 quartz.csf", "&3 NaCl.cif", QStringLiteral("&4 ") + kPhoto}));
    // A photograph goes to the photo page of the active document.
    chooseEntry(3);
    EXPECT_EQ(window_->documentCounter(), documents + 1);
    ASSERT_NE(active(), nullptr);
    EXPECT_EQ(active()->currentView(), frmDocument::Photo);
    EXPECT_EQ(QFileInfo(active()->photoFile()).fileName(), kPhoto);
    EXPECT_EQ(texts().value(0), QStringLiteral("&1 ") + kPhoto);
    EXPECT_EQ(texts().size(), 4);
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RecentFilesTest, NineOpensKeepTheEightNewest) {
    for (int i = 1; i <= 9; ++i) window_->openFile(copy("Si.cel", QStringLiteral("cell%1.cel").arg(i)));
    ASSERT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();
    QStringList expected;
    for (int i = 9; i >= 2; --i) expected << QStringLiteral("&%1 cell%2.cel").arg(10 - i).arg(i);
    EXPECT_EQ(texts(), expected);
    EXPECT_EQ(stored().size(), 8);
    EXPECT_EQ(stored().value(0), QFileInfo(dir_.filePath("cell9.cel")).canonicalFilePath());
    // Reopening the oldest one listed does not push anything out.
    window_->openFile(dir_.filePath("cell2.cel"));
    EXPECT_EQ(texts().value(0), "&1 cell2.cel");
    EXPECT_EQ(texts().value(7), "&8 cell3.cel");
    EXPECT_EQ(texts().size(), 8);
}

TEST_F(RecentFilesTest, FilesThatAreRefusedOrFailToLoadAreNotListed) {
    const QString broken = dir_.filePath("broken.cif");
    ASSERT_TRUE(writeFile(broken, "data_broken\n_cell_length_a oops\n"));
    const QString garbage = dir_.filePath("garbage.jpg");
    ASSERT_TRUE(writeFile(garbage, "not a picture"));
    const QString notes = dir_.filePath("notes.txt");
    ASSERT_TRUE(writeFile(notes, "quartz\n"));
    window_->openFile(dir_.filePath("missing.cel"));
    window_->openFile(broken);
    window_->openFile(garbage);
    window_->openFile(notes);
    EXPECT_EQ(ask_.messages.size(), 3);  // the unknown kind is ignored
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(submenu()->isEnabled());
    EXPECT_TRUE(stored().isEmpty());

    // A photo that was read once and is now damaged is not listed again,
    // although the photo page still shows the old picture under its name.
    const QString film = copy(kPhoto, "film.jpg");
    window_->openFile(film);
    EXPECT_EQ(texts(), QStringList({"&1 film.jpg"}));
    clearRecent();
    ASSERT_TRUE(writeFile(film, "damaged"));
    window_->openFile(film);
    EXPECT_EQ(ask_.messages.size(), 4);
    ASSERT_NE(active(), nullptr);
    EXPECT_EQ(active()->photoFile(), QFileInfo(film).absoluteFilePath());
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(RecentFilesTest, AFileThatIsGoneIsNotOpenedTheUserIsToldAndItsEntryGoes) {
    const QString gone = copy("quartz.csf", "gone.csf");
    window_->openFile(gone);
    window_->openFile(dataFile("Si.cel"));
    ASSERT_EQ(texts(), QStringList({"&1 Si.cel", "&2 gone.csf"}));
    const QString shownGone = shown(gone);
    ASSERT_TRUE(QFile::remove(gone));

    const int documents = window_->documentCounter();
    frmDocument* before = active();
    chooseEntry(1);
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_EQ(ask_.messages[0], "Lumora: The file " + shownGone +
                                    " cannot be found.\n\nIt has been removed from the recent files.");
    EXPECT_EQ(window_->documentCounter(), documents);
    EXPECT_EQ(active(), before);
    EXPECT_EQ(texts(), QStringList({"&1 Si.cel"}));
    EXPECT_EQ(stored(), QStringList({QFileInfo(dataFile("Si.cel")).canonicalFilePath()}));

    // With the last one gone too the submenu is disabled.
    const QString last = copy("Si.cel", "last.cel");
    clearRecent();
    window_->openFile(last);
    ASSERT_TRUE(QFile::remove(last));
    chooseEntry(0);
    EXPECT_EQ(ask_.messages.size(), 2);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(submenu()->isEnabled());
}

TEST_F(RecentFilesTest, ClearEmptiesTheListAndDisablesTheSubmenu) {
    window_->openFile(dataFile("quartz.csf"));
    window_->openFile(dataFile("Si.cel"));
    ASSERT_EQ(texts().size(), 2);
    clearRecent();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(submenu()->isEnabled());
    // The separator and Clear stay.
    ASSERT_EQ(submenu()->menu()->actions().size(), 2);
    EXPECT_TRUE(submenu()->menu()->actions()[0]->isSeparator());
    EXPECT_TRUE(stored().isEmpty());
    window_ = std::make_unique<frmMain>();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(submenu()->isEnabled());
}

TEST_F(RecentFilesTest, TheListSurvivesANewMainWindowAndIsSharedWithOneAlreadyOpen) {
    // A name with a comma, a blank and an ampersand is kept and shown as it is.
    const QString odd = copy("Si.cel", "a, b & c.cel");
    window_->openFile(dataFile("quartz.csf"));
    window_->openFile(odd);
    const QStringList expected({"&1 a, b && c.cel", "&2 quartz.csf"});
    ASSERT_EQ(texts(), expected);
    EXPECT_EQ(stored(), QStringList({QFileInfo(odd).canonicalFilePath(),
                                     QFileInfo(dataFile("quartz.csf")).canonicalFilePath()}));

    // A second window on the same store shows the list, and opening a file
    // there shows in the first one the next time its File menu opens.
    auto second = std::make_unique<frmMain>();
    std::swap(window_, second);
    ASSERT_EQ(texts(), expected);
    EXPECT_TRUE(submenu()->isEnabled());
    EXPECT_EQ(entries()[0]->toolTip(), shown(odd));
    window_->openFile(dataFile("NaCl.cif"));
    std::swap(window_, second);
    EXPECT_EQ(texts(), QStringList({"&1 NaCl.cif", "&2 a, b && c.cel", "&3 quartz.csf"}));
    // Its entries open the files.
    const int documents = window_->documentCounter();
    chooseEntry(1);
    EXPECT_EQ(window_->documentCounter(), documents + 1);
    ASSERT_NE(active(), nullptr);
    EXPECT_TRUE(active()->windowTitle().endsWith("a, b & c.cel")) << active()->windowTitle().toStdString();
    EXPECT_EQ(texts().value(0), "&1 a, b && c.cel");
    second.reset();

    // After the program closed and started again.
    window_->close();
    window_ = std::make_unique<frmMain>();
    window_->show();
    EXPECT_EQ(texts(), QStringList({"&1 a, b && c.cel", "&2 NaCl.cif", "&3 quartz.csf"}));
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();
}

TEST_F(RecentFilesTest, AStoredListEditedByHandShowsItsFirstEightDistinctNames) {
    QStringList hand{"/nowhere/a.cel", "", "/nowhere/b.cel", "/nowhere/./a.cel"};
    for (int i = 0; i < 10; ++i) hand << QStringLiteral("/nowhere/x%1.cel").arg(i);
    QSettings(QSettings::UserScope, "Tessarin", "LUMORA").setValue("RECENT", hand);
    window_ = std::make_unique<frmMain>();
    EXPECT_EQ(texts(), QStringList({"&1 a.cel", "&2 b.cel", "&3 x0.cel", "&4 x1.cel", "&5 x2.cel",
                                    "&6 x3.cel", "&7 x4.cel", "&8 x5.cel"}));
    // A value that is not a list of names is no list.
    QSettings(QSettings::UserScope, "Tessarin", "LUMORA")
        .setValue("RECENT", QVariant::fromValue(QRect(1, 2, 3, 4)));
    window_ = std::make_unique<frmMain>();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(submenu()->isEnabled());
}

TEST_F(RecentFilesTest, AFileNamedOnTheCommandLineIsListed) {
    window_.reset();
    const QString cif = copy("corundum.cif", "corundum.cif");
    window_ = openMainWindow(cif);
    ASSERT_NE(active(), nullptr);
    EXPECT_TRUE(active()->windowTitle().endsWith("corundum.cif"));
    ASSERT_EQ(texts(), QStringList({"&1 corundum.cif"}));
    EXPECT_EQ(entries()[0]->toolTip(), shown(cif));
}

TEST(RecentFiles, TheListItselfKeepsEachFileOnceNewestFirstAndAtMostEight) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RecentFiles list;
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("%1.cel").arg(i)), "x"));
        list.add(dir.filePath(QStringLiteral("%1.cel").arg(i)));
    }
    list.add(dir.path() + "/./1.cel");
    const QString canonical = QFileInfo(dir.path()).canonicalFilePath();
    EXPECT_EQ(list.paths(), QStringList({canonical + "/1.cel", canonical + "/3.cel", canonical + "/2.cel"}));
    EXPECT_TRUE(list.remove(dir.filePath("3.cel")));
    EXPECT_FALSE(list.remove(dir.filePath("3.cel")));
    for (int i = 0; i < 10; ++i) list.add(dir.filePath(QStringLiteral("gone%1.csf").arg(i)));
    EXPECT_EQ(list.paths().size(), RecentFiles::kMaxFiles);
    EXPECT_EQ(list.paths().value(0), QDir::cleanPath(dir.filePath("gone9.csf")));
}

}  // namespace
}  // namespace lumora::app::test
