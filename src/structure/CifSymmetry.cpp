#include "structure/CifSymmetry.h"

#include <algorithm>
#include <cmath>

#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

using symmetry::kSpaceGroupRows;
using symmetry::spaceGroupTable;

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

// Upper case without blanks or underscores: "P_1_21/n_1" and "p 1 21/N 1" meet.
std::string symbolKey(std::string_view text) {
    std::string key;
    for (const char c : util::toUpper(text))
        if (c != ' ' && c != '_' && c != '\t') key.push_back(c);
    return key;
}

// Upper case, single blanks, and the double quote of a Hall symbol written as
// two single quotes, as the table has it.
std::string hallKey(std::string_view text) {
    std::string s = util::replaceAll(util::replaceAll(std::string(text), "\"", "''"), "\t", " ");
    std::string key;
    for (const char c : util::toUpper(util::trim(s)))
        if (c != ' ' || (!key.empty() && key.back() != ' ')) key.push_back(c);
    return key;
}

std::string withoutBars(std::string key) { return util::replaceAll(std::move(key), "-", ""); }

// The names of a row ("P_21/c = P_1_21/n_1") as keys, and the short forms of
// its monoclinic names ("P21/N" for "P 1 21/n 1").
struct RowNames {
    std::vector<std::string> full, shortened;
};

RowNames namesOf(int row) {
    RowNames names;
    for (const std::string& name : util::splitBy(spaceGroupTable()[row].labels, "=")) {
        names.full.push_back(symbolKey(name));
        const std::vector<std::string> parts = util::splitBy(name, "_");
        if (parts.size() == 4 && std::count(parts.begin() + 1, parts.end(), "1") == 2) {
            std::string shortName = parts[0];
            for (std::size_t i = 1; i < 4; ++i)
                if (parts[i] != "1") shortName += parts[i];
            names.shortened.push_back(symbolKey(shortName));
        }
    }
    return names;
}

int rowNumber(int row) { return static_cast<int>(util::val(spaceGroupTable()[row].number)); }
std::string extension(int row) { return spaceGroupTable()[row].extension; }

bool matchesSetting(int row, const std::string& setting) {
    const std::string ext = extension(row);
    const std::string s = util::toUpper(setting);
    if (s == "H" || s == "R") return ext == s;
    if (s == "1" || s == "S") return !ext.empty() && ext[0] == '1';
    if (s == "2" || s == "Z") return !ext.empty() && ext[0] == '2';
    return ext == setting;
}

bool isHexagonalCell(const CellConstants& cell) {
    return std::fabs(cell[5] - 120.0f) < 0.01f && std::fabs(cell[0] - cell[1]) <= 1e-3f * cell[0];
}

bool isRhombohedralCell(const CellConstants& cell) {
    const auto near = [](float p, float q) {
        return std::fabs(p - q) <= 1e-3f * std::max(std::fabs(p), 1.0f);
    };
    return near(cell[0], cell[1]) && near(cell[1], cell[2]) && near(cell[3], cell[4]) &&
           near(cell[4], cell[5]);
}

