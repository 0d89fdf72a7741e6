#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "structure/Elements.h"

namespace lumora::structure {
namespace {

TEST(ElementSymbols, EveryElementHasItsTwoCharacters) {
    EXPECT_EQ(kElementSymbols.size(), 212u);
    EXPECT_EQ(elementSymbol(1), "H");
    EXPECT_EQ(elementSymbol(8), "O");
    EXPECT_EQ(elementSymbol(14), "Si");
    EXPECT_EQ(elementSymbol(26), "Fe");
    EXPECT_EQ(elementSymbol(92), "U");
    EXPECT_EQ(elementSymbol(98), "Cf");
    EXPECT_EQ(elementSymbol(106), "Uh");
    for (int z : {0, -1, 107, 1000}) EXPECT_EQ(elementSymbol(z), "") << z;
    // Every symbol reads back as its own number.
    for (int z = 1; z <= kLastElement; ++z)
        EXPECT_EQ(elementNumberOf(elementSymbol(z)), z) << elementSymbol(z);
}

TEST(ElementNumber, CaseAndTrailingDigitsDoNotMatter) {
    for (const char* text : {"Si", "SI", "si", "Si4+", "Si1", "Si 1", "sI"})
        EXPECT_EQ(elementNumberOf(text), 14) << text;
    EXPECT_EQ(elementNumberOf("Fe3+"), 26);
    EXPECT_EQ(elementNumberOf("FE"), 26);
    EXPECT_EQ(elementNumberOf("Cl1-"), 17);
}

TEST(ElementNumber, OneLetterElementsFollowedByDigitsOrChargesKeepTheirElement) {
    EXPECT_EQ(elementNumberOf("O2-"), 8);
    EXPECT_EQ(elementNumberOf("S2-"), 16);
    EXPECT_EQ(elementNumberOf("N3-"), 7);
    EXPECT_EQ(elementNumberOf("C1"), 6);
    EXPECT_EQ(elementNumberOf("O"), 8);
    EXPECT_EQ(elementNumberOf("o"), 8);
    // Two letters that name no element fall back to the first: a water oxygen "Ow".
    EXPECT_EQ(elementNumberOf("Ow"), 8);
    // ... but two letters that do name one win: CO is cobalt, as symbols are written.
    EXPECT_EQ(elementNumberOf("CO"), 27);
}

TEST(ElementNumber, WaterHydroxideAndHydrogenAreExactAndCaseSensitive) {
    EXPECT_EQ(elementNumberOf("H2O"), 8);
    EXPECT_EQ(elementNumberOf("OH"), 8);
    EXPECT_EQ(elementNumberOf("H"), 1);
    EXPECT_EQ(elementNumberOf("H1+"), 1);
    // "oh" is not the hydroxide text; read as letters it is oxygen.
    EXPECT_EQ(elementNumberOf("oh"), 8);
    EXPECT_EQ(elementNumberOf("HO"), 67);  // holmium
}

TEST(ElementNumber, UnknownTextsAreHydrogen) {
    for (const char* text : {"D", "X", "", "14", "+", "-O", "?", "Qq"})
        EXPECT_EQ(elementNumberOf(text), 1) << text;
}

TEST(ElementNumber, TheCutTextIsWrittenBack) {
    std::string text = "Fe3+";
    EXPECT_EQ(elementNumber(text), 26);
    EXPECT_EQ(text, "Fe3");
    text = "O2-";
    EXPECT_EQ(elementNumber(text), 8);
    EXPECT_EQ(text, "O2");
    text = "Si1 extra";
    elementNumber(text);
    EXPECT_EQ(text, "Si1");
    text = "OH";
    elementNumber(text);
    EXPECT_EQ(text, "OH");
}

TEST(Radii, TableAsListedWithUnknownNumbersDrawnSmall) {
    const auto& r = radiusTable();
    EXPECT_EQ(r[0], 0.0f);
    EXPECT_EQ(r[1], 0.32f);
    EXPECT_EQ(r[6], 0.77f);
    EXPECT_EQ(r[8], 0.73f);
    EXPECT_EQ(r[55], 2.7f);
    EXPECT_EQ(r[106], 1.5f);
    for (int z = 107; z <= 120; ++z) EXPECT_EQ(r[static_cast<std::size_t>(z)], 0.73f) << z;
    EXPECT_EQ(atomRadius(14), 1.15f);
    for (int z : {0, -3, 121, 5000}) EXPECT_EQ(atomRadius(z), 0.73f) << z;
}

// f from the published coefficients, typed here: a1 b1 a2 b2 a3 b3 a4 b4 c.
double published(const double (&p)[9], double s2) {
    return p[0] * std::exp(-p[1] * s2) + p[2] * std::exp(-p[3] * s2) + p[4] * std::exp(-p[5] * s2) +
           p[6] * std::exp(-p[7] * s2) + p[8];
}

TEST(ScatteringFactor, FollowsThePublishedNeutralAtomFits) {
    const double hydrogen[9] = {0.48992, 20.6593, 0.262, 7.74039, 0.19677, 49.5519, 0.04988, 2.20159, 0.0013};
    const double oxygen[9] = {3.0485, 13.2771, 2.2868, 5.7011, 1.5463, 0.3239, 0.867, 32.90891, 0.2508};
    const double calcium[9] = {8.6266, 10.4421, 7.3873, 0.6599, 1.5899, 85.7484, 1.0211, 178.437, 1.3751};
    const double californium[9] = {36.9185, 0.437533, 25.1995, 3.00775, 18.3317,
                                   12.4044, 4.24391,  83.7881, 13.2674};
    // At s = 0 the coefficients simply add up: 0.99987 electrons for hydrogen.
    EXPECT_NEAR(scatteringFactor(1, 0.0), 0.48992 + 0.262 + 0.19677 + 0.04988 + 0.0013, 1e-6);
    for (double s2 : {0.0, 0.05, 0.25, 1.0, 4.0}) {
        SCOPED_TRACE(s2);
        EXPECT_NEAR(scatteringFactorExact(1, s2), published(hydrogen, s2), 1e-6);
        EXPECT_NEAR(scatteringFactorExact(8, s2), published(oxygen, s2), 1e-5);
        // The neutral calcium atom: 20 electrons forward, not the 18 of Ca2+.
        EXPECT_NEAR(scatteringFactorExact(20, s2), published(calcium, s2), 1e-5);
        EXPECT_NEAR(scatteringFactorExact(98, s2), published(californium, s2), 1e-4);
        EXPECT_NEAR(scatteringFactor(8, s2), published(oxygen, s2), 1e-5);
    }
    EXPECT_NEAR(scatteringFactor(20, 0.0), 20.0, 0.01);
}

TEST(ScatteringFactor, ForwardScatteringCountsTheElectrons) {
    // The fits are good to a few hundredths of an electron at s = 0 for all
    // published elements, so a row typed into the wrong place shows up here.
    for (int z = 1; z <= 98; ++z)
        EXPECT_NEAR(scatteringFactorExact(z, 0.0), z, 0.05 * std::max(1, z / 10)) << z;
}

TEST(ScatteringFactor, NumbersWithoutAFitScatterNothing) {
    for (int z : {0, -1, 99, 100, 106, 120, 32767, -32768}) {
        EXPECT_EQ(scatteringFactor(z, 0.1), 0.0f) << z;
        EXPECT_EQ(scatteringFactorExact(z, 0.0), 0.0) << z;
    }
}

}  // namespace
}  // namespace lumora::structure
