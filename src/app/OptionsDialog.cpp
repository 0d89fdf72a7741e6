#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "app/AppState.h"
#include "app/Messages.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

// The captions by which a refused field is named in its message.
const std::array<const char*, 5> kFieldNames = {"Film width", "Film height", "Accelerating Voltage [kV]",
                                                "Film-Sample Distance [mm]",
                                                "Mininimum d-Spacing for hkl [A]"};

QColor fromStored(int32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

int32_t toStored(const QColor& colour) { return colour.red() + 256 * colour.green() + 65536 * colour.blue(); }

QLineEdit* numberField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    auto* validator = new QDoubleValidator(field);
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    validator->setLocale(c);  // "." is the decimal point, whatever the user's locale
    validator->setNotation(QDoubleValidator::ScientificNotation);
    field->setValidator(validator);
    return field;
}

}  // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral(" Laue Options"));
    setObjectName(QStringLiteral("frmOptions"));

    tabs_ = new QTabWidget(this);
    auto* page = new QWidget(tabs_);
    tabs_->addTab(page, QStringLiteral("Default Settings"));

    for (std::size_t i = 0; i < cmb_.size(); ++i) {
        cmb_[i] = new QComboBox(page);
        cmb_[i]->setObjectName(QStringLiteral("cmb%1").arg(i));
    }
    // Rows 3 and 4 of the characteristic-line table hold the Fe and Cr lines.
    cmb_[0]->addItems({"Ag", "Mo", "Cu", "Fe", "Cr"});
    cmb_[1]->addItems({"uvw ", "hkl "});
    cmb_[2]->addItems({"3D-HKL", "Laue Transmission", "Laue Back-Reflection", "Stereogram"});
    intensity_ = new QComboBox(page);
    intensity_->setObjectName(QStringLiteral("cmbIntensity"));
    intensity_->addItems({"|F|", "physical"});
    intensity_->setToolTip(
        QStringLiteral("What sizes and colours the Laue spots: |F| (d without a structure), "
                       "or the spot's physical intensity (see Help > Intensities)"));
    source_ = new QComboBox(page);
    source_->setObjectName(QStringLiteral("cmbSource"));
    source_->addItems({"X-ray tube (anode above)", "White synchrotron beam"});
    source_->setToolTip(QStringLiteral("The spectrum and polarisation of the physical intensities"));
    for (std::size_t i = 0; i < tf_.size(); ++i) {
        tf_[i] = numberField(page);
        tf_[i]->setObjectName(QStringLiteral("tf%1").arg(i));
    }
    auto* voltage = new QLabel(QStringLiteral("Accelerating Voltage [kV]"), page);
    voltage->setToolTip(QStringLiteral("For calculating minimum wavelength"));
    tf_[2]->setToolTip(voltage->toolTip());
    auto* spacing = new QLabel(QStringLiteral("Mininimum d-Spacing for hkl [A]"), page);
    spacing->setToolTip(QStringLiteral("Increase to reduce number of (hkl)"));
    tf_[4]->setToolTip(spacing->toolTip());

    auto* film = new QGroupBox(QStringLiteral("Film Dimensions in [mm]"), page);
    auto* filmGrid = new QGridLayout(film);
    filmGrid->addWidget(new QLabel(QStringLiteral("Width ="), film), 0, 0);
    filmGrid->addWidget(tf_[0], 0, 1);
    filmGrid->addWidget(new QLabel(QStringLiteral("Height ="), film), 0, 2);
    filmGrid->addWidget(tf_[1], 0, 3);

    auto* colourFrame = new QGroupBox(QStringLiteral("HKL Label Color"), page);
    auto* colourRow = new QHBoxLayout(colourFrame);
    lbCOL_ = new QLabel(QStringLiteral("Label Color"), colourFrame);
    lbCOL_->setObjectName(QStringLiteral("lbCOL"));
    lbCOL_->setAlignment(Qt::AlignCenter);
    lbCOL_->setFrameShape(QFrame::Box);
    lbCOL_->setMinimumSize(120, 28);
    lbCOL_->setAutoFillBackground(true);
    lbCOL_->setCursor(Qt::PointingHandCursor);
    lbCOL_->setFocusPolicy(Qt::StrongFocus);
    lbCOL_->setToolTip(QStringLiteral("Click to choose the colour of the hkl labels"));
    lbCOL_->installEventFilter(this);
    colourRow->addWidget(lbCOL_);
    colourRow->addStretch();

    cb_ = new QCheckBox(QStringLiteral("Start with black background"), page);
    cb2_ = new QCheckBox(QStringLiteral("Flip X for Laue patterns"), page);

    auto* reflections = new QGroupBox(QStringLiteral("Reflections"), page);
    cbComplete_ = new QCheckBox(QStringLiteral("Complete pattern"), reflections);
    cbComplete_->setObjectName(QStringLiteral("cbComplete"));
    cbComplete_->setToolTip(
        QStringLiteral("Every reflection that can diffract in the band, down to half the shortest wavelength "
                       "or d-min, instead of the limit the cell sets"));
    tfDMin_ = numberField(reflections);
    tfDMin_->setObjectName(QStringLiteral("tfDMin"));
    tfDMin_->setToolTip(
        QStringLiteral("Smallest d-spacing of a complete pattern; 0: the band alone decides"));
    auto* reflectionRow = new QHBoxLayout(reflections);
    reflectionRow->addWidget(cbComplete_);
    reflectionRow->addStretch();
    reflectionRow->addWidget(new QLabel(QStringLiteral("d-min (\u00c5)"), reflections));
    reflectionRow->addWidget(tfDMin_);
    connect(cbComplete_, &QCheckBox::toggled, tfDMin_, &QWidget::setEnabled);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Anode Material For Wavelength"), cmb_[0]);
    form->addRow(QStringLiteral("Orientation Vector Type"), cmb_[1]);
    form->addRow(QStringLiteral("Default Plot Type "), cmb_[2]);
    form->addRow(QStringLiteral("Intensity"), intensity_);
    form->addRow(QStringLiteral("Beam"), source_);
    form->addRow(film);
    form->addRow(voltage, tf_[2]);
    form->addRow(QStringLiteral("Film-Sample Distance [mm]"), tf_[3]);
    form->addRow(spacing, tf_[4]);
    form->addRow(colourFrame);
    form->addRow(cb_);
    form->addRow(cb2_);
    form->addRow(reflections);
    page->setLayout(form);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    btApply_ = new QPushButton(QStringLiteral("&Apply"), this);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(btApply_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] {
        if (applyChanges()) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btApply_, &QPushButton::clicked, this, [this] { applyChanges(); });

    load();
}

