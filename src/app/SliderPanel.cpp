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

    if (validSlider(active_)) {
        QFont font = p.font();
        font.setPixelSize(std::clamp(static_cast<int>(rowHeight() * 0.7), 7, 12));
        p.setFont(font);
        const QString caption = QString::fromLatin1(kCaptions[static_cast<std::size_t>(active_)]);
        const QFontMetrics metrics(font);
        QRect box = metrics.boundingRect(caption);
        box.moveCenter(QPoint(width() / 2, trackY(active_)));
        // Lifted off the track so the line does not strike through it.
        p.fillRect(box.adjusted(-2, 0, 2, 0), palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(box, Qt::AlignCenter, caption);
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
