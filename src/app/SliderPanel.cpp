#include "app/SliderPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "util/NumberText.h"

namespace lumora::app {

const std::array<const char*, 4> SliderPanel::kCaptions = {"zoom-factor ", "d-threshold", "label-threshold",
                                                           "spot-size"};
const std::array<SliderPanel::Range, 4> SliderPanel::kDefaults = {Range{10, 500, 100}, Range{0, 100, 0},
                                                                  Range{0, 100, 50}, Range{1, 200, 50}};

namespace {

bool validSlider(int slider) { return slider >= 0 && slider < 4; }

}  // namespace

SliderPanel::SliderPanel(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int SliderPanel::value(int slider) const {
    return validSlider(slider) ? ranges_[static_cast<std::size_t>(slider)].value : 0;
}

void SliderPanel::setValue(int slider, int value) {
    if (!validSlider(slider)) return;
    Range& r = ranges_[static_cast<std::size_t>(slider)];
    r.value = std::clamp(value, r.minimum, r.maximum);
    update();
}

void SliderPanel::reset() {
    for (std::size_t i = 0; i < ranges_.size(); ++i) ranges_[i].value = kDefaults[i].value;
    update();
}

void SliderPanel::setActiveSlider(int slider) {
    active_ = validSlider(slider) ? slider : -1;
    update();
}

double SliderPanel::rowHeight() const { return height() / 4.0; }

int SliderPanel::trackY(int slider) const {
    const double h = rowHeight();
    return static_cast<int>(util::nearest((slider + 1) * h - h / 2));
}

QString SliderPanel::caption(int slider) const {
    if (!validSlider(slider)) return {};
    const QString name = QString::fromLatin1(kCaptions[static_cast<std::size_t>(slider)]).trimmed();
    const int v = value(slider);
    // Zoom and the thresholds are in per cent; the spot size is the largest
    // spot's radius, a tenth of a pixel a step.
    const QString shown = slider == SpotSize ? QStringLiteral("%1.%2 px").arg(v / 10).arg(v % 10)
                                             : QStringLiteral("%1 %").arg(v);
    return name + QLatin1Char(' ') + shown;
}

QRect SliderPanel::captionRect(int slider) const {
    if (!validSlider(slider)) return {};
    const int top = static_cast<int>(util::nearest(slider * rowHeight()));
    // The knob reaches 4 pixels above the track.
    const int bottom = trackY(slider) - 6;
    return QRect(QPoint(2, top), QPoint(std::max(2, width() - 3), std::max(top, bottom)));
}

int SliderPanel::knobX(int slider) const {
    if (!validSlider(slider)) return 0;
    if (dragging_ && slider == active_) return dragX_;
    const Range& r = ranges_[static_cast<std::size_t>(slider)];
    const double w = width() - 1;
    return static_cast<int>(util::nearest(double(r.value - r.minimum) / (r.maximum - r.minimum) * w));
}

// Row under the pointer, -1 outside the four rows (or on a panel too small to have rows).
int SliderPanel::rowAt(double y) const {
    const auto h = static_cast<int>(util::nearest(rowHeight()));
    if (h <= 0 || !std::isfinite(y)) return -1;
    const int row = static_cast<int>(util::nearest(y)) / h;
    return validSlider(row) ? row : -1;
}

void SliderPanel::dragTo(double x) {
    if (!validSlider(active_)) return;
    const double w = width() - 1;
    if (!(w > 0) || !std::isfinite(x)) return;
    x = std::clamp(x, 0.0, static_cast<double>(width()));
    Range& r = ranges_[static_cast<std::size_t>(active_)];
    // The last pixel column lies past the usable width: the value stays in range there too.
    const double v = util::nearest(r.minimum + x / w * (r.maximum - r.minimum));
    const int value = static_cast<int>(std::clamp(v, double(r.minimum), double(r.maximum)));
    dragX_ = static_cast<int>(util::nearest(x));
    update();
    if (value == r.value) return;
    r.value = value;
    emit valueChanged(active_, value);
}

void SliderPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const int w = width() - 1;
    p.setPen(QColor(kTrackGrey, kTrackGrey, kTrackGrey));
    for (int k = 0; k < 4; ++k) p.drawLine(0, trackY(k), w, trackY(k));

    QFont font = p.font();
    font.setPixelSize(kCaptionPixels);
    p.setPen(palette().color(QPalette::WindowText));
    for (int k = 0; k < 4; ++k) {
        font.setBold(k == active_);
        p.setFont(font);
        const QRect box = captionRect(k);
        p.drawText(box, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, caption(k));
    }

    for (int k = 0; k < 4; ++k) {
        const int x = knobX(k);
        const int y = trackY(k);
        p.fillRect(QRect(QPoint(x - 1, y - 3), QPoint(x + 1, y + 3)), Qt::black);
        p.setPen(Qt::black);
        p.drawLine(x, y - 4, x, y + 5);
    }
}

void SliderPanel::mousePressEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    active_ = rowAt(pos.y());
    dragging_ = true;
    emit dragStarted();
    dragTo(pos.x());
    update();
    event->accept();
}

void SliderPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (event->buttons() != Qt::NoButton && dragging_) {
        dragTo(pos.x());
    } else if (!dragging_) {
        const int row = rowAt(pos.y());
        if (row != active_) setActiveSlider(row);
    }
    event->accept();
}

void SliderPanel::mouseReleaseEvent(QMouseEvent* event) {
    // Another button may still be down; the drag ends with the last one.
    if (event->buttons() != Qt::NoButton) return;
    const bool wasDragging = dragging_;
    dragging_ = false;
    active_ = -1;
    update();
    if (wasDragging) emit dragFinished();
    event->accept();
}

void SliderPanel::leaveEvent(QEvent* event) {
    if (!dragging_ && active_ != -1) setActiveSlider(-1);
    QWidget::leaveEvent(event);
}

}  // namespace lumora::app
