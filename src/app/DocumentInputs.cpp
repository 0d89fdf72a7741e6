// The document's input fields and the engine: fields to engine and back, the
// space group and its settings, the orientation vector, rotation buttons and
// keys, the reflection list and the status texts.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SliderPanel.h"
#include "engine/Cell.h"
#include "engine/Reflections.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::app {

namespace {

double numberOf(const QLineEdit* edit) { return util::val(edit->text().toStdString()); }

QString text(float value) { return QString::fromStdString(util::singleText(value)); }

// Widgets that use the keys themselves: while one has the focus the form's
// keyboard table stays out of the way.
bool usesKeys(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

}  // namespace

// ---- fields <-> engine -------------------------------------------------------------------

void frmDocument::fillGUI2LaueInputData() {
    // Everything is read before the engine changes, so a field that cannot be
    // read leaves the engine as it was.
    const double voltage = numberOf(tfKV);
    const double lambdaMax = numberOf(tfWL2);
    const float distance = fieldDistance();
    std::array<double, 6> cell{};
    for (std::size_t i = 0; i < 6; ++i) cell[i] = numberOf(tfCell[i]);

    clLAUE& laue = *m_laue;
    const float oldVoltage = laue.x_voltage;
    laue.x_voltage = static_cast<float>(voltage);
    try {
        laue.x_lambda_min = laue.getWavelengthMinimum();
    } catch (...) {
        laue.x_voltage = oldVoltage;
        throw;
    }
    tfWL1->setText(QString::fromStdString(util::formatNumber(laue.x_lambda_min, "0.0###")));
    laue.x_lambda_max = static_cast<float>(lambdaMax);
    laue.x_fsd = distance;
    laue.x_withIntensity = rbIntensity[0]->isChecked();
    laue.m_spg = static_cast<int16_t>(cmbSPG->currentIndex() + 1);
    for (int i = 0; i < 3; ++i)
        if (rbmode[static_cast<std::size_t>(i)]->isChecked()) laue.m_plot = static_cast<int16_t>(i);
    for (int i = 0; i < 6; ++i)
        laue.setCellConstant(i, static_cast<float>(cell[static_cast<std::size_t>(i)]));
    fillLaueInputData2GUI();
}

void frmDocument::fillLaueInputData2GUI() {
    const clLAUE& laue = *m_laue;
    tfKV->setText(text(laue.x_voltage));
    tfWL1->setText(QString::fromStdString(util::formatNumber(laue.x_lambda_min, "0.0###")));
    tfWL2->setText(QString::fromStdString(util::formatNumber(laue.x_lambda_max, "0.0###")));
    tfFSD->setText(text(laue.x_fsd));
    rbIntensity[laue.x_withIntensity ? 0 : 1]->setChecked(true);
    rbmode[static_cast<std::size_t>(std::clamp<int>(laue.m_plot, 0, 3))]->setChecked(true);
    for (int i = 0; i < 6; ++i) tfCell[static_cast<std::size_t>(i)]->setText(text(laue.getCellConstant(i)));
    if (laue.m_spg >= 1 && laue.m_spg <= 230 && cmbSPG->currentIndex() != laue.m_spg - 1) {
        const QSignalBlocker blocker(cmbSPG);
        cmbSPG->setCurrentIndex(laue.m_spg - 1);
    }
    const Settings& settings = appState().settings;
    cmbUVW->setCurrentIndex(std::clamp(settings.orientationVectorType, 0, 1));
    // Every Apply returns the document to the default plot type.
    const int mode = std::clamp(settings.plotType, 0, 3);
    rbmode[static_cast<std::size_t>(mode)]->setChecked(true);
    modeChanged(mode);
}

// A cell or voltage that cannot be used is refused before anything changes.
void frmDocument::checkInputs() const {
    const double voltage = numberOf(tfKV);
    if (!(std::isfinite(voltage) && voltage > 0))
        throw Error(Error::InvalidCall, "Invalid voltage: the tube voltage must be a positive number of kV");
    fieldDistance();
    std::array<double, 6> cell{};
    for (std::size_t i = 0; i < 6; ++i) cell[i] = numberOf(tfCell[i]);
    engine::validateCell(cell);
    try {
        engine::indexLimits(static_cast<float>(cell[0]), static_cast<float>(cell[1]),
                            static_cast<float>(cell[2]));
    } catch (const Error&) {
        throw Error(Error::Overflow, "Overflow: the unit cell is too large for the reflection index limits");
    }
}

// A new list resets zoom and spot size; the sliders show it.
void frmDocument::syncSlidersFromEngine() {
    const auto percent = [](float v, float factor) { return static_cast<int>(util::nearest(v * factor)); };
    pbSL->setValue(SliderPanel::Zoom, percent(display_.zoom, 100));
    pbSL->setValue(SliderPanel::Spacing, percent(display_.spacingThreshold, 100));
    pbSL->setValue(SliderPanel::Label, percent(display_.labelThreshold, 100));
    pbSL->setValue(SliderPanel::SpotSize, percent(display_.spotSize, 10));
}

void frmDocument::setRSVGUI(int mode) {
    rsvMode_ = mode;
    const bool fromFile = mode == 1;
    rsvLabel_->setText(mode == 1   ? QStringLiteral("HKL File Loaded")
                       : mode == 2 ? QStringLiteral("Structure Loaded")
                                   : QString());
    // The reflections of a file are not generated: the inputs that generate
    // them wait for the next Apply.
    cmbSPG->setEnabled(!fromFile);
    cmbHALL->setEnabled(!fromFile && cmbHALL->count() >= 2);
    for (QRadioButton* rb : rbIntensity) rb->setEnabled(!fromFile);
    tfWL2->setEnabled(!fromFile);
}

// ---- space group ------------------------------------------------------------------------

void frmDocument::setSPG(int number) {
    guarded([&] {
        if (number < 1 || number > 230)
            throw Error(Error::SubscriptOutOfRange,
                        "Subscript out of range: there is no space group " + std::to_string(number));
        {
            const QSignalBlocker blocker(cmbSPG);
            cmbSPG->setCurrentIndex(number - 1);
        }
        spaceGroupChosen(number - 1);
    });
}

void frmDocument::spaceGroupChosen(int index) {
    if (index < 0 || index >= cmbSPG->count()) return;
    const QString item = cmbSPG->itemText(index).toUpper();
    m_laue->SGTAB_find(item.mid(item.indexOf(QLatin1Char(':')) + 1).toStdString());
    spgTag_ = item;
    fillSettingList();
}

// The settings of the current group, the installed one selected.
void frmDocument::fillSettingList() {
    const std::vector<std::string> halls = m_laue->SGTAB_getHalls();
    const auto& table = symmetry::spaceGroupTable();
    const int current = m_laue->currentRow();
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
    cmbHALL->setEnabled(halls.size() >= 2 && rsvMode_ != 1);
}

void frmDocument::settingChosen(int index) { changeHall(index); }

void frmDocument::changeHall(int index) {
    guarded([&] {
        if (index < 0 || index >= static_cast<int>(m_laue->SGTAB_getHalls().size())) return;
        m_laue->changeHall(static_cast<int16_t>(index));
        if (cmbHALL->currentIndex() != index && index < cmbHALL->count()) {
            const QSignalBlocker blocker(cmbHALL);
            cmbHALL->setCurrentIndex(index);
        }
        if (!m_laue->bCSF) return;
        if (!ask(this, QStringLiteral("New Atom Structure"), QStringLiteral("Recalculate Intensities?")))
            return;
        const BusyCursor busy;
        regenerate();
    });
}

// ---- orientation ---------------------------------------------------------------------------

void frmDocument::reorient() {
    guarded([this] { confirmOrientation(); });
}

void frmDocument::confirmOrientation() {
    if (m_laue->n_hkl == 0) return;
    QString vector = QString::fromStdString(util::trim(cmbORIENT->currentText().toStdString()));
    // "111" is short for "1 1 1".
    if (vector.size() == 3 && !vector.contains(QLatin1Char(' ')))
        vector = QStringList{vector.mid(0, 1), vector.mid(1, 1), vector.mid(2, 1)}.join(QLatin1Char(' '));
    const std::vector<std::string> parts = util::splitBlanks(vector.toStdString());
    float u = 0, v = 0, w = 0;
    if (parts.size() >= 3) {
        u = static_cast<float>(util::val(parts[0]));
        v = static_cast<float>(util::val(parts[1]));
        w = static_cast<float>(util::val(parts[2]));
    }
    // Three numbers that give a direction, or nothing changes.
    const bool usable =
        std::isfinite(u) && std::isfinite(v) && std::isfinite(w) && (u != 0 || v != 0 || w != 0);
    if (!usable) {
        tell(this, QStringLiteral("Invalid Orientation Vector"),
             QStringLiteral("Please type SPACE between u v w"), QMessageBox::Critical);
        return;
    }
    RedrawBatch batch(*this);
    m_laue->setOrientation(u, v, w, cmbUVW->currentIndex() == 0);
    Redraw();
}

void frmDocument::rotateButton(int axis, int sign) {
    QString step = tfANG->text();
    step.replace(QLatin1Char(','), QLatin1Char('.'));
    if (step != tfANG->text()) tfANG->setText(step);
    const double angle = util::val(step.toStdString());
    if (!std::isfinite(angle)) return;
    RedrawBatch batch(*this);
    m_laue->DoRotate(static_cast<int16_t>(axis + 1), static_cast<float>(sign * angle));
    Redraw();
    appState().settings.rotationStep = static_cast<float>(angle);
}

// ---- keys ------------------------------------------------------------------------------------

bool frmDocument::keyPreviewOff() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus != this && isAncestorOf(focus) && usesKeys(focus);
}

