#pragma once

// Simulated Laue exposures for the orientation search's tests and benchmarks: every reflection a
// crystal puts in the band and on a detector, the strongest kept, then spots lost and false ones
// added as on a real frame.

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/Cell.h"
#include "engine/Detector.h"
#include "engine/Indexing.h"
#include "engine/LaueEngine.h"
#include "engine/Reflections.h"

namespace lumora::simulation {

using engine::Mat3d;

// The crystal of a cell and a space-group symbol, as the search takes it.
inline engine::IndexCrystal crystal(const std::array<double, 6>& cell, const std::string& group) {
    clLAUE laue;
    for (int i = 0; i < 6; ++i)
        laue.setCellConstant(i, static_cast<float>(cell[static_cast<std::size_t>(i)]));
    if (!laue.chooseSpaceGroup(group)) throw std::runtime_error("unknown group " + group);
    return {cell, laue.symmetryState().ops};
}

// A rotation drawn uniformly (a normalised Gaussian quaternion).
inline Mat3d randomRotation(std::mt19937& rng) {
    std::normal_distribution<double> normal;
    double w = normal(rng), x = normal(rng), y = normal(rng), z = normal(rng);
    const double n = std::sqrt(w * w + x * x + y * y + z * z);
    w /= n, x /= n, y /= n, z /= n;
    return {{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
             {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
             {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
}

struct Spot {
    engine::IndexSpot spot;
    std::array<int, 3> hkl{};  // the lowest allowed harmonic in the band; 0 0 0 for a false spot
    int crystal = -1;          // which crystal made it; -1 for a false spot
};

// Every spot of the crystal at orientation o (a crystal vector v along o^T v) that lands on the
// detector, each from its lowest allowed harmonic in the band, the `strongest` kept. Intensities
// fall with the reflection's |q| (as structure factors and the spectrum do), spread by +-50 %.
inline std::vector<Spot> exposure(const engine::IndexCrystal& c, const Mat3d& o, double lambdaMin,
                                  double lambdaMax, const engine::Detector& detector, std::size_t strongest,
                                  std::mt19937& rng, int label = 0) {
    const engine::CellMetric metric(c.cell);
    const engine::ExtinctionRules rules(c.ops);
    const auto& b = metric.reciprocalBasis();
    const auto& a = metric.directBasis();
    const double qMax = 2 / lambdaMin;
    std::uniform_real_distribution<double> spread(0.5, 1.5);
    std::vector<Spot> spots;
    std::array<int, 3> limit{};
    for (int i = 0; i < 3; ++i)
        limit[static_cast<std::size_t>(i)] =
            static_cast<int>(qMax * std::sqrt(a[i][0] * a[i][0] + a[i][1] * a[i][1] + a[i][2] * a[i][2])) + 1;
    for (int h = -limit[0]; h <= limit[0]; ++h)
        for (int k = -limit[1]; k <= limit[1]; ++k)
            for (int l = -limit[2]; l <= limit[2]; ++l) {
                if (std::gcd(std::gcd(h, k), l) != 1) continue;
                Vec3d g{};
                for (int i = 0; i < 3; ++i)
                    g[static_cast<std::size_t>(i)] = b[i][0] * h + b[i][1] * k + b[i][2] * l;
                const double q = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
                Vec3d n{};
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j)
                        n[static_cast<std::size_t>(j)] += o[i][j] * g[static_cast<std::size_t>(i)] / q;
                const double sinTheta = -n[0];
                if (sinTheta <= 0) continue;
                int harmonic = 0;
                for (int m = 1; m * q <= qMax; ++m) {
                    const double lambda = 2 * sinTheta / (m * q);
                    if (lambda > lambdaMax) continue;
                    if (lambda < lambdaMin) break;
                    if (!rules.isExtinct(m * h, m * k, m * l)) {
                        harmonic = m;
                        break;
                    }
                }
                if (harmonic == 0) continue;
                const Vec3d ray{1 - 2 * n[0] * n[0], -2 * n[0] * n[1], -2 * n[0] * n[2]};
                const auto p = detector.toDetector(ray);
                if (!p || !detector.inFrame(*p)) continue;
                const double qh = harmonic * q;
                spots.push_back(
                    {{ray, spread(rng) / (qh * qh)}, {harmonic * h, harmonic * k, harmonic * l}, label});
            }
    std::sort(spots.begin(), spots.end(),
              [](const Spot& x, const Spot& y) { return x.spot.intensity > y.spot.intensity; });
    if (spots.size() > strongest) spots.resize(strongest);
    return spots;
}

// Loses `lost` of the spots (a fraction), adds false ones (a fraction of those given) anywhere on
// the detector, as strong as true ones (each takes a true spot's intensity, spread by +-50 %), and
// shuffles.
inline std::vector<Spot> degrade(std::vector<Spot> spots, double lost, double added,
                                 const engine::Detector& detector, std::mt19937& rng) {
    std::shuffle(spots.begin(), spots.end(), rng);
    const std::size_t given = spots.size();
    spots.resize(given - static_cast<std::size_t>(std::lround(lost * static_cast<double>(given))));
    std::uniform_real_distribution<double> x(detector.left(), detector.right());
    std::uniform_real_distribution<double> y(detector.top(), detector.bottom());
    std::uniform_int_distribution<std::size_t> like(0, spots.size() - 1);
    std::uniform_real_distribution<double> spread(0.5, 1.5);
    const auto falseSpots = static_cast<std::size_t>(std::lround(added * static_cast<double>(given)));
    for (std::size_t i = 0; i < falseSpots; ++i) {
        Spot s;
        s.spot.ray = detector.rayAt(x(rng), y(rng));
        s.spot.intensity = spots[like(rng)].spot.intensity * spread(rng);
        spots.push_back(s);
    }
    std::shuffle(spots.begin(), spots.end(), rng);
    return spots;
}

inline double dot(const Vec3d& p, const Vec3d& q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }

inline std::vector<engine::IndexSpot> spotsOf(const std::vector<Spot>& spots) {
    std::vector<engine::IndexSpot> out;
    for (const Spot& s : spots) out.push_back(s.spot);
    return out;
}

// The smallest angle (degrees) of a rotation taking x to M y, M any of the crystal's rotations.
inline double misorientationDeg(const Mat3d& x, const Mat3d& y, const std::vector<Mat3d>& rotations) {
    double best = 180;
    for (const Mat3d& m : rotations) {
        double trace = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double my = 0;
                for (int k = 0; k < 3; ++k) my += m[i][k] * y[k][j];
                trace += x[i][j] * my;
            }
        best =
            std::min(best, std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * 180 / 3.14159265358979323846);
    }
    return best;
}

}  // namespace lumora::simulation
