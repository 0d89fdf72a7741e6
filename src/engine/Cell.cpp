#include "engine/Cell.h"

#include <cmath>
#include <string>
#include <vector>

#include "symmetry/Matrix.h"
#include "util/Error.h"

namespace lumora::engine {

namespace {

constexpr double kExactDegToRad = 3.14159265358979323846 / 180.0;
// Cells flatter than this (the volume of the unit parallelepiped below about
// 3e-5) are refused as degenerate.
constexpr double kSmallestVolumeFactor = 1e-9;

const char* const kEdgeNames[3] = {"a", "b", "c"};
const char* const kAngleNames[3] = {"alpha", "beta", "gamma"};

// 1 - cos²α - cos²β - cos²γ + 2 cosα cosβ cosγ: the squared volume of the unit
// parallelepiped, positive exactly when the angles admit a real basis.
double volumeFactor(double ca, double cb, double cg) {
    return 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
}

}  // namespace

void validateCell(const std::array<double, 6>& cell) {
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(cell[i]) || cell[i] <= 0)
            throw Error(Error::InvalidCall, std::string("Invalid unit cell: the edge ") + kEdgeNames[i] +
                                                " must be a positive number of Å");
    }
    for (int i = 3; i < 6; ++i) {
        if (!std::isfinite(cell[i]) || cell[i] <= 0 || cell[i] >= 180)
            throw Error(Error::InvalidCall, std::string("Invalid unit cell: the angle ") +
                                                kAngleNames[i - 3] + " must lie between 0 and 180 degrees");
    }
    const double ca = std::cos(cell[3] * kExactDegToRad);
    const double cb = std::cos(cell[4] * kExactDegToRad);
    const double cg = std::cos(cell[5] * kExactDegToRad);
    if (!(volumeFactor(ca, cb, cg) > kSmallestVolumeFactor))
        throw Error(Error::InvalidCall,
                    "Invalid unit cell: the angles alpha, beta and gamma do not form a cell "
                    "(each must be smaller than the sum of the other two, and all three below 360 degrees)");
}

CellMetric::CellMetric(const std::array<double, 6>& cell) {
    validateCell(cell);
    const double a = cell[0], b = cell[1], c = cell[2];
    const double ca = std::cos(cell[3] * kExactDegToRad);
    const double cb = std::cos(cell[4] * kExactDegToRad);
    const double cg = std::cos(cell[5] * kExactDegToRad);
    const double sa = std::sin(cell[3] * kExactDegToRad);
    const double sb = std::sin(cell[4] * kExactDegToRad);
    const double sg = std::sin(cell[5] * kExactDegToRad);

    c11_ = b * b * c * c * sa * sa;
    c22_ = a * a * c * c * sb * sb;
    c33_ = a * a * b * b * sg * sg;
    c12_ = a * b * c * c * (ca * cb - cg);
    c23_ = a * a * b * c * (cb * cg - ca);
    c13_ = a * b * b * c * (cg * ca - cb);
    denominator_ = a * a * b * b * c * c * volumeFactor(ca, cb, cg);

    const double x = cg - ca * cb;
    direct_ = {{{a * std::sqrt(sb * sb - x * x / (sa * sa)), a * x / sa, a * cb},
                {0.0, b * sa, b * ca},
                {0.0, 0.0, c}}};
    std::vector<double> m(9);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) m[r * 3 + col] = direct_[r][col];
    symmetry::invertMatrix(m, 3);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) reciprocal_[r][col] = m[r * 3 + col];
}

double CellMetric::inverseSquare(int h, int k, int l) const {
    const double hh = h, kk = k, ll = l;
    return (hh * hh * c11_ + kk * kk * c22_ + ll * ll * c33_ + 2.0 * hh * kk * c12_ + 2.0 * kk * ll * c23_ +
            2.0 * hh * ll * c13_) /
           denominator_;
}

double CellMetric::exactSpacing(int h, int k, int l) const { return 1.0 / std::sqrt(inverseSquare(h, k, l)); }

float CellMetric::spacing(int h, int k, int l) const { return static_cast<float>(exactSpacing(h, k, l)); }

}  // namespace lumora::engine
