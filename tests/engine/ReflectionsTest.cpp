// The cell metric, the generated reflection list and its systematic absences.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <tuple>

#include "EngineFixtures.h"
#include "engine/Cell.h"
#include "structure/Samples.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/TextSplit.h"

using namespace lumora;
using namespace lumora::testing;
using engine::CellMetric;
using engine::indexLimits;

TEST(CellMetric, SpacingsAgreeWithTextbookFormulaeAndTheIndependentLattice) {
    const double a = 3.2094, c = 5.2103;
    const CellMetric hex({a, a, c, 90, 90, 120});
    const Cell tri{6.183, 4.822, 10.963, 84.5, 101.79, 97.2};
    const CellMetric triclinic(tri);
    const TestLattice lattice = latticeOf(tri);
    for (int h = -3; h <= 3; ++h)
        for (int k = -3; k <= 3; ++k)
            for (int l = -3; l <= 3; ++l) {
                if (!h && !k && !l) continue;
                const double inv = 4.0 / 3.0 * (h * h + h * k + k * k) / (a * a) + l * l / (c * c);
                EXPECT_NEAR(hex.spacing(h, k, l), 1 / std::sqrt(inv), 2e-6 / std::sqrt(inv)) << h << k << l;
                const double d = 1 / length(lattice.normal(h, k, l));
                EXPECT_NEAR(triclinic.spacing(h, k, l), d, 1e-5 * d) << h << k << l;
            }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(triclinic.directBasis()[i][j], lattice.direct[i][j], 1e-9);
}

TEST(CellMetric, ImpossibleCellsAreRefused) {
    // The last two: alpha + beta < gamma, and angles that sum to 360.
    for (const Cell& cell :
         {Cell{0, 5, 5, 90, 90, 90}, Cell{5, -1, 5, 90, 90, 90}, Cell{5, 5, NAN, 90, 90, 90},
          Cell{5, 5, INFINITY, 90, 90, 90}, Cell{5, 5, 5, 0, 90, 90}, Cell{5, 5, 5, 90, 180, 90},
          Cell{5, 5, 5, 30, 30, 90}, Cell{5, 5, 5, 120, 120, 120}}) {
        try {
            CellMetric m(cell);
            ADD_FAILURE() << "accepted " << cell[0] << " " << cell[1] << " " << cell[2] << " " << cell[3];
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), Error::InvalidCall);
            EXPECT_NE(e.description().find("Invalid unit cell"), std::string::npos);
        }
    }
    EXPECT_NO_THROW(CellMetric({5, 5, 5, 60, 60, 60}));
}

TEST(IndexLimits, ThresholdAndLimitsFollowTheCell) {
    // a b c, dMin, h k l limits, whether the index sum raised dMin
    using C = std::tuple<float, float, float, float, int, int, int, bool>;
    for (const auto& [a, b, c, dMin, h, k, l, raised] :
         {C{5, 5, 5, 0.5f, 10, 10, 10, false}, C{20, 20, 20, 1.0f, 20, 20, 20, false},
          C{30, 30, 30, 1.33f, 23, 23, 23, true},  // 90 > 70: the threshold grows once
          C{10, 10, 12, 1.0f, 10, 10, 12, false},  // (a+b+c)/30 = 1.067 is capped at 1
          C{60, 5, 5, 1.0f, 60, 5, 5, false}}) {   // 70: one limit may exceed 40
        const auto limits = indexLimits(a, b, c);
        EXPECT_FLOAT_EQ(limits.dMin, dMin) << a;
        EXPECT_EQ(limits.raised, raised) << a;
        EXPECT_EQ(std::tie(limits.h, limits.k, limits.l),
                  std::make_tuple(int16_t(h), int16_t(k), int16_t(l)));
    }
    EXPECT_THROW(indexLimits(40000, 5, 5), Error);
}

