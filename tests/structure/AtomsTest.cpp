#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "structure/Atoms.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"

namespace lumora::structure {
namespace {

std::vector<symmetry::SymOp> opsOfRow(int row) {
    return symmetry::interpretHall(symmetry::spaceGroupTable()[row].hall).ops;
}

// The row of a number and extension ("227", "1").
int rowOf(const std::string& number, const std::string& extension = "") {
    const auto& table = symmetry::spaceGroupTable();
    for (int r = 0; r < symmetry::kSpaceGroupRows; ++r)
        if (number == table[r].number && extension == table[r].extension) return r;
    ADD_FAILURE() << number << ":" << extension;
    return 0;
}

Atom atom(const char* label, int z, float x, float y, float zc, float occupancy = 1.0f) {
    return {label, label, z, occupancy, x, y, zc};
}

int countOf(const std::vector<CellAtom>& cell, int z) {
    return static_cast<int>(
        std::count_if(cell.begin(), cell.end(), [z](const CellAtom& a) { return a.atomicNumber == z; }));
}

TEST(WrapFraction, ReducesIntoTheUnitIntervalAndSnapsJustBelowOne) {
    EXPECT_EQ(wrapFraction(-0.00001f), 0.0f);
    EXPECT_EQ(wrapFraction(0.9999f), 0.9999f);
    EXPECT_EQ(wrapFraction(0.99995f), 0.0f);
    EXPECT_EQ(wrapFraction(1.0f), 0.0f);
    EXPECT_EQ(wrapFraction(0.0f), 0.0f);
    EXPECT_EQ(wrapFraction(-0.25f), 0.75f);
    EXPECT_EQ(wrapFraction(1.25f), 0.25f);
    EXPECT_EQ(wrapFraction(-1.0f), 0.0f);
    EXPECT_EQ(wrapFraction(-2.75f), 0.25f);
    EXPECT_EQ(wrapFraction(7.5f), 0.5f);
}

TEST(WrapFraction, HugeAndNonFiniteValuesEndAtOnce) {
    // Stepping by one would never finish for these.
    for (float x : {1e7f, -1e7f, 3e38f, -3e38f, 16777216.0f, -16777217.0f}) {
        const float w = wrapFraction(x);
        EXPECT_TRUE(w >= 0.0f && w < 1.0f) << x;
    }
    EXPECT_EQ(wrapFraction(12345.5f), 0.5f);
    EXPECT_EQ(wrapFraction(-12345.5f), 0.5f);
    EXPECT_EQ(wrapFraction(std::nanf("")), 0.0f);
    EXPECT_EQ(wrapFraction(INFINITY), 0.0f);
    EXPECT_EQ(wrapFraction(-INFINITY), 0.0f);
}

TEST(CellVolume, MatchesTheMetricFormula) {
    EXPECT_NEAR(cellVolume({5.431f, 5.431f, 5.431f, 90, 90, 90}), 5.431 * 5.431 * 5.431, 1e-2);
    // Hexagonal: a² c sin 120.
    EXPECT_NEAR(cellVolume({4.9134f, 4.9134f, 5.4052f, 90, 90, 120}),
                4.9134 * 4.9134 * 5.4052 * std::sqrt(3.0) / 2, 1e-3);
    // Monoclinic: abc sin beta.
    EXPECT_NEAR(cellVolume({5, 6, 7, 90, 100, 90}), 210 * std::sin(100 * M_PI / 180), 1e-3);
    // Angles that admit no cell.
    EXPECT_EQ(cellVolume({5, 5, 5, 60, 60, 120}), 0.0f);
    EXPECT_EQ(cellVolume({5, 5, 5, 10, 10, 170}), 0.0f);
}

TEST(ValidateCell, RefusesCellsThatCannotExist) {
    EXPECT_NO_THROW(validateCell({5.431f, 5.431f, 5.431f, 90, 90, 90}));
    EXPECT_NO_THROW(validateCell({4.7589f, 4.7589f, 12.991f, 90, 90, 120}));
    EXPECT_NO_THROW(validateCell({5.1f, 5.1f, 5.1f, 55.3f, 55.3f, 55.3f}));
    const CellConstants bad[] = {
        {0, 5, 5, 90, 90, 90},        {5, -1, 5, 90, 90, 90},    {5, 5, NAN, 90, 90, 90},
        {5, 5, INFINITY, 90, 90, 90}, {5, 5, 5, 0, 90, 90},      {5, 5, 5, 90, 180, 90},
        {5, 5, 5, 90, 90, 200},       {5, 5, 5, 60, 60, 120},    {5, 5, 5, 10, 10, 170},
        {5, 5, 5, 90, 90, NAN},       {20000, 5, 5, 90, 90, 90}, {5, 5, 5, 60, 60, 119.99999f},
    };
    for (const CellConstants& cell : bad) {
        try {
            validateCell(cell);
            ADD_FAILURE() << cell[0] << " " << cell[1] << " " << cell[2] << " " << cell[3] << " " << cell[4]
                          << " " << cell[5];
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), Error::InvalidCall);
            EXPECT_NE(e.description().find("cell"), std::string::npos) << e.description();
        }
    }
}

