#include "symmetry/HallSymbol.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {

namespace {

using Rot = std::array<std::array<int, 3>, 3>;

constexpr Rot kIdentityRotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

// Proper rotations about x, y and z for the orders 2, 3, 4 and 6, as the
// published definition of Hall symbols gives them.
constexpr Rot kAxisRotations[3][4] = {
    {{{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}},
     {{{1, 0, 0}, {0, 0, -1}, {0, 1, -1}}},
     {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},
     {{{1, 0, 0}, {0, 1, -1}, {0, 1, 0}}}},
    {{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}},
     {{{-1, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},
     {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},
     {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 1}}}},
    {{{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}},
     {{{0, -1, 0}, {1, -1, 0}, {0, 0, 1}}},
     {{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}},
     {{{1, -1, 0}, {1, 0, 0}, {0, 0, 1}}}},
};

Rot properRotation(int axisCode, int order) {
    constexpr int kColumnOfOrder[7] = {-1, -1, 0, 1, 2, -1, 3};
    const int column = order >= 0 && order <= 6 ? kColumnOfOrder[order] : -1;
    return column < 0 ? kIdentityRotation : kAxisRotations[axisCode][column];
}

// The body diagonal and the prime axes, each valid with one order only.
Rot specialRotation(int axisCode, int order) {
    if (axisCode == 3 && order == 3) return {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}};
    if (order == 2) {
        switch (axisCode) {
            case 44:
                return {{{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}}};
            case 55:
                return {{{0, 0, -1}, {0, -1, 0}, {-1, 0, 0}}};
            case 66:
                return {{{0, -1, 0}, {-1, 0, 0}, {0, 0, -1}}};
            case 4:
                return {{{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}};
            case 5:
                return {{{0, 0, 1}, {0, -1, 0}, {1, 0, 0}}};
            case 6:
                return {{{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}};
            default:
                break;
        }
    }
    return kIdentityRotation;
}

void confineTranslation(Mat4& m) {
    for (int i = 0; i < 3; ++i) m[i][3] = confine(m[i][3]);
}

bool hasRotation(const std::vector<Mat4>& list, const Mat4& m) {
    for (const Mat4& entry : list)
        if (matricesEqual(entry, m, 3, 3)) return true;
    return false;
}

bool hasMatrix(const std::vector<Mat4>& list, const Mat4& m) {
    for (const Mat4& entry : list)
        if (matricesEqual(entry, m, 4, 4)) return true;
    return false;
}

// Axis code of matrix symbol k from its own letters and the previous symbol.
int axisCode(const std::string& symbol, int k, int order, int previousCode, int previousOrder) {
    int code = 2;
    if (std::abs(order) == 1) code = 0;
    if (util::contains(symbol, "x"))
        code = 0;
    else if (util::contains(symbol, "y"))
        code = 1;
    if (util::contains(symbol, "3*")) code = 3;
    if (k == 2 && util::contains(symbol, "3")) code = 3;

    // An implicit two-fold follows the axis before it: across a three- or
    // six-fold it lies on a prime diagonal, after a two- or four-fold along x.
    if (k > 0 && (util::startsWith(symbol, "2") || util::startsWith(symbol, "-2"))) {
        const bool afterTriad = previousOrder == 3 || previousOrder == 6;
        if (previousCode == 0 && afterTriad) code = 44;
        if (previousCode == 1 && afterTriad) code = 55;
        if (previousCode == 2 && afterTriad) code = 66;
        if (previousCode == 3) code = 66;
        if (previousCode == 2 && (previousOrder == 2 || previousOrder == 4)) code = 0;
    }
    if (util::contains(symbol, "2''")) {
        if (previousCode == 0)
            code = 4;
        else if (previousCode == 1)
            code = 5;
        else if (previousCode == 2)
            code = 6;
    }
    return code;
}

// Generators and their products, the inversion and centring left out. The
// list is closed on rotation parts only, restarting after every new entry;
// products already found present stay present, so they are not recomputed.
std::vector<Mat4> closeGroup(std::vector<Mat4> list, std::size_t capacity, int& capacityReached) {
    std::vector<std::vector<bool>> present;
    bool added = true;
    while (added) {
        added = false;
        present.resize(list.size());
        for (auto& row : present) row.resize(list.size(), false);
        for (std::size_t a = 0; a < list.size() && !added; ++a) {
            for (std::size_t b = 0; b < list.size(); ++b) {
                if (present[a][b]) continue;
                Mat4 product = multiplyMatrix(list[a], list[b]);
                confineTranslation(product);
                if (!hasRotation(list, product)) {
                    if (list.size() >= capacity) {
                        capacityReached = static_cast<int>(capacity);
                        return list;
                    }
                    list.push_back(product);
                    added = true;
                }
                present[a][b] = true;
                if (added) break;
            }
        }
    }
    return list;
}

double shiftComponent(const std::string& text) {
    try {
        return util::val(text) / 12.0;
    } catch (const Error&) {
        return 0.0;
    }
}

SymOp makeOp(const Mat4& m) { return SymOp{operationText(m), m}; }

}  // namespace

