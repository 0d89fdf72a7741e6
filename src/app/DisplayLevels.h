#pragma once

#include <QImage>

#include "engine/PeakSearch.h"

namespace lumora::app {

// How a frame's values become grey levels on screen: black at `black` and
// below, white at `white` and above, linear or logarithmic between. The frame
// itself keeps its values; only the picture shown follows the levels.
struct DisplayLevels {
    double black = 0;
    double white = 255;
    bool log = false;
    bool operator==(const DisplayLevels&) const = default;
};

// The levels a frame opens with: the 0.5th and 99.8th percentiles of its
// values, so that a few hot or saturated pixels do not wash the picture out
// (white is at least one count above black). Linear.
DisplayLevels autoLevels(const engine::GreyFrame& frame);

// The grey picture (Format_Grayscale8) of a frame at these levels; a null
// image for an empty frame.
QImage levelledImage(const engine::GreyFrame& frame, const DisplayLevels& levels);

}  // namespace lumora::app
