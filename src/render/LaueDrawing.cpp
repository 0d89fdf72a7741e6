// The Laue patterns: the films (transmission and back-reflection) with their
// outline, grid, millimetre ticks and caption, a camera's frame, and the spots
// where the reflected rays meet the plane, with their labels and the beam mark.
// The pattern page and the photo page place their spots through the same loop.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "engine/Projection.h"
#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::render {

namespace {

constexpr uint32_t gridOnWhite = 0xE9E9FF;  // (233, 233, 255)
constexpr uint32_t gridOnBlack = 0x000037;  // (0, 0, 55)
constexpr double kRingRadius = 3;           // the photo page's rings, pixels

// The film on the picture in the single precision it has always been drawn in.
struct FilmGeometry {
    float widthMm = 0, heightMm = 0, distanceMm = 0;
    float hx = 0, hy = 0;  // half sizes of the film, pixels
    float g = 0;           // pixels per 10 mm
};

FilmGeometry filmGeometry(const engine::Detector& film, float scale) {
    FilmGeometry f;
    f.widthMm = static_cast<float>(film.width);
    f.heightMm = static_cast<float>(film.height);
    f.distanceMm = static_cast<float>(film.distance);
    if (f.distanceMm == 0) throw Error(Error::DivisionByZero, "Division by zero");
    f.hx = f.widthMm / 2 / f.distanceMm * scale;
    f.hy = f.heightMm / 2 / f.distanceMm * scale;
    f.g = 10 * scale / f.distanceMm;
    if (!std::isfinite(f.hx) || !std::isfinite(f.hy) || !std::isfinite(f.g))
        throw Error(Error::Overflow, "Overflow");
    return f;
}

// The film's pixels per (mm / distance), as the map was made from.
float filmScaleOf(const DetectorMap& map) {
    return static_cast<float>(map.sx * map.detector.distance / map.detector.px);
}

QRectF roundedRect(double left, double top, double right, double bottom) {
    using util::nearest;
    return QRectF(QPointF(nearest(left), nearest(top)), QPointF(nearest(right), nearest(bottom)));
}

// The same for every reflection of one spot: the primitive direction with its
// first non-zero index made positive.
int64_t spotKey(int h, int k, int l) {
    const int g = std::gcd(std::gcd(std::abs(h), std::abs(k)), std::abs(l));
    if (g == 0) return 0;
    h /= g, k /= g, l /= g;
    if (h < 0 || (h == 0 && (k < 0 || (k == 0 && l < 0)))) h = -h, k = -k, l = -l;
    return (static_cast<int64_t>(h) + 32768) << 32 | (static_cast<int64_t>(k) + 32768) << 16 |
           (static_cast<int64_t>(l) + 32768);
}

}  // namespace

// ---- maps ----------------------------------------------------------------------------

std::optional<std::array<float, 2>> DetectorMap::beamOffset() const {
    const std::optional<engine::Vec2d> beam = detector.beamPoint();
    if (!beam) return std::nullopt;
    return offset(*beam);
}

QRectF DetectorMap::frame() const {
    const auto a = offset({detector.left(), detector.top()});
    const auto b = offset({detector.right(), detector.bottom()});
    return QRectF(QPointF(cx + a[0], cy - a[1]), QPointF(cx + b[0], cy - b[1])).normalized();
}

DetectorMap filmMap(const engine::Detector& film, double cx, double cy, double scale) {
    DetectorMap map;
    map.detector = film;
    map.anchorX = film.x0;
    map.anchorY = film.y0;
    map.cx = cx;
    map.cy = cy;
    map.sx = film.px * scale / film.distance;
    map.sy = film.py * scale / film.distance;
    return map;
}

DetectorMap cameraMap(const engine::Detector& camera, double width, double height, double zoom) {
    DetectorMap map;
    map.detector = camera;
    map.anchorX = (camera.left() + camera.right()) / 2;
    map.anchorY = (camera.top() + camera.bottom()) / 2;
    map.cx = width / 2;
    map.cy = height / 2;
    // Square pixels on the picture whatever the detector's pixel shape: one
    // millimetre is as long across as down.
    const double across = camera.right() - camera.left(), down = camera.bottom() - camera.top();
    double mmPerPixel = 0;
    if (across > 0 && down > 0 && width > 0 && height > 0)
        mmPerPixel = std::max(across * camera.px / (width * 0.95), down * camera.py / (height * 0.95));
    if (!(mmPerPixel > 0) || !std::isfinite(mmPerPixel))
        throw Error(Error::Overflow, "Overflow: the detector has no size to draw");
    map.sx = camera.px / mmPerPixel * zoom;
    map.sy = camera.py / mmPerPixel * zoom;
    return map;
}

