// The photo page: a measured Laue photograph fitted into the page with
// millimetre rulers along its edges, and the simulated film spots over it as
// red rings about the beam centre the user gives in millimetres.
//
// Photo units are pixels of the photo image. The photo is taken to span the
// film, so one film millimetre is u = (Hp / film height + Wp / film width) / 2
// photo pixels, and u times the fit factor display pixels.
#include <algorithm>
#include <cmath>

#include "engine/AppState.h"
#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

constexpr double kRingRadius = 3;
constexpr double kBeamMarkRadius = 2;

// Ruler tick length in pixels at the i-th millimetre.
int tickLength(int i) {
    if (i % 10 == 0) return 10;
    if (i % 5 == 0) return 5;
    return 2;
}

// Display pixels per photo pixel of a photo fitted into the page at its top left.
double fitFactor(QSizeF page, QSizeF photo) {
    if (!(photo.width() > 0 && photo.height() > 0)) return 0;
    double k = page.width() / photo.width();
    if (photo.height() * k > page.height()) k = page.height() / photo.height();
    return k;
}

}  // namespace

PatternRenderer::PhotoPlacement PatternRenderer::photoPlacement(QSizeF page) const {
    PhotoPlacement at;
    const double filmWidth = laue_.getFilmWidth();
    const double filmHeight = laue_.getFilmHeight();
    const bool filmKnown = filmWidth > 0 && filmHeight > 0;
    if (photo_ && !photo_->isNull() && laue_.b_photo) {
        const QSizeF size = photo_->size();
        at.fit = fitFactor(page, size);
        at.photo = QRectF(0, 0, size.width() * at.fit, size.height() * at.fit);
        if (filmKnown) at.pixelsPerMm = (size.height() / filmHeight + size.width() / filmWidth) / 2 * at.fit;
    } else if (filmKnown) {
        at.pixelsPerMm = fitFactor(page, QSizeF(filmWidth, filmHeight));
    }
    if (!std::isfinite(at.pixelsPerMm) || at.pixelsPerMm < 0) at.pixelsPerMm = 0;
    const Settings& settings = appState().settings;
    at.beamX = settings.photoCentreX * at.pixelsPerMm;
    at.beamY = settings.photoCentreY * at.pixelsPerMm;
    return at;
}

void PatternRenderer::drawHKLPHOTO(Surface& target) {
    if (laue_.n_hkl == 0) return;
    try {
        if (laue_.getZoom() == 0.0f) laue_.setZoom(1.0f);
        laue_.b_busy = true;
        const double zoom = laue_.getZoom();
        const double spacingLimit = laue_.getSpacingThreshold() * laue_.spacingMaximum();
        const double labelLimit = laue_.getLabelThreshold() * laue_.spacingMaximum();
        const DisplayFlags& flags = appState().flags;

        // Composed off screen at the page's own size (the pattern's back buffer
        // keeps the pattern page's size) and shown in one copy.
        const qreal ratio = target.isImage() ? target.image().devicePixelRatio() : 1.0;
        photoBuffer_.resize(target.size(), ratio);
        Surface& page = photoBuffer_;
        right_ = static_cast<int>(util::nearest(page.width()));
        bottom_ = static_cast<int>(util::nearest(page.height()));
        page.setBackColor(target.backColor());
        page.clear();
        page.setFillStyle(Surface::FillStyle::Transparent);
        page.setFontSize(7);
        page.setFillColor(colour::black);
        page.setForeColor(labelColour());

        // The rings are placed on the photo's own millimetre scale, fitted to
        // this page: a photo taken with the document's geometry matches at
        // zoom 1 whatever the page size. The zoom scales the pattern about the
        // beam centre, which stays on its point of the photo.
        const double distance = laue_.x_fsd;
        if (distance == 0) throw Error(Error::DivisionByZero, "Division by zero");
        const PhotoPlacement placement = photoPlacement(page.size());
        const auto scale = static_cast<float>(placement.pixelsPerMm * distance * zoom);
        const double bx = placement.beamX;
        const double by = placement.beamY;
        if (!std::isfinite(bx) || !std::isfinite(by) || !std::isfinite(scale))
            throw Error(Error::Overflow, "Overflow");

        // Labels stay whole on the painted photo (on the page without one).
        const QRectF painted = laue_.b_photo ? paintPhoto(page) : QRectF();
        frame_.labelArea = painted.isEmpty() ? QRectF(0, 0, page.width(), page.height()) : painted;
        frame_.inset = {};

        frameSpots_.clear();
        const double cx = page.width() / 2.0, cy = page.height() / 2.0;
        const auto& spacing = laue_.dList();
        for (const auto& entry : laue_.drawingOrder()) {
            const int32_t n = listIndex(entry[1]);
            const double d = spacing[static_cast<std::size_t>(n)];
            if (d < spacingLimit) continue;
            uint32_t unused = 0;
            const auto p = laue_.projectFilm(n, scale, unused);
            if (p[0] >= 88888) continue;  // not on the film
            const double x = bx + p[0];
            const double y = by - p[1];
            page.circle(x, y, kRingRadius, colour::red);
            if (recorder_) record(n, x, y, cx, cy, laue_.wavelengthOfLastSpot(), kRingRadius, colour::red);
            if (d >= labelLimit && flags.hklIndices) drawLabel(page, n, x, y);
        }

        if (!flags.spotColouring) page.circle(bx, by, kBeamMarkRadius, colour::blue);

        page.clearClip();
        target.clearClip();
        target.copyFrom(page);
        if (recorder_) recorder_->swap(frameSpots_);
        frameSpots_.clear();
        laue_.b_busy = false;
    } catch (...) {
        // The page keeps its last picture.
        frameSpots_.clear();
        laue_.b_busy = false;
    }
}

