#pragma once

#include <QRectF>
#include <QSizeF>
#include <optional>

#include "engine/Detector.h"

namespace lumora::render {

// How the plane of a Laue pattern is laid on a picture: the point `anchor`
// (detector coordinates) lands on the picture point (cx, cy), and one detector
// unit is `sx` pixels across and `sy` pixels down. Positions are offsets of
// single precision from (cx, cy), as the film pictures have always been placed.
struct DetectorMap {
    engine::Detector detector;
    double anchorX = 0, anchorY = 0;
    double cx = 0, cy = 0;
    double sx = 1, sy = 1;

    // The picture offset of a detector point from (cx, cy), y up.
    std::array<float, 2> offset(const engine::Vec2d& p) const {
        return {static_cast<float>((p[0] - anchorX) * sx), static_cast<float>(-(p[1] - anchorY) * sy)};
    }
    // The direct beam's offset, when the beam meets the plane (the beam stop is about it).
    std::optional<std::array<float, 2>> beamOffset() const;
    // The detector's frame on the picture.
    QRectF frame() const;
};

// A film drawn about the picture centre at `scale` pixels per (mm / distance):
// the film's middle, where the beam meets it, at the centre.
DetectorMap filmMap(const engine::Detector& film, double cx, double cy, double scale);
// A camera's frame fitted into a picture (95 % of its tighter side) and
// magnified by zoom about the picture centre.
DetectorMap cameraMap(const engine::Detector& camera, double width, double height, double zoom);

// Where the photo page puts the pattern on a page of a given size. A film
// photo is taken to span the film; a camera frame lies 1:1 on the detector,
// pixel (0, 0) on the frame's top left pixel.
struct PhotoPlacement {
    double fit = 0;               // display pixels per photo pixel (0: no photo shown)
    double pixelsPerMm = 0;       // films: display pixels per film millimetre (0: no film)
    double beamX = 0, beamY = 0;  // films: the beam centre on the page
    QRectF photo;                 // the painted photo, empty when none
};

}  // namespace lumora::render
