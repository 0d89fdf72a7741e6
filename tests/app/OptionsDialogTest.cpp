// The options dialog: what it shows, Apply, OK and Cancel, refused values,
// and the values it stores surviving a restart.
#include <QCheckBox>
#include <QColorDialog>
#include <QSignalSpy>
#include <QTabWidget>

#include "AppFixture.h"
#include "app/OptionsDialog.h"
#include "engine/SettingsText.h"

namespace lumora::app::test {
namespace {

class OptionsDialogTest : public AppFixture {
protected:
    void TearDown() override {
        dialog.reset();
        AppFixture::TearDown();
    }
    // The dialog as the Tools menu opens it.
    void open() {
        dialog = std::make_unique<frmOptions>();
        dialog->show();
        applied = std::make_unique<QSignalSpy>(dialog.get(), &frmOptions::applied);
    }
    QLineEdit* field(int i) { return dialog->findChild<QLineEdit*>(QString("tf%1").arg(i)); }
    QComboBox* list(int i) { return dialog->findChild<QComboBox*>(QString("cmb%1").arg(i)); }
    template <class T>
    T* captioned(const QString& caption) {
        for (T* b : dialog->findChildren<T*>())
            if (b->text() == caption) return b;
        return nullptr;
    }
    void press(const char* caption) { QTest::mouseClick(captioned<QPushButton>(caption), Qt::LeftButton); }
    // Clicks a check box on its box, as a user would.
    void tick(const char* caption) {
        QCheckBox* box = captioned<QCheckBox>(caption);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
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
        whenModal([&preset, colour, accept](QWidget* modal) {
            auto* chooser = qobject_cast<QColorDialog*>(modal);
            preset = chooser->currentColor();
            chooser->setCurrentColor(colour);
            accept ? chooser->accept() : chooser->reject();
        });
        QTest::mouseClick(dialog->findChild<QLabel*>("lbCOL"), Qt::LeftButton);
        return preset;
    }
    // The colour the label shows, from its pixels.
    QRgb shownColour() {
        return dialog->findChild<QLabel*>("lbCOL")->grab().toImage().pixel(4, 4) & 0xFFFFFF;
    }
    static std::string stored() { return formatSettingsText(appState().settings); }

