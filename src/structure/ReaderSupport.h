#pragma once

// Pieces the structure readers share; not part of the layer's interface.

#include <string>
#include <string_view>
#include <vector>

#include "structure/StructureFile.h"

namespace lumora::structure::detail {

// Most atoms a file may hold: atom counts are 16-bit in the engine.
inline constexpr std::size_t kMostAtoms = 32767;

// The text without a leading UTF-8 byte-order mark.
std::string_view withoutByteOrderMark(std::string_view text);

// True for site rows that mark no atom: difference-map peaks (Q, Q1, Q17) and
// residual-density rows (max, min, peak, hole), in any case.
bool isNotAnAtom(std::string_view label);

// Refuses text that cannot be a structure file: Error 62 when it is empty,
// Error 13 when it holds binary data.
void checkText(std::string_view text);

// The leading-number rule (util::val) and the whole-text rule
// (util::parseStrictNumber) for text from files. Exponents of more than four
// digits are first clamped to 9999, which changes no value (it overflows or
// vanishes either way) but keeps the shared reader's arithmetic in range.
double readValue(std::string_view text);
bool readStrictValue(std::string_view text, double& out);

// True when the text starts with a number under the leading-number rule (so
// "0.25(3)" does, "abc" and "" do not).
bool startsWithNumber(std::string_view text);

// A number field: Error 13 naming `what` when the text holds no number, Error 6
// when it is too large for a single.
float numberField(std::string_view text, const std::string& what);
// A coordinate (fractions allowed) under the same rules.
float coordinateField(std::string_view text, const std::string& what);
// An occupancy: blank is 1; negative or absurd values are refused (Error 5).
float occupancyField(std::string_view text, const std::string& what);

// "line 12"
std::string lineName(std::size_t index);

// The file name without folder and extension.
std::string baseName(std::string_view path);

// The table row the group `number` resolves to, as the document selects a
// group by number, with the axes of a rhombohedral group chosen for the cell.
// originChoice 1 or 2 picks that origin where the group has two.
int rowOfNumber(int number, const CellConstants& cell, int originChoice = 0);

// Error 5 unless 1 <= number <= 230.
void checkSpaceGroupNumber(double number);

// Final checks common to all readers: a valid cell, a space group, at least
// one atom, at most kMostAtoms, and atomic numbers the scattering tables hold
// (1 to 98; Error 5 naming the atom otherwise); fills the volume and turns
// sitesLeftOut into a note.
void finish(StructureFile& file);

// Error 5 with cellLatticeMisfit's message when the cell contradicts the
// lattice of the file's space-group row.
void checkCellFitsGroup(const StructureFile& file);

}  // namespace lumora::structure::detail
