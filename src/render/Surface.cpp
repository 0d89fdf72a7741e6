// The picture surface: a QImage or an external paint device with the drawing
// state the pattern code works with. One QPainter stays open across a frame;
// pen and brush are set only when they change, and single pixels on a plain
// image are written straight into the scanline.
#include "render/Surface.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "util/NumberText.h"

namespace lumora::render {

namespace {

QRgb opaque(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFFFFFFu); }

QSize atLeastOnePixel(QSize size) { return {std::max(1, size.width()), std::max(1, size.height())}; }

std::unique_ptr<QImage> makeImage(QSize size, qreal devicePixelRatio, uint32_t back) {
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    auto image =
        std::make_unique<QImage>(static_cast<int>(std::ceil(size.width() * dpr)),
                                 static_cast<int>(std::ceil(size.height() * dpr)), QImage::Format_RGB32);
    image->setDevicePixelRatio(dpr);
    image->fill(opaque(back));
    return image;
}

bool finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

}  // namespace

QColor toQColor(uint32_t rgb) { return QColor::fromRgb(opaque(rgb)); }

uint32_t toRgb(const QColor& colour) { return colour.rgb() & 0xFFFFFFu; }

Surface::Surface(QSize size, qreal devicePixelRatio) : size_(atLeastOnePixel(size)) {
    image_ = makeImage(size_, devicePixelRatio, back_);
}

Surface::Surface(QPaintDevice* device, QSize size) : device_(device), size_(atLeastOnePixel(size)) {}

Surface::~Surface() { endPainter(); }

int Surface::width() const { return size_.width(); }
int Surface::height() const { return size_.height(); }
QSize Surface::size() const { return size_; }
bool Surface::isImage() const { return image_ != nullptr; }

void Surface::resize(QSize size, qreal devicePixelRatio) {
    // Frames resize their buffers every time; the same size keeps the buffer.
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (image_ && atLeastOnePixel(size) == size_ && image_->devicePixelRatio() == dpr) return;
    endPainter();
    size_ = atLeastOnePixel(size);
    if (image_) image_ = makeImage(size_, devicePixelRatio, back_);
    bits_ = nullptr;
    clipKind_ = ClipKind::None;
}

const QImage& Surface::image() {
    static const QImage none;
    endPainter();
    // The caller may keep a (shared) copy; the next pixel write must detach first.
    bits_ = nullptr;
    return image_ ? *image_ : none;
}

void Surface::finish() { endPainter(); }

QPaintDevice* Surface::target() const { return image_ ? static_cast<QPaintDevice*>(image_.get()) : device_; }

QPainter& Surface::painter() {
    if (!painter_) {
        auto p = std::make_unique<QPainter>();
        // A device that cannot be painted on leaves the painter inactive and
        // every primitive then does nothing.
        if (p->begin(target()) && device_) {
            // The logical size fills the device; one scale keeps circles round.
            const double s = std::min(device_->width() / static_cast<double>(size_.width()),
                                      device_->height() / static_cast<double>(size_.height()));
            if (s > 0 && s != 1.0) p->scale(s, s);
        }
        p->setRenderHint(QPainter::Antialiasing, antialias_);
        p->setRenderHint(QPainter::TextAntialiasing, true);
        painter_ = std::move(p);
        penValid_ = brushValid_ = false;
        applyFont();
        applyClip();
    }
    return *painter_;
}

void Surface::endPainter() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
    penValid_ = brushValid_ = false;
}

// ---- state ------------------------------------------------------------------

void Surface::setForeColor(uint32_t rgb) { fore_ = rgb & 0xFFFFFFu; }
void Surface::setFillColor(uint32_t rgb) { fill_ = rgb & 0xFFFFFFu; }
void Surface::setBackColor(uint32_t rgb) { back_ = rgb & 0xFFFFFFu; }
void Surface::setFillStyle(FillStyle style) { fillStyle_ = style; }
void Surface::setDrawStyle(DrawStyle style) { drawStyle_ = style; }
void Surface::setDrawWidth(int width) { drawWidth_ = std::max(1, width); }

