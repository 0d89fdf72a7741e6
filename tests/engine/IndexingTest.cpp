// The orientation search from spots alone: simulated exposures of every crystal family with spots
// lost and false ones added, the LaueTools example exposure, several crystals, three spots.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <numeric>
#include <random>
#include <sstream>

#include "../support/LaueSimulation.h"
#include "engine/Detector.h"
#include "engine/Indexing.h"
#include "engine/SpotList.h"
#include "util/Error.h"
#include "util/Progress.h"

namespace lumora::engine {
namespace {

using simulation::misorientationDeg;

IndexOptions band(double kevHigh, double kevLow = 5) {
    IndexOptions o;
    o.lambdaMin = 12.398 / kevHigh;
    o.lambdaMax = 12.398 / kevLow;
    return o;
}

struct Family {
    const char* name;
    std::array<double, 6> cell;
    const char* group;
    std::size_t rotations;  // proper rotations of the Laue class
};

// One crystal of each family; the non-centrosymmetric ones take their Laue class's rotations too.
const Family kFamilies[] = {
    {"cubic", {5.6575, 5.6575, 5.6575, 90, 90, 90}, "F d -3 m", 24},
    {"hexagonal", {3.2498, 3.2498, 5.2066, 90, 90, 120}, "P 63 m c", 12},
    {"monoclinic", {5.15, 6.32, 7.41, 90, 104.2, 90}, "P 1 21/c 1", 2},
    {"triclinic", {5.2, 6.1, 7.3, 82, 97, 104.5}, "P 1", 1},
};

TEST(IndexingSymmetry, RotationsAreTheProperPartOfTheLaueClass) {
    for (const Family& f : kFamilies) {
        const Indexer indexer(simulation::crystal(f.cell, f.group), band(22));
        const auto& rotations = indexer.symmetryRotations();
        EXPECT_EQ(rotations.size(), f.rotations) << f.name;
        for (const Mat3d& m : rotations) {
            double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
            EXPECT_NEAR(det, 1, 1e-9) << f.name;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    double mmt = 0;
                    for (int k = 0; k < 3; ++k) mmt += m[i][k] * m[j][k];
                    EXPECT_NEAR(mmt, i == j ? 1 : 0, 1e-9) << f.name;
                }
        }
    }
}

// For each family, crystals in random orientations: a fifth of the spots lost, 30 % false spots
// added, shuffled. The best solution is the crystal, up to its symmetry, and explains its spots.
TEST(IndexingSimulated, FindsEachFamilyAmongLostAndFalseSpots) {
    const Detector camera = defaultTopCamera();
    const IndexOptions options = band(22);
    for (const Family& f : kFamilies) {
        const IndexCrystal crystal = simulation::crystal(f.cell, f.group);
        const Indexer indexer(crystal, options);
        for (unsigned seed : {11u, 12u, 13u}) {
            std::mt19937 rng(seed);
            const Mat3d truth = simulation::randomRotation(rng);
            const auto clean =
                simulation::exposure(crystal, truth, options.lambdaMin, options.lambdaMax, camera, 60, rng);
            ASSERT_GE(clean.size(), 25u) << f.name << " seed " << seed;
            const auto spots = simulation::degrade(clean, 0.2, 0.3, camera, rng);
            const auto solutions = indexer.index(simulation::spotsOf(spots));
            ASSERT_FALSE(solutions.empty()) << f.name << " seed " << seed;
            const IndexSolution& best = solutions.front();
            EXPECT_LT(misorientationDeg(best.matrix, truth, indexer.symmetryRotations()), 0.01)
                << f.name << " seed " << seed;
            // Every true spot, on its reflection; false spots only by chance, off their reflections.
            std::size_t trueSpots = 0, explainedTrue = 0;
            for (const auto& s : spots) trueSpots += s.crystal >= 0 ? 1 : 0;
            for (const IndexedSpot& m : best.spots) {
                if (spots[static_cast<std::size_t>(m.spot)].crystal < 0) continue;
                ++explainedTrue;
                EXPECT_LT(m.deviationDeg, 1e-4) << f.name << " seed " << seed;
            }
            EXPECT_EQ(explainedTrue, trueSpots) << f.name << " seed " << seed;
            EXPECT_LE(best.spots.size(), trueSpots + (spots.size() - trueSpots) / 4)
                << f.name << " seed " << seed;
        }
    }
}

const IndexCrystal& germanium() {
    static const IndexCrystal crystal = simulation::crystal(kFamilies[0].cell, kFamilies[0].group);
    return crystal;
}

// The three strongest spots of germanium, low-index ones as on a real frame, give its orientation.
TEST(IndexingSimulated, ThreeSpotsSufficeForACubicCrystal) {
    const IndexOptions options = band(22);
    const Indexer indexer(germanium(), options);
    for (unsigned seed : {21u, 22u, 23u, 24u}) {
        std::mt19937 rng(seed);
        const Mat3d truth = simulation::randomRotation(rng);
        const auto three = simulation::exposure(germanium(), truth, options.lambdaMin, options.lambdaMax,
                                                defaultTopCamera(), 3, rng);
        ASSERT_EQ(three.size(), 3u);
        const auto solutions = indexer.index(simulation::spotsOf(three));
        ASSERT_FALSE(solutions.empty()) << "seed " << seed;
        EXPECT_EQ(solutions.front().spots.size(), 3u);
        EXPECT_LT(misorientationDeg(solutions.front().matrix, truth, indexer.symmetryRotations()), 0.01)
            << "seed " << seed;
    }
}

// The order of the spots changes nothing but their numbers.
TEST(IndexingSimulated, ResultDoesNotDependOnTheOrderOfTheSpots) {
    const IndexOptions options = band(22);
    const Indexer indexer(germanium(), options);
    std::mt19937 rng(31);
    const auto spots = simulation::degrade(
        simulation::exposure(germanium(), simulation::randomRotation(rng), options.lambdaMin,
                             options.lambdaMax, defaultTopCamera(), 70, rng),
        0.2, 0.3, defaultTopCamera(), rng);
    const auto given = simulation::spotsOf(spots);
    const auto first = indexer.index(given);
    ASSERT_FALSE(first.empty());
    std::vector<std::size_t> order(given.size());
    std::iota(order.begin(), order.end(), 0u);
    for (int round = 0; round < 3; ++round) {
        std::shuffle(order.begin(), order.end(), rng);
        std::vector<IndexSpot> shuffled;
        for (std::size_t i : order) shuffled.push_back(given[i]);
        const auto again = indexer.index(shuffled);
        ASSERT_EQ(again.size(), first.size());
        for (std::size_t s = 0; s < first.size(); ++s) {
            EXPECT_EQ(again[s].matrix, first[s].matrix);
            EXPECT_EQ(again[s].meanDeviationDeg, first[s].meanDeviationDeg);
            ASSERT_EQ(again[s].spots.size(), first[s].spots.size());
            std::map<std::size_t, std::array<int, 3>> before, after;
            for (const IndexedSpot& x : first[s].spots) before[static_cast<std::size_t>(x.spot)] = x.hkl;
            for (const IndexedSpot& x : again[s].spots)
                after[order[static_cast<std::size_t>(x.spot)]] = x.hkl;
            EXPECT_EQ(before, after);
        }
    }
}

// A turn taking crystal direction c onto laboratory direction l (both unit), about c x l.
Mat3d taking(const Vec3d& c, const Vec3d& l) {
    const Vec3d axis{c[1] * l[2] - c[2] * l[1], c[2] * l[0] - c[0] * l[2], c[0] * l[1] - c[1] * l[0]};
    const double s = std::sqrt(simulation::dot(axis, axis)), cs = simulation::dot(c, l);
    const Vec3d k{axis[0] / s, axis[1] / s, axis[2] / s};
    // Rodrigues: R = cos I + sin [k]x + (1 - cos) k k^T maps c to l; lab = O^T crystal, so O = R^T.
    const Mat3d kx{{{0, -k[2], k[1]}, {k[2], 0, -k[0]}, {-k[1], k[0], 0}}};
    Mat3d o{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) o[j][i] = (i == j ? cs : 0) + s * kx[i][j] + (1 - cs) * k[i] * k[j];
    return o;
}

// A spot is explained by a reflection of any index the group allows in the band, named by its
// lowest harmonic there; outside the band, by none.
TEST(IndexingExplain, FindsHighIndicesAndRespectsTheBand) {
    const IndexOptions options = band(22);
    const CellMetric metric(germanium().cell);
    const auto& b = metric.reciprocalBasis();
    const std::array<int, 3> hkl{11, 5, 5};
    Vec3d c{};
    for (int i = 0; i < 3; ++i)
        c[static_cast<std::size_t>(i)] = b[i][0] * hkl[0] + b[i][1] * hkl[1] + b[i][2] * hkl[2];
    const double q = std::sqrt(simulation::dot(c, c));
    for (double& x : c) x /= q;
    for (const double sinTheta : {0.8, 0.5}) {
        const Vec3d normal{-sinTheta, 0, -std::sqrt(1 - sinTheta * sinTheta)};
        const Mat3d o = taking(c, normal);
        const Vec3d ray{1 - 2 * normal[0] * normal[0], 0, -2 * normal[0] * normal[2]};
        // Nudged by 0.2 degrees: still within the tolerance.
        const Vec3d nudged = rayFromAngles(anglesOfRay(ray)[0] + 0.2, anglesOfRay(ray)[1]);
        const auto found = explainSpots({{nudged, 1}}, o, germanium(), options);
        if (sinTheta == 0.5) {  // lambda = 2 d sin(theta) = 0.43 Å, below the band, as are its harmonics
            EXPECT_TRUE(found.empty());
            continue;
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].hkl, hkl);
        EXPECT_NEAR(found[0].lambda, 2 * sinTheta / q, 1e-9);
        EXPECT_NEAR(found[0].deviationDeg, 0.2, 1e-6);
        for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(found[0].computedRay[i], ray[i], 1e-12);
    }
}

