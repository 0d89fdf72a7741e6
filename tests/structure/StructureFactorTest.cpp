#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "structure/StructureFactor.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"

namespace lumora::structure {
namespace {

// Published neutral-atom coefficients a1 b1 a2 b2 a3 b3 a4 b4 c, typed here so
// that the expected values do not come from the table under test.
struct Fit {
    int z;
    double p[9];
};
const Fit kH{1, {0.48992, 20.6593, 0.262, 7.74039, 0.19677, 49.5519, 0.04988, 2.20159, 0.0013}};
const Fit kC{6, {2.31, 20.8439, 1.02, 10.2075, 1.5886, 0.5687, 0.865, 51.6512, 0.2156}};
const Fit kO{8, {3.0485, 13.2771, 2.2868, 5.7011, 1.5463, 0.3239, 0.867, 32.90891, 0.2508}};
const Fit kNa{11, {4.7626, 3.285, 3.1736, 8.8422, 1.2674, 0.3136, 1.1128, 129.424, 0.676}};
const Fit kSi{14, {6.2915, 2.4386, 3.0353, 32.33369, 1.9891, 0.6785, 1.541, 81.6937, 1.1407}};
const Fit kCl{17, {11.4604, 0.0104, 7.1964, 1.1662, 6.2556, 18.5194, 1.6455, 47.7784, -9.5574}};
const Fit kFe{26, {11.7695, 4.7611, 7.3573, 0.3072, 3.5222, 15.3535, 2.3045, 76.88049, 1.0369}};

// The table keeps the coefficients in single precision.
constexpr double kRelative = 1e-6;

double f(const Fit& fit, double s2) {
    double sum = fit.p[8];
    for (int i = 0; i < 4; ++i) sum += fit.p[2 * i] * std::exp(-fit.p[2 * i + 1] * s2);
    return sum;
}

struct Site {
    const Fit* fit;
    double occupancy, x, y, z;
};

// |sum occ f exp(-B s²) exp(2 pi i h.x)| written out from the formula.
double expected(const std::vector<Site>& sites, int h, int k, int l, double s2) {
    std::complex<double> sum = 0;
    for (const Site& s : sites) {
        const double phase = 2 * M_PI * (h * s.x + k * s.y + l * s.z);
        sum += s.occupancy * f(*s.fit, s2) * std::exp(-0.5 * s2) * std::polar(1.0, phase);
    }
    return std::abs(sum);
}

std::vector<CellAtom> cellAtoms(const std::vector<Site>& sites) {
    std::vector<CellAtom> atoms;
    for (const Site& s : sites) {
        CellAtom a;
        a.atomicNumber = s.fit->z;
        a.occupancy = static_cast<float>(s.occupancy);
        a.x = static_cast<float>(s.x);
        a.y = static_cast<float>(s.y);
        a.z = static_cast<float>(s.z);
        atoms.push_back(a);
    }
    return atoms;
}

double cubicSpacing(double a, int h, int k, int l) { return a / std::sqrt(double(h * h + k * k + l * l)); }

std::vector<Site> diamond(const Fit& fit) {
    std::vector<Site> sites;
    for (const auto& t : {std::array<double, 3>{0, 0, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}, {0.5, 0.5, 0}})
        for (double shift : {0.0, 0.25})
            sites.push_back({&fit, 1.0, t[0] + shift, t[1] + shift, t[2] + shift});
    return sites;
}

TEST(StructureFactor, SiliconFollowsTheDiamondStructure) {
    const double a = 5.4307;
    const auto sites = diamond(kSi);
    const auto atoms = cellAtoms(sites);
    for (const auto& hkl :
         {std::array<int, 3>{1, 1, 1}, {2, 2, 0}, {3, 1, 1}, {4, 0, 0}, {3, 3, 1}, {4, 2, 2}}) {
        const double d = cubicSpacing(a, hkl[0], hkl[1], hkl[2]);
        const double s2 = 0.25 / (d * d);
        SCOPED_TRACE(testing::Message() << hkl[0] << hkl[1] << hkl[2]);
        const double want = expected(sites, hkl[0], hkl[1], hkl[2], s2);
        EXPECT_NEAR(structureAmplitude(atoms, hkl[0], hkl[1], hkl[2], d), want, kRelative * want + 1e-9);
    }
    // Closed forms: |F(111)| = 4 sqrt2 f T, |F(220)| = 8 f T, 200 and 222 vanish.
    const double d111 = cubicSpacing(a, 1, 1, 1), s111 = 0.25 / (d111 * d111);
    const double f111 = 4 * std::sqrt(2.0) * f(kSi, s111) * std::exp(-0.5 * s111);
    EXPECT_NEAR(structureAmplitude(atoms, 1, 1, 1, d111), f111, kRelative * f111);
    const double d220 = cubicSpacing(a, 2, 2, 0), s220 = 0.25 / (d220 * d220);
    const double f220 = 8 * f(kSi, s220) * std::exp(-0.5 * s220);
    EXPECT_NEAR(structureAmplitude(atoms, 2, 2, 0, d220), f220, kRelative * f220);
    EXPECT_NEAR(structureAmplitude(atoms, 2, 0, 0, cubicSpacing(a, 2, 0, 0)), 0.0, 1e-9);
    EXPECT_NEAR(structureAmplitude(atoms, 2, 2, 2, cubicSpacing(a, 2, 2, 2)), 0.0, 1e-9);
}

TEST(StructureFactor, SiliconExpandedFromOneAtomMatchesTheTypedCell) {
    int row = 0;
    const auto& table = symmetry::spaceGroupTable();
    while (!(std::string(table[row].number) == "227" && std::string(table[row].extension) == "1")) ++row;
    const auto cell =
        expandAtoms({{"Si1", "Si", 14, 1.0f, 0, 0, 0}}, symmetry::interpretHall(table[row].hall).ops);
    const auto sites = diamond(kSi);
    for (int h = -4; h <= 4; ++h)
        for (int k = -4; k <= 4; ++k)
            for (int l = -4; l <= 4; ++l) {
                if (h == 0 && k == 0 && l == 0) continue;
                const double d = cubicSpacing(5.4307, h, k, l);
                ASSERT_NEAR(structureAmplitude(cell, h, k, l, d), expected(sites, h, k, l, 0.25 / (d * d)),
                            1e-6)
                    << h << " " << k << " " << l;
            }
}

TEST(StructureFactor, RockSaltSumsAndDifferences) {
    const double a = 5.6402;
    std::vector<Site> sites;
    for (const auto& t : {std::array<double, 3>{0, 0, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}, {0.5, 0.5, 0}}) {
        sites.push_back({&kNa, 1.0, t[0], t[1], t[2]});
        sites.push_back({&kCl, 1.0, t[0] + 0.5, t[1] + 0.5, t[2] + 0.5});
    }
    const auto atoms = cellAtoms(sites);
    const double d200 = cubicSpacing(a, 2, 0, 0), s200 = 0.25 / (d200 * d200);
    const double f200 = 4 * (f(kNa, s200) + f(kCl, s200)) * std::exp(-0.5 * s200);
    EXPECT_NEAR(structureAmplitude(atoms, 2, 0, 0, d200), f200, kRelative * f200);
    const double d111 = cubicSpacing(a, 1, 1, 1), s111 = 0.25 / (d111 * d111);
    const double f111 = 4 * std::abs(f(kCl, s111) - f(kNa, s111)) * std::exp(-0.5 * s111);
    EXPECT_NEAR(structureAmplitude(atoms, 1, 1, 1, d111), f111, kRelative * f111);
    // Mixed parity is absent in a face-centred cell.
    EXPECT_NEAR(structureAmplitude(atoms, 1, 0, 0, cubicSpacing(a, 1, 0, 0)), 0.0, 1e-9);
}

// A triclinic cell with partly occupied sites: the occupancies must count.
std::vector<Site> lowSymmetrySites() {
    return {{&kFe, 0.6, 0.1, 0.2, 0.3},
            {&kO, 1.0, 0.7, 0.15, 0.45},
            {&kC, 0.25, 0.33, 0.8, 0.05},
            {&kH, 1.0, 0.5, 0.5, 0.9}};
}

TEST(StructureFactor, PartlyOccupiedTriclinicCell) {
    const auto sites = lowSymmetrySites();
    const auto atoms = cellAtoms(sites);
    for (const auto& hkl : {std::array<int, 3>{1, 0, 0}, {0, 1, 0}, {1, -2, 3}, {-3, 2, 5}, {4, 4, -1}})
        for (double s2 : {0.0, 0.02, 0.3, 1.2}) {
            const double want = expected(sites, hkl[0], hkl[1], hkl[2], s2);
            EXPECT_NEAR(structureFactor(atoms, hkl[0], hkl[1], hkl[2], s2), want, 1e-6 * want + 1e-9)
                << hkl[0] << hkl[1] << hkl[2] << " s2 " << s2;
        }
    // Leaving the occupancies out would be visibly wrong.
    auto full = atoms;
    for (CellAtom& a : full) a.occupancy = 1.0f;
    EXPECT_GT(std::abs(structureFactor(full, 1, 0, 0, 0.02) - structureFactor(atoms, 1, 0, 0, 0.02)), 1.0);
}

TEST(StructureFactor, MonoclinicCellExpandedBySymmetry) {
    // P 21/c (b unique): x,y,z; -x,y+1/2,-z+1/2; -x,-y,-z; x,-y+1/2,z+1/2.
    const std::vector<Site> asymmetric = {{&kFe, 1.0, 0.12, 0.31, 0.07}, {&kO, 0.5, 0.41, 0.09, 0.77}};
    std::vector<Site> sites;
    for (const Site& s : asymmetric) {
        sites.push_back(s);
        sites.push_back({s.fit, s.occupancy, -s.x, s.y + 0.5, -s.z + 0.5});
        sites.push_back({s.fit, s.occupancy, -s.x, -s.y, -s.z});
        sites.push_back({s.fit, s.occupancy, s.x, -s.y + 0.5, s.z + 0.5});
    }
    const auto cell =
        expandAtoms({{"Fe1", "Fe", 26, 1.0f, 0.12f, 0.31f, 0.07f}, {"O1", "O", 8, 0.5f, 0.41f, 0.09f, 0.77f}},
                    symmetry::interpretHall("-P 2ybc").ops);
    ASSERT_EQ(cell.size(), 8u);
    for (const auto& hkl :
         {std::array<int, 3>{1, 0, 0}, {0, 1, 0}, {0, 2, 0}, {1, 1, 1}, {2, -1, 3}, {-1, 0, 2}}) {
        const double want = expected(sites, hkl[0], hkl[1], hkl[2], 0.1);
        EXPECT_NEAR(structureFactor(cell, hkl[0], hkl[1], hkl[2], 0.1), want, 1e-5 * want + 1e-5)
            << hkl[0] << hkl[1] << hkl[2];
    }
    // The 21 screw axis along b extinguishes 0 k 0 with k odd.
    EXPECT_NEAR(structureFactor(cell, 0, 1, 0, 0.1), 0.0, 1e-5);
}

std::vector<CellAtom> randomAtoms(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    // Unknown numbers (0, 99, 200) are included: they scatter nothing in both sums.
    const int elements[] = {1, 6, 8, 14, 26, 56, 92, 0, 99, 200};
    std::vector<CellAtom> atoms;
    for (int i = 0; i < count; ++i) {
        CellAtom a;
        a.atomicNumber = elements[i % 10];
        a.occupancy = 0.2f + 0.8f * u(rng);
        a.x = u(rng);
        a.y = u(rng);
        a.z = u(rng);
        atoms.push_back(a);
    }
    return atoms;
}

TEST(StructureFactor, FriedelPairsHaveEqualMagnitudes) {
    const auto atoms = randomAtoms(23, 7);
    for (int h = -3; h <= 3; ++h)
        for (int k = -3; k <= 3; ++k)
            for (int l = -3; l <= 3; ++l)
                EXPECT_NEAR(structureFactor(atoms, h, k, l, 0.1), structureFactor(atoms, -h, -k, -l, 0.1),
                            1e-9);
}

TEST(StructureFactorTable, AgreesWithTheDirectSumOverAWholeList) {
    const auto atoms = randomAtoms(64, 11);
    const int limit = 7;
    StructureFactorTable table(atoms, limit, limit - 1, limit + 1);
    double worst = 0.0;
    // The generation order: h, then k, then l.
    for (int h = -limit; h <= limit; ++h)
        for (int k = -(limit - 1); k <= limit - 1; ++k)
            for (int l = -(limit + 1); l <= limit + 1; ++l) {
                if (h == 0 && k == 0 && l == 0) continue;
                const double d = 12.0 / std::sqrt(double(h * h + k * k + l * l));
                const double direct = structureAmplitude(atoms, h, k, l, d);
                const double fast = table.amplitude(h, k, l, d);
                worst = std::max(worst, std::abs(fast - direct) / std::max(direct, 1.0));
            }
    EXPECT_LT(worst, 1e-4);
    EXPECT_LT(worst, 1e-10);  // both are double-precision sums
}

TEST(StructureFactorTable, AnyOrderAndIndicesBeyondItsLimits) {
    const auto atoms = randomAtoms(30, 3);
    StructureFactorTable table(atoms, 2, 2, 2);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> index(-5, 5);
    for (int i = 0; i < 500; ++i) {
        const int h = index(rng), k = index(rng), l = index(rng);
        const double direct = structureFactor(atoms, h, k, l, 0.08);
        ASSERT_NEAR(table.magnitude(h, k, l, 0.08), direct, 1e-9 * std::max(direct, 1.0))
            << h << " " << k << " " << l;
    }
}

TEST(StructureFactor, DegenerateInput) {
    const auto atoms = randomAtoms(5, 2);
    for (double d : {0.0, -1.0, double(NAN), double(INFINITY)}) {
        EXPECT_EQ(structureAmplitude(atoms, 1, 0, 0, d), 0.0) << d;
        StructureFactorTable table(atoms, 1, 1, 1);
        EXPECT_EQ(table.amplitude(1, 0, 0, d), 0.0) << d;
    }
    EXPECT_EQ(structureAmplitude({}, 1, 1, 1, 2.0), 0.0);
    StructureFactorTable empty({}, 10, 10, 10);
    EXPECT_EQ(empty.amplitude(1, 2, 3, 1.5), 0.0);
    // Negative limits tabulate nothing and still answer.
    StructureFactorTable none(atoms, -4, -4, -4);
    EXPECT_NEAR(none.amplitude(1, 1, 1, 2.0), structureAmplitude(atoms, 1, 1, 1, 2.0), 1e-9);
    // A lone hydrogen atom stays below F = 1 even forward (0.99987 electrons).
    const std::vector<CellAtom> hydrogen = cellAtoms({{&kH, 1.0, 0, 0, 0}});
    EXPECT_NEAR(structureFactor(hydrogen, 0, 0, 1, 0.0), 0.99987, 1e-6);
    EXPECT_LT(structureAmplitude(hydrogen, 0, 0, 1, 2.0), 1.0);
}

}  // namespace
}  // namespace lumora::structure