void Surface::setFontSize(double points) {
    if (!(points > 0) || points == fontPoints_) return;
    fontPoints_ = points;
    applyFont();
}

void Surface::setFontName(const QString& family, bool bold, bool italic) {
    font_.setFamily(family);
    // Classic names such as "Times-Roman" are not installed everywhere; the hint finds a face of the same
    // kind.
    const bool serif = family.contains(QLatin1String("Times"), Qt::CaseInsensitive) ||
                       family.compare(QLatin1String("serif"), Qt::CaseInsensitive) == 0;
    font_.setStyleHint(serif ? QFont::Serif : QFont::AnyStyle);
    font_.setBold(bold);
    font_.setItalic(italic);
    applyFont();
}

void Surface::setCurrentPosition(double x, double y) {
    currentX_ = x;
    currentY_ = y;
}

void Surface::setAntialiasing(bool on) {
    antialias_ = on;
    if (painter_) painter_->setRenderHint(QPainter::Antialiasing, on);
}

// Font sizes are points at 96 dots per inch of logical pixels on every device,
// so text keeps its size relative to the drawing on images, SVG and PDF alike.
void Surface::applyFont() {
    metricsValid_ = false;
    if (!painter_) return;
    const int dpi = target() ? target()->logicalDpiY() : 96;
    QFont font = font_;
    font.setPointSizeF(fontPoints_ * 96.0 / (dpi > 0 ? dpi : 96));
    painter_->setFont(font);
}

void Surface::applyPen(uint32_t rgb) {
    QPainter& p = painter();
    if (penValid_ && penRgb_ == rgb && penStyle_ == drawStyle_ && penWidth_ == drawWidth_) return;
    QPen pen(toQColor(rgb));
    pen.setWidth(drawWidth_);
    if (drawStyle_ == DrawStyle::Dotted) {
        pen.setStyle(Qt::CustomDashLine);
        pen.setDashPattern({1, 2});
        pen.setCapStyle(Qt::FlatCap);
    }
    p.setPen(pen);
    penValid_ = true;
    penRgb_ = rgb;
    penStyle_ = drawStyle_;
    penWidth_ = drawWidth_;
}

void Surface::applyBrush() {
    QPainter& p = painter();
    const bool solid = fillStyle_ == FillStyle::Solid;
    if (brushValid_ && brushSolid_ == solid && (!solid || brushRgb_ == fill_)) return;
    if (solid)
        p.setBrush(toQColor(fill_));
    else
        p.setBrush(Qt::NoBrush);
    brushValid_ = true;
    brushSolid_ = solid;
    brushRgb_ = fill_;
}

// ---- drawing ----------------------------------------------------------------

void Surface::clear() {
    clipKind_ = ClipKind::None;
    QPainter& p = painter();
    p.setClipping(false);
    const auto mode = p.compositionMode();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRectF(0, 0, size_.width(), size_.height()), toQColor(back_));
    p.setCompositionMode(mode);
}

void Surface::line(double x1, double y1, double x2, double y2) { line(x1, y1, x2, y2, fore_); }

void Surface::line(double x1, double y1, double x2, double y2, uint32_t rgb) {
    if (!finite(x1, y1) || !finite(x2, y2)) return;
    applyPen(rgb & 0xFFFFFFu);
    painter_->drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void Surface::rectangle(double x1, double y1, double x2, double y2) {
    if (!finite(x1, y1) || !finite(x2, y2)) return;
    applyPen(fore_);
    applyBrush();
    painter_->drawRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized());
}

void Surface::circle(double x, double y, double radius) { circle(x, y, radius, fore_); }

