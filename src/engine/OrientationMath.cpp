#include "engine/OrientationMath.h"

#include <algorithm>
#include <cmath>

#include "engine/Cell.h"
#include "engine/Orientation.h"
#include "util/NumberText.h"

namespace lumora::engine {

double arcCos(double x) {
    if (x >= 1) return 0;
    if (x <= -1) return kPi;
    return std::atan(-x / std::sqrt(1 - x * x)) + 2 * std::atan(1.0);
}

void normalise(Vec3d& v) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0) return;
    for (double& c : v) c /= length;
}

Vec3d unit(const Vec3f& v) {
    Vec3d d{v[0], v[1], v[2]};
    normalise(d);
    return d;
}

float angleBetween(const Vec3d& p, const Vec3d& q) {
    return static_cast<float>(arcCos(p[0] * q[0] + p[1] * q[1] + p[2] * q[2]) / kDegToRad);
}

Vec3d toLab(const Mat3f& o, const Vec3d& v) {
    Vec3d t{};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) t[c] += static_cast<double>(o[r][c]) * v[r];
    return t;
}

Vec3d toLab(const Mat3f& o, const Vec3f& v) { return toLab(o, Vec3d{v[0], v[1], v[2]}); }

bool isRotation(const Mat3f& m, double tolerance) {
    const auto at = [&](int r, int c) { return static_cast<double>(m[r][c]); };
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += at(i, k) * at(j, k);
            if (!(std::abs(dot - (i == j ? 1.0 : 0.0)) <= tolerance)) return false;
        }
    }
    const double det = at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
                       at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
                       at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
    return std::abs(det - 1.0) <= tolerance;
}

Mat3f rotatedAbout(const Mat3f& t, int axis, double degrees) {
    if (axis < 1 || axis > 3) return t;
    const double c = std::cos(degrees * kDegToRad);
    const double s = std::sin(degrees * kDegToRad);
    // The two columns of T that the turn mixes; the third stays.
    const int i = axis == 1 ? 1 : axis == 2 ? 2 : 0;
    const int j = axis == 1 ? 2 : axis == 2 ? 0 : 1;
    Mat3f o = t;
    for (int r = 0; r < 3; ++r) {
        const double ci = t[r][i], cj = t[r][j];
        o[r][i] = static_cast<float>(c * ci + s * cj);
        o[r][j] = static_cast<float>(c * cj - s * ci);
    }
    return o;
}

BeamTurns beamTurns(Vec3f x) {
    // Rounding in the cell basis leaves components of 1e-17 where there should
    // be none (c* of a cubic cell), and the azimuth phi would follow their
    // ratio: (001) and [001] would come out turned 45 degrees apart.
    const float largest = std::max({std::fabs(x[0]), std::fabs(x[1]), std::fabs(x[2])});
    for (float& c : x)
        if (std::fabs(c) <= 1e-6f * largest) c = 0;
    BeamTurns b;
    const double sgn = x[1] > 0 ? 1.0 : x[1] < 0 ? -1.0 : 0.0;
    b.phi = x[0] == 0 ? -sgn * kPi / 2 : -std::atan(static_cast<double>(x[1]) / x[0]);
    if (x[2] == 0) {
        b.psi = -kPi / 2;
    } else {
        const double xy = std::sqrt(static_cast<double>(x[0]) * x[0] + static_cast<double>(x[1]) * x[1]);
        b.psi = std::atan(xy / x[2]);
    }
    if (x[2] < 0) b.psi += kPi;
    if (x[0] < 0) b.psi = -b.psi;
    return b;
}

std::array<float, 2> goniometerAngles(Vec3d t) {
    // O is orthogonal only to single precision; a length of 1 - 1e-7 would turn
    // a vector on the beam into 0.03 degrees off it through the arccos.
    normalise(t);
    double g0 = arcCos(t[0]);
    const double sgn = t[2] > 0 ? 1.0 : t[2] < 0 ? -1.0 : 0.0;
    double g1 = t[1] == 0 ? sgn * kPi / 2 : std::atan(t[2] / t[1]);
    g0 /= kDegToRad;
    g1 /= kDegToRad;
    if (t[1] < 0) g0 = -g0;
    if (std::fabs(g0) <= 0.01) g1 = 0;
    return {static_cast<float>(g0), static_cast<float>(g1)};
}

// The largest component is scaled to 1 first, so that the result does not
// depend on the size of the cell (hkl of a 40 Å cell would not fit otherwise).
// Components are then taken to a thousandth, rounded halves to even, and those
// of magnitude 1 or less dropped as noise. Dividing by the smallest magnitude
// above 1 (halves to even again) is repeated until none exceeds 30; a magnitude
// of 1 never divides, or the loop would not end.
std::array<int, 3> smallIntegers(Vec3d v) {
    for (double c : v)
        if (!std::isfinite(c)) return {0, 0, 0};
    const double largest = std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
    if (!(largest > 0)) return {0, 0, 0};
    std::array<double, 3> n{};
    for (int i = 0; i < 3; ++i) {
        n[i] = util::nearest(v[i] / largest * 1000);
        if (std::fabs(n[i]) <= 1) n[i] = 0;
    }
    auto magnitude = [&](int i) { return std::fabs(n[i]); };
    while (std::max({magnitude(0), magnitude(1), magnitude(2)}) > 30) {
        double divisor = 0;
        for (int i = 0; i < 3; ++i)
            if (magnitude(i) > 1 && (divisor == 0 || magnitude(i) < divisor)) divisor = magnitude(i);
        for (double& x : n) x = util::nearest(x / divisor);
    }
    return {static_cast<int>(n[0]), static_cast<int>(n[1]), static_cast<int>(n[2])};
}

std::string indexText(const std::array<int, 3>& n, char open, char close) {
    return std::string(" ") + open + std::to_string(n[0]) + "  " + std::to_string(n[1]) + "  " +
           std::to_string(n[2]) + close;
}

void turnIntoLaboratory(Orientation& o, const ReflectionList& list, const std::array<Vec3f, 3>& axes) {
    const Mat3f& m = o.matrix;
    // The products are summed in double, as toLab does, and stored as singles.
    const double m00 = m[0][0], m01 = m[0][1], m02 = m[0][2], m10 = m[1][0], m11 = m[1][1], m12 = m[1][2],
                 m20 = m[2][0], m21 = m[2][1], m22 = m[2][2];
    o.lab.resize(list.rows.size());
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const Vec3f& g = list.rows[i].g;
        const double x = g[0], y = g[1], z = g[2];
        o.lab[i] = {static_cast<float>(m00 * x + m10 * y + m20 * z),
                    static_cast<float>(m01 * x + m11 * y + m21 * z),
                    static_cast<float>(m02 * x + m12 * y + m22 * z)};
    }
    for (std::size_t k = 0; k < 3; ++k) {
        const Vec3d t = toLab(m, axes[k]);
        o.labAxes[k] = {static_cast<float>(t[0]), static_cast<float>(t[1]), static_cast<float>(t[2])};
    }
}

BeamIndices beamIndices(const Vec3d& beam, const CellMetric& metric) {
    const Mat3d& direct = metric.directBasis();
    const Mat3d& reciprocal = metric.reciprocalBasis();
    Vec3d uvw{}, hkl{};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 3; ++c) {
            uvw[i] += reciprocal[c][i] * beam[c];
            hkl[i] += direct[i][c] * beam[c];
        }
    return {smallIntegers(uvw), smallIntegers(hkl)};
}

}  // namespace lumora::engine