// ---- outlines ---------------------------------------------------------------------------

void PatternRenderer::drawFilmOutline(Surface& s, const DetectorMap& map) {
    using util::nearest;
    const FilmGeometry film = filmGeometry(map.detector, filmScaleOf(map));
    const double cx = map.cx, cy = map.cy;
    const uint32_t previousFore = s.foreColor();
    const double hx = film.hx, hy = film.hy, g = film.g;
    const bool black = options_.flags.blackBackground;

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
    s.setFillColor(frame_.spotColour);
    s.circle(cx, cy, 3, frame_.spotColour);
    s.setForeColor(previousFore);
}

void PatternRenderer::drawCameraFrame(Surface& s, const DetectorMap& map) {
    using util::nearest;
    const engine::Detector& det = map.detector;
    const QRectF frame = map.frame();
    const uint32_t previousFore = s.foreColor();
    const uint32_t blue = onBackground(colour::blue);
    s.setForeColor(blue);
    s.setFillStyle(Surface::FillStyle::Transparent);
    s.rectangle(frame.left(), frame.top(), frame.right(), frame.bottom());
    if (options_.flags.filmOutline) {
        // The foot of the normal, and the frame's size and distance above its corner.
        const auto foot = map.offset({det.x0, det.y0});
        const double fx = map.cx + foot[0], fy = map.cy - foot[1];
        s.line(fx - 5, fy, fx + 6, fy);
        s.line(fx, fy - 5, fx, fy + 6);
        const std::string caption = util::formatNumber(det.width, "0") + " x " +
                                    util::formatNumber(det.height, "0") +
                                    " px [D=" + util::formatNumber(det.distance, "0.0##") + " mm]";
        s.textAt(nearest(frame.left()), nearest(frame.top() - 2 - 12), caption);
    }
    s.setFillStyle(Surface::FillStyle::Solid);
    s.setForeColor(previousFore);
}

// ---- the spots ------------------------------------------------------------------------------

