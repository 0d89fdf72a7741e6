#pragma once

// Least-squares refinement of an orientation, and on request of the detector, over spots whose
// indices are known.
//
// From a set of indexed spots (an IndexSolution of Indexing.h and the spots it was found from):
//
//     const CellMetric metric(cell);
//     std::vector<RefinementSpot> spots;
//     for (const IndexedSpot& s : solution.spots) {
//         RefinementSpot r;
//         // h a* + k b* + l c*: the columns of metric.reciprocalBasis() are a*, b*, c*
//         // (reciprocalVector(metric, h, k, l) of ReflectionList.h gives the same in singles).
//         for (int i = 0; i < 3; ++i)
//             for (int j = 0; j < 3; ++j) r.g[i] += metric.reciprocalBasis()[i][j] * s.hkl[j];
//         r.ray = observed[s.spot].ray;       // the scattered ray the search was given
//         r.pixel = Vec2d{x, y};              // the peak's detector coordinates, when it had them
//         spots.push_back(r);
//     }
//     const RefinementResult result = refine(spots, solution.matrix, detector, refineDetector);
//
// Any harmonic n h k l of a spot gives the same ray, so the indices need not be the lowest ones.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/Cell.h"
#include "engine/Detector.h"
#include "engine/VectorTypes.h"

namespace lumora::engine {

struct RefinementSpot {
    Vec3d g{};                   // h a* + k b* + l c*, crystal frame (CellMetric's basis); any length
    Vec3d ray{};                 // observed scattered ray, laboratory; any length
    std::optional<Vec2d> pixel;  // observed detector coordinates, when the spot came from the detector
};

struct RefinedParameter {
    // "rotation x", "rotation y", "rotation z" (degrees), "distance" (mm), "centre x", "centre y"
    // (detector units: pixels, or mm on the films), "tilt u", and "tilt v" or "turn n" (degrees);
    // refineDetector below says which detector turns are refined.
    std::string name;
    double change = 0;  // refined minus starting value
    // Standard uncertainty from the covariance s^2 (J^T J)^-1 with s^2 = SSR / (m - p) over the m
    // residuals and p parameters. +infinity for a parameter the spots do not determine (it moves
    // along a direction in which the normal matrix J^T J is singular, such as a turn about the only
    // plane normal given): its value is then unbounded, not unknown, so not NaN. The others come from
    // the normal matrix inverted on the directions the spots do determine.
    double sigma = 0;
};

struct RefinementResult {
    Mat3d matrix{};     // as IndexSolution::matrix
    Detector detector;  // the refined detector (the one given when not refined)
    std::vector<RefinedParameter> parameters;
    // Angles between observed and computed rays, in degrees. Before refinement the observed rays are
    // the spots' own; after a refinement of the detector they are the refined detector's rays
    // through the spots' pixels.
    double meanDeviationDeg = 0;  // after
    double rmsDeviationDeg = 0;
    double startMeanDeviationDeg = 0;  // before
    double startRmsDeviationDeg = 0;
    // Root mean square distance on the detector between the observed pixel and where the computed
    // ray meets the detector, over the spots with pixels; 0 when no spot has one.
    double rmsPixels = 0;  // after
    double startRmsPixels = 0;
    int iterations = 0;
    bool converged = false;
};

// Refines the orientation O, and with refineDetector also the detector, by Levenberg-Marquardt.
//
// The model: a spot's plane normal in the laboratory is n = O^T g / |g|, its ray r = b - 2 (b.n) n
// with the beam b = (1, 0, 0). The orientation turns by the rotation vector (rotation x, y, z) of
// the laboratory: O^T <- R O^T, R a turn of |w| about w; for small turns its components are the
// turns about the laboratory axes x, y, z.
//
// Without refineDetector each spot gives two residuals: the components, across the observed ray,
// of the difference between the computed and the observed unit rays (in degrees, so about the
// angle between them). At least 3 spots; Error 5 otherwise.
//
// With refineDetector every spot must have a pixel (Error 5 otherwise) and gives the two
// differences, in detector units, between where its computed ray meets the detector and its pixel.
// On the films detector units are mm, so "pixels" are mm there (rmsPixels too). Refined: the
// distance, the foot of the normal (x0, y0) and two turns of the frame (n, u and v together) about
// axes through the crystal. Turning the crystal and the detector together about the beam changes no
// spot, so the detector never turns about the beam:
// - a detector facing the beam or the source (n within 45 degrees of the beam line, such as the
//   films) tilts about u, then about the turned v ("tilt u", "tilt v");
// - any other (a camera beside or above the crystal) tilts about b x n, then turns in its own plane
//   about the turned n ("tilt u", "turn n"). b x n is u itself for the cameras of placedDetector
//   without tilts and +y for those of calibratedCamera, so a LaueTools camera stays one: its xbet
//   falls by the tilt and its xgam by the turn.
// At least 6 spots; Error 5 otherwise. Error 5 also for a spot with a zero or non-finite g or ray,
// a starting matrix that is not a rotation, and a spot whose computed ray misses the detector at
// the start.
RefinementResult refine(const std::vector<RefinementSpot>& spots, const Mat3d& matrix,
                        const Detector& detector, bool refineDetector);

// The LaueTools calibration of a camera, the inverse of calibratedCamera of Detector.h, so that a
// refined camera can be saved as a .det file: nullopt unless the detector is a flat one with square
// pixels whose n lies in the x-z plane facing up (n_z < 0) and whose v is n x u.
std::optional<DetCalibration> cameraCalibration(const Detector& detector);

}  // namespace lumora::engine
