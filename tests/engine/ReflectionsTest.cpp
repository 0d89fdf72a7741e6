#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "engine/LaueEngine.h"
#include "util/Error.h"

using namespace lumora;
using engine::indexLimits;

namespace {

void setCell(clLAUE& laue, std::array<float, 6> cell) {
    for (int i = 0; i < 6; ++i) laue.setCellConstant(i, cell[static_cast<std::size_t>(i)]);
}

struct HintRecorder : EngineOwner {
    std::vector<std::string> hints;
    void setHINT(const std::string& text) override { hints.push_back(text); }
};

}  // namespace

TEST(IndexLimits, ThresholdAndLimitsFollowTheCell) {
    auto l = indexLimits(5, 5, 5);
    EXPECT_FLOAT_EQ(l.dMin, 0.5f);
    EXPECT_EQ(std::tie(l.h, l.k, l.l), std::make_tuple(int16_t{10}, int16_t{10}, int16_t{10}));

    l = indexLimits(20, 20, 20);
    EXPECT_FLOAT_EQ(l.dMin, 1.0f);
    EXPECT_EQ(l.h + l.k + l.l, 60);

    l = indexLimits(30, 30, 30);  // 90 > 70: the threshold grows once
    EXPECT_FLOAT_EQ(l.dMin, 1.33f);
    EXPECT_EQ(std::tie(l.h, l.k, l.l), std::make_tuple(int16_t{23}, int16_t{23}, int16_t{23}));

    l = indexLimits(10, 10, 12);  // (a+b+c)/30 = 1.067 is capped at 1
    EXPECT_FLOAT_EQ(l.dMin, 1.0f);
    EXPECT_EQ(std::tie(l.h, l.k, l.l), std::make_tuple(int16_t{10}, int16_t{10}, int16_t{12}));

    EXPECT_THROW(indexLimits(40000, 5, 5), Error);
}

TEST(GenerateHKL, PrimitiveCubicListsEveryReflectionAboveTheThreshold) {
    clLAUE laue;
    HintRecorder owner;
    laue.newDocument(&owner);
    laue.SGTAB_find("P 1");
    laue.GenerateHKL();

    // Independent count: all h k l in the box with d = 5/sqrt(N) >= 0.5, i.e. N <= 100.
    std::set<std::tuple<int, int, int>> expected;
    for (int h = -10; h <= 10; ++h)
        for (int k = -10; k <= 10; ++k)
            for (int l = -10; l <= 10; ++l)
                if ((h || k || l) && h * h + k * k + l * l <= 100) expected.insert({h, k, l});
    ASSERT_EQ(laue.n_hkl, static_cast<int32_t>(expected.size()));
    std::set<std::tuple<int, int, int>> got;
    for (int32_t i = 0; i < laue.n_hkl; ++i) {
        got.insert({laue.getH(i), laue.getK(i), laue.getL(i)});
        EXPECT_EQ(laue.getF(i), 1.0f);
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(laue.x_hmax, 10);
    EXPECT_FLOAT_EQ(laue.spacingMaximum(), 5.0f);
    EXPECT_EQ(laue.s_maugin, "P 1");
    EXPECT_FALSE(laue.x_withIntensity);
    ASSERT_FALSE(owner.hints.empty());
    EXPECT_EQ(owner.hints.front(), "generating reflections ...");
}

TEST(GenerateHKL, WithoutASpaceGroupNothingIsAbsent) {
    clLAUE laue;  // no group installed: no operations
    setCell(laue, {4, 4, 4, 90, 90, 90});
    laue.GenerateHKL();
    clLAUE p1;
    setCell(p1, {4, 4, 4, 90, 90, 90});
    p1.SGTAB_find("1");
    p1.GenerateHKL();
    EXPECT_EQ(laue.n_hkl, p1.n_hkl);
    EXPECT_GT(laue.n_hkl, 0);
}

TEST(GenerateHKL, DrawingOrderIsSortedBySpacing) {
    clLAUE laue;
    setCell(laue, {4.5186f, 7.657f, 4.5258f, 90, 90, 90});
    laue.SGTAB_find("C M C A");
    laue.GenerateHKL();
    const auto& order = laue.drawingOrder();
    ASSERT_EQ(static_cast<int32_t>(order.size()), laue.n_hkl);
    std::set<int> indices;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int n = static_cast<int>(order[i][1]);
        indices.insert(n);
        EXPECT_EQ(order[i][0], laue.getD(n));
        if (i > 0) {
            EXPECT_LE(order[i - 1][0], order[i][0]);
        }
    }
    EXPECT_EQ(static_cast<int32_t>(indices.size()), laue.n_hkl);
}

