#pragma once

#include <array>
#include <vector>

#include "engine/LaueEngine.h"

namespace lumora::render {

// One point of the structure drawing in the laboratory frame: depth along the
// beam, y and z, and what it is — a cell corner (-1 .. -8) or an atom (its
// index in `atoms`).
struct StructurePoint {
    double depth = 0, y = 0, z = 0;
    int code = 0;
};

// A placed atom: a cell atom, or its copy at a lattice translation, with its
// laboratory position.
struct PlacedAtom {
    int cellAtom = 0;
    int atomicNumber = 0;
    std::array<double, 3> lab{};  // depth, y, z in Å, the cell centre at the origin
};

struct StructureScene {
    std::vector<StructurePoint> points;  // sorted back to front
    std::vector<PlacedAtom> atoms;
    std::array<std::array<double, 3>, 8> corners{};  // laboratory positions of corners 1..8
    double extentY = 0, extentZ = 0;
    int heaviest = 0;  // the largest atomic number placed
};

// The cell box (slightly larger than the cell, so atoms on faces lie inside)
// and every atom with its copies inside it, turned with the crystal.
StructureScene structureScene(const clLAUE& laue);

// The twelve edges of the box as pairs of corner numbers 1..8; corner 1 is the
// origin, 1-5 runs along a, 1-3 along b and 1-2 along c.
extern const std::array<std::array<int, 2>, 12> kCellEdges;

}  // namespace lumora::render
