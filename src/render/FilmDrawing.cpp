// The Laue films (transmission and back-reflection): film outline with its
// grid, millimetre ticks and caption, the spots, their labels and the beam mark.
#include <cmath>

#include "engine/AppState.h"
#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

constexpr uint32_t gridOnWhite = 0xE9E9FF;  // (233, 233, 255)
constexpr uint32_t gridOnBlack = 0x000037;  // (0, 0, 55)

struct FilmGeometry {
    float widthMm = 0, heightMm = 0, distanceMm = 0;
    float hx = 0, hy = 0;  // half sizes of the film, pixels
    float g = 0;           // pixels per 10 mm
};

void drawOutline(Surface& s, const FilmGeometry& film, double cx, double cy, bool black,
                 uint32_t spotColour) {
    using util::nearest;
    const uint32_t previousFore = s.foreColor();
    const double hx = film.hx, hy = film.hy, g = film.g;

    // 10 mm grid centred on the beam.
    s.setForeColor(black ? gridOnBlack : gridOnWhite);
    s.setFillStyle(Surface::FillStyle::Transparent);
    const int columns = util::toInt32(film.widthMm) / 20;
    for (int i = 0; i <= columns; ++i) {
        s.line(cx - i * g, cy - hy, cx - i * g, cy + hy);
        s.line(cx + i * g, cy - hy, cx + i * g, cy + hy);
    }
    const int rows = util::toInt32(film.heightMm) / 20;
    for (int i = 0; i <= rows; ++i) {
        s.line(cx - hx, cy - i * g, cx + hx, cy - i * g);
        s.line(cx - hx, cy + i * g, cx + hx, cy + i * g);
    }

    s.setForeColor(onBackground(colour::blue));
    s.rectangle(cx - hx, cy - hy, cx + hx, cy + hy);

    // Millimetre ticks along the two axes through the beam, once they are far enough apart to read.
    const float mm = film.g / 10;
    if (mm > 7) {
        const int across = util::toInt32(film.widthMm) / 2;
        for (int i = 0; i <= across; ++i) {
            s.line(cx - i * mm, cy - 2, cx - i * mm, cy + 3);
            s.line(cx + i * mm, cy - 2, cx + i * mm, cy + 3);
        }
        const int down = util::toInt32(film.heightMm) / 2;
        for (int i = 0; i <= down; ++i) {
            s.line(cx - 2, cy - i * mm, cx + 3, cy - i * mm);
            s.line(cx - 2, cy + i * mm, cx + 3, cy + i * mm);
        }
    }

    const std::string caption = util::formatNumber(film.widthMm, "0.##") + " x " +
                                util::formatNumber(film.heightMm, "0.##") +
                                " [D=" + util::formatNumber(film.distanceMm, "0.##") + " mm]";
    s.textAt(nearest(cx - hx), nearest(cy - hy - 2 - 12), caption);

    s.setFillStyle(Surface::FillStyle::Solid);
    s.setFillColor(spotColour);
    s.circle(cx, cy, 3, spotColour);
    s.setForeColor(previousFore);
}

}  // namespace

void PatternRenderer::drawFilm(Surface& s, double cx, double cy) {
    using util::nearest;
    const DisplayFlags& flags = appState().flags;
    const float scale = laue_.filmScale() * static_cast<float>(frame_.zoom);

    FilmGeometry film;
    film.widthMm = laue_.getFilmWidth();
    film.heightMm = laue_.getFilmHeight();
    film.distanceMm = laue_.x_fsd;
    if (film.distanceMm == 0) throw Error(Error::DivisionByZero, "Division by zero");
    film.hx = film.widthMm / 2 / film.distanceMm * scale;
    film.hy = film.heightMm / 2 / film.distanceMm * scale;
    film.g = 10 * scale / film.distanceMm;
    if (!std::isfinite(film.hx) || !std::isfinite(film.hy) || !std::isfinite(film.g))
        throw Error(Error::Overflow, "Overflow");
    const double hx = film.hx, hy = film.hy;

    if (flags.filmOutline) drawOutline(s, film, cx, cy, flags.blackBackground, frame_.spotColour);

    if (flags.clipFilmRegion) {
        const uint32_t fore = s.foreColor();
        s.setForeColor(onBackground(colour::blue));
        s.setFillStyle(Surface::FillStyle::Transparent);
        s.rectangle(cx - hx, cy - hy, cx + hx, cy + hy);
        s.setFillStyle(Surface::FillStyle::Solid);
        s.setForeColor(fore);
        s.clipRect(nearest(cx - hx), nearest(cy - hy), nearest(cx + hx), nearest(cy + hy));
    }

    const auto& spacing = laue_.dList();
    for (const auto& entry : laue_.drawingOrder()) {
        const int32_t n = listIndex(entry[1]);
        const double d = spacing[static_cast<std::size_t>(n)];
        if (d < frame_.spacingLimit) continue;
        uint32_t spotColour = 0;
        const auto p = laue_.projectFilm(n, scale, spotColour);
        if (p[0] >= 88888) continue;  // not on the film
        if (flags.spotColouring) spotColour = onBackground(spotColour);
        const double x = cx + p[0];
        const double y = cy - p[1];
        const double r = laue_.spotRadiusOfLastSpot();
        s.setFillColor(spotColour);
        drawSpot(s, x, y, r, spotColour);
        if (recorder_) record(n, x, y, cx, cy, laue_.wavelengthOfLastSpot(), r * frame_.zoom, spotColour);
        if (d >= frame_.labelLimit && flags.hklIndices) drawLabel(s, n, x, y);
    }

    if (!flags.spotColouring) {
        s.setFillColor(onBackground(colour::blue));
        s.circle(cx, cy, 2, onBackground(colour::blue));
    }
}

}  // namespace lumora::render