bool frmDocument::handleKey(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return false;
    const auto turn = [this](int16_t axis, float angle) {
        RedrawBatch batch(*this);
        m_laue->DoRotate(axis, angle);
        display_.antialias = false;
        Redraw();
    };
    const auto orient = [this](const char* vector) {
        cmbORIENT->setEditText(QString::fromUtf8(vector));
        confirmOrientation();
    };
    switch (event->key()) {
        case Qt::Key_Left:
            turn(3, 1);
            break;
        case Qt::Key_Right:
            turn(3, -1);
            break;
        case Qt::Key_Up:
            turn(2, 1);
            break;
        case Qt::Key_Down:
            turn(2, -1);
            break;
        case Qt::Key_A:
            orient("100");
            break;
        case Qt::Key_B:
            orient("010");
            break;
        case Qt::Key_C:
            orient("001");
            break;
        case Qt::Key_D:
            orient("111");
            break;
        default:
            return false;
    }
    return true;
}

void frmDocument::keyPressEvent(QKeyEvent* event) {
    if (!keyPreviewOff() && handleKey(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmDocument::eventFilter(QObject* watched, QEvent* event) {
    bool handled = false;
    guarded([&] {
        switch (event->type()) {
            case QEvent::KeyPress: {
                auto* key = static_cast<QKeyEvent*>(event);
                // The combo box has the focus and hands its keys to its line
                // edit; Enter is taken here on either, before the box looks for
                // a matching list entry.
                if ((watched == cmbORIENT || watched == cmbORIENT->lineEdit()) &&
                    (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
                    confirmOrientation();
                    handled = true;
                } else if (!keyPreviewOff() && !usesKeys(qobject_cast<QWidget*>(watched))) {
                    handled = handleKey(key);
                }
                break;
            }
            case QEvent::MouseButtonDblClick:
                if (watched == cmbORIENT->lineEdit()) confirmOrientation();
                break;
            case QEvent::MouseButtonPress: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (watched == orientationCaption_ && mouse->button() == Qt::LeftButton) {
                    confirmOrientation();
                    handled = true;
                    break;
                }
                for (int i = 0; i < 3; ++i) {
                    if (watched == btANG[static_cast<std::size_t>(i)] && mouse->button() == Qt::RightButton) {
                        rotateButton(i, -1);
                        handled = true;
                    }
                }
                break;
            }
            case QEvent::FocusOut:
                if (watched == tfTIT) titleEdited();
                if (watched == tfFSD) distanceEdited();
                break;
            default:
                break;
        }
    });
    return handled || QWidget::eventFilter(watched, event);
}

// ---- plot type and the wheel -----------------------------------------------------------------

void frmDocument::setMODE(int /*mode*/) {
    guarded([this] {
        rbmode[0]->setChecked(true);
        modeChanged(0);
    });
}

void frmDocument::modeChanged(int mode) {
    static const char* const hints[4] = {"3D-HKL view", "Laue Transmission Geometry",
                                         "Laue Back-Reflection Geometry", "Stereographic Projection"};
    if (mode < 0 || mode > 3) return;
    RedrawBatch batch(*this);
    setHINT(QString::fromUtf8(hints[mode]));
    m_laue->setPlotType(static_cast<int16_t>(mode));
    if (view_ == Structure || view_ == HklList) selectTab(Simulation);
    if (main_) main_->updateStatus();
}

void frmDocument::HookAction(int step) {
    guarded([&] {
        for (const QWidget* w = this; w; w = w->parentWidget())
            if (w->isMinimized()) return;
        const long long wanted = pbSL->value(SliderPanel::Zoom) - 20LL * std::clamp(step, -1000, 1000);
        const int value = static_cast<int>(std::clamp<long long>(wanted, 10, 500));
        pbSL->setValue(SliderPanel::Zoom, value);
        display_.zoom = static_cast<float>(value) / 100.0f;
        Redraw();
    });
}

void frmDocument::resetZoom() {
    guarded([this] {
        setHINT(QStringLiteral("Zoom was reset"));
        pbSL->setActiveSlider(SliderPanel::Zoom);
        pbSL->setValue(SliderPanel::Zoom, 100);
        display_.zoom = 1.0f;
        Redraw();
    });
}

// ---- title, distance, cell ----------------------------------------------------------------------

void frmDocument::titleEdited() {
    if (!main_) return;
    const QString old = main_->statusText(0);
    const int colon = old.indexOf(QLatin1Char(':'));
    main_->setStatusText(0, colon >= 0 ? title() + QLatin1Char(' ') + old.mid(colon) : getStatus()[0]);
}

void frmDocument::distanceEdited() { m_laue->x_fsd = fieldDistance(); }

// Every reader of the distance field comes here. A distance of zero or less
// has no film (the projections divide by it): it is refused, and the field
// shows the last good distance again.
float frmDocument::fieldDistance() const {
    const double distance = numberOf(tfFSD);
    if (std::isfinite(distance) && distance > 0 && distance <= std::numeric_limits<float>::max())
        return static_cast<float>(distance);
    tfFSD->setText(text(m_laue->x_fsd));
    throw Error(Error::InvalidCall,
                "Invalid film-sample distance: the distance must be a positive number of mm");
}

void frmDocument::setCell(const QStringList& cell) {
    guarded([&] {
        QStringList words = cell;
        while (words.size() < 9) words << QString();
        const double number = util::nearest(util::val(words[1].toStdString()));
        if (!(number >= 1 && number <= 230))
            throw Error(Error::SubscriptOutOfRange, "Subscript out of range: there is no space group " +
                                                        words[1].trimmed().toStdString());
        // A cell from the list is a new crystal: atoms of an earlier structure do not belong to it.
        m_laue->resetStructure();
        taCSF->clear();
        setRSVGUI(0);
        tfTIT->setText(words[0]);
        setSPG(static_cast<int>(number));
        for (int i = 0; i < 6; ++i) tfCell[static_cast<std::size_t>(i)]->setText(words[3 + i].trimmed());
        applyInputs();
    });
}

QString frmDocument::getWulffParameters() const {
    QString out = QString::number(cmbSPG->currentIndex() + 1) + QLatin1Char('|');
    for (const QLineEdit* edit : tfCell) out += edit->text() + QLatin1Char('|');
    return out + tfTIT->text() + QLatin1Char('|');
}

// ---- list and status ------------------------------------------------------------------------

void frmDocument::setHKLtable() {
    const clLAUE& laue = *m_laue;
    const int32_t n = std::max<int32_t>(0, laue.n_hkl);
    std::vector<std::pair<float, int32_t>> rows;
    rows.reserve(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i) rows.emplace_back(laue.getD(i), i);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });

    const bool withIntensity = laue.x_withIntensity;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    int number = 0;
    for (const auto& [d, i] : rows) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::number(++number));
        item->setText(1, QString::fromStdString(laue.getHKL2(i)));
        item->setText(2, QString::fromStdString(util::formatNumber(d, "0.00000")));
        if (withIntensity) item->setText(3, QString::fromStdString(util::formatNumber(laue.getF(i), "0.00")));
        for (int c : {0, 2, 3}) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    lstHKL->setUpdatesEnabled(false);
    lstHKL->clear();
    lstHKL->addTopLevelItems(items);
    const QFontMetrics metrics(lstHKL->font());
    lstHKL->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("000000")) + 12);
    lstHKL->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("-0000-0000-0000")) + 12);
    lstHKL->setColumnWidth(2, metrics.horizontalAdvance(QStringLiteral("0000.00000")) + 12);
    lstHKL->setColumnWidth(3, metrics.horizontalAdvance(QStringLiteral("000000.00")) + 12);
    lstHKL->setColumnHidden(3, !withIntensity);
    lstHKL->setUpdatesEnabled(true);
    listSplitter_->setVisible(view_ == HklList);
}

std::array<QString, 2> frmDocument::getStatus() const {
    const clLAUE& laue = *m_laue;
    std::array<QString, 2> status;
    if (laue.x_withIntensity)
        status[0] = title() + QStringLiteral(" :   %1 Reflections with Intensities").arg(laue.n_hkl);
    else
        status[0] = title() + QStringLiteral(" :  (") + QString::fromStdString(laue.s_maugin) +
                    QStringLiteral(")  %1 Reflections generated").arg(laue.n_hkl);
    switch (laue.m_mode) {
        case 0:
            status[1] =
                appState().flags.zerothLayer ? QStringLiteral("0-th Layer") : QStringLiteral("3D-HKL");
            break;
        case 1:
            status[1] = QStringLiteral("Laue Transmission");
            break;
        case 2:
            status[1] = QStringLiteral("Laue Back-Reflection");
            break;
        case 3:
            status[1] = QStringLiteral("Stereogram");
            break;
        default:
            break;
    }
    return status;
}

}  // namespace lumora::app
