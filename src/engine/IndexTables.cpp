// The tables of the orientation search: lattice directions, their hash on the sphere, the
// symmetry rotations and the reference angles.
#include "engine/IndexTables.h"

#include <bit>
#include <numeric>

#include "engine/Reflections.h"
#include "util/Error.h"

namespace lumora::engine {

namespace {

// Beyond this many lattice points in the band's sphere (cells of several hundred Å^3) a spot is
// explained by chance within any useful tolerance; the search then keeps the lowest indices.
constexpr double kMostLatticePoints = 300000;
// Pairs of (representative, any) reference directions the matching may look through, at a
// tolerance of 0.5 degrees; the number of candidate orientations grows with pairs x tolerance.
constexpr double kPairBudget = 40000;
constexpr std::size_t kFewestReference = 40;
constexpr std::size_t kMostReference = 4000;  // indices fit 16 bits in the pair keys
// Pairs closer than this (or as close to opposite) fix an orientation too poorly to be tried.
constexpr double kNarrowestPairRad = 3.0 * 3.14159265358979323846 / 180;

using IntMat = std::array<std::array<int, 3>, 3>;

Mat3d multiply(const Mat3d& x, const Mat3d& y) {
    Mat3d r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r[i][j] += x[i][k] * y[k][j];
    return r;
}

Mat3d transpose(const Mat3d& x) {
    Mat3d r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = x[j][i];
    return r;
}

int determinant(const IntMat& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

double distance(const Mat3d& x, const Mat3d& y) {
    double d = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) d = std::max(d, std::fabs(x[i][j] - y[i][j]));
    return d;
}

}  // namespace

int LatticeDirection::lowestHarmonic() const { return harmonics == 0 ? 0 : std::countr_zero(harmonics) + 1; }

IndexTables::IndexTables(const IndexCrystal& crystal, const IndexOptions& options)
    : metric_(crystal.cell), options_(options) {
    if (!(options.lambdaMin > 0 && options.lambdaMax > options.lambdaMin && std::isfinite(options.lambdaMax)))
        throw Error(Error::InvalidCall, "the wavelength band needs 0 < lambda min < lambda max");
    if (!(options.toleranceDeg > 0 && options.toleranceDeg <= 10))
        throw Error(Error::InvalidCall, "the tolerance must lie between 0 and 10 degrees");
    buildDirections(crystal);
    buildRotations(crystal);
    buildHash();
    buildReference();
}

void IndexTables::buildDirections(const IndexCrystal& crystal) {
    const ExtinctionRules rules(crystal.ops);
    const Mat3d& a = metric_.directBasis();
    const Mat3d& b = metric_.reciprocalBasis();
    const double volume = std::fabs(a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                                    a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                                    a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]));
    // A reflection can reach the shortest wavelength only when 2 d >= lambdaMin.
    double qMax = 2 / options_.lambdaMin;
    const double points = 4.0 / 3.0 * 3.14159265358979323846 * qMax * qMax * qMax * volume;
    if (points > kMostLatticePoints) qMax *= std::cbrt(kMostLatticePoints / points);

    std::array<int, 3> limit{};
    for (int i = 0; i < 3; ++i)
        limit[static_cast<std::size_t>(i)] =
            static_cast<int>(qMax * std::sqrt(a[i][0] * a[i][0] + a[i][1] * a[i][1] + a[i][2] * a[i][2])) + 1;
    for (int h = -limit[0]; h <= limit[0]; ++h) {
        for (int k = -limit[1]; k <= limit[1]; ++k) {
            for (int l = -limit[2]; l <= limit[2]; ++l) {
                if (std::gcd(std::gcd(h, k), l) != 1) continue;
                Vec3d g{};
                for (int i = 0; i < 3; ++i)
                    g[static_cast<std::size_t>(i)] = b[i][0] * h + b[i][1] * k + b[i][2] * l;
                const double q = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
                if (q > qMax) continue;
                LatticeDirection d;
                d.p = {h, k, l};
                d.q = q;
                d.unit = {g[0] / q, g[1] / q, g[2] / q};
                const int most = static_cast<int>(std::min(64.0, std::floor(qMax / q * (1 + 1e-12))));
                for (int m = 1; m <= most; ++m)
                    if (!rules.isExtinct(m * h, m * k, m * l)) d.harmonics |= std::uint64_t{1} << (m - 1);
                if (d.harmonics != 0) directions_.push_back(d);
            }
        }
    }
}