void Surface::circle(double x, double y, double radius, uint32_t outline) {
    if (!(radius > 0) || !finite(x, y) || !std::isfinite(radius)) return;
    // Circles wholly outside the surface cost nothing.
    const double reach = radius + drawWidth_;
    if (x + reach < 0 || y + reach < 0 || x - reach > size_.width() || y - reach > size_.height()) return;
    if (rasterCircle(x, y, radius, outline)) return;
    applyPen(outline & 0xFFFFFFu);
    applyBrush();
    painter_->drawEllipse(QPointF(x, y), radius, radius);
}

// Aliased circles with a one-pixel outline on a plain image are rasterised
// here: QPainter flattens every ellipse into a path, which is many times
// slower for the small spots a pattern is made of. Pixel (i, j) stands for the
// point (i, j), as for pixel(); it belongs to the outline when it lies within
// half a pixel of the circle, to the fill when it lies further inside.
bool Surface::rasterCircle(double x, double y, double radius, uint32_t outline) {
    if (!image_ || image_->devicePixelRatio() != 1.0 || antialias_ || drawWidth_ != 1 ||
        drawStyle_ != DrawStyle::Solid)
        return false;
    if (!bits_) {
        bits_ = image_->bits();
        bytesPerLine_ = image_->bytesPerLine();
    }
    const QRgb edge = opaque(outline);
    const QRgb inside = opaque(fill_);
    const bool filled = fillStyle_ == FillStyle::Solid;
    const double outer = radius + 0.5;
    const double inner = radius - 0.5;
    const int top = std::max(0, static_cast<int>(std::ceil(y - outer)));
    const int bottom = std::min(size_.height() - 1, static_cast<int>(std::floor(y + outer)));
    for (int py = top; py <= bottom; ++py) {
        const double dy = py - y;
        const double outerSq = outer * outer - dy * dy;
        if (outerSq < 0) continue;
        const double reach = std::sqrt(outerSq);
        const double innerSq = inner > 0 ? inner * inner - dy * dy : -1;
        const int left = std::max(0, static_cast<int>(std::ceil(x - reach)));
        const int right = std::min(size_.width() - 1, static_cast<int>(std::floor(x + reach)));
        auto* line = reinterpret_cast<QRgb*>(bits_ + py * bytesPerLine_);
        // The interior span of this row, empty when the row only touches the outline.
        int innerLeft = right + 1, innerRight = right;
        if (innerSq > 0) {
            const double innerReach = std::sqrt(innerSq);
            innerLeft = std::max(left, static_cast<int>(std::floor(x - innerReach)) + 1);
            innerRight = std::min(right, static_cast<int>(std::ceil(x + innerReach)) - 1);
        }
        const bool clipped = clipKind_ != ClipKind::None;
        for (int px = left; px <= right; ++px) {
            const bool interior = px >= innerLeft && px <= innerRight;
            if (interior) {
                if (filled) {
                    if (clipped) {
                        for (int i = px; i <= innerRight; ++i)
                            if (insideClip(i + 0.5, py + 0.5)) line[i] = inside;
                    } else {
                        std::fill(line + px, line + innerRight + 1, inside);
                    }
                }
                px = innerRight;
                continue;
            }
            if (!clipped || insideClip(px + 0.5, py + 0.5)) line[px] = edge;
        }
    }
    return true;
}

void Surface::disc(double x, double y, double radius, uint32_t outline) {
    if (!(radius > 0) || !finite(x, y) || !std::isfinite(radius)) return;
    const double reach = radius + drawWidth_;
    if (x + reach < 0 || y + reach < 0 || x - reach > size_.width() || y - reach > size_.height()) return;
    applyPen(outline & 0xFFFFFFu);
    applyBrush();
    if (!antialias_) painter_->setRenderHint(QPainter::Antialiasing, true);
    painter_->drawEllipse(QPointF(x, y), radius, radius);
    if (!antialias_) painter_->setRenderHint(QPainter::Antialiasing, false);
}

