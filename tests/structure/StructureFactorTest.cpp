#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "StructureTestSupport.h"
#include "structure/Elements.h"
#include "structure/StructureFactor.h"

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
const Fit kCa{20, {8.6266, 10.4421, 7.3873, 0.6599, 1.5899, 85.7484, 1.0211, 178.437, 1.3751}};
const Fit kFe{26, {11.7695, 4.7611, 7.3573, 0.3072, 3.5222, 15.3535, 2.3045, 76.88049, 1.0369}};

double f(const Fit& fit, double s2) {
    double sum = fit.p[8];
    for (int i = 0; i < 4; ++i) sum += fit.p[2 * i] * std::exp(-fit.p[2 * i + 1] * s2);
    return sum;
}
double fT(const Fit& fit, double s2) { return f(fit, s2) * std::exp(-0.5 * s2); }  // B = 0.5

TEST(ScatteringFactor, FollowsThePublishedNeutralAtomFits) {
    for (double s2 : {0.0, 0.25, 4.0}) {
        EXPECT_NEAR(scatteringFactorExact(8, s2), f(kO, s2), 1e-5) << s2;
        EXPECT_NEAR(scatteringFactor(8, s2), f(kO, s2), 1e-5) << s2;
        // The neutral calcium atom: 20 electrons forward, not the 18 of Ca2+.
        EXPECT_NEAR(scatteringFactorExact(20, s2), f(kCa, s2), 1e-5) << s2;
    }
    // Forward scattering counts the electrons, so a row typed into the wrong place shows.
    for (int z = 1; z <= 98; ++z)
        EXPECT_NEAR(scatteringFactorExact(z, 0.0), z, 0.05 * std::max(1, z / 10)) << z;
    for (int z : {0, -1, 99, 106, 32767}) {
        EXPECT_EQ(scatteringFactor(z, 0.1), 0.0f) << z;
        EXPECT_EQ(scatteringFactorExact(z, 0.0), 0.0) << z;
    }
}

struct Site {
    const Fit* fit;
    double occupancy, x, y, z;
};

// |sum occ f exp(-B s²) exp(2 pi i h.x)| written out from the formula.
double expected(const std::vector<Site>& sites, int h, int k, int l, double s2) {
    std::complex<double> sum = 0;
    for (const Site& s : sites)
        sum += s.occupancy * fT(*s.fit, s2) * std::polar(1.0, 2 * M_PI * (h * s.x + k * s.y + l * s.z));
    return std::abs(sum);
}

std::vector<CellAtom> cellAtoms(const std::vector<Site>& sites) {
    std::vector<CellAtom> atoms;
    for (const Site& s : sites)
        atoms.push_back({"", s.fit->z, float(s.occupancy), float(s.x), float(s.y), float(s.z)});
    return atoms;
}

double s2Of(double a, int h, int k, int l) { return (h * h + k * k + l * l) / (4 * a * a); }

TEST(StructureFactor, SiliconAndRockSaltExpandedBySymmetryAgainstClosedForms) {
    using structuretest::expandInRow, structuretest::rowOf;
    const double a = 5.4307, b = 5.6402;
    const auto si = expandInRow({{"Si1", "Si", 14, 1.0f, 0, 0, 0}}, rowOf("227", "1"));
    const auto nacl = expandInRow(
        {{"Na1", "Na", 11, 1.0f, 0, 0, 0}, {"Cl1", "Cl", 17, 1.0f, 0.5f, 0.5f, 0.5f}}, rowOf("225"));
    const auto F = [](const std::vector<CellAtom>& atoms, double a, int h, int k, int l) {
        return structureAmplitude(atoms, h, k, l, a / std::sqrt(double(h * h + k * k + l * l)));
    };
    // Diamond: |F(111)| = 4 sqrt2 f T, |F(220)| = 8 f T, 200 and 222 vanish.
    EXPECT_NEAR(F(si, a, 1, 1, 1), 4 * std::sqrt(2.0) * fT(kSi, s2Of(a, 1, 1, 1)), 1e-4);
    EXPECT_NEAR(F(si, a, -2, 2, 0), 8 * fT(kSi, s2Of(a, 2, 2, 0)), 1e-4);
    EXPECT_NEAR(F(si, a, 2, 0, 0), 0.0, 1e-9);
    EXPECT_NEAR(F(si, a, 2, 2, 2), 0.0, 1e-9);
    // Rock salt: 4 (f_Na + f_Cl) for even, 4 |f_Cl - f_Na| for odd indices, mixed parity absent.
    EXPECT_NEAR(F(nacl, b, 2, 0, 0), 4 * (fT(kNa, s2Of(b, 2, 0, 0)) + fT(kCl, s2Of(b, 2, 0, 0))), 1e-4);
    EXPECT_NEAR(F(nacl, b, 1, 1, -1), 4 * std::abs(fT(kCl, s2Of(b, 1, 1, 1)) - fT(kNa, s2Of(b, 1, 1, 1))),
                1e-4);
    EXPECT_NEAR(F(nacl, b, 1, 0, 0), 0.0, 1e-9);
}