void IndexTables::buildRotations(const IndexCrystal& crystal) {
    // A fractional coordinate x goes to R x, a Cartesian one X = A^T x to A^T R A^-T X, and
    // A^-T is the transpose of the reciprocal basis.
    const Mat3d& a = metric_.directBasis();
    const Mat3d at = transpose(a);
    const Mat3d bt = transpose(metric_.reciprocalBasis());
    const Mat3d identity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    rotations_.push_back(identity);
    for (const auto& op : crystal.ops) {
        IntMat r{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r[i][j] = static_cast<int>(std::lround(op.matrix[i][j]));
        const int det = determinant(r);
        if (det != 1 && det != -1) continue;
        Mat3d proper{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) proper[i][j] = det * r[i][j];
        const Mat3d m = multiply(multiply(at, proper), bt);
        // A group that does not fit the cell (a cubic group on a stretched cell) offers rotations
        // that are not orthogonal: they relate no orientations.
        if (distance(multiply(m, transpose(m)), identity) > 1e-4) continue;
        const bool known = std::any_of(rotations_.begin(), rotations_.end(),
                                       [&](const Mat3d& x) { return distance(x, m) < 1e-6; });
        if (!known) rotations_.push_back(m);
    }
}

void IndexTables::buildHash() {
    // A normal within the tolerance of its reflection in ray angle lies within 1.5 times it in
    // normal angle when 2 theta >= 39 degrees (the ray turns by 2 sin(theta) times the normal's
    // turn at least); spots closer to the beam ask for a wider search.
    hashRadius_ = options_.toleranceDeg * 3.14159265358979323846 / 180 * 1.5;
    // About one direction per cell, and no cell narrower than the cone: a lookup then reads a few
    // entries and a direction lands in a few cells.
    const double byCount = std::sqrt(static_cast<double>(directions_.size()) / 6);
    cells_ = static_cast<int>(std::clamp(std::min(byCount, 2 / hashRadius_), 4.0, 400.0));
    const std::size_t cellCount = static_cast<std::size_t>(6) * cells_ * cells_;
    cellStart_.assign(cellCount + 1, 0);
    for (const auto& d : directions_) forCells(d.unit, hashRadius_, [&](int c) { ++cellStart_[c + 1]; });
    std::partial_sum(cellStart_.begin(), cellStart_.end(), cellStart_.begin());
    entries_.resize(cellStart_.back());
    std::vector<std::uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (std::uint32_t i = 0; i < directions_.size(); ++i) {
        const auto& u = directions_[i].unit;
        const HashEntry e{static_cast<float>(u[0]), static_cast<float>(u[1]), static_cast<float>(u[2]), i};
        forCells(u, hashRadius_, [&](int c) { entries_[fill[static_cast<std::size_t>(c)]++] = e; });
    }
}

int IndexTables::harmonicInBand(std::uint32_t i, double sinTheta) const {
    const LatticeDirection& d = directions_[i];
    if (!(sinTheta > 0)) return 0;
    // lambda(m) = 2 sin(theta) / (m q) lies in [lambdaMin, lambdaMax] for m in [low, high].
    const double span = 2 * sinTheta / d.q;
    const double low = std::max(1.0, std::ceil(span / options_.lambdaMax - 1e-12));
    const double high = std::min(64.0, std::floor(span / options_.lambdaMin + 1e-12));
    if (low > high) return 0;
    const int lo = static_cast<int>(low), hi = static_cast<int>(high);
    std::uint64_t window = hi == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1;
    window &= ~((std::uint64_t{1} << (lo - 1)) - 1);
    const std::uint64_t inBand = d.harmonics & window;
    return inBand == 0 ? 0 : std::countr_zero(inBand) + 1;
}

void IndexTables::buildReference() {
    // The spots a search starts from are the strongest, and strong spots come from low indices:
    // the reference holds the directions in the order of their lowest allowed reflection's |q|,
    // whole shells of equal |q| at a time (so symmetry classes stay complete).
    std::vector<std::uint32_t> order(directions_.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto key = [this](std::uint32_t i) { return directions_[i].q * directions_[i].lowestHarmonic(); };
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const double kx = key(x), ky = key(y);
        if (kx != ky) return kx < ky;
        return directions_[x].p < directions_[y].p;
    });

    // The rotations act on indices as integer matrices A M B.
    const Mat3d& a = metric_.directBasis();
    const Mat3d& b = metric_.reciprocalBasis();
    std::vector<IntMat> onIndices;
    for (const Mat3d& m : rotations_) {
        const Mat3d t = multiply(multiply(a, m), b);
        IntMat r{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r[i][j] = static_cast<int>(std::lround(t[i][j]));
        onIndices.push_back(r);
    }
    const auto isRepresentative = [&](const std::array<int, 3>& p) {
        for (const IntMat& r : onIndices) {
            const std::array<int, 3> image{r[0][0] * p[0] + r[0][1] * p[1] + r[0][2] * p[2],
                                           r[1][0] * p[0] + r[1][1] * p[1] + r[1][2] * p[2],
                                           r[2][0] * p[0] + r[2][1] * p[1] + r[2][2] * p[2]};
            if (image < p) return false;
        }
        return true;
    };

    const double budget = kPairBudget * 0.5 / std::max(options_.toleranceDeg, 0.1);
    std::vector<bool> representative;
    std::size_t representatives = 0;
    std::size_t start = 0;
    while (start < order.size()) {
        std::size_t end = start + 1;
        while (end < order.size() && key(order[end]) <= key(order[start]) * (1 + 1e-9)) ++end;
        std::size_t shellRepresentatives = 0;
        for (std::size_t i = start; i < end; ++i)
            shellRepresentatives += isRepresentative(directions_[order[i]].p) ? 1 : 0;
        const double pairsAfter =
            static_cast<double>(representatives + shellRepresentatives) * static_cast<double>(end);
        if (reference_.size() >= kFewestReference && (pairsAfter > budget || end > kMostReference)) break;
        for (std::size_t i = start; i < end; ++i) {
            reference_.push_back(order[i]);
            representative.push_back(isRepresentative(directions_[order[i]].p));
        }
        representatives += shellRepresentatives;
        start = end;
    }

    // Sorted as packed keys (the angle's float bits, which order like the angles, then the two
    // indices): much faster than sorting the records, and as deterministic.
    std::vector<std::uint64_t> keys;
    for (std::uint32_t r = 0; r < reference_.size(); ++r) {
        if (!representative[r]) continue;
        const Vec3d& u = directions_[reference_[r]].unit;
        for (std::uint32_t j = 0; j < reference_.size(); ++j) {
            const Vec3d& v = directions_[reference_[j]].unit;
            const double angle = std::acos(std::clamp(u[0] * v[0] + u[1] * v[1] + u[2] * v[2], -1.0, 1.0));
            if (angle < kNarrowestPairRad || angle > 3.14159265358979323846 - kNarrowestPairRad) continue;
            keys.push_back(std::uint64_t{std::bit_cast<std::uint32_t>(static_cast<float>(angle))} << 32 |
                           std::uint64_t{r} << 16 | j);
        }
    }
    std::sort(keys.begin(), keys.end());
    pairs_.reserve(keys.size());
    for (const std::uint64_t key : keys)
        pairs_.push_back({std::bit_cast<float>(static_cast<std::uint32_t>(key >> 32)),
                          static_cast<std::uint32_t>(key >> 16 & 0xFFFF),
                          static_cast<std::uint32_t>(key & 0xFFFF)});
}

}  // namespace lumora::engine
