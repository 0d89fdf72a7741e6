// The input column: reading and checking what was typed, showing the
// engine's values, and the requests the controls make. The controls are
// built in InputColumnLayout.cpp.
#include "app/InputColumn.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/DetectorPanel.h"
#include "app/Guarded.h"
#include "app/InputControls.h"
#include "app/Messages.h"
#include "app/SliderPanel.h"
#include "app/Tools.h"
#include "engine/Cell.h"
#include "engine/HexIndices.h"
#include "engine/LaueEngine.h"
#include "engine/Reflections.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::app {

namespace {

double numberOf(const QLineEdit* edit) { return util::val(edit->text().toStdString()); }

// Whether the cell fields hold a hexagonal cell (four-index vectors are read then).
template <typename Fields>
bool hexagonal(const Fields& fields) {
    std::array<double, 6> cell{};
    try {
        for (std::size_t i = 0; i < 6; ++i) cell[i] = numberOf(fields[i]);
    } catch (const Error&) {
        return false;
    }
    return engine::isHexagonalCell(cell);
}

QString text(float value) { return QString::fromStdString(util::singleText(value)); }

QString wavelengthText(float value) { return QString::fromStdString(util::formatNumber(value, "0.0###")); }

bool fitsASingle(double value) {
    return std::isfinite(value) && value > 0 && value <= std::numeric_limits<float>::max();
}

}  // namespace

InputColumn::InputColumn(QWidget* parent) : QWidget(parent) {
    buildControls();
    tfANG->setText(QString::fromStdString(util::singleText(appState().settings.rotationStep)));
    cmbORIENT->setCurrentIndex(2);
    pbSL->reset();
    connectControls();
}

void InputColumn::connectControls() {
    connect(btAPPLY, &QPushButton::clicked, this, [this] { apply(); });
    connect(cmbSPG, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < cmbSPG->count()) emit spaceGroupChosen(spaceGroupItem());
    });
    connect(cmbHALL, &QComboBox::activated, this, &InputColumn::settingChosen);
    // The detector list and the plot-type buttons show the same choice of film or camera.
    connect(modeGroup_, &QButtonGroup::idClicked, this, [this](int type) {
        pnDET->showPlotType(type);
        emit plotTypeChosen(type);
    });
    connect(pnDET, &DetectorPanel::filmChosen, this, [this](int type) {
        rbmode[static_cast<std::size_t>(type)]->setChecked(true);
        emit plotTypeChosen(type);
    });
    connect(pnDET, &DetectorPanel::cameraChosen, this, [this] {
        rbmode[static_cast<std::size_t>(kDetectorPlot)]->setChecked(true);
        emit plotTypeChosen(kDetectorPlot);
    });
    connect(pnDET, &DetectorPanel::cameraEdited, this, &InputColumn::cameraEdited);
    // A vector picked from the list, a new vector type, Enter, a double click
    // in the box or a click on the caption: the vector is applied again.
    connect(cmbUVW, &QComboBox::activated, this, [this](int) { confirmOrientation(); });
    connect(cmbORIENT, &QComboBox::activated, this, [this](int) { confirmOrientation(); });
    connect(static_cast<OrientationLine*>(cmbORIENT->lineEdit()), &OrientationLine::confirmed, this,
            [this] { confirmOrientation(); });
    connect(orientationCaption_, &ClickableCaption::clicked, this, [this] { confirmOrientation(); });
    for (int i = 0; i < 3; ++i) {
        TurnButton* button = btANG[static_cast<std::size_t>(i)];
        connect(button, &QPushButton::clicked, this, [this, i] { rotate(i, +1); });
        connect(button, &TurnButton::rightClicked, this, [this, i] { rotate(i, -1); });
    }
    connect(tfTIT, &QLineEdit::editingFinished, this, &InputColumn::titleEdited);
    connect(tfFSD, &QLineEdit::editingFinished, this, [this] {
        if (const auto mm = distance()) emit distanceEdited(*mm);
    });
}

// ---- reading ---------------------------------------------------------------------------

void InputColumn::apply() {
    if (const auto e = experiment()) emit applyRequested(*e);
}

std::optional<Experiment> InputColumn::experiment() {
    std::optional<Experiment> e;
    guardedCall(this, [&] { e = readExperiment(); });
    return e;
}