QRectF PatternRenderer::paintPhoto(Surface& s) {
    if (!photo_ || photo_->isNull() || !laue_.b_photo) return {};
    const double wp = photo_->width();
    const double hp = photo_->height();
    const double k = fitFactor(s.size(), photo_->size());
    laue_.x_filmfac = static_cast<float>(k);
    const QRectF area(0, 0, wp * k, hp * k);
    s.drawImage(0, 0, area.width(), area.height(), *photo_);
    s.clipRect(0, 0, area.width(), area.height());

    // One tick per film millimetre along every edge, counted from the top left.
    const double filmWidth = laue_.getFilmWidth();
    const double filmHeight = laue_.getFilmHeight();
    if (!(filmWidth > 0 && filmHeight > 0)) return area;
    const double unitsPerMm = (hp / filmHeight + wp / filmWidth) / 2;
    const double mm = unitsPerMm * k;  // display pixels
    if (!(mm > 0) || !std::isfinite(mm)) return area;
    const uint32_t fore = s.foreColor();
    s.setForeColor(colour::blue);
    // Edge rows and columns of the painted photo.
    const double last = std::floor(area.width() - 0.5);
    const double bottom = std::floor(area.height() - 0.5);
    const double across = util::nearest(filmWidth + 0.5);
    for (int i = 1; i <= across; ++i) {
        const double x = i * mm;
        if (x > area.width()) break;
        const int len = tickLength(i);
        s.line(x, 0, x, len - 1);
        s.line(x, bottom, x, bottom - len + 1);
    }
    const double down = util::nearest(filmHeight + 0.5);
    for (int i = 1; i <= down; ++i) {
        const double y = i * mm;
        if (y > area.height()) break;
        const int len = tickLength(i);
        s.line(0, y, len - 1, y);
        s.line(last, y, last - len + 1, y);
    }
    s.setForeColor(fore);
    return area;
}

void PatternRenderer::movePhoto(float dx, float dy, float /*factor*/) {
    // The photo is always fitted at the top left: resetting the placement
    // leaves the fit factor to the next drawing.
    if (dx == 999 && dy == 999) {
        laue_.x_dpifac = 1.0f;
        laue_.x_filmfac = 1.0f;
    }
    laue_.b_alias = false;
}

}  // namespace lumora::render
