// The detector list of the input column: films and cameras, the camera's
// values, LaueTools calibration files and what the next document starts from.
#include <QRadioButton>

#include "AppFixture.h"

namespace lumora::app::test {
namespace {

class DetectorTest : public DocumentFixture {
protected:
    QComboBox* detectors(frmDocument* d = nullptr) const {
        return (d ? d : doc.get())->findChild<QComboBox*>("cmbDET");
    }
    // Picks an entry with the arrow keys, as from the keyboard: each entry
    // passed on the way is chosen too.
    void chooseDetector(const QString& text) {
        QComboBox* box = detectors();
        const int target = box->findText(text);
        ASSERT_GE(target, 0) << text.toStdString();
        box->setFocus();
        // Counted: an entry that is refused puts the list back.
        const int steps = target - box->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i) QTest::keyClick(box, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
    // Types a value and confirms it with Enter.
    void enter(const char* field, const QString& text) {
        setText(field, text);
        if (text.isEmpty()) QTest::keyClick(edit(field), Qt::Key_Backspace);
        QTest::keyClick(edit(field), Qt::Key_Return);
    }
    QString shownValue(const char* field, frmDocument* d = nullptr) const {
        return (d ? d : doc.get())->findChild<QLineEdit*>(field)->text();
    }
    bool checked(const char* button) const { return child<QRadioButton>(button)->isChecked(); }
    QImage pattern() const { return picture("pb1")->surface().image(); }
    // Where the camera's frame is drawn: the box around the pure blue pixels.
    static QRect blueBox(const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFFu) == 0x0000FFu) box |= QRect(x, y, 1, 1);
        return box;
    }
    QString tempFile(const char* name, const QByteArray& text) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(writeFile(path, text));
        return path;
    }
};

TEST_F(DetectorTest, TheCameraIsAPlotTypeOfItsOwnAndTheFilmsAreTheFilmButtons) {
    pressApply();
    EXPECT_EQ(detectors()->currentText(), "Film (back-reflection)");
    EXPECT_FALSE(child<QWidget>("frDETVALUES")->isVisible());
    EXPECT_EQ(child<QLabel>("lbDETNOTE")->text(),
              QString::fromUtf8("90 × 120 mm film (Options) at the FSD above"));
    // No film outline was asked for: only the primary beam's dot is blue.
    EXPECT_LE(blueBox(pattern()).width(), 6);

    // The Camera button shows the top camera until another camera is chosen.
    clickOption("rbmode4");
    EXPECT_EQ(doc->getStatus()[1], "Laue Camera");
    EXPECT_EQ(hint(), "Laue Pattern on a Camera: top camera");
    EXPECT_EQ(detectors()->currentText(), "Top camera");
    EXPECT_TRUE(child<QWidget>("frDETVALUES")->isVisible());
    EXPECT_FALSE(child<QLabel>("lbDETNOTE")->isVisible());
    EXPECT_EQ(shownValue("tfDETD"), "70");
    EXPECT_EQ(shownValue("tfDETX0"), "1023.5");
    EXPECT_EQ(shownValue("tfDETPX"), "0.08");
    EXPECT_EQ(shownValue("tfDETW"), "2048");
    EXPECT_FALSE(edit("tfDETD")->isReadOnly());
    // Above the crystal, square to the vertical: the normal and tilts are not the user's.
    EXPECT_FALSE(edit("tfDET2TH")->isVisible());
    EXPECT_FALSE(edit("tfDETTN")->isVisible());
    // The square frame, fitted to the picture and centred on it.
    const QImage onCamera = pattern();
    const QRect frame = blueBox(onCamera);
    ASSERT_FALSE(frame.isEmpty());
    EXPECT_NEAR(frame.width(), frame.height(), 2);
    EXPECT_NEAR(frame.height(), 0.95 * std::min(onCamera.width(), onCamera.height()), 3);
    EXPECT_NEAR(frame.center().x(), onCamera.width() / 2.0, 2);
    EXPECT_NEAR(frame.center().y(), onCamera.height() / 2.0, 2);

    // The 3-D view and the stereogram keep the list as it is.
    clickOption("rbmode3");
    EXPECT_EQ(doc->getStatus()[1], "Stereogram");
    EXPECT_EQ(detectors()->currentText(), "Top camera");
    clickOption("rbmode1");
    EXPECT_EQ(detectors()->currentText(), "Film (transmission)");
    EXPECT_FALSE(child<QWidget>("frDETVALUES")->isVisible());
    clickOption("rbmode4");
    EXPECT_EQ(detectors()->currentText(), "Top camera");
    EXPECT_EQ(pattern(), onCamera);

    chooseDetector("Film (transmission)");
    EXPECT_TRUE(checked("rbmode1"));
    EXPECT_EQ(doc->getStatus()[1], "Laue Transmission");
    EXPECT_LE(blueBox(pattern()).width(), 6);
    chooseDetector("Film (back-reflection)");
    EXPECT_TRUE(checked("rbmode2"));
    EXPECT_EQ(doc->getStatus()[1], "Laue Back-Reflection");
    chooseDetector("Top camera");
    EXPECT_TRUE(checked("rbmode4"));
    EXPECT_EQ(doc->getStatus()[1], "Laue Camera");

    // Apply returns to the default plot type, whose film the chosen camera replaces.
    clickOption("rbmode0");
    pressApply();
    EXPECT_TRUE(checked("rbmode4"));
    EXPECT_EQ(doc->getStatus()[1], "Laue Camera");
    chooseDetector("Film (back-reflection)");
    clickOption("rbmode0");
    pressApply();
    EXPECT_TRUE(checked("rbmode2"));
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join("\n").toStdString();
}

