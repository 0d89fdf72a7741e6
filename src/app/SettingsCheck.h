#pragma once

#include <cmath>

#include "app/AppState.h"

namespace lumora::app {

// Whether a default-settings record can be used as it stands: every list
// index inside its list, every size, voltage and distance a positive finite
// number, the minimum d-spacing at least 0.6 and a rotation step. The store
// restores the defaults for anything else. (Kept free of Qt: the settings
// fuzz target checks the reader against it.)
inline bool acceptableSettings(const Settings& s) {
    const auto positive = [](float v) { return std::isfinite(v) && v > 0; };
    return s.plotType >= 0 && s.plotType <= 3 && s.anodeIndex >= 0 && s.anodeIndex <= 4 &&
           s.orientationVectorType >= 0 && s.orientationVectorType <= 1 && positive(s.voltage) &&
           positive(s.filmWidth) && positive(s.filmHeight) && positive(s.filmDistance) &&
           s.labelColour >= 0 && s.labelColour <= 0xFFFFFF && std::isfinite(s.minimumSpacing) &&
           s.minimumSpacing >= 0.6f && std::isfinite(s.photoCentreX) && std::isfinite(s.photoCentreY) &&
           std::isfinite(s.rotationStep) && s.rotationStep != 0;
}

}  // namespace lumora::app
