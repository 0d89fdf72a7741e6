// Finding the spot under the pointer: among the spots the last frame put on
// the picture, so a click lands on what the user sees, and every point of a
// pattern is found once.
#include <cmath>

#include "engine/Cell.h"
#include "engine/HexIndices.h"
#include "engine/OrientationMath.h"
#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

constexpr double kPickRadius = 10;        // pixels
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
    if (laue_.n_hkl == 0 || drawnMode_ < 0) return none;
    try {
        double best = 999999;
        const DrawnSpot* found = nullptr;
        for (const DrawnSpot& spot : drawn_) {
            const double gap = std::hypot(x - spot.x, y - spot.y);
            // Ties keep the earlier spot.
            if (gap < best) {
                best = gap;
                found = &spot;
            }
        }
        if (!found || best > kPickRadius) return none;

        const int32_t n = found->index;
        const double d = laue_.getD(n);
        std::string text;
        if (drawnMode_ == kReciprocalPlot) {
            std::string point = laue_.label3D(n);
            if (fourIndex()) {
                const auto four = engine::planeToFour(laue_.getH(n), laue_.getK(n), laue_.getL(n));
                point = engine::compactIndices(four.data(), 4);
            }
            text = "(" + point + ")  d = " + util::formatNumber(d, "0.0###");
        } else {
            const engine::Label named = spotLabel(n);
            const int divisor = named.divisor;
            const std::string& label = named.text;
            if (drawnMode_ == kStereogramPlot) {
                double rho = 0, beta = 0;
                poleAngles(laue_.labVectorOf(n), rho, beta);
                text = "(" + label + ")   Rho = " + util::formatNumber(rho, "0.0##") +
                       "\u00b0, Alpha = " + util::formatNumber(90 - rho, "0.0##") +
                       "\u00b0, Beta = " + util::formatNumber(beta, "0.0##") + "\u00b0";
            } else {
                // The spacing of the lattice plane of the reduced indices.
                text = "(" + label + ")  d = " + util::formatNumber(divisor * d, "0.0###");
            }
        }
        if (visible_) markSpot(*visible_, found->x, found->y, text);
        return text;
    } catch (...) {
        // A list that changed since the frame: nothing is picked.
        return none;
    }
}

void PatternRenderer::markSpot(Surface& s, double x, double y, const std::string& text) {
    const bool black = options_.flags.blackBackground;
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
