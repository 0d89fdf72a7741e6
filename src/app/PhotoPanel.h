#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include "app/DisplayLevels.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumora {
class clLAUE;
}

namespace lumora::app {

class OrientationPanel;
class PictureBox;

// Where the pointer lies on the photograph. Photo units are pixels of the
// photo image; the photo is taken to span the film, so one film millimetre is
// u = (Hp / film height + Wp / film width) / 2 photo pixels, and a display
// pixel is 1 / fit photo pixels.
struct PhotoPointer {
    QPointF display;  // the pointer clamped to the painted photo, display pixels
    QPointF pixels;   // photo pixels from the top left corner, rounded
    QPointF mm;       // film millimetres from the top left corner
    QString pixelText, mmText;
};
// Photo pixels per film millimetre; 0 without a photo or a film.
double photoUnitsPerMm(QSizeF photo, QSizeF film);
// fit: display pixels per photo pixel; unitsPerMm as above; photo:
// the image size, to clamp the pointer to the painted photo (empty: no
// clamp but at the top left). Without a fit or a scale the texts are empty.
PhotoPointer photoPointer(double x, double y, double fit, double unitsPerMm, QSizeF photo);

// The photo page of a document: the photograph with the simulated spots over
// it (pb2), and the frame of photo controls at its right edge (fr2): the
// buttons to load a photo, choose a scanner and the resolution, the photo
// centre in millimetres (tfXM), the pointer read-outs (tfMSG) and the display
// levels (black and white point, linear or log); the two ruler markers
// (mmdot) that follow the pointer along the top and left edges; below, the
// strip that finds the orientation from the photo.
class PhotoPanel : public QWidget {
    Q_OBJECT

public:
    explicit PhotoPanel(QWidget* parent = nullptr);

    PictureBox* picture() const { return pb2_; }
    // Shows the pointer position of a pb2 move over the photo as the page
    // paints it (fitted at the top left) on a film of the given size (mm);
    // clears the read-outs when no photo is shown.
    void showPointer(double x, double y, const QImage& photo, bool shown, QSizeF film);
    // The same with the values given: fitFactor display pixels per photo pixel,
    // pixelsPerMm photo pixels per film millimetre; the pointer is clamped to
    // the painted photo when its size is known (setPhotoSize).
    void showPointer(double x, double y, double fitFactor, double pixelsPerMm);
    void setPhotoSize(QSize photo) { photoSize_ = photo; }
    // Empties the read-outs and hides the ruler markers.
    void clearPointer();
    // Reads the photo centre fields into the application settings.
    void readCentre();
    // Shows the application's photo centre in the fields.
    void showCentre();

    // The controls, for the document's layout and for tests.
    QLineEdit* centreField(int i) const { return tfXM_[i & 1]; }
    QLineEdit* pointerField(int i) const { return tfMSG_[i & 1]; }
    QLabel* rulerMarker(int i) const { return mmdot_[i & 1]; }
    QPushButton* openButton() const { return btOPEN_; }
    OrientationPanel* orientation() const { return orientation_; }

    // The display levels shown; no signal.
    const DisplayLevels& levels() const { return levels_; }
    void setLevels(const DisplayLevels& levels);
    // Whether the level controls take input (a frame is loaded).
    void enableLevels(bool on);
    QLineEdit* levelField(int i) const { return tfLEVEL_[i & 1]; }
    QCheckBox* logBox() const { return chkLOG_; }
    QPushButton* autoLevelsButton() const { return btAUTO_; }

signals:
    void openPhoto();
    void chooseScanner();
    void resolutionClicked();
    // The centre fields lost the focus with new values: redraw.
    void centreChanged();
    // The user changed the display levels (levels()).
    void levelsEdited();
    // Auto levels was pressed.
    void autoLevelsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showReadout(const PhotoPointer& pointer);
    void centreEdited();
    void levelEdited(int field);
    void showLevels();

    PictureBox* pb2_ = nullptr;
    QLineEdit* tfXM_[2]{};
    QLineEdit* tfMSG_[2]{};
    QLabel* mmdot_[2]{};
    QPushButton* btOPEN_ = nullptr;
    QPushButton* btTWAIN_ = nullptr;
    QPushButton* btDPI_ = nullptr;
    QLineEdit* tfLEVEL_[2]{};
    QCheckBox* chkLOG_ = nullptr;
    QPushButton* btAUTO_ = nullptr;
    OrientationPanel* orientation_ = nullptr;
    DisplayLevels levels_;
    QSize photoSize_;
};

}  // namespace lumora::app