    std::unique_ptr<frmOptions> dialog;
    std::unique_ptr<QSignalSpy> applied;
};

TEST_F(OptionsDialogTest, ShowsTheCurrentSettings) {
    Settings& s = appState().settings;
    s.anodeIndex = 2;
    s.plotType = 3;
    s.filmWidth = 100.5f;
    s.labelColour = 0xFF0000;  // blue as red + 256 green + 65536 blue
    s.flipX = true;
    open();
    EXPECT_EQ(list(0)->currentText(), "Cu");
    EXPECT_EQ(list(1)->currentText(), "uvw ");
    EXPECT_EQ(list(2)->currentText(), "Stereogram");
    EXPECT_EQ(field(0)->text(), "100.5");
    EXPECT_EQ(field(2)->text(), "50");
    EXPECT_EQ(shownColour(), 0x0000FFu);
    EXPECT_FALSE(captioned<QCheckBox>("Start with black background")->isChecked());
    EXPECT_TRUE(captioned<QCheckBox>("Flip X for Laue patterns")->isChecked());
}

TEST_F(OptionsDialogTest, ApplyWithoutChangesKeepsEverySettingAndStillRedraws) {
    appState().settings.voltage = 42.5f;
    appState().settings.minimumSpacing = 0.75f;
    appState().settings.labelColour = 0x123456;
    const std::string before = stored();
    open();
    press("&Apply");
    EXPECT_EQ(applied->count(), 1);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(appState().currentLabelColour, 0x123456);
    EXPECT_TRUE(dialog->isVisible());  // Apply keeps the dialog open
    EXPECT_TRUE(ask_.messages.isEmpty());
}

TEST_F(OptionsDialogTest, CancelAfterAColourChangeKeepsTheOldColour) {
    appState().settings.labelColour = appState().currentLabelColour = 255;  // red
    open();
    EXPECT_EQ(chooseColour(QColor(0, 200, 0)), QColor(255, 0, 0));
    EXPECT_EQ(shownColour(), 0x00C800u);
    chooseColour(QColor(0, 0, 99), false);  // cancelling the chooser keeps the label's colour
    EXPECT_EQ(shownColour(), 0x00C800u);
    EXPECT_EQ(appState().settings.labelColour, 255);
    press("Cancel");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(applied->count(), 0);
    EXPECT_EQ(appState().settings.labelColour, 255);
    EXPECT_EQ(appState().currentLabelColour, 255);
    // Opened again, it shows the stored colour, not the cancelled one.
    dialog->show();
    EXPECT_EQ(shownColour(), 0xFF0000u);
}

TEST_F(OptionsDialogTest, ValuesThatAreNoNumberOrUnusableAreRefusedAndNothingIsStored) {
    const std::string before = stored();
    open();
    type(2, "4x5,5");
    EXPECT_EQ(field(2)->text(), "455");  // letters and commas never reach the field by typing
    const struct {
        int field;
        const char* text;
        const char* message;
    } cases[] = {
        {0, "", "Film width is empty"},
        {2, "12abc", "Accelerating Voltage [kV]: \"12abc\" is not a number."},
        {2, "0", "Accelerating Voltage [kV] must be greater than 0."},
        {3, "-30", "Film-Sample Distance [mm] must be greater than 0."},
        {4, "1e999", "is not a number."},
    };
    for (const auto& c : cases) {
        dialog->load();
        list(0)->setCurrentIndex(0);  // another change that must not be stored either
        field(c.field)->setText(c.text);
        ask_.messages.clear();
        press("OK");
        ASSERT_EQ(ask_.messages.size(), 1) << c.text;
        EXPECT_TRUE(ask_.messages[0].startsWith("Laue Options: ")) << ask_.messages[0].toStdString();
        EXPECT_TRUE(ask_.messages[0].contains(c.message)) << ask_.messages[0].toStdString();
        EXPECT_TRUE(dialog->isVisible());
    }
    EXPECT_EQ(applied->count(), 0);
    EXPECT_EQ(stored(), before);
}

TEST_F(OptionsDialogTest, AppliedValuesSurviveARestartThroughTheSettingsStore) {
    resetSettings();  // a store with the first-run values, as after a first start
    open();
    list(0)->setCurrentIndex(3);
    list(1)->setCurrentIndex(1);
    list(2)->setCurrentIndex(0);
    type(0, "127");
    type(1, "125.5");
    type(3, "35.5");
    type(4, "1.5");
    chooseColour(QColor(1, 2, 3));
    tick("Start with black background");
    tick("Flip X for Laue patterns");
    press("OK");
    EXPECT_EQ(applied->count(), 1);
    EXPECT_FALSE(dialog->isVisible());
    const Settings& s = appState().settings;
    EXPECT_EQ(s.anodeIndex, 3);
    EXPECT_EQ(s.orientationVectorType, 1);
    EXPECT_EQ(s.plotType, 0);
    EXPECT_FLOAT_EQ(s.filmHeight, 125.5f);
    EXPECT_FLOAT_EQ(s.filmDistance, 35.5f);
    EXPECT_EQ(s.labelColour, 1 + 256 * 2 + 65536 * 3);
    EXPECT_TRUE(s.startBlack && s.flipX);
    const std::string kept = stored();

    SaveRegistry({QRect(10, 10, 800, 600), 0});
    appState().settings = Settings{};
    ReadRegistry();
    EXPECT_EQ(stored(), kept);
    open();
    EXPECT_EQ(list(0)->currentText(), "Fe");
    EXPECT_EQ(field(0)->text(), "127");
    EXPECT_EQ(field(4)->text(), "1.5");
    EXPECT_EQ(shownColour(), 0x010203u);
    EXPECT_TRUE(captioned<QCheckBox>("Start with black background")->isChecked());
}

TEST_F(OptionsDialogTest, CtrlTabStaysOnTheOnlyTab) {
    open();
    field(0)->setFocus();
    QTest::keyClick(field(0), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(field(0), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialog->findChild<QTabWidget*>()->currentIndex(), 0);
    EXPECT_TRUE(dialog->isVisible());
}

}  // namespace
}  // namespace lumora::app::test
