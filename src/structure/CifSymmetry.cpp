#include "structure/CifSymmetry.h"

#include <algorithm>
#include <cmath>

#include "symmetry/HallSymbol.h"
#include "symmetry/OperationList.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

using symmetry::kSpaceGroupRows;
using symmetry::spaceGroupTable;

// A space group has at most 192 operations in a conventional cell.
constexpr std::size_t kMostOperations = 192;

int rowNumber(int row) { return static_cast<int>(util::val(spaceGroupTable()[row].number)); }

double reduced(double t) {
    t -= std::floor(t);
    return t > 1.0 - 1e-6 ? 0.0 : t;
}

bool sameOperation(const OperationKey& a, const OperationKey& b) {
    if (a.rotation != b.rotation) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        const double d = a.translation[i] - b.translation[i];
        if (std::fabs(d - std::nearbyint(d)) > 1e-3) return false;
    }
    return true;
}

bool containsOperation(const std::vector<OperationKey>& set, const OperationKey& op) {
    return std::any_of(set.begin(), set.end(), [&](const OperationKey& o) { return sameOperation(o, op); });
}

// The operations of every table row, interpreted once.
const std::vector<std::vector<OperationKey>>& tableOperations() {
    static const std::vector<std::vector<OperationKey>> all = [] {
        std::vector<std::vector<OperationKey>> rows(kSpaceGroupRows);
        for (int r = 0; r < kSpaceGroupRows; ++r) {
            for (const symmetry::SymOp& op : symmetry::interpretHall(spaceGroupTable()[r].hall).ops) {
                OperationKey key;
                for (std::size_t i = 0; i < 3; ++i) {
                    for (std::size_t j = 0; j < 3; ++j)
                        key.rotation[3 * i + j] = static_cast<int>(std::lround(op.matrix[i][j]));
                    key.translation[i] = reduced(op.matrix[i][3]);
                }
                if (!containsOperation(rows[r], key)) rows[r].push_back(key);
            }
        }
        return rows;
    }();
    return all;
}

std::string extension(int row) { return spaceGroupTable()[row].extension; }

// The choice when nothing in the file tells settings apart: axes from the
// cell (hexagonal when it tells neither), then origin choice 2 (the by-number
// choice of the table look-up), then table order.
int pickDefault(const std::vector<int>& candidates, const CellConstants& cell) {
    const bool axesChoice = std::any_of(candidates.begin(), candidates.end(),
                                        [](int r) { return extension(r) == "H" || extension(r) == "R"; });
    if (axesChoice) {
        const std::string wanted = symmetry::prefersRhombohedralAxes(cell, 120.0f) ? "R" : "H";
        for (int r : candidates)
            if (extension(r) == wanted) return r;
    }
    for (int r : candidates)
        if (extension(r).starts_with("2")) return r;
    return candidates.front();
}

bool sameSet(const std::vector<OperationKey>& a, const std::vector<OperationKey>& b) {
    return a.size() == b.size() &&
           std::all_of(a.begin(), a.end(), [&](const OperationKey& op) { return containsOperation(b, op); });
}

std::vector<int> rowsWithOperations(const std::vector<int>& rows, const std::vector<OperationKey>& listed) {
    const auto& table = tableOperations();
    std::vector<int> matching;
    for (int r : rows)
        if (sameSet(table[static_cast<std::size_t>(r)], listed)) matching.push_back(r);
    return matching;
}

// The first row whose rotations are those of the list, translations aside: a
// group of the same point group in the table's orientation, to name it by.
int rowWithRotations(const std::vector<OperationKey>& listed) {
    const auto rotations = [](const std::vector<OperationKey>& ops) {
        std::vector<std::array<int, 9>> r;
        for (const OperationKey& op : ops)
            if (std::find(r.begin(), r.end(), op.rotation) == r.end()) r.push_back(op.rotation);
        std::sort(r.begin(), r.end());
        return r;
    };
    const auto wanted = rotations(listed);
    const auto& table = tableOperations();
    for (int r = 0; r < kSpaceGroupRows; ++r)
        if (rotations(table[static_cast<std::size_t>(r)]) == wanted) return r;
    return 0;
}

std::string firstName(int row) {
    return util::trim(util::splitBy(symmetry::hmLabel(spaceGroupTable()[row]), "=").front());
}

}  // namespace

