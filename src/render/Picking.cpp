// Finding the spot under the pointer. Every plot type places its spots exactly
// as its drawing does (same centre, scale, projection and visibility rules),
// so a click lands on what the user sees.
#include <cmath>

#include "engine/AppState.h"
#include "engine/Cell.h"
#include "engine/OrientationMath.h"
#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

constexpr double kPickRadius = 10;  // pixels
constexpr float lowerHemisphere = -0.003f;
constexpr uint32_t darkGreen = 0x009600;  // (0, 150, 0)

// The pole's angle from the beam and its azimuth on the stereogram,
// anticlockwise from the right (laboratory +y), in degrees, 0 <= beta < 360.
void poleAngles(const Vec3f& lab, double& rho, double& beta) {
    Vec3d v{lab[0], lab[1], lab[2]};
    engine::normalise(v);
    rho = engine::arcCos(std::fabs(v[0])) / engine::kDegToRad;
    // On the beam the azimuth means nothing: rounding must not make one up.
    if (rho < 0.0005) {
        beta = 0;
        return;
    }
    beta = std::atan2(v[2], v[1]) / engine::kDegToRad;
    if (beta < 0) beta += 360;
    // Just below 360 would be shown as 360.0.
    if (util::nearest(beta * 1000) >= 360000) beta = 0;
}

}  // namespace

std::string PatternRenderer::findMouseHKL(int /*mode*/, double x, double y) {
    static const std::string none = "no spot";
    if (laue_.n_hkl == 0) return none;
    Surface* drawn = backBuffer_ ? backBuffer_ : visible_;
    if (!drawn) return none;
    try {
        const double zoom = laue_.getZoom() == 0.0f ? 1.0 : laue_.getZoom();
        const double spacingLimit = laue_.getSpacingThreshold() * laue_.spacingMaximum();
        const auto& spacing = laue_.dList();
        const DisplayFlags& flags = appState().flags;
        const int mode = laue_.m_mode;
        // The photo page draws the films about the beam centre of the photo.
        const bool onPhoto = laue_.f_photosim != 0;
        const Surface& page = onPhoto && visible_ ? *visible_ : *drawn;
        double cx = page.width() / 2.0;
        double cy = page.height() / 2.0;
        // The films are placed at the drawing's scale, in the drawing's precision.
        float filmScale = laue_.filmScale() * static_cast<float>(zoom);
        const float distance = laue_.x_fsd;
        // Spots outside the clip of the drawing are not seen and cannot be picked.
        QRectF shown(-1e9, -1e9, 2e9, 2e9);
        if (onPhoto) {
            const PhotoPlacement placement = photoPlacement(page.size());
            cx = placement.beamX;
            cy = placement.beamY;
            filmScale = static_cast<float>(placement.pixelsPerMm * distance * zoom);
            if (!placement.photo.isEmpty()) shown = placement.photo;
        } else if (flags.clipFilmRegion && distance != 0) {
            const float hx = laue_.getFilmWidth() / 2 / distance * filmScale;
            const float hy = laue_.getFilmHeight() / 2 / distance * filmScale;
            shown = QRectF(QPointF(util::nearest(cx - hx), util::nearest(cy - hy)),
                           QPointF(util::nearest(cx + hx), util::nearest(cy + hy)));
        }

        double best = 999999;
        int32_t found = -1;
        double foundX = 0, foundY = 0;
        const auto consider = [&](int32_t n, double px, double py) {
            const double gap = std::hypot(x - px, y - py);
            if (gap < best) {
                best = gap;
                found = n;
                foundX = px;
                foundY = py;
            }
        };

        if (mode == 0 && !onPhoto) {
            const float scale = laue_.scale3D() * static_cast<float>(zoom);
            const double depthLimit = flags.zerothLayer ? laue_.getSpotsize() : 999999.0;
            for (const VectorRow& v : laue_.labVectorTable()) {
                const int32_t n = listIndex(v[3]);
                if (spacing[static_cast<std::size_t>(n)] < spacingLimit) continue;
                if (std::abs(scale * v[0]) >= depthLimit) continue;
                consider(n, cx + scale * v[1], cy - scale * v[2]);
            }
        } else if (mode == 3 && !onPhoto) {
            const double radius = std::min(page.width(), page.height()) * 0.95 / 2 * zoom;
            for (const auto& entry : laue_.drawingOrder()) {
                const int32_t n = listIndex(entry[1]);
                if (spacing[static_cast<std::size_t>(n)] < spacingLimit) continue;
                if (laue_.labVectorOf(n)[0] <= lowerHemisphere) continue;
                uint32_t unused = 0;
                const auto p = laue_.projectStereo(n, static_cast<float>(radius), unused);
                consider(n, cx + p[0], cy - p[1]);
            }
        } else if (mode == 1 || mode == 2) {
            for (const auto& entry : laue_.drawingOrder()) {
                const int32_t n = listIndex(entry[1]);
                if (spacing[static_cast<std::size_t>(n)] < spacingLimit) continue;
                uint32_t unused = 0;
                const auto p = laue_.projectFilm(n, filmScale, unused);
                if (p[0] >= 88888) continue;  // not on the film
                const QPointF at(cx + p[0], cy - p[1]);
                if (!shown.contains(at)) continue;
                consider(n, at.x(), at.y());
            }
        }

        if (found < 0 || best > kPickRadius) return none;

        const auto i = static_cast<std::size_t>(found);
        const double d = spacing[i];
        std::string text;
        if (mode == 0) {
            text = "(" + laue_.labels3D().at(i) + ")  d = " + util::formatNumber(d, "0.0###");
        } else {
            int divisor = 1;
            std::string label;
            laue_.checkLabel(found, divisor, label);
            if (mode == 3) {
                double rho = 0, beta = 0;
                poleAngles(laue_.labVectorOf(found), rho, beta);
                text = "(" + label + ")   Rho = " + util::formatNumber(rho, "0.0##") +
                       "\u00b0, Alpha = " + util::formatNumber(90 - rho, "0.0##") +
                       "\u00b0, Beta = " + util::formatNumber(beta, "0.0##") + "\u00b0";
            } else {
                // The spacing of the lattice plane of the reduced indices.
                text = "(" + label + ")  d = " + util::formatNumber(divisor * d, "0.0###");
            }
        }
        if (visible_) markSpot(*visible_, foundX, foundY, text);
        return text;
    } catch (...) {
        // A table that changed under the pointer: nothing is picked.
        return none;
    }
}

void PatternRenderer::markSpot(Surface& s, double x, double y, const std::string& text) {
    const bool black = appState().flags.blackBackground;
    const uint32_t fore = s.foreColor();
    const uint32_t fill = s.fillColor();
    const Surface::FillStyle fillStyle = s.fillStyle();
    s.clearClip();
    s.setDrawWidth(2);
    s.setFillStyle(Surface::FillStyle::Solid);
    s.setFillColor(black ? colour::red : colour::green);
    s.circle(x, y, 5, black ? colour::green : colour::red);
    s.setDrawWidth(1);
    s.setForeColor(black ? colour::green : darkGreen);
    s.textAt(util::nearest(x + 5), util::nearest(y - 15), text);
    s.setForeColor(fore);
    s.setFillColor(fill);
    s.setFillStyle(fillStyle);
}

}  // namespace lumora::render
