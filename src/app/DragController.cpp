#include "app/DragController.h"

#include <algorithm>
#include <cmath>

#include "util/NumberText.h"

namespace lumora::app {

namespace {

constexpr int kZoomMinimum = 10;
constexpr int kZoomMaximum = 500;

// A release this close to the press (in both directions) is a click.
bool isClick(double dx, double dy) { return std::fabs(dx) < 2 && std::fabs(dy) < 2; }

}  // namespace

DragController::DragController(Surface surface)
    : surface_(surface), pixelsPerDegree_(surface == Surface::Pattern ? kPatternGain : kStructureGain) {}

void DragController::press(double x, double y, Qt::MouseButton button, double width) {
    pressX_ = lastX_ = x;
    pressY_ = lastY_ = y;
    width_ = width;
    zoomDrag_ = surface_ == Surface::Pattern && x >= width / 2;
    button_ = button;
    dragging_ = true;
    zoomAnchor_ = -1;
}

DragController::Action DragController::move(double x, double y, Qt::MouseButtons buttons, int plotType,
                                            bool flipX, int zoomValue) {
    if (x == lastX_ && y == lastY_) return {};
    // The structure turns as the 3-D view does, and never zooms.
    if (surface_ == Surface::Structure) {
        plotType = 0;
        flipX = false;
    }
    const bool film = plotType == 1 || plotType == 2;
    Action action;
    if (buttons & Qt::LeftButton) {
        // The films are seen from outside the camera: the crystal follows the
        // pointer once the signs are turned to match.
        float a = static_cast<float>((lastY_ - y) / pixelsPerDegree_);
        float b = static_cast<float>((lastX_ - x) / pixelsPerDegree_);
        if (plotType == 1) {
            a = -a;
            b = -b;
        } else if (plotType == 2) {
            b = -b;
        }
        if (film && flipX) b = -b;
        action.kind = Action::RotateYZ;
        action.a = a;
        action.b = b;
    } else if (buttons & Qt::RightButton) {
        if (zoomDrag_) {
            // Zoom follows the whole way from the press, so slow drags do not
            // lose their fractions to rounding and the zoom does not run away.
            if (zoomAnchor_ < 0) zoomAnchor_ = zoomValue;
            const double delta = (pressX_ - x) / pixelsPerDegree_ + (pressY_ - y) / pixelsPerDegree_;
            const double value = util::nearest(zoomAnchor_ - 2 * delta);
            action.kind = Action::Zoom;
            action.zoomValue =
                static_cast<int>(std::clamp(value, double{kZoomMinimum}, double{kZoomMaximum}));
        } else {
            float delta =
                static_cast<float>((lastX_ - x) / pixelsPerDegree_ + (lastY_ - y) / pixelsPerDegree_);
            if (x > width_ / 2) delta = -delta;
            if (plotType == 2) delta = -delta;
            if (film && flipX) delta = -delta;
            action.kind = Action::RotateX;
            action.a = delta;
        }
    } else {
        return {};
    }
    lastX_ = x;
    lastY_ = y;
    return action;
}

DragController::Action DragController::release(double x, double y, Qt::MouseButton button, int plotType) {
    const bool wasDragging = dragging_;
    dragging_ = false;
    zoomAnchor_ = -1;
    Action action;
    action.kind = Action::Redraw;
    if (!wasDragging || surface_ == Surface::Structure) return action;
    if (!isClick(x - pressX_, y - pressY_)) return action;
    if (button == Qt::LeftButton)
        action.kind = Action::Pick;
    else if (button == Qt::RightButton && plotType >= 0 && plotType <= 4)
        action.kind = Action::Popup;
    return action;
}

QCursor DragController::dragCursor() const {
    if (button_ == Qt::RightButton && zoomDrag_) return zoomCursor();
    return rotationCursor();
}

}  // namespace lumora::app
