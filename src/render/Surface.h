#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cstdint>
#include <memory>
#include <string>

class QPaintDevice;

namespace lumora::render {

// 0xRRGGBB as the engine keeps colours.
QColor toQColor(uint32_t rgb);
uint32_t toRgb(const QColor& colour);

// A picture surface: an image (or any paint device, for vector output) plus
// the drawing state the pattern code works with — fore, fill and back colour,
// fill style, draw style and width, font size, the current text position and
// a clip region — and the operations it draws with. Coordinates are logical
// pixels with y growing downwards; an image surface may carry a device pixel
// ratio for sharp output on HiDPI screens.
class Surface {
public:
    enum class FillStyle { Solid, Transparent };
    enum class DrawStyle { Solid, Dotted };

    // An image surface of `size` logical pixels at the given device pixel ratio.
    explicit Surface(QSize size = QSize(1, 1), qreal devicePixelRatio = 1.0);
    // A surface drawing onto an external device (SVG generator, PDF writer,
    // printer); `size` is its extent in logical pixels. The device must outlive
    // the surface or `finish()` must be called first.
    Surface(QPaintDevice* device, QSize size);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int width() const;
    int height() const;
    QSize size() const;
    // Resizes an image surface; a new size clears the content to the back
    // colour, the same size and ratio keep the picture as it is.
    void resize(QSize size, qreal devicePixelRatio = 1.0);
    bool isImage() const;
    // The picture of an image surface (ends any drawing in progress first).
    const QImage& image();
    // Ends drawing on the device (needed before an external device is finished).
    void finish();

    // ---- state --------------------------------------------------------------
    void setForeColor(uint32_t rgb);
    void setFillColor(uint32_t rgb);
    void setBackColor(uint32_t rgb);
    uint32_t foreColor() const { return fore_; }
    uint32_t fillColor() const { return fill_; }
    uint32_t backColor() const { return back_; }
    void setFillStyle(FillStyle style);
    FillStyle fillStyle() const { return fillStyle_; }
    void setDrawStyle(DrawStyle style);
    void setDrawWidth(int width);
    void setFontSize(double points);
    void setFontName(const QString& family, bool bold = false, bool italic = false);
    // The current text position (where print() writes).
    void setCurrentPosition(double x, double y);
    double currentX() const { return currentX_; }
    double currentY() const { return currentY_; }
    // Anti-aliasing of lines, circles and text (spots use drawDisc for theirs).
    void setAntialiasing(bool on);

    // ---- drawing ------------------------------------------------------------
    // Fills the whole surface with the back colour and removes the clip.
    void clear();
    // Line in the fore colour (or the given colour) with the draw style and width.
    void line(double x1, double y1, double x2, double y2);
    void line(double x1, double y1, double x2, double y2, uint32_t rgb);
    // Rectangle outline in the fore colour; filled with the fill colour when the fill style is solid.
    void rectangle(double x1, double y1, double x2, double y2);
    // Circle outlined in the fore colour (or `outline`), filled with the fill
    // colour when the fill style is solid. Radius 0 draws nothing.
    void circle(double x, double y, double radius);
    void circle(double x, double y, double radius, uint32_t outline);
    // An anti-aliased disc of `radius` outlined in `outline`, filled with the fill
    // colour when the fill style is solid (so net circles stay outlines).
    void disc(double x, double y, double radius, uint32_t outline);
    // Sets one logical pixel (respects the clip).
    void pixel(double x, double y, uint32_t rgb);
    // Prints text in the fore colour with its top left at the current
    // position, then moves the current position to the start of the next line.
    void print(const std::string& text);
    // Draws text in the fore colour with its top left at (x, y).
    void textAt(double x, double y, const std::string& text);
    // Width and height of a text in the current font, logical pixels.
    QSizeF textSize(const std::string& text);

    // ---- clipping and copying -------------------------------------------------
    void clipRect(double x1, double y1, double x2, double y2);
    void clipEllipse(double x1, double y1, double x2, double y2);
    void clearClip();
    // Copies the whole picture of `source` onto this surface (source copy).
    void copyFrom(Surface& source);
    // Draws an image scaled into the rectangle (x, y, w, h).
    void drawImage(double x, double y, double w, double h, const QImage& picture);

    // The painter, opened on first use and kept until image()/finish()/resize().
    QPainter& painter();

private:
    void applyPen(uint32_t rgb);
    void applyBrush();
    bool insideClip(double x, double y) const;
    bool rasterCircle(double x, double y, double radius, uint32_t outline);
    void endPainter();
    void applyClip();
    void applyFont();
    QPaintDevice* target() const;

    std::unique_ptr<QImage> image_;
    QPaintDevice* device_ = nullptr;
    QSize size_;
    std::unique_ptr<QPainter> painter_;

    uint32_t fore_ = 0x000000;
    uint32_t fill_ = 0x000000;
    uint32_t back_ = 0xFFFFFF;
    FillStyle fillStyle_ = FillStyle::Solid;
    DrawStyle drawStyle_ = DrawStyle::Solid;
    int drawWidth_ = 1;
    QFont font_;
    double currentX_ = 0, currentY_ = 0;
    bool antialias_ = false;

    enum class ClipKind { None, Rect, Ellipse };
    ClipKind clipKind_ = ClipKind::None;
    QRectF clipBounds_;

    double fontPoints_ = 8;
    // Metrics of the current font on this device, filled when first needed.
    bool metricsValid_ = false;
    double ascent_ = 0, lineSpacing_ = 0;
    // What the painter holds, so that pen and brush change only when they must.
    bool penValid_ = false;
    uint32_t penRgb_ = 0;
    DrawStyle penStyle_ = DrawStyle::Solid;
    int penWidth_ = 1;
    bool brushValid_ = false;
    bool brushSolid_ = true;
    uint32_t brushRgb_ = 0;
    // Direct access to the pixels of an image surface at device pixel ratio 1.
    uchar* bits_ = nullptr;
    qsizetype bytesPerLine_ = 0;
};

}  // namespace lumora::render
