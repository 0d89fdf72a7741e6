#pragma once

// What a successful structure parse promises the engine, checked on every
// input a fuzz target feeds to a reader: a complete structure whose atoms
// expand over the cell and give finite structure factors.
#include <cmath>

#include "structure/StructureFactor.h"
#include "structure/StructureFile.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"

namespace lumora::fuzz {

inline void checkStructure(const structure::StructureFile& file) {
    if (file.atoms.empty() || file.spaceGroupNumber < 1 || file.spaceGroupNumber > 230) __builtin_trap();
    if (file.spaceGroupRow < 0 || file.spaceGroupRow >= symmetry::kSpaceGroupRows) __builtin_trap();
    if (!(file.cellVolume > 0.0f) || !std::isfinite(file.cellVolume)) __builtin_trap();
    for (const structure::Atom& atom : file.atoms)
        if (!std::isfinite(atom.x) || !std::isfinite(atom.y) || !std::isfinite(atom.z) ||
            !(atom.occupancy >= 0.0f))
            __builtin_trap();

    const auto ops = symmetry::interpretHall(symmetry::spaceGroupTable()[file.spaceGroupRow].hall).ops;
    const auto cell = structure::expandAtoms(file.atoms, ops);
    for (const structure::CellAtom& atom : cell)
        if (!(atom.x >= 0.0f && atom.x < 1.0f && atom.y >= 0.0f && atom.y < 1.0f && atom.z >= 0.0f &&
              atom.z < 1.0f))
            __builtin_trap();
    structure::StructureFactorTable table(cell, 2, 2, 2);
    for (int h = -3; h <= 3; h += 2)
        if (!std::isfinite(table.amplitude(h, 1, 2, 1.5))) __builtin_trap();
}

}  // namespace lumora::fuzz
