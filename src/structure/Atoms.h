#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "symmetry/HallSymbol.h"
#include "util/Error.h"
#include "util/Progress.h"

namespace lumora::structure {

// An atom of the asymmetric unit as read from a structure file.
struct Atom {
    std::string label;    // as written ("Si1")
    std::string element;  // element text as stored (Fe3+ is kept as "Fe3"); the label for .cel files
    int atomicNumber = 0;
    float occupancy = 1.0f;
    float x = 0.0f, y = 0.0f, z = 0.0f;  // fractional coordinates
};

// An atom of the whole unit cell, an image of an asymmetric atom.
struct CellAtom {
    std::string label;  // element symbol of atomicNumber ("Si"); empty for unknown numbers
    int atomicNumber = 0;
    float occupancy = 1.0f;
    float x = 0.0f, y = 0.0f, z = 0.0f;  // each in [0, 1)
    int site = 0;                        // index of the generating asymmetric atom
};

// The structure header as a load leaves it; a default header is the reset state.
struct StructureHeader {
    std::string title;
    std::string formula;
    std::string spaceGroupSymbol = "P1";
    int spaceGroupNumber = 0;
    std::string sourcePath;
    std::string headerText;   // .csf lines other than atom, space-group, date and program tags, each + CR LF
    float cellVolume = 0.0f;  // Å³
};

// a, b, c in Å and alpha, beta, gamma in degrees.
using CellConstants = std::array<float, 6>;

// Reduces a coordinate into [0, 1) in single precision; values within 0.0001
// below 1 become 0, so -0.00001 and 0.99995 are 0 while 0.9999 stays. Values
// that are not finite give 0.
float wrapFraction(float x);

// V = abc sqrt(1 + 2 cos a cos b cos g - cos² a - cos² b - cos² g) in Å³; 0 when
// the angles admit no real cell.
float cellVolume(const CellConstants& cell);

// The longest cell edge any reader accepts, Å: far beyond the largest known
// cells (macromolecules reach about 1000 Å).
inline constexpr float kLongestCellEdge = 10000.0f;

// Throws Error 5 with a description naming the fault when the constants cannot
// form a cell: edges that are not positive and finite or longer than 10000 Å,
// angles outside (0, 180), or angles that admit no real cell (or an all but
// flat one).
void validateCell(const CellConstants& cell);

// Most atoms the whole cell may hold. A file of 32,000 sites in I m -3 m would
// expand to three million atoms; such a cell takes gigabytes and minutes in
// every generation, so it is refused instead.
inline constexpr std::size_t kMostCellAtoms = 200000;

// The atoms of the whole cell: every operation applied to every asymmetric atom,
// in file order and operation order, coordinates wrapped into [0, 1). Images
// that lie within 0.001 (fractional, measured across the cell faces) of an
// earlier image of the same asymmetric atom are one atom, placed at the mean of
// those images: a special position written with four decimals (0.3333 for 1/3)
// gives near-coincident images, and their mean is the symmetric position, so
// that equivalent reflections get equal F. An image of a different atom is
// always kept, because mixed sites hold several atoms at one position. No
// operations at all count as P 1. `progress` hears how far the expansion got,
// every few thousand images, and may stop it (Cancelled).
//
// Error 6 naming the limit when the cell would hold more than kMostCellAtoms
// atoms; the expansion stops there, before allocating the rest.
std::vector<CellAtom> expandAtoms(const std::vector<Atom>& asymmetric,
                                  const std::vector<symmetry::SymOp>& ops,
                                  const ProgressCallback& progress = {});

}  // namespace lumora::structure
