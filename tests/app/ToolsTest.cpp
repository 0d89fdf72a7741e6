#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/Messages.h"
#include "app/Tools.h"
#include "engine/LaueEngine.h"
#include "structure/CsfReader.h"

namespace {

using namespace lumora::app;

// Collects every message instead of showing it.
class MessageRecorder {
public:
    MessageRecorder() {
        MessageHook hook;
        hook.answer = [this](const QString& title, const QString& text) {
            messages << title + "|" + text;
            return true;
        };
        setMessageHook(hook);
    }
    ~MessageRecorder() { clearMessageHook(); }
    QStringList messages;
};

// Runs `action` on the next modal dialog once it is shown.
template <typename Action>
void whenModal(Action action) {
    QTimer::singleShot(0, [action] {
        if (QWidget* modal = QApplication::activeModalWidget()) action(modal);
    });
}

// ---- periodic table -------------------------------------------------------------------

TEST(PeriodicTableTest, ShowsTheElementsInTheUsualLayoutWithGroupNumerals) {
    QWidget owner;
    QWidget* window = showPeriodicTable(&owner);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Periodic Table");
    EXPECT_FALSE(window->isModal());

    int elements = 0;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        elements += b->objectName().startsWith("element");
    EXPECT_EQ(elements, 106);

    auto* table = window->findChild<PeriodicTable*>();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->button(26)->text(), "26\nFe");
    EXPECT_EQ(table->button(106)->text(), "106\nUh");
    QStringList numerals;
    for (QLabel* l : window->findChildren<QLabel*>()) numerals << l->text();
    for (const char* group : {"IA", "IIA", "IIIB", "VIIIB", "IB", "IIB", "IVA", "VIIA", "VIIIA"})
        EXPECT_TRUE(numerals.contains(group)) << group;

    // Where a chemist expects them: He above Ne at the far right, Fe right of
    // Mn, the lanthanides in a row of their own below the table.
    QCoreApplication::processEvents();  // lay the window out
    auto at = [&](int z) { return table->button(z)->geometry().center(); };
    EXPECT_NEAR(at(2).x(), at(10).x(), 1);
    EXPECT_NEAR(at(5).x(), at(13).x(), 1);  // B above Al
    EXPECT_LT(at(2).y(), at(10).y());
    EXPECT_GT(at(2).x(), at(17).x());
    EXPECT_NEAR(at(26).y(), at(25).y(), 1);
    EXPECT_GT(at(26).x(), at(25).x());
    EXPECT_GT(at(58).y(), at(88).y());
    EXPECT_LT(at(58).y(), at(90).y());
    EXPECT_NEAR(at(72).x(), at(40).x(), 1);  // Hf under Zr
}

TEST(PeriodicTableTest, ClickingAnElementShowsItsNumberAndRadius) {
    QWidget owner;
    QWidget* window = showPeriodicTable(&owner);
    auto* table = window->findChild<PeriodicTable*>();
    QTest::mouseClick(table->button(14), Qt::LeftButton);
    auto* info = window->findChild<QLabel*>("elementInfo");
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->text().startsWith("Si")) << info->text().toStdString();
    EXPECT_TRUE(info->text().contains("Atomic number 14"));
    EXPECT_TRUE(info->text().contains("Radius 1.1")) << info->text().toStdString();
    EXPECT_TRUE(table->button(14)->isChecked());
    QTest::mouseClick(table->button(8), Qt::LeftButton);
    EXPECT_TRUE(info->text().startsWith("O "));
    EXPECT_FALSE(table->button(14)->isChecked());

    // Opening it again brings the same window forward.
    EXPECT_EQ(showPeriodicTable(&owner), window);
}

TEST(PeriodicTableTest, PickerReturnsTheClickedElementOrNothing) {
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

// ---- structure editor ---------------------------------------------------------------------

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
    QPushButton* button(const char* name) { return dialog.findChild<QPushButton*>(name); }

    MessageRecorder recorder;
    lumora::clLAUE laue;
    dlgCRYSTAL dialog;
};

