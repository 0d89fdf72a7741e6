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

Rot times(const Rot& a, const Rot& b) {
    Rot c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) c[i][j] += a[i][k] * b[k][j];
    return c;
}

int determinant(const Rot& r) {
    return r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
           r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
           r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
}

const Rot kIdentity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
const Rot kInversion{{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};

// The index of the first operation with this rotation, or -1.
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

TEST(CenteringVectors, GiveTheLatticeTranslations) {
    std::array<CentringVector, 4> v;
    EXPECT_EQ(centeringVectors("P", v), 1);
    EXPECT_EQ(v[0].text, "0 0 0");
    EXPECT_EQ(centeringVectors("c", v), 2);  // compared upper-cased
    EXPECT_EQ(v[1].text, "1/2 1/2 0");
    EXPECT_EQ(centeringVectors("I", v), 2);
    EXPECT_EQ(v[1].v, (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(centeringVectors("R", v), 3);
    EXPECT_EQ(v[1].text, "2/3 1/3 1/3");
    EXPECT_EQ(v[2].text, "1/3 2/3 2/3");
    EXPECT_FLOAT_EQ(v[1].v[0], 2.0f / 3);
    EXPECT_FLOAT_EQ(v[2].v[0], 1.0f / 3);
    EXPECT_EQ(centeringVectors("T", v), 3);
    EXPECT_EQ(v[2].text, "2/3 1/3 2/3");
    EXPECT_EQ(centeringVectors("F", v), 4);
    EXPECT_EQ(v[3].text, "1/2 1/2 0");
    // Unknown letters are primitive, and the records of a previous lattice go.
    EXPECT_EQ(centeringVectors("Q", v), 1);
    EXPECT_EQ(v[1].text, "");
    EXPECT_EQ(v[3].v, (std::array<float, 3>{}));
    EXPECT_EQ(centeringVectors("", v), 1);
}

TEST(GlideScrewVector, AddsEveryLetterAndScrewOnce) {
    using V = std::array<float, 3>;
    EXPECT_EQ(glideScrewVector("-2bc"), (V{0, 0.5f, 0.5f}));
    EXPECT_EQ(glideScrewVector("-1n"), (V{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(glideScrewVector("4bd"), (V{0.25f, 0.75f, 0.25f}));
    EXPECT_EQ(glideScrewVector("2uv"), (V{0.25f, 0.25f, 0}));
    EXPECT_EQ(glideScrewVector("2''c"), (V{0, 0, 0.5f}));
    EXPECT_EQ(glideScrewVector("3*"), (V{0, 0, 0}));
    EXPECT_EQ(glideScrewVector("2AB"), (V{0.5f, 0.5f, 0}));  // lower-cased first
    EXPECT_FLOAT_EQ(glideScrewVector("31")[2], 1.0f / 3);
    EXPECT_FLOAT_EQ(glideScrewVector("32")[2], 2.0f / 3);
    EXPECT_FLOAT_EQ(glideScrewVector("43")[2], 0.75f);
    EXPECT_FLOAT_EQ(glideScrewVector("65")[2], 5.0f / 6);
    EXPECT_FLOAT_EQ(glideScrewVector("61")[2], 1.0f / 6);
    EXPECT_FLOAT_EQ(glideScrewVector("6c")[2], 0.5f);
}

TEST(RotationMatrixFromAxis, ProperRotationsHaveTheirOrder) {
    // A wrong sign or a swapped row in the table breaks R^n = 1 or det R = 1.
    for (int axis = 0; axis <= 2; ++axis) {
        for (int order : {2, 3, 4, 6}) {
            SCOPED_TRACE(std::to_string(axis) + "/" + std::to_string(order));
            const Rot r = rotation(axis, order);
            EXPECT_EQ(determinant(r), 1);
            Rot power = r;
            for (int i = 1; i < order; ++i) {
                EXPECT_NE(power, kIdentity);
                power = times(power, r);
            }
            EXPECT_EQ(power, kIdentity);
            // The axis itself stays put.
            std::array<int, 3> axisVector{};
            axisVector[axis] = 1;
            for (int i = 0; i < 3; ++i) EXPECT_EQ(r[i][axis], axisVector[i]);
        }
    }
    for (int code : {44, 55, 66, 4, 5, 6}) {
        const Rot r = rotation(code, 2);
        EXPECT_EQ(determinant(r), 1) << code;
        EXPECT_EQ(times(r, r), kIdentity) << code;
        EXPECT_NE(r, kIdentity) << code;
    }
    const Rot diagonal = rotation(3, 3);
    EXPECT_EQ(diagonal, (Rot{{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}}));
}

TEST(RotationMatrixFromAxis, NegativeOrdersInvertAndUnknownOnesAreIdentity) {
    EXPECT_EQ(rotation(1, 2), (Rot{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}));
    EXPECT_EQ(rotation(1, -2), (Rot{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}));
    EXPECT_EQ(rotation(6, 2), (Rot{{{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}}));
    EXPECT_EQ(rotation(66, 2), (Rot{{{0, -1, 0}, {-1, 0, 0}, {0, 0, -1}}}));
    EXPECT_EQ(rotation(2, 1), kIdentity);
    EXPECT_EQ(rotation(0, -1), kInversion);
    EXPECT_EQ(rotation(2, 5), kIdentity);
    EXPECT_EQ(rotation(2, 0), kIdentity);
    EXPECT_EQ(rotation(2, 12), kIdentity);
    EXPECT_EQ(rotation(3, 2), kIdentity);   // body diagonal only with order 3
    EXPECT_EQ(rotation(66, 3), kIdentity);  // primes only with order 2
    EXPECT_EQ(rotation(7, 2), kIdentity);
}

TEST(Confine, ReducesIntoTheUnitInterval) {
    EXPECT_FLOAT_EQ(confine(0.25f), 0.25f);
    EXPECT_FLOAT_EQ(confine(-0.25f), 0.75f);
    EXPECT_FLOAT_EQ(confine(1.25f), 0.25f);
    EXPECT_FLOAT_EQ(confine(-3.75f), 0.25f);
    EXPECT_FLOAT_EQ(confine(17.5f), 0.5f);
    EXPECT_EQ(confine(1.0f), 0.0f);
    EXPECT_EQ(confine(-1.0f), 0.0f);
    EXPECT_EQ(confine(0.0f), 0.0f);
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

TEST(SymbolOrder, KeepsSignDigitsAndPoints) {
    EXPECT_EQ(symbolOrder("-2bc"), -2);
    EXPECT_EQ(symbolOrder("31"), 31);
    EXPECT_EQ(symbolOrder("3*"), 3);
    EXPECT_EQ(symbolOrder("2''c"), 2);
    EXPECT_EQ(symbolOrder("-1n"), -1);
    EXPECT_EQ(symbolOrder("_-2bc"), -2);
    EXPECT_EQ(symbolOrder("4bd"), 4);
    EXPECT_EQ(symbolOrder("abc"), 0);
}

TEST(InterpretHall, TriclinicGroups) {
    const SymmetryOps p1 = interpretHall(" P 1");
    ASSERT_EQ(p1.ops.size(), 1u);
    EXPECT_EQ(p1.ops[0].text, "      X,       Y,         Z");
    EXPECT_TRUE(matricesEqual(p1.ops[0].matrix, identityMatrix(), 4, 4));
    EXPECT_FALSE(p1.centrosymmetric);
    EXPECT_EQ(p1.hallSymbol, "P 1");
    EXPECT_EQ(p1.hmSymbol, "P 1");
    EXPECT_EQ(p1.centringCount, 0);
    EXPECT_EQ(p1.centring[0].text, "0 0 0");

    const SymmetryOps p1bar = interpretHall("-P 1");
    ASSERT_EQ(p1bar.ops.size(), 2u);
    EXPECT_TRUE(p1bar.centrosymmetric);
    EXPECT_EQ(rotationOf(p1bar.ops[1].matrix), kInversion);
    EXPECT_EQ(p1bar.ops[1].text, "     -X,      -Y,        -Z");
    EXPECT_EQ(p1bar.hmSymbol, "P -1");
}

TEST(InterpretHall, MonoclinicGroups) {
    const SymmetryOps p2 = interpretHall(" P 2y");
    ASSERT_EQ(p2.ops.size(), 2u);
    EXPECT_EQ(rotationOf(p2.ops[1].matrix), (Rot{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}));
    expectTranslation(p2.ops[1].matrix, 0, 0, 0);
    EXPECT_EQ(p2.hmSymbol, "P 2");

    // Identity, screw, inversion, glide, in this order.
    const SymmetryOps p21c = interpretHall("-P 2ybc");
    ASSERT_EQ(p21c.ops.size(), 4u);
    EXPECT_EQ(rotationOf(p21c.ops[0].matrix), kIdentity);
    EXPECT_EQ(rotationOf(p21c.ops[1].matrix), (Rot{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}));
    expectTranslation(p21c.ops[1].matrix, 0, 0.5f, 0.5f);
    EXPECT_EQ(rotationOf(p21c.ops[2].matrix), kInversion);
    expectTranslation(p21c.ops[2].matrix, 0, 0, 0);
    EXPECT_EQ(rotationOf(p21c.ops[3].matrix), (Rot{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}));
    expectTranslation(p21c.ops[3].matrix, 0, 0.5f, 0.5f);  // from (0, -1/2, -1/2)
    EXPECT_EQ(p21c.ops[3].text, "      X,  -Y+1/2,     Z+1/2");
    EXPECT_EQ(p21c.hmSymbol, "P 21/c");

    // A C-centred cell doubles the list with the centring translation.
    const SymmetryOps c2 = interpretHall(" C 2y");
    ASSERT_EQ(c2.ops.size(), 4u);
    EXPECT_EQ(c2.centringCount, 1);
    EXPECT_EQ(c2.centring[1].text, "1/2 1/2 0");
    expectTranslation(c2.ops[2].matrix, 0.5f, 0.5f, 0);
    expectTranslation(c2.ops[3].matrix, 0.5f, 0.5f, 0);
    EXPECT_EQ(rotationOf(c2.ops[3].matrix), rotationOf(c2.ops[1].matrix));
}

TEST(InterpretHall, StrayUnderscoreOfRow45IsIgnored) {
    const SymmetryOps withUnderscore = interpretHall(spaceGroupTable()[45].hall);
    const SymmetryOps plain = interpretHall(" B -2bc");
    ASSERT_EQ(withUnderscore.ops.size(), 4u);
    ASSERT_EQ(plain.ops.size(), withUnderscore.ops.size());
    for (std::size_t i = 0; i < plain.ops.size(); ++i)
        EXPECT_TRUE(matricesEqual(plain.ops[i].matrix, withUnderscore.ops[i].matrix, 4, 4)) << i;
    EXPECT_EQ(withUnderscore.hmSymbol, "C c");
    EXPECT_EQ(withUnderscore.hallSymbol, "B _-2bc");
}

TEST(InterpretHall, ImplicitAxesOfTheSecondAndThirdSymbols) {
    // After a three-fold about z a plain 2 is the single prime, 2'' the double.
    const SymmetryOps p312 = interpretHall(" P 3 2");
    ASSERT_EQ(p312.ops.size(), 6u);
    EXPECT_EQ(rotationOf(p312.ops[2].matrix), rotation(66, 2));
    EXPECT_EQ(findRotation(p312, rotation(6, 2)), -1);
    EXPECT_EQ(p312.hmSymbol, "P 3 1 2");
    const SymmetryOps p321 = interpretHall(" P 3 2''");
    ASSERT_EQ(p321.ops.size(), 6u);
    EXPECT_EQ(rotationOf(p321.ops[2].matrix), rotation(6, 2));
    EXPECT_EQ(findRotation(p321, rotation(66, 2)), -1);
    EXPECT_EQ(p321.hmSymbol, "P 3 2 1");

    // After a two-fold about z a plain 2 lies along x.
    const SymmetryOps p222 = interpretHall(" P 2 2");
    ASSERT_EQ(p222.ops.size(), 4u);
    EXPECT_EQ(rotationOf(p222.ops[2].matrix), rotation(0, 2));

    // The third symbol "3" is the body-diagonal three-fold.
    const SymmetryOps p23 = interpretHall(" P 2 2 3");
    EXPECT_EQ(p23.ops.size(), 12u);
    EXPECT_EQ(rotationOf(p23.ops[3].matrix), rotation(3, 3));
    EXPECT_EQ(p23.hmSymbol, "P 2 3");

    // "3*" names the diagonal directly; the two-fold after it is the single prime about z.
    const SymmetryOps r32 = interpretHall(" P 3* 2");
    EXPECT_EQ(r32.ops.size(), 6u);
    EXPECT_EQ(rotationOf(r32.ops[1].matrix), rotation(3, 3));
    EXPECT_EQ(rotationOf(r32.ops[2].matrix), rotation(66, 2));
    EXPECT_EQ(r32.hmSymbol, "R 3 2");
}

TEST(InterpretHall, CentrosymmetricFaceCentredCubic) {
    const SymmetryOps fm3m = interpretHall("-F 4 2 3");
    EXPECT_EQ(fm3m.ops.size(), 192u);
    EXPECT_EQ(fm3m.capacityReached, 0);
    EXPECT_TRUE(fm3m.centrosymmetric);
    EXPECT_EQ(fm3m.centringCount, 3);
    EXPECT_EQ(findRotation(fm3m, kInversion), 24);  // 24 point operations come first
    EXPECT_EQ(fm3m.hmSymbol, "F m -3 m");
    expectTranslation(fm3m.ops[191].matrix, 0.5f, 0.5f, 0);
}

TEST(InterpretHall, InversionAsFourthSymbolDoesNotDouble) {
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
    EXPECT_EQ(rotationOf(s.ops[1].matrix), rotation(2, 3));
    expectTranslation(s.ops[1].matrix, 0, 0, 1.0f / 3);
    EXPECT_EQ(rotationOf(s.ops[2].matrix), rotation(66, 2));
    expectTranslation(s.ops[2].matrix, 0, 0, 2.0f / 3);

    // A negative shift goes the other way: 1/2 - 1/6 = 1/3.
    const SymmetryOps minus = interpretHall(" P 32 2c (0 0 -1)");
    ASSERT_EQ(minus.ops.size(), 6u);
    expectTranslation(minus.ops[2].matrix, 0, 0, 1.0f / 3);
}

TEST(InterpretHall, SharedSymbolsIdentifyTheirFirstRow) {
    const auto& table = spaceGroupTable();
    ASSERT_STREQ(table[321].hall, table[323].hall);
    EXPECT_EQ(interpretHall(table[323].hall).hmSymbol, "C c c a");
    EXPECT_EQ(interpretHall(table[327].hall).hmSymbol, "A b a a");
    EXPECT_EQ(interpretHall(table[331].hall).hmSymbol, "B b c b");
    EXPECT_EQ(interpretHall(table[228].hall).hmSymbol, "P n n n");
}

TEST(InterpretHall, NeverRefusesASymbol) {
    // Unknown lattice letter: primitive; order 5: identity rotation, so the
    // generator duplicates nothing.
    const SymmetryOps odd = interpretHall(" Q 5");
    EXPECT_EQ(odd.ops.size(), 1u);
    EXPECT_EQ(odd.centringCount, 0);
    EXPECT_EQ(odd.hmSymbol, "");
    EXPECT_TRUE(interpretHall("").ops.size() == 1u);
    EXPECT_TRUE(interpretHall("-").ops.size() == 2u);
    EXPECT_EQ(interpretHall(" P 2 (").ops.size(), 2u);

    // Axes that generate no finite group stop at the capacity.
    const SymmetryOps endless = interpretHall("-P 6 4x");
    EXPECT_EQ(endless.capacityReached, 24);
    EXPECT_EQ(endless.ops.size(), 48u);
    const SymmetryOps endless48 = interpretHall(" P 6 4x");
    EXPECT_EQ(endless48.capacityReached, 48);
    EXPECT_EQ(endless48.ops.size(), 48u);
}

TEST(InterpretHall, EveryRowListsIdentityFirstAndNamesItsSetting) {
    const auto& table = spaceGroupTable();
    for (int row = 0; row < kSpaceGroupRows; ++row) {
        const std::string hall = table[row].hall;
        SCOPED_TRACE(std::to_string(row) + " \"" + hall + "\"");
        const SymmetryOps s = interpretHall(hall);
        ASSERT_FALSE(s.ops.empty());
        EXPECT_TRUE(matricesEqual(s.ops[0].matrix, identityMatrix(), 4, 4));
        // Before the centring copies every rotation occurs once.
        const std::size_t points = s.ops.size() / (s.centringCount + 1);
        for (std::size_t i = 0; i < points; ++i)
            for (std::size_t j = 0; j < i; ++j)
                ASSERT_FALSE(matricesEqual(s.ops[i].matrix, s.ops[j].matrix, 3, 3)) << i << " " << j;
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
    const SymmetryOps s = interpretHall("-P 1");
    EXPECT_EQ(listingText(s),
              "Hall: -P 1\r\n"
              " 1            "
              "      X,       Y,         Z\r\n"
              " 2            "
              "     -X,      -Y,        -Z\r\n");
    EXPECT_EQ(listingText(interpretHall(" P 31 2c (0 0 1)")).substr(0, 15), "Hall: P 31 2c\r\n");
}

TEST(ListingText, KeepsTheColumnForThreeDigitNumbers) {
    const std::string text = listingText(interpretHall("-F 4 2 3"));
    const auto line100 = text.find("\r\n 100 ");
    ASSERT_NE(line100, std::string::npos);
    const std::string line = text.substr(line100 + 2, text.find("\r\n", line100 + 2) - line100 - 2);
    EXPECT_EQ(line.substr(0, 14), " 100          ");
    EXPECT_EQ(line.size(), 14u + 27u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
}  // namespace lumora::symmetry
