#pragma once

#include <array>

namespace lumora::engine {

using Mat3d = std::array<std::array<double, 3>, 3>;

// Degrees to radians as the engine has always converted them.
constexpr double kDegToRad = 0.017453292;
constexpr double kPi = 3.141592654;

// The working cell of one generation with the metric derived from it, in double
// precision. Angles are converted with the exact factor pi/180: a right angle
// must give a cosine of 0, or symmetry-equivalent reflections at the spacing
// threshold would fall on different sides of it. Construction validates the
// cell and raises Error 5 for edges that are not positive, angles that admit no
// real basis, or values that are not finite.
class CellMetric {
public:
    // cell: a, b, c, alpha, beta, gamma in Å and degrees.
    explicit CellMetric(const std::array<double, 6>& cell);

    // d-spacing of h k l in Å, computed in double precision and rounded to a single.
    float spacing(int h, int k, int l) const;
    // The same in double precision, for printing where the last digit matters.
    double exactSpacing(int h, int k, int l) const;
    // 1 / d^2 in double precision.
    double inverseSquare(int h, int k, int l) const;

    // Rows are a, b, c in a right-handed Cartesian frame: c along z, b in the y-z plane.
    const Mat3d& directBasis() const { return direct_; }
    // The inverse of directBasis; its columns are a*, b*, c*.
    const Mat3d& reciprocalBasis() const { return reciprocal_; }

private:
    // Coefficients of 1/d^2 = (h^2 c11 + k^2 c22 + l^2 c33 + 2hk c12 + 2kl c23 + 2hl c13) / denominator.
    double c11_ = 0, c22_ = 0, c33_ = 0, c12_ = 0, c23_ = 0, c13_ = 0, denominator_ = 1;
    Mat3d direct_{};
    Mat3d reciprocal_{};
};

// Throws Error 5 with a clear description when the cell cannot form a lattice.
void validateCell(const std::array<double, 6>& cell);

}  // namespace lumora::engine
