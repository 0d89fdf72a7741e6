#pragma once

#include <string>
#include <string_view>

#include "structure/StructureFile.h"

namespace lumora::structure {

// Tagged .csf files: the first five characters of a line are its tag (exact
// case): NAME:, FORM:, SGRP: "symbol (number)", CELL: "a x b x c <alpha x beta x
// gamma>" with optional uncertainties, and ATOM: lines in fixed columns (label
// 7-10, element 12-15, occupancy 21-25, x 29-36, y 37-44, z 45-52). Lines whose
// tag is not one of JADE: DATE: SGRP: ATOM: make up the header text.
StructureFile parseCsf(std::string_view text, std::string_view path);
StructureFile readCsf(const std::string& path);

}  // namespace lumora::structure