TEST_F(StructureEditorTest, IsFilledFromTheDocumentsCrystal) {
    QStringList headers;
    for (int c = 0; c < grid()->columnCount(); ++c) headers << grid()->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headers, (QStringList{"Label", "A.N.", "SOF", "X", "Y", "Z", "B"}));
    EXPECT_TRUE(grid()->horizontalHeaderItem(6)->toolTip().contains("B = 0.5 for every atom"));

    ASSERT_EQ(grid()->rowCount(), static_cast<int>(laue.asymmetricAtoms().size()));
    EXPECT_EQ(cell(0, 1), "14");
    EXPECT_EQ(cell(0, 6), "0.5");
    EXPECT_EQ(dialog.findChild<QSpinBox*>("spaceGroup")->value(), 227);
    auto* setting = dialog.findChild<QComboBox*>("setting");
    EXPECT_EQ(setting->count(), 2);  // the two origins of F d -3 m
    EXPECT_EQ(setting->currentData().toInt(), laue.currentRow());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("a")->text(), "5.4307");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("gamma")->text(), "90");
}

TEST_F(StructureEditorTest, ABadCoordinateIsRefusedByRowAndColumn) {
    edit(0, 3, "abc");
    pressOk();
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(recorder.messages[0], "Structure Editor|Row 1, column \"X\": \"abc\" is not a number.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(grid()->currentRow(), 0);
    EXPECT_EQ(grid()->currentColumn(), 3);
}

TEST_F(StructureEditorTest, OtherInvalidValuesAreRefused) {
    struct Case {
        int row, column;
        QString text, message;
    };
    const std::vector<Case> cases = {
        {0, 1, "99", "column \"A.N.\": \"99\" is not an atomic number from 1 to 98."},
        {0, 1, "0", "column \"A.N.\""},
        {0, 1, "Xx", "column \"A.N.\""},
        {0, 2, "150", "column \"SOF\": the occupancy 150 lies outside 0 to 100."},
        {0, 2, "-0.1", "column \"SOF\""},
        {0, 5, "1/0", "column \"Z\": \"1/0\" is not a number."},
        {0, 4, "", "column \"Y\""},
        {0, 6, "-1", "column \"B\""},
    };
    for (const Case& c : cases) {
        const QString old = cell(c.row, c.column);
        edit(c.row, c.column, c.text);
        recorder.messages.clear();
        pressOk();
        ASSERT_EQ(recorder.messages.size(), 1) << c.text.toStdString();
        EXPECT_TRUE(recorder.messages[0].contains(c.message)) << recorder.messages[0].toStdString();
        EXPECT_TRUE(dialog.isVisible());
        edit(c.row, c.column, old);
    }

    auto* a = dialog.findChild<QLineEdit*>("a");
    a->setText("-5");
    recorder.messages.clear();
    pressOk();
    ASSERT_EQ(recorder.messages.size(), 1);
    a->setText("five");
    pressOk();
    ASSERT_EQ(recorder.messages.size(), 2);
    EXPECT_EQ(recorder.messages[1], "Structure Editor|Cell constant a: \"five\" is not a number.");
    a->setText("5.431");

    grid()->selectAll();
    QTest::mouseClick(button("removeAtom"), Qt::LeftButton);
    EXPECT_EQ(grid()->rowCount(), 0);
    pressOk();
    ASSERT_EQ(recorder.messages.size(), 3);
    EXPECT_TRUE(recorder.messages[2].contains("no atoms"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(StructureEditorTest, ReturnsTheEditedAtomsWhichTheEngineTakes) {
    edit(0, 3, "1/4");
    edit(0, 2, "0.5");
    QTest::mouseClick(button("addAtom"), Qt::LeftButton);
    ASSERT_EQ(grid()->rowCount(), 2);
    edit(1, 0, "Ge1");
    edit(1, 1, "ge");  // a symbol is taken for its number
    edit(1, 3, "0.5");
    edit(1, 4, "0.5");
    edit(1, 5, "0.5");
    dialog.findChild<QLineEdit*>("title")->setText("SiGe");
    dialog.findChild<QLineEdit*>("a")->setText("5.5");
    pressOk();
    EXPECT_TRUE(recorder.messages.isEmpty()) << recorder.messages.join("\n").toStdString();
    EXPECT_FALSE(dialog.isVisible());

    const lumora::structure::StructureFile& f = dialog.result();
    ASSERT_EQ(f.atoms.size(), 2u);
    EXPECT_FLOAT_EQ(f.atoms[0].x, 0.25f);
    EXPECT_FLOAT_EQ(f.atoms[0].occupancy, 0.5f);
    EXPECT_EQ(f.atoms[0].atomicNumber, 14);
    EXPECT_EQ(f.atoms[1].label, "Ge1");
    EXPECT_EQ(f.atoms[1].atomicNumber, 32);
    EXPECT_EQ(f.title, "SiGe");
    EXPECT_FLOAT_EQ(f.cell[0], 5.5f);
    EXPECT_EQ(f.spaceGroupNumber, 227);

    // The text shown for it reads back as the same structure.
    const auto reread = lumora::structure::parseCsf(f.text, "edited.csf");
    ASSERT_EQ(reread.atoms.size(), 2u);
    EXPECT_EQ(reread.spaceGroupNumber, 227);
    EXPECT_NEAR(reread.atoms[1].y, 0.5, 1e-6);
    EXPECT_EQ(reread.atoms[1].atomicNumber, 32);

    laue.loadStructure(f);
    EXPECT_EQ(laue.asymmetricAtoms().size(), 2u);
    EXPECT_FLOAT_EQ(laue.getCellConstant(0), 5.5f);
    EXPECT_EQ(laue.m_spg, 227);
}

TEST_F(StructureEditorTest, ChangingTheGroupListsItsSettings) {
    auto* number = dialog.findChild<QSpinBox*>("spaceGroup");
    auto* setting = dialog.findChild<QComboBox*>("setting");
    number->setValue(14);
    EXPECT_GT(setting->count(), 3);  // P 21/c in its many cell choices
    EXPECT_TRUE(setting->currentText().startsWith("P 21/c")) << setting->currentText().toStdString();
    number->setValue(1);
    EXPECT_EQ(setting->count(), 1);
    EXPECT_FALSE(setting->isEnabled());
    pressOk();
    EXPECT_EQ(dialog.result().spaceGroupNumber, 1);
}

TEST(StructureEditorDialogTest, CancelChangesNothing) {
    lumora::clLAUE laue;
    laue.readCEL(LUMORA_TEST_DATA_DIR "/Si.cel");
    lumora::structure::StructureFile result;
    result.title = "untouched";
    whenModal([](QWidget* editor) {
        editor->findChild<QTableWidget*>()->item(0, 3)->setText("0.3");
        QTest::mouseClick(editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
    });
    EXPECT_FALSE(editStructure(nullptr, laue, result));
    EXPECT_EQ(result.title, "untouched");
    EXPECT_FLOAT_EQ(laue.asymmetricAtoms()[0].x, 0.0f);
}

TEST(StructureEditorDialogTest, UnchangedAtomsKeepTheirElementText) {
    MessageRecorder recorder;
    lumora::clLAUE laue;
    laue.readCSF(LUMORA_TEST_DATA_DIR "/quartz.csf");
    dlgCRYSTAL dialog;
    dialog.setLaue(laue);
    EXPECT_EQ(dialog.findChild<QSpinBox*>("spaceGroup")->value(), 154);
    dialog.grid()->item(1, 1)->setText("9");  // O becomes F
    lumora::structure::StructureFile edited;
    ASSERT_TRUE(dialog.readStructure(edited));
    const auto& atoms = edited.atoms;
    ASSERT_EQ(atoms.size(), 2u);
    EXPECT_EQ(atoms[0].element, laue.asymmetricAtoms()[0].element);  // "Si4" as the file wrote it
    EXPECT_EQ(atoms[1].element, "F");
    EXPECT_EQ(edited.spaceGroupRow, laue.currentRow());
}

TEST(StructureEditorDialogTest, AnEngineWithoutAtomsOpensAnEmptyGrid) {
    lumora::clLAUE laue;
    laue.SGTAB_find("P 63/m m c");
    dlgCRYSTAL dialog;
    dialog.setLaue(laue);
    EXPECT_EQ(dialog.grid()->rowCount(), 0);
    EXPECT_EQ(dialog.findChild<QSpinBox*>("spaceGroup")->value(), 194);
}

// ---- scanner source ---------------------------------------------------------------------

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
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\ncat <<'END'\n" + listing.toUtf8() + "\nEND\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toLocal8Bit() + ":" + savedPath_);
    }

    QByteArray savedPath_;
    QTemporaryDir bin;
    MessageRecorder recorder;
};

TEST_F(ScannerSourceTest, WithoutSaneThereIsNoSource) {
    qputenv("PATH", bin.path().toLocal8Bit());  // a folder without scanimage
    chooseScannerSource(nullptr);
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(recorder.messages[0],
              "TWAIN device|No scanner source is available. Install SANE (scanimage) to use a scanner.");
}

TEST_F(ScannerSourceTest, NoDeviceFoundIsNoSourceEither) {
    fakeScanimage("\nNo scanners were identified. If you were expecting something different,");
    chooseScannerSource(nullptr);
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_TRUE(recorder.messages[0].contains("No scanner source is available."));
}

TEST_F(ScannerSourceTest, TheChosenDeviceIsRemembered) {
    fakeScanimage(
        "device `test:0' is a Noname frontend-tester virtual device\n"
        "device `genesys:libusb:001:004' is a Canon LiDE 110 flatbed scanner");
    QStringList offered;
    whenModal([&offered](QWidget* modal) {
        auto* chooser = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(chooser, nullptr);
        offered = chooser->comboBoxItems();
        chooser->setTextValue(offered.value(1));
        chooser->accept();
    });
    chooseScannerSource(nullptr);
    EXPECT_TRUE(recorder.messages.isEmpty()) << recorder.messages.join("\n").toStdString();
    ASSERT_EQ(offered.size(), 2);
    EXPECT_EQ(offered[1], "Canon LiDE 110 flatbed scanner  (genesys:libusb:001:004)");
    EXPECT_EQ(QSettings("Tessarin", "LUMORA").value("SCANNER").toString(), "genesys:libusb:001:004");

    // Next time the remembered device is offered first; cancelling keeps it.
    QString preset;
    whenModal([&preset](QWidget* modal) {
        auto* chooser = qobject_cast<QInputDialog*>(modal);
        preset = chooser->textValue();
        chooser->reject();
    });
    chooseScannerSource(nullptr);
    EXPECT_EQ(preset, "Canon LiDE 110 flatbed scanner  (genesys:libusb:001:004)");
    EXPECT_EQ(QSettings("Tessarin", "LUMORA").value("SCANNER").toString(), "genesys:libusb:001:004");
}

// ---- help ------------------------------------------------------------------------------

TEST(HelpTest, FindsTheManualBesideTheProgramOrInstalled) {
    QTemporaryDir root;
    QDir(root.path()).mkpath("bin/docs/help");
    EXPECT_TRUE(helpIndexFile(root.filePath("bin")).isEmpty());
    QFile beside(root.filePath("bin/docs/help/index.html"));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(helpIndexFile(root.filePath("bin")), QFileInfo(beside).canonicalFilePath());

    QDir(root.path()).mkpath("usr/bin");
    QDir(root.path()).mkpath("usr/share/lumora/help");
    QFile installed(root.filePath("usr/share/lumora/help/index.html"));
    ASSERT_TRUE(installed.open(QIODevice::WriteOnly));
    installed.close();
    EXPECT_EQ(helpIndexFile(root.filePath("usr/bin")), QFileInfo(installed).canonicalFilePath());
}

TEST(HelpTest, WithoutAManualTheUserIsTold) {
    // The test program's folder holds no manual.
    ASSERT_TRUE(helpIndexFile(QCoreApplication::applicationDirPath()).isEmpty());
    MessageRecorder recorder;
    EXPECT_FALSE(showHelpContents(nullptr));
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_TRUE(recorder.messages[0].endsWith(
        "|Unable to display Help Contents. There is no Help associated with this project."));
}

}  // namespace
