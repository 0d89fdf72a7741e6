#include "app/DetectorPanel.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <exception>

#include "app/Folders.h"
#include "app/Guarded.h"
#include "app/Messages.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

QString numberText(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

struct FieldLook {
    const char* name;
    const char* tip;
};

constexpr FieldLook kFields[kCameraFields] = {
    {"tfDETD", "Distance of the camera from the crystal along its normal [mm]"},
    {"tfDETX0", "Column of the pixel the normal meets [pixels from the centre of the top-left pixel]"},
    {"tfDETY0", "Row of the pixel the normal meets [pixels from the centre of the top-left pixel]"},
    {"tfDETPX", "Pixel size [mm]"},
    {"tfDETW", "Frame width [pixels]"},
    {"tfDETH", "Frame height [pixels]"},
    {"tfDET2TH", "2\u03b8 of the camera's normal [deg]"},
    {"tfDETCHI", "\u03c7 of the camera's normal [deg]"},
    {"tfDETTU", "Tilt about the camera's u axis (along its rows) [deg], turned first"},
    {"tfDETTV", "Tilt about the camera's v axis (along its columns) [deg], turned second"},
    {"tfDETTN", "Tilt about the camera's normal [deg], turned last"},
};

}  // namespace

DetectorPanel::DetectorPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("frDETECTOR");
    build();
    connect(cmbDET, &QComboBox::activated, this,
            [this](int index) { guardedCall(this, [&] { choose(index); }); });
    for (int i = 0; i < kCameraFields; ++i)
        connect(tfDET[static_cast<std::size_t>(i)], &QLineEdit::editingFinished, this,
                [this, i] { guardedCall(this, [&] { takeField(i); }); });
    showEntry();
}

void DetectorPanel::build() {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    cmbDET = new QComboBox(this);
    cmbDET->setObjectName("cmbDET");
    cmbDET->setToolTip(QStringLiteral("Where the Laue pattern is drawn"));
    cmbDET->addItems({QStringLiteral("Film (transmission)"), QStringLiteral("Film (back-reflection)"),
                      QStringLiteral("Top camera"), QStringLiteral("Custom"),
                      QStringLiteral("From .det file...")});
    cmbDET->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbDET->setMinimumContentsLength(12);
    v->addWidget(cmbDET);

    lbDETFILE = new QLabel(this);
    lbDETFILE->setObjectName("lbDETFILE");
    lbDETFILE->setWordWrap(true);
    lbDETFILE->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(lbDETFILE);
    lbDETNOTE = new QLabel(this);
    lbDETNOTE->setObjectName("lbDETNOTE");
    lbDETNOTE->setWordWrap(true);
    v->addWidget(lbDETNOTE);

    frDETVALUES = new QWidget(this);
    frDETVALUES->setObjectName("frDETVALUES");
    auto* grid = new QGridLayout(frDETVALUES);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    for (int i = 0; i < kCameraFields; ++i) {
        auto* edit = new QLineEdit(frDETVALUES);
        edit->setObjectName(QString::fromLatin1(kFields[i].name));
        edit->setToolTip(QString::fromUtf8(kFields[i].tip));
        edit->setMinimumWidth(36);
        tfDET[static_cast<std::size_t>(i)] = edit;
    }
    // Caption, up to three fields, unit.
    struct Row {
        const char* caption;
        std::array<int, 3> fields;
        const char* unit;
    };
    const Row rows[] = {{"Distance", {Distance, -1, -1}, "mm"},
                        {"Centre", {CentreX, CentreY, -1}, "px"},
                        {"Pixel", {PixelSize, -1, -1}, "mm"},
                        {"Frame", {FrameWidth, FrameHeight, -1}, "px"},
                        {"2\u03b8, \u03c7", {TwoTheta, Chi, -1}, "\u00b0"},
                        {"Tilts", {TiltU, TiltV, TiltN}, "\u00b0"}};
    int r = 0;
    for (const Row& row : rows) {
        auto* caption = new QLabel(QString::fromUtf8(row.caption), frDETVALUES);
        auto* unit = new QLabel(QString::fromUtf8(row.unit), frDETVALUES);
        grid->addWidget(caption, r, 0);
        grid->addWidget(unit, r, 4);
        const bool placement = row.fields[0] >= TwoTheta;
        if (placement) placementRows_ << caption << unit;
        for (int c = 0; c < 3; ++c) {
            const int field = row.fields[static_cast<std::size_t>(c)];
            if (field < 0) continue;
            QLineEdit* edit = tfDET[static_cast<std::size_t>(field)];
            grid->addWidget(edit, r, c + 1);
            if (placement) placementRows_ << edit;
        }
        ++r;
    }
    for (int c = 1; c <= 3; ++c) grid->setColumnStretch(c, 1);
    v->addWidget(frDETVALUES);
}

