// The reciprocal-space view: per-reflection vectors and labels, the crystal
// axes, and the scales that fit the view and the films to the picture.
#include "engine/RecSpace.h"

#include <algorithm>
#include <cmath>

#include "engine/LaueEngine.h"

namespace lumora {

namespace engine {

float fitScale3D(int width, int height, float extent) {
    const int m = std::min(width, height);
    if (m <= 0 || !(extent > 0) || !std::isfinite(extent)) return 0;
    return static_cast<float>(util::nearest(m / 2.0 * 0.9) / extent);
}

float fitFilmScale(int width, int height, float distance, float filmWidth, float filmHeight) {
    if (width <= 0 || height <= 0 || !(distance > 0) || !(filmWidth > 0) || !(filmHeight > 0)) return 0;
    const double across = width * 0.95 * distance * 2 / filmWidth / 2;
    const double down = height * 0.95 * distance * 2 / filmHeight / 2;
    const double scale = std::min(across, down);
    return std::isfinite(scale) ? static_cast<float>(scale) : 0.0f;
}

}  // namespace engine

void clLAUE::RECSPACE_setData() {
    const std::size_t rows = list_.rows.size();
    recipVectors.assign(rows, VectorRow{});
    labVectors.clear();
    // The extents describe this list only, whoever asks for it.
    extents_ = {0, 0, 0, 0};
    for (std::size_t i = 0; i < rows; ++i) {
        const Vec3f& g = list_.rows[i].g;
        for (int j = 0; j < 3; ++j) {
            recipVectors[i][j] = g[j];
            extents_[j] = std::max(extents_[j], std::fabs(g[j]));
        }
    }
    extents_[3] = std::max({extents_[0], extents_[1], extents_[2]});
    const engine::Mat3d& direct = metric.directBasis();
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) axisVectors[k][j] = static_cast<float>(direct[k][j]);
    applyOrientation();
}

ViewScales clLAUE::RECSPACE_scaleXYZ(int width, int height) const {
    ViewScales scales;
    scales.scale3D = engine::fitScale3D(width, height, extents_[3]);
    scales.filmScale = engine::fitFilmScale(width, height, x_fsd, filmWidth, filmHeight);
    return scales;
}

std::string clLAUE::label3D(int32_t n) const {
    return std::to_string(getH(n)) + std::to_string(getK(n)) + std::to_string(getL(n));
}

}  // namespace lumora
