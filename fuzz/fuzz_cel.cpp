// Feeds arbitrary bytes to the .cel reader and, when it accepts them, expands the
// atoms and computes a few structure factors as a load would. Whatever the
// input, the reader returns a complete structure or throws lumora::Error.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "structure/CelReader.h"
#include "structure/StructureFactor.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    structure::StructureFile file;
    try {
        file = structure::parseCel(text, "fuzz.cel");
    } catch (const Error&) {
        return 0;
    }
    // What a successful parse promises the engine.
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
    return 0;
}
