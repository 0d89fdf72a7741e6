// The printed Wulff net: a blank chart of meridians and parallels every 2°
// for work by hand, drawn onto a printer page, a PDF page or an image.
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "render/PatternRenderer.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

constexpr double degree = 0.0174532925199433;

class NetPage {
public:
    NetPage(QPainter& painter, double cx, double cy, double radius, double unit)
        : p_(painter), cx_(cx), cy_(cy), r_(radius), unit_(unit) {}

    // Pen width 1 is 1/150 inch (about 0.17 mm, the usual fine line of a
    // printed chart) but never less than one device pixel.
    void pen(double width, Qt::GlobalColor c = Qt::black) {
        QPen pen(c);
        pen.setWidthF(width * unit_);
        p_.setPen(pen);
    }
    void fillWhite() { p_.setBrush(Qt::white); }
    void fillNone() { p_.setBrush(Qt::NoBrush); }
    void circle(double x, double y, double radius) { p_.drawEllipse(QPointF(x, y), radius, radius); }

    // Great circles through the poles at the ends of the vertical diameter.
    void meridians(double theta) {
        const double x = r_ * std::tan(theta);
        circle(cx_ + x, cy_, r_ / std::cos(theta));
        circle(cx_ - x, cy_, r_ / std::cos(theta));
    }
    // Small circles about those poles.
    void parallels(double theta) {
        const double y = r_ / std::sin(theta);
        circle(cx_, cy_ + y, r_ / std::tan(theta));
        circle(cx_, cy_ - y, r_ / std::tan(theta));
    }

private:
    QPainter& p_;
    double cx_, cy_, r_, unit_;
};

}  // namespace

QFont wulffNetTitleFont() {
    // Times where the machine has it, else the serif face of the same design
    // that most machines carry, else whatever serif fontconfig offers. Asking by
    // family name keeps the choice the same on every machine with the same fonts;
    // a bare "Times" request is resolved by fontconfig aliases that differ
    // between machines.
    static const QStringList preferred{"Times New Roman",  "Times",           "Nimbus Roman",
                                       "Liberation Serif", "TeX Gyre Termes", "DejaVu Serif"};
    QString family = QStringLiteral("Times");
    const auto hasBoldItalic = [](const QString& name) {
        const QStringList styles = QFontDatabase::styles(name);
        return std::any_of(styles.begin(), styles.end(), [&](const QString& style) {
            return QFontDatabase::bold(name, style) && QFontDatabase::italic(name, style);
        });
    };
    const QStringList installed = QFontDatabase::families();
    const auto found = std::find_if(preferred.begin(), preferred.end(), [&](const QString& name) {
        return installed.contains(name) && hasBoldItalic(name);
    });
    if (found != preferred.end()) family = *found;
    QFont title(family);
    title.setStyleHint(QFont::Serif);
    title.setBold(true);
    title.setItalic(true);
    title.setPointSizeF(20);
    return title;
}

void printWulffNet(QPaintDevice& device) {
    using util::nearest;
    QPainter p;
    if (!p.begin(&device)) throw Error(Error::PathAccess, "Path/File access error");
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // The painter works in device-independent pixels of the device.
    const double dpr = device.devicePixelRatio() > 0 ? device.devicePixelRatio() : 1.0;
    const double w = device.width() / dpr;
    const double h = device.height() / dpr;
    const double unit = std::max(1.0, device.logicalDpiX() / 150.0);

    const QFont title = wulffNetTitleFont();
    p.setFont(title);
    p.setPen(Qt::black);
    p.drawText(QPointF(0, QFontMetricsF(title, &device).ascent()), QStringLiteral("Wulff-Net"));

    const double cx = w / 2;
    const double cy = h / 2;
    const double r = 0.95 * std::min(w, h) / 2;
    NetPage net(p, cx, cy, r, unit);

    // The construction circles reach far beyond the net; the clip keeps what lies inside it.
    QPainterPath primitive;
    primitive.addEllipse(
        QRectF(QPointF(nearest(cx - r), nearest(cy - r)), QPointF(nearest(cx + r + 1), nearest(cy + r + 1))));
    p.setClipPath(primitive);

    net.pen(1, Qt::white);
    net.fillWhite();
    net.circle(cx, cy, r);

    // Fine grid: every 2° but the multiples of 10°.
    net.fillNone();
    net.pen(1);
    for (int i = 1; i <= 44; ++i) {
        if (i % 5 == 0) continue;
        net.meridians(2 * i * degree);
        net.parallels(2 * i * degree);
    }
    // White caps blank the meridians crowding at the poles; the parallels go back on top.
    net.fillWhite();
    net.parallels(80 * degree);
    net.fillNone();
    for (int i = 41; i <= 44; ++i) net.parallels(2 * i * degree);

    // Main grid every 10°.
    net.pen(2);
    for (int i = 1; i <= 8; ++i) {
        net.meridians(10 * i * degree);
        net.parallels(10 * i * degree);
    }
    // The poles.
    net.fillWhite();
    net.parallels(88 * degree);
    net.fillNone();

    p.setClipping(false);
    p.drawLine(QPointF(cx, cy + r), QPointF(cx, cy - r));
    p.drawLine(QPointF(cx - r, cy), QPointF(cx + r, cy));
    net.circle(cx, cy, r);
    p.end();
}

}  // namespace lumora::render
