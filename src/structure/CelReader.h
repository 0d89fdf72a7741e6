#pragma once

#include <string>
#include <string_view>

#include "structure/StructureFile.h"

namespace lumora::structure {

// PowderCell .cel files: line 1 a keyword and a b c alpha beta gamma; line 2 a
// keyword and the atom count (a capacity hint only: every atom line is read);
// then atom lines "label Z x y z [occupancy ...]" (fractions such as 1/4
// allowed, a negative coordinate gets 1 added once) and the "RGNR number
// [origin choice]" line, whose next line, when longer than three characters, is
// the title. The title is otherwise the file name without its extension.
// `path` names the file for its title and source path only.
StructureFile parseCel(std::string_view text, std::string_view path);
StructureFile readCel(const std::string& path);

}  // namespace lumora::structure