void Surface::pixel(double x, double y, uint32_t rgb) {
    const double fx = util::nearest(x);
    const double fy = util::nearest(y);
    // The comparisons also turn away NaN.
    if (!(fx >= 0 && fy >= 0 && fx < size_.width() && fy < size_.height())) return;
    if (clipKind_ != ClipKind::None && !insideClip(fx + 0.5, fy + 0.5)) return;
    const int px = static_cast<int>(fx);
    const int py = static_cast<int>(fy);
    if (image_ && image_->devicePixelRatio() == 1.0) {
        if (!bits_) {
            bits_ = image_->bits();
            bytesPerLine_ = image_->bytesPerLine();
        }
        reinterpret_cast<QRgb*>(bits_ + py * bytesPerLine_)[px] = opaque(rgb);
        return;
    }
    painter().fillRect(QRectF(px, py, 1, 1), toQColor(rgb));
}

void Surface::print(const std::string& text) {
    textAt(currentX_, currentY_, text);
    if (!metricsValid_) textSize(std::string());
    currentX_ = 0;
    currentY_ += lineSpacing_;
}

void Surface::textAt(double x, double y, const std::string& text) {
    if (!finite(x, y)) return;
    applyPen(fore_);
    if (!metricsValid_) textSize(std::string());
    painter_->drawText(QPointF(x, y + ascent_), QString::fromStdString(text));
}

QSizeF Surface::textSize(const std::string& text) {
    QPainter& p = painter();
    const QFontMetricsF metrics(p.font(), target());
    ascent_ = metrics.ascent();
    lineSpacing_ = metrics.lineSpacing();
    metricsValid_ = true;
    return {metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
}

// ---- clipping and copying -----------------------------------------------------

void Surface::clipRect(double x1, double y1, double x2, double y2) {
    clipKind_ = ClipKind::Rect;
    clipBounds_ = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    applyClip();
}

void Surface::clipEllipse(double x1, double y1, double x2, double y2) {
    clipKind_ = ClipKind::Ellipse;
    clipBounds_ = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    applyClip();
}

void Surface::clearClip() {
    clipKind_ = ClipKind::None;
    applyClip();
}

void Surface::applyClip() {
    if (!painter_) return;
    switch (clipKind_) {
        case ClipKind::None:
            painter_->setClipping(false);
            break;
        case ClipKind::Rect:
            painter_->setClipRect(clipBounds_);
            break;
        case ClipKind::Ellipse: {
            QPainterPath path;
            path.addEllipse(clipBounds_);
            painter_->setClipPath(path);
            break;
        }
    }
}

// Pixel centres decide, as the painter's aliased clip does.
bool Surface::insideClip(double x, double y) const {
    switch (clipKind_) {
        case ClipKind::None:
            return true;
        case ClipKind::Rect:
            return x >= clipBounds_.left() && x < clipBounds_.right() && y >= clipBounds_.top() &&
                   y < clipBounds_.bottom();
        case ClipKind::Ellipse: {
            const double rx = clipBounds_.width() / 2;
            const double ry = clipBounds_.height() / 2;
            if (!(rx > 0 && ry > 0)) return false;
            const double u = (x - clipBounds_.center().x()) / rx;
            const double v = (y - clipBounds_.center().y()) / ry;
            return u * u + v * v <= 1.0;
        }
    }
    return true;
}

void Surface::copyFrom(Surface& source) {
    if (&source == this || !source.isImage()) return;
    const QImage& picture = source.image();
    QPainter& p = painter();
    const auto mode = p.compositionMode();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRectF(0, 0, source.width(), source.height()), picture);
    p.setCompositionMode(mode);
}

void Surface::drawImage(double x, double y, double w, double h, const QImage& picture) {
    if (picture.isNull() || !finite(x, y) || !finite(w, h)) return;
    QPainter& p = painter();
    const bool smooth = p.testRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRectF(x, y, w, h), picture);
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

}  // namespace lumora::render