TEST(GenerateHKL, PrimitiveCubicListsEveryReflectionAboveTheThreshold) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    laue.GenerateHKL();
    // Independent list: all h k l with d = 5/sqrt(N) >= 0.5, i.e. N <= 100.
    std::set<std::tuple<int, int, int>> expected, got;
    for (int h = -10; h <= 10; ++h)
        for (int k = -10; k <= 10; ++k)
            for (int l = -10; l <= 10; ++l)
                if ((h || k || l) && h * h + k * k + l * l <= 100) expected.insert({h, k, l});
    for (int32_t i = 0; i < laue.n_hkl; ++i) got.insert({laue.getH(i), laue.getK(i), laue.getL(i)});
    EXPECT_EQ(laue.n_hkl, static_cast<int32_t>(expected.size()));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(laue.getF(0), 1.0f);
    EXPECT_FALSE(laue.x_withIntensity);
    EXPECT_FALSE(laue.reflections().withIntensity);
    EXPECT_FLOAT_EQ(laue.reflections().dMax, 5.0f);
    // The drawing order visits every reflection once, by increasing spacing.
    const auto& order = laue.reflections().order;
    ASSERT_EQ(static_cast<int32_t>(order.size()), laue.n_hkl);
    std::vector<bool> seen(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        ASSERT_TRUE(order[i] >= 0 && order[i] < laue.n_hkl);
        EXPECT_FALSE(seen[static_cast<std::size_t>(order[i])]);
        seen[static_cast<std::size_t>(order[i])] = true;
        EXPECT_TRUE(i == 0 || laue.getD(order[i - 1]) <= laue.getD(order[i]));
    }
}

TEST(GenerateHKL, ListsEveryReflectionAboveTheThresholdOfAnElongatedCell) {
    clLAUE laue;
    generate(laue, {60, 5, 5, 90, 90, 90});
    // Independent count: d = 1 / sqrt((h/60)^2 + (k/5)^2 + (l/5)^2) >= 1.
    int32_t expected = 0;
    for (int h = -70; h <= 70; ++h)
        for (int k = -10; k <= 10; ++k)
            for (int l = -10; l <= 10; ++l)
                if ((h || k || l) && h * h / 3600.0 + (k * k + l * l) / 25.0 <= 1.0 + 1e-9) ++expected;
    EXPECT_EQ(laue.n_hkl, expected);
    for (int h : {41, 59, 60, -60}) EXPECT_GE(listIndex(laue, h, 0, 0), 0) << h;
    EXPECT_NEAR(laue.getD(listIndex(laue, 60, 0, 0)), 1.0, 1e-6);
    EXPECT_EQ(laue.thresholdNote(), "");
}

TEST(GenerateHKL, SaysWhenTheIndexLimitRaisedTheThreshold) {
    clLAUE laue;
    generate(laue, {100, 100, 100, 90, 90, 90});
    // 1 Å raised six times by 1.33 gives limits 18 + 18 + 18 <= 70.
    EXPECT_EQ(laue.thresholdNote(), " (d ≥ 5.53 Å: index limit)");
    EXPECT_NEAR(laue.spacingMinimum(), 5.5349, 1e-3);
    generate(laue, kCubic5);
    EXPECT_EQ(laue.thresholdNote(), "");
}