TEST(ExpandAtoms, CountsFollowTheSiteSymmetry) {
    const std::vector<Atom> origin = {atom("Na1", 11, 0, 0, 0)};
    EXPECT_EQ(expandAtoms(origin, opsOfRow(rowOf("1"))).size(), 1u);
    const auto fm3m = opsOfRow(rowOf("225"));
    ASSERT_EQ(fm3m.size(), 192u);
    EXPECT_EQ(expandAtoms(origin, fm3m).size(), 4u);
    // A general position in F m -3 m has all 192 images.
    EXPECT_EQ(expandAtoms({atom("X", 6, 0.11f, 0.23f, 0.37f)}, fm3m).size(), 192u);
    // Silicon at the origin of F d -3 m, origin choice 1: the diamond structure.
    const auto si = expandAtoms({atom("Si1", 14, 0, 0, 0)}, opsOfRow(rowOf("227", "1")));
    ASSERT_EQ(si.size(), 8u);
    // The same structure in origin choice 2 has its atoms at 1/8 1/8 1/8.
    EXPECT_EQ(expandAtoms({atom("Si1", 14, 0.125f, 0.125f, 0.125f)}, opsOfRow(rowOf("227", "2"))).size(), 8u);
    for (const CellAtom& a : si) {
        EXPECT_EQ(a.label, "Si");
        EXPECT_EQ(a.atomicNumber, 14);
        EXPECT_EQ(a.site, 0);
        // Diamond positions are multiples of 1/4 with all coordinates in [0, 1).
        for (float c : {a.x, a.y, a.z}) {
            EXPECT_TRUE(c >= 0.0f && c < 1.0f);
            EXPECT_NEAR(c * 4, std::nearbyint(c * 4), 1e-5);
        }
    }
}

TEST(ExpandAtoms, HexagonalAndRhombohedralMinerals) {
    // Quartz, P 32 2 1: Si on 3a, O on a general 6c position.
    const auto quartz =
        expandAtoms({atom("Si1", 14, 0.4697f, 0, 2.0f / 3), atom("O1", 8, 0.4133f, 0.2672f, 0.7855f)},
                    opsOfRow(rowOf("154")));
    EXPECT_EQ(countOf(quartz, 14), 3);
    EXPECT_EQ(countOf(quartz, 8), 6);
    // Corundum, R -3 c on hexagonal axes: Al on 12c, O on 18e.
    const auto corundum = expandAtoms({atom("Al1", 13, 0, 0, 0.35216f), atom("O1", 8, 0.30624f, 0, 0.25f)},
                                      opsOfRow(rowOf("167", "H")));
    EXPECT_EQ(countOf(corundum, 13), 12);
    EXPECT_EQ(countOf(corundum, 8), 18);
}

TEST(ExpandAtoms, MixedSitesKeepEveryAtom) {
    // Olivine-like disorder: Fe and Mg share a site, each half occupied.
    const auto cell =
        expandAtoms({atom("Fe1", 26, 0, 0, 0, 0.5f), atom("Mg1", 12, 0, 0, 0, 0.5f)}, opsOfRow(rowOf("225")));
    EXPECT_EQ(countOf(cell, 26), 4);
    EXPECT_EQ(countOf(cell, 12), 4);
    for (const CellAtom& a : cell) EXPECT_EQ(a.occupancy, 0.5f);
}

TEST(ExpandAtoms, ImagesAcrossACellFaceAreOneAtom) {
    // -1 at the origin maps 0.0005 to -0.0005, that is 0.9995: the same atom.
    EXPECT_EQ(expandAtoms({atom("O1", 8, 0.0005f, 0, 0)}, opsOfRow(rowOf("2"))).size(), 1u);
    EXPECT_EQ(expandAtoms({atom("O1", 8, 0.0003f, 0.9998f, 0.0002f)}, opsOfRow(rowOf("2"))).size(), 1u);
    // 0.002 apart is two atoms.
    EXPECT_EQ(expandAtoms({atom("O1", 8, 0.001f, 0, 0)}, opsOfRow(rowOf("2"))).size(), 2u);
}

TEST(ExpandAtoms, KeepsFileOrderThenOperationOrder) {
    const auto ops = opsOfRow(rowOf("2"));
    const auto cell = expandAtoms({atom("A", 8, 0.1f, 0.2f, 0.3f), atom("B", 14, 0.25f, 0.25f, 0.25f)}, ops);
    ASSERT_EQ(cell.size(), 4u);
    EXPECT_EQ(cell[0].site, 0);
    EXPECT_EQ(cell[1].site, 0);
    EXPECT_EQ(cell[2].site, 1);
    EXPECT_EQ(cell[3].site, 1);
    EXPECT_FLOAT_EQ(cell[0].x, 0.1f);
    EXPECT_FLOAT_EQ(cell[1].x, 0.9f);
    EXPECT_FLOAT_EQ(cell[3].z, 0.75f);
}

TEST(ExpandAtoms, NoOperationsCountAsP1AndUnknownElementsStay) {
    const auto cell = expandAtoms({atom("Q", 0, 1.25f, -0.5f, 0.3f), atom("Es", 99, 0, 0, 0)}, {});
    ASSERT_EQ(cell.size(), 2u);
    EXPECT_EQ(cell[0].label, "");
    EXPECT_FLOAT_EQ(cell[0].x, 0.25f);
    EXPECT_FLOAT_EQ(cell[0].y, 0.5f);
    EXPECT_EQ(cell[1].label, "Es");
    EXPECT_TRUE(expandAtoms({}, opsOfRow(rowOf("225"))).empty());
}

}  // namespace
}  // namespace lumora::structure