// Four crystals in one exposure: the first four grains are they, each spot given to one crystal.
TEST(IndexingSimulated, FindsSeveralGrains) {
    const IndexOptions options = band(22);
    const Indexer indexer(germanium(), options);
    std::mt19937 rng(41);
    std::vector<Mat3d> truths;
    std::vector<simulation::Spot> spots;
    for (int c = 0; c < 4; ++c) {
        truths.push_back(simulation::randomRotation(rng));
        const auto one = simulation::exposure(germanium(), truths.back(), options.lambdaMin,
                                              options.lambdaMax, defaultTopCamera(), 45, rng, c);
        spots.insert(spots.end(), one.begin(), one.end());
    }
    spots = simulation::degrade(spots, 0.1, 0.1, defaultTopCamera(), rng);
    const auto grains = indexer.grains(simulation::spotsOf(spots), 4);
    ASSERT_EQ(grains.size(), 4u);
    std::vector<bool> matched(4, false);
    std::vector<int> taken;
    int foreign = 0;
    std::array<int, 4> given{}, own{};
    for (const auto& s : spots)
        if (s.crystal >= 0) ++given[static_cast<std::size_t>(s.crystal)];
    for (const IndexSolution& g : grains) {
        int crystal = -1;
        for (std::size_t c = 0; c < 4; ++c)
            if (misorientationDeg(g.matrix, truths[c], indexer.symmetryRotations()) < 0.01)
                crystal = static_cast<int>(c);
        ASSERT_GE(crystal, 0);
        matched[static_cast<std::size_t>(crystal)] = true;
        for (const IndexedSpot& s : g.spots) {
            taken.push_back(s.spot);
            // A false spot or another crystal's may lie near some high-index reflection by chance.
            const int from = spots[static_cast<std::size_t>(s.spot)].crystal;
            if (from == crystal)
                ++own[static_cast<std::size_t>(crystal)];
            else
                ++foreign;
        }
    }
    EXPECT_EQ(matched, std::vector<bool>(4, true));
    for (std::size_t c = 0; c < 4; ++c) EXPECT_GE(own[c], given[c] * 4 / 5);
    EXPECT_LE(foreign, static_cast<int>(spots.size() / 10));
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(std::adjacent_find(taken.begin(), taken.end()), taken.end());
}

