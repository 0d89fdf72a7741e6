// Frame start, the reciprocal-lattice view, the spot primitives and presenting
// the finished frame. The films are in FilmDrawing.cpp, the stereogram and the
// Wulff monitor in StereoDrawing.cpp, the nets in Nets.cpp.
#include "render/PatternRenderer.h"

#include <algorithm>
#include <cmath>

#include "engine/AppState.h"
#include "engine/Projection.h"
#include "render/Colours.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::render {

PatternRenderer::PatternRenderer(clLAUE& laue) : laue_(laue) {}

void PatternRenderer::setGraphicsContext(Surface* visible, Surface* structure, Surface* backBuffer,
                                         QImage* photo) {
    visible_ = visible;
    structure_ = structure;
    backBuffer_ = backBuffer;
    photo_ = photo;
}

void PatternRenderer::setPictureBox(Surface* visible) { visible_ = visible; }

void PatternRenderer::drawHKL() {
    if (laue_.f_photosim) {
        if (visible_) drawHKLPHOTO(*visible_);
        return;
    }
    drawLAUE();
}

void PatternRenderer::toggleBW(bool on) {
    appState().flags.blackBackground = on;
    drawHKL();
}

// The photograph with the simulated spots over it has its own drawing; without
// it the picture stays as it is.

void PatternRenderer::drawLAUE() {
    if (laue_.n_hkl == 0) return;
    Surface* target = backBuffer_ ? backBuffer_ : visible_;
    if (!target) return;
    Surface& s = *target;
    try {
        if (laue_.getZoom() == 0.0f) laue_.setZoom(1.0f);
        laue_.b_busy = true;
        startFrame(s);
        const double cx = s.width() / 2.0;
        const double cy = s.height() / 2.0;
        const double stereoRadius = std::min(s.width(), s.height()) * 0.95 / 2 * frame_.zoom;
        switch (laue_.m_mode) {
            case 0:
                drawReciprocalLattice(s, cx, cy);
                break;
            case 1:
            case 2:
                drawFilm(s, cx, cy);
                break;
            case 3:
                drawStereogram(s, cx, cy, stereoRadius);
                break;
            default:
                break;
        }
        if (laue_.m_mode != 3 && appState().flags.wulffMonitor) drawWulffMonitor(s);
        present(s);
    } catch (...) {
        // A frame that fails is dropped: the visible surface keeps the last
        // picture and the back buffer is left usable for the next one.
        laue_.b_busy = false;
        frameSpots_.clear();
        s.clearClip();
        s.setDrawStyle(Surface::DrawStyle::Solid);
        s.setFillStyle(Surface::FillStyle::Solid);
    }
}

void PatternRenderer::startFrame(Surface& s) {
    const DisplayFlags& flags = appState().flags;
    frame_.zoom = laue_.getZoom();
    frame_.spacingLimit = laue_.getSpacingThreshold() * laue_.spacingMaximum();
    frame_.labelLimit = laue_.getLabelThreshold() * laue_.spacingMaximum();
    frameSpots_.clear();

    right_ = static_cast<int>(util::nearest(s.width()));
    bottom_ = static_cast<int>(util::nearest(s.height()));
    frame_.labelArea = QRectF(0, 0, s.width(), s.height());
    frame_.inset = {};
    if (flags.wulffMonitor && laue_.m_mode != 3) frame_.inset = wulffInset(s.width(), s.height()).box();

    const bool black = flags.blackBackground;
    s.setBackColor(black ? colour::black : colour::white);
    s.clear();
    s.setFillStyle(Surface::FillStyle::Solid);
    s.setDrawStyle(Surface::DrawStyle::Solid);
    s.setDrawWidth(1);
    s.setFontSize(7);
    s.setFillColor(black ? colour::white : colour::black);
    frame_.spotColour = black ? colour::white : colour::black;
    s.setForeColor(onBackground(labelColour()));
}

void PatternRenderer::present(Surface& s) {
    s.clearClip();
    if (!(!structureVisible_ && appState().flags.structureMonitor && drawStructureMonitor(s))) {
        if (visible_ && visible_ != &s) visible_->copyFrom(s);
    }
    if (recorder_) recorder_->swap(frameSpots_);
    frameSpots_.clear();
    laue_.b_busy = false;
}

