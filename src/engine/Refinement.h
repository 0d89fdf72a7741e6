#pragma once

// Least-squares refinement of an orientation, and on request of the detector, over spots whose
// indices are known.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/Cell.h"
#include "engine/Detector.h"
#include "engine/VectorTypes.h"

namespace lumora::engine {

struct RefinementSpot {
    Vec3d g{};                       // h a* + k b* + l c*, crystal frame (CellMetric's basis)
    Vec3d ray{};                     // observed scattered unit ray, laboratory
    std::optional<Vec2d> pixel;      // observed detector coordinates, when the spot came from the detector
};

struct RefinedParameter {
    std::string name;    // "rotation x", "rotation y", "rotation z" (degrees), "distance" (mm),
                         // "centre x", "centre y" (pixels), "tilt u", "tilt v" (degrees)
    double change = 0;   // refined minus starting value
    double sigma = 0;    // standard uncertainty
};

struct RefinementResult {
    Mat3d matrix{};                       // as IndexSolution::matrix
    Detector detector;                    // the refined detector (the one given when not refined)
    std::vector<RefinedParameter> parameters;
    double meanDeviationDeg = 0;          // mean angle between observed and computed rays, after
    double rmsDeviationDeg = 0;
    double rmsPixels = 0;                 // on the detector, after; 0 without pixels
    double startMeanDeviationDeg = 0;     // before
    int iterations = 0;
    bool converged = false;
};

// Refines the orientation (three small rotations about the laboratory axes) and, with
// refineDetector and pixels on every spot, the detector's distance, centre and the tilts of its
// plane about u and v. At least 3 spots for the orientation, 6 with the detector; Error 5 otherwise.
RefinementResult refine(const std::vector<RefinementSpot>& spots, const Mat3d& matrix,
                        const Detector& detector, bool refineDetector);

}  // namespace lumora::engine
