#pragma once

// Finding the spots of a detector frame or a scanned film: background, noise, connected regions
// above a threshold, sub-pixel centres and integrated intensities.

#include <cstdint>
#include <vector>

#include "util/Progress.h"

namespace lumora::engine {

// A greyscale frame as the detector wrote it, row by row from the top-left pixel; the values keep
// the file's full depth (0..65535 for 16-bit frames).
struct GreyFrame {
    int width = 0, height = 0;
    std::vector<float> values;  // width * height
    float saturation = 65535;   // the largest value the file can hold; spots reaching it are saturated
    float at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

struct PeakSearchOptions {
    double thresholdSigma = 5;  // a pixel belongs to a spot when it lies this many noise units above the background
    int maxSpots = 0;           // keep the strongest this many; 0 keeps all
};

struct Peak {
    double x = 0, y = 0;      // centre: column and row, 0 at the centre of the top-left pixel
    double intensity = 0;     // integrated above the background
    double peakValue = 0;     // the highest pixel above the background
    int pixels = 0;           // size of the region
    bool saturated = false;
};

// The spots of a frame, strongest first (by integrated intensity; equal ones by row, then column).
// The progress callback may stop the search (Cancelled).
std::vector<Peak> findPeaks(const GreyFrame& frame, const PeakSearchOptions& options,
                            const ProgressCallback& progress = {});

}  // namespace lumora::engine