// Spots of nothing: no orientation explains six of them. A stopped search throws.
TEST(IndexingSimulated, FindsNothingInNoiseAndCanBeStopped) {
    const IndexOptions options = band(22);
    const Indexer indexer(germanium(), options);
    std::mt19937 rng(51);
    std::vector<IndexSpot> noise;
    std::uniform_real_distribution<double> x(0, 2047);
    for (int i = 0; i < 12; ++i) noise.push_back({defaultTopCamera().rayAt(x(rng), x(rng)), 1.0 + i});
    EXPECT_TRUE(indexer.index(noise).empty());
    EXPECT_TRUE(indexer.index({}).empty());

    int calls = 0;
    EXPECT_THROW(indexer.index(noise, [&](double) { return ++calls < 5; }), Cancelled);
    EXPECT_THROW(Indexer(germanium(), band(22, 30)), Error);  // lambdaMax below lambdaMin
}

// LaueTools' indexing of one crystal in SiCustrain0.fit: the spots (0-based in the .cor list),
// their h k l, and the orientation in Lumora's frame, O = (diag(1, -1, -1) U)^T.
struct FitBlock {
    std::vector<int> spots;
    std::vector<std::array<int, 3>> hkl;
    Mat3d orientation{};
};

std::vector<FitBlock> readFit() {
    std::ifstream in(std::string(LUMORA_LAUE_DATA_DIR) + "/SiCustrain0.fit");
    std::vector<FitBlock> blocks(1);
    std::string line;
    int ubRow = -1;
    std::array<std::array<double, 3>, 3> ub{};
    while (std::getline(in, line)) {
        if (line.rfind("#UB matrix", 0) == 0) {
            ubRow = 0;
            continue;
        }
        if (ubRow >= 0) {
            std::string numbers;
            for (char c : line) numbers += (c == '#' || c == '[' || c == ']') ? ' ' : c;
            std::istringstream row(numbers);
            for (double& x : ub[static_cast<std::size_t>(ubRow)]) row >> x;
            if (++ubRow == 3) {
                // UB of a cubic crystal is the rotation U times a scale; Lumora's frame is turned
                // by 180 degrees about the beam.
                FitBlock& b = blocks.back();
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j) b.orientation[j][i] = (i == 0 ? 1 : -1) * ub[i][j];
                for (auto& r : b.orientation) {
                    const double n = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
                    for (double& x : r) x /= n;
                }
                blocks.emplace_back();
                ubRow = -1;
            }
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        std::vector<double> v;
        for (double x; row >> x;) v.push_back(x);
        if (v.size() < 11) continue;
        blocks.back().spots.push_back(static_cast<int>(v[0]));
        blocks.back().hkl.push_back({static_cast<int>(v[2]), static_cast<int>(v[3]), static_cast<int>(v[4])});
    }
    blocks.pop_back();
    return blocks;
}

