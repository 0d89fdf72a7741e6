#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/LaueEngine.h"

namespace lumora::testing {

using Cell = std::array<double, 6>;
inline constexpr Cell kCubic5{5, 5, 5, 90, 90, 90};
inline constexpr Cell kTriclinic{5.2, 6.1, 7.3, 82, 97, 104.5};
inline constexpr double kDeg = 3.14159265358979323846 / 180;

inline void setCell(clLAUE& laue, const Cell& cell) {
    for (int i = 0; i < 6; ++i) laue.setCellConstant(i, float(cell[std::size_t(i)]));
}

// A crystal of the given cell and group with its reflections generated.
inline void generate(clLAUE& laue, const Cell& cell, const std::string& group = "P 1") {
    laue.SGTAB_find(group);
    setCell(laue, cell);
    laue.GenerateHKL();
}

inline int32_t listIndex(const clLAUE& laue, int h, int k, int l) {
    for (int32_t i = 0; i < laue.n_hkl; ++i)
        if (laue.getH(i) == h && laue.getK(i) == k && laue.getL(i) == l) return i;
    return -1;
}

// The row of labVectors that holds reflection h k l.
inline int32_t labRow(const clLAUE& laue, int h, int k, int l) {
    return static_cast<int32_t>(
        laue.recipVectorTable()[static_cast<std::size_t>(listIndex(laue, h, k, l))][3]);
}

inline Vec3d cross(const Vec3d& p, const Vec3d& q) {
    return {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
}
inline double dot(const Vec3d& p, const Vec3d& q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }
inline double length(const Vec3d& p) { return std::sqrt(dot(p, p)); }
inline Vec3d unit(Vec3d v) {
    const double n = length(v);
    for (double& c : v) c /= n;
    return v;
}

// An orientation whose first row is the unit vector u: since t = O^T v, the
// crystal x axis then lies along u in the laboratory.
inline Mat3f orientationTaking(const Vec3d& direction) {
    const Vec3d u = unit(direction);
    const Vec3d p = unit(std::fabs(u[2]) < 0.9 ? Vec3d{-u[1], u[0], 0} : Vec3d{0, -u[2], u[1]});
    const Vec3d q = cross(u, p);
    Mat3f o{};
    for (int c = 0; c < 3; ++c) o[0][c] = float(u[c]), o[1][c] = float(p[c]), o[2][c] = float(q[c]);
    return o;
}

// c along z, b in the y-z plane, a from its dot products with b and c;
// a*, b*, c* from cross products.
struct TestLattice {
    std::array<Vec3d, 3> direct{}, reciprocal{};

    Vec3d direction(double u, double v, double w) const { return combine(direct, u, v, w); }
    Vec3d normal(double h, double k, double l) const { return combine(reciprocal, h, k, l); }
    static Vec3d combine(const std::array<Vec3d, 3>& basis, double x, double y, double z) {
        Vec3d r{};
        for (int i = 0; i < 3; ++i) r[i] = x * basis[0][i] + y * basis[1][i] + z * basis[2][i];
        return r;
    }
};

inline TestLattice latticeOf(const Cell& cell) {
    const double a = cell[0], b = cell[1], c = cell[2];
    const double ca = std::cos(cell[3] * kDeg), sa = std::sin(cell[3] * kDeg);
    const double cb = std::cos(cell[4] * kDeg), cg = std::cos(cell[5] * kDeg);
    TestLattice t;
    t.direct[2] = {0, 0, c};
    t.direct[1] = {0, b * sa, b * ca};
    const double az = a * cb;                                 // a.c = a c cos(beta)
    const double ay = (a * b * cg - az * b * ca) / (b * sa);  // a.b = a b cos(gamma)
    t.direct[0] = {std::sqrt(a * a - ay * ay - az * az), ay, az};
    const double volume = dot(t.direct[0], cross(t.direct[1], t.direct[2]));
    for (int i = 0; i < 3; ++i) {
        const Vec3d r = cross(t.direct[(i + 1) % 3], t.direct[(i + 2) % 3]);
        for (int j = 0; j < 3; ++j) t.reciprocal[i][j] = r[j] / volume;
    }
    return t;
}

// t = O^T v, the laboratory vector of a crystal vector.
inline Vec3d labOf(const Mat3f& o, const Vec3d& v) {
    Vec3d t{};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) t[c] += o[r][c] * v[r];
    return t;
}

}  // namespace lumora::testing