TEST(GenerateHKL, RhombohedralGroupsTakeTheAxesOfTheCurrentCell) {
    // The group is chosen before the cell is typed, as the document does.
    clLAUE laue;
    const Cell hexagonal{4.758, 4.758, 12.991, 90, 90, 120};
    generate(laue, hexagonal, "R -3 C");
    EXPECT_EQ(laue.currentRow(), 459);  // 167:H
    ASSERT_GT(laue.n_hkl, 0);
    for (int32_t i = 0; i < laue.n_hkl; ++i)
        EXPECT_EQ((-laue.getH(i) + laue.getK(i) + laue.getL(i)) % 3, 0)
            << laue.getH(i) << " " << laue.getK(i) << " " << laue.getL(i);
    for (const auto& [h, k, l] : {std::tuple{0, 0, 2}, {1, -1, 0}, {1, 0, 1}, {2, 1, 0}})
        EXPECT_LT(listIndex(laue, h, k, l), 0);
    EXPECT_GE(listIndex(laue, 0, 0, 6), 0);
    EXPECT_GE(listIndex(laue, 1, 0, 4), 0);

    // The same group on rhombohedral axes: no centring, so the general 2 1 0 is present.
    setCell(laue, {5.13, 5.13, 5.13, 55.3, 55.3, 55.3});
    laue.GenerateHKL();
    EXPECT_EQ(laue.currentRow(), 460);  // 167:R
    EXPECT_GE(listIndex(laue, 2, 1, 0), 0);

    // A cell that tells neither leaves it to the gamma a .csf recorded.
    setCell(laue, {4.7, 4.9, 13, 90, 90, 100});
    laue.recordedGamma = 120;
    laue.GenerateHKL();
    EXPECT_EQ(laue.currentRow(), 459);
    laue.recordedGamma = 90;
    laue.GenerateHKL();
    EXPECT_EQ(laue.currentRow(), 460);
}

TEST(GenerateHKL, BuiltInRhombohedralSamplesOnHexagonalAxes) {
    // As the document applies a sample: the group by its list symbol, then the cell.
    const structure::SampleList samples = structure::builtInSamples();
    int checked = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const structure::SampleCell s = samples.getSample(i);
        const int number = std::stoi(s[1]);
        if (s[2][0] != 'R' || s[8] != "120" || s[3] != s[4]) continue;
        clLAUE laue;
        generate(laue, {std::stod(s[3]), std::stod(s[4]), std::stod(s[5]), 90, 90, 120},
                 util::toUpper(symmetry::spaceGroupSymbol(number)));
        EXPECT_STREQ(symmetry::spaceGroupTable()[laue.currentRow()].extension, "H") << s[0];
        for (int32_t r = 0; r < laue.n_hkl; ++r)
            ASSERT_EQ((-laue.getH(r) + laue.getK(r) + laue.getL(r)) % 3, 0) << s[0];
        ++checked;
    }
    EXPECT_GE(checked, 2);  // Corundum and alpha-Hg at least
}

TEST(GenerateHKL, LargestSpacingDescribesTheCurrentListOnly) {
    clLAUE laue;
    generate(laue, {30, 30, 30, 90, 90, 90});
    EXPECT_FLOAT_EQ(laue.spacingMaximum(), 30.0f);
    generate(laue, kCubic5);
    EXPECT_FLOAT_EQ(laue.spacingMaximum(), 5.0f);
    // Limits of 1: only the six 100-type reflections; then nothing reaches the threshold.
    generate(laue, {0.6, 0.6, 0.6, 90, 90, 90});
    EXPECT_EQ(laue.n_hkl, 6);
    generate(laue, {0.1, 0.1, 0.1, 90, 90, 90});
    EXPECT_EQ(laue.n_hkl, 0);
    EXPECT_TRUE(laue.reflections().order.empty());
}

TEST(GenerateHKL, RefusedCellsKeepThePreviousList) {
    clLAUE laue;
    generate(laue, kCubic5);
    const int32_t before = laue.n_hkl;
    const auto firstD = laue.getD(0);
    for (const Cell& cell : {Cell{0, 5, 5, 90, 90, 90}, Cell{5, 5, -3, 90, 90, 90}, Cell{5, 5, 5, 30, 30, 90},
                             Cell{40000, 5, 5, 90, 90, 90}}) {
        setCell(laue, cell);
        EXPECT_THROW(laue.GenerateHKL(), Error);
        EXPECT_EQ(laue.n_hkl, before);
        EXPECT_EQ(laue.getD(0), firstD);
        EXPECT_FLOAT_EQ(laue.spacingMaximum(), 5.0f);
    }
    try {
        laue.GenerateHKL();  // still the 40000 Å cell
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::Overflow);
    }
}