// A voltage, distance or cell that cannot be used is refused before anything
// is handed over, in the order of the fields.
Experiment InputColumn::readExperiment() {
    Experiment e;
    e.voltage = numberOf(tfKV);
    if (!fitsASingle(e.voltage))
        throw Error(Error::InvalidCall, "Invalid voltage: the tube voltage must be a positive number of kV");
    e.distance = readDistance();
    for (std::size_t i = 0; i < 6; ++i) e.cell[i] = numberOf(tfCell[i]);
    engine::validateCell(e.cell);
    try {
        engine::indexLimits(static_cast<float>(e.cell[0]), static_cast<float>(e.cell[1]),
                            static_cast<float>(e.cell[2]));
    } catch (const Error&) {
        throw Error(Error::Overflow, "Overflow: the unit cell is too large for the reflection index limits");
    }
    e.lambdaMax = numberOf(tfWL2);
    e.spaceGroupNumber = cmbSPG->currentIndex() + 1;
    e.spaceGroupItem = spaceGroupItem();
    e.intensities = rbIntensity[0]->isChecked();
    e.intensitiesAsked = e.intensities && rbIntensity[0]->isEnabled();
    e.plotType = std::max(0, modeGroup_->checkedId());
    return e;
}

std::optional<float> InputColumn::distance() {
    std::optional<float> mm;
    guardedCall(this, [&] { mm = readDistance(); });
    return mm;
}

// A distance of zero or less has no film (the projections divide by it).
float InputColumn::readDistance() {
    const double mm = numberOf(tfFSD);
    if (fitsASingle(mm)) {
        lastDistance_ = static_cast<float>(mm);
        return lastDistance_;
    }
    tfFSD->setText(text(lastDistance_));
    throw Error(Error::InvalidCall,
                "Invalid film-sample distance: the distance must be a positive number of mm");
}

std::optional<OrientationVector> InputColumn::orientationVector() {
    QString vector = QString::fromStdString(util::trim(cmbORIENT->currentText().toStdString()));
    if (vector.size() == 3 && !vector.contains(QLatin1Char(' ')))
        vector = QStringList{vector.mid(0, 1), vector.mid(1, 1), vector.mid(2, 1)}.join(QLatin1Char(' '));
    const std::vector<std::string> parts = util::splitBlanks(vector.toStdString());
    OrientationVector v{0, 0, 0, cmbUVW->currentIndex() == 0};
    if (parts.size() == 4 && hexagonal(tfCell)) {
        // Four indices: [u v t w] or (h k i l) of the hexagonal cell.
        try {
            const auto three = engine::readVector(vector.toStdString(), v.direction);
            v.u = static_cast<float>(three[0]);
            v.v = static_cast<float>(three[1]);
            v.w = static_cast<float>(three[2]);
        } catch (const Error& e) {
            tell(this, QStringLiteral("Invalid Orientation Vector"), QString::fromStdString(e.description()),
                 QMessageBox::Critical);
            return std::nullopt;
        }
    } else if (parts.size() >= 3) {
        v.u = static_cast<float>(util::val(parts[0]));
        v.v = static_cast<float>(util::val(parts[1]));
        v.w = static_cast<float>(util::val(parts[2]));
    }
    const bool usable =
        std::isfinite(v.u) && std::isfinite(v.v) && std::isfinite(v.w) && (v.u != 0 || v.v != 0 || v.w != 0);
    if (usable) return v;
    tell(this, QStringLiteral("Invalid Orientation Vector"),
         QStringLiteral("Please type SPACE between u v w"), QMessageBox::Critical);
    return std::nullopt;
}

void InputColumn::confirmOrientation() {
    if (!orientable_) return;
    if (const auto v = orientationVector()) emit orientationConfirmed(*v);
}

// The step is remembered for the next start once it has been used.
void InputColumn::rotate(int axis, int sign) {
    QString step = tfANG->text();
    step.replace(QLatin1Char(','), QLatin1Char('.'));
    if (step != tfANG->text()) tfANG->setText(step);
    const double angle = util::val(step.toStdString());
    if (!std::isfinite(angle)) return;
    emit rotationRequested(axis + 1, static_cast<float>(sign * angle));
    appState().settings.rotationStep = static_cast<float>(angle);
}

QString InputColumn::title() const { return tfTIT->text().trimmed(); }

DocumentFields InputColumn::fields() const {
    DocumentFields shown;
    shown.title = tfTIT->text();
    for (std::size_t i = 0; i < shown.cell.size(); ++i) shown.cell[i] = tfCell[i]->text();
    return shown;
}

QString InputColumn::wulffParameters() const {
    QString out = QString::number(cmbSPG->currentIndex() + 1) + QLatin1Char('|');
    for (const QLineEdit* edit : tfCell) out += edit->text() + QLatin1Char('|');
    return out + tfTIT->text() + QLatin1Char('|');
}