// ---- what is shown -------------------------------------------------------------------------

void DetectorPanel::setSetup(const DetectorSetup& setup) {
    setup_ = setup;
    try {
        camera_ = cameraOf(setup_, setup_.camera);
    } catch (const std::exception&) {
        // The setup was checked when it was read; should it still make no camera, the top camera's defaults
        // do.
        setup_.camera = DetectorEntry::TopCamera;
        setup_.top = defaultCameraValues();
        if (isCameraEntry(setup_.entry)) setup_.entry = setup_.camera;
        camera_ = engine::defaultTopCamera();
    }
    showEntry();
}

QString DetectorPanel::cameraName() const {
    switch (setup_.camera) {
        case DetectorEntry::CustomCamera:
            return QStringLiteral("custom camera");
        case DetectorEntry::DetFile:
            return QFileInfo(setup_.detPath).fileName();
        default:
            return QStringLiteral("top camera");
    }
}

void DetectorPanel::showPlotType(int type) {
    if (type == 1)
        setup_.entry = DetectorEntry::TransmissionFilm;
    else if (type == 2)
        setup_.entry = DetectorEntry::BackReflectionFilm;
    else if (type == 4)
        setup_.entry = setup_.camera;
    else
        return;
    showEntry();
}

bool DetectorPanel::takeCustomCamera(const engine::Detector& camera) {
    const std::optional<CameraValues> values = cameraValuesOf(camera);
    if (!values) return false;
    DetectorSetup next = setup_;
    next.custom = *values;
    next.entry = next.camera = DetectorEntry::CustomCamera;
    try {
        camera_ = cameraOf(next, DetectorEntry::CustomCamera);
    } catch (const std::exception&) {
        return false;
    }
    setup_ = next;
    showEntry();
    return true;
}

void DetectorPanel::setFilmSize(float widthMm, float heightMm) {
    filmWidth_ = widthMm;
    filmHeight_ = heightMm;
    showEntry();
}

void DetectorPanel::showEntry() {
    const DetectorEntry entry = setup_.entry;
    {
        const QSignalBlocker blocker(cmbDET);
        cmbDET->setCurrentIndex(static_cast<int>(entry));
    }
    const bool camera = isCameraEntry(entry);
    const bool fromFile = entry == DetectorEntry::DetFile && setup_.det;
    frDETVALUES->setVisible(camera);
    lbDETNOTE->setVisible(!camera);
    lbDETNOTE->setText(QStringLiteral("%1 \u00d7 %2 mm film (Options) at the FSD above")
                           .arg(numberText(filmWidth_), numberText(filmHeight_)));
    lbDETFILE->setVisible(fromFile);
    if (fromFile) {
        const engine::DetCalibration& c = setup_.det->calibration;
        lbDETFILE->setText(
            QStringLiteral("%1: xbet %2\u00b0, xgam %3\u00b0")
                .arg(QFileInfo(setup_.detPath).fileName(), numberText(c.xbet), numberText(c.xgam)));
        lbDETFILE->setToolTip(setup_.detPath);
    }
    if (!camera) return;
    const CameraValues values = fromFile ? calibrationValues(setup_.det->calibration)
                                : entry == DetectorEntry::CustomCamera ? setup_.custom
                                                                       : setup_.top;
    for (int i = 0; i < kCameraFields; ++i) {
        QLineEdit* edit = tfDET[static_cast<std::size_t>(i)];
        edit->setText(numberText(values[static_cast<std::size_t>(i)]));
        edit->setCursorPosition(0);
        // A calibration is read, not typed.
        edit->setReadOnly(fromFile);
    }
    // The top camera is square to the vertical: it has no normal or tilts to choose.
    for (QWidget* w : placementRows_) w->setVisible(entry != DetectorEntry::TopCamera);
}