int centeringVectors(std::string_view letter, std::array<CentringVector, 4>& out) {
    const std::string l = util::toUpper(letter);
    const float h = 1.0f / 2;
    const float t1 = 1.0f / 3;
    const float t2 = 2.0f / 3;
    std::vector<CentringVector> extra;
    if (l == "A")
        extra = {{"0 1/2 1/2", {0, h, h}}};
    else if (l == "B")
        extra = {{"1/2 0 1/2", {h, 0, h}}};
    else if (l == "C")
        extra = {{"1/2 1/2 0", {h, h, 0}}};
    else if (l == "I")
        extra = {{"1/2 1/2 1/2", {h, h, h}}};
    else if (l == "R")
        extra = {{"2/3 1/3 1/3", {t2, t1, t1}}, {"1/3 2/3 2/3", {t1, t2, t2}}};
    else if (l == "S")
        extra = {{"1/3 1/3 2/3", {t1, t1, t2}}, {"2/3 2/3 1/3", {t2, t2, t1}}};
    else if (l == "T")
        extra = {{"1/3 2/3 1/3", {t1, t2, t1}}, {"2/3 1/3 2/3", {t2, t1, t2}}};
    else if (l == "F")
        extra = {{"0 1/2 1/2", {0, h, h}}, {"1/2 0 1/2", {h, 0, h}}, {"1/2 1/2 0", {h, h, 0}}};
    out = {};
    out[0] = {"0 0 0", {0, 0, 0}};
    for (std::size_t i = 0; i < extra.size(); ++i) out[i + 1] = extra[i];
    return static_cast<int>(extra.size()) + 1;
}

std::array<float, 3> glideScrewVector(std::string_view symbol) {
    struct Translation {
        const char* part;
        float x, y, z;
    };
    static constexpr Translation kTranslations[] = {
        {"a", 1.0f / 2, 0, 0},  {"b", 0, 1.0f / 2, 0},
        {"c", 0, 0, 1.0f / 2},  {"n", 1.0f / 2, 1.0f / 2, 1.0f / 2},
        {"u", 1.0f / 4, 0, 0},  {"v", 0, 1.0f / 4, 0},
        {"w", 0, 0, 1.0f / 4},  {"d", 1.0f / 4, 1.0f / 4, 1.0f / 4},
        {"21", 0, 0, 1.0f / 2}, {"31", 0, 0, 1.0f / 3},
        {"32", 0, 0, 2.0f / 3}, {"41", 0, 0, 1.0f / 4},
        {"42", 0, 0, 2.0f / 4}, {"43", 0, 0, 3.0f / 4},
        {"61", 0, 0, 1.0f / 6}, {"62", 0, 0, 2.0f / 6},
        {"63", 0, 0, 3.0f / 6}, {"64", 0, 0, 4.0f / 6},
        {"65", 0, 0, 5.0f / 6},
    };
    const std::string s = util::toLower(symbol);
    std::array<float, 3> v{};
    for (const Translation& t : kTranslations) {
        if (!util::contains(s, t.part)) continue;
        v[0] += t.x;
        v[1] += t.y;
        v[2] += t.z;
    }
    return v;
}

void rotationMatrixFromAxis(int axisCode, int order, Mat4& m) {
    const int n = std::abs(order);
    const Rot r = axisCode <= 2 && axisCode >= 0 ? properRotation(axisCode, n) : specialRotation(axisCode, n);
    const float sign = order < 0 ? -1.0f : 1.0f;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = r[i][j] == 0 ? 0.0f : sign * static_cast<float>(r[i][j]);
}

float confine(float value) {
    if (!std::isfinite(value)) return 0.0f;
    // Whole turns come off exactly; the loop below then only sees [-2, 2).
    if (std::fabs(value) >= 2.0f) value -= std::floor(value);
    do {
        if (value < 0.0f) value += 1.0f;
        if (value >= 1.0f) value -= 1.0f;
        if (value > 0.9999f && value < 1.0f) value = 1.0f;
    } while (!(value >= 0.0f && value < 1.0f));
    return value == 0.0f ? 0.0f : value;  // no negative zero
}

