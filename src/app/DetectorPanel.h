#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <array>

#include "app/DetectorSetup.h"
#include "engine/Detector.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace lumora::app {

// The detector group of the input column: the list of films and cameras and
// the values of the camera shown. The films keep the distance field and the
// film size of the options; a camera's values are checked as they are typed
// and a bad one is refused, the field going back to its last good value.
// "From .det file..." reads a LaueTools calibration, whose values are shown
// but not edited.
class DetectorPanel : public QWidget {
    Q_OBJECT

public:
    explicit DetectorPanel(QWidget* parent = nullptr);

    const DetectorSetup& setup() const { return setup_; }
    // Shows a setup, as the settings store gives it; no signal.
    void setSetup(const DetectorSetup& setup);
    // The camera chosen last, as the Laue pattern is drawn on it.
    const engine::Detector& camera() const { return camera_; }
    // That camera as the hint names it: "top camera", "custom camera" or the calibration's file name.
    QString cameraName() const;
    // The list follows the plot type (no signal): a film's plot type shows
    // that film, the camera's plot type the camera chosen last; the others
    // leave the list as it is.
    void showPlotType(int type);
    // Makes a camera (a refined one) the custom camera, chosen and shown; no
    // signal. False, with nothing changed, when the fields cannot hold it.
    bool takeCustomCamera(const engine::Detector& camera);
    // The film size of the options, which the note under a film names.
    void setFilmSize(float widthMm, float heightMm);

signals:
    // A film was chosen: its plot type (1 transmission, 2 back reflection).
    void filmChosen(int plotType);
    // A camera was chosen, or a calibration read.
    void cameraChosen();
    // A value of the camera shown was changed.
    void cameraEdited();

private:
    void build();
    void choose(int index);
    void chooseDetFile();
    void takeField(int field);
    void showEntry();
    // The values of the entry shown that the user may edit; null for the
    // films and the calibration.
    CameraValues* editedValues(DetectorSetup& setup) const;

    DetectorSetup setup_;
    engine::Detector camera_ = engine::defaultTopCamera();
    float filmWidth_ = 90, filmHeight_ = 120;
    bool checking_ = false;

    QComboBox* cmbDET = nullptr;
    QLabel* lbDETFILE = nullptr;
    QLabel* lbDETNOTE = nullptr;
    QWidget* frDETVALUES = nullptr;
    std::array<QLineEdit*, kCameraFields> tfDET{};
    QList<QWidget*> placementRows_;  // the normal and the tilts
};

}  // namespace lumora::app
