#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumora::symmetry {

// Resolution of the space-group symbols people type and files carry. Unlike
// the list's matcher (findHallEntry), which always finds some row, these say
// when a symbol names no group of the table.

// The table row with exactly this Hall symbol (blanks, case and " for ''
// aside); -1 when none.
int rowOfHall(std::string_view hall);

// A symbol split from its setting: "R -3 c :H" -> ("R -3 c", "H");
// "F d -3 m:2" -> ("F d -3 m", "2"); a trailing word H, R, S or Z counts as a
// setting too ("R 3 R").
std::pair<std::string, std::string> splitSetting(std::string_view symbol);

// Whether a row is of the setting: "H", "R" the axes, "1"/"S" and "2"/"Z" the
// origin choice, anything else the row's extension itself ("b1", "cab"),
// case aside.
bool matchesSetting(int row, std::string_view setting);

// All table rows one of whose names is the symbol (blanks, underscores and
// case aside; a monoclinic symbol may leave out its 1s, "P 21/n"; a cubic one
// its bar, as in the old "F m 3 m"), in table order.
std::vector<int> rowsOfSymbol(std::string_view symbol);

// All table rows a symbol names, in table order; empty when it names none.
// Accepted: a Hermann-Mauguin symbol as rowsOfSymbol takes it, also with a
// bar written after its digit ("P4-3m"); a group number 1..230; either with a
// setting as splitSetting reads it ("R -3 m :R", "F d -3 m:2", "14:b1"); and a
// Hall symbol of the table ("-P 2ybc"). A setting the group does not have
// makes the symbol unresolvable.
std::vector<int> rowsNamedBy(std::string_view symbol);

// One row of rowsNamedBy: where the symbol leaves the axes of a rhombohedral
// group open, the rhombohedral-axes row when `rhombohedralAxes` is set and the
// hexagonal one otherwise; else the first row (the group's default setting).
// -1 when the symbol names no group.
int resolveSymbol(std::string_view symbol, bool rhombohedralAxes);

}  // namespace lumora::symmetry
