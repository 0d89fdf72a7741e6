// The options dialog: what it shows, Apply, OK and Cancel, refused values,
// and the values it stores surviving a restart.
#include <QCheckBox>
#include <QColorDialog>
#include <QSignalSpy>
#include <QTabWidget>

#include "AppFixture.h"
#include "app/AppState.h"
#include "app/OptionsDialog.h"
#include "app/SettingsStore.h"
#include "engine/LaueEngine.h"
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

TEST_F(OptionsDialogTest, ApplyWithoutChangesKeepsEverySettingAndAppliedValuesSurviveARestart) {
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

    field(0)->setFocus();
    QTest::keyClick(field(0), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(field(0), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialog->findChild<QTabWidget*>()->currentIndex(), 0);
    EXPECT_TRUE(dialog->isVisible());

    resetSettings();  // a store with the first-run values, as after a first start
    open();
    list(0)->setCurrentIndex(3);
    list(1)->setCurrentIndex(1);
    list(2)->setCurrentIndex(0);
    typeInto(field(0), "127");
    typeInto(field(1), "125.5");
    typeInto(field(3), "35.5");
    typeInto(field(4), "1.5");
    chooseColour(QColor(1, 2, 3));
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())  // clicked on the box, as a user would
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    press("OK");
    EXPECT_EQ(applied->count(), 1);
    EXPECT_FALSE(dialog->isVisible());
    const Settings& s = appState().settings;
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
    EXPECT_TRUE(captioned<QCheckBox>("Flip X for Laue patterns")->isChecked());
}

TEST_F(OptionsDialogTest, TheIntensityChoiceReachesTheEngineAndSurvivesARestart) {
    resetSettings();
    open();
    auto* intensity = dialog->findChild<QComboBox*>("cmbIntensity");
    auto* source = dialog->findChild<QComboBox*>("cmbSource");
    ASSERT_TRUE(intensity && source);
    EXPECT_EQ(intensity->currentText(), "|F|");
    EXPECT_EQ(source->currentIndex(), 0);
    intensity->setCurrentIndex(1);
    source->setCurrentIndex(1);
    list(0)->setCurrentIndex(2);  // Cu
    press("&Apply");
    EXPECT_EQ(applied->count(), 1);
    EXPECT_TRUE(appState().settings.physicalIntensity);
    EXPECT_TRUE(appState().settings.synchrotronBeam);
    // An open document's engine takes the choice when it draws next.
    clLAUE laue;
    applyIntensityChoice(laue);
    EXPECT_TRUE(laue.physicalIntensities());
    EXPECT_EQ(laue.beamSource(), engine::BeamSource::Synchrotron);
    EXPECT_EQ(laue.anodeIndex(), 2);

    SaveRegistry({QRect(10, 10, 800, 600), 0});
    appState().settings = Settings{};
    ReadRegistry();
    EXPECT_TRUE(appState().settings.physicalIntensity);
    EXPECT_TRUE(appState().settings.synchrotronBeam);
    open();
    EXPECT_EQ(dialog->findChild<QComboBox*>("cmbIntensity")->currentText(), "physical");
    EXPECT_EQ(dialog->findChild<QComboBox*>("cmbSource")->currentIndex(), 1);

    // Back to |F| and the tube, and the first-run values forget the choice.
    dialog->findChild<QComboBox*>("cmbIntensity")->setCurrentIndex(0);
    press("OK");
    EXPECT_FALSE(appState().settings.physicalIntensity);
    appState().settings.physicalIntensity = true;
    resetSettings();
    EXPECT_FALSE(appState().settings.physicalIntensity);
    EXPECT_FALSE(appState().settings.synchrotronBeam);
}

TEST_F(OptionsDialogTest, CancelAfterAColourChangeAndRefusedValuesStoreNothing) {
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

    const std::string unchanged = stored();
    open();
    typeInto(field(2), "4x5,5");
    EXPECT_EQ(field(2)->text(), "455");  // letters and commas never reach the field by typing
    const std::tuple<int, const char*, const char*> cases[] = {
        {0, "", "Film width is empty"},
        {2, "12abc", "Accelerating Voltage [kV]: \"12abc\" is not a number."},
        {2, "0", "Accelerating Voltage [kV] must be greater than 0."},
        {3, "-30", "Film-Sample Distance [mm] must be greater than 0."},
        {4, "1e999", "is not a number."},
    };
    for (const auto& [i, text, message] : cases) {
        dialog->load();
        list(0)->setCurrentIndex(0);  // another change that must not be stored either
        field(i)->setText(text);
        ask_.messages.clear();
        press("OK");
        ASSERT_EQ(ask_.messages.size(), 1) << text;
        EXPECT_TRUE(ask_.messages[0].startsWith("Laue Options: ")) << ask_.messages[0].toStdString();
        EXPECT_TRUE(ask_.messages[0].contains(message)) << ask_.messages[0].toStdString();
        EXPECT_TRUE(dialog->isVisible());
    }
    EXPECT_EQ(applied->count(), 0);
    EXPECT_EQ(stored(), unchanged);
}

}  // namespace
}  // namespace lumora::app::test

