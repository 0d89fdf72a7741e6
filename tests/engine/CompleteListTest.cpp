// Complete reflection lists: every lattice point down to the threshold the
// band or the user sets, the budget that refuses lists too large to hold, and
// the cell's rule staying the default.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "EngineFixtures.h"
#include "engine/Cell.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

using Hkl = std::tuple<int, int, int>;

std::set<Hkl> listed(const clLAUE& laue) {
    std::set<Hkl> out;
    for (int32_t i = 0; i < laue.n_hkl; ++i) out.insert({laue.getH(i), laue.getK(i), laue.getL(i)});
    return out;
}

void makeComplete(clLAUE& laue, float dMin) { laue.setReflectionRange({true, dMin}); }

// Compares a list with the lattice points of `cell` whose spacing, from an
// independently built reciprocal basis, is at least dMin; `present` decides
// absences. Points within 1e-5 of the threshold may fall either way.
void expectSphere(const clLAUE& laue, const Cell& cell, double dMin, bool (*present)(int, int, int)) {
    const TestLattice lattice = latticeOf(cell);
    const std::set<Hkl> list = listed(laue);
    const int box = static_cast<int>(2 * std::max({cell[0], cell[1], cell[2]}) / dMin) + 2;  // generous
    std::size_t inside = 0, margin = 0;
    for (int h = -box; h <= box; ++h)
        for (int k = -box; k <= box; ++k)
            for (int l = -box; l <= box; ++l) {
                if (!h && !k && !l) continue;
                const double d = 1 / length(lattice.normal(h, k, l));
                if (std::fabs(d - dMin) < 1e-5 * dMin) {
                    ++margin;
                    continue;
                }
                const bool expected = d > dMin && present(h, k, l);
                EXPECT_EQ(list.count({h, k, l}) == 1, expected) << h << " " << k << " " << l << " d " << d;
                if (expected) ++inside;
            }
    EXPECT_GE(list.size(), inside);
    EXPECT_LE(list.size(), inside + margin);
    EXPECT_EQ(list.size(), static_cast<std::size_t>(laue.n_hkl));  // no reflection twice
}

bool always(int, int, int) { return true; }
bool bodyCentred(int h, int k, int l) { return (h + k + l) % 2 == 0; }

}  // namespace

TEST(CompleteList, HoldsEveryLatticePointInTheSphere) {
    const Cell cell{6.183, 4.822, 10.963, 84.5, 101.79, 97.2};
    clLAUE laue;
    laue.x_lambda_min = 0.5f;
    makeComplete(laue, 0.7f);
    generate(laue, cell, "P 1");
    EXPECT_GT(laue.n_hkl, 3000);
    expectSphere(laue, cell, 0.7, always);
    EXPECT_FLOAT_EQ(laue.spacingMinimum(), 0.7f);
    EXPECT_EQ(laue.thresholdNote(), " (complete: d ≥ 0.7 Å)");
    // The estimate the budget uses is the volume of the sphere in cells.
    const engine::CellMetric metric(cell);
    EXPECT_NEAR(engine::expectedReflections(metric, 0.7f, 1) / laue.n_hkl, 1.0, 0.05);

    // Without a d-min of the user's the band decides: d >= lambdaMin / 2.
    makeComplete(laue, 0);
    laue.x_lambda_min = 1.6f;
    laue.GenerateHKL();
    expectSphere(laue, cell, 0.8, always);
    // A d-min below the band's changes nothing.
    makeComplete(laue, 0.3f);
    const std::set<Hkl> byBand = listed(laue);
    laue.GenerateHKL();
    EXPECT_EQ(listed(laue), byBand);
    // A band that starts at 0 and no d-min leave no threshold.
    laue.x_lambda_min = 0;
    makeComplete(laue, 0);
    try {
        laue.GenerateHKL();
        ADD_FAILURE() << "a complete list without a threshold was made";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::InvalidCall);
    }
    EXPECT_EQ(listed(laue), byBand);
}

TEST(CompleteList, KeepsAbsencesAndGoesBeyondTheCellsRule) {
    // A 12 Å body-centred cell: the cell's rule stops at d = 1.2 Å.
    const Cell cell{12, 12, 12, 90, 90, 90};
    clLAUE laue;
    generate(laue, cell, "I m -3 m");
    const std::set<Hkl> byRule = listed(laue);
    EXPECT_FLOAT_EQ(laue.spacingMinimum(), 1.0f);
    laue.x_lambda_min = 0.2f;
    makeComplete(laue, 0.6f);
    laue.GenerateHKL();
    expectSphere(laue, cell, 0.6, bodyCentred);
    const std::set<Hkl> complete = listed(laue);
    EXPECT_TRUE(std::includes(complete.begin(), complete.end(), byRule.begin(), byRule.end()));
    // The centring halves the lattice points the budget counts.
    EXPECT_NEAR(engine::expectedReflections(engine::CellMetric(cell), 0.6f, 2) / laue.n_hkl, 1.0, 0.03);
    // Back to the cell's rule: the list it always gave.
    laue.setReflectionRange({});
    laue.GenerateHKL();
    EXPECT_EQ(listed(laue), byRule);
    EXPECT_EQ(laue.thresholdNote(), "");
}

TEST(CompleteList, RefusesListsBeyondTheBudgetAndProposesADMinThatFits) {
    clLAUE laue;
    generate(laue, kCubic5, "P 1");
    const int32_t before = laue.n_hkl;
    // 100 Å, P 1, down to 0.4 Å: about 65 million reflections.
    const Cell big{100, 100, 100, 90, 90, 90};
    laue.x_lambda_min = 0.4f;
    makeComplete(laue, 0.4f);
    setCell(laue, big);
    try {
        laue.GenerateHKL();
        ADD_FAILURE() << "a list beyond the budget was made";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::Overflow);
        EXPECT_NE(e.description().find("about 65.4 million reflections, more than the 20.0 million"),
                  std::string::npos)
            << e.description();
        EXPECT_NE(e.description().find("set d-min to 0.6 Å or more"), std::string::npos) << e.description();
    }
    EXPECT_EQ(laue.n_hkl, before);
    // The proposal is the smallest d-min in steps of 0.01 Å whose estimate fits.
    const engine::CellMetric metric(big);
    const float fits = engine::spacingForBudget(metric, 1, engine::kCompleteListBudget);
    EXPECT_FLOAT_EQ(fits, 0.6f);
    EXPECT_LE(engine::expectedReflections(metric, fits, 1), engine::kCompleteListBudget);
    EXPECT_GT(engine::expectedReflections(metric, fits - 0.01f, 1), engine::kCompleteListBudget);
    // A face-centred cell holds a quarter of the points and fits further down.
    const float centred = engine::spacingForBudget(metric, 4, engine::kCompleteListBudget);
    EXPECT_LT(centred, fits);
    EXPECT_NO_THROW(engine::checkCompleteBudget(metric, centred, 4));
    EXPECT_THROW(engine::checkCompleteBudget(metric, centred, 1), Error);

    // A needle of a cell: few points, but indices beyond 16 bits.
    const Cell needle{2000, 0.3, 0.3, 90, 90, 90};
    laue.x_lambda_min = 0.1f;
    makeComplete(laue, 0.05f);
    setCell(laue, needle);
    try {
        laue.GenerateHKL();
        ADD_FAILURE() << "indices beyond 16 bits were accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::Overflow);
        EXPECT_NE(e.description().find("beyond the 16-bit limit of 32767"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find("set d-min to 0.07 Å or more"), std::string::npos) << e.description();
    }
    EXPECT_EQ(laue.n_hkl, before);
}
