#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lumora::engine {

// Four-index (Miller-Bravais) notation of a hexagonal lattice. Planes (h k i l)
// carry the redundant i = -(h+k); directions [u v t w] are the three-index
// [U V W] re-expressed on the three equal a-axes: u = (2U-V)/3, v = (2V-U)/3,
// t = -(u+v), w = W, scaled to the smallest integers.

// A cell with a = b, alpha = beta = 90 and gamma = 120 degrees (hexagonal and
// trigonal groups in hexagonal axes).
bool isHexagonalCell(const std::array<double, 6>& cell);

// (h k l) -> (h k i l).
std::array<int, 4> planeToFour(int h, int k, int l);
// [U V W] -> [u v t w], divided by the common divisor of the scaled indices.
std::array<int, 4> directionToFour(int u, int v, int w);
// [u v t w] -> [U V W] = [u-t, v-t, w], divided by their common divisor.
// Throws Error 5 unless t = -(u+v).
std::array<int, 3> directionToThree(const std::array<int, 4>& uvtw);

// Indices written one after another as spot labels are ("1-10", "1-100").
std::string compactIndices(const int* values, int count);
// Indices separated by spaces ("1 -1 0 0").
std::string spacedIndices(const int* values, int count);

// A plane or direction typed as three or four numbers (separated by blanks or
// commas; brackets and parentheses are ignored). Four numbers are read as
// four-index notation, checked for i = -(h+k) (planes) or t = -(u+v)
// (directions) and returned as three indices; a direction is reduced to its
// smallest integers. Throws Error 13 with a clear message for anything else.
std::array<int, 3> readPlane(std::string_view text);
std::array<int, 3> readDirection(std::string_view text);

// A vector typed as three or four real numbers (separated as above). Four are
// four-index notation: a plane (h k i l) with i = -(h+k) gives (h k l), a
// direction [u v t w] with t = -(u+v) gives [u-t v-t w]. Throws Error 13 with
// a clear message for any other count, a number that cannot be read, or a
// third index that does not fit.
std::array<double, 3> readVector(std::string_view text, bool direction);

}  // namespace lumora::engine