// The choice when nothing in the file tells settings apart: axes from the
// cell, then origin choice 2 (the by-number choice of the table look-up), then
// table order.
int pickDefault(const std::vector<int>& candidates, const CellConstants& cell) {
    const bool axesChoice = std::any_of(candidates.begin(), candidates.end(),
                                        [](int r) { return extension(r) == "H" || extension(r) == "R"; });
    if (axesChoice) {
        const std::string wanted = !isHexagonalCell(cell) && isRhombohedralCell(cell) ? "R" : "H";
        for (int r : candidates)
            if (extension(r) == wanted) return r;
    }
    for (int r : candidates)
        if (extension(r).starts_with("2")) return r;
    return candidates.front();
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

int rowOfHall(std::string_view hall) {
    const std::string wanted = hallKey(hall);
    if (wanted.empty()) return -1;
    for (int r = 0; r < kSpaceGroupRows; ++r)
        if (hallKey(spaceGroupTable()[r].hall) == wanted) return r;
    return -1;
}

std::pair<std::string, std::string> splitSetting(std::string_view symbol) {
    const std::string text = util::trim(util::replaceAll(std::string(symbol), "\t", " "));
    if (const auto colon = text.rfind(':'); colon != std::string::npos)
        return {util::trim(text.substr(0, colon)), util::trim(text.substr(colon + 1))};
    const auto blank = text.rfind(' ');
    if (blank != std::string::npos) {
        const std::string last = text.substr(blank + 1);
        if (last == "H" || last == "R" || last == "S" || last == "Z")
            return {util::trim(text.substr(0, blank)), last};
    }
    return {text, ""};
}

std::vector<int> rowsOfSymbol(std::string_view symbol) {
    const std::string wanted = symbolKey(symbol);
    std::vector<int> rows;
    if (wanted.empty()) return rows;
    static const std::vector<RowNames> names = [] {
        std::vector<RowNames> all;
        all.reserve(kSpaceGroupRows);
        for (int r = 0; r < kSpaceGroupRows; ++r) all.push_back(namesOf(r));
        return all;
    }();
    const auto collect = [&](auto&& matches) {
        for (int r = 0; r < kSpaceGroupRows; ++r)
            if (matches(r)) rows.push_back(r);
        return !rows.empty();
    };
    const auto among = [](const std::vector<std::string>& keys, const std::string& key) {
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    if (collect([&](int r) { return among(names[r].full, wanted); })) return rows;
    if (collect([&](int r) { return among(names[r].shortened, wanted); })) return rows;
    // Older cubic symbols leave out the bar of the 3 (F m 3 m).
    collect([&](int r) {
        if (rowNumber(r) < 195) return false;
        for (const std::string& name : names[r].full)
            if (withoutBars(name) == withoutBars(wanted)) return true;
        return false;
    });
    return rows;
}

int resolveSpaceGroup(const CifSpaceGroup& group, const CellConstants& cell) {
    if (!util::trim(group.hall).empty()) {
        if (const int row = rowOfHall(group.hall); row >= 0) return row;
    }

    std::vector<int> candidates;
    const auto [base, inlineSetting] = splitSetting(group.hermannMauguin);
    if (!base.empty()) {
        candidates = rowsOfSymbol(base);
        const std::string setting = inlineSetting.empty() ? util::trim(group.settingCode) : inlineSetting;
        std::vector<int> chosen;
        for (int r : candidates)
            if (!setting.empty() && matchesSetting(r, setting)) chosen.push_back(r);
        if (!chosen.empty()) candidates = chosen;
    }
    if (candidates.empty() && group.number >= 1 && group.number <= 230) {
        for (int r = 0; r < kSpaceGroupRows; ++r)
            if (rowNumber(r) == group.number) candidates.push_back(r);
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
    const bool fromOperationsOnly = candidates.empty() && !listed.empty();
    if (fromOperationsOnly)
        for (int r = 0; r < kSpaceGroupRows; ++r) candidates.push_back(r);

    if (candidates.empty()) {
        if (base.empty() && group.number == 0)
            throw Error(Error::TypeMismatch, "The CIF file names no space group");
        throw Error(Error::TypeMismatch, "The CIF file names an unknown space group '" +
                                             (base.empty() ? std::to_string(group.number) : base) + "'");
    }

    if (candidates.size() > 1 && !listed.empty()) {
        const auto& table = tableOperations();
        std::vector<int> matching;
        for (int r : candidates) {
            const auto& ops = table[static_cast<std::size_t>(r)];
            if (ops.size() == listed.size() &&
                std::all_of(listed.begin(), listed.end(),
                            [&](const OperationKey& op) { return containsOperation(ops, op); }))
                matching.push_back(r);
        }
        if (!matching.empty()) return pickDefault(matching, cell);
        if (fromOperationsOnly)
            throw Error(Error::TypeMismatch,
                        "The symmetry operations of the CIF file match no space-group setting");
    }
    return pickDefault(candidates, cell);
}

}  // namespace lumora::structure
