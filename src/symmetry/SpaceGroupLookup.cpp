#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {

namespace {

std::string without(std::string text, std::string_view part) {
    return util::replaceAll(std::move(text), part, "");
}

// What the matchers compare, derived once per row from the constant table.
struct RowKeys {
    int number = 0;
    std::string fullLabel;                 // as shown, for the ":R" test
    std::array<std::string, 3> firstName;  // ".P 21/C.", ".P21/C.", ".P21/C." (passes 0, 1, 2)
    std::string laterNames;                // full label upper-cased without blanks (later names)
    std::string compact;                   // pass 3: qualifier ones and blanks dropped, cut before ":"
    std::string hmUpper;                   // HM label upper-cased (lookup by HM symbol)
    std::string hallDotted;                // Hall symbol upper-cased + "." (lookup by Hall suffix)
};

std::vector<RowKeys> buildKeys() {
    std::vector<RowKeys> keys;
    keys.reserve(kSpaceGroupRows);
    for (const SpaceGroupRow& row : spaceGroupTable()) {
        RowKeys k;
        k.number = static_cast<int>(util::nearest(util::val(row.number)));
        k.fullLabel = fullLabel(row);
        std::string t = "." + util::toUpper(k.fullLabel);
        if (const auto eq = t.find('='); eq != std::string::npos) t = util::trim(t.substr(0, eq));
        t += ".";
        k.firstName = {t, without(t, " "), without(without(t, " "), "-")};
        k.laterNames = without(util::toUpper(k.fullLabel), " ");
        std::string c = without(without(without(k.fullLabel, " 1 1 "), " 1 "), " ");
        c = util::toUpper(c);
        if (const auto colon = c.find(':'); colon != std::string::npos) c.resize(colon);
        k.compact = c;
        k.hmUpper = util::toUpper(hmLabel(row));
        k.hallDotted = util::toUpper(row.hall) + ".";
        keys.push_back(std::move(k));
    }
    return keys;
}

const std::vector<RowKeys>& rowKeys() {
    static const std::vector<RowKeys> keys = buildKeys();
    return keys;
}

// Leading number of a symbol, rounded; 0 when there is none or it is absurdly
// large (a symbol is never refused).
double requestedNumber(const std::string& symbol) {
    try {
        return util::nearest(util::val(symbol));
    } catch (const Error&) {
        return 0.0;
    }
}

// The search key: dotted, upper-cased, one trailing qualifier letter of each
// kind dropped, and a bar written after its digit moved in front of it.
std::string searchKey(const std::string& symbol) {
    std::string s = "." + util::toUpper(util::trim(symbol)) + ".";
    for (const char* qualifier : {"Z.", "S.", "H.", "R."}) s = util::replaceAll(s, qualifier, ".");
    const std::string tail = util::trim(s);
    if (tail.size() >= 3 && tail.compare(tail.size() - 3, 3, "1-.") == 0) s = util::replaceAll(s, "1-", "-1");
    if (util::contains(s, "3-")) s = util::replaceAll(s, "3-", "-3");
    if (util::contains(s, "4-")) s = util::replaceAll(s, "4-", "-4");
    return s;
}

// Passes 0 to 2: the key against the first name (dotted) or a later name
// (between "=" signs). Pass 1 ignores blanks, pass 2 also bars.
bool nameMatches(const RowKeys& row, const std::string& s, const std::string& between, int pass) {
    return util::contains(row.firstName[pass], s) || util::contains(row.laterNames, between);
}

}  // namespace

bool prefersRhombohedralAxes(const std::array<float, 6>& cell, float recordedGamma) {
    // Lengths agree within 0.1 %, angles within 0.05 degrees.
    const auto sameLength = [](float p, float q) {
        return std::fabs(p - q) <= 1e-3f * std::max(std::fabs(p), std::fabs(q));
    };
    const auto sameAngle = [](float p, float q) { return std::fabs(p - q) <= 0.05f; };
    if (sameLength(cell[0], cell[1]) && sameAngle(cell[5], 120.0f)) return false;
    if (sameLength(cell[0], cell[1]) && sameLength(cell[1], cell[2]) && sameAngle(cell[3], cell[4]) &&
        sameAngle(cell[4], cell[5]))
        return true;
    return recordedGamma != 120.0f;
}

int findHallEntry(std::string& symbol, bool rhombohedralAxes) {
    const auto& keys = rowKeys();
    // Callers pass trimmed symbols; looking past blanks keeps an untrimmed one
    // from silently losing its rhombohedral preference.
    const std::string first = util::trim(symbol).substr(0, 1);
    bool rhombohedral = first == "R" && rhombohedralAxes;
    if (util::contains(symbol, ":H")) {
        symbol = util::replaceAll(symbol, ":H", "");
        rhombohedral = false;
    }
    std::string s = searchKey(symbol);
    const double n = requestedNumber(symbol);
    const bool numbered = n >= 1 && n <= 230;

    for (int pass = 0; pass < 4; ++pass) {
        if (pass == 1) s = without(s, " ");
        if (pass == 2) s = without(s, "-");
        if (pass == 3) s = without(s, ".");
        const std::string between = util::replaceAll(s, ".", "=");
        for (int row = 0; row < kSpaceGroupRows; ++row) {
            const RowKeys& k = keys[row];
            if (pass == 3) {
                if (util::contains(k.compact, s)) return row;
                continue;
            }
            if (nameMatches(k, s, between, pass)) {
                // A name that fits but lacks the preferred axes is passed over,
                // not tried by number.
                if (util::contains(k.fullLabel, ":R") || !rhombohedral) return row;
            } else if (numbered && k.number == n) {
                return row;
            }
        }
    }
    return 0;
}

EntryStrings getEntry(int row) {
    if (row < 0 || row >= kSpaceGroupRows) return {};
    const SpaceGroupRow& r = spaceGroupTable()[row];
    EntryStrings entry;
    entry[0] = std::to_string(rowKeys()[row].number);
    entry[1] = util::trim(r.hall);
    entry[2] = util::trim(fullLabel(r));
    entry[3] = util::trim(hmLabel(r));
    return entry;
}

std::vector<std::string> hallsOfNumber(const std::string& numberText) {
    std::vector<std::string> halls;
    for (const SpaceGroupRow& row : spaceGroupTable()) {
        if (numberText == row.number) halls.emplace_back(row.hall);
        if (halls.size() == 100) break;
    }
    return halls;
}

int lookupRow(int number, const std::string& hm, const std::string& hall) {
    const auto& table = spaceGroupTable();
    const auto& keys = rowKeys();
    const std::string hmKey = util::toUpper(hm);
    const std::string hallKey = util::toUpper(hall) + ".";
    for (int row = 0; row < kSpaceGroupRows; ++row) {
        const RowKeys& k = keys[row];
        // By number, origin choice 2 wins over 1 where a group has both.
        if (number >= 1 && number <= 230 && k.number == number && table[row].extension[0] != '1') return row;
        if (!hm.empty() && util::contains(k.hmUpper, hmKey)) return row;
        // Suffix match, so a symbol without its leading blank still finds its row.
        if (!hall.empty() && util::contains(k.hallDotted, hallKey)) return row;
    }
    return -1;
}

EntryStrings lookup(int number, const std::string& hm, const std::string& hall) {
    const int row = lookupRow(number, hm, hall);
    if (row < 0) return {};
    const SpaceGroupRow& r = spaceGroupTable()[row];
    return {r.number, r.hall, fullLabel(r), hmLabel(r)};
}

}  // namespace lumora::symmetry
