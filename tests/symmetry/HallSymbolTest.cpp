#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"

namespace lumora::symmetry {
namespace {

using Rot = std::array<std::array<int, 3>, 3>;

Rot rotationOf(const Mat4& m) {
    Rot r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = static_cast<int>(std::lround(m[i][j]));
    return r;
}

Rot rotation(int axisCode, int order) {
    Mat4 m = identityMatrix();
    rotationMatrixFromAxis(axisCode, order, m);
    return rotationOf(m);
}

const Rot kIdentity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
const Rot kInversion{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
const Rot kTwoFoldY{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};

int findRotation(const SymmetryOps& s, const Rot& r) {
    for (std::size_t i = 0; i < s.ops.size(); ++i)
        if (rotationOf(s.ops[i].matrix) == r) return static_cast<int>(i);
    return -1;
}

void expectTranslation(const Mat4& m, float x, float y, float z) {
    EXPECT_NEAR(m[0][3], x, 1e-6);
    EXPECT_NEAR(m[1][3], y, 1e-6);
    EXPECT_NEAR(m[2][3], z, 1e-6);
}

TEST(CenteringVectors, GiveTheLatticeTranslationsAndForgetThePreviousLattice) {
    std::array<CentringVector, 4> v;
    EXPECT_EQ(centeringVectors("c", v), 2);  // compared upper-cased
    EXPECT_EQ(v[1].text, "1/2 1/2 0");
    EXPECT_EQ(centeringVectors("R", v), 3);
    EXPECT_EQ(v[2].text, "1/3 2/3 2/3");
    EXPECT_FLOAT_EQ(v[1].v[0], 2.0f / 3);
    EXPECT_EQ(centeringVectors("F", v), 4);
    EXPECT_EQ(v[3].text, "1/2 1/2 0");
    EXPECT_EQ(centeringVectors("Q", v), 1);  // unknown letters are primitive
    EXPECT_EQ(v[1].text, "");
    EXPECT_EQ(v[3].v, (std::array<float, 3>{}));
}

TEST(MatrixSymbols, TranslationOrderAndRotationOfEachPart) {
    using V = std::array<float, 3>;
    EXPECT_EQ(glideScrewVector("-2bc"), (V{0, 0.5f, 0.5f}));
    EXPECT_EQ(glideScrewVector("4bd"), (V{0.25f, 0.75f, 0.25f}));
    EXPECT_EQ(glideScrewVector("2AB"), (V{0.5f, 0.5f, 0}));  // lower-cased first
    EXPECT_FLOAT_EQ(glideScrewVector("65")[2], 5.0f / 6);
    EXPECT_EQ(symbolOrder("_-2bc"), -2);
    EXPECT_EQ(symbolOrder("31"), 31);
    EXPECT_EQ(symbolOrder("2''c"), 2);
    EXPECT_EQ(symbolOrder("abc"), 0);
    // Negative orders invert; combinations without a meaning give the identity.
    EXPECT_EQ(rotation(1, -2), (Rot{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}));
    EXPECT_EQ(rotation(0, -1), kInversion);
    EXPECT_EQ(rotation(3, 3), (Rot{{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}}));
    for (auto [axis, order] : {std::pair{2, 5}, {2, 0}, {3, 2}, {66, 3}, {7, 2}})
        EXPECT_EQ(rotation(axis, order), kIdentity) << axis << "/" << order;
}

TEST(Confine, ReducesIntoTheUnitInterval) {
    EXPECT_FLOAT_EQ(confine(-0.25f), 0.75f);
    EXPECT_FLOAT_EQ(confine(17.5f), 0.5f);
    EXPECT_EQ(confine(-1.0f), 0.0f);
    EXPECT_FALSE(std::signbit(confine(-0.0f)));
    // Within 1e-4 below an integer snaps to 0; further away it does not.
    EXPECT_EQ(confine(0.99995f), 0.0f);
    EXPECT_EQ(confine(-0.00005f), 0.0f);
    EXPECT_FLOAT_EQ(confine(0.9998f), 0.9998f);
    // Values no arithmetic should produce must not hang it.
    EXPECT_EQ(confine(std::nanf("")), 0.0f);
    EXPECT_EQ(confine(INFINITY), 0.0f);
    EXPECT_EQ(confine(1e30f), 0.0f);
}

TEST(InterpretHall, TriclinicAndMonoclinicGroupsInGeneratorOrder) {
    const SymmetryOps p1 = interpretHall(" P 1");
    ASSERT_EQ(p1.ops.size(), 1u);
    EXPECT_EQ(p1.ops[0].text, "      X,       Y,         Z");
    EXPECT_FALSE(p1.centrosymmetric);
    EXPECT_EQ(p1.hallSymbol, "P 1");
    EXPECT_EQ(p1.centringCount, 0);

    const SymmetryOps p1bar = interpretHall("-P 1");
    ASSERT_EQ(p1bar.ops.size(), 2u);
    EXPECT_TRUE(p1bar.centrosymmetric);
    EXPECT_EQ(p1bar.ops[1].text, "     -X,      -Y,        -Z");
    EXPECT_EQ(p1bar.hmSymbol, "P -1");

    EXPECT_EQ(rotationOf(interpretHall(" P 2y").ops.at(1).matrix), kTwoFoldY);

    // Identity, screw, inversion, glide, in this order.
    const SymmetryOps p21c = interpretHall("-P 2ybc");
    ASSERT_EQ(p21c.ops.size(), 4u);
    EXPECT_EQ(rotationOf(p21c.ops[1].matrix), kTwoFoldY);
    expectTranslation(p21c.ops[1].matrix, 0, 0.5f, 0.5f);
    EXPECT_EQ(rotationOf(p21c.ops[2].matrix), kInversion);
    EXPECT_EQ(p21c.ops[3].text, "      X,  -Y+1/2,     Z+1/2");  // from (0, -1/2, -1/2)
    EXPECT_EQ(p21c.hmSymbol, "P 21/c");
}

TEST(InterpretHall, ImplicitAxesOfTheSecondAndThirdSymbols) {
    // After a three-fold about z, 2'' is the double-prime two-fold.
    const SymmetryOps p321 = interpretHall(" P 3 2''");
    ASSERT_EQ(p321.ops.size(), 6u);
    EXPECT_EQ(rotationOf(p321.ops[2].matrix), rotation(6, 2));
    EXPECT_EQ(findRotation(p321, rotation(66, 2)), -1);
    EXPECT_EQ(p321.hmSymbol, "P 3 2 1");
    // The third symbol "3" is the body-diagonal three-fold.
    const SymmetryOps p23 = interpretHall(" P 2 2 3");
    EXPECT_EQ(p23.ops.size(), 12u);
    EXPECT_EQ(rotationOf(p23.ops[3].matrix), rotation(3, 3));
    EXPECT_EQ(p23.hmSymbol, "P 2 3");
}

TEST(InterpretHall, FaceCentredCubicWithInversionAsGeneratorOrFourthSymbol) {
    const SymmetryOps fm3m = interpretHall("-F 4 2 3");
    EXPECT_EQ(fm3m.ops.size(), 192u);
    EXPECT_TRUE(fm3m.centrosymmetric);
    EXPECT_EQ(fm3m.centringCount, 3);
    EXPECT_EQ(findRotation(fm3m, kInversion), 24);  // 24 point operations come first
    EXPECT_EQ(fm3m.hmSymbol, "F m -3 m");
    expectTranslation(fm3m.ops[191].matrix, 0.5f, 0.5f, 0);

    // "-1d" as fourth symbol does not double the list.
    const SymmetryOps fd3m = interpretHall(" F 4d 2 3 -1d");
    EXPECT_FALSE(fd3m.centrosymmetric);
    EXPECT_EQ(fd3m.capacityReached, 0);  // 48 point operations fill the list exactly
    EXPECT_EQ(fd3m.ops.size(), 192u);
    const int inversion = findRotation(fd3m, kInversion);
    ASSERT_GE(inversion, 0);
    EXPECT_LT(inversion, 48);
    expectTranslation(fd3m.ops[inversion].matrix, 0.25f, 0.25f, 0.25f);
    EXPECT_EQ(fd3m.hmSymbol, "F d -3 m");
}

TEST(InterpretHall, OriginShiftConjugatesTheLastGenerator) {
    const SymmetryOps s = interpretHall(" P 31 2c (0 0 1)");
    ASSERT_EQ(s.ops.size(), 6u);
    EXPECT_EQ(s.hallSymbol, "P 31 2c");
    EXPECT_EQ(s.hmSymbol, "P 31 1 2");
    // The screw is untouched; the two-fold's 1/2 gains twice 1/12.
    expectTranslation(s.ops[1].matrix, 0, 0, 1.0f / 3);
    EXPECT_EQ(rotationOf(s.ops[2].matrix), rotation(66, 2));
    expectTranslation(s.ops[2].matrix, 0, 0, 2.0f / 3);
    expectTranslation(interpretHall(" P 32 2c (0 0 -1)").ops.at(2).matrix, 0, 0, 1.0f / 3);
}

TEST(InterpretHall, StrayUnderscoreAndSharedSymbolsOfGroup68) {
    const auto& table = spaceGroupTable();
    const SymmetryOps row45 = interpretHall(table[45].hall);
    const SymmetryOps plain = interpretHall(" B -2bc");
    ASSERT_EQ(row45.ops.size(), 4u);
    ASSERT_EQ(plain.ops.size(), row45.ops.size());
    for (std::size_t i = 0; i < plain.ops.size(); ++i)
        EXPECT_TRUE(matricesEqual(plain.ops[i].matrix, row45.ops[i].matrix, 4, 4)) << i;
    EXPECT_EQ(row45.hmSymbol, "C c");
    EXPECT_EQ(row45.hallSymbol, "B _-2bc");
    // Rows sharing a symbol are named after the first of them.
    ASSERT_STREQ(table[321].hall, table[323].hall);
    EXPECT_EQ(interpretHall(table[323].hall).hmSymbol, "C c c a");
    EXPECT_EQ(interpretHall(table[327].hall).hmSymbol, "A b a a");
    EXPECT_EQ(interpretHall(table[331].hall).hmSymbol, "B b c b");
}

TEST(InterpretHall, NeverRefusesASymbol) {
    const SymmetryOps odd = interpretHall(" Q 5");  // unknown lattice, order 5
    EXPECT_EQ(odd.ops.size(), 1u);
    EXPECT_EQ(odd.centringCount, 0);
    EXPECT_EQ(odd.hmSymbol, "");
    EXPECT_EQ(interpretHall("").ops.size(), 1u);
    EXPECT_EQ(interpretHall("-").ops.size(), 2u);
    EXPECT_EQ(interpretHall(" P 2 (").ops.size(), 2u);
    // Axes that generate no finite group stop at the capacity.
    const SymmetryOps endless = interpretHall("-P 6 4x");
    EXPECT_EQ(endless.capacityReached, 24);
    EXPECT_EQ(endless.ops.size(), 48u);
    EXPECT_EQ(interpretHall(" P 6 4x").capacityReached, 48);
}

TEST(InterpretHall, EveryRowListsIdentityFirstAndNamesItsSetting) {
    const auto& table = spaceGroupTable();
    for (int row = 0; row < kSpaceGroupRows; ++row) {
        const std::string hall = table[row].hall;
        SCOPED_TRACE(std::to_string(row) + " \"" + hall + "\"");
        const SymmetryOps s = interpretHall(hall);
        ASSERT_FALSE(s.ops.empty());
        EXPECT_TRUE(matricesEqual(s.ops[0].matrix, identityMatrix(), 4, 4));
        // The name is the first one of the first row carrying this symbol.
        int named = 0;
        while (hall != table[named].hall) ++named;
        std::string first = table[named].labels;
        first = first.substr(0, first.find(" = "));
        for (char& c : first)
            if (c == '_') c = ' ';
        EXPECT_EQ(s.hmSymbol, first);
    }
}

TEST(ListingText, NumbersOperationsAndStartsTheirTextInColumn15) {
    EXPECT_EQ(listingText(interpretHall("-P 1")),
              "Hall: -P 1\r\n"
              " 1                  X,       Y,         Z\r\n"
              " 2                 -X,      -Y,        -Z\r\n");
    EXPECT_EQ(listingText(interpretHall(" P 31 2c (0 0 1)")).substr(0, 15), "Hall: P 31 2c\r\n");
    const std::string text = listingText(interpretHall("-F 4 2 3"));
    const auto line100 = text.find("\r\n 100 ");
    ASSERT_NE(line100, std::string::npos);
    EXPECT_EQ(text.substr(line100 + 2, 14 + 27 + 2),
              " 100          " + interpretHall("-F 4 2 3").ops[99].text + "\r\n");
}

}  // namespace
}  // namespace lumora::symmetry
