#include "symmetry/Matrix.h"

#include <cmath>
#include <utility>

#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {

namespace {

// Fractions that fractionText writes as such, in the order they are tried.
struct NamedFraction {
    float value;
    const char* text;
};
constexpr NamedFraction kFractions[] = {
    {1.0f, "1"},         {1.0f / 2, "1/2"},   {1.0f / 4, "1/4"},   {3.0f / 4, "3/4"},     {1.0f / 6, "1/6"},
    {5.0f / 6, "5/6"},   {1.0f / 3, "1/3"},   {2.0f / 3, "2/3"},   {3.0f / 8, "3/8"},     {1.0f / 8, "1/8"},
    {1.0f / 12, "1/12"}, {5.0f / 12, "5/12"}, {7.0f / 12, "7/12"}, {11.0f / 12, "11/12"},
};

constexpr const char* kAxisUpper[3] = {"X", "Y", "Z"};
constexpr const char* kAxisLower[3] = {"x", "y", "z"};

// One coordinate of operationText: "+X-Y" terms, then the translation.
std::string operationRow(const Mat4& m, int i) {
    std::string row;
    for (int j = 0; j < 3; ++j) {
        if (m[i][j] == 1.0f)
            row += std::string("+") + kAxisUpper[j];
        else if (m[i][j] == -1.0f)
            row += std::string("-") + kAxisUpper[j];
    }
    row += fractionText(m[i][3]);
    if (!row.empty() && row[0] == '+') row.erase(0, 1);
    if (row.empty() || row[0] != '-') row.insert(0, " ");
    return row;
}

// A translation in [0, 1) as "n/d" with the smallest d <= 24 that fits within
// 1e-4 (so the fraction comes out reduced), else as a decimal.
std::string translationFraction(double t) {
    for (int d = 1; d <= 24; ++d) {
        const double n = std::nearbyint(t * d);
        if (std::fabs(t - n / d) < 1e-4) return std::to_string(static_cast<int>(n)) + "/" + std::to_string(d);
    }
    return util::singleText(static_cast<float>(t));
}

std::string tripletRow(const Mat4& m, int i) {
    std::string row;
    for (int j = 0; j < 3; ++j) {
        const double r = std::nearbyint(m[i][j]);
        if (r == 0) continue;
        row += r > 0 ? "+" : "-";
        if (std::fabs(r) != 1) row += std::to_string(static_cast<long>(std::fabs(r)));
        row += kAxisLower[j];
    }
    double t = m[i][3];
    t -= std::floor(t);
    if (t > 1e-4 && t < 1 - 1e-4) row += "+" + translationFraction(t);
    if (!row.empty() && row[0] == '+') row.erase(0, 1);
    return row.empty() ? "0" : row;
}

}  // namespace

Mat4 identityMatrix() {
    Mat4 m{};
    for (int i = 0; i < 4; ++i) m[i][i] = 1.0f;
    return m;
}

Mat4 multiplyMatrix(const Mat4& a, const Mat4& b) {
    Mat4 c{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[i][k] * b[k][j];
            c[i][j] = sum;
        }
    return c;
}

bool matricesEqual(const Mat4& a, const Mat4& b, int rows, int cols) {
    for (int i = 0; i < rows && i < 4; ++i)
        for (int j = 0; j < cols && j < 4; ++j)
            if (!(std::fabs(a[i][j] - b[i][j]) <= 1e-5f)) return false;
    return true;
}

bool invertMatrix(std::vector<double>& a, int n) {
    if (n <= 0 || a.size() < static_cast<std::size_t>(n) * n) return false;
    const auto at = [&a, n](int r, int c) -> double& { return a[static_cast<std::size_t>(r) * n + c]; };
    std::vector<int> pivotRow(n), pivotCol(n), pivoted(n, 0);
    for (int i = 0; i < n; ++i) {
        // Largest remaining element over all unused rows and columns.
        double big = 0.0;
        int row = -1;
        int col = -1;
        for (int j = 0; j < n; ++j) {
            if (pivoted[j] == 1) continue;
            for (int k = 0; k < n; ++k) {
                if (pivoted[k] == 0) {
                    if (row < 0 || std::fabs(at(j, k)) > big) {
                        big = std::fabs(at(j, k));
                        row = j;
                        col = k;
                    }
                } else if (pivoted[k] > 1) {
                    return false;
                }
            }
        }
        if (row < 0 || ++pivoted[col] > 1) return false;
        // A zero pivot means a singular matrix; stop instead of dividing by it.
        if (big == 0.0) return false;
        if (row != col)
            for (int l = 0; l < n; ++l) std::swap(at(row, l), at(col, l));
        pivotRow[i] = row;
        pivotCol[i] = col;
        const double inverse = 1.0 / at(col, col);
        at(col, col) = 1.0;
        for (int l = 0; l < n; ++l) at(col, l) *= inverse;
        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            const double factor = at(r, col);
            at(r, col) = 0.0;
            for (int l = 0; l < n; ++l) at(r, l) -= at(col, l) * factor;
        }
    }
    // Undo the column interchanges in reverse order.
    for (int l = n - 1; l >= 0; --l)
        if (pivotRow[l] != pivotCol[l])
            for (int k = 0; k < n; ++k) std::swap(at(k, pivotRow[l]), at(k, pivotCol[l]));
    return true;
}

std::string fractionText(float value) {
    if (value == 0.0f) return {};
    std::string text = util::singleText(value);
    bool named = false;
    for (const NamedFraction& f : kFractions) {
        if (std::fabs(std::fabs(value) - f.value) < 0.001f) {
            text = f.text;
            named = true;
            break;
        }
    }
    if (named && value < 0) text.insert(0, "-");
    if (value > 0) text.insert(0, "+");
    return text;
}

std::string operationText(const Mat4& m) {
    return util::padLeft(operationRow(m, 0) + ", ", 9) + util::padLeft(operationRow(m, 1) + ", ", 9) +
           util::padLeft(operationRow(m, 2), 9);
}

std::string tripletText(const Mat4& m) {
    return tripletRow(m, 0) + "," + tripletRow(m, 1) + "," + tripletRow(m, 2);
}

}  // namespace lumora::symmetry
