#pragma once

#include <array>
#include <string>
#include <vector>

namespace lumora::symmetry {

// One of the 530 space-group settings.
struct SpaceGroupRow {
    const char* hall;       // " P 2y" (non-centrosymmetric, leading blank) or "-P 2ybc"
    const char* number;     // "1" .. "230"
    const char* extension;  // setting qualifier, possibly empty ("b1", "cab", "2", "H", "R")
    const char* labels;     // "P_21/c = P_1_21/c_1", first name is the group's symbol
};

constexpr int kSpaceGroupRows = 530;
const std::array<SpaceGroupRow, kSpaceGroupRows>& spaceGroupTable();

// labels with "_" replaced by " ": "P 2 = P 1 2 1".
std::string hmLabel(const SpaceGroupRow& row);
// hmLabel, or hmLabel + " = " + number + ":" + extension when there is an extension.
std::string fullLabel(const SpaceGroupRow& row);

// The short symbol of a group 1..230 with its first character upper case and
// the rest lower case ("P 21/c", "I a 3 d"); empty outside 1..230.
std::string spaceGroupSymbol(int number);
// The item text of the space-group list: number right-aligned in three
// characters, ": ", symbol ("  1: P 1", " 14: P 21/c").
std::string spaceGroupListItem(int number);

// Entry strings: 0 number, 1 Hall symbol, 2 full label, 3 HM label.
using EntryStrings = std::array<std::string, 4>;

// Whether a rhombohedral group (R 3, R -3 c, ...) takes its rhombohedral-axes
// setting for this cell (a, b, c, alpha, beta, gamma). The cell decides when
// it can: a = b with gamma = 120 degrees means hexagonal axes, a = b = c with
// alpha = beta = gamma rhombohedral ones. Otherwise `recordedGamma`, the gamma
// of the last .csf cell read (0 when none), does: rhombohedral unless exactly 120.
bool prefersRhombohedralAxes(const std::array<float, 6>& cell, float recordedGamma);

// Resolves a symbol (HM symbol, number, or other accepted form) to a row in
// four passes of growing leniency; every ":H" is removed from `symbol`. A
// symbol beginning with "R" prefers the rhombohedral-axes row when
// `rhombohedralAxes` is set. A symbol that matches nothing gives row 0.
int findHallEntry(std::string& symbol, bool rhombohedralAxes);

// The trimmed entry strings of a row.
EntryStrings getEntry(int row);

// Hall symbols (as stored) of all rows whose number text equals `numberText`,
// in table order, at most 100.
std::vector<std::string> hallsOfNumber(const std::string& numberText);

// First row passing, in table order, the number test (1..230, extension not
// beginning with "1"), the HM substring test or the Hall suffix test; -1 when
// none does.
int lookupRow(int number, const std::string& hm, const std::string& hall);
// Entry strings of lookupRow (Hall symbol untrimmed), four empty strings when none.
EntryStrings lookup(int number, const std::string& hm, const std::string& hall);

}  // namespace lumora::symmetry
