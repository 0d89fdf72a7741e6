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

void clLAUE::setPictureSize(int width, int height) {
    pictureWidth_ = width;
    pictureHeight_ = height;
}

void clLAUE::setAxisVectors() {
    const engine::Mat3d& direct = metric.directBasis();
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) axisVectors[k][j] = static_cast<float>(direct[k][j]);
}

void clLAUE::RECSPACE_setData() {
    const auto rows =
        static_cast<std::size_t>(std::clamp<int32_t>(n_hkl, 0, static_cast<int32_t>(listH.size())));
    recipVectors.assign(rows, VectorRow{});
    labVectors.clear();
    labels3D_.assign(rows, std::string());
    // The extents describe this list only, whoever asks for it.
    extents_ = {0, 0, 0, 0};
    for (std::size_t i = 0; i < rows; ++i) {
        const Vec3f g = toCartesian(listH[i], listK[i], listL[i], false);
        for (int j = 0; j < 3; ++j) {
            recipVectors[i][j] = g[j];
            extents_[j] = std::max(extents_[j], std::fabs(g[j]));
        }
        labels3D_[i] = std::to_string(listH[i]) + std::to_string(listK[i]) + std::to_string(listL[i]);
    }
    extents_[3] = std::max({extents_[0], extents_[1], extents_[2]});
    setAxisVectors();
    applyOrientation();
}

void clLAUE::RECSPACE_scaleXYZ() {
    // A scale that cannot be formed (empty list, no film, no picture) keeps
    // the previous one rather than becoming infinite.
    const float s3 = engine::fitScale3D(pictureWidth_, pictureHeight_, extents_[3]);
    if (s3 > 0) scale3D_ = s3;
    zoom = 1.0f;
    const float sf = engine::fitFilmScale(pictureWidth_, pictureHeight_, x_fsd, filmWidth, filmHeight);
    if (sf > 0) filmScale_ = sf;
    if (owner) owner->redrawPattern();
}

}  // namespace lumora
