#include "structure/CellLattice.h"

#include <cmath>
#include <vector>

#include "symmetry/SpaceGroupTable.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

bool sameLength(float x, float y) { return std::fabs(x - y) <= 0.001f * std::fmax(x, y); }
bool sameAngle(float x, float y) { return std::fabs(x - y) <= 0.05f; }

// "a = 3.84, α = 60°": the chosen constants, each skipped where it equals one
// already quoted.
std::string quoted(const CellConstants& cell, const std::vector<std::size_t>& which) {
    static const char* const names[6] = {"a", "b", "c", "α", "β", "γ"};
    std::string text;
    std::vector<std::size_t> shown;
    for (const std::size_t i : which) {
        bool repeated = false;
        for (const std::size_t j : shown) repeated = repeated || ((i < 3) == (j < 3) && cell[i] == cell[j]);
        if (repeated) continue;
        shown.push_back(i);
        if (!text.empty()) text += ", ";
        text += std::string(names[i]) + " = " + util::singleText(cell[i]) + (i < 3 ? "" : "°");
    }
    return text;
}

}  // namespace

std::string cellLatticeMisfit(const CellConstants& cell, int number, std::string_view extension,
                              std::string_view groupName) {
    const float a = cell[0], b = cell[1], c = cell[2], alpha = cell[3], beta = cell[4], gamma = cell[5];
    bool fits = true;
    std::string system;
    std::vector<std::size_t> about;
    if (number >= 3 && number <= 15) {
        // The setting names its unique axis first ("b1", "-c2", "a"); b by default.
        std::string_view axis = extension;
        if (!axis.empty() && axis.front() == '-') axis.remove_prefix(1);
        const char unique = axis.empty() ? 'b' : axis.front();
        const std::size_t uniqueAngle = unique == 'a' ? 3 : unique == 'c' ? 5 : 4;
        for (std::size_t i = 3; i < 6; ++i)
            if (i != uniqueAngle) {
                about.push_back(i);
                fits = fits && sameAngle(cell[i], 90);
            }
        system = "monoclinic";
        const std::string tail = std::string(" (unique axis ") + unique + ")";
        if (fits) return {};
        return "The cell " + quoted(cell, about) + " does not fit the " + system + " space group " +
               std::string(groupName) + tail;
    }
    if (number >= 16 && number <= 74) {
        system = "orthorhombic";
        about = {3, 4, 5};
        fits = sameAngle(alpha, 90) && sameAngle(beta, 90) && sameAngle(gamma, 90);
    } else if (number >= 75 && number <= 142) {
        system = "tetragonal";
        about = {0, 1, 3, 4, 5};
        fits = sameLength(a, b) && sameAngle(alpha, 90) && sameAngle(beta, 90) && sameAngle(gamma, 90);
    } else if (number >= 143 && number <= 167 && extension == "R") {
        system = "rhombohedral";
        about = {0, 1, 2, 3, 4, 5};
        fits = sameLength(a, b) && sameLength(b, c) && sameLength(a, c) && sameAngle(alpha, beta) &&
               sameAngle(beta, gamma) && sameAngle(alpha, gamma);
    } else if (number >= 143 && number <= 194) {
        system = number <= 167 ? "trigonal" : "hexagonal";
        about = {0, 1, 3, 4, 5};
        fits = sameLength(a, b) && sameAngle(alpha, 90) && sameAngle(beta, 90) && sameAngle(gamma, 120);
    } else if (number >= 195 && number <= 230) {
        system = "cubic";
        about = {0, 1, 2, 3, 4, 5};
        fits = sameLength(a, b) && sameLength(b, c) && sameLength(a, c) && sameAngle(alpha, 90) &&
               sameAngle(beta, 90) && sameAngle(gamma, 90);
    }
    if (fits) return {};
    return "The cell " + quoted(cell, about) + " does not fit the " + system + " space group " +
           std::string(groupName);
}

std::string cellLatticeMisfit(const CellConstants& cell, int row) {
    if (row < 0 || row >= symmetry::kSpaceGroupRows) return {};
    const symmetry::SpaceGroupRow& entry = symmetry::spaceGroupTable()[static_cast<std::size_t>(row)];
    const std::string name = util::trim(util::splitBy(symmetry::hmLabel(entry), "=").front());
    return cellLatticeMisfit(cell, static_cast<int>(util::val(entry.number)), entry.extension, name);
}

}  // namespace lumora::structure
