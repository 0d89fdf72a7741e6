#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "structure/Atoms.h"
#include "symmetry/Matrix.h"
#include "symmetry/SymbolResolution.h"

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

// The augmented matrix of an operation.
symmetry::Mat4 matrixOf(const OperationKey& op);

using symmetry::rowOfHall;
using symmetry::rowsOfSymbol;
using symmetry::splitSetting;

// What a block's space group resolves to.
struct ResolvedSpaceGroup {
    // The table row installed; with own operations, the row that names the
    // group in the list (its number and settings).
    int row = 0;
    // The file's own operations, used as they are when no table row has them.
    std::vector<OperationKey> ownOperations;
    // A line for the load message when the name and the operations disagree.
    std::string note;
};

// The operations of a file are authoritative: the table row whose operation
// set equals them (of any group, the named one first); when no row does but
// they form a group, the operations themselves under the file's name. A list
// that is not a group raises Error 13.
// Without operations: the Hall symbol when the table has it, else the
// Hermann-Mauguin symbol with its setting (symmetry::rowsNamedBy), else the
// number. Where that leaves a choice, a cell with gamma 120 takes hexagonal
// axes and one with a = b = c and equal angles rhombohedral axes, and origin
// choice 2 is taken where a group has two. Error 13 when the block names no
// space group, or one the table does not know.
ResolvedSpaceGroup resolveSpaceGroup(const CifSpaceGroup& group, const CellConstants& cell);

}  // namespace lumora::structure
