// Frame start, the reciprocal-lattice view, the spot primitives and presenting
// the finished frame. The Laue patterns (films and cameras) are in
// LaueDrawing.cpp, the stereogram and the Wulff monitor in StereoDrawing.cpp,
// the nets in Nets.cpp.
#include "render/PatternRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/HexIndices.h"
#include "engine/Labels.h"
#include "engine/Projection.h"
#include "render/Colours.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::render {

PatternRenderer::PatternRenderer(const clLAUE& laue) : laue_(laue) {}

void PatternRenderer::setGraphicsContext(Surface* visible, Surface* structure, Surface* backBuffer,
                                         const QImage* photo) {
    visible_ = visible;
    structure_ = structure;
    backBuffer_ = backBuffer;
    photo_ = photo;
}

void PatternRenderer::setPictureBox(Surface* visible) { visible_ = visible; }

void PatternRenderer::drawHKL(const RenderOptions& options) {
    if (photoSimulation_) {
        if (visible_) drawHKLPHOTO(*visible_, options);
        return;
    }
    drawLAUE(options);
}

void PatternRenderer::drawLAUE(const RenderOptions& options) {
    if (laue_.n_hkl == 0) return;
    Surface* target = backBuffer_ ? backBuffer_ : visible_;
    if (!target) return;
    Surface& s = *target;
    options_ = options;
    try {
        busy_ = true;
        startFrame(s);
        const double cx = s.width() / 2.0;
        const double cy = s.height() / 2.0;
        const double stereoRadius = std::min(s.width(), s.height()) * 0.95 / 2 * frame_.zoom;
        const int mode = laue_.m_mode;
        if (mode == kReciprocalPlot) {
            drawReciprocalLattice(s, cx, cy);
        } else if (mode == kTransmissionPlot || mode == kBackReflectionPlot) {
            const engine::Detector film = laue_.laueDetector(options_.flipX);
            if (!(film.distance > 0)) throw Error(Error::DivisionByZero, "Division by zero");
            drawLauePattern(s, filmMap(film, cx, cy, options_.filmScale * static_cast<float>(frame_.zoom)),
                            false);
        } else if (mode == kDetectorPlot) {
            drawLauePattern(s, cameraMap(laue_.detector(), s.width(), s.height(), frame_.zoom), false);
        } else if (mode == kStereogramPlot) {
            drawStereogram(s, cx, cy, stereoRadius);
        }
        if (mode != kStereogramPlot && options_.flags.wulffMonitor) drawWulffMonitor(s);
        drawnMode_ = mode;
        present(s);
    } catch (...) {
        // A frame that fails is dropped: the visible surface keeps the last
        // picture and the back buffer is left usable for the next one.
        busy_ = false;
        frameSpots_.clear();
        drawing_.clear();
        s.clearClip();
        s.setDrawStyle(Surface::DrawStyle::Solid);
        s.setFillStyle(Surface::FillStyle::Solid);
    }
}

void PatternRenderer::startFrame(Surface& s) {
    const DisplayFlags& flags = options_.flags;
    frame_.zoom = options_.effectiveZoom();
    frame_.spacingLimit = options_.spacingThreshold * laue_.spacingMaximum();
    frame_.labelLimit = options_.labelThreshold * laue_.spacingMaximum();
    frameSpots_.clear();
    drawing_.clear();

    right_ = static_cast<int>(util::nearest(s.width()));
    bottom_ = static_cast<int>(util::nearest(s.height()));
    frame_.labelArea = QRectF(0, 0, s.width(), s.height());
    frame_.inset = {};
    if (flags.wulffMonitor && laue_.m_mode != kStereogramPlot)
        frame_.inset = wulffInset(s.width(), s.height()).box();

    const bool black = flags.blackBackground;
    s.setBackColor(black ? colour::black : colour::white);
    s.clear();
    s.setFillStyle(Surface::FillStyle::Solid);
    s.setDrawStyle(Surface::DrawStyle::Solid);
    s.setDrawWidth(1);
    s.setFontSize(7);
    s.setFillColor(black ? colour::white : colour::black);
    frame_.spotColour = black ? colour::white : colour::black;
    s.setForeColor(onBackground(options_.labelColour));
}

void PatternRenderer::present(Surface& s) {
    s.clearClip();
    if (!(!structureVisible_ && options_.flags.structureMonitor && drawStructureMonitor(s))) {
        if (visible_ && visible_ != &s) visible_->copyFrom(s);
    }
    if (recorder_) recorder_->swap(frameSpots_);
    frameSpots_.clear();
    drawn_.swap(drawing_);
    drawing_.clear();
    busy_ = false;
}

// ---- the reciprocal lattice ----------------------------------------------------

