// A document's pictures: the surfaces and their pages, drawing and the back
// buffer, the view the pictures are drawn with, and the mouse. A drag step
// only asks for a turn; nothing else is rebuilt while the button is held.
#include "app/PatternView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <algorithm>

#include "app/AppState.h"
#include "app/Guarded.h"
#include "app/PictureBox.h"
#include "app/SliderPanel.h"
#include "engine/LaueEngine.h"
#include "output/Export.h"
#include "util/NumberText.h"

namespace lumora::app {

PatternView::PatternView(const clLAUE& laue, PictureBox* photoPage, SliderPanel* sliders, QWidget* parent)
    : QWidget(parent),
      laue_(laue),
      pb2(photoPage),
      sliders_(sliders),
      renderer_(std::make_unique<render::PatternRenderer>(laue)) {
    setObjectName("patternView");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    pb1 = new PictureBox(this);
    pb1->setObjectName("pb1");
    pb3 = new PictureBox(this);
    pb3->setObjectName("pb3");
    row->addWidget(pb1, 1);
    row->addWidget(pb3, 1);
    for (PictureBox* box : {pb1, pb3, pb2}) {
        box->setFocusPolicy(Qt::ClickFocus);
        box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        box->setMinimumSize(50, 50);
    }

    if (appState().settings.startBlack) {
        pb1->surface().setBackColor(0x000000);
        pb1->surface().clear();
        mem_.setBackColor(0x000000);
    }
    mem_.resize(pb1->surface().size(), pb1->devicePixelRatioF());
    renderer_->setGraphicsContext(&pb1->surface(), &pb3->surface(), &mem_, &photo_);
    connectMouse();
}

PatternView::~PatternView() = default;

render::RenderOptions PatternView::renderOptions() const {
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
    o.photoMarks = photoMarks_;
    return o;
}

// ---- pages and drawing -------------------------------------------------------------------

void PatternView::showPage(Page page) {
    page_ = page;
    renderer_->setPictureBox(page == Page::Photo ? &pb2->surface() : &pb1->surface());
    renderer_->setPhotoSimulation(page == Page::Photo);
    pb1->setVisible(page == Page::Pattern || page == Page::Tiled);
    pb3->setVisible(structureShown());
    setVisible(page != Page::List && page != Page::Photo);
    renderer_->setStructureVisible(structureShown());
    display_.antialias = false;
}

void PatternView::draw() {
    renderer_->setStructureVisible(structureShown());
    if (structureShown()) {
        renderer_->drawStructure(renderOptions());
        pb3->present();
    }
    if (page_ == Page::Pattern || page_ == Page::Tiled || page_ == Page::Photo) drawPattern();
}

void PatternView::drawPattern() {
    renderer_->drawHKL(renderOptions());
    (page_ == Page::Photo ? pb2 : pb1)->present();
}

QImage PatternView::picture() {
    switch (page_) {
        case Page::Structure:
            return pb3->surface().image();
        case Page::Tiled: {
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
        case Page::Photo:
            return pb2->surface().image();
        case Page::List:
            // The list has no picture: the pattern stands for it.
            renderer_->drawHKL(renderOptions());
            return pb1->surface().image();
        case Page::Pattern:
            break;
    }
    return pb1->surface().image();
}

void PatternView::saveSvg(const QString& path) {
    const PictureBox* shown = page_ == Page::Structure ? pb3 : page_ == Page::Photo ? pb2 : pb1;
    const QSize size = shown->size().expandedTo(QSize(1, 1));
    // Whatever happens, the renderer goes back to the view's surfaces.
    struct Restore {
        PatternView& v;
        ~Restore() {
            v.renderer_->setGraphicsContext(v.page_ == Page::Photo ? &v.pb2->surface() : &v.pb1->surface(),
                                            &v.pb3->surface(), &v.mem_, &v.photo_);
        }
    } restore{*this};
    output::saveSvg(path, size, [&](QPaintDevice& device) {
        render::Surface vectors(&device, size);
        if (page_ == Page::Structure) {
            renderer_->setGraphicsContext(&vectors, &vectors, &vectors, &photo_);
            renderer_->drawStructure(renderOptions());
        } else {
            renderer_->setGraphicsContext(&vectors, nullptr, &vectors, &photo_);
            renderer_->drawHKL(renderOptions());
        }
        vectors.finish();
    });
}

// ---- the view ------------------------------------------------------------------------------

void PatternView::fitNewList() {
    display_.zoom = 1;
    display_.spotSize = 5;
    const QSize size = mem_.size();
    render::RenderOptions fitted = renderOptions();
    render::fitScales(fitted, laue_, size.width(), size.height());
    display_.scale3D = fitted.scale3D;
    display_.filmScale = fitted.filmScale;
    fittedTo_ = size;
    const auto percent = [](float v, float factor) { return static_cast<int>(util::nearest(v * factor)); };
    sliders_->setValue(SliderPanel::Zoom, percent(display_.zoom, 100));
    sliders_->setValue(SliderPanel::Spacing, percent(display_.spacingThreshold, 100));
    sliders_->setValue(SliderPanel::Label, percent(display_.labelThreshold, 100));
    sliders_->setValue(SliderPanel::SpotSize, percent(display_.spotSize, 10));
}

// The pattern keeps fitting the picture; the zoom stays as the user set it.
void PatternView::patternResized() {
    const QSize size = pb1->surface().size();
    if (size == mem_.size() && size == fittedTo_) return;
    mem_.resize(size, pb1->devicePixelRatioF());
    if (appState().flags.blackBackground) mem_.setBackColor(0x000000);
    if (laue_.n_hkl > 0) {
        render::RenderOptions fitted = renderOptions();
        render::fitScales(fitted, laue_, size.width(), size.height());
        display_.scale3D = fitted.scale3D;
        display_.filmScale = fitted.filmScale;
        fittedTo_ = size;
    }
    emit redrawRequested();
}

bool PatternView::zoomBy(int steps) {
    for (const QWidget* w = this; w; w = w->parentWidget())
        if (w->isMinimized()) return false;
    const long long wanted = sliders_->value(SliderPanel::Zoom) - 20LL * std::clamp(steps, -1000, 1000);
    const int value = static_cast<int>(std::clamp<long long>(wanted, 10, 500));
    sliders_->setValue(SliderPanel::Zoom, value);
    display_.zoom = static_cast<float>(value) / 100.0f;
    return true;
}

void PatternView::resetZoom() {
    sliders_->setActiveSlider(SliderPanel::Zoom);
    sliders_->setValue(SliderPanel::Zoom, 100);
    display_.zoom = 1.0f;
}

void PatternView::setPhoto(QImage photo) {
    photo_ = std::move(photo);
    display_.showPhoto = true;
    display_.antialias = false;
}

std::optional<QPointF> PatternView::photoPixelAt(double x, double y) const {
    if (page_ != Page::Photo || !display_.showPhoto || photo_.isNull()) return std::nullopt;
    const render::PhotoPlacement at = renderer_->photoPlacement(pb2->surface().size(), renderOptions());
    if (!(at.fit > 0) || !at.photo.contains(QPointF(x, y))) return std::nullopt;
    return QPointF(x / at.fit - 0.5, y / at.fit - 0.5);
}

void PatternView::sliderChanged(int slider, int value) {
    const auto v = static_cast<float>(value);
    switch (slider) {
        case SliderPanel::Zoom:
            display_.zoom = v / 100.0f;
            break;
        case SliderPanel::Spacing:
            display_.spacingThreshold = v / 100.0f;
            break;
        case SliderPanel::Label:
            display_.labelThreshold = v / 100.0f;
            break;
        case SliderPanel::SpotSize:
            display_.spotSize = v / 10.0f;
            break;
        default:
            return;
    }
    emit redrawRequested();
}

// ---- the mouse -------------------------------------------------------------------------------

void PatternView::connectMouse() {
    // Whatever a handler throws is shown; the view keeps running.
    for (PictureBox* box : {pb1, pb2}) {
        connect(box, &PictureBox::pressed, this,
                [this, box](double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
                    guardedCall(this, [&] { patternPressed(box, x, y, button, modifiers); });
                });
        connect(box, &PictureBox::moved, this, [this, box](double x, double y, Qt::MouseButtons buttons) {
            guardedCall(this, [&] { patternMoved(box, x, y, buttons); });
        });
        connect(box, &PictureBox::released, this, [this, box](double x, double y, Qt::MouseButton button) {
            guardedCall(this, [&] { patternReleased(box, x, y, button); });
        });
    }
    connect(pb3, &PictureBox::pressed, this,
            [this](double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers) {
                guardedCall(this, [&] { structurePressed(x, y, button); });
            });
    connect(pb3, &PictureBox::moved, this, [this](double x, double y, Qt::MouseButtons buttons) {
        guardedCall(this, [&] { structureMoved(x, y, buttons); });
    });
    connect(pb3, &PictureBox::released, this,
            [this](double, double, Qt::MouseButton) { guardedCall(this, [&] { structureReleased(); }); });

    // The wheel zooms in when turned away from the user.
    for (PictureBox* box : {pb1, pb3, pb2})
        connect(box, &PictureBox::wheelStep, this, [this](int step) {
            if (zoomBy(-step)) emit redrawRequested();
        });

    connect(pb1, &PictureBox::resized, this, [this](QSize) { guardedCall(this, [&] { patternResized(); }); });
    // A resized surface starts blank: the structure and the photo page are
    // drawn again at their new sizes whenever they are shown, whether or not
    // the document is the active one (Window > Tile resizes them all).
    connect(pb3, &PictureBox::resized, this, [this](QSize) {
        if (structureShown()) emit redrawRequested();
    });
    connect(pb2, &PictureBox::resized, this, [this](QSize) {
        if (page_ == Page::Photo) emit redrawRequested();
    });

    connect(sliders_, &SliderPanel::valueChanged, this, &PatternView::sliderChanged);
    connect(sliders_, &SliderPanel::dragStarted, this, [this] { display_.antialias = false; });
    connect(sliders_, &SliderPanel::dragFinished, this, [this] {
        display_.antialias = true;
        emit redrawRequested();
    });
}

void PatternView::patternPressed(PictureBox* box, double x, double y, Qt::MouseButton button,
                                 Qt::KeyboardModifiers modifiers) {
    if (laue_.n_hkl == 0) return;
    pressModifiers_ = modifiers;
    // Plain drawing while the button is held; the frame after the drag is smooth again.
    display_.antialias = false;
    drag_.press(x, y, button, box->width());
    box->setCursor(drag_.dragCursor());
    emit dragStarted();
}

void PatternView::patternMoved(PictureBox* box, double x, double y, Qt::MouseButtons buttons) {
    if (laue_.n_hkl == 0) return;
    if (sliders_->activeSlider() != -1) sliders_->setActiveSlider(-1);
    if (drag_.dragging() && (buttons & (Qt::LeftButton | Qt::RightButton)))
        act(drag_.move(x, y, buttons, laue_.m_mode, appState().settings.flipX,
                       sliders_->value(SliderPanel::Zoom)),
            box, x, y);
}

void PatternView::patternReleased(PictureBox* box, double x, double y, Qt::MouseButton button) {
    if (laue_.n_hkl == 0 || !drag_.dragging()) return;
    display_.antialias = true;
    box->unsetCursor();
    const DragController::Action action = drag_.release(x, y, button, laue_.m_mode);
    emit dragFinished();
    act(action, box, x, y);
}

void PatternView::act(const DragController::Action& action, PictureBox* box, double x, double y) {
    switch (action.kind) {
        case DragController::Action::RotateYZ:
            emit turnRequested(Turn{false, action.a, action.b});
            break;
        case DragController::Action::RotateX:
            emit turnRequested(Turn{true, action.a, 0});
            break;
        case DragController::Action::Zoom:
            sliders_->setValue(SliderPanel::Zoom, action.zoomValue);
            display_.zoom = static_cast<float>(sliders_->value(SliderPanel::Zoom)) / 100.0f;
            emit redrawRequested();
            break;
        case DragController::Action::Pick:
            // On the shown photo a click marks or unmarks a spot.
            if (box == pb2)
                if (const auto at = photoPixelAt(x, y)) {
                    emit photoClicked(at->x(), at->y(), pressModifiers_.testFlag(Qt::ShiftModifier));
                    break;
                }
            // Not redrawn: the marker stays on the picture until the next change.
            emit spotPicked(QString::fromStdString(renderer_->findMouseHKL(1, x, y)));
            box->present();
            break;
        case DragController::Action::Popup:
            if (box == pb2)
                if (const auto at = photoPixelAt(x, y)) {
                    emit photoMenuRequested(box->mapToGlobal(QPointF(x, y).toPoint()), at->x(), at->y());
                    break;
                }
            emit popupRequested(box->mapToGlobal(QPointF(x, y).toPoint()));
            emit redrawRequested();
            break;
        case DragController::Action::Redraw:
            emit redrawRequested();
            break;
        case DragController::Action::None:
            break;
    }
}

void PatternView::structurePressed(double x, double y, Qt::MouseButton button) {
    if (laue_.n_hkl == 0) return;
    display_.antialias = false;
    dragStructure_.press(x, y, button, pb3->width());
    pb3->setCursor(dragStructure_.dragCursor());
    emit dragStarted();
}

void PatternView::structureMoved(double x, double y, Qt::MouseButtons buttons) {
    if (laue_.n_hkl == 0 || !dragStructure_.dragging()) return;
    if (!(buttons & (Qt::LeftButton | Qt::RightButton))) return;
    act(dragStructure_.move(x, y, buttons, 0, false, sliders_->value(SliderPanel::Zoom)), pb3, x, y);
}

void PatternView::structureReleased() {
    if (laue_.n_hkl == 0 || !dragStructure_.dragging()) return;
    display_.antialias = true;
    pb3->unsetCursor();
    dragStructure_.release(0, 0, Qt::NoButton, 0);
    emit dragFinished();
    emit redrawRequested();
}

}  // namespace lumora::app