void frmOptions::showEvent(QShowEvent* event) {
    // Every opening starts from the settings as they are now, not from edits
    // that were cancelled.
    load();
    QDialog::showEvent(event);
}

void frmOptions::load() {
    const Settings& s = appState().settings;
    cmb_[0]->setCurrentIndex(std::clamp(s.anodeIndex, 0, 4));
    cmb_[1]->setCurrentIndex(std::clamp(s.orientationVectorType, 0, 1));
    cmb_[2]->setCurrentIndex(std::clamp(s.plotType, 0, 3));
    intensity_->setCurrentIndex(s.physicalIntensity ? 1 : 0);
    source_->setCurrentIndex(s.synchrotronBeam ? 1 : 0);
    const std::array<float, 5> values = {s.filmWidth, s.filmHeight, s.voltage, s.filmDistance,
                                         s.minimumSpacing};
    for (std::size_t i = 0; i < tf_.size(); ++i)
        tf_[i]->setText(QString::fromStdString(util::singleText(values[i])));
    showColour(fromStored(s.labelColour));
    cb_->setChecked(s.startBlack);
    cb2_->setChecked(s.flipX);
    cbComplete_->setChecked(s.completePattern);
    tfDMin_->setEnabled(s.completePattern);
    tfDMin_->setText(QString::fromStdString(util::singleText(s.completeDMin)));
}

bool frmOptions::applyChanges() {
    std::array<float, 5> values{};
    for (std::size_t i = 0; i < tf_.size(); ++i) {
        const QString text = tf_[i]->text().trimmed();
        double value = 0;
        QString fault;
        if (text.isEmpty())
            fault = QStringLiteral("%1 is empty. Please type a number.").arg(kFieldNames[i]);
        else if (!util::parseStrictNumber(text.toStdString(), value) || !std::isfinite(value) ||
                 std::fabs(value) > FLT_MAX)
            fault = QStringLiteral("%1: \"%2\" is not a number.").arg(kFieldNames[i], text);
        else if (!(value > 0))
            fault = QStringLiteral("%1 must be greater than 0.").arg(kFieldNames[i]);
        if (!fault.isEmpty()) {
            tf_[i]->setFocus();
            tf_[i]->selectAll();
            tell(this, QStringLiteral("Laue Options"), fault + "\nNo setting was changed.",
                 QMessageBox::Warning);
            return false;
        }
        values[i] = static_cast<float>(value);
    }
    const QString dMinText = tfDMin_->text().trimmed();
    double dMin = 0;
    if (!util::parseStrictNumber(dMinText.toStdString(), dMin) || !std::isfinite(dMin) || dMin < 0 ||
        dMin > 1e6) {
        tfDMin_->setFocus();
        tfDMin_->selectAll();
        tell(this, QStringLiteral("Laue Options"),
             QStringLiteral("d-min (\u00c5): \"%1\" is not a number from 0 to 1000000 (0: the band alone "
                            "decides).\nNo setting was changed.")
                 .arg(dMinText),
             QMessageBox::Warning);
        return false;
    }

    Settings& s = appState().settings;
    s.anodeIndex = cmb_[0]->currentIndex();
    s.orientationVectorType = cmb_[1]->currentIndex();
    s.plotType = cmb_[2]->currentIndex();
    s.physicalIntensity = intensity_->currentIndex() == 1;
    s.synchrotronBeam = source_->currentIndex() == 1;
    s.filmWidth = values[0];
    s.filmHeight = values[1];
    s.voltage = values[2];
    s.filmDistance = values[3];
    s.minimumSpacing = values[4];
    s.labelColour = toStored(colour_);
    appState().currentLabelColour = s.labelColour;
    s.startBlack = cb_->isChecked();
    s.flipX = cb2_->isChecked();
    s.completePattern = cbComplete_->isChecked();
    s.completeDMin = static_cast<float>(dMin);
    emit applied();
    return true;
}

void frmOptions::showColour(const QColor& colour) {
    colour_ = colour;
    QPalette palette = lbCOL_->palette();
    palette.setColor(QPalette::Window, colour);
    // The caption stays readable on dark and light colours alike.
    palette.setColor(QPalette::WindowText, qGray(colour.rgb()) < 128 ? Qt::white : Qt::black);
    lbCOL_->setPalette(palette);
}

void frmOptions::chooseColour() {
    QColorDialog dialog(colour_, this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QStringLiteral("Label Color"));
    if (dialog.exec() == QDialog::Accepted && dialog.selectedColor().isValid())
        showColour(dialog.selectedColor());
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbCOL_) {
        if (event->type() == QEvent::MouseButtonRelease) {
            chooseColour();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
                chooseColour();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmOptions::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int count = tabs_->count();
    if (ctrl && count > 0 && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
        const bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        tabs_->setCurrentIndex((tabs_->currentIndex() + (back ? count - 1 : 1)) % count);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace lumora::app