TEST(QSort, CopesWithManyEqualKeys) {
    std::vector<std::array<float, 2>> big(100000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = {static_cast<float>(i % 3), static_cast<float>(i)};
    engine::qSort(big, 0, static_cast<int32_t>(big.size()) - 1, 0);
    for (std::size_t i = 1; i < big.size(); ++i) ASSERT_LE(big[i - 1][0], big[i][0]);
    EXPECT_EQ(static_cast<int>(big[0][1]) % 3, 0);  // rows travel with their key
}

// Absences of representative groups against reflection conditions derived by
// hand from the centring vectors, screw axes and glide planes.
namespace {

bool even(int n) { return n % 2 == 0; }
bool multipleOf(int n, int m) { return n % m == 0; }

int rowOf(std::string symbol, bool rhombohedralAxes = false) {
    return symmetry::findHallEntry(symbol, rhombohedralAxes);
}

// Diamond glide of F d -3 m: F centring, and for any zero index the other two
// sum to a multiple of 4 (which also gives h00: h = 4n).
bool diamond(int h, int k, int l) {
    if (!(even(h + k) && even(k + l))) return false;
    if (h == 0) return multipleOf(k + l, 4);
    if (k == 0) return multipleOf(h + l, 4);
    if (l == 0) return multipleOf(h + k, 4);
    return true;
}

struct Case {
    const char* what;
    int row;
    std::function<bool(int, int, int)> present;
};

}  // namespace

TEST(Absences, AgreeWithHandDerivedConditions) {
    const auto all = [](int, int, int) { return true; };
    const std::vector<Case> cases{
        {"I", rowOf("I M 3 M"), [](int h, int k, int l) { return even(h + k + l); }},
        {"F", rowOf("F M 3 M"), [](int h, int k, int l) { return even(h + k) && even(k + l); }},
        {"C 1 2 1", 8, [](int h, int k, int) { return even(h + k); }},
        {"P 1 21 1", 5, [](int h, int k, int l) { return !(h == 0 && l == 0) || even(k); }},
        {"P 1 c 1", 20, [](int, int k, int l) { return k != 0 || even(l); }},
        {"P 21/c", 80, [](int h, int k, int l) { return h == 0 && l == 0 ? even(k) : k != 0 || even(l); }},
        {"F d -3 m origin 1", rowOf("F D 3 M"), diamond},
        {"F d -3 m origin 2", rowOf("F D 3 M") + 1, diamond},
        {"P 41", rowOf("P 41"), [](int h, int k, int l) { return h != 0 || k != 0 || multipleOf(l, 4); }},
        {"P 63", rowOf("P 63"), [](int h, int k, int l) { return h != 0 || k != 0 || even(l); }},
        {"R 3 hexagonal", rowOf("R 3", false), [](int h, int k, int l) { return multipleOf(-h + k + l, 3); }},
        {"R 3 rhombohedral", rowOf("R 3", true), all},
        {"P m -3 m", rowOf("P M 3 M"), all},
        {"P 1", 0, all},
    };
    for (const Case& c : cases) {
        clLAUE laue;
        laue.SGTAB_getHallMatrices(laue.SGTAB_getEntry(c.row)[1]);
        int mismatches = 0;
        for (int h = -8; h <= 8; ++h)
            for (int k = -8; k <= 8; ++k)
                for (int l = -8; l <= 8; ++l) {
                    if (!h && !k && !l) continue;
                    const bool absent = laue.isExtinct(int16_t(h), int16_t(k), int16_t(l));
                    if (absent == c.present(h, k, l) && ++mismatches <= 3)
                        ADD_FAILURE() << c.what << ": " << h << " " << k << " " << l
                                      << (absent ? " absent" : " present");
                }
        EXPECT_EQ(mismatches, 0) << c.what;
    }
}
