// The orientation search: candidate orientations from pairs of spots matched against pairs of
// low-index directions, scored by the spots they explain, refined on the matched normals.
#include "engine/Indexing.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "engine/IndexTables.h"

namespace lumora::engine {

namespace {

constexpr double kDeg = std::numbers::pi / 180;
// The strongest spots the candidates are built from and first scored against.
constexpr std::size_t kSeeds = 16;
// Distinct candidates scored against all spots, and the best of those refined.
constexpr std::size_t kFullyScored = 100;
constexpr std::size_t kRefined = 10;
constexpr int kRefineRounds = 6;
// Refined orientations closer than this (modulo the crystal's symmetry) are one solution.
constexpr double kSameSolutionDeg = 0.1;
// Solutions explaining as many spots whose mean deviations differ by no more than this are
// ranked by their indices instead: the lower indices are the likelier crystal.
constexpr double kDeviationTieDeg = 0.02;
// Seed pairs closer than this fix an orientation too poorly.
constexpr double kNarrowestSeedPairRad = 3 * kDeg;
// The refinement's weights do not tell deviations apart below this.
constexpr double kLeastWeightScaleDeg = 0.005;

using Tables = IndexTables;

double dot(const Vec3d& p, const Vec3d& q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }
Vec3d cross(const Vec3d& p, const Vec3d& q) {
    return {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
}
Vec3d scaled(const Vec3d& v, double s) { return {v[0] * s, v[1] * s, v[2] * s}; }
Vec3d unitOf(const Vec3d& v) { return scaled(v, 1 / std::sqrt(dot(v, v))); }
// O v and O^T v.
Vec3d times(const Mat3d& o, const Vec3d& v) { return {dot(o[0], v), dot(o[1], v), dot(o[2], v)}; }
Vec3d timesTransposed(const Mat3d& o, const Vec3d& v) {
    Vec3d r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[static_cast<std::size_t>(j)] += o[i][j] * v[static_cast<std::size_t>(i)];
    return r;
}
double angleDeg(double cosine) { return std::acos(std::clamp(cosine, -1.0, 1.0)) / kDeg; }

// A spot as the search uses it, in a fixed order (strongest first) so that nothing depends on the
// order the caller gave.
struct Spot {
    Vec3d ray{};
    Vec3d normal{};     // (r - b) / |r - b|, b the beam (1, 0, 0)
    double radius = 0;  // how far the normal may lie from its reflection's (radians)
    double intensity = 0;
    int given = 0;  // index in the caller's list
};

std::vector<Spot> prepare(const std::vector<IndexSpot>& spots, double toleranceRad) {
    std::vector<Spot> prepared;
    for (std::size_t i = 0; i < spots.size(); ++i) {
        Vec3d r = spots[i].ray;
        const double length = std::sqrt(dot(r, r));
        if (!std::isfinite(length) || length == 0) continue;
        r = scaled(r, 1 / length);
        const Vec3d d{r[0] - 1, r[1], r[2]};
        const double twoSinTheta = std::sqrt(dot(d, d));
        if (twoSinTheta < 1e-6) continue;  // the direct beam: no plane reflects it
        Spot s;
        s.ray = r;
        s.normal = scaled(d, 1 / twoSinTheta);
        // The ray turns by at least 2 sin(theta) times the normal's turn.
        s.radius = std::min(toleranceRad / twoSinTheta * 1.05, std::min(20 * toleranceRad, 0.4));
        s.intensity = std::isfinite(spots[i].intensity) ? spots[i].intensity : 0;
        s.given = static_cast<int>(i);
        prepared.push_back(s);
    }
    std::sort(prepared.begin(), prepared.end(), [](const Spot& x, const Spot& y) {
        if (x.intensity != y.intensity) return x.intensity > y.intensity;
        if (x.ray != y.ray) return x.ray < y.ray;
        return x.given < y.given;
    });
    return prepared;
}

struct Match {
    int spot = 0;  // index into the prepared spots
    std::uint32_t direction = 0;
    int harmonic = 0;
    double cosine = 0;  // of the angle between the observed and the computed ray
};

// The reflection nearest to a spot (in ray angle) among those the orientation puts in the band.
std::optional<Match> nearest(const Tables& t, const Mat3d& o, const Vec3d& beam, const Spot& s,
                             double cosTolerance) {
    const Vec3d v = times(o, s.normal);
    const Vec3d w = times(o, s.ray);
    std::optional<Match> best;
    double bestCosine = cosTolerance;
    t.forNear(v, s.radius, [&](const Tables::HashEntry& e) {
        const double along = beam[0] * e.x + beam[1] * e.y + beam[2] * e.z;  // -sin(theta)
        if (along >= 0) return;
        // The computed ray b - 2 (b.n) n, compared in the crystal frame.
        const double cosine = dot(beam, w) - 2 * along * (e.x * w[0] + e.y * w[1] + e.z * w[2]);
        if (cosine <= bestCosine) return;
        const int m = t.harmonicInBand(e.direction, -along);
        if (m == 0) return;
        bestCosine = cosine;
        best = Match{0, e.direction, m, cosine};
    });
    return best;
}

// The beam in the crystal frame: O b, b = (1, 0, 0).
Vec3d beamIn(const Mat3d& o) { return {o[0][0], o[1][0], o[2][0]}; }

// How many of the first `count` spots the orientation explains; the two it was built on count
// as explained.
int explainedCount(const Tables& t, const Mat3d& o, const std::vector<Spot>& spots, std::size_t count,
                   std::size_t built1, std::size_t built2, double cosTolerance) {
    const Vec3d beam = beamIn(o);
    int explained = 2;
    for (std::size_t i = 0; i < count; ++i)
        if (i != built1 && i != built2 && nearest(t, o, beam, spots[i], cosTolerance)) ++explained;
    return explained;
}

// Every spot the orientation explains, each to its nearest reflection, and each reflection
// explaining one spot at most (the nearer, when two claim it). Ordered by spot.
std::vector<Match> matchAll(const Tables& t, const Mat3d& o, const std::vector<Spot>& spots,
                            double cosTolerance) {
    const Vec3d beam = beamIn(o);
    std::vector<Match> matches;
    for (std::size_t i = 0; i < spots.size(); ++i) {
        if (auto m = nearest(t, o, beam, spots[i], cosTolerance)) {
            m->spot = static_cast<int>(i);
            matches.push_back(*m);
        }
    }
    std::sort(matches.begin(), matches.end(), [](const Match& x, const Match& y) {
        if (x.direction != y.direction) return x.direction < y.direction;
        if (x.cosine != y.cosine) return x.cosine > y.cosine;
        return x.spot < y.spot;
    });
    matches.erase(std::unique(matches.begin(), matches.end(),
                              [](const Match& x, const Match& y) { return x.direction == y.direction; }),
                  matches.end());
    std::sort(matches.begin(), matches.end(), [](const Match& x, const Match& y) { return x.spot < y.spot; });
    return matches;
}

// The orientation that puts crystal directions c1, c2 along laboratory normals l1, l2, sharing the
// misfit of their angles evenly: the triads are built on the bisector and the difference.
Mat3d orientationFrom(const Vec3d& c1, const Vec3d& c2, const Vec3d& l1, const Vec3d& l2) {
    const Vec3d cs = unitOf({c1[0] + c2[0], c1[1] + c2[1], c1[2] + c2[2]});
    const Vec3d cd = unitOf({c1[0] - c2[0], c1[1] - c2[1], c1[2] - c2[2]});
    const Vec3d ls = unitOf({l1[0] + l2[0], l1[1] + l2[1], l1[2] + l2[2]});
    const Vec3d ld = unitOf({l1[0] - l2[0], l1[1] - l2[1], l1[2] - l2[2]});
    const Vec3d ct = cross(cs, cd), lt = cross(ls, ld);
    // O^T c = l: O = C L^T with the triads as columns.
    Mat3d o{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) o[i][j] = cs[i] * ls[j] + cd[i] * ld[j] + ct[i] * lt[j];
    return o;
}

// Least squares over the matched normals (Kabsch): the rotation R with R c ~ l, and O = R^T.
// Spots explained only by chance (false spots near some high-index reflection) lie far off; the
// weights 1 / (1 + (deviation / s)^2), s three times the median deviation, keep them from pulling.
Mat3d fitted(const Tables& t, const std::vector<Match>& matches, const std::vector<Spot>& spots) {
    std::vector<double> deviations;
    for (const Match& m : matches) deviations.push_back(angleDeg(m.cosine));
    std::nth_element(deviations.begin(),
                     deviations.begin() + static_cast<std::ptrdiff_t>(deviations.size() / 2),
                     deviations.end());
    const double s = std::max(3 * deviations[deviations.size() / 2], kLeastWeightScaleDeg);
    Eigen::Matrix3d h = Eigen::Matrix3d::Zero();
    for (const Match& m : matches) {
        const Vec3d& c = t.directions()[m.direction].unit;
        const Vec3d& l = spots[static_cast<std::size_t>(m.spot)].normal;
        const double ratio = angleDeg(m.cosine) / s;
        h += Eigen::Vector3d(c[0], c[1], c[2]) * Eigen::Vector3d(l[0], l[1], l[2]).transpose() /
             (1 + ratio * ratio);
    }
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(h, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Matrix3d d = Eigen::Matrix3d::Identity();
    d(2, 2) = (svd.matrixV() * svd.matrixU().transpose()).determinant() < 0 ? -1 : 1;
    const Eigen::Matrix3d r = svd.matrixV() * d * svd.matrixU().transpose();
    Mat3d o{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) o[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = r(j, i);
    return o;
}

// The angle (degrees) of the rotation between x and the nearest of M y.
double misorientationDeg(const Tables& t, const Mat3d& x, const Mat3d& y) {
    double bestTrace = -1;
    for (const Mat3d& m : t.rotations()) {
        double trace = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double my = 0;
                for (int k = 0; k < 3; ++k) my += m[i][k] * y[k][j];
                trace += x[i][j] * my;
            }
        bestTrace = std::max(bestTrace, trace);
    }
    return angleDeg((bestTrace - 1) / 2);
}

// What the crystal is said to show at an orientation: its spots and how well they fit.
struct Scored {
    Mat3d o{};
    std::vector<Match> matches;
    double meanDeviationDeg = 0;
    long indexSum = 0;
};

Scored score(const Tables& t, const Mat3d& o, const std::vector<Spot>& spots, double cosTolerance) {
    Scored s;
    s.o = o;
    s.matches = matchAll(t, o, spots, cosTolerance);
    for (const Match& m : s.matches) {
        s.meanDeviationDeg += angleDeg(m.cosine);
        const auto& p = t.directions()[m.direction].p;
        s.indexSum += m.harmonic * (std::abs(p[0]) + std::abs(p[1]) + std::abs(p[2]));
    }
    if (!s.matches.empty()) s.meanDeviationDeg /= static_cast<double>(s.matches.size());
    return s;
}

bool better(const Scored& x, const Scored& y) {
    if (x.matches.size() != y.matches.size()) return x.matches.size() > y.matches.size();
    return x.meanDeviationDeg < y.meanDeviationDeg;
}

Scored refined(const Tables& t, Scored s, const std::vector<Spot>& spots, double cosTolerance) {
    for (int round = 0; round < kRefineRounds && s.matches.size() >= 2; ++round) {
        Scored next = score(t, fitted(t, s.matches, spots), spots, cosTolerance);
        const bool same = next.matches.size() == s.matches.size() &&
                          std::equal(next.matches.begin(), next.matches.end(), s.matches.begin(),
                                     [](const Match& x, const Match& y) { return x.spot == y.spot; });
        if (!better(next, s) && !same) break;
        s = std::move(next);
        if (same) break;
    }
    // The final fit is on the spots it explains.
    if (s.matches.size() >= 2) {
        Scored last = score(t, fitted(t, s.matches, spots), spots, cosTolerance);
        if (!better(s, last)) s = std::move(last);
    }
    return s;
}

// Best first: most spots, then the smaller mean deviation; among solutions explaining as many
// spots within kDeviationTieDeg of the best of them, the lower index sum.
void rank(std::vector<Scored>& solutions) {
    std::sort(solutions.begin(), solutions.end(), better);
    for (std::size_t i = 0; i < solutions.size(); ++i) {
        std::size_t pick = i;
        for (std::size_t j = i + 1; j < solutions.size(); ++j) {
            if (solutions[j].matches.size() != solutions[i].matches.size()) break;
            if (solutions[j].meanDeviationDeg - solutions[i].meanDeviationDeg > kDeviationTieDeg) break;
            if (solutions[j].indexSum < solutions[pick].indexSum) pick = j;
        }
        if (pick != i)
            std::rotate(solutions.begin() + static_cast<std::ptrdiff_t>(i),
                        solutions.begin() + static_cast<std::ptrdiff_t>(pick),
                        solutions.begin() + static_cast<std::ptrdiff_t>(pick) + 1);
    }
}

IndexedSpot describe(const Tables& t, const Mat3d& o, const Match& m, const Spot& s) {
    const LatticeDirection& d = t.directions()[m.direction];
    const Vec3d n = timesTransposed(o, d.unit);
    const double sinTheta = -n[0];
    const Vec3d ray{1 - 2 * n[0] * n[0], -2 * n[0] * n[1], -2 * n[0] * n[2]};
    IndexedSpot out;
    out.spot = s.given;
    out.hkl = {m.harmonic * d.p[0], m.harmonic * d.p[1], m.harmonic * d.p[2]};
    out.computedRay = ray;
    out.deviationDeg = angleDeg(dot(ray, s.ray));
    out.lambda = 2 * sinTheta / (m.harmonic * d.q);
    return out;
}

// Of the matrices M O that give the same pattern, the one nearest the identity (largest trace):
// one answer for one orientation, however the search reached it.
Mat3d nearestIdentity(const Tables& t, const Mat3d& o) {
    Mat3d best = o;
    double bestTrace = -4;
    for (const Mat3d& m : t.rotations()) {
        Mat3d mo{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k) mo[i][j] += m[i][k] * o[k][j];
        const double trace = mo[0][0] + mo[1][1] + mo[2][2];
        if (trace > bestTrace + 1e-12) bestTrace = trace, best = mo;
    }
    return best;
}

// The solution at orientation o (its spots matched anew: the indices change with the matrix).
IndexSolution solutionOf(const Tables& t, const Mat3d& o, const std::vector<Spot>& spots) {
    IndexSolution solution;
    solution.matrix = o;
    for (const Match& m : matchAll(t, o, spots, std::cos(t.options().toleranceDeg * kDeg)))
        solution.spots.push_back(describe(t, o, m, spots[static_cast<std::size_t>(m.spot)]));
    // Summed in the search's own order of the spots, so that the last digit does not depend on
    // the caller's.
    for (const IndexedSpot& x : solution.spots) solution.meanDeviationDeg += x.deviationDeg;
    if (!solution.spots.empty()) solution.meanDeviationDeg /= static_cast<double>(solution.spots.size());
    std::sort(solution.spots.begin(), solution.spots.end(),
              [](const IndexedSpot& x, const IndexedSpot& y) { return x.spot < y.spot; });
    return solution;
}

// The search over prepared spots; `least` is the fewest spots a solution must explain.
std::vector<Scored> search(const Tables& t, const std::vector<Spot>& spots, std::size_t least,
                           const ProgressCallback& progress) {
    const IndexOptions& options = t.options();
    const double tolerance = options.toleranceDeg * kDeg;
    const double cosTolerance = std::cos(tolerance);
    const std::size_t seeds = std::min(kSeeds, spots.size());
    if (seeds < 2) return {};
    const int quickLeast = static_cast<int>(std::min<std::size_t>(3, std::max<std::size_t>(least, 2)));

    struct Candidate {
        int explained;
        Mat3d o;
    };
    std::vector<Candidate> candidates;
    const auto& pairs = t.pairs();
    const auto& reference = t.reference();
    const auto& directions = t.directions();
    const double seedPairs = static_cast<double>(seeds * (seeds - 1) / 2);
    int seedPair = 0;
    for (std::size_t a = 0; a < seeds; ++a) {
        for (std::size_t b = a + 1; b < seeds; ++b) {
            reportProgress(progress, 0.8 * seedPair++ / seedPairs);
            const Vec3d& la = spots[a].normal;
            const Vec3d& lb = spots[b].normal;
            const double angle = std::acos(std::clamp(dot(la, lb), -1.0, 1.0));
            if (angle < kNarrowestSeedPairRad || angle > std::numbers::pi - kNarrowestSeedPairRad) continue;
            // The first spot takes the representative of its class, the second any direction:
            // a symmetry rotation brings every other assignment onto one of these.
            auto it = std::lower_bound(pairs.begin(), pairs.end(), angle - tolerance,
                                       [](const DirectionPair& p, double x) { return p.angle < x; });
            for (; it != pairs.end() && it->angle <= angle + tolerance; ++it) {
                const Mat3d o = orientationFrom(directions[reference[it->first]].unit,
                                                directions[reference[it->second]].unit, la, lb);
                const int explained = explainedCount(t, o, spots, seeds, a, b, cosTolerance);
                if (explained >= quickLeast) candidates.push_back({explained, o});
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& x, const Candidate& y) { return x.explained > y.explained; });

    // The best distinct candidates against all spots.
    std::vector<Scored> scored;
    for (const Candidate& c : candidates) {
        if (scored.size() == kFullyScored) break;
        const bool seen = std::any_of(scored.begin(), scored.end(), [&](const Scored& s) {
            return misorientationDeg(t, s.o, c.o) < options.toleranceDeg;
        });
        if (!seen) scored.push_back(score(t, c.o, spots, cosTolerance));
    }
    reportProgress(progress, 0.9);
    std::stable_sort(scored.begin(), scored.end(), better);
    if (scored.size() > kRefined) scored.resize(kRefined);

    std::vector<Scored> solutions;
    for (Scored& s : scored) {
        Scored r = refined(t, std::move(s), spots, cosTolerance);
        if (r.matches.size() < least) continue;
        const bool seen = std::any_of(solutions.begin(), solutions.end(), [&](const Scored& x) {
            return misorientationDeg(t, x.o, r.o) < kSameSolutionDeg;
        });
        if (!seen) solutions.push_back(std::move(r));
    }
    rank(solutions);
    if (solutions.size() > static_cast<std::size_t>(std::max(options.maxSolutions, 0)))
        solutions.resize(static_cast<std::size_t>(std::max(options.maxSolutions, 0)));
    reportProgress(progress, 1);
    return solutions;
}

std::size_t leastExplained(const IndexOptions& options, std::size_t given) {
    return std::min(static_cast<std::size_t>(std::max(options.minExplained, 1)),
                    std::max<std::size_t>(given, 1));
}

}  // namespace

Indexer::Indexer(const IndexCrystal& crystal, const IndexOptions& options)
    : tables_(std::make_shared<const IndexTables>(crystal, options)), options_(options) {}

Indexer::~Indexer() = default;

const std::vector<Mat3d>& Indexer::symmetryRotations() const { return tables_->rotations(); }

std::vector<IndexSolution> Indexer::index(const std::vector<IndexSpot>& spots,
                                          const ProgressCallback& progress) const {
    const std::vector<Spot> prepared = prepare(spots, options_.toleranceDeg * kDeg);
    std::vector<IndexSolution> solutions;
    for (const Scored& s : search(*tables_, prepared, leastExplained(options_, spots.size()), progress))
        solutions.push_back(solutionOf(*tables_, nearestIdentity(*tables_, s.o), prepared));
    return solutions;
}

std::vector<IndexSolution> Indexer::grains(const std::vector<IndexSpot>& spots, int grains,
                                           const ProgressCallback& progress) const {
    std::vector<Spot> remaining = prepare(spots, options_.toleranceDeg * kDeg);
    std::vector<IndexSolution> found;
    for (int g = 0; g < grains && !remaining.empty(); ++g) {
        // A later crystal must show options.minExplained spots of its own, not merely all that is left.
        const std::size_t least = g == 0 ? leastExplained(options_, spots.size())
                                         : static_cast<std::size_t>(std::max(options_.minExplained, 1));
        const ProgressCallback part = [&](double f) { return !progress || progress((g + f) / grains); };
        const std::vector<Scored> best = search(*tables_, remaining, least, part);
        if (best.empty()) break;
        found.push_back(solutionOf(*tables_, nearestIdentity(*tables_, best.front().o), remaining));
        std::vector<bool> taken(spots.size(), false);
        for (const IndexedSpot& x : found.back().spots) taken[static_cast<std::size_t>(x.spot)] = true;
        std::vector<Spot> rest;
        for (const Spot& x : remaining)
            if (!taken[static_cast<std::size_t>(x.given)]) rest.push_back(x);
        remaining = std::move(rest);
    }
    reportProgress(progress, 1);
    return found;
}

std::vector<IndexedSpot> Indexer::explain(const std::vector<IndexSpot>& spots, const Mat3d& matrix) const {
    const std::vector<Spot> prepared = prepare(spots, options_.toleranceDeg * kDeg);
    return solutionOf(*tables_, matrix, prepared).spots;
}

std::vector<IndexSolution> indexSpots(const std::vector<IndexSpot>& spots, const IndexCrystal& crystal,
                                      const IndexOptions& options, const ProgressCallback& progress) {
    return Indexer(crystal, options).index(spots, progress);
}

std::vector<IndexSolution> indexGrains(const std::vector<IndexSpot>& spots, const IndexCrystal& crystal,
                                       const IndexOptions& options, int grains,
                                       const ProgressCallback& progress) {
    return Indexer(crystal, options).grains(spots, grains, progress);
}

std::vector<IndexedSpot> explainSpots(const std::vector<IndexSpot>& spots, const Mat3d& matrix,
                                      const IndexCrystal& crystal, const IndexOptions& options) {
    return Indexer(crystal, options).explain(spots, matrix);
}

}  // namespace lumora::engine