namespace lumora::app::test {
namespace {

// Integer points other than the origin with h^2 + k^2 + l^2 <= limit.
int pointsWithin(int limit) {
    int count = 0;
    for (int h = -20; h <= 20; ++h)
        for (int k = -20; k <= 20; ++k)
            for (int l = -20; l <= 20; ++l)
                if ((h || k || l) && h * h + k * k + l * l <= limit) ++count;
    return count;
}

TEST_F(OptionsDialogTest, TheCompletePatternOptionIsStoredAndSurvivesARestart) {
    resetSettings();  // a store with the first-run values, as after a first start
    open();
    auto* complete = dialog->findChild<QCheckBox*>("cbComplete");
    auto* dMin = dialog->findChild<QLineEdit*>("tfDMin");
    ASSERT_TRUE(complete && dMin);
    EXPECT_FALSE(complete->isChecked());
    EXPECT_FALSE(dMin->isEnabled());  // only a complete pattern has a d-min
    EXPECT_EQ(dMin->text(), "0");
    QTest::mouseClick(complete, Qt::LeftButton, {}, QPoint(6, complete->height() / 2));
    EXPECT_TRUE(dMin->isEnabled());
    typeInto(dMin, "0.45");
    press("OK");
    EXPECT_EQ(applied->count(), 1);
    EXPECT_TRUE(appState().settings.completePattern);
    EXPECT_FLOAT_EQ(appState().settings.completeDMin, 0.45f);
    EXPECT_TRUE(engineDefaults().reflectionRange.complete);
    EXPECT_FLOAT_EQ(engineDefaults().reflectionRange.dMin, 0.45f);

    SaveRegistry({QRect(10, 10, 800, 600), 0});
    appState().settings = Settings{};
    ReadRegistry();
    EXPECT_TRUE(appState().settings.completePattern);
    EXPECT_FLOAT_EQ(appState().settings.completeDMin, 0.45f);
    open();
    complete = dialog->findChild<QCheckBox*>("cbComplete");
    dMin = dialog->findChild<QLineEdit*>("tfDMin");
    EXPECT_TRUE(complete->isChecked());
    EXPECT_EQ(dMin->text(), "0.45");

    // A d-min below 0 is refused and nothing is stored.
    dMin->setText("-1");
    complete->setChecked(false);
    press("OK");
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_TRUE(ask_.messages[0].contains("d-min")) << ask_.messages[0].toStdString();
    EXPECT_TRUE(appState().settings.completePattern);

    // A damaged value in the store reads as the default.
    writeRegString("LUMORA", "SX", "0");
    QSettings("Tessarin", "LUMORA").setValue("Reflections/DMin", "x");
    ReadRegistry();
    EXPECT_FALSE(appState().settings.completePattern);
    EXPECT_FLOAT_EQ(appState().settings.completeDMin, 0.0f);
}

TEST_F(DocumentFixture, ApplyGeneratesACompletePatternWhenTheOptionsAskForOne) {
    pressApply();
    const int byRule = doc->engine().n_hkl;
    ASSERT_EQ(doc->engine().opCount(), 1);  // P 1 and a 5 Å cube, as a new document starts
    appState().settings.completePattern = true;
    appState().settings.completeDMin = 0.4f;
    pressApply();
    // d >= 0.4 Å: h^2 + k^2 + l^2 <= (5 / 0.4)^2 = 156.25.
    EXPECT_EQ(doc->engine().n_hkl, pointsWithin(156));
    EXPECT_EQ(
        hint(),
        QStringLiteral("%1 reflections generated (complete: d \u2265 0.4 \u00c5)").arg(doc->engine().n_hkl));
    appState().settings.completePattern = false;
    pressApply();
    EXPECT_EQ(doc->engine().n_hkl, byRule);
}

}  // namespace
}  // namespace lumora::app::test
