#pragma once

#include <QCursor>
#include <Qt>

namespace lumora::app {

// The mouse rules of a pattern or structure surface, apart from any widget:
// dragging turns the crystal (or zooms), a release within 2 pixels of the press
// is a click.
class DragController {
public:
    // What a mouse event asks the document to do.
    struct Action {
        enum Kind { None, RotateYZ, RotateX, Zoom, Pick, Popup, Redraw } kind = None;
        float a = 0;        // RotateYZ: degrees about axis 2; RotateX: degrees about axis 1
        float b = 0;        // RotateYZ: degrees about axis 3
        int zoomValue = 0;  // Zoom: the new zoom slider value, 10..500
    };

    // Which surface the rules are for: the pattern (5 pixels per degree, zoom
    // drag, click to pick, right click for the pop-up menu) or the structure
    // (2 pixels per degree, every release redraws).
    enum class Surface { Pattern, Structure };
    static constexpr double kPatternGain = 5.0;
    static constexpr double kStructureGain = 2.0;

    explicit DragController(Surface surface = Surface::Pattern);

    // A button went down at (x, y) on a surface `width` pixels wide.
    void press(double x, double y, Qt::MouseButton button, double width);
    // The pointer moved with `buttons` held; plotType 0..4 (the films turn their
    // drags as seen from outside, a camera as the stereogram), flipX the option,
    // zoomValue the current zoom slider value.
    Action move(double x, double y, Qt::MouseButtons buttons, int plotType, bool flipX, int zoomValue);
    // The button came up: a click picks (left) or pops up the menu (right); a drag redraws.
    Action release(double x, double y, Qt::MouseButton button, int plotType);

    bool dragging() const { return dragging_; }
    // Right button pressed on the right half of the pattern: the drag zooms.
    bool zoomDrag() const { return zoomDrag_; }
    Qt::MouseButton pressedButton() const { return button_; }
    // The pointer to show while the button is held: the zoom cursor for a
    // zoom drag, otherwise the rotation cursor.
    QCursor dragCursor() const;

private:
    Surface surface_;
    double pixelsPerDegree_;
    double pressX_ = 0, pressY_ = 0;
    double lastX_ = 0, lastY_ = 0;
    double width_ = 0;
    bool zoomDrag_ = false;
    bool dragging_ = false;
    Qt::MouseButton button_ = Qt::NoButton;
    // Zoom slider value when the zoom drag began (-1 until its first step).
    int zoomAnchor_ = -1;
};

// The custom pointers of the picture surfaces, drawn once: a circular arrow
// while turning the crystal and a magnifier while zooming.
QCursor rotationCursor();
QCursor zoomCursor();

}  // namespace lumora::app
