#pragma once

#include <string>
#include <string_view>

#include "structure/StructureFile.h"

namespace lumora::structure {

// Crystallographic Information Files. The first data block with a cell and
// atom sites is read: cell lengths and angles (uncertainties such as 5.4310(2)
// accepted, missing angles 90), the space group from its Hall symbol, else its
// Hermann-Mauguin symbol with any setting (":H", ":R", origin ":1", ":2"), else
// its number, settled by the listed symmetry operations where a name leaves a
// choice; the title (mineral, common or systematic name, else the block name),
// the formula and the atom sites (type symbol else label, occupancy 1 when not
// given, charges such as Fe3+ through elementNumber).
StructureFile parseCif(std::string_view text, std::string_view path);
StructureFile readCif(const std::string& path);

}  // namespace lumora::structure