TEST(StructureFactor, PartlyOccupiedTriclinicCell) {
    const std::vector<Site> sites = {{&kFe, 0.6, 0.1, 0.2, 0.3},
                                     {&kO, 1.0, 0.7, 0.15, 0.45},
                                     {&kC, 0.25, 0.33, 0.8, 0.05},
                                     {&kH, 1.0, 0.5, 0.5, 0.9}};
    const auto atoms = cellAtoms(sites);
    for (const auto& hkl : {std::array<int, 3>{1, 0, 0}, {1, -2, 3}, {-3, 2, 5}, {4, 4, -1}})
        for (double s2 : {0.0, 0.3, 1.2}) {
            const double want = expected(sites, hkl[0], hkl[1], hkl[2], s2);
            EXPECT_NEAR(structureFactor(atoms, hkl[0], hkl[1], hkl[2], s2), want, 1e-6 * want + 1e-9)
                << hkl[0] << hkl[1] << hkl[2] << " s2 " << s2;
        }
    // A lone hydrogen atom stays below F = 1 even forward (0.99987 electrons).
    EXPECT_NEAR(structureFactor(cellAtoms({{&kH, 1.0, 0, 0, 0}}), 0, 0, 1, 0.0), 0.99987, 1e-6);
}

std::vector<CellAtom> randomAtoms(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    // Unknown numbers (0, 99, 200) are included: they scatter nothing in both sums.
    const int elements[] = {1, 6, 8, 14, 26, 56, 92, 0, 99, 200};
    std::vector<CellAtom> atoms;
    for (int i = 0; i < count; ++i)
        atoms.push_back({"", elements[i % 10], 0.2f + 0.8f * u(rng), u(rng), u(rng), u(rng)});
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

TEST(StructureFactorTable, AgreesWithTheDirectSumInGenerationOrderAndAnyOther) {
    const auto atoms = randomAtoms(64, 11);
    const int limit = 7;
    StructureFactorTable table(atoms, limit, limit - 1, limit + 1);
    for (int h = -limit; h <= limit; ++h)  // the generation order: h, then k, then l
        for (int k = -(limit - 1); k <= limit - 1; ++k)
            for (int l = -(limit + 1); l <= limit + 1; ++l) {
                if (h == 0 && k == 0 && l == 0) continue;
                const double d = 12.0 / std::sqrt(double(h * h + k * k + l * l));
                const double direct = structureAmplitude(atoms, h, k, l, d);
                ASSERT_NEAR(table.amplitude(h, k, l, d), direct, 1e-10 * std::max(direct, 1.0))
                    << h << k << l;
            }
    // Random order, indices beyond the limits included.
    StructureFactorTable small(atoms, 2, 2, 2);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> index(-5, 5);
    for (int i = 0; i < 300; ++i) {
        const int h = index(rng), k = index(rng), l = index(rng);
        const double direct = structureFactor(atoms, h, k, l, 0.08);
        ASSERT_NEAR(small.magnitude(h, k, l, 0.08), direct, 1e-9 * std::max(direct, 1.0)) << h << k << l;
    }
}

TEST(StructureFactorTable, DegenerateInputGivesZeroOrTheDirectSum) {
    const auto atoms = randomAtoms(5, 2);
    StructureFactorTable table(atoms, 1, 1, 1);
    for (double d : {0.0, -1.0, double(NAN), double(INFINITY)}) {
        EXPECT_EQ(structureAmplitude(atoms, 1, 0, 0, d), 0.0) << d;
        EXPECT_EQ(table.amplitude(1, 0, 0, d), 0.0) << d;
    }
    EXPECT_EQ(StructureFactorTable({}, 10, 10, 10).amplitude(1, 2, 3, 1.5), 0.0);
    StructureFactorTable none(atoms, -4, -4, -4);  // negative limits tabulate nothing
    EXPECT_NEAR(none.amplitude(1, 1, 1, 2.0), structureAmplitude(atoms, 1, 1, 1, 2.0), 1e-9);
}

}  // namespace
}  // namespace lumora::structure
