#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <optional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumora {
class clLAUE;
}

namespace lumora::app {

class ClickableCaption;
class DetectorPanel;
class SliderPanel;
class TurnButton;
struct DocumentFields;

// The experiment as the input column hands it over on Apply: every field read
// once and checked once.
struct Experiment {
    int spaceGroupNumber = 1;       // 1..230
    QString spaceGroupItem;         // the item chosen in the list, in capitals
    std::array<double, 6> cell{};   // a, b, c in Å; alpha, beta, gamma in degrees
    double voltage = 0;             // tube voltage, kV
    double lambdaMax = 0;           // longest wavelength, Å
    float distance = 0;             // film-sample distance, mm
    bool intensities = false;       // "with intensities" is chosen
    bool intensitiesAsked = false;  // ... and the user could choose it (a reflection file's list cannot)
    int plotType = 0;               // the plot-type button checked, 0..4
};

// A vector typed into the orientation box: a direction [u v w], or the
// normal of the plane (h k l).
struct OrientationVector {
    float u = 0, v = 0, w = 1;
    bool direction = true;
};

// The left column of a document: title, space group and setting, cell, tube
// voltage, wavelengths, film distance, intensities, plot type, detector,
// orientation vector, rotation step and the slider panel. It reads and checks
// what was typed and hands it over as values; it never touches the engine.
class InputColumn : public QWidget {
    Q_OBJECT

public:
    // Where the document's reflections came from: the inputs that make a
    // list are off while a reflection file's list is shown.
    enum class Source { Typed = 0, ReflectionFile = 1, Structure = 2 };

    explicit InputColumn(QWidget* parent = nullptr);

    // ---- what was typed; a refusal is shown with the field's message ----------
    std::optional<Experiment> experiment();
    // Three numbers that give a direction ("111" is short for "1 1 1").
    std::optional<OrientationVector> orientationVector();
    // The film distance; zero or less is refused and the field shows the last good one.
    std::optional<float> distance();
    QString title() const;
    DocumentFields fields() const;
    // "number|a|b|c|alpha|beta|gamma|title|" as the sibling program takes a cell.
    QString wulffParameters() const;
    // The space-group item shown, in capitals.
    QString spaceGroupItem() const;
    // 0: the vector is a direction [u v w], 1: a plane normal (h k l).
    int vectorType() const;

    // ---- what the column shows (none of these signal anything) ---------------
    // The experiment fields of the engine: voltage, wavelengths, distance,
    // intensities, cell, group and film size; the vector type of the settings.
    void showEngine(const clLAUE& laue);
    // The settings of the engine's group, the installed one selected.
    void showSettings(const clLAUE& laue);
    void selectSetting(int index);
    void selectSpaceGroup(int number);
    void setTitle(const QString& title);
    void setCellTexts(const std::array<QString, 6>& texts);
    void setIntensities(bool on);
    // Checks the plot type's button; the detector list follows a film or the camera.
    void setPlotType(int type);
    void setSource(Source source);
    void setOrientationText(const QString& text);
    // Without reflections there is nothing to turn: the vector is then
    // neither applied nor refused when the user confirms it.
    void setOrientable(bool on) { orientable_ = on; }

    SliderPanel* sliders() const { return pbSL; }
    DetectorPanel* detector() const { return pnDET; }

signals:
    void applyRequested(const lumora::app::Experiment& experiment);
    // A plot-type button, or a film or camera of the detector list.
    void plotTypeChosen(int type);
    // A value of the camera was changed.
    void cameraEdited();
    void orientationConfirmed(const lumora::app::OrientationVector& vector);
    // A rotation button: the engine's axis (1..3) and the signed step in degrees.
    void rotationRequested(int axis, float degrees);
    void spaceGroupChosen(const QString& item);
    void settingChosen(int index);
    void titleEdited();
    void distanceEdited(float mm);

private:
    void buildControls();
    void connectControls();
    Experiment readExperiment();
    float readDistance();
    void confirmOrientation();
    void rotate(int axis, int sign);
    void apply();

    bool orientable_ = false;
    Source source_ = Source::Typed;
    float lastDistance_ = 30;

    QLineEdit* tfTIT = nullptr;
    QComboBox* cmbSPG = nullptr;
    QComboBox* cmbHALL = nullptr;
    std::array<QLineEdit*, 6> tfCell{};
    QLineEdit* tfKV = nullptr;
    QLineEdit* tfWL1 = nullptr;
    QLineEdit* tfWL2 = nullptr;
    QLineEdit* tfFSD = nullptr;
    std::array<QRadioButton*, 2> rbIntensity{};
    std::array<QRadioButton*, 5> rbmode{};
    QButtonGroup* modeGroup_ = nullptr;
    ClickableCaption* orientationCaption_ = nullptr;
    QComboBox* cmbUVW = nullptr;
    QComboBox* cmbORIENT = nullptr;
    QLineEdit* tfANG = nullptr;
    std::array<TurnButton*, 3> btANG{};
    QPushButton* btAPPLY = nullptr;
    DetectorPanel* pnDET = nullptr;
    SliderPanel* pbSL = nullptr;
};

}  // namespace lumora::app
