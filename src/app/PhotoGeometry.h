#pragma once

#include <QSize>

#include "engine/Detector.h"
#include "render/RenderOptions.h"

namespace lumora::app {

// How the pixels of the photo on the photo page lie on the document's
// detector, the same way the page draws the pattern over it: a camera frame
// 1:1 on the camera, pixel (0, 0) on pixel (0, 0); a film photo spans the
// film, u = (Hp / film height + Wp / film width) / 2 photo pixels a
// millimetre, with the beam at the photo centre of the options and the
// pattern magnified by the zoom about it. Photo pixels count from 0 at the
// centre of the top-left pixel, as spot positions do.
struct PhotoGeometry {
    engine::Detector detector;
    bool film = false;
    double unitsPerMm = 1;            // films: photo pixels per film millimetre
    double centreX = 0, centreY = 0;  // films: the beam on the photo, mm from its top-left corner
    double zoom = 1;                  // films: the page's zoom

    engine::Vec2d detectorPoint(double x, double y) const;
    // The photo pixel of a detector point; the inverse of detectorPoint.
    engine::Vec2d photoPoint(const engine::Vec2d& p) const;
    // The scattered ray towards photo pixel (x, y).
    Vec3d rayAt(double x, double y) const;
};

// The geometry of the document's Laue plot for a photo of `photo` pixels.
// Error 5 says why there is none: the plot type is not a Laue pattern (the
// 3-D view, the stereogram), or a film has no photo to span it.
PhotoGeometry photoGeometry(const clLAUE& laue, const render::RenderOptions& options, QSize photo);

}  // namespace lumora::app