TEST_F(DetectorTest, CustomValuesChangeThePatternAreCheckedAndAreKeptForTheNextDocument) {
    pressApply();
    chooseDetector("Custom");
    EXPECT_EQ(doc->getStatus()[1], "Laue Camera");
    EXPECT_EQ(hint(), "Laue Pattern on a Camera: custom camera");
    for (const char* field : {"tfDET2TH", "tfDETCHI", "tfDETTU", "tfDETTV", "tfDETTN"}) {
        EXPECT_TRUE(edit(field)->isVisible()) << field;
        EXPECT_FALSE(edit(field)->isReadOnly()) << field;
    }
    EXPECT_EQ(shownValue("tfDET2TH"), "90");
    const QImage above = pattern();

    // Facing the beam behind the crystal: a transmission pattern on a 1000 x 500 camera.
    const std::pair<const char*, const char*> values[] = {
        {"tfDET2TH", "0"},  {"tfDETCHI", "0"}, {"tfDETD", "50"},     {"tfDETPX", "0.1"},
        {"tfDETW", "1000"}, {"tfDETH", "500"}, {"tfDETX0", "499.5"}, {"tfDETY0", "249.5"}};
    for (const auto& [field, text] : values) enter(field, text);
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join("\n").toStdString();
    const QImage facing = pattern();
    EXPECT_NE(facing, above);
    const QRect frame = blueBox(facing);
    EXPECT_NEAR(static_cast<double>(frame.width()) / frame.height(), 2.0, 0.02);
    // The primary beam meets the middle of the frame.
    EXPECT_EQ(facing.pixel(frame.center()) & 0xFFFFFFu, 0x0000FFu);

    // Bad values are refused with their reason; the field and the pattern keep the last good value.
    const std::tuple<const char*, const char*, const char*> bad[] = {
        {"tfDETW", "12.5", "Frame width: 12.5 is not a whole number of pixels from 1 to 1000000"},
        {"tfDETH", "0", "Frame height: 0 is not a whole number of pixels from 1 to 1000000"},
        {"tfDETD", "abc", "Distance: \"abc\" is not a number"},
        {"tfDETD", "", "Distance is empty"},
        {"tfDETPX", "-0.1", "Pixel size: -0.1 is not a pixel size from 0 to 100 mm"},
        {"tfDETTU", "400", "Tilt about u: 400 is not an angle from -360 to 360 degrees"},
    };
    for (const auto& [field, text, reason] : bad) {
        const QString good = shownValue(field);
        ask_.messages.clear();
        enter(field, text);
        ASSERT_EQ(ask_.messages.size(), 1) << field;
        EXPECT_EQ(ask_.messages[0], QStringLiteral("Detector: %1.\nThe field keeps its last good value, %2.")
                                        .arg(QString::fromUtf8(reason), good));
        EXPECT_EQ(shownValue(field), good);
        EXPECT_EQ(pattern(), facing) << field;
    }

    // The top camera keeps values of its own.
    chooseDetector("Top camera");
    EXPECT_EQ(shownValue("tfDETD"), "70");
    enter("tfDETD", "65");
    chooseDetector("Custom");
    EXPECT_EQ(shownValue("tfDETD"), "50");
    EXPECT_EQ(pattern(), facing);

    // A new document starts where this one left the list, its default film shown on the camera.
    {
        frmDocument next(2);
        next.show();
        next.activateWindow();
        QApplication::processEvents();
        EXPECT_EQ(detectors(&next)->currentText(), "Custom");
        EXPECT_EQ(next.getStatus()[1], "Laue Camera");
        EXPECT_TRUE(next.findChild<QRadioButton*>("rbmode4")->isChecked());
        EXPECT_EQ(shownValue("tfDET2TH", &next), "0");
        EXPECT_EQ(shownValue("tfDETW", &next), "1000");
        EXPECT_EQ(shownValue("tfDETX0", &next), "499.5");
        EXPECT_EQ(shownValue("tfDETPX", &next), "0.1");
        next.findChild<QComboBox*>("cmbDET")->setFocus();
        QTest::keyClick(detectors(&next), Qt::Key_Up);
        EXPECT_EQ(shownValue("tfDETD", &next), "65");
    }
    doc->activateWindow();
    QApplication::processEvents();

    // Once a film is chosen, the next document shows the default film of the options again.
    chooseDetector("Film (transmission)");
    frmDocument third(3);
    EXPECT_EQ(detectors(&third)->currentText(), "Film (back-reflection)");
    EXPECT_EQ(third.getStatus()[1], "Laue Back-Reflection");
}

