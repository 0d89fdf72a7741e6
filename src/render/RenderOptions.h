#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/LaueEngine.h"
#include "engine/Palette.h"

namespace lumora::render {

// Display flags: what a pattern shows besides its spots.
struct DisplayFlags {
    bool blackBackground = false;
    bool polarNet = false;
    bool filmOutline = false;
    bool hklIndices = false;
    bool spotColouring = false;
    bool wulffMonitor = false;
    bool structureMonitor = false;
    bool clipFilmRegion = false;
    bool zerothLayer = false;
    // Four-index notation, (h k i l) and [u v t w], where the cell is hexagonal.
    bool fourIndex = false;
};

// How a picture of the engine's crystal is drawn. The drawing reads nothing
// else: the window builds this value from its settings and view, the command
// line from its options.
struct RenderOptions {
    DisplayFlags flags;
    engine::SpotPalette palette = engine::spotPalette(false);
    uint32_t labelColour = 0xFF0000;  // 0xRRGGBB
    bool flipX = false;               // films seen from the crystal instead of from outside the camera
    float zoom = 1;
    float spacingThreshold = 0;   // fraction of dMax: smaller d are not drawn
    float labelThreshold = 0.5f;  // fraction of dMax: smaller d get no label
    float spotSize = 5;           // largest spot radius in pixels at zoom 1
    bool antialias = false;
    // The scales that fit the 3-D view and the films to the picture
    // (clLAUE::RECSPACE_scaleXYZ), at zoom 1.
    float scale3D = 1;
    float filmScale = 1;
    // The photo page: whether the loaded photo is shown, and where the
    // primary beam lies on a film photo, in mm from its top left corner.
    bool showPhoto = false;
    double photoCentreX = 45, photoCentreY = 60;
    // Spots marked on the shown photo (circles), in photo pixels: column and
    // row from the centre of the top-left pixel.
    std::vector<std::array<double, 2>> photoMarks;

    // The zoom the drawing uses: 0 counts as 1.
    double effectiveZoom() const { return zoom == 0 ? 1.0 : zoom; }
    // The projections' part of these options.
    SpotStyle spotStyle() const {
        return {flipX, flags.blackBackground, flags.spotColouring, spotSize, &palette};
    }
};

// Fits the scales of `options` to a picture of width x height for the
// engine's current list and film; a scale that cannot be formed keeps its
// previous value.
void fitScales(RenderOptions& options, const clLAUE& laue, int width, int height);

}  // namespace lumora::render
