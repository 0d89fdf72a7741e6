#include "symmetry/SymbolResolution.h"

#include <algorithm>
#include <cctype>

#include "symmetry/SpaceGroupTable.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {

namespace {

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

// A bar written after its digit ("P4-3M", "P1-") moved in front of it.
std::string barsInFront(const std::string& key) {
    std::string out = key;
    for (std::size_t i = 1; i < out.size(); ++i)
        if (out[i] == '-' && std::string_view("1346").find(out[i - 1]) != std::string_view::npos &&
            (i < 2 || out[i - 2] != '-'))
            std::swap(out[i - 1], out[i]);
    return out;
}

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

const std::vector<RowNames>& allNames() {
    static const std::vector<RowNames> names = [] {
        std::vector<RowNames> all;
        all.reserve(kSpaceGroupRows);
        for (int r = 0; r < kSpaceGroupRows; ++r) all.push_back(namesOf(r));
        return all;
    }();
    return names;
}

int rowNumber(int row) { return static_cast<int>(util::val(spaceGroupTable()[row].number)); }

// The rows of a group number written as the whole symbol ("14", " 227 ").
std::vector<int> rowsOfNumber(const std::string& text) {
    std::vector<int> rows;
    double number = 0;
    if (!util::parseStrictNumber(text, number) || number != static_cast<int>(number)) return rows;
    for (int r = 0; r < kSpaceGroupRows; ++r)
        if (rowNumber(r) == static_cast<int>(number)) rows.push_back(r);
    return rows;
}

}  // namespace

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
        const std::string last = util::toUpper(text.substr(blank + 1));
        if (last == "H" || last == "R" || last == "S" || last == "Z")
            return {util::trim(text.substr(0, blank)), last};
    }
    return {text, ""};
}

bool matchesSetting(int row, std::string_view setting) {
    if (row < 0 || row >= kSpaceGroupRows) return false;
    const std::string ext = util::toUpper(spaceGroupTable()[row].extension);
    const std::string s = util::toUpper(util::trim(setting));
    if (s == "H" || s == "R") return ext == s;
    if (s == "1" || s == "S") return !ext.empty() && ext[0] == '1';
    if (s == "2" || s == "Z") return !ext.empty() && ext[0] == '2';
    return ext == s;
}

std::vector<int> rowsOfSymbol(std::string_view symbol) {
    const std::string wanted = symbolKey(symbol);
    std::vector<int> rows;
    if (wanted.empty()) return rows;
    const auto& names = allNames();
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

std::vector<int> rowsNamedBy(std::string_view symbol) {
    const std::string whole = util::trim(std::string(symbol));
    if (whole.empty()) return {};
    const auto [base, setting] = splitSetting(whole);

    // A named copy: clang before 16 cannot capture a structured binding.
    const auto& wanted = setting;
    const auto withSetting = [&wanted](std::vector<int> rows) {
        const auto& setting = wanted;
        if (setting.empty()) return rows;
        std::vector<int> chosen;
        for (int r : rows)
            if (matchesSetting(r, setting)) chosen.push_back(r);
        return chosen;
    };
    std::vector<int> rows = rowsOfNumber(base);
    if (rows.empty()) rows = rowsOfSymbol(base);
    if (!rows.empty()) return withSetting(rows);
    if (const int row = rowOfHall(whole); row >= 0) return {row};
    // Last, a bar written after its digit; a Hall symbol such as " P 4 -2c"
    // would read so too, which is why it comes after them.
    const std::string moved = barsInFront(symbolKey(base));
    if (moved != symbolKey(base)) return withSetting(rowsOfSymbol(moved));
    return {};
}

int resolveSymbol(std::string_view symbol, bool rhombohedralAxes) {
    const std::vector<int> rows = rowsNamedBy(symbol);
    if (rows.empty()) return -1;
    const std::string wanted = rhombohedralAxes ? "R" : "H";
    for (int r : rows)
        if (spaceGroupTable()[r].extension == wanted) return r;
    return rows.front();
}

}  // namespace lumora::symmetry
