#pragma once

#include <QWidget>

#include "render/Surface.h"

namespace lumora::app {

// A picture surface on screen: shows the last picture of its render::Surface,
// sized to the widget at the screen's device pixel ratio, and reports the
// mouse in logical pixels. Mouse tracking is on, so moves without a button
// are reported too.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    render::Surface& surface() { return surface_; }
    const render::Surface& surface() const { return surface_; }
    // Repaints the widget from the surface's picture.
    void present();

    QSize sizeHint() const override { return {400, 300}; }
    QSize minimumSizeHint() const override { return {32, 32}; }

signals:
    void pressed(double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void moved(double x, double y, Qt::MouseButtons buttons);
    void released(double x, double y, Qt::MouseButton button);
    // Whole notches of the wheel turned in one event (120 units each, finer
    // wheels accumulate until a notch is complete); positive away from the user.
    void wheelStep(int step);
    // The surface was resized to the widget (logical pixels).
    void resized(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Brings the surface to the widget's size and pixel ratio; true when it changed.
    bool fitSurface();

    render::Surface surface_;
    int wheelRemainder_ = 0;
};

}  // namespace lumora::app
