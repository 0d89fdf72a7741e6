// The photo page: a measured Laue photograph or detector frame fitted into the
// page, and the simulated spots over it as red rings. On a film the photo is
// taken to span the film, with millimetre rulers along its edges and the beam
// centre the user gives in millimetres; one film millimetre is
// u = (Hp / film height + Wp / film width) / 2 photo pixels, and u times the
// fit factor display pixels. On a camera the frame lies 1:1 on the detector,
// its pixel (0, 0) on the detector's pixel (0, 0).
#include <algorithm>
#include <cmath>

#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

constexpr double kBeamMarkRadius = 2;
constexpr double kSpotMarkRadius = 7;  // display pixels
constexpr uint32_t kSpotMarkColour = 0x00C8FF;

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

PhotoPlacement PatternRenderer::photoPlacement(QSizeF page, const RenderOptions& options) const {
    PhotoPlacement at;
    const bool shown = photo_ && !photo_->isNull() && options.showPhoto;
    if (laue_.m_mode == kDetectorPlot) {
        // The frame 1:1 on the detector; without a photo the detector's frame fitted to the page.
        const engine::Detector& det = laue_.detector();
        at.fit = fitFactor(page, shown ? QSizeF(photo_->size()) : QSizeF(det.width, det.height));
        if (shown)
            at.photo = QRectF(0, 0, photo_->width() * at.fit, photo_->height() * at.fit);
        else
            at.fit = 0;
        return at;
    }
    const double filmWidth = laue_.getFilmWidth();
    const double filmHeight = laue_.getFilmHeight();
    const bool filmKnown = filmWidth > 0 && filmHeight > 0;
    if (shown) {
        const QSizeF size = photo_->size();
        at.fit = fitFactor(page, size);
        at.photo = QRectF(0, 0, size.width() * at.fit, size.height() * at.fit);
        if (filmKnown) at.pixelsPerMm = (size.height() / filmHeight + size.width() / filmWidth) / 2 * at.fit;
    } else if (filmKnown) {
        at.pixelsPerMm = fitFactor(page, QSizeF(filmWidth, filmHeight));
    }
    if (!std::isfinite(at.pixelsPerMm) || at.pixelsPerMm < 0) at.pixelsPerMm = 0;
    at.beamX = options.photoCentreX * at.pixelsPerMm;
    at.beamY = options.photoCentreY * at.pixelsPerMm;
    return at;
}

void PatternRenderer::drawHKLPHOTO(Surface& target, const RenderOptions& options) {
    if (laue_.n_hkl == 0) return;
    options_ = options;
    try {
        busy_ = true;
        frame_.zoom = options_.effectiveZoom();
        frame_.spacingLimit = options_.spacingThreshold * laue_.spacingMaximum();
        frame_.labelLimit = options_.labelThreshold * laue_.spacingMaximum();
        frameSpots_.clear();
        drawing_.clear();

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
        page.setForeColor(options_.labelColour);

        const PhotoPlacement placement = photoPlacement(page.size(), options_);
        DetectorMap map;
        const bool laue = isLauePlot(laue_.m_mode);
        if (!laue) {
            // The 3-D view and the stereogram put no spots on a photo.
        } else if (laue_.m_mode == kDetectorPlot) {
            // Pixel (0, 0) of the frame on the detector's: 1:1, whatever the zoom.
            const engine::Detector& det = laue_.detector();
            const double fit =
                placement.fit > 0 ? placement.fit : fitFactor(page.size(), QSizeF(det.width, det.height));
            if (!(fit > 0)) throw Error(Error::Overflow, "Overflow: the detector has no size to draw");
            map.detector = det;
            map.anchorX = det.left();
            map.anchorY = det.top();
            map.sx = map.sy = fit;
        } else {
            // The rings are placed on the photo's own millimetre scale, fitted
            // to this page: a photo taken with the document's geometry matches
            // at zoom 1 whatever the page size. The zoom scales the pattern
            // about the beam centre, which stays on its point of the photo.
            const engine::Detector film = laue_.laueDetector(options_.flipX);
            const double distance = laue_.x_fsd;
            if (distance == 0) throw Error(Error::DivisionByZero, "Division by zero");
            const auto scale = static_cast<float>(placement.pixelsPerMm * distance * frame_.zoom);
            if (!std::isfinite(placement.beamX) || !std::isfinite(placement.beamY) || !std::isfinite(scale))
                throw Error(Error::Overflow, "Overflow");
            map = filmMap(film, placement.beamX, placement.beamY, scale);
        }

        // Labels stay whole on the painted photo (on the page without one).
        const QRectF painted = options_.showPhoto ? paintPhoto(page) : QRectF();
        frame_.labelArea = painted.isEmpty() ? QRectF(0, 0, page.width(), page.height()) : painted;
        frame_.inset = {};
        if (laue)
            drawLauePattern(page, map, true);
        else if (!options_.flags.spotColouring && placement.pixelsPerMm > 0)
            page.circle(placement.beamX, placement.beamY, kBeamMarkRadius, colour::blue);
        // The spots found on the photo, over the pattern.
        if (!painted.isEmpty() && placement.fit > 0) {
            const double fit = placement.fit;
            for (const auto& [x, y] : options_.photoMarks)
                page.circle((x + 0.5) * fit, (y + 0.5) * fit, kSpotMarkRadius, kSpotMarkColour);
        }

        page.clearClip();
        target.clearClip();
        target.copyFrom(page);
        if (recorder_) recorder_->swap(frameSpots_);
        frameSpots_.clear();
        drawn_.swap(drawing_);
        drawing_.clear();
        drawnMode_ = laue_.m_mode;
        busy_ = false;
    } catch (...) {
        // The page keeps its last picture.
        frameSpots_.clear();
        drawing_.clear();
        busy_ = false;
    }
}

QRectF PatternRenderer::paintPhoto(Surface& s) {
    if (!photo_ || photo_->isNull() || !options_.showPhoto) return {};
    const double wp = photo_->width();
    const double hp = photo_->height();
    const double k = fitFactor(s.size(), photo_->size());
    const QRectF area(0, 0, wp * k, hp * k);
    s.drawImage(0, 0, area.width(), area.height(), *photo_);
    s.clipRect(0, 0, area.width(), area.height());
    // A camera frame has its pixels, not millimetres, for a scale.
    if (laue_.m_mode == kDetectorPlot) return area;

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

}  // namespace lumora::render