QString InputColumn::spaceGroupItem() const { return cmbSPG->currentText().toUpper(); }

int InputColumn::vectorType() const { return cmbUVW->currentIndex(); }

// ---- showing ------------------------------------------------------------------------------

void InputColumn::showEngine(const clLAUE& laue) {
    tfKV->setText(text(laue.x_voltage));
    tfWL1->setText(wavelengthText(laue.x_lambda_min));
    tfWL2->setText(wavelengthText(laue.x_lambda_max));
    tfFSD->setText(text(laue.x_fsd));
    if (laue.x_fsd > 0) lastDistance_ = laue.x_fsd;
    setIntensities(laue.x_withIntensity);
    pnDET->setFilmSize(laue.getFilmWidth(), laue.getFilmHeight());
    for (int i = 0; i < 6; ++i) tfCell[static_cast<std::size_t>(i)]->setText(text(laue.getCellConstant(i)));
    if (laue.m_spg >= 1 && laue.m_spg <= 230) selectSpaceGroup(laue.m_spg);
    cmbUVW->setCurrentIndex(std::clamp(appState().settings.orientationVectorType, 0, 1));
}

void InputColumn::showSettings(const clLAUE& laue) {
    const std::vector<std::string> halls = laue.SGTAB_getHalls();
    const auto& table = symmetry::spaceGroupTable();
    const int current = laue.currentRow();
    std::vector<int> rows;
    if (current >= 0 && current < symmetry::kSpaceGroupRows) {
        const std::string number = table[static_cast<std::size_t>(current)].number;
        for (int r = 0; r < symmetry::kSpaceGroupRows && rows.size() < halls.size(); ++r)
            if (number == table[static_cast<std::size_t>(r)].number) rows.push_back(r);
    }
    const QSignalBlocker blocker(cmbHALL);
    cmbHALL->clear();
    for (std::size_t i = 0; i < halls.size(); ++i) {
        cmbHALL->addItem(QString::fromStdString(util::trim(halls[i])));
        if (i < rows.size())
            cmbHALL->setItemData(
                static_cast<int>(i),
                QString::fromStdString(symmetry::fullLabel(table[static_cast<std::size_t>(rows[i])])),
                Qt::ToolTipRole);
    }
    const auto at = std::find(rows.begin(), rows.end(), current);
    cmbHALL->setCurrentIndex(at == rows.end() ? 0 : static_cast<int>(at - rows.begin()));
    cmbHALL->setEnabled(halls.size() >= 2 && source_ != Source::ReflectionFile);
}

void InputColumn::selectSetting(int index) {
    if (index < 0 || index >= cmbHALL->count() || cmbHALL->currentIndex() == index) return;
    const QSignalBlocker blocker(cmbHALL);
    cmbHALL->setCurrentIndex(index);
}

void InputColumn::selectSpaceGroup(int number) {
    if (number < 1 || number > cmbSPG->count() || cmbSPG->currentIndex() == number - 1) return;
    const QSignalBlocker blocker(cmbSPG);
    cmbSPG->setCurrentIndex(number - 1);
}

void InputColumn::setTitle(const QString& title) {
    tfTIT->setText(title);
    tfTIT->setCursorPosition(0);
}

void InputColumn::setCellTexts(const std::array<QString, 6>& texts) {
    for (std::size_t i = 0; i < 6; ++i) tfCell[i]->setText(texts[i]);
}

void InputColumn::setIntensities(bool on) { rbIntensity[on ? 0 : 1]->setChecked(true); }

void InputColumn::setPlotType(int type) {
    type = std::clamp(type, 0, static_cast<int>(kDetectorPlot));
    rbmode[static_cast<std::size_t>(type)]->setChecked(true);
    pnDET->showPlotType(type);
}

void InputColumn::setSource(Source source) {
    source_ = source;
    // The reflections of a file are not generated: the inputs that generate
    // them wait for the next Apply.
    const bool fromFile = source == Source::ReflectionFile;
    cmbSPG->setEnabled(!fromFile);
    cmbHALL->setEnabled(!fromFile && cmbHALL->count() >= 2);
    for (QRadioButton* rb : rbIntensity) rb->setEnabled(!fromFile);
    tfWL2->setEnabled(!fromFile);
}

void InputColumn::setOrientationText(const QString& text) { cmbORIENT->setEditText(text); }

}  // namespace lumora::app
