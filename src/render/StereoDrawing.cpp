// The stereogram (plot type 3) and the small stereogram inset of the other
// plot types, the Wulff monitor.
#include <algorithm>

#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

// Rows on the far side of the beam are not projected; the margin keeps the
// reflections lying in the film plane.
constexpr float lowerHemisphere = -0.003f;

constexpr double insetRadius = 68;
// The inset's spots may reach 2 pixels past its rim; 2 more keep them off the edge.
constexpr double insetMargin = 4;
constexpr float insetSpotSize = 5.0f;

}  // namespace

void PatternRenderer::drawStereogram(Surface& s, double cx, double cy, double radius) {
    const DisplayFlags& flags = options_.flags;
    drawNet(s, cx, cy, radius);

    const engine::ReflectionList& list = laue_.reflections();
    const std::vector<Vec3f>& lab = laue_.orientation().lab;
    const SpotStyle style = options_.spotStyle();
    for (const int32_t n : list.order) {
        const double d = list[n].d;
        if (d < frame_.spacingLimit) continue;
        if (lab[static_cast<std::size_t>(n)][0] <= lowerHemisphere) continue;
        uint32_t projected = 0;
        const auto p = laue_.projectStereo(n, static_cast<float>(radius), projected, style);
        const double x = cx + p[0];
        const double y = cy - p[1];
        const double r = laue_.spotRadius(n, options_.spotSize);
        const uint32_t spotColour = flags.spotColouring ? onBackground(projected) : frame_.spotColour;
        s.setFillColor(spotColour);
        drawSpot(s, x, y, r, spotColour);
        drawing_.push_back({n, x, y});
        if (recorder_) record(n, x, y, cx, cy, laue_.braggWavelengthOf(n), r * frame_.zoom, spotColour);
        if (d >= frame_.labelLimit && flags.hklIndices) drawLabel(s, n, x, y);
    }
}

PatternRenderer::Inset PatternRenderer::wulffInset(double width, double height) {
    Inset inset;
    inset.radius = std::min(insetRadius, std::min(width, height) / 2 - insetMargin);
    // Smaller than this it shows nothing legible: a picture under 48 pixels has none.
    if (!(inset.radius >= 20)) return {};
    inset.cx = width - insetMargin - inset.radius;
    inset.cy = insetMargin + inset.radius;
    return inset;
}

QRectF PatternRenderer::Inset::box() const {
    if (radius <= 0) return {};
    return QRectF(cx - radius - insetMargin, cy - radius - insetMargin, 2 * (radius + insetMargin),
                  2 * (radius + insetMargin));
}

void PatternRenderer::drawWulffMonitor(Surface& s) {
    using util::nearest;
    const Inset inset = wulffInset(s.width(), s.height());
    if (inset.radius <= 0) return;
    s.clipRect(0, 0, s.width(), s.height());
    s.setFillColor(colour::white);
    s.setForeColor(colour::black);

    const double mx = inset.cx;
    const double my = inset.cy;
    const double radius = inset.radius;
    drawNet(s, mx, my, radius);
    s.setFillColor(colour::black);
    s.clipEllipse(mx - radius - 2, my - radius - 2, mx + radius + 2, my + radius + 2);

    // The inset draws its spots at a fixed size, without colours.
    SpotStyle style;
    style.spotSize = insetSpotSize;
    const engine::ReflectionList& list = laue_.reflections();
    const std::vector<Vec3f>& lab = laue_.orientation().lab;
    for (const int32_t n : list.order) {
        if (list[n].d < frame_.spacingLimit) continue;
        if (lab[static_cast<std::size_t>(n)][0] <= lowerHemisphere) continue;
        uint32_t unused = 0;
        const auto p = laue_.projectStereo(n, static_cast<float>(radius), unused, style);
        const double x = mx + p[0];
        const double y = my - p[1];
        const double r = laue_.spotRadius(n, insetSpotSize) / 2;
        const uint32_t grey = laue_.spotGrey(n);
        if (r <= 1)
            s.pixel(nearest(x), nearest(y), grey);
        else
            drawSpot(s, x, y, r / frame_.zoom, grey);
    }
}

}  // namespace lumora::render