void PatternRenderer::drawLauePattern(Surface& s, const DetectorMap& map, bool photoPage) {
    const DisplayFlags& flags = options_.flags;
    const engine::Detector& det = map.detector;
    const bool film = det.isFilm();

    // Spots outside what is shown cannot be picked.
    QRectF shown(-1e9, -1e9, 2e9, 2e9);
    if (!photoPage) {
        if (film && flags.filmOutline) drawFilmOutline(s, map);
        if (!film) drawCameraFrame(s, map);
        if (flags.clipFilmRegion) {
            QRectF clip;
            if (film) {
                const FilmGeometry f = filmGeometry(det, filmScaleOf(map));
                clip = roundedRect(map.cx - f.hx, map.cy - f.hy, map.cx + f.hx, map.cy + f.hy);
                const uint32_t fore = s.foreColor();
                s.setForeColor(onBackground(colour::blue));
                s.setFillStyle(Surface::FillStyle::Transparent);
                s.rectangle(map.cx - f.hx, map.cy - f.hy, map.cx + f.hx, map.cy + f.hy);
                s.setFillStyle(Surface::FillStyle::Solid);
                s.setForeColor(fore);
            } else {
                const QRectF frame = map.frame();
                clip = roundedRect(frame.left(), frame.top(), frame.right(), frame.bottom());
            }
            s.clipRect(clip.left(), clip.top(), clip.right(), clip.bottom());
            shown = clip;
        }
    } else if (!frame_.labelArea.isEmpty()) {
        shown = frame_.labelArea;
    }

    const std::optional<std::array<float, 2>> beam = map.beamOffset();
    const engine::ReflectionList& list = laue_.reflections();
    const std::vector<Vec3f>& lab = laue_.orientation().lab;
    const float lambdaMin = laue_.x_lambda_min, lambdaMax = laue_.x_lambda_max;
    const engine::LauePlacer placer(det, lambdaMin, lambdaMax);
    const bool reversed = flags.blackBackground && !flags.spotColouring;
    const double photoFit =
        photoPage && photo_ && options_.showPhoto ? photoPlacement(s.size(), options_).fit : 0;

    // Where each reflection meets the plane, in list order: the tables are read
    // as they lie in memory. The spots are then drawn in drawing order.
    placedAt_.assign(list.rows.size(), -1);
    hits_.clear();
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const float d = list.rows[i].d;
        if (d < frame_.spacingLimit) continue;
        const engine::DetectorHit hit = placer.place(lab[i], d);
        if (hit.miss != engine::DetectorHit::Miss::None) continue;
        placedAt_[i] = static_cast<int32_t>(hits_.size());
        hits_.push_back(hit);
    }

    // Physical intensities depend on where each spot lies: computed for the
    // spots shown, and scaled so that the strongest is 1.
    const bool physical = laue_.physicalIntensities();
    double strongest = 0;
    if (physical) {
        const engine::Spectrum spectrum = laue_.spectrum();
        intensities_.assign(hits_.size(), 0.0);
        // Once per spot: its harmonics and -h-k-l take the sum of the first met.
        std::unordered_map<int64_t, double> bySpot;
        for (std::size_t i = 0; i < list.rows.size(); ++i) {
            const int32_t slot = placedAt_[i];
            if (slot < 0 ||
                engine::behindBeamStop(map.offset(hits_[static_cast<std::size_t>(slot)].at), beam))
                continue;
            const engine::Reflection& r = list.rows[i];
            const auto [known, fresh] = bySpot.try_emplace(spotKey(r.h, r.k, r.l), 0.0);
            if (fresh) known->second = laue_.spotIntensity(static_cast<int32_t>(i), spectrum);
            const double intensity = known->second;
            intensities_[static_cast<std::size_t>(slot)] = intensity;
            strongest = std::max(strongest, intensity);
        }
    }

    for (const int32_t n : list.order) {
        const int32_t slot = placedAt_[static_cast<std::size_t>(n)];
        if (slot < 0) continue;
        const engine::Reflection& r = list[n];
        const engine::DetectorHit& hit = hits_[static_cast<std::size_t>(slot)];
        const std::array<float, 2> p = map.offset(hit.at);
        if (engine::behindBeamStop(p, beam)) continue;
        const double x = map.cx + p[0];
        const double y = map.cy - p[1];

        double radius = kRingRadius;
        uint32_t spotColour = colour::red;
        if (!photoPage) {
            const engine::FilmSpot spot =
                physical ? engine::intensitySpot(intensities_[static_cast<std::size_t>(slot)], strongest,
                                                 options_.spotSize, reversed)
                : laue_.x_withIntensity ? engine::intensitySpot(r.f, list.fMax, options_.spotSize, reversed)
                                        : engine::wavelengthSpot(r.d, list.dMax, hit.wavelength, lambdaMin,
                                                                 lambdaMax, options_.spotSize, reversed);
            spotColour = paletteColour(spot.entry);
            if (flags.spotColouring) spotColour = onBackground(spotColour);
            radius = spot.radius;
        }
        // hkl and -h-k-l meet the plane at one point: it is drawn, labelled
        // and picked once; both are recorded.
        if (r.drawsSpot) {
            if (photoPage) {
                s.circle(x, y, kRingRadius, colour::red);
            } else {
                s.setFillColor(spotColour);
                drawSpot(s, x, y, radius, spotColour);
            }
            if (shown.contains(QPointF(x, y))) drawing_.push_back({n, x, y});
            if (r.d >= frame_.labelLimit && flags.hklIndices) drawLabel(s, n, x, y);
        }
        if (recorder_) {
            const double centreX = photoPage ? s.width() / 2.0 : map.cx;
            const double centreY = photoPage ? s.height() / 2.0 : map.cy;
            record(n, x, y, centreX, centreY, hit.wavelength, photoPage ? kRingRadius : radius * frame_.zoom,
                   spotColour);
            SpotRecord& last = frameSpots_.back();
            if (physical && strongest > 0)
                last.intensity = intensities_[static_cast<std::size_t>(slot)] / strongest;
            last.detectorX = hit.at[0];
            last.detectorY = hit.at[1];
            if (photoFit > 0) {
                last.photoX = x / photoFit - 0.5;
                last.photoY = y / photoFit - 0.5;
            }
        }
    }

    // The primary beam, where it meets the plane.
    if (!flags.spotColouring && beam) {
        const double bx = map.cx + (*beam)[0], by = map.cy - (*beam)[1];
        if (photoPage) {
            s.circle(bx, by, 2, colour::blue);
        } else {
            s.setFillColor(onBackground(colour::blue));
            s.circle(bx, by, 2, onBackground(colour::blue));
        }
    }
}

}  // namespace lumora::render
