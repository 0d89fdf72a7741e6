#pragma once

#include <string>
#include <string_view>

#include "structure/Atoms.h"

namespace lumora::structure {

// Checks a cell against the lattice its space group demands:
//   cubic          a = b = c, alpha = beta = gamma = 90
//   tetragonal     a = b, alpha = beta = gamma = 90
//   hexagonal, and trigonal on hexagonal axes
//                  a = b, alpha = beta = 90, gamma = 120
//   rhombohedral axes (the ":R" settings)
//                  a = b = c, alpha = beta = gamma
//   orthorhombic   alpha = beta = gamma = 90
//   monoclinic     the two angles beside the unique axis (b unless the setting
//                  names a or c) are 90
//   triclinic      anything
// Lengths agree within 0.1 %, angles within 0.05 degrees. The result is empty
// when the cell fits, else the message naming the rule:
// "The cell a = 3.84, α = 60° does not fit the cubic space group F d -3 m",
// quoting the constants the rule is about (one of several equal ones).
std::string cellLatticeMisfit(const CellConstants& cell, int number, std::string_view extension,
                              std::string_view groupName);

// The same for a row of the space-group table, named by its symbol; empty for
// a row outside the table.
std::string cellLatticeMisfit(const CellConstants& cell, int row);

}  // namespace lumora::structure