TEST_F(DetectorTest, ACalibrationFileIsShownAndUsedAndABrokenOneLeavesThePreviousCamera) {
    const QString good =
        tempFile("bm32.det",
                 "[70.5, 999.5, 499.5, 0.43, -0.21, 0.08, 2000, 1000]\n"
                 "Sample to detector distance (IM), xcen, ycen, xbet, xgam, pixelsize, dim1, dim2\n");
    const QString broken = tempFile("broken.det", "70.5, 999.5, 499.5, 0.43\n");
    pressApply();
    chooseDetector("Custom");
    enter("tfDETD", "55");
    const QImage custom = pattern();

    ask_.file = broken;
    chooseDetector("From .det file...");
    ASSERT_EQ(ask_.fileDialogs.size(), 1);
    EXPECT_EQ(ask_.fileDialogs[0][0], "Open Detector Calibration");
    EXPECT_TRUE(ask_.fileDialogs[0][2].contains("*.det"));
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_EQ(ask_.messages[0],
              "Lumora: Error 5: line 1 of \"broken.det\": expected 8 numbers (dd, xcen, ycen, xbet, xgam, "
              "pixelsize, dim1, dim2), found 4");
    EXPECT_EQ(detectors()->currentText(), "Custom");
    EXPECT_EQ(shownValue("tfDETD"), "55");
    EXPECT_EQ(doc->getStatus()[1], "Laue Camera");
    EXPECT_EQ(pattern(), custom);

    // Cancelling the dialog changes nothing either.
    ask_.file.clear();
    QTest::keyClick(detectors(), Qt::Key_Down);
    EXPECT_EQ(ask_.fileDialogs.size(), 2);
    EXPECT_EQ(detectors()->currentText(), "Custom");
    EXPECT_EQ(pattern(), custom);

    ask_.messages.clear();
    ask_.file = good;
    QTest::keyClick(detectors(), Qt::Key_Down);
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join("\n").toStdString();
    EXPECT_EQ(detectors()->currentText(), "From .det file...");
    EXPECT_EQ(hint(), "Laue Pattern on a Camera: bm32.det");
    EXPECT_EQ(child<QLabel>("lbDETFILE")->text(), QString::fromUtf8("bm32.det: xbet 0.43°, xgam -0.21°"));
    // Shown as the top camera turned by the calibration's angles, and not for editing.
    const std::pair<const char*, const char*> shown[] = {
        {"tfDETD", "70.5"},   {"tfDETX0", "999.5"}, {"tfDETY0", "499.5"}, {"tfDETPX", "0.08"},
        {"tfDETW", "2000"},   {"tfDETH", "1000"},   {"tfDET2TH", "90"},   {"tfDETCHI", "0"},
        {"tfDETTU", "-0.43"}, {"tfDETTV", "0"},     {"tfDETTN", "0.21"}};
    for (const auto& [field, text] : shown) {
        EXPECT_EQ(shownValue(field), text) << field;
        EXPECT_TRUE(edit(field)->isReadOnly()) << field;
    }
    const QImage calibrated = pattern();
    EXPECT_NE(calibrated, custom);
    const QRect frame = blueBox(calibrated);
    EXPECT_NEAR(static_cast<double>(frame.width()) / frame.height(), 2.0, 0.02);

    // The next document reads the file again; once it is gone, the top camera takes its place.
    {
        frmDocument next(2);
        EXPECT_EQ(detectors(&next)->currentText(), "From .det file...");
        EXPECT_EQ(shownValue("tfDETD", &next), "70.5");
    }
    ASSERT_TRUE(QFile::remove(good));
    frmDocument later(3);
    EXPECT_EQ(detectors(&later)->currentText(), "Top camera");
    EXPECT_EQ(later.getStatus()[1], "Laue Camera");
    EXPECT_EQ(shownValue("tfDETD", &later), "70");
}

TEST_F(MainWindowFixture, TheStatusBarNamesTheCameraAndNewDocumentsStartOnIt) {
    frmDocument* first = active();
    QTest::mouseClick(first->findChild<QPushButton*>("btAPPLY"), Qt::LeftButton);
    auto* camera = first->findChild<QRadioButton*>("rbmode4");
    QTest::mouseClick(camera, Qt::LeftButton, Qt::NoModifier, QPoint(6, camera->height() / 2));
    EXPECT_EQ(window_->statusText(1), " Laue Camera ");
    choose("&File", "&New");
    ASSERT_NE(active(), first);
    EXPECT_EQ(window_->statusText(1), " Laue Camera ");
    EXPECT_EQ(active()->findChild<QComboBox*>("cmbDET")->currentText(), "Top camera");
}

}  // namespace
}  // namespace lumora::app::test
