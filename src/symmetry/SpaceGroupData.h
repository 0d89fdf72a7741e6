#pragma once

// The constant tables behind SpaceGroupTable.h; only the symmetry layer reads
// them directly.

#include <array>

#include "symmetry/SpaceGroupTable.h"

namespace lumora::symmetry::data {

extern const std::array<SpaceGroupRow, kSpaceGroupRows> kRows;
extern const std::array<const char*, 230> kShortSymbols;

}  // namespace lumora::symmetry::data