CameraValues* DetectorPanel::editedValues(DetectorSetup& setup) const {
    if (setup.entry == DetectorEntry::TopCamera) return &setup.top;
    if (setup.entry == DetectorEntry::CustomCamera) return &setup.custom;
    return nullptr;
}

// ---- what the user does ---------------------------------------------------------------------

void DetectorPanel::choose(int index) {
    if (index < 0 || index >= cmbDET->count()) return;
    const auto entry = static_cast<DetectorEntry>(index);
    if (entry == DetectorEntry::DetFile) {
        chooseDetFile();
        return;
    }
    if (!isCameraEntry(entry)) {
        setup_.entry = entry;
        showEntry();
        emit filmChosen(entry == DetectorEntry::TransmissionFilm ? 1 : 2);
        return;
    }
    const engine::Detector camera = cameraOf(setup_, entry);
    setup_.entry = setup_.camera = entry;
    camera_ = camera;
    showEntry();
    emit cameraChosen();
}

// A calibration that cannot be read leaves the detector chosen before.
void DetectorPanel::chooseDetFile() {
    const QString start = QFileInfo::exists(setup_.detPath) ? setup_.detPath : dialogFolder();
    const QString path = askOpenFileName(this, QStringLiteral("Open Detector Calibration"), start,
                                         QStringLiteral("LaueTools Calibration (*.det);;All Files (*)"));
    showEntry();
    if (path.isEmpty()) return;
    rememberDialogFolder(path);
    const engine::DetFile file = engine::readDetFile(QFile::encodeName(path).toStdString());
    setup_.det = file;
    setup_.detPath = path;
    setup_.entry = setup_.camera = DetectorEntry::DetFile;
    camera_ = file.detector;
    showEntry();
    emit cameraChosen();
}

void DetectorPanel::takeField(int field) {
    // The message box below takes the focus, which would finish the edit a second time.
    if (checking_) return;
    const QScopedValueRollback<bool> checking(checking_, true);
    DetectorSetup next = setup_;
    CameraValues* values = editedValues(next);
    if (!values || (field >= TwoTheta && next.entry != DetectorEntry::CustomCamera)) return;
    QLineEdit* edit = tfDET[static_cast<std::size_t>(field)];
    double& value = (*values)[static_cast<std::size_t>(field)];
    const double old = value;
    const QString text = edit->text().trimmed();
    double typed = 0;
    QString fault;
    if (text.isEmpty())
        fault = QStringLiteral("%1 is empty").arg(cameraFieldName(field));
    else if (!util::parseStrictNumber(text.toStdString(), typed))
        fault = QStringLiteral("%1: \"%2\" is not a number").arg(cameraFieldName(field), text);
    else if (const QString why = cameraFieldFault(field, typed); !why.isEmpty())
        fault = QStringLiteral("%1: %2 %3").arg(cameraFieldName(field), text, why);
    if (fault.isEmpty() && typed != old) {
        value = typed;
        try {
            camera_ = cameraOf(next, next.entry);
        } catch (const std::exception& e) {
            fault = QString::fromUtf8(e.what());
        }
    }
    if (!fault.isEmpty()) {
        edit->setText(numberText(old));
        tell(this, QStringLiteral("Detector"),
             fault + QStringLiteral(".\nThe field keeps its last good value, %1.").arg(numberText(old)),
             QMessageBox::Warning);
        return;
    }
    edit->setText(numberText(value));
    if (value == old) return;
    setup_ = next;
    emit cameraEdited();
}

}  // namespace lumora::app