// ---- the reciprocal lattice ----------------------------------------------------

void PatternRenderer::drawReciprocalLattice(Surface& s, double cx, double cy) {
    const DisplayFlags& flags = appState().flags;
    const float scale = laue_.scale3D() * static_cast<float>(frame_.zoom);
    const double depthLimit = flags.zerothLayer ? laue_.getSpotsize() : 999999.0;

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
    const auto& spacing = laue_.dList();
    for (int32_t row = 0; row < laue_.n_hkl; ++row) {
        const VectorRow& v = lab.at(static_cast<std::size_t>(row));
        const int32_t n = listIndex(v[3]);
        const double d = spacing[static_cast<std::size_t>(n)];
        if (d < frame_.spacingLimit || std::abs(scale * v[0]) >= depthLimit) continue;
        const double x = cx + scale * v[1];
        const double y = cy - scale * v[2];
        const double r = laue_.spotRadius(n);
        const uint32_t fill = strengthColour(n);
        s.setFillColor(fill);
        drawSpot(s, x, y, r, r <= 1 ? fill : colour::black);
        if (recorder_) record(n, x, y, cx, cy, laue_.braggWavelengthOf(n), r * frame_.zoom, fill);
        if (d >= frame_.labelLimit && flags.hklIndices)
            printLabel(s, x + r, y + r, laue_.labels3D().at(static_cast<std::size_t>(n)));
    }
}

// Palette colour of a point of the 3-D view: by structure factor or d-spacing.
// An empty range (all reflections alike) takes the first palette entry.
uint32_t PatternRenderer::strengthColour(int32_t n) const {
    const DisplayFlags& flags = appState().flags;
    const auto i = static_cast<std::size_t>(n);
    double key = 0;
    if (laue_.x_withIntensity) {
        const double fMax = laue_.intensityMaximum();
        if (fMax == 0) return paletteColour(0);
        key = laue_.fList().at(i) / fMax;
    } else {
        const double range = static_cast<double>(laue_.spacingMaximum()) - laue_.spacingMinimum();
        if (range == 0) return paletteColour(0);
        key = (laue_.dList().at(i) - static_cast<double>(laue_.spacingMinimum())) / range;
    }
    const uint32_t c =
        paletteColour(engine::paletteEntry(key, flags.blackBackground && !flags.spotColouring));
    // The grey scale is reversed on black; the colours are lightened where too dark to see.
    return flags.spotColouring ? onBackground(c) : c;
}

// ---- indices into the engine's tables -------------------------------------------

int32_t PatternRenderer::listIndex(float value) const {
    const double n = util::nearest(value);
    if (!(n >= 0 && n < static_cast<double>(laue_.dList().size())) || n >= laue_.n_hkl)
        throw Error(Error::SubscriptOutOfRange, "Subscript out of range");
    return static_cast<int32_t>(n);
}

void PatternRenderer::drawLabel(Surface& s, int32_t n, double x, double y) {
    int divisor = 0;
    std::string text;
    laue_.checkLabel(n, divisor, text);
    printLabel(s, x + 3, y + 3, text);
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
    const auto i = static_cast<std::size_t>(n);
    SpotRecord spot;
    spot.h = laue_.hList().at(i);
    spot.k = laue_.kList().at(i);
    spot.l = laue_.lList().at(i);
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
    const double radius = r * laue_.getZoom();
    if (radius < 1) {
        s.pixel(util::nearest(x), util::nearest(y), outline);
    } else if (radius > 2 && laue_.b_alias && insideVisible(x, y)) {
        s.disc(x, y, radius, outline);
    } else {
        s.circle(x, y, radius, outline);
    }
}

void PatternRenderer::drawCircle(Surface& s, double x, double y, double radius, uint32_t outline) {
    if (radius > 1 && laue_.b_alias && insideVisible(x, y))
        s.disc(x, y, radius, outline);
    else
        s.circle(x, y, radius, outline);
}

}  // namespace lumora::render
