#pragma once

#include <array>

namespace lumora {

using Mat3f = std::array<std::array<float, 3>, 3>;
using Vec3f = std::array<float, 3>;
using Vec3d = std::array<double, 3>;
// One row of the reciprocal or laboratory table: x, y, z and an index.
using VectorRow = std::array<float, 4>;

}  // namespace lumora
