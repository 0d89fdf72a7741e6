// What the document does with its inputs: the space group and its settings,
// the plot type, the orientation, turns by buttons, mouse and keys, the zoom,
// cells from the sample list, the reflection list and the status texts.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QTextEdit>
#include <algorithm>

#include "app/AppState.h"
#include "app/DetectorPanel.h"
#include "app/DocumentWindow.h"
#include "app/HklTableModel.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

// Widgets that use the keys themselves: while one has the focus the
// document's keys stay out of the way.
bool usesKeys(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

// The arrows turn the crystal by one degree, A B C D orient it; only without Shift, Ctrl or Alt.
constexpr Qt::Key kTurningKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down,
                                    Qt::Key_A,    Qt::Key_B,     Qt::Key_C,  Qt::Key_D};

bool isTurningKey(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    return std::find(std::begin(kTurningKeys), std::end(kTurningKeys), key->key()) != std::end(kTurningKeys);
}

// "Orientation [1 1 1]" for a direction, "Orientation (1 1 1)" for a plane normal.
QString orientationName(float u, float v, float w, bool isDirection) {
    const QString indices =
        QStringList{QString::fromStdString(util::singleText(u)), QString::fromStdString(util::singleText(v)),
                    QString::fromStdString(util::singleText(w))}
            .join(QLatin1Char(' '));
    return QStringLiteral("Orientation ") + (isDirection ? QLatin1Char('[') : QLatin1Char('(')) + indices +
           (isDirection ? QLatin1Char(']') : QLatin1Char(')'));
}

}  // namespace

// ---- keys ------------------------------------------------------------------------------------

// The keys are the document's shortcuts, alive whenever the focus is inside
// it. A control that takes keys itself (text, lists, combo boxes) claims them
// first through the shortcut override: it then gets them as typed.
void frmDocument::createKeys() {
    const auto key = [this](Qt::Key k, std::function<void()> action) {
        auto* shortcut = new QShortcut(QKeySequence(k), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, action] { guarded(action); });
    };
    const auto turn = [this](int16_t axis, float angle) {
        RedrawBatch batch(*this);
        recordTurn(QStringLiteral("Turn"), [&] { m_laue->DoRotate(axis, angle); });
        patternView_->setAntialias(false);
        Redraw();
    };
    const auto orient = [this](const char* vector) {
        inputs_->setOrientationText(QString::fromLatin1(vector));
        confirmOrientation();
    };
    key(Qt::Key_Left, [turn] { turn(3, 1); });
    key(Qt::Key_Right, [turn] { turn(3, -1); });
    key(Qt::Key_Up, [turn] { turn(2, 1); });
    key(Qt::Key_Down, [turn] { turn(2, -1); });
    key(Qt::Key_A, [orient] { orient("100"); });
    key(Qt::Key_B, [orient] { orient("010"); });
    key(Qt::Key_C, [orient] { orient("001"); });
    key(Qt::Key_D, [orient] { orient("111"); });
}

bool frmDocument::focusTakesKeys() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus != this && isAncestorOf(focus) && usesKeys(focus);
}

bool frmDocument::event(QEvent* event) {
    // The override reaches the document when the focus control did not claim the key.
    if (event->type() == QEvent::ShortcutOverride && isTurningKey(static_cast<QKeyEvent*>(event)) &&
        focusTakesKeys()) {
        event->accept();
        return true;
    }
    bool handled = false;
    guarded([&] { handled = QWidget::event(event); });
    return handled;
}

// ---- space group ------------------------------------------------------------------------

void frmDocument::installSpaceGroup(const QString& item) {
    m_laue->SGTAB_find(item.mid(item.indexOf(QLatin1Char(':')) + 1).toStdString());
    spgTag_ = item;
    inputs_->showSettings(*m_laue);
}

void frmDocument::changeHall(int index) {
    guarded([&] {
        if (index < 0 || index >= static_cast<int>(m_laue->SGTAB_getHalls().size())) return;
        m_laue->changeHall(static_cast<int16_t>(index));
        inputs_->selectSetting(index);
        if (!m_laue->bCSF) return;
        if (!ask(this, QStringLiteral("New Atom Structure"), QStringLiteral("Recalculate Intensities?")))
            return;
        const BusyCursor busy;
        regenerate();
    });
}

// ---- plot type ---------------------------------------------------------------------------

void frmDocument::fillLaueInputData2GUI() {
    inputs_->showEngine(*m_laue);
    // Every Apply returns the document to the default plot type; a camera
    // chosen in the detector list takes the place of the default film.
    int mode = std::clamp(appState().settings.plotType, 0, 3);
    if ((mode == kTransmissionPlot || mode == kBackReflectionPlot) &&
        isCameraEntry(inputs_->detector()->setup().entry))
        mode = kDetectorPlot;
    inputs_->setPlotType(mode);
    modeChanged(mode);
}