TEST(GenerateHKL, LargestSpacingDescribesTheCurrentListOnly) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    setCell(laue, {30, 30, 30, 90, 90, 90});
    laue.GenerateHKL();
    EXPECT_FLOAT_EQ(laue.spacingMaximum(), 30.0f);
    setCell(laue, {5, 5, 5, 90, 90, 90});
    laue.GenerateHKL();
    EXPECT_FLOAT_EQ(laue.spacingMaximum(), 5.0f);
}

TEST(GenerateHKL, RefusedCellsKeepThePreviousList) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    laue.GenerateHKL();
    const int32_t before = laue.n_hkl;
    const auto firstD = laue.getD(0);

    const std::array<std::array<float, 6>, 4> bad{{
        {0, 5, 5, 90, 90, 90},
        {5, 5, -3, 90, 90, 90},
        {5, 5, 5, 30, 30, 90},
        {40000, 5, 5, 90, 90, 90},
    }};
    for (const auto& cell : bad) {
        setCell(laue, cell);
        EXPECT_THROW(laue.GenerateHKL(), Error);
        EXPECT_EQ(laue.n_hkl, before);
        EXPECT_EQ(laue.getD(0), firstD);
        EXPECT_FLOAT_EQ(laue.spacingMaximum(), 5.0f);
    }
    try {
        setCell(laue, {40000, 5, 5, 90, 90, 90});
        laue.GenerateHKL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::Overflow);
    }
}

TEST(GenerateHKL, SmallAndTinyLists) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    setCell(laue, {0.6f, 0.6f, 0.6f, 90, 90, 90});  // limits of 1: only the six 100-type reflections
    laue.GenerateHKL();
    EXPECT_EQ(laue.n_hkl, 6);
    const auto& order = laue.drawingOrder();
    for (std::size_t i = 1; i < order.size(); ++i) EXPECT_LE(order[i - 1][0], order[i][0]);

    setCell(laue, {0.1f, 0.1f, 0.1f, 90, 90, 90});  // nothing reaches the threshold
    laue.GenerateHKL();
    EXPECT_EQ(laue.n_hkl, 0);
    EXPECT_TRUE(laue.drawingOrder().empty());
}

TEST(QSort, SortsRowsByTheKeyColumnMovingWholeRows) {
    std::vector<std::array<float, 2>> t{{5, 0}, {1, 1}, {4, 2}, {1, 3}, {3, 4}, {2, 5}, {5, 6}};
    engine::qSort(t, 0, static_cast<int32_t>(t.size()) - 1, 0);
    for (std::size_t i = 1; i < t.size(); ++i) EXPECT_LE(t[i - 1][0], t[i][0]);
    // rows travel together
    const std::array<float, 7> keyOf{5, 1, 4, 1, 3, 2, 5};
    for (const auto& row : t) EXPECT_EQ(row[0], keyOf[static_cast<std::size_t>(row[1])]);

    std::vector<std::array<float, 4>> one{{1, 2, 3, 4}};
    engine::qSort(one, 0, 0, 0);
    EXPECT_EQ(one[0][3], 4);
    std::vector<std::array<float, 2>> none;
    engine::qSort(none, 0, -1, 0);

    // Many equal keys and a long sorted run stay cheap and correct.
    std::vector<std::array<float, 2>> big(100000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = {static_cast<float>(i % 3), static_cast<float>(i)};
    engine::qSort(big, 0, static_cast<int32_t>(big.size()) - 1, 0);
    for (std::size_t i = 1; i < big.size(); ++i) ASSERT_LE(big[i - 1][0], big[i][0]);
}
