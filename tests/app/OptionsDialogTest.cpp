#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/Messages.h"
#include "app/OptionsDialog.h"
#include "app/SettingsStore.h"
#include "engine/AppState.h"
#include "engine/SettingsText.h"

namespace {

using lumora::appState;
using lumora::app::frmOptions;

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = appState();
        lumora::app::MessageHook hook;
        hook.answer = [this](const QString& title, const QString& text) {
            messages << title + "|" + text;
            return true;
        };
        lumora::app::setMessageHook(hook);
    }
    void TearDown() override {
        lumora::app::clearMessageHook();
        appState() = saved_;
    }

    // The dialog as the Tools menu opens it.
    frmOptions& open() {
        dialog = std::make_unique<frmOptions>();
        dialog->show();
        return *dialog;
    }
    QLineEdit* field(int i) { return dialog->findChild<QLineEdit*>(QString("tf%1").arg(i)); }
    QComboBox* list(int i) { return dialog->findChild<QComboBox*>(QString("cmb%1").arg(i)); }
    QLabel* colourLabel() { return dialog->findChild<QLabel*>("lbCOL"); }
    QPushButton* button(const QString& caption) {
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == caption) return b;
        return nullptr;
    }
    // Clicks a check box on its box, as a user would.
    void tick(const QString& caption) {
        QCheckBox* box = check(caption);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    QCheckBox* check(const QString& caption) {
        for (QCheckBox* c : dialog->findChildren<QCheckBox*>())
            if (c->text() == caption) return c;
        return nullptr;
    }
    void type(int i, const QString& text) {
        field(i)->selectAll();
        QTest::keyClick(field(i), Qt::Key_Delete);
        QTest::keyClicks(field(i), text);
    }
    // Clicks the colour label and answers the colour chooser with `colour`
    // (or cancels it), reporting the colour it was opened with.
    QColor chooseColour(const QColor& colour, bool accept = true) {
        QColor preset;
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            if (!chooser) return;
            preset = chooser->currentColor();
            chooser->setCurrentColor(colour);
            accept ? chooser->accept() : chooser->reject();
        });
        QTest::mouseClick(colourLabel(), Qt::LeftButton);
        return preset;
    }
    // The colour the label shows, from its pixels.
    QRgb shownColour() { return colourLabel()->grab().toImage().pixel(4, 4) & 0xFFFFFF; }

    lumora::AppState saved_;
    std::unique_ptr<frmOptions> dialog;
    QStringList messages;
};

TEST_F(OptionsDialogTest, ShowsCaptionsListsAndTheCurrentSettings) {
    appState().settings.anodeIndex = 2;
    appState().settings.plotType = 3;
    appState().settings.orientationVectorType = 1;
    appState().settings.filmWidth = 100.5f;
    appState().settings.voltage = 35;
    appState().settings.labelColour = 0xFF0000;  // blue as red + 256 green + 65536 blue
    appState().settings.flipX = true;
    open();
    EXPECT_EQ(dialog->windowTitle(), " Laue Options");
    auto* tabs = dialog->findChild<QTabWidget*>();
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "Default Settings");
    ASSERT_TRUE(button("OK") && button("Cancel") && button("&Apply"));

    QStringList anodes, types, plots;
    for (int i = 0; i < list(0)->count(); ++i) anodes << list(0)->itemText(i);
    for (int i = 0; i < list(1)->count(); ++i) types << list(1)->itemText(i);
    for (int i = 0; i < list(2)->count(); ++i) plots << list(2)->itemText(i);
    EXPECT_EQ(anodes, (QStringList{"Ag", "Mo", "Cu", "Fe", "Cr"}));
    EXPECT_EQ(types, (QStringList{"uvw ", "hkl "}));
    EXPECT_EQ(plots, (QStringList{"3D-HKL", "Laue Transmission", "Laue Back-Reflection", "Stereogram"}));
    EXPECT_EQ(list(0)->currentText(), "Cu");
    EXPECT_EQ(list(1)->currentText(), "hkl ");
    EXPECT_EQ(list(2)->currentText(), "Stereogram");

    EXPECT_EQ(field(0)->text(), "100.5");
    EXPECT_EQ(field(1)->text(), "120");
    EXPECT_EQ(field(2)->text(), "35");
    EXPECT_EQ(field(3)->text(), "30");
    EXPECT_EQ(field(4)->text(), "1");
    EXPECT_EQ(field(2)->toolTip(), "For calculating minimum wavelength");
    EXPECT_EQ(field(4)->toolTip(), "Increase to reduce number of (hkl)");
    EXPECT_EQ(colourLabel()->text(), "Label Color");
    EXPECT_EQ(shownColour(), 0x0000FFu);
    EXPECT_FALSE(check("Start with black background")->isChecked());
    EXPECT_TRUE(check("Flip X for Laue patterns")->isChecked());

    QStringList labels;
    for (QLabel* l : dialog->findChildren<QLabel*>()) labels << l->text();
    for (const char* caption : {"Anode Material For Wavelength", "Orientation Vector Type",
                                "Default Plot Type ", "Width =", "Height =", "Accelerating Voltage [kV]",
                                "Film-Sample Distance [mm]", "Mininimum d-Spacing for hkl [A]"})
        EXPECT_TRUE(labels.contains(caption)) << caption;
}

