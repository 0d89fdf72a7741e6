#include "app/MainWindowIcons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>
#include <numbers>

namespace lumora::app {

namespace {

// Every picture is drawn on a 32 x 32 grid and scaled to the sizes asked for.
QIcon drawn(const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (const int size : {16, 20, 24, 32, 48, 64}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        paint(p);
        p.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

const QColor kInk(40, 44, 52);
const QColor kPaper(250, 250, 246);
const QColor kTeal(0, 111, 111);

QPen pen(const QColor& c, double w = 1.6) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void sheet(QPainter& p, const QRectF& r) {
    QPainterPath path;
    const double fold = 6;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen(kInk));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF(
        {{r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold}, {r.right(), r.top() + fold}}));
}

void magnifier(QPainter& p, const QPointF& c, double r) {
    p.setPen(pen(kInk, 2.4));
    p.setBrush(QColor(215, 235, 240));
    p.drawEllipse(c, r, r);
    const double d = r / std::sqrt(2.0);
    p.setPen(pen(kInk, 4));
    p.drawLine(QPointF(c.x() + d + 1, c.y() + d + 1), QPointF(c.x() + d + 8, c.y() + d + 8));
}

// A small spot pattern: spots on two rings about the centre.
void pattern(QPainter& p, const QPointF& c, double scale, const QColor& spot, bool hues) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        const double a = i * std::numbers::pi / 6;
        const double r = (i % 2 ? 7.5 : 11.5) * scale;
        p.setBrush(hues ? QColor::fromHsvF(i / 12.0, 0.85, 0.95) : spot);
        const double s = (i % 2 ? 1.7 : 2.3) * scale;
        p.drawEllipse(QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a)), s, s);
    }
    p.setBrush(hues ? QColor(255, 220, 40) : spot);
    p.drawEllipse(c, 1.6 * scale, 1.6 * scale);
}

void paintNew(QPainter& p) {
    sheet(p, QRectF(7, 3, 18, 26));
    p.setPen(pen(QColor(255, 170, 0), 2));
    p.drawLine(QPointF(23, 18), QPointF(23, 28));
    p.drawLine(QPointF(18, 23), QPointF(28, 23));
}

void paintOpen(QPainter& p) {
    p.setPen(pen(kInk));
    p.setBrush(QColor(233, 190, 90));
    p.drawPath([] {
        QPainterPath back;
        back.moveTo(3, 8);
        back.lineTo(12, 8);
        back.lineTo(15, 11);
        back.lineTo(27, 11);
        back.lineTo(27, 26);
        back.lineTo(3, 26);
        back.closeSubpath();
        return back;
    }());
    p.setBrush(QColor(250, 215, 120));
    p.drawPolygon(QPolygonF({{3, 26}, {8, 15}, {30, 15}, {26, 26}}));
}

void paintSave(QPainter& p) {
    p.setPen(pen(kInk));
    p.setBrush(QColor(70, 110, 170));
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 4, 14, 9));
    p.setBrush(QColor(210, 220, 235));
    p.drawRect(QRectF(8, 18, 16, 10));
    p.setPen(pen(kInk, 1.2));
    p.drawLine(QPointF(11, 21.5), QPointF(21, 21.5));
    p.drawLine(QPointF(11, 24.5), QPointF(21, 24.5));
}

void paintPdf(QPainter& p) {
    sheet(p, QRectF(6, 3, 20, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(QRectF(3, 15, 22, 9));
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 15, 22, 9), Qt::AlignCenter, QStringLiteral("PDF"));
}

void paintCopy(QPainter& p) {
    sheet(p, QRectF(4, 3, 16, 20));
    sheet(p, QRectF(12, 9, 16, 20));
    p.setPen(pen(kTeal, 1.2));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(15, 17 + 3.5 * i), QPointF(25, 17 + 3.5 * i));
}

void paintPrint(QPainter& p) {
    p.setPen(pen(kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 3, 14, 10));
    p.setBrush(QColor(150, 155, 165));
    p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 19, 14, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 80));
    p.drawEllipse(QPointF(25, 15.5), 1.3, 1.3);
}

void paintFindHkl(QPainter& p) {
    pattern(p, QPointF(13, 13), 0.8, kTeal, false);
    magnifier(p, QPointF(13, 13), 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(QPointF(13, 13), 2.4, 2.4);
}

void paintBackground(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 3, 26, 26));
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({{29, 3}, {29, 29}, {3, 29}}));
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(10, 10), 2.2, 2.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(22, 22), 2.2, 2.2);
    p.setPen(pen(kInk));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 3, 26, 26));
}

void paintLabels(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(8, 22), 3.5, 3.5);
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(220, 30, 30));
    p.drawText(QRectF(10, 2, 22, 16), Qt::AlignCenter, QStringLiteral("hkl"));
}

void paintSpotColour(QPainter& p) { pattern(p, QPointF(16, 16), 1.05, kInk, true); }

void paintFilmOutline(QPainter& p) {
    QPen dashed = pen(kInk, 1.6);
    dashed.setDashPattern({2.5, 2});
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(6, 3, 20, 26));
    pattern(p, QPointF(16, 16), 0.65, kTeal, false);
}

void paintResetZoom(QPainter& p) {
    magnifier(p, QPointF(13, 13), 9);
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(4, 4, 18, 18), Qt::AlignCenter, QStringLiteral("1:1"));
}

void paintPolarNet(QPainter& p) {
    const QPointF c(16, 16);
    p.setBrush(QColor(222, 222, 222));
    p.setPen(pen(kInk, 1.6));
    p.drawEllipse(c, 13, 13);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(kInk, 0.8));
    for (const double r : {4.0, 8.0}) p.drawEllipse(c, r, r);
    for (int i = 0; i < 12; ++i) {
        const double a = i * std::numbers::pi / 6;
        const double r0 = i % 3 == 0 ? 0 : 4;
        p.drawLine(QPointF(c.x() + r0 * std::cos(a), c.y() + r0 * std::sin(a)),
                   QPointF(c.x() + 13 * std::cos(a), c.y() + 13 * std::sin(a)));
    }
}

}  // namespace

QIcon toolIcon(ToolIcon kind) {
    switch (kind) {
        case ToolIcon::New:
            return drawn(paintNew);
        case ToolIcon::Open:
            return drawn(paintOpen);
        case ToolIcon::Save:
            return drawn(paintSave);
        case ToolIcon::SavePdf:
            return drawn(paintPdf);
        case ToolIcon::Copy:
            return drawn(paintCopy);
        case ToolIcon::Print:
            return drawn(paintPrint);
        case ToolIcon::FindHkl:
            return drawn(paintFindHkl);
        case ToolIcon::Background:
            return drawn(paintBackground);
        case ToolIcon::Labels:
            return drawn(paintLabels);
        case ToolIcon::SpotColour:
            return drawn(paintSpotColour);
        case ToolIcon::FilmOutline:
            return drawn(paintFilmOutline);
        case ToolIcon::ResetZoom:
            return drawn(paintResetZoom);
        case ToolIcon::PolarNet:
            return drawn(paintPolarNet);
    }
    return {};
}

QIcon programIcon() {
    return drawn([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 111, 111));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
        p.setBrush(QColor(16, 24, 32));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        pattern(p, QPointF(16, 16), 0.95, QColor(245, 245, 235), false);
    });
}

}  // namespace lumora::app
