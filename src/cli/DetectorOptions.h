#pragma once

#include <QCommandLineParser>
#include <optional>

#include "engine/Detector.h"

namespace lumora::cli {

// The options that place a detector: a LaueTools calibration (--detector-file)
// or any placement (--detector-normal, --detector-distance, --detector-centre,
// --pixel-size, --detector-size, --detector-tilt).
void addDetectorOptions(QCommandLineParser& parser);

// Whether any of those options is given.
bool hasDetectorOptions(const QCommandLineParser& parser);

// The detector the options describe, nullopt when none is given. A placement
// takes what is not given from the top camera: normal (90, 0), 70 mm,
// 2048 x 2048 pixels of 0.08 mm, the normal's foot on the middle of the frame,
// no tilts. Bad values and a calibration file that cannot be read are
// refused with UsageError naming the option (and the file's line).
std::optional<engine::Detector> detectorFromOptions(const QCommandLineParser& parser);

}  // namespace lumora::cli
