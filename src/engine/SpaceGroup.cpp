// Choosing a space group: table look-ups, installing the operations and the
// operation listing file.
#include <fstream>

#include "engine/LaueEngine.h"
#include "symmetry/OperationList.h"
#include "symmetry/SymbolResolution.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora {

bool clLAUE::rhombohedralAxes() const {
    return symmetry::prefersRhombohedralAxes({cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]},
                                             recordedGamma);
}

int16_t clLAUE::SGTAB_findHallEntry(std::string& symbol) const {
    return static_cast<int16_t>(symmetry::findHallEntry(symbol, rhombohedralAxes()));
}

void clLAUE::matchAxesToCell() {
    // A structure file's own operations are not a table setting to switch.
    if (ownOperations_) return;
    if (currentRow_ < 0 || currentRow_ >= symmetry::kSpaceGroupRows) return;
    const auto& table = symmetry::spaceGroupTable();
    const symmetry::SpaceGroupRow& current = table[static_cast<std::size_t>(currentRow_)];
    const std::string extension = current.extension;
    if (extension != "H" && extension != "R") return;
    const std::string wanted = rhombohedralAxes() ? "R" : "H";
    if (extension == wanted) return;
    // The cell was changed after the group was chosen: its other setting fits it.
    for (int row = 0; row < symmetry::kSpaceGroupRows; ++row) {
        const symmetry::SpaceGroupRow& r = table[static_cast<std::size_t>(row)];
        if (std::string_view(r.number) == current.number && r.extension == wanted) {
            installRow(row);
            return;
        }
    }
}

symmetry::EntryStrings clLAUE::SGTAB_getEntry(int row) {
    symmetry::EntryStrings entry = symmetry::getEntry(row);
    hallList = symmetry::hallsOfNumber(entry[0]);
    currentRow_ = row;
    return entry;
}

symmetry::EntryStrings clLAUE::SGTAB_lookup(int16_t number, const std::string& hm,
                                            const std::string& hall) const {
    return symmetry::lookup(number, hm, hall);
}

void clLAUE::SGTAB_getHallMatrices(const std::string& hall) {
    symmetry::SymmetryOps interpreted = symmetry::interpretHall(hall);
    // A symbol the interpreter cannot make a group of leaves the current one.
    if (const std::string refusal = symmetry::hallRefusal(interpreted, util::trim(hall)); !refusal.empty())
        throw Error(Error::InvalidCall, refusal);
    symmetry_ = std::move(interpreted);
    ownOperations_ = false;
    extinction_ = engine::ExtinctionRules(symmetry_.ops);
    // A loaded structure follows its space group.
    expandAtoms();
}

bool clLAUE::chooseSpaceGroup(const std::string& symbol) {
    const int row = symmetry::resolveSymbol(symbol, rhombohedralAxes());
    if (row < 0) return false;
    installRow(row);
    return true;
}

void clLAUE::installOperations(const std::vector<symmetry::Mat4>& ops, const std::string& name, int row) {
    symmetry_ = symmetry::symmetryOfOperations(ops, name);
    ownOperations_ = true;
    extinction_ = engine::ExtinctionRules(symmetry_.ops);
    // The row names the group in the list; its Hall list offers the table's settings.
    const symmetry::EntryStrings entry = SGTAB_getEntry(row);
    m_spg = static_cast<int16_t>(util::val(entry[0]));
    expandAtoms();
    writeSymmetryListing();
}

void clLAUE::SGTAB_find(const std::string& symbol) {
    std::string s = util::trim(symbol);
    const int row = SGTAB_findHallEntry(s);
    const symmetry::EntryStrings entry = SGTAB_getEntry(row);
    SGTAB_getHallMatrices(entry[1]);
    writeSymmetryListing();
}

void clLAUE::changeHall(int16_t index) {
    if (index < 0 || index >= static_cast<int16_t>(hallList.size())) return;
    const std::string hall = hallList[static_cast<std::size_t>(index)];
    SGTAB_getHallMatrices(hall);
    currentRow_ = symmetry::lookupRow(0, "", hall);
}

void clLAUE::writeSymmetryListing() const {
    // The listing is for the user to read; failing to write it never stops the choice.
    const std::string& folder = defaults_.listingFolder;
    if (folder.empty()) return;
    std::ofstream out(folder + "/symmetry.txt", std::ios::binary | std::ios::trunc);
    if (out) out << symmetry::listingText(symmetry_);
}

}  // namespace lumora
