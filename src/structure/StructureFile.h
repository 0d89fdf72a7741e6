#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "structure/Atoms.h"
#include "symmetry/Matrix.h"

namespace lumora::structure {

// What a structure reader takes from one file. Readers build it completely or
// throw lumora::Error; the engine takes it over only after a successful parse.
struct StructureFile {
    std::string title;    // NAME: tag, .cel title line, CIF name, else the file name
    std::string formula;  // FORM: tag or _chemical_formula_sum; empty otherwise
    CellConstants cell{};
    float cellVolume = 0.0f;
    int spaceGroupNumber = 0;      // 1..230
    std::string spaceGroupSymbol;  // as the file names it, or the table's HM label
    std::string hallSymbol;        // CIF: the Hall symbol when the file gives one
    int spaceGroupRow = 0;         // row of the space-group table the file selects
    // CIF: the file's own operations when no table row has them; they are
    // installed instead of the row, which then only names the group.
    std::vector<symmetry::Mat4> ownOperations;
    // A line for the load message when the file's space-group name and its
    // operations disagree; empty otherwise.
    std::string symmetryNote;
    // .csf files: the cell's gamma, which the engine records for the
    // rhombohedral-axes preference of its symbol look-up.
    std::optional<float> recordedGamma;
    std::vector<Atom> atoms;  // asymmetric unit, file order
    // Labels of the sites left out because their element cannot be known.
    std::vector<std::string> sitesLeftOut;
    // What the load has to tell beside a success, one line each ("3 sites
    // without a known element were left out: Wat1, Wat2, Wat3").
    std::vector<std::string> notes;
    std::string headerText;  // .csf lines other than atom, space-group, date and program tags, + CR LF
    std::string sourcePath;
    std::string text;  // the whole file, for showing it
};

// The structure header a successful load installs.
StructureHeader headerOf(const StructureFile& file);

// The trimmed text before the first blank; `text` keeps what follows, without
// leading blanks. Without a blank the whole trimmed text is returned and `text`
// is left as it was.
std::string nextToken(std::string& text);

// "1/3" gives 1 divided by 3 (0.33333334); other text is read as a number with
// the leading-number rule. A zero denominator raises Error 11.
float parseFraction(std::string_view text);

// The whole content of a file. Error 53 when it does not exist, 75 when it is
// not a readable regular file.
std::string readTextFile(const std::string& path);

}  // namespace lumora::structure
