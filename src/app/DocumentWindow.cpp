// The document window: opening and closing, the tab strip and its views,
// drawing, hints and messages. The controls are built in DocumentLayout.cpp,
// the input fields are in DocumentInputs.cpp, loads and output in
// DocumentFiles.cpp, the mouse in DocumentMouse.cpp.
#include "app/DocumentWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <algorithm>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/PhotoPanel.h"
#include "app/PictureBox.h"
#include "app/SliderPanel.h"
#include "util/Error.h"
#include "util/NumberText.h"

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

frmDocument::frmDocument(frmMain* main, int index)
    : main_(main),
      index_(index),
      m_laue(std::make_unique<clLAUE>()),
      renderer_(std::make_unique<render::PatternRenderer>(*m_laue)),
      drag_(std::make_unique<DragController>(DragController::Surface::Pattern)),
      dragStruct_(std::make_unique<DragController>(DragController::Surface::Structure)) {
    setObjectName("frmDocument");
    setWindowTitle(QStringLiteral("Document %1").arg(index));
    setFocusPolicy(Qt::StrongFocus);
    buildControls();

    const Settings& settings = appState().settings;
    if (settings.startBlack) {
        pb1->surface().setBackColor(0x000000);
        pb1->surface().clear();
        mem_.setBackColor(0x000000);
    }
    mem_.resize(pb1->surface().size(), pb1->devicePixelRatioF());
    m_laue->newDocument(engineDefaults());
    renderer_->setGraphicsContext(&pb1->surface(), &pb3->surface(), &mem_, &photo_);

    {
        RedrawBatch batch(*this);
        // The first group is chosen as if the user had picked it.
        cmbSPG->setCurrentIndex(0);
        spaceGroupChosen(0);
        fillLaueInputData2GUI();
        tfANG->setText(QString::fromStdString(util::singleText(settings.rotationStep)));
        cmbORIENT->setCurrentIndex(2);
        pbSL->reset();
        selectTab(Simulation);
    }
    connectControls();
    connectMouse();
    // Key preview: the form sees the keys of its controls first.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

frmDocument::~frmDocument() {
    // Nothing may call back into a half-destroyed window: the controls send
    // signals (focus changes) while QWidget takes them down.
    for (QObject* child : findChildren<QObject*>()) {
        child->removeEventFilter(this);
        child->blockSignals(true);
    }
}

void frmDocument::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!main_) return;
    main_->documentClosing(index_);
    QPointer<frmMain> main = main_;
    QTimer::singleShot(0, main, [main] {
        if (main) main->updateStatus();
    });
}

bool frmDocument::event(QEvent* event) {
    bool handled = false;
    guarded([&] { handled = QWidget::event(event); });
    return handled;
}

void frmDocument::resizeEvent(QResizeEvent* event) { QWidget::resizeEvent(event); }

QString frmDocument::title() const { return tfTIT->text().trimmed(); }

// ---- controls ----------------------------------------------------------------------------

