// The mouse on the document's pictures and the slider panel: dragging turns
// the crystal or zooms, a click picks a spot, the wheel zooms. A drag frame
// only turns and redraws; nothing else is rebuilt while the button is held.
#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/MainWindow.h"
#include "app/PhotoPanel.h"
#include "app/PictureBox.h"
#include "app/SliderPanel.h"

namespace lumora::app {

void frmDocument::connectMouse() {
    for (PictureBox* box : {pb1, photoPanel_->picture()}) {
        connect(box, &PictureBox::pressed, this,
                [this, box](double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers) {
                    guarded([&] { patternPressed(box, x, y, button); });
                });
        connect(box, &PictureBox::moved, this, [this, box](double x, double y, Qt::MouseButtons buttons) {
            guarded([&] { patternMoved(box, x, y, buttons); });
        });
        connect(box, &PictureBox::released, this, [this, box](double x, double y, Qt::MouseButton button) {
            guarded([&] { patternReleased(box, x, y, button); });
        });
    }
    connect(pb3, &PictureBox::pressed, this,
            [this](double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers) {
                guarded([&] { structurePressed(x, y, button); });
            });
    connect(pb3, &PictureBox::moved, this, [this](double x, double y, Qt::MouseButtons buttons) {
        guarded([&] { structureMoved(x, y, buttons); });
    });
    connect(pb3, &PictureBox::released, this,
            [this](double, double, Qt::MouseButton) { guarded([&] { structureReleased(); }); });

    // The wheel zooms in when turned away from the user.
    for (PictureBox* box : {pb1, pb3, photoPanel_->picture()})
        connect(box, &PictureBox::wheelStep, this, [this](int step) { HookAction(-step); });

    connect(pbSL, &SliderPanel::valueChanged, this,
            [this](int slider, int value) { guarded([&] { sliderChanged(slider, value); }); });
    connect(pbSL, &SliderPanel::dragStarted, this, [this] { guarded([this] { sliderDragStarted(); }); });
    connect(pbSL, &SliderPanel::dragFinished, this, [this] { guarded([this] { sliderDragFinished(); }); });
}

// ---- the pattern (pb1) and the photo page (pb2) ----------------------------------------------

void frmDocument::patternPressed(PictureBox* box, double x, double y, Qt::MouseButton button) {
    if (m_laue->n_hkl == 0) return;
    // Plain drawing while the button is held; the frame after the drag is smooth again.
    display_.antialias = false;
    drag_->press(x, y, button, box->width());
    box->setCursor(drag_->dragCursor());
}

void frmDocument::patternMoved(PictureBox* box, double x, double y, Qt::MouseButtons buttons) {
    if (m_laue->n_hkl > 0) {
        if (pbSL->activeSlider() != -1) pbSL->setActiveSlider(-1);
        if (drag_->dragging() && (buttons & (Qt::LeftButton | Qt::RightButton))) {
            const DragController::Action action = drag_->move(
                x, y, buttons, m_laue->m_mode, appState().settings.flipX, pbSL->value(SliderPanel::Zoom));
            applyDragAction(action, box, x, y);
        }
    }
    if (box == photoPanel_->picture())
        photoPanel_->showPointer(x, y, photo_, display_.showPhoto,
                                 QSizeF(m_laue->getFilmWidth(), m_laue->getFilmHeight()));
}

void frmDocument::patternReleased(PictureBox* box, double x, double y, Qt::MouseButton button) {
    if (m_laue->n_hkl == 0 || !drag_->dragging()) return;
    display_.antialias = true;
    box->unsetCursor();
    applyDragAction(drag_->release(x, y, button, m_laue->m_mode), box, x, y);
}

void frmDocument::applyDragAction(const DragController::Action& action, PictureBox* box, double x, double y) {
    switch (action.kind) {
        case DragController::Action::RotateYZ:
            m_laue->DoRotateYZ(action.a, action.b);
            Redraw();
            break;
        case DragController::Action::RotateX:
            m_laue->DoRotate(1, action.a);
            Redraw();
            break;
        case DragController::Action::Zoom:
            pbSL->setValue(SliderPanel::Zoom, action.zoomValue);
            display_.zoom = static_cast<float>(pbSL->value(SliderPanel::Zoom)) / 100.0f;
            Redraw();
            break;
        case DragController::Action::Pick:
            // Not redrawn: the marker stays on the picture until the next change.
            setHINT(QStringLiteral("Clicked at ") + QString::fromStdString(renderer_->findMouseHKL(1, x, y)));
            box->present();
            break;
        case DragController::Action::Popup:
            if (main_) main_->showPopupMenu(box->mapToGlobal(QPointF(x, y).toPoint()));
            Redraw();
            break;
        case DragController::Action::Redraw:
            Redraw();
            break;
        case DragController::Action::None:
            break;
    }
}

// ---- the structure (pb3) -------------------------------------------------------------------------

void frmDocument::structurePressed(double x, double y, Qt::MouseButton button) {
    if (m_laue->n_hkl == 0) return;
    display_.antialias = false;
    dragStruct_->press(x, y, button, pb3->width());
    pb3->setCursor(dragStruct_->dragCursor());
}

void frmDocument::structureMoved(double x, double y, Qt::MouseButtons buttons) {
    if (m_laue->n_hkl == 0 || !dragStruct_->dragging()) return;
    if (!(buttons & (Qt::LeftButton | Qt::RightButton))) return;
    applyDragAction(dragStruct_->move(x, y, buttons, 0, false, pbSL->value(SliderPanel::Zoom)), pb3, x, y);
}

void frmDocument::structureReleased() {
    if (m_laue->n_hkl == 0 || !dragStruct_->dragging()) return;
    display_.antialias = true;
    pb3->unsetCursor();
    dragStruct_->release(0, 0, Qt::NoButton, 0);
    Redraw();
}

// ---- the slider panel ---------------------------------------------------------------------------------

void frmDocument::sliderChanged(int slider, int value) {
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
    Redraw();
}

void frmDocument::sliderDragStarted() { display_.antialias = false; }

void frmDocument::sliderDragFinished() {
    display_.antialias = true;
    Redraw();
}

}  // namespace lumora::app