double symbolOrder(std::string_view symbol) {
    std::string kept;
    for (char c : symbol)
        if (util::contains("-.1234567890", std::string_view(&c, 1))) kept.push_back(c);
    try {
        return util::val(kept);
    } catch (const Error&) {
        return 0.0;
    }
}

SymmetryOps interpretHall(std::string_view hall) {
    SymmetryOps result;
    std::string proper = util::trim(hall);
    std::string shiftPart;
    if (const auto paren = proper.find('('); paren != std::string::npos) {
        shiftPart = proper.substr(paren);
        proper = util::trim(proper.substr(0, paren));
    }

    result.centrosymmetric = !proper.empty() && proper[0] == '-';
    const std::size_t letterAt = result.centrosymmetric ? 1 : 0;
    const std::string letter = letterAt < proper.size() ? proper.substr(letterAt, 1) : std::string();
    // Room for the point operations before the inversion doubles them.
    const std::size_t capacity = result.centrosymmetric ? 24 : 48;

    result.centringCount = centeringVectors(letter, result.centring) - 1;

    Mat4 shift = identityMatrix();
    Mat4 unshift = identityMatrix();
    const bool shifted = !shiftPart.empty();
    if (shifted) {
        const auto numbers =
            util::splitBlanks(util::replaceAll(util::replaceAll(shiftPart, "(", " "), ")", " "));
        for (std::size_t i = 0; i < 3 && i < numbers.size(); ++i) {
            const auto v = static_cast<float>(shiftComponent(numbers[i]));
            shift[i][3] = v;
            unshift[i][3] = -v;
        }
    }

    const auto tokens = util::splitBlanks(proper);
    std::vector<Mat4> list{identityMatrix()};
    int previousCode = 2;
    int previousOrder = 0;
    for (std::size_t k = 1; k < tokens.size(); ++k) {
        const std::string& symbol = tokens[k];
        int order = static_cast<int>(util::nearest(symbolOrder(symbol)));
        // A screw's second digit ("31", "65") belongs to the translation.
        if (std::abs(order) > 6) order /= 10;
        const int code = axisCode(symbol, static_cast<int>(k - 1), order, previousCode, previousOrder);
        previousCode = code;
        previousOrder = std::abs(order);

        Mat4 m = identityMatrix();
        rotationMatrixFromAxis(code, order, m);
        const auto t = glideScrewVector(symbol);
        for (int i = 0; i < 3; ++i) m[i][3] = t[i];
        // In the table every earlier generator is a rotation about the shift
        // direction, so conjugating the last one moves the whole group.
        if (shifted && k + 1 == tokens.size()) {
            m = multiplyMatrix(multiplyMatrix(shift, m), unshift);
            confineTranslation(m);
        }
        if (!hasMatrix(list, m)) list.push_back(m);
    }

    list = closeGroup(std::move(list), capacity, result.capacityReached);

    for (const Mat4& m : list) result.ops.push_back(makeOp(m));
    if (result.centrosymmetric) {
        const std::size_t n = result.ops.size();
        for (std::size_t j = 0; j < n; ++j) {
            Mat4 m = result.ops[j].matrix;
            for (int i = 0; i < 3; ++i) {
                for (int c = 0; c < 3; ++c) m[i][c] = 0.0f - m[i][c];
                m[i][3] = confine(-m[i][3]);
            }
            result.ops.push_back(makeOp(m));
        }
    }
    const std::size_t m = result.ops.size();
    for (int c = 1; c <= result.centringCount; ++c) {
        for (std::size_t j = 0; j < m; ++j) {
            Mat4 op = result.ops[j].matrix;
            for (int i = 0; i < 3; ++i) op[i][3] = confine(op[i][3] + result.centring[c].v[i]);
            result.ops.push_back(makeOp(op));
        }
    }

    result.hallSymbol = proper;
    std::string hm = util::trim(lookup(0, "", std::string(hall))[3]);
    if (const auto eq = hm.find('='); eq != std::string::npos) hm = util::trim(hm.substr(0, eq));
    result.hmSymbol = hm;
    return result;
}

std::string listingText(const SymmetryOps& symmetry) {
    std::string text = "Hall: " + symmetry.hallSymbol + "\r\n";
    for (std::size_t i = 0; i < symmetry.ops.size(); ++i) {
        std::string line = " " + std::to_string(i + 1);
        // The operation text starts in column 15.
        if (line.size() < 14) line.append(14 - line.size(), ' ');
        text += line + symmetry.ops[i].text + "\r\n";
    }
    return text;
}

}  // namespace lumora::symmetry