void frmDocument::connectControls() {
    connect(btAPPLY, &QPushButton::clicked, this, [this] { guarded([this] { apply(); }); });
    connect(cmbSPG, &QComboBox::activated, this,
            [this](int i) { guarded([this, i] { spaceGroupChosen(i); }); });
    connect(cmbHALL, &QComboBox::activated, this,
            [this](int i) { guarded([this, i] { settingChosen(i); }); });
    connect(modeGroup_, &QButtonGroup::idClicked, this,
            [this](int i) { guarded([this, i] { modeChanged(i); }); });
    connect(cmbUVW, &QComboBox::activated, this, [this](int) { guarded([this] { confirmOrientation(); }); });
    connect(cmbORIENT, &QComboBox::activated, this,
            [this](int) { guarded([this] { confirmOrientation(); }); });
    for (int i = 0; i < 3; ++i)
        connect(btANG[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { guarded([this, i] { rotateButton(i, +1); }); });
    connect(Tab1, &QTabBar::currentChanged, this,
            [this](int i) { guarded([this, i] { selectTab(i + 1); }); });
    connect(btATOMS, &QPushButton::clicked, this, [this] { guarded([this] { editStructure(); }); });
    connect(btIMG, &QPushButton::clicked, this, [this] { guarded([this] { copyImageButton(); }); });
    connect(btPHOTO, &QPushButton::clicked, this, [this] { guarded([this] { openPhoto(); }); });
    connect(photoPanel_, &PhotoPanel::openPhoto, this, [this] { guarded([this] { openPhoto(); }); });
    connect(photoPanel_, &PhotoPanel::centreChanged, this, [this] { guarded([this] { Redraw(); }); });
    connect(pb1, &PictureBox::resized, this, [this](QSize) { guarded([this] { pictureResized(); }); });
    // A resized surface starts blank: the structure and the photo page are
    // drawn again at their new sizes whenever they are shown, whether or not
    // the document is the active one (Window > Tile resizes them all).
    connect(pb3, &PictureBox::resized, this, [this](QSize) {
        guarded([this] {
            if (view_ != Structure && view_ != Tiled) return;
            if (batchDepth_ > 0) {
                redrawPending_ = true;
                return;
            }
            renderer_->drawStructure(renderOptions());
            pb3->present();
        });
    });
    connect(photoPanel_->picture(), &PictureBox::resized, this, [this](QSize) {
        guarded([this] {
            if (view_ == Photo) redrawPattern();
        });
    });
}

// ---- views -------------------------------------------------------------------------

void frmDocument::selectView(int view) {
    guarded([this, view] { selectTab(view); });
}

void frmDocument::selectTab(int view) {
    RedrawBatch batch(*this);
    if (view < Simulation || view > Photo) view = Simulation;
    if (m_laue->n_hkl == 0 && view >= Structure) view = Simulation;
    if (Tab1->currentIndex() != view - 1) {
        const QSignalBlocker blocker(Tab1);
        Tab1->setCurrentIndex(view - 1);
    }
    view_ = view;

    PictureBox* pb2 = photoPanel_->picture();
    renderer_->setPictureBox(view == Photo ? &pb2->surface() : &pb1->surface());
    renderer_->setPhotoSimulation(view == Photo);
    listSplitter_->setVisible(view == HklList);
    taCSF->setVisible(view == HklList && !m_laue->structureText().empty());
    pb1->setVisible(view == Simulation || view == Tiled);
    pb3->setVisible(view == Structure || view == Tiled);
    photoPanel_->setVisible(view == Photo);
    btATOMS->setVisible(view == Structure);
    renderer_->setStructureVisible(view == Structure || view == Tiled);

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
    display_.antialias = false;
    layoutViews();
    m_laue->DoRotate(1, 0);
    Redraw();
}

// Lays the views out at once, so that the surfaces have their new sizes
// before the next frame is drawn.
void frmDocument::layoutViews() {
    if (QLayout* l = viewArea_->layout()) l->activate();
}

void frmDocument::pictureResized() {
    const QSize size = pb1->surface().size();
    if (size == mem_.size() && size == fittedTo_) return;
    RedrawBatch batch(*this);
    mem_.resize(size, pb1->devicePixelRatioF());
    if (appState().flags.blackBackground) mem_.setBackColor(0x000000);
    // The pattern keeps fitting the picture; the zoom stays as the user set it.
    if (m_laue->n_hkl > 0) {
        render::RenderOptions fitted = renderOptions();
        render::fitScales(fitted, *m_laue, size.width(), size.height());
        display_.scale3D = fitted.scale3D;
        display_.filmScale = fitted.filmScale;
        fittedTo_ = size;
    }
    Redraw();
}

void frmDocument::Redraw() {
    if (batchDepth_ > 0) {
        redrawPending_ = true;
        return;
    }
    drawNow();
}

void frmDocument::drawNow() {
    redrawPending_ = false;
    showOrientation();
    const bool structureShown = view_ == Structure || view_ == Tiled;
    renderer_->setStructureVisible(structureShown);
    if (structureShown) {
        renderer_->drawStructure(renderOptions());
        pb3->present();
    }
    // The photo page is drawn through the same call: the renderer's visible
    // surface is then pb2 and the photo simulation is on.
    if (view_ == Simulation || view_ == Tiled || view_ == Photo) redrawPattern();
}

void frmDocument::redrawPattern() {
    if (batchDepth_ > 0) {
        redrawPending_ = true;
        return;
    }
    renderer_->drawHKL(renderOptions());
    if (view_ == Photo)
        photoPanel_->picture()->present();
    else
        pb1->present();
}

QImage frmDocument::currentPicture() {
    switch (view_) {
        case Structure:
            return pb3->surface().image();
        case Tiled: {
            QImage left = pb1->surface().image();
            QImage right = pb3->surface().image();
            const qreal ratio = left.devicePixelRatio();
            left.setDevicePixelRatio(1);
            right.setDevicePixelRatio(1);
            QImage both(left.width() + right.width(), std::max(left.height(), right.height()),
                        QImage::Format_RGB32);
            both.fill(appState().flags.blackBackground ? Qt::black : Qt::white);
            {
                QPainter p(&both);
                p.drawImage(0, 0, left);
                p.drawImage(left.width(), 0, right);
            }
            both.setDevicePixelRatio(ratio);
            return both;
        }
        case Photo:
            return photoPanel_->picture()->surface().image();
        case HklList:
            // The list has no picture: the pattern stands for it.
            renderer_->drawHKL(renderOptions());
            return pb1->surface().image();
        default:
            return pb1->surface().image();
    }
}

// ---- hints and messages ------------------------------------------------------------------

void frmDocument::setHINT(const std::string& text) { setHINT(QString::fromStdString(text)); }

void frmDocument::setHINT(const QString& text) {
    // The film outline is drawn at the distance the field shows; a distance
    // the field refuses leaves the last good one.
    if (text.contains(QStringLiteral("Film-Outline"))) guarded([this] { m_laue->x_fsd = fieldDistance(); });
    HINT->setText(text);
    HINT->repaint();
}

void frmDocument::showOrientation() {
    if (main_) main_->setStatusText(2, QString::fromStdString(m_laue->m_auvw));
}

render::RenderOptions frmDocument::renderOptions() const {
    const AppState& app = appState();
    render::RenderOptions o;
    o.flags = app.flags;
    o.palette = app.palette;
    o.labelColour = labelColourRgb(app.currentLabelColour);
    o.flipX = app.settings.flipX;
    o.zoom = display_.zoom;
    o.spacingThreshold = display_.spacingThreshold;
    o.labelThreshold = display_.labelThreshold;
    o.spotSize = display_.spotSize;
    o.antialias = display_.antialias;
    o.scale3D = display_.scale3D;
    o.filmScale = display_.filmScale;
    o.showPhoto = display_.showPhoto;
    o.photoCentreX = app.settings.photoCentreX;
    o.photoCentreY = app.settings.photoCentreY;
    return o;
}

void frmDocument::fitNewList() {
    display_.zoom = 1;
    display_.spotSize = 5;
    const QSize size = mem_.size();
    render::RenderOptions fitted = renderOptions();
    render::fitScales(fitted, *m_laue, size.width(), size.height());
    display_.scale3D = fitted.scale3D;
    display_.filmScale = fitted.filmScale;
    fittedTo_ = size;
}

void frmDocument::showError(const std::exception& error) noexcept {
    try {
        const auto* known = dynamic_cast<const Error*>(&error);
        const QString text = known ? QString::fromStdString(known->message())
                                   : QStringLiteral("Error: ") + QString::fromUtf8(error.what());
        tell(this, QStringLiteral("Lumora"), text, QMessageBox::Critical);
    } catch (...) {
        // Nothing more can be done for the user here.
    }
}

void frmDocument::showUnknownError() noexcept {
    try {
        tell(this, QStringLiteral("Lumora"), QStringLiteral("Error: unexpected failure"),
             QMessageBox::Critical);
    } catch (...) {
    }
}

}  // namespace lumora::app