std::vector<IndexSpot> laueToolsSpots() {
    std::vector<IndexSpot> spots;
    for (const ListedSpot& s : readSpotList(std::string(LUMORA_LAUE_DATA_DIR) + "/SiCustrain0.cor"))
        spots.push_back({rayFromAngles(s.a, s.b), s.intensity});
    return spots;
}

// The laboratory vector of reflection h under orientation o.
Vec3d labVector(const Mat3d& o, const CellMetric& metric, const std::array<int, 3>& h) {
    const auto& b = metric.reciprocalBasis();
    Vec3d lab{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            lab[static_cast<std::size_t>(j)] += o[i][j] * (b[i][0] * h[0] + b[i][1] * h[1] + b[i][2] * h[2]);
    return lab;
}

// Silicon under a copper film, 5-25 keV: as silicon the 155 spots LaueTools gave silicon, each with
// its reflection, and its orientation; as copper the copper crystal's 55.
TEST(IndexingLaueTools, FindsSiliconAndCopperOfTheExample) {
    const auto spots = laueToolsSpots();
    ASSERT_EQ(spots.size(), 210u);
    const auto fit = readFit();
    ASSERT_EQ(fit.size(), 2u);
    const IndexOptions options = band(25);
    struct Case {
        std::array<double, 6> cell;
        const char* group;
        const FitBlock& expected;
    };
    for (const Case& c : {Case{{5.4309, 5.4309, 5.4309, 90, 90, 90}, "F d -3 m", fit[0]},
                          Case{{3.6, 3.6, 3.6, 90, 90, 90}, "F m -3 m", fit[1]}}) {
        const Indexer indexer(simulation::crystal(c.cell, c.group), options);
        const auto solutions = indexer.index(spots);
        ASSERT_FALSE(solutions.empty()) << c.group;
        const IndexSolution& best = solutions.front();
        EXPECT_LT(misorientationDeg(best.matrix, c.expected.orientation, indexer.symmetryRotations()), 0.01)
            << c.group;
        std::vector<int> found;
        for (const IndexedSpot& s : best.spots) found.push_back(s.spot);
        std::vector<int> expected = c.expected.spots;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected) << c.group;
        EXPECT_LT(best.meanDeviationDeg, 0.01) << c.group;
        // The same reflection as LaueTools', and the same harmonic (equal laboratory vectors) except
        // where silicon's atoms on 8a, not its space group, forbid the lower one: all even with
        // h + k + l = 4n + 2.
        const CellMetric metric(c.cell);
        for (const IndexedSpot& s : best.spots) {
            const auto at = std::find(c.expected.spots.begin(), c.expected.spots.end(), s.spot);
            if (at == c.expected.spots.end()) continue;
            const auto& theirs = c.expected.hkl[static_cast<std::size_t>(at - c.expected.spots.begin())];
            const Vec3d ours = labVector(best.matrix, metric, s.hkl);
            const Vec3d other = labVector(c.expected.orientation, metric, theirs);
            const double ratio = std::sqrt(simulation::dot(ours, ours) / simulation::dot(other, other));
            if (std::fabs(ratio - 1) > 1e-3) {
                const auto [h, k, l] = s.hkl;
                EXPECT_TRUE(h % 2 == 0 && k % 2 == 0 && l % 2 == 0 && (h + k + l) % 4 != 0)
                    << c.group << " spot " << s.spot << " " << h << " " << k << " " << l << " ratio "
                    << ratio;
            }
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_NEAR(ours[i] / ratio, other[i], 2e-3) << c.group << " spot " << s.spot;
            EXPECT_GE(s.lambda, options.lambdaMin);
            EXPECT_LE(s.lambda, options.lambdaMax);
        }
    }
    // Indexed as silicon grain by grain: silicon first, then the copper film (whose spots silicon's
    // lattice also explains, its cell being two thirds of silicon's), and nothing taken twice.
    const Indexer silicon(simulation::crystal({5.4309, 5.4309, 5.4309, 90, 90, 90}, "F d -3 m"), options);
    const auto grains = silicon.grains(spots, 3);
    ASSERT_GE(grains.size(), 2u);
    EXPECT_EQ(grains[0].spots.size(), 155u);
    EXPECT_LT(misorientationDeg(grains[1].matrix, fit[1].orientation, silicon.symmetryRotations()), 0.01);
    std::vector<int> all;
    for (const auto& g : grains)
        for (const IndexedSpot& s : g.spots) all.push_back(s.spot);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
}

}  // namespace
}  // namespace lumora::engine
