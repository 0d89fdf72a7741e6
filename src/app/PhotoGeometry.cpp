#include "app/PhotoGeometry.h"

#include <cmath>

#include "engine/LaueEngine.h"
#include "util/Error.h"

namespace lumora::app {

engine::Vec2d PhotoGeometry::detectorPoint(double x, double y) const {
    if (!film) return {x, y};
    // The page puts detector point f at u (centre + (f - f0) zoom) photo
    // units from the photo's top-left corner, which is half a pixel before
    // the centre of pixel 0.
    return {detector.x0 + ((x + 0.5) / unitsPerMm - centreX) / zoom,
            detector.y0 + ((y + 0.5) / unitsPerMm - centreY) / zoom};
}

engine::Vec2d PhotoGeometry::photoPoint(const engine::Vec2d& p) const {
    if (!film) return p;
    return {unitsPerMm * (centreX + (p[0] - detector.x0) * zoom) - 0.5,
            unitsPerMm * (centreY + (p[1] - detector.y0) * zoom) - 0.5};
}

Vec3d PhotoGeometry::rayAt(double x, double y) const {
    const engine::Vec2d p = detectorPoint(x, y);
    return detector.rayAt(p[0], p[1]);
}

PhotoGeometry photoGeometry(const clLAUE& laue, const render::RenderOptions& options, QSize photo) {
    if (!isLauePlot(laue.m_mode))
        throw Error(
            Error::InvalidCall,
            "Invalid procedure call: choose a film or a camera; the spots lie on the plot's detector");
    PhotoGeometry g;
    g.detector = laue.laueDetector(options.flipX);
    if (laue.m_mode == kDetectorPlot) return g;
    const double width = laue.getFilmWidth(), height = laue.getFilmHeight();
    if (!(photo.width() > 0 && photo.height() > 0))
        throw Error(
            Error::InvalidCall,
            "Invalid procedure call: on a film the spots are placed by the photo, and none is loaded");
    if (!(width > 0 && height > 0 && laue.x_fsd > 0))
        throw Error(Error::InvalidCall, "Invalid procedure call: the film has no size or distance");
    g.film = true;
    g.unitsPerMm = (photo.height() / height + photo.width() / width) / 2;
    g.centreX = options.photoCentreX;
    g.centreY = options.photoCentreY;
    g.zoom = options.effectiveZoom();
    return g;
}

}  // namespace lumora::app
