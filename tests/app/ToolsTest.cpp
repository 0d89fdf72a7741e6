// The tools: periodic table, structure editor, scanner chooser and help.
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QSpinBox>
#include <QPointer>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include "AppFixture.h"
#include "app/Tools.h"
#include "structure/CsfReader.h"

namespace lumora::app::test {
namespace {

TEST(PeriodicTableTest, ShowsTheElementsInTheUsualLayoutAndPicksOne) {
    QWidget owner;
    QWidget* window = showPeriodicTable(&owner);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible() && !window->isModal());
    int elements = 0;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        elements += b->objectName().startsWith("element");
    EXPECT_EQ(elements, 106);
    auto* table = window->findChild<PeriodicTable*>();
    EXPECT_EQ(table->button(26)->text(), "26\nFe");

    // Where a chemist expects them: He above Ne at the far right, the
    // lanthanides in a row of their own below the table.
    QCoreApplication::processEvents();  // lay the window out
    const auto at = [&](int z) { return table->button(z)->geometry().center(); };
    EXPECT_EQ(at(2).x(), at(10).x());
    EXPECT_LT(at(2).y(), at(10).y());
    EXPECT_GT(at(58).y(), at(88).y());
    EXPECT_EQ(at(72).x(), at(40).x());  // Hf under Zr

    // A click shows the element; opening it again brings the same window forward.
    QTest::mouseClick(table->button(14), Qt::LeftButton);
    const QString info = window->findChild<QLabel*>("elementInfo")->text();
    EXPECT_TRUE(info.startsWith("Si") && info.contains("Atomic number 14")) << info.toStdString();
    EXPECT_EQ(showPeriodicTable(&owner), window);

    // The picker returns the clicked element, or nothing.
    whenModal([](QWidget* picker) {
        auto* table = picker->findChild<PeriodicTable*>();
        EXPECT_TRUE(table->button(29)->isChecked());  // opened on the current element
        QTest::mouseClick(table->button(79), Qt::LeftButton);
    });
    EXPECT_EQ(pickElement(nullptr, 29), 79);
    whenModal([](QWidget* picker) {
        QTest::mouseClick(picker->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
    });
    EXPECT_EQ(pickElement(nullptr, 29), 0);
}

class StructureEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        laue.readCEL(LUMORA_TEST_DATA_DIR "/Si.cel");
        dialog.setLaue(laue);
        dialog.show();
    }
    QTableWidget* grid() { return dialog.grid(); }
    QString cell(int row, int column) { return grid()->item(row, column)->text(); }
    void edit(int row, int column, const QString& text) { grid()->item(row, column)->setText(text); }
    void pressOk() {
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    }
    QLineEdit* field(const char* name) { return dialog.findChild<QLineEdit*>(name); }

    Answers ask;
    clLAUE laue;
    dlgCRYSTAL dialog;
};

TEST_F(StructureEditorTest, IsFilledFromTheCrystalReturnsTheEditedAtomsAndListsTheSettingsOfAGroup) {
    ASSERT_EQ(grid()->rowCount(), static_cast<int>(laue.asymmetricAtoms().size()));
    EXPECT_EQ(cell(0, 1), "14");
    EXPECT_EQ(field("a")->text(), "5.4307");
    auto* number = dialog.findChild<QSpinBox*>("spaceGroup");
    auto* setting = dialog.findChild<QComboBox*>("setting");
    EXPECT_EQ(number->value(), 227);
    EXPECT_EQ(setting->count(), 2);  // the two origins of F d -3 m
    EXPECT_EQ(setting->currentData().toInt(), laue.currentRow());

    edit(0, 3, "1/4");
    edit(0, 2, "0.5");
    QTest::mouseClick(dialog.findChild<QPushButton*>("addAtom"), Qt::LeftButton);
    ASSERT_EQ(grid()->rowCount(), 2);
    const std::pair<int, const char*> added[] = {{0, "Ge1"}, {1, "ge"}, {3, "0.5"}, {4, "0.5"}, {5, "0.5"}};
    for (const auto& [column, text] : added) edit(1, column, text);  // a symbol is taken for its number
    field("title")->setText("SiGe");
    for (const char* edge : {"a", "b", "c"}) field(edge)->setText("5.5");  // still cubic
    pressOk();
    EXPECT_TRUE(ask.messages.isEmpty()) << ask.messages.join("\n").toStdString();
    EXPECT_FALSE(dialog.isVisible());

    const structure::StructureFile& f = dialog.result();
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_FLOAT_EQ(f.atoms[0].x, 0.25f);
    EXPECT_FLOAT_EQ(f.atoms[0].occupancy, 0.5f);
    EXPECT_EQ(f.atoms[1].label, "Ge1");
    EXPECT_EQ(f.atoms[1].atomicNumber, 32);
    EXPECT_EQ(f.title, "SiGe");
    // The text shown for it reads back as the same structure.
    const auto reread = structure::parseCsf(f.text, "edited.csf");
    ASSERT_EQ(reread.atoms.size(), 2u);
    EXPECT_EQ(reread.spaceGroupNumber, 227);
    EXPECT_EQ(reread.atoms[1].atomicNumber, 32);

    laue.loadStructure(f);
    EXPECT_EQ(laue.asymmetricAtoms().size(), 2u);
    EXPECT_FLOAT_EQ(laue.getCellConstant(0), 5.5f);
    dialog.show();  // again, for the settings of other groups
    number->setValue(14);
    EXPECT_GT(setting->count(), 3);  // P 21/c in its many cell choices
    number->setValue(1);
    EXPECT_EQ(setting->count(), 1);
    EXPECT_FALSE(setting->isEnabled());
    pressOk();
    EXPECT_EQ(dialog.result().spaceGroupNumber, 1);
}