void PatternRenderer::drawReciprocalLattice(Surface& s, double cx, double cy) {
    const DisplayFlags& flags = options_.flags;
    const float scale = options_.scale3D * static_cast<float>(frame_.zoom);
    const double depthLimit = flags.zerothLayer ? options_.spotSize : 999999.0;

    // The crystal axes from the origin; dotted when they point away from the viewer.
    static constexpr uint32_t axisColours[3] = {colour::red, colour::green, colour::blue};
    const auto& axes = laue_.labAxes();
    for (std::size_t i = 0; i < 3; ++i) {
        s.setDrawStyle(axes[i][0] <= 0 ? Surface::DrawStyle::Dotted : Surface::DrawStyle::Solid);
        s.line(cx, cy, cx + scale * axes[i][1], cy - scale * axes[i][2], axisColours[i]);
    }
    s.setDrawStyle(Surface::DrawStyle::Solid);

    // Back to front: the rows are sorted along the beam.
    const auto& lab = laue_.labVectorTable();
    const engine::ReflectionList& list = laue_.reflections();
    for (const VectorRow& v : lab) {
        const auto n = static_cast<int32_t>(v[3]);
        const double d = list[n].d;
        if (d < frame_.spacingLimit || std::abs(scale * v[0]) >= depthLimit) continue;
        const double x = cx + scale * v[1];
        const double y = cy - scale * v[2];
        const double r = laue_.spotRadius(n, options_.spotSize);
        const uint32_t fill = strengthColour(n);
        s.setFillColor(fill);
        drawSpot(s, x, y, r, r <= 1 ? fill : colour::black);
        drawing_.push_back({n, x, y});
        if (recorder_) record(n, x, y, cx, cy, laue_.braggWavelengthOf(n), r * frame_.zoom, fill);
        if (d >= frame_.labelLimit && flags.hklIndices) printLabel(s, x + r, y + r, laue_.label3D(n));
    }
}

// Palette colour of a point of the 3-D view: by structure factor or d-spacing.
// An empty range (all reflections alike) takes the first palette entry.
uint32_t PatternRenderer::strengthColour(int32_t n) const {
    const DisplayFlags& flags = options_.flags;
    const engine::Reflection& reflection = laue_.reflections()[n];
    double key = 0;
    if (laue_.x_withIntensity) {
        const double fMax = laue_.intensityMaximum();
        if (fMax == 0) return paletteColour(0);
        key = reflection.f / fMax;
    } else {
        const double range = static_cast<double>(laue_.spacingMaximum()) - laue_.spacingMinimum();
        if (range == 0) return paletteColour(0);
        key = (reflection.d - static_cast<double>(laue_.spacingMinimum())) / range;
    }
    const uint32_t c =
        paletteColour(engine::paletteEntry(key, flags.blackBackground && !flags.spotColouring));
    // The grey scale is reversed on black; the colours are lightened where too dark to see.
    return flags.spotColouring ? onBackground(c) : c;
}

// ---- colours ------------------------------------------------------------------------

// A colour of the drawing as it is shown on the frame's background.
uint32_t PatternRenderer::onBackground(uint32_t c) const {
    return options_.flags.blackBackground ? readableOnBlack(c) : c;
}

// Entry 0..255 of the spot palette.
uint32_t PatternRenderer::paletteColour(int entry) const {
    return options_.palette[static_cast<std::size_t>(std::clamp(entry, 0, 255))] & 0xFFFFFFu;
}

// ---- labels and records -------------------------------------------------------------------

bool PatternRenderer::fourIndex() const {
    if (!options_.flags.fourIndex) return false;
    std::array<double, 6> cell{};
    for (int i = 0; i < 6; ++i) cell[static_cast<std::size_t>(i)] = laue_.getCellConstant(i);
    return engine::isHexagonalCell(cell);
}

engine::Label PatternRenderer::spotLabel(int32_t n) const {
    return engine::labelText(laue_.getH(n), laue_.getK(n), laue_.getL(n), laue_.m_mode, fourIndex());
}

void PatternRenderer::drawLabel(Surface& s, int32_t n, double x, double y) {
    printLabel(s, x + 3, y + 3, spotLabel(n).text);
}

void PatternRenderer::printLabel(Surface& s, double x, double y, const std::string& text) {
    // A pixel to spare for the glyphs' overhang.
    const QRectF box = QRectF(QPointF(x, y), s.textSize(text)).adjusted(-1, -1, 1, 1);
    if (!frame_.labelArea.contains(box)) return;
    if (!frame_.inset.isEmpty() && frame_.inset.intersects(box)) return;
    s.setCurrentPosition(x, y);
    s.print(text);
}

void PatternRenderer::record(int32_t n, double x, double y, double cx, double cy, float wavelength,
                             double radius, uint32_t colour) {
    const engine::Reflection& r = laue_.reflections()[n];
    SpotRecord spot;
    spot.h = r.h;
    spot.k = r.k;
    spot.l = r.l;
    spot.x = static_cast<float>(x - cx);
    spot.y = static_cast<float>(cy - y);
    spot.wavelength = wavelength;
    spot.radius = static_cast<float>(radius);
    spot.colour = colour & 0xFFFFFFu;
    frameSpots_.push_back(spot);
}

// ---- spot primitives ---------------------------------------------------------------

bool PatternRenderer::insideVisible(double x, double y) const {
    return x >= 0 && x <= right_ && y >= 0 && y <= bottom_;
}

void PatternRenderer::drawSpot(Surface& s, double x, double y, double r, uint32_t outline) {
    const double radius = r * options_.effectiveZoom();
    if (radius < 1) {
        s.pixel(util::nearest(x), util::nearest(y), outline);
    } else if (radius > 2 && options_.antialias && insideVisible(x, y)) {
        s.disc(x, y, radius, outline);
    } else {
        s.circle(x, y, radius, outline);
    }
}

void PatternRenderer::drawCircle(Surface& s, double x, double y, double radius, uint32_t outline) {
    if (radius > 1 && options_.antialias && insideVisible(x, y))
        s.disc(x, y, radius, outline);
    else
        s.circle(x, y, radius, outline);
}

}  // namespace lumora::render
