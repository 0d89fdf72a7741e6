#include "app/DisplayLevels.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumora::app {

namespace {

// The value below which `fraction` of the values lie (nearest rank).
float percentile(std::vector<float>& values, double fraction) {
    const auto last = static_cast<double>(values.size() - 1);
    const auto rank = static_cast<std::ptrdiff_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * last));
    std::nth_element(values.begin(), values.begin() + rank, values.end());
    return values[static_cast<std::size_t>(rank)];
}

}  // namespace

DisplayLevels autoLevels(const engine::GreyFrame& frame) {
    DisplayLevels levels;
    if (frame.values.empty()) return levels;
    // A million values tell the percentiles well enough; larger frames are sampled evenly.
    const std::size_t stride = std::max<std::size_t>(1, frame.values.size() / 1'000'000);
    std::vector<float> sample;
    sample.reserve(frame.values.size() / stride + 1);
    for (std::size_t i = 0; i < frame.values.size(); i += stride)
        if (std::isfinite(frame.values[i])) sample.push_back(frame.values[i]);
    if (sample.empty()) return levels;
    levels.black = percentile(sample, 0.005);
    levels.white = percentile(sample, 0.998);
    if (!(levels.white >= levels.black + 1)) levels.white = levels.black + 1;
    return levels;
}

QImage levelledImage(const engine::GreyFrame& frame, const DisplayLevels& levels) {
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.values.size() != static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height))
        return {};
    QImage image(frame.width, frame.height, QImage::Format_Grayscale8);
    if (image.isNull()) return {};
    const double black = levels.black;
    const double range = std::max(levels.white - levels.black, 1e-9);
    const double logRange = std::log1p(range);
    for (int y = 0; y < frame.height; ++y) {
        uchar* row = image.scanLine(y);
        const float* values = frame.values.data() + static_cast<std::size_t>(y) * frame.width;
        for (int x = 0; x < frame.width; ++x) {
            const double v = std::isfinite(values[x]) ? values[x] : black;
            const double above = std::clamp(v - black, 0.0, range);
            const double t = levels.log ? std::log1p(above) / logRange : above / range;
            row[x] = static_cast<uchar>(std::lround(t * 255));
        }
    }
    return image;
}

}  // namespace lumora::app
