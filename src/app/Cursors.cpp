// The pointers shown while dragging on a picture: drawn here rather than
// shipped as image files. Each shape is drawn twice, a wide white stroke under
// a narrow black one, so it stays visible on black and on white patterns.
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/DragController.h"

namespace lumora::app {

namespace {

constexpr int kSize = 32;

QPixmap blankPixmap() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void strokeTwice(QPainter& p, const QPainterPath& path, const QPainterPath& filled) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(filled);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setBrush(Qt::black);
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(filled);
}

}  // namespace

QCursor rotationCursor() {
    QPixmap pixmap = blankPixmap();
    QPainter p(&pixmap);
    // Three quarters of a circle and an arrow head at its open end.
    const QRectF ring(6, 6, 20, 20);
    QPainterPath arc;
    arc.arcMoveTo(ring, 90);
    arc.arcTo(ring, 90, 270);
    // The arc runs anticlockwise and ends at the right of the ring, heading up.
    const QPointF tip(ring.right(), ring.center().y());
    QPainterPath head;
    head.moveTo(tip + QPointF(-6, -1));
    head.lineTo(tip + QPointF(6, -1));
    head.lineTo(tip + QPointF(0, -8));
    head.closeSubpath();
    strokeTwice(p, arc, head);
    p.end();
    return QCursor(pixmap, kSize / 2, kSize / 2);
}

QCursor zoomCursor() {
    QPixmap pixmap = blankPixmap();
    QPainter p(&pixmap);
    // A lens with a handle towards the lower right; the hot spot is the lens centre.
    QPainterPath lens;
    lens.addEllipse(QPointF(13, 13), 8, 8);
    lens.moveTo(19, 19);
    lens.lineTo(28, 28);
    lens.moveTo(9, 13);
    lens.lineTo(17, 13);
    lens.moveTo(13, 9);
    lens.lineTo(13, 17);
    strokeTwice(p, lens, QPainterPath());
    p.end();
    return QCursor(pixmap, 13, 13);
}

}  // namespace lumora::app
