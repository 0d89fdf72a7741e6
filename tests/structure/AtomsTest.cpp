#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "StructureTestSupport.h"
#include "structure/Atoms.h"
#include "structure/Elements.h"
#include "structure/StructureFactor.h"

namespace lumora::structure {
namespace {

using namespace structuretest;

TEST(ElementSymbols, EveryElementHasItsSymbolAndReadsBackAsItsNumber) {
    EXPECT_EQ(elementSymbol(14), "Si");
    EXPECT_EQ(elementSymbol(106), "Uh");
    for (int z : {0, 107}) EXPECT_EQ(elementSymbol(z), "") << z;
    for (int z = 1; z <= kLastElement; ++z)
        EXPECT_EQ(elementNumberOf(elementSymbol(z)), z) << elementSymbol(z);
    // Unknown numbers are drawn small.
    EXPECT_EQ(atomRadius(14), 1.15f);
    for (int z : {0, 107, 121, -3}) EXPECT_EQ(atomRadius(z), 0.73f) << z;
}

TEST(ElementNumber, ReadsSymbolsWhateverTheirCaseChargeOrSiteNumber) {
    // The leading letters must be one symbol: "CO" names cobalt, "Ca1" calcium;
    // D and T are hydrogen; water and hydroxyl are oxygen.
    const std::pair<const char*, int> cases[] = {
        {"Si", 14}, {"SI", 14},   {"si", 14},  {"Si4+", 14}, {"Si1", 14}, {"Fe3+", 26}, {"Fe+3", 26},
        {"FE", 26}, {"Cl1-", 17}, {"O2-", 8},  {"S2-", 16},  {"C1", 6},   {"Ca1", 20},  {"CA", 20},
        {"o", 8},   {"O2a", 8},   {"H1_b", 1}, {"CO", 27},   {"H2O", 8},  {"OH", 8},    {"oh", 8},
        {"HO", 67}, {"H1+", 1},   {"D", 1},    {"D1", 1},    {"T", 1},    {"t2", 1}};
    for (const auto& [text, z] : cases) EXPECT_EQ(elementNumberOf(text), z) << text;
}

TEST(ElementNumber, TextsThatNameNoElementGiveZero) {
    // "Wat1" is no tungsten, "Kk" no potassium, "Ow" no oxygen and "X" no hydrogen.
    for (const char* text : {"Wat1", "Kk", "Ow", "X", "X1", "Q1", "max", "", "14", "-O", "Xx1", "Sia"})
        EXPECT_EQ(elementNumberOf(text), 0) << text;
}

TEST(ElementNumber, TheCutTextIsWrittenBack) {
    const std::pair<std::string, std::string> cases[] = {
        {"Fe3+", "Fe3"}, {"O2-", "O2"}, {"Si1 extra", "Si1"}, {"OH", "OH"}};
    for (auto [text, cut] : cases) {
        elementNumber(text);
        EXPECT_EQ(text, cut);
    }
}

Atom atom(const char* label, int z, float x, float y, float zc, float occupancy = 1.0f) {
    return {label, label, z, occupancy, x, y, zc};
}

TEST(WrapFraction, ReducesIntoTheUnitIntervalAndSnapsJustBelowOne) {
    const std::pair<float, float> cases[] = {{-0.00001f, 0.0f}, {0.9999f, 0.9999f}, {0.99995f, 0.0f},
                                             {1.0f, 0.0f},      {-0.25f, 0.75f},    {-2.75f, 0.25f},
                                             {12345.5f, 0.5f},  {NAN, 0.0f},        {-INFINITY, 0.0f}};
    for (const auto& [x, wrapped] : cases) EXPECT_EQ(wrapFraction(x), wrapped) << x;
    // Stepping by one would never finish for these.
    for (float x : {3e38f, -16777217.0f}) EXPECT_TRUE(wrapFraction(x) >= 0.0f && wrapFraction(x) < 1.0f) << x;
}

TEST(CellVolume, MatchesTheMetricFormulaAndRefusesImpossibleCells) {
    // Hexagonal: a² c sin 120; monoclinic: abc sin beta.
    EXPECT_NEAR(cellVolume({4.9134f, 4.9134f, 5.4052f, 90, 90, 120}),
                4.9134 * 4.9134 * 5.4052 * std::sqrt(3.0) / 2, 1e-3);
    EXPECT_NEAR(cellVolume({5, 6, 7, 90, 100, 90}), 210 * std::sin(100 * M_PI / 180), 1e-3);
    EXPECT_EQ(cellVolume({5, 5, 5, 60, 60, 120}), 0.0f);  // flat
    EXPECT_NO_THROW(validateCell({5.1f, 5.1f, 5.1f, 55.3f, 55.3f, 55.3f}));
    const CellConstants bad[] = {{0, 5, 5, 90, 90, 90},
                                 {5, 5, INFINITY, 90, 90, 90},
                                 {5, 5, 5, 90, 180, 90},
                                 {20000, 5, 5, 90, 90, 90},
                                 {5, 5, 5, 60, 60, 119.99999f}};
    for (const CellConstants& cell : bad) {
        const Error e = errorOf([&] { validateCell(cell); });
        EXPECT_EQ(e.number(), Error::InvalidCall);
        EXPECT_NE(e.description().find("cell"), std::string::npos) << e.description();
    }
}

// Quartz and corundum are expanded from the example files.
TEST(ExpandAtoms, CountsFollowTheSiteSymmetry) {
    const int fm3m = rowOf("225");
    EXPECT_EQ(expandInRow({atom("Na1", 11, 0, 0, 0)}, fm3m).size(), 4u);
    EXPECT_EQ(expandInRow({atom("X", 6, 0.11f, 0.23f, 0.37f)}, fm3m).size(), 192u);
    // Silicon in both origin choices of F d -3 m: the diamond structure.
    EXPECT_EQ(expandInRow({atom("Si1", 14, 0.125f, 0.125f, 0.125f)}, rowOf("227", "2")).size(), 8u);
    const auto si = expandInRow({atom("Si1", 14, 0, 0, 0)}, rowOf("227", "1"));
    ASSERT_EQ(si.size(), 8u);
    for (const CellAtom& a : si) {
        EXPECT_EQ(a.label, "Si");
        for (float c : {a.x, a.y, a.z}) EXPECT_NEAR(c * 4, std::nearbyint(c * 4), 1e-5);  // multiples of 1/4
    }
}

TEST(ExpandAtoms, MixedSitesKeepEveryAtomAndImagesAcrossACellFaceAreOne) {
    const auto mixed =
        expandInRow({atom("Fe1", 26, 0, 0, 0, 0.5f), atom("Mg1", 12, 0, 0, 0, 0.5f)}, rowOf("225"));
    EXPECT_EQ(countOf(mixed, 26), 4);
    EXPECT_EQ(countOf(mixed, 12), 4);
    for (const CellAtom& a : mixed) EXPECT_EQ(a.occupancy, 0.5f);
    // -1 at the origin maps 0.0005 to 0.9995: the same atom; 0.002 apart is two.
    EXPECT_EQ(expandInRow({atom("O1", 8, 0.0005f, 0, 0)}, rowOf("2")).size(), 1u);
    EXPECT_EQ(expandInRow({atom("O1", 8, 0.0003f, 0.9998f, 0.0002f)}, rowOf("2")).size(), 1u);
    EXPECT_EQ(expandInRow({atom("O1", 8, 0.001f, 0, 0)}, rowOf("2")).size(), 2u);
}

TEST(ExpandAtoms, KeepsFileOrderThenOperationOrder) {
    const auto cell =
        expandInRow({atom("A", 8, 0.1f, 0.2f, 0.3f), atom("B", 14, 0.25f, 0.25f, 0.25f)}, rowOf("2"));
    ASSERT_EQ(cell.size(), 4u);
    EXPECT_EQ(cell[1].site, 0);
    EXPECT_EQ(cell[2].site, 1);
    EXPECT_FLOAT_EQ(cell[1].x, 0.9f);
    EXPECT_FLOAT_EQ(cell[3].z, 0.75f);
    // No operations count as P 1; unknown elements stay, without a symbol.
    const auto p1 = expandAtoms({atom("Q", 0, 1.25f, -0.5f, 0.3f), atom("Es", 99, 0, 0, 0)}, {});
    ASSERT_EQ(p1.size(), 2u);
    EXPECT_EQ(p1[0].label, "");
    EXPECT_FLOAT_EQ(p1[0].x, 0.25f);
    EXPECT_EQ(p1[1].label, "Es");
}

// Iodine of MgI2 at 1/3, 2/3, z written with four decimals: the three images
// of each position, 1e-4 apart, merge at their mean, so the cell keeps the
// group's symmetry and equivalent reflections have equal F.
TEST(ExpandAtoms, NearCoincidentImagesMergeAtTheirMeanPosition) {
    const auto cell =
        expandInRow({atom("Mg1", 12, 0, 0, 0), atom("I1", 53, 0.3333f, 0.6667f, 0.2505f)}, rowOf("164"));
    ASSERT_EQ(countOf(cell, 53), 2);
    for (const CellAtom& a : cell) {
        if (a.atomicNumber != 53) continue;
        const float x = a.x < 0.5f ? 1.0f / 3 : 2.0f / 3;
        EXPECT_NEAR(a.x, x, 2e-6);
        EXPECT_NEAR(a.y, 1 - x, 2e-6);
    }
    // 1 -2 l, 1 1 l and -2 1 l are equivalent under -3 m 1 (a = 4.14, c = 6.88).
    for (int l : {1, 3, 7}) {
        const double d = 1 / std::sqrt(4.0 / 3 * 3 / (4.14 * 4.14) + l * l / (6.88 * 6.88));
        const double f = structureAmplitude(cell, 1, 1, l, d);
        EXPECT_NEAR(structureAmplitude(cell, 1, -2, l, d), f, 1e-6 * f) << l;
        EXPECT_NEAR(structureAmplitude(cell, -2, 1, l, d), f, 1e-6 * f) << l;
    }
    // A group of images straddling a cell face merges across it, not at 0.5.
    const auto straddling = expandInRow({atom("O1", 8, 0.9998f, 0.0001f, 0)}, rowOf("2"));
    ASSERT_EQ(straddling.size(), 1u);
    EXPECT_NEAR(straddling[0].x, 0.0f, 1e-6);
    EXPECT_NEAR(straddling[0].y, 0.0f, 1e-6);
}

TEST(ExpandAtoms, RefusesACellBeyondTheLimitBeforeBuildingIt) {
    // 2100 general sites in F m -3 m would be 403,200 atoms.
    std::vector<Atom> sites;
    for (int i = 0; i < 2100; ++i) sites.push_back(atom("C", 6, 0.01f + i * 1e-4f, 0.23f, 0.37f));
    const Error e = errorOf([&] { expandInRow(sites, rowOf("225")); });
    EXPECT_EQ(e.number(), Error::Overflow);
    EXPECT_NE(e.description().find("more than 200000 atoms"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("2100 sites under 192 symmetry operations give up to 403200"),
              std::string::npos)
        << e.description();
    // Just below the limit it is built.
    sites.resize(kMostCellAtoms / 192);
    EXPECT_EQ(expandInRow(sites, rowOf("225")).size(), kMostCellAtoms / 192 * 192);
}

TEST(ExpandAtoms, TheProgressCallbackSeesTheShareDoneAndCanCancel) {
    std::vector<Atom> sites(600, atom("C", 6, 0.11f, 0.23f, 0.37f));
    const auto ops = symmetry::interpretHall(symmetry::spaceGroupTable()[rowOf("225")].hall).ops;
    std::vector<double> seen;
    expandAtoms(sites, ops, [&](double done) {
        seen.push_back(done);
        return true;
    });
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.front(), 0);
    EXPECT_LT(seen.back(), 1);
    EXPECT_THROW(expandAtoms(sites, ops, [](double) { return false; }), lumora::Cancelled);
}

}  // namespace
}  // namespace lumora::structure