TEST_F(OptionsDialogTest, ApplyWithoutChangesKeepsEverySettingAndStillRedraws) {
    appState().settings.voltage = 42.5f;
    appState().settings.minimumSpacing = 0.75f;
    appState().settings.labelColour = 0x123456;
    const std::string before = lumora::formatSettingsText(appState().settings);
    open();
    QSignalSpy applied(dialog.get(), &frmOptions::applied);
    QTest::mouseClick(button("&Apply"), Qt::LeftButton);
    EXPECT_EQ(applied.count(), 1);
    EXPECT_EQ(lumora::formatSettingsText(appState().settings), before);
    EXPECT_EQ(appState().currentLabelColour, 0x123456);
    EXPECT_TRUE(dialog->isVisible());  // Apply keeps the dialog open
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(OptionsDialogTest, ApplyStoresEveryControl) {
    open();
    list(0)->setCurrentIndex(4);
    list(1)->setCurrentIndex(1);
    list(2)->setCurrentIndex(0);
    type(0, "100");
    type(1, "125.5");
    type(2, "30");
    type(3, "40");
    type(4, "0.8");
    tick("Start with black background");
    tick("Flip X for Laue patterns");
    chooseColour(QColor(10, 20, 30));
    QTest::mouseClick(button("&Apply"), Qt::LeftButton);

    const lumora::Settings& s = appState().settings;
    EXPECT_EQ(s.anodeIndex, 4);
    EXPECT_EQ(s.orientationVectorType, 1);
    EXPECT_EQ(s.plotType, 0);
    EXPECT_FLOAT_EQ(s.filmWidth, 100);
    EXPECT_FLOAT_EQ(s.filmHeight, 125.5f);
    EXPECT_FLOAT_EQ(s.voltage, 30);
    EXPECT_FLOAT_EQ(s.filmDistance, 40);
    EXPECT_FLOAT_EQ(s.minimumSpacing, 0.8f);
    EXPECT_TRUE(s.startBlack);
    EXPECT_TRUE(s.flipX);
    EXPECT_EQ(s.labelColour, 10 + 256 * 20 + 65536 * 30);
    EXPECT_EQ(appState().currentLabelColour, s.labelColour);
}

TEST_F(OptionsDialogTest, ColourChooserStartsFromTheLabelAndStoresNothingUntilApply) {
    appState().settings.labelColour = 255;  // red
    appState().currentLabelColour = 255;
    open();
    EXPECT_EQ(chooseColour(QColor(0, 200, 0)), QColor(255, 0, 0));
    EXPECT_EQ(shownColour(), 0x00C800u);
    EXPECT_EQ(appState().settings.labelColour, 255);
    EXPECT_EQ(appState().currentLabelColour, 255);

    // Cancelling the chooser keeps the label's colour.
    chooseColour(QColor(0, 0, 99), false);
    EXPECT_EQ(shownColour(), 0x00C800u);
}

TEST_F(OptionsDialogTest, CancelAfterAColourChangeKeepsTheOldColour) {
    appState().settings.labelColour = 255;
    appState().currentLabelColour = 255;
    open();
    QSignalSpy applied(dialog.get(), &frmOptions::applied);
    chooseColour(QColor(0, 0, 255));
    QTest::mouseClick(button("Cancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(applied.count(), 0);
    EXPECT_EQ(appState().settings.labelColour, 255);
    EXPECT_EQ(appState().currentLabelColour, 255);

    // Opened again, it shows the stored colour, not the cancelled one.
    dialog->show();
    EXPECT_EQ(shownColour(), 0xFF0000u);
}

TEST_F(OptionsDialogTest, OkAppliesAndCloses) {
    open();
    type(2, "25");
    QSignalSpy applied(dialog.get(), &frmOptions::applied);
    QTest::mouseClick(button("OK"), Qt::LeftButton);
    EXPECT_EQ(applied.count(), 1);
    EXPECT_FLOAT_EQ(appState().settings.voltage, 25);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(OptionsDialogTest, FieldsTakeOnlyNumbers) {
    open();
    type(2, "4x5,5");
    EXPECT_EQ(field(2)->text(), "455");  // letters and commas never reach the field
    type(2, "1.5e1");
    EXPECT_EQ(field(2)->text(), "1.5e1");
}

TEST_F(OptionsDialogTest, ValuesThatAreNoNumberOrUnusableAreRefusedAndNothingIsStored) {
    const std::string before = lumora::formatSettingsText(appState().settings);
    open();
    QSignalSpy applied(dialog.get(), &frmOptions::applied);
    struct Case {
        int field;
        QString text;
        QString message;
    };
    const std::vector<Case> cases = {
        {0, "", "Film width is empty"},
        {2, "12abc", "Accelerating Voltage [kV]: \"12abc\" is not a number."},
        {2, "0", "Accelerating Voltage [kV] must be greater than 0."},
        {3, "-30", "Film-Sample Distance [mm] must be greater than 0."},
        {1, "1,5", "\"1,5\" is not a number."},
        {4, "1e999", "is not a number."},
    };
    for (const Case& c : cases) {
        dialog->load();
        list(0)->setCurrentIndex(0);  // another change that must not be stored either
        field(c.field)->setText(c.text);
        messages.clear();
        QTest::mouseClick(button("OK"), Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1) << c.text.toStdString();
        EXPECT_TRUE(messages[0].startsWith("Laue Options|")) << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(c.message)) << messages[0].toStdString();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(field(c.field)->hasFocus() || !QApplication::focusWidget());
    }
    EXPECT_EQ(applied.count(), 0);
    EXPECT_EQ(lumora::formatSettingsText(appState().settings), before);
}

TEST_F(OptionsDialogTest, AppliedValuesSurviveTheSettingsStore) {
    lumora::app::resetSettings();  // a store with the first-run values, as after a first start
    open();
    list(0)->setCurrentIndex(3);
    type(0, "127");
    type(3, "35.5");
    type(4, "1.5");
    chooseColour(QColor(1, 2, 3));
    tick("Start with black background");
    QTest::mouseClick(button("OK"), Qt::LeftButton);
    const std::string applied = lumora::formatSettingsText(appState().settings);

    lumora::app::SaveRegistry({QRect(10, 10, 800, 600), 0});
    appState().settings = lumora::Settings{};
    lumora::app::ReadRegistry();
    EXPECT_EQ(lumora::formatSettingsText(appState().settings), applied);

    open();
    EXPECT_EQ(list(0)->currentText(), "Fe");
    EXPECT_EQ(field(0)->text(), "127");
    EXPECT_EQ(field(3)->text(), "35.5");
    EXPECT_EQ(field(4)->text(), "1.5");
    EXPECT_EQ(shownColour(), 0x010203u);
    EXPECT_TRUE(check("Start with black background")->isChecked());
}

TEST_F(OptionsDialogTest, CtrlTabStaysOnTheOnlyTab) {
    open();
    auto* tabs = dialog->findChild<QTabWidget*>();
    field(0)->setFocus();
    QTest::keyClick(field(0), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::keyClick(field(0), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(dialog->isVisible());
}

}  // namespace