TEST_F(StructureEditorTest, BadValuesAreRefusedByRowAndColumn) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {3, "abc", "Structure Editor: Row 1, column \"X\": \"abc\" is not a number."},
        {1, "99", "column \"A.N.\": \"99\" is not an atomic number from 1 to 98."},
        {1, "Xx", "column \"A.N.\""},
        {2, "150", "column \"SOF\": the occupancy 150 lies outside 0 to 100."},
        {5, "1/0", "column \"Z\": \"1/0\" is not a number."},
        {4, "", "column \"Y\""},
        {6, "-1", "column \"B\""},
    };
    for (const auto& [column, text, message] : cases) {
        const QString old = cell(0, column);
        edit(0, column, text);
        ask.messages.clear();
        pressOk();
        ASSERT_EQ(ask.messages.size(), 1) << text;
        EXPECT_TRUE(ask.messages[0].contains(message)) << ask.messages[0].toStdString();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(grid()->currentColumn(), column);
        edit(0, column, old);
    }
    field("a")->setText("five");
    pressOk();
    EXPECT_EQ(ask.messages.last(), "Structure Editor: Cell constant a: \"five\" is not a number.");
    field("a")->setText("5.431");

    grid()->selectAll();
    QTest::mouseClick(dialog.findChild<QPushButton*>("removeAtom"), Qt::LeftButton);
    pressOk();
    EXPECT_TRUE(ask.messages.last().contains("no atoms"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(StructureEditorTest, CancelChangesNothingAndUnchangedAtomsKeepTheirElementText) {
    structure::StructureFile result;
    result.title = "untouched";
    whenModal([](QWidget* editor) {
        editor->findChild<QTableWidget*>()->item(0, 3)->setText("0.3");
        QTest::mouseClick(editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
    });
    EXPECT_FALSE(editStructure(nullptr, laue, result));
    EXPECT_EQ(result.title, "untouched");
    EXPECT_FLOAT_EQ(laue.asymmetricAtoms()[0].x, 0.0f);

    clLAUE quartz;
    quartz.readCSF(LUMORA_TEST_DATA_DIR "/quartz.csf");
    dialog.setLaue(quartz);
    dialog.grid()->item(1, 1)->setText("9");  // O becomes F
    structure::StructureFile edited;
    ASSERT_TRUE(dialog.readStructure(edited));
    ASSERT_EQ(edited.atoms.size(), 2u);
    EXPECT_EQ(edited.atoms[0].element, quartz.asymmetricAtoms()[0].element);  // "Si4" as the file wrote it
    EXPECT_EQ(edited.atoms[1].element, "F");
    EXPECT_EQ(edited.spaceGroupRow, quartz.currentRow());

    clLAUE empty;
    empty.SGTAB_find("P 63/m m c");
    dialog.setLaue(empty);
    EXPECT_EQ(dialog.grid()->rowCount(), 0);
    EXPECT_EQ(dialog.findChild<QSpinBox*>("spaceGroup")->value(), 194);
}

class ScannerSourceTest : public ::testing::Test {
protected:
    void SetUp() override { savedPath_ = qgetenv("PATH"); }
    void TearDown() override {
        qputenv("PATH", savedPath_);
        QSettings("Tessarin", "LUMORA").remove("SCANNER");
    }
    // A scanimage that prints `listing` for -L.
    void fakeScanimage(const QString& listing) {
        const QString script = bin.filePath("scanimage");
        ASSERT_TRUE(writeFile(script, "#!/bin/sh\ncat <<'END'\n" + listing.toUtf8() + "\nEND\n"));
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toLocal8Bit() + ":" + savedPath_);
    }
    QString remembered() const { return QSettings("Tessarin", "LUMORA").value("SCANNER").toString(); }

    QByteArray savedPath_;
    QTemporaryDir bin;
    Answers ask;
};

TEST_F(ScannerSourceTest, WithoutSaneOrADeviceThereIsNoSourceElseTheChosenDeviceIsRemembered) {
    qputenv("PATH", bin.path().toLocal8Bit());  // a folder without scanimage
    chooseScannerSource(nullptr);
    EXPECT_EQ(ask.messages, QStringList({"TWAIN device: No scanner source is available. Install SANE "
                                         "(scanimage) to use a scanner."}));
    fakeScanimage("\nNo scanners were identified. If you were expecting something different,");
    chooseScannerSource(nullptr);
    ASSERT_EQ(ask.messages.size(), 2);
    EXPECT_TRUE(ask.messages[1].contains("No scanner source is available."));

    fakeScanimage(
        "device `test:0' is a Noname frontend-tester virtual device\n"
        "device `genesys:libusb:001:004' is a Canon LiDE 110 flatbed scanner");
    const QString lide = "Canon LiDE 110 flatbed scanner  (genesys:libusb:001:004)";
    QString offered;
    whenModal([&offered](QWidget* modal) {
        auto* chooser = qobject_cast<QInputDialog*>(modal);
        offered = chooser->comboBoxItems().value(1);
        chooser->setTextValue(offered);
        chooser->accept();
    });
    chooseScannerSource(nullptr);
    EXPECT_EQ(ask.messages.size(), 2);
    EXPECT_EQ(offered, lide);
    EXPECT_EQ(remembered(), "genesys:libusb:001:004");
    // Next time the remembered device is offered first; cancelling keeps it.
    QString preset;
    whenModal([&preset](QWidget* modal) {
        preset = qobject_cast<QInputDialog*>(modal)->textValue();
        qobject_cast<QInputDialog*>(modal)->reject();
    });
    chooseScannerSource(nullptr);
    EXPECT_EQ(preset, lide);
    EXPECT_EQ(remembered(), "genesys:libusb:001:004");
}

TEST(HelpTest, FindsTheManualBesideTheProgramOrInstalledOrSaysThereIsNone) {
    QTemporaryDir root;
    const std::pair<QString, QString> places[] = {{"bin", "bin/docs/help"},
                                                  {"usr/bin", "usr/share/lumora/help"}};
    for (const auto& [program, help] : places) {
        QDir(root.path()).mkpath(program);
        QDir(root.path()).mkpath(help);
        EXPECT_TRUE(helpIndexFile(root.filePath(program)).isEmpty()) << program.toStdString();
        ASSERT_TRUE(writeFile(root.filePath(help + "/index.html"), ""));
        EXPECT_EQ(helpIndexFile(root.filePath(program)),
                  QFileInfo(root.filePath(help + "/index.html")).canonicalFilePath());
    }

    // The test program's folder holds no manual.
    ASSERT_TRUE(helpIndexFile(QCoreApplication::applicationDirPath()).isEmpty());
    Answers ask;
    EXPECT_FALSE(showHelpContents(nullptr));
    ASSERT_EQ(ask.messages.size(), 1);
    EXPECT_TRUE(ask.messages[0].endsWith(
        ": Unable to display Help Contents. There is no Help associated with this project."));
}

// The manual opens in the program's own window, without a web browser, and
// its links lead from page to page there.
TEST(HelpTest, ShowsTheManualInItsOwnWindowAndFollowsItsLinks) {
    const QString index = helpIndexFile(QStringLiteral(LUMORA_TEST_DATA_DIR "/.."));
    ASSERT_FALSE(index.isEmpty());
    Answers ask;
    QWidget owner;
    QPointer<QWidget> window = showHelpWindow(&owner, index);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Getting started - Lumora Help");
    EXPECT_TRUE(ask.opened.isEmpty());
    EXPECT_EQ(showHelpWindow(&owner, index), window.data());  // one window

    auto* browser = window->findChild<QTextBrowser*>("helpBrowser");
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    // A click on the "Plot types" link of the page's menu.
    const QTextCursor link = browser->document()->find(QStringLiteral("Plot types"));
    ASSERT_FALSE(link.isNull());
    QTextCursor inside(browser->document());
    inside.setPosition(link.selectionStart() + 2);
    const QPoint at = browser->cursorRect(inside).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(browser->source().fileName(), "plots.html");
    EXPECT_TRUE(window->windowTitle().endsWith(" - Lumora Help")) << window->windowTitle().toStdString();
    EXPECT_NE(window->windowTitle(), "Getting started - Lumora Help");
    EXPECT_TRUE(ask.opened.isEmpty());
    browser->backward();
    EXPECT_EQ(window->windowTitle(), "Getting started - Lumora Help");
    window->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
}

}  // namespace
}  // namespace lumora::app::test