void frmDocument::setMODE(int mode) {
    guarded([&] {
        mode = std::clamp(mode, 0, static_cast<int>(kDetectorPlot));
        inputs_->setPlotType(mode);
        modeChanged(mode);
    });
}

void frmDocument::modeChanged(int mode) {
    static const char* const hints[5] = {"3D-HKL view", "Laue Transmission Geometry",
                                         "Laue Back-Reflection Geometry", "Stereographic Projection",
                                         "Laue Pattern on a Camera"};
    if (mode < 0 || mode > kDetectorPlot) return;
    RedrawBatch batch(*this);
    QString hint = QString::fromUtf8(hints[mode]);
    if (mode == kDetectorPlot) hint += QStringLiteral(": ") + inputs_->detector()->cameraName();
    setHINT(hint);
    m_laue->setDetector(inputs_->detector()->camera());
    m_laue->setPlotType(static_cast<int16_t>(mode));
    if (view_ == Structure || view_ == HklList) selectTab(Simulation);
    Redraw();
    emit statusChanged();
}

// The detector list is kept for the next documents as soon as the user changes it.
void frmDocument::choosePlotType(int mode) {
    saveDetectorSetup(inputs_->detector()->setup());
    modeChanged(mode);
}

void frmDocument::cameraEdited() {
    saveDetectorSetup(inputs_->detector()->setup());
    m_laue->setDetector(inputs_->detector()->camera());
    if (m_laue->m_mode == kDetectorPlot) Redraw();
}

// ---- orientation and turns -----------------------------------------------------------------

void frmDocument::reorient() {
    guarded([this] { confirmOrientation(); });
}

void frmDocument::confirmOrientation() {
    if (!hasReflections()) return;
    if (const auto v = inputs_->orientationVector()) orientTo(v->u, v->v, v->w, v->direction);
}

void frmDocument::orientTo(float u, float v, float w, bool isDirection) {
    guarded([&] {
        RedrawBatch batch(*this);
        recordTurn(orientationName(u, v, w, isDirection),
                   [&] { m_laue->setOrientation(u, v, w, isDirection); });
        Redraw();
    });
}

// A drag's steps become one step when the button comes up.
void frmDocument::applyTurn(const Turn& turn) {
    recordTurn(QStringLiteral("Turn"), [&] {
        if (turn.aboutBeam)
            m_laue->DoRotate(1, turn.a);
        else
            m_laue->DoRotateYZ(turn.a, turn.b);
    });
    Redraw();
}

void frmDocument::rotate(int axis, float degrees) {
    RedrawBatch batch(*this);
    recordTurn(QStringLiteral("Turn"), [&] { m_laue->DoRotate(static_cast<int16_t>(axis), degrees); });
    Redraw();
}

// ---- zoom ------------------------------------------------------------------------------------

void frmDocument::HookAction(int step) {
    guarded([&] {
        if (patternView_->zoomBy(step)) Redraw();
    });
}

void frmDocument::resetZoom() {
    guarded([this] {
        setHINT(QStringLiteral("Zoom was reset"));
        patternView_->resetZoom();
        Redraw();
    });
}

// ---- cells -------------------------------------------------------------------------------------

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
        inputs_->setTitle(words[0]);
        inputs_->selectSpaceGroup(static_cast<int>(number));
        installSpaceGroup(inputs_->spaceGroupItem());
        std::array<QString, 6> texts;
        for (std::size_t i = 0; i < 6; ++i) texts[i] = words[static_cast<qsizetype>(3 + i)].trimmed();
        inputs_->setCellTexts(texts);
        const auto experiment = inputs_->experiment();
        if (experiment && applyExperiment(*experiment) && !words[0].trimmed().isEmpty())
            setWindowTitle(words[0].trimmed());
    });
}

// ---- list and status ------------------------------------------------------------------------

void frmDocument::setFourIndex(bool on) { hklModel_->setFourIndex(on); }

void frmDocument::setHKLtable() {
    hklModel_->setFourIndex(appState().flags.fourIndex);
    hklModel_->refresh();
    lstHKL->setColumnHidden(HklTableModel::Amplitude, !hklModel_->withIntensity());
    lstHKL->setColumnHidden(HklTableModel::Intensity, !m_laue->physicalIntensities());
    inputs_->setOrientable(hasReflections());
    listSplitter_->setVisible(view_ == HklList);
}

void frmDocument::setRSVGUI(int mode) {
    rsvLabel_->setText(mode == 1   ? QStringLiteral("HKL File Loaded")
                       : mode == 2 ? QStringLiteral("Structure Loaded")
                                   : QString());
    inputs_->setSource(static_cast<InputColumn::Source>(std::clamp(mode, 0, 2)));
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
        case kDetectorPlot:
            status[1] = QStringLiteral("Laue Camera");
            break;
        default:
            break;
    }
    return status;
}

}  // namespace lumora::app
