#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "structure/Atoms.h"

namespace lumora::structure {

// What a CIF block says about its space group, as text.
struct CifSpaceGroup {
    std::string hall;                     // _space_group_name_Hall
    std::string hermannMauguin;           // _space_group_name_H-M_alt, possibly with ":H", ":2", ...
    std::string settingCode;              // _space_group_IT_coordinate_system_code
    int number = 0;                       // _space_group_IT_number; 0 when not given
    std::vector<std::string> operations;  // _space_group_symop_operation_xyz
};

// One symmetry operation: integer rotation and a translation in [0, 1).
struct OperationKey {
    std::array<int, 9> rotation{};
    std::array<double, 3> translation{};
};

// "-x+1/2, y, z+1/4" and the like; nullopt when the text is not an operation.
std::optional<OperationKey> parseOperation(std::string_view text);

// The table row with exactly this Hall symbol (blanks, case and " for ''
// aside); -1 when none.
int rowOfHall(std::string_view hall);

// A Hermann-Mauguin symbol split from its setting: "R -3 c :H" -> ("R -3 c",
// "H"); "F d -3 m :2" -> ("F d -3 m", "2"); a trailing word H, R, S or Z counts
// as a setting too.
std::pair<std::string, std::string> splitSetting(std::string_view symbol);

// All table rows one of whose names is the symbol (blanks and case aside; a
// monoclinic symbol may leave out its 1s, "P 21/n"; a cubic one its bar, as in
// the old "F m 3 m"), in table order.
std::vector<int> rowsOfSymbol(std::string_view symbol);

// Resolves to one table row: the Hall symbol when the table has it, else the
// Hermann-Mauguin symbol with its setting, else the number. Where that leaves a
// choice, the listed operations decide; failing that, a cell with gamma 120
// takes hexagonal axes and one with a = b = c and equal angles rhombohedral
// axes, and origin choice 2 is taken where a group has two. Error 13 when the
// block names no space group, or one the table does not know.
int resolveSpaceGroup(const CifSpaceGroup& group, const CellConstants& cell);

}  // namespace lumora::structure