std::optional<OperationKey> parseOperation(std::string_view text) {
    std::string s;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\'' && c != '"') s.push_back(c);
    const std::vector<std::string> parts = util::splitBy(s, ",");
    if (parts.size() != 3 || std::count(s.begin(), s.end(), ',') != 2) return std::nullopt;

    OperationKey key;
    std::array<double, 9> rotation{};
    for (std::size_t row = 0; row < 3; ++row) {
        const std::string& p = parts[row];
        std::size_t i = 0;
        double translation = 0.0;
        while (i < p.size()) {
            double sign = 1.0;
            if (p[i] == '+' || p[i] == '-') sign = p[i++] == '-' ? -1.0 : 1.0;
            double value = 1.0;
            bool number = false;
            const std::size_t start = i;
            while (i < p.size() && (std::isdigit(static_cast<unsigned char>(p[i])) || p[i] == '.')) ++i;
            if (i > start) {
                double parsed = 0.0;
                if (!util::parseStrictNumber(p.substr(start, i - start), parsed)) return std::nullopt;
                value = parsed;
                number = true;
                if (i < p.size() && p[i] == '/') {
                    const std::size_t d = ++i;
                    while (i < p.size() && std::isdigit(static_cast<unsigned char>(p[i]))) ++i;
                    double denominator = 0.0;
                    if (i == d || !util::parseStrictNumber(p.substr(d, i - d), denominator) ||
                        denominator == 0.0)
                        return std::nullopt;
                    value /= denominator;
                }
                if (i < p.size() && p[i] == '*') ++i;
            }
            const char axis =
                i < p.size() ? static_cast<char>(std::tolower(static_cast<unsigned char>(p[i]))) : 0;
            if (axis == 'x' || axis == 'y' || axis == 'z') {
                rotation[3 * row + static_cast<std::size_t>(axis - 'x')] += sign * value;
                ++i;
            } else if (number) {
                translation += sign * value;
            } else {
                return std::nullopt;
            }
        }
        if (!std::isfinite(translation)) return std::nullopt;
        key.translation[row] = reduced(translation);
    }
    for (std::size_t i = 0; i < 9; ++i) {
        const double r = std::nearbyint(rotation[i]);
        if (std::fabs(rotation[i] - r) > 1e-6 || std::fabs(r) > 2) return std::nullopt;
        key.rotation[i] = static_cast<int>(r);
    }
    // A symmetry operation keeps volumes: determinant +1 or -1.
    const auto& m = key.rotation;
    const int det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                    m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (det != 1 && det != -1) return std::nullopt;
    return key;
}

symmetry::Mat4 matrixOf(const OperationKey& op) {
    symmetry::Mat4 m = symmetry::identityMatrix();
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) m[i][j] = static_cast<float>(op.rotation[3 * i + j]);
        m[i][3] = static_cast<float>(op.translation[i]);
    }
    return m;
}

ResolvedSpaceGroup resolveSpaceGroup(const CifSpaceGroup& group, const CellConstants& cell) {
    const std::string hall = util::trim(group.hall);
    const std::string hm = util::trim(group.hermannMauguin);
    std::vector<int> named;
    if (!hall.empty()) {
        if (const int row = rowOfHall(hall); row >= 0) named.push_back(row);
    }
    if (named.empty() && !hm.empty()) {
        named = symmetry::rowsNamedBy(hm);
        // A setting written beside the symbol narrows it where it fits.
        const std::string code = util::trim(group.settingCode);
        if (splitSetting(hm).second.empty() && !code.empty()) {
            std::vector<int> chosen;
            for (int r : named)
                if (symmetry::matchesSetting(r, code)) chosen.push_back(r);
            if (!chosen.empty()) named = chosen;
        }
    }
    if (named.empty() && group.number >= 1 && group.number <= 230) {
        for (int r = 0; r < kSpaceGroupRows; ++r)
            if (rowNumber(r) == group.number) named.push_back(r);
    }

    std::vector<OperationKey> listed;
    for (const std::string& text : group.operations) {
        const std::optional<OperationKey> op = parseOperation(text);
        if (!op) {
            listed.clear();  // an unreadable list tells nothing
            break;
        }
        if (!containsOperation(listed, *op)) listed.push_back(*op);
    }

    const std::string fileName = !hm.empty()        ? hm
                                 : !hall.empty()    ? hall
                                 : group.number > 0 ? std::to_string(group.number)
                                                    : std::string();
    if (listed.empty()) {
        if (named.empty()) {
            if (fileName.empty()) throw Error(Error::TypeMismatch, "The CIF file names no space group");
            throw Error(Error::TypeMismatch, "The CIF file names an unknown space group '" +
                                                 (hm.empty() ? fileName : splitSetting(hm).first) + "'");
        }
        return {pickDefault(named, cell), {}, {}};
    }

    std::vector<symmetry::Mat4> matrices;
    for (const OperationKey& op : listed) matrices.push_back(matrixOf(op));
    if (listed.size() > kMostOperations)
        throw Error(Error::TypeMismatch, "The CIF file lists more than " + std::to_string(kMostOperations) +
                                             " symmetry operations");
    if (!symmetry::isGroup(matrices))
        throw Error(Error::TypeMismatch, "The symmetry operations of the CIF file do not form a group");

    if (const auto matching = rowsWithOperations(named, listed); !matching.empty())
        return {pickDefault(matching, cell), {}, {}};
    std::vector<int> all(kSpaceGroupRows);
    for (int r = 0; r < kSpaceGroupRows; ++r) all[static_cast<std::size_t>(r)] = r;
    if (const auto matching = rowsWithOperations(all, listed); !matching.empty()) {
        const int row = pickDefault(matching, cell);
        std::string note;
        if (!fileName.empty())
            note = "The CIF file names the space group " + fileName +
                   " but lists the symmetry operations of " + firstName(row) + "; its operations are used";
        return {row, {}, note};
    }

    // No setting of the table has these operations: they are used as they are.
    ResolvedSpaceGroup own;
    own.row = named.empty() ? rowWithRotations(listed) : pickDefault(named, cell);
    own.ownOperations = listed;
    if (!named.empty())
        own.note = "The symmetry operations of the CIF file are those of no setting of " + fileName +
                   " in the table; the file's own operations are used";
    else if (!fileName.empty())
        own.note = "The space group " + fileName +
                   " of the CIF file is not in the table; the file's own symmetry operations are used";
    return own;
}

}  // namespace lumora::structure
