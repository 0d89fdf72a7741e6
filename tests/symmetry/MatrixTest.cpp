#include <gtest/gtest.h>

#include <vector>

#include "symmetry/Matrix.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {
namespace {

Mat4 op(std::array<float, 3> r0, std::array<float, 3> r1, std::array<float, 3> r2, std::array<float, 3> t) {
    Mat4 m = identityMatrix();
    const std::array<std::array<float, 3>, 3> rows{r0, r1, r2};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[i][j] = rows[i][j];
        m[i][3] = t[i];
    }
    return m;
}

TEST(MatrixProduct, ComposesRotationsAndTranslations) {
    // (R1, t1)(R2, t2) = (R1 R2, R1 t2 + t1)
    const Mat4 fourFold = op({0, -1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0.25f});
    const Mat4 twoFoldX = op({1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {0.5f, 0, 0});
    const Mat4 p = multiplyMatrix(fourFold, twoFoldX);
    EXPECT_TRUE(matricesEqual(p, op({0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0.5f, 0.25f}), 4, 4));
    // Not commutative.
    EXPECT_FALSE(matricesEqual(p, multiplyMatrix(twoFoldX, fourFold), 4, 4));
    EXPECT_TRUE(matricesEqual(multiplyMatrix(identityMatrix(), p), p, 4, 4));
    EXPECT_EQ(identityMatrix()[3][3], 1.0f);
}

TEST(MatricesEqual, UsesTheToleranceAndTheRequestedBlock) {
    const Mat4 a = op({0, -1, 0}, {1, -1, 0}, {0, 0, 1}, {0, 0, 1.0f / 3});
    Mat4 b = a;
    b[1][1] += 0.000008f;
    EXPECT_TRUE(matricesEqual(a, b, 4, 4));
    b[1][1] += 0.00002f;
    EXPECT_FALSE(matricesEqual(a, b, 4, 4));

    // Same rotation, different translation: equal as 3 x 3, not as 4 x 4.
    Mat4 c = a;
    c[2][3] = 2.0f / 3;
    EXPECT_TRUE(matricesEqual(a, c, 3, 3));
    EXPECT_FALSE(matricesEqual(a, c, 3, 4));
    EXPECT_TRUE(matricesEqual(a, op({1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {}), 0, 0));
}

std::vector<double> product(const std::vector<double>& a, const std::vector<double>& b, int n) {
    std::vector<double> c(static_cast<std::size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) c[i * n + j] += a[i * n + k] * b[k * n + j];
    return c;
}

void expectIdentity(const std::vector<double>& m, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) EXPECT_NEAR(m[i * n + j], i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
}

TEST(InvertMatrix, InvertsCellBasesAndMatricesThatNeedPivoting) {
    // A hexagonal basis (a = 3, c = 5) as the engine inverts it.
    const std::vector<double> hexagonal{3, -1.5, 0, 0, 2.598076211353316, 0, 0, 0, 5};
    std::vector<double> inverse = hexagonal;
    ASSERT_TRUE(invertMatrix(inverse, 3));
    expectIdentity(product(hexagonal, inverse, 3), 3);

    // Zeros on the diagonal: only full pivoting (with the column swaps undone)
    // gets this right.
    const std::vector<double> permuted{0, 0, 2, 0, 3, 1, 4, 0, 0};
    inverse = permuted;
    ASSERT_TRUE(invertMatrix(inverse, 3));
    expectIdentity(product(permuted, inverse, 3), 3);
    expectIdentity(product(inverse, permuted, 3), 3);

    const std::vector<double> general{2, 1, 0, 3, 0, 1, 4, 1, 5, 0, 2, 2, 1, 1, 0, 7};
    inverse = general;
    ASSERT_TRUE(invertMatrix(inverse, 4));
    expectIdentity(product(general, inverse, 4), 4);

    std::vector<double> single{4};
    ASSERT_TRUE(invertMatrix(single, 1));
    EXPECT_DOUBLE_EQ(single[0], 0.25);
}

TEST(InvertMatrix, RefusesSingularAndMalformedInput) {
    std::vector<double> singular{1, 2, 3, 2, 4, 6, 1, 0, 1};
    EXPECT_FALSE(invertMatrix(singular, 3));
    std::vector<double> zero(9, 0.0);
    EXPECT_FALSE(invertMatrix(zero, 3));
    std::vector<double> tooShort{1, 0, 0};
    EXPECT_FALSE(invertMatrix(tooShort, 2));
    std::vector<double> empty;
    EXPECT_FALSE(invertMatrix(empty, 0));
}

TEST(FractionText, NamesTheListedFractionsWithTheirSign) {
    EXPECT_EQ(fractionText(0.0f), "");
    EXPECT_EQ(fractionText(1.0f / 3), "+1/3");
    EXPECT_EQ(fractionText(0.5f), "+1/2");
    EXPECT_EQ(fractionText(-0.25f), "-1/4");
    EXPECT_EQ(fractionText(-2.0f / 3), "-2/3");
    EXPECT_EQ(fractionText(5.0f / 6), "+5/6");
    EXPECT_EQ(fractionText(11.0f / 12), "+11/12");
    EXPECT_EQ(fractionText(1.0f), "+1");
    EXPECT_EQ(fractionText(0.9995f), "+1");  // within 0.001
    EXPECT_EQ(fractionText(0.3338f), "+1/3");
}

TEST(FractionText, FallsBackToDecimals) {
    EXPECT_EQ(fractionText(0.2f), "+0.2");
    EXPECT_EQ(fractionText(-0.2f), "-0.2");
    EXPECT_EQ(fractionText(0.0005f), "+0.0005");
    EXPECT_EQ(fractionText(0.625f), "+0.625");  // 5/8 is not among the names
    EXPECT_EQ(fractionText(0.335f), "+0.335");  // just outside 1/3
}

TEST(OperationText, PadsEachCoordinateToNineCharacters) {
    EXPECT_EQ(operationText(identityMatrix()), "      X,       Y,         Z");
    const Mat4 twoFoldY = op({-1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0.5f, 0.5f});
    EXPECT_EQ(operationText(twoFoldY),
              util::padLeft("-X, ", 9) + util::padLeft(" Y+1/2, ", 9) + util::padLeft("-Z+1/2", 9));
    EXPECT_EQ(operationText(twoFoldY), "     -X,   Y+1/2,    -Z+1/2");
    const Mat4 inversion = op({-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {});
    EXPECT_EQ(operationText(inversion), "     -X,      -Y,        -Z");
}

TEST(OperationText, CutsLongCoordinatesAndWritesPureTranslations) {
    // "-X+Y+1/3, " is ten characters and loses its blank.
    const Mat4 m = op({-1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1.0f / 3, 0, 0.25f});
    EXPECT_EQ(operationText(m), "-X+Y+1/3,      Y,     Z+1/4");
    const Mat4 sixFold = op({1, -1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 1.0f / 6});
    EXPECT_EQ(operationText(sixFold), "    X-Y,       X,     Z+1/6");
    // Without a rotation term only the translation remains, still right-aligned.
    const Mat4 odd = op({0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0.5f, 0, -0.25f});
    EXPECT_EQ(operationText(odd),
              util::padLeft(" 1/2, ", 9) + util::padLeft(" , ", 9) + util::padLeft("-1/4", 9));
}

TEST(PadLeft, RightAlignsAndCuts) {
    EXPECT_EQ(util::padLeft("abc", 2), "ab");
    EXPECT_EQ(util::padLeft("X", 3), "  X");
    EXPECT_EQ(util::padLeft("abc", 3), "abc");
}

TEST(TripletText, WritesTheUsualNotation) {
    EXPECT_EQ(tripletText(identityMatrix()), "x,y,z");
    EXPECT_EQ(tripletText(op({-1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0.5f, 0.5f})), "-x,y+1/2,-z+1/2");
    EXPECT_EQ(tripletText(op({1, -1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 1.0f / 6})), "x-y,x,z+1/6");
    EXPECT_EQ(tripletText(op({0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0.25f, 0.75f, 0.125f})), "z+1/4,x+3/4,y+1/8");
    EXPECT_EQ(tripletText(op({-1, 1, 0}, {0, 1, 0}, {0, 0, -1}, {5.0f / 24, 0, 2.0f / 3})),
              "-x+y+5/24,y,-z+2/3");
}

TEST(TripletText, ReducesTranslationsIntoTheCell) {
    EXPECT_EQ(tripletText(op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-0.5f, 1.25f, 0.99999f})), "x+1/2,y+1/4,z");
    EXPECT_EQ(tripletText(op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2.0f, -1.0f, -0.00001f})), "x,y,z");
    EXPECT_EQ(tripletText(op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.2f, 0, 0})), "x+1/5,y,z");
    // No fraction with a denominator up to 24 fits: decimal.
    EXPECT_EQ(tripletText(op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.123456f, 0, 0})), "x+0.123456,y,z");
    EXPECT_EQ(tripletText(op({0, 0, 0}, {0, 2, 0}, {0, 0, 0}, {0.5f, 0, 0})), "1/2,2y,0");
}

}  // namespace
}  // namespace lumora::symmetry
