// The net disc behind the stereogram and the Wulff monitor, and the polar net.
#include <cmath>

#include "render/Colours.h"
#include "render/PatternRenderer.h"

namespace lumora::render {

namespace {

constexpr double degree = 0.0174532925199433;
constexpr double tenDegrees = 0.17453292522222222;

constexpr uint32_t discOnBlack = 0x5B5B6F;  // (91, 91, 111)
constexpr uint32_t dotOnBlack = 0x373737;   // (55, 55, 55)

}  // namespace

void PatternRenderer::drawNet(Surface& s, double cx, double cy, double radius) {
    const DisplayFlags& flags = options_.flags;
    const bool black = flags.blackBackground;
    const uint32_t previousFore = s.foreColor();

    // The disc; with coloured spots only its outline, so that the colours read
    // against the background.
    const uint32_t disc = black ? discOnBlack : colour::lightGrey;
    s.setForeColor(disc);
    s.setFillStyle(Surface::FillStyle::Solid);
    if (flags.spotColouring)
        s.setFillStyle(Surface::FillStyle::Transparent);
    else
        s.setFillColor(disc);
    drawCircle(s, cx, cy, radius, disc);

    // The centre dot.
    const uint32_t dot = black ? dotOnBlack : colour::white;
    s.setForeColor(dot);
    s.setFillColor(dot);
    s.setFillStyle(Surface::FillStyle::Solid);
    s.circle(cx, cy, 2, dot);

    s.setFillStyle(Surface::FillStyle::Transparent);
    if (!flags.polarNet) {
        s.setForeColor(black ? colour::lightGrey : colour::black);
        drawCircle(s, cx, cy, radius, s.foreColor());
    } else {
        // The net lines stay in the dot colour (lighter than the filled disc)
        // unless the disc is only outlined on white.
        if (flags.spotColouring && !black) s.setForeColor(colour::lightGrey);
        drawPolarNet(s, cx, cy, radius);
        s.setForeColor(flags.spotColouring && black ? colour::lightGrey : colour::black);
        drawCircle(s, cx, cy, radius, s.foreColor());
    }

    s.setFillStyle(Surface::FillStyle::Solid);
    s.setForeColor(previousFore);
}

void PatternRenderer::drawPolarNet(Surface& s, double cx, double cy, double radius) {
    const uint32_t lines = s.foreColor();

    // Small circles 10° to 80° from the projection centre.
    for (int phi = 10; phi <= 80; phi += 10)
        drawCircle(s, cx, cy, radius * std::tan(phi * degree / 2), lines);

    // Great circles through the centre every 10°; those off the axes stop at
    // the 10° circle, where they would crowd together.
    const double inner = radius * std::tan(tenDegrees / 2);
    for (int psi = 0; psi <= 360; psi += 10) {
        if (psi % 90 == 0) continue;
        const double rimX = radius * std::cos(psi * degree);
        const double rimY = radius * std::sin(psi * degree);
        const double length = std::hypot(rimX, rimY);
        const double ux = length > 0 ? rimX / length : 0;
        const double uy = length > 0 ? rimY / length : 0;
        s.line(cx + inner * ux, cy + inner * uy, cx + rimX, cy + rimY, lines);
    }
    s.line(cx, cy + radius, cx, cy - radius, lines);
    s.line(cx - radius, cy, cx + radius, cy, lines);

    s.setForeColor(colour::black);
    drawCircle(s, cx, cy, radius, colour::black);
}

}  // namespace lumora::render
