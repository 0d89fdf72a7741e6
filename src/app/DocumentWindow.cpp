// The document window: opening and closing, how its parts are wired, the
// tab strip and its views, drawing and hints. The controls are laid out in
// DocumentLayout.cpp, the inputs and keys are handled in DocumentInputs.cpp,
// generation in DocumentGeneration.cpp, loads and output in DocumentFiles.cpp,
// the orientation history in DocumentUndo.cpp.
#include "app/DocumentWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QUndoStack>

#include "app/AppState.h"
#include "app/DetectorPanel.h"
#include "app/HklTableModel.h"
#include "app/PhotoPanel.h"
#include "app/PictureBox.h"
#include "app/SettingsStore.h"

namespace lumora::app {

// ---- redraw batches --------------------------------------------------------------

frmDocument::RedrawBatch::RedrawBatch(frmDocument& document) : document_(document) {
    ++document_.batchDepth_;
}

frmDocument::RedrawBatch::~RedrawBatch() {
    if (--document_.batchDepth_ > 0 || !document_.redrawPending_) return;
    try {
        document_.drawNow();
    } catch (...) {
        // Drawing errors leave the previous picture.
    }
}

frmDocument::BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
frmDocument::BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

// ---- opening and closing ------------------------------------------------------------

frmDocument::frmDocument(int index, QWidget* parent)
    : QWidget(parent), index_(index), m_laue(std::make_unique<clLAUE>()), undo_(new QUndoStack(this)) {
    setObjectName("frmDocument");
    setWindowTitle(QStringLiteral("Document %1").arg(index));
    setFocusPolicy(Qt::StrongFocus);
    m_laue->newDocument(engineDefaults());
    buildControls();
    inputs_->detector()->setSetup(readDetectorSetup());
    {
        RedrawBatch batch(*this);
        // The first group is installed as if the user had picked it.
        installSpaceGroup(inputs_->spaceGroupItem());
        fillLaueInputData2GUI();
        selectTab(Simulation);
    }
    connectParts();
    createKeys();
}

frmDocument::~frmDocument() {
    // Nothing may call back into a half-destroyed window: the controls send
    // signals (focus changes) while QWidget takes them down.
    for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

void frmDocument::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closing(index_);
}

void frmDocument::connectParts() {
    connect(inputs_, &InputColumn::applyRequested, this,
            [this](const Experiment& experiment) { guarded([&] { applyExperiment(experiment); }); });
    connect(inputs_, &InputColumn::plotTypeChosen, this,
            [this](int type) { guarded([&] { choosePlotType(type); }); });
    connect(inputs_, &InputColumn::cameraEdited, this, [this] { guarded([this] { cameraEdited(); }); });
    connect(inputs_, &InputColumn::orientationConfirmed, this,
            [this](const OrientationVector& v) { orientTo(v.u, v.v, v.w, v.direction); });
    connect(inputs_, &InputColumn::rotationRequested, this,
            [this](int axis, float degrees) { guarded([&] { rotate(axis, degrees); }); });
    connect(inputs_, &InputColumn::spaceGroupChosen, this,
            [this](const QString& item) { guarded([&] { installSpaceGroup(item); }); });
    connect(inputs_, &InputColumn::settingChosen, this, &frmDocument::changeHall);
    connect(inputs_, &InputColumn::titleEdited, this, &frmDocument::statusChanged);
    connect(inputs_, &InputColumn::distanceEdited, this, [this](float mm) { m_laue->x_fsd = mm; });

    connect(patternView_, &PatternView::redrawRequested, this, [this] { guarded([this] { Redraw(); }); });
    connect(patternView_, &PatternView::turnRequested, this,
            [this](const Turn& turn) { guarded([&] { applyTurn(turn); }); });
    connect(patternView_, &PatternView::dragStarted, this, [this] { beginDrag(); });
    connect(patternView_, &PatternView::dragFinished, this, [this] { guarded([this] { endDrag(); }); });
    connect(patternView_, &PatternView::spotPicked, this,
            [this](const QString& spot) { setHINT(QStringLiteral("Clicked at ") + spot); });
    connect(patternView_, &PatternView::popupRequested, this, &frmDocument::popupRequested);

    connect(Tab1, &QTabBar::currentChanged, this,
            [this](int i) { guarded([this, i] { selectTab(i + 1); }); });
    connect(btATOMS, &QPushButton::clicked, this, [this] { guarded([this] { editStructure(); }); });
    connect(btIMG, &QPushButton::clicked, this, [this] { guarded([this] { copyImageButton(); }); });
    connect(btPHOTO, &QPushButton::clicked, this, [this] { guarded([this] { openPhoto(); }); });
    connect(photoPanel_, &PhotoPanel::openPhoto, this, [this] { guarded([this] { openPhoto(); }); });
    connect(photoPanel_, &PhotoPanel::centreChanged, this, [this] { guarded([this] { Redraw(); }); });
    connect(photoPanel_->picture(), &PictureBox::moved, this, [this](double x, double y, Qt::MouseButtons) {
        photoPanel_->showPointer(x, y, patternView_->photo(), patternView_->photoShown(),
                                 QSizeF(m_laue->getFilmWidth(), m_laue->getFilmHeight()));
    });
    connectOrientation();
}

// ---- views -------------------------------------------------------------------------

void frmDocument::selectView(int view) {
    guarded([this, view] { selectTab(view); });
}

void frmDocument::selectTab(int view) {
    RedrawBatch batch(*this);
    if (view < Simulation || view > Photo) view = Simulation;
    if (!hasReflections() && view >= Structure) view = Simulation;
    if (Tab1->currentIndex() != view - 1) {
        const QSignalBlocker blocker(Tab1);
        Tab1->setCurrentIndex(view - 1);
    }
    view_ = view;

    static const PatternView::Page pages[] = {PatternView::Page::Pattern, PatternView::Page::Structure,
                                              PatternView::Page::Tiled, PatternView::Page::List,
                                              PatternView::Page::Photo};
    patternView_->showPage(pages[view - 1]);
    listSplitter_->setVisible(view == HklList);
    taCSF->setVisible(view == HklList && !m_laue->structureText().empty());
    photoPanel_->setVisible(view == Photo);
    btATOMS->setVisible(view == Structure);

    switch (view) {
        case Structure:
        case Tiled:
            setHINT(QString::fromStdString(m_laue->getStructureTitle()));
            break;
        case Photo:
            setHINT(photoFile_.isEmpty() ? QStringLiteral("No image loaded")
                                         : QFileInfo(photoFile_).fileName());
            break;
        default:
            setHINT(QStringLiteral("%1 reflections").arg(m_laue->n_hkl));
            break;
    }
    // The views are laid out at once, so that the surfaces have their new
    // sizes before the next frame is drawn.
    if (QLayout* l = viewArea_->layout()) l->activate();
    m_laue->DoRotate(1, 0);
    Redraw();
}

// ---- drawing -------------------------------------------------------------------------

void frmDocument::Redraw() {
    if (batchDepth_ > 0) {
        redrawPending_ = true;
        return;
    }
    drawNow();
}

void frmDocument::drawNow() {
    redrawPending_ = false;
    applyIntensityChoice(*m_laue);
    lstHKL->setColumnHidden(HklTableModel::Intensity, !m_laue->physicalIntensities());
    emit orientationChanged(orientationText());
    patternView_->draw();
}

void frmDocument::redrawPattern() {
    if (batchDepth_ > 0) {
        redrawPending_ = true;
        return;
    }
    applyIntensityChoice(*m_laue);
    patternView_->drawPattern();
}

QImage frmDocument::currentPicture() { return patternView_->picture(); }

// ---- hints ------------------------------------------------------------------------------

void frmDocument::setHINT(const std::string& text) { setHINT(QString::fromStdString(text)); }

void frmDocument::setHINT(const QString& text) {
    // The film outline is drawn at the distance the field shows; a distance
    // the field refuses leaves the last good one.
    if (text.contains(QStringLiteral("Film-Outline")))
        if (const auto mm = inputs_->distance()) m_laue->x_fsd = *mm;
    HINT->setText(text);
    HINT->repaint();
}

}  // namespace lumora::app
