// Loading crystal structures: the three readers, installing a parsed file and
// expanding its atoms over the cell.
#include "engine/LaueEngine.h"
#include "structure/CelReader.h"
#include "structure/CifReader.h"
#include "structure/CsfReader.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/OperationList.h"
#include "util/Error.h"

namespace lumora {

void clLAUE::readCEL(const std::string& path) { loadStructure(structure::readCel(path)); }
void clLAUE::readCSF(const std::string& path) { loadStructure(structure::readCsf(path)); }
void clLAUE::readCIF(const std::string& path) { loadStructure(structure::readCif(path)); }

void clLAUE::loadStructure(const structure::StructureFile& file) {
    // Everything that can fail is checked before the engine changes.
    getKa12();
    engine::validateCell(
        {file.cell[0], file.cell[1], file.cell[2], file.cell[3], file.cell[4], file.cell[5]});
    if (file.spaceGroupRow < 0 || file.spaceGroupRow >= symmetry::kSpaceGroupRows)
        throw Error(Error::SubscriptOutOfRange, "Subscript out of range: the file's space group is unknown");
    // The atoms are expanded first: a structure too large to expand, or an
    // expansion cancelled through the progress callback, changes nothing.
    const std::string& hall = symmetry::spaceGroupTable()[static_cast<std::size_t>(file.spaceGroupRow)].hall;
    const symmetry::SymmetryOps symmetry =
        file.ownOperations.empty()
            ? symmetry::interpretHall(hall)
            : symmetry::symmetryOfOperations(file.ownOperations, file.spaceGroupSymbol);
    std::vector<structure::CellAtom> expanded = structure::expandAtoms(file.atoms, symmetry.ops, progress_);

    header_ = structure::headerOf(file);
    asymmetric_ = file.atoms;
    structureText_ = file.text;
    structureNotes_ = file.notes;
    for (int i = 0; i < 6; ++i) cell[static_cast<std::size_t>(i)] = file.cell[static_cast<std::size_t>(i)];
    if (file.recordedGamma) recordedGamma = *file.recordedGamma;
    m_tit = header_.title;
    symmetryNote_ = file.symmetryNote;
    // Installing the symmetry would expand the atoms once more.
    bCSF = false;
    if (file.ownOperations.empty())
        installRow(file.spaceGroupRow);
    else
        installOperations(file.ownOperations, file.spaceGroupSymbol, file.spaceGroupRow);
    bCSF = true;
    cellAtoms_ = std::move(expanded);
}

void clLAUE::installRow(int row) {
    const symmetry::EntryStrings entry = SGTAB_getEntry(row);
    SGTAB_getHallMatrices(entry[1]);
    writeSymmetryListing();
    m_spg = static_cast<int16_t>(util::val(entry[0]));
}

void clLAUE::resetStructure() {
    header_ = structure::StructureHeader{};
    asymmetric_.clear();
    cellAtoms_.clear();
    structureText_.clear();
    structureNotes_.clear();
    bCSF = false;
}

void clLAUE::expandAtoms() {
    if (!bCSF) return;
    cellAtoms_ = structure::expandAtoms(asymmetric_, symmetry_.ops, progress_);
}

std::string clLAUE::getStructureTitle() const {
    if (!bCSF) return "No structure data available";
    return header_.title + ", " + header_.formula;
}

}  // namespace lumora
