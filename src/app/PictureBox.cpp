#include "app/PictureBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

namespace lumora::app {

namespace {

constexpr int kUnitsPerNotch = 120;

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), surface_(QSize(1, 1), 1.0) {
    setMouseTracking(true);
    // The picture covers the whole widget: nothing underneath needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::ClickFocus);
}

void PictureBox::present() { update(); }

bool PictureBox::fitSurface() {
    const QSize logical = size().expandedTo(QSize(1, 1));
    const qreal ratio = devicePixelRatioF();
    const QImage& picture = surface_.image();
    if (surface_.size() == logical && picture.devicePixelRatio() == ratio) return false;
    surface_.resize(logical, ratio);
    return true;
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QImage& picture = surface_.image();
    p.drawImage(QPointF(0, 0), picture);
    // Whatever the picture does not cover (before the first frame at a new size).
    const QRect covered(QPoint(0, 0), surface_.size());
    const QRegion rest = QRegion(event->rect()).subtracted(covered);
    for (const QRect& r : rest) p.fillRect(r, render::toQColor(surface_.backColor()));
    p.end();
    // Moved to a screen of another pixel ratio: draw again at the new one.
    if (picture.devicePixelRatio() != devicePixelRatioF()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (fitSurface()) emit resized(surface_.size());
            },
            Qt::QueuedConnection);
    }
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitSurface()) emit resized(surface_.size());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit pressed(p.x(), p.y(), event->button(), event->modifiers());
    event->accept();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit moved(p.x(), p.y(), event->buttons());
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit released(p.x(), p.y(), event->button());
    event->accept();
}

void PictureBox::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    // A reversal starts afresh instead of first paying back the other way's fraction.
    if ((delta > 0) != (wheelRemainder_ > 0) && wheelRemainder_ != 0) wheelRemainder_ = 0;
    wheelRemainder_ += delta;
    const int steps = wheelRemainder_ / kUnitsPerNotch;
    wheelRemainder_ -= steps * kUnitsPerNotch;
    event->accept();
    if (steps != 0) emit wheelStep(steps);
}

}  // namespace lumora::app
