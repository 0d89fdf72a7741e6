#include <gtest/gtest.h>

#include <cmath>

#include "engine/Cell.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::engine;

namespace {

double length(const std::array<double, 3>& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// h a* + k b* + l c* from the columns of the reciprocal basis.
std::array<double, 3> reciprocalVector(const CellMetric& m, int h, int k, int l) {
    const auto& r = m.reciprocalBasis();
    std::array<double, 3> v{};
    for (int c = 0; c < 3; ++c) v[c] = r[c][0] * h + r[c][1] * k + r[c][2] * l;
    return v;
}

}  // namespace

TEST(CellMetric, CubicDefaultCell) {
    const CellMetric m({5, 5, 5, 90, 90, 90});
    EXPECT_EQ(m.spacing(1, 0, 0), 5.0f);
    EXPECT_EQ(m.spacing(1, 1, 1), static_cast<float>(5.0 / std::sqrt(3.0)));
    EXPECT_NEAR(m.spacing(1, 1, 1), 2.886751f, 1e-6);
    // the basis of a right-angled cell is diagonal
    const auto& b = m.directBasis();
    EXPECT_NEAR(b[0][0], 5, 1e-6);
    EXPECT_NEAR(b[1][1], 5, 1e-6);
    EXPECT_NEAR(b[2][2], 5, 1e-12);
    EXPECT_NEAR(b[0][1], 0, 1e-6);
    EXPECT_NEAR(b[1][2], 0, 1e-6);
}

TEST(CellMetric, HexagonalSpacingFollowsTheTextbookFormula) {
    const double a = 3.2094, c = 5.2103;
    const CellMetric m({3.2094f, 3.2094f, 5.2103f, 90, 90, 120});
    for (int h = -3; h <= 3; ++h)
        for (int k = -3; k <= 3; ++k)
            for (int l = -3; l <= 3; ++l) {
                if (!h && !k && !l) continue;
                const double inv = 4.0 / 3.0 * (h * h + h * k + k * k) / (a * a) + l * l / (c * c);
                EXPECT_NEAR(m.spacing(h, k, l), 1 / std::sqrt(inv), 2e-6 / std::sqrt(inv)) << h << k << l;
            }
}

TEST(CellMetric, TriclinicBasisAgreesWithTheSpacingFormula) {
    const CellMetric m({6.183f, 4.822f, 10.963f, 84.5f, 101.79f, 97.2f});
    // Row a of the basis has length a even for alpha != 90.
    EXPECT_NEAR(length({m.directBasis()[0][0], m.directBasis()[0][1], m.directBasis()[0][2]}), 6.183, 1e-5);
    EXPECT_NEAR(length({m.directBasis()[1][0], m.directBasis()[1][1], m.directBasis()[1][2]}), 4.822, 1e-5);
    for (int h = -2; h <= 2; ++h)
        for (int k = -2; k <= 2; ++k)
            for (int l = -2; l <= 2; ++l) {
                if (!h && !k && !l) continue;
                const double d = 1.0 / length(reciprocalVector(m, h, k, l));
                EXPECT_NEAR(m.spacing(h, k, l), d, 1e-5 * d) << h << k << l;
            }
}

TEST(CellMetric, DoubleAndSingleSpacingsAgree) {
    const std::array<double, 6> cell{4.9128, 4.9128, 5.4042, 90, 90, 120};
    const CellMetric m({4.9128f, 4.9128f, 5.4042f, 90, 90, 120});
    for (int h = 0; h <= 3; ++h)
        for (int l = 0; l <= 3; ++l) {
            if (!h && !l) continue;
            const double exact = CellMetric(cell).exactSpacing(h, 1, l);
            EXPECT_NEAR(m.spacing(h, 1, l), exact, 1e-6 * exact);
        }
    EXPECT_NEAR(CellMetric(std::array<double, 6>{5.4307, 5.4307, 5.4307, 90, 90, 90}).exactSpacing(1, 1, 1),
                5.4307 / std::sqrt(3.0), 1e-14);
}

TEST(CellMetric, ImpossibleCellsAreRefused) {
    const std::array<std::array<double, 6>, 8> bad{{
        {0, 5, 5, 90, 90, 90},
        {5, -1, 5, 90, 90, 90},
        {5, 5, NAN, 90, 90, 90},
        {5, 5, 5, 0, 90, 90},
        {5, 5, 5, 90, 180, 90},
        {5, 5, 5, 30, 30, 90},     // alpha + beta < gamma
        {5, 5, 5, 120, 120, 120},  // angles sum to 360
        {5, 5, INFINITY, 90, 90, 90},
    }};
    for (const auto& cell : bad) {
        try {
            CellMetric m(cell);
            ADD_FAILURE() << "accepted " << cell[0] << " " << cell[1] << " " << cell[2] << " " << cell[3]
                          << " " << cell[4] << " " << cell[5];
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), Error::InvalidCall);
            EXPECT_NE(e.description().find("Invalid unit cell"), std::string::npos);
        }
    }
    EXPECT_NO_THROW(CellMetric({5, 5, 5, 60, 60, 60}));
    EXPECT_NO_THROW(CellMetric({5, 5, 5, 100, 100, 100}));
}
