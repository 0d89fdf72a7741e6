#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "symmetry/Matrix.h"

namespace lumora::symmetry {
namespace {

using Row = std::array<float, 3>;

Mat4 op(Row r0, Row r1, Row r2, Row t) {
    Mat4 m = identityMatrix();
    const std::array<Row, 3> rows{r0, r1, r2};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[i][j] = rows[i][j];
        m[i][3] = t[i];
    }
    return m;
}

TEST(MatrixProduct, ComposesRotationsAndTranslations) {
    // (R1, t1)(R2, t2) = (R1 R2, R1 t2 + t1), worked out by hand.
    const Mat4 fourFold = op({0, -1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0.25f});
    const Mat4 twoFoldX = op({1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {0.5f, 0, 0});
    const Mat4 p = multiplyMatrix(fourFold, twoFoldX);
    EXPECT_TRUE(matricesEqual(p, op({0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0.5f, 0.25f}), 4, 4));
    EXPECT_FALSE(matricesEqual(p, multiplyMatrix(twoFoldX, fourFold), 4, 4));
}

TEST(MatricesEqual, UsesTheToleranceAndTheRequestedBlock) {
    const Mat4 a = op({0, -1, 0}, {1, -1, 0}, {0, 0, 1}, {0, 0, 1.0f / 3});
    Mat4 b = a;
    b[1][1] += 0.000008f;
    EXPECT_TRUE(matricesEqual(a, b, 4, 4));
    b[1][1] += 0.00002f;
    EXPECT_FALSE(matricesEqual(a, b, 4, 4));
    Mat4 c = a;  // same rotation, other translation
    c[2][3] = 2.0f / 3;
    EXPECT_TRUE(matricesEqual(a, c, 3, 3));
    EXPECT_FALSE(matricesEqual(a, c, 3, 4));
}

void expectInverse(const std::vector<double>& a, int n) {
    std::vector<double> inverse = a;
    ASSERT_TRUE(invertMatrix(inverse, n));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double sum = 0;
            for (int k = 0; k < n; ++k) sum += a[i * n + k] * inverse[k * n + j];
            EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
        }
}

TEST(InvertMatrix, InvertsMatricesThatNeedPivotingAndRefusesSingularOnes) {
    expectInverse({0, 0, 2, 0, 3, 1, 4, 0, 0}, 3);  // zero diagonal: full pivoting
    expectInverse({2, 1, 0, 3, 0, 1, 4, 1, 5, 0, 2, 2, 1, 1, 0, 7}, 4);
    std::vector<double> singular{1, 2, 3, 2, 4, 6, 1, 0, 1};
    EXPECT_FALSE(invertMatrix(singular, 3));
    std::vector<double> tooShort{1, 0, 0};
    EXPECT_FALSE(invertMatrix(tooShort, 2));
    std::vector<double> empty;
    EXPECT_FALSE(invertMatrix(empty, 0));
}

TEST(FractionText, NamesListedFractionsElseWritesDecimals) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, ""},        {1.0f / 3, "+1/3"}, {-0.25f, "-1/4"}, {-2.0f / 3, "-2/3"},  {11.0f / 12, "+11/12"},
        {0.9995f, "+1"},   {0.3338f, "+1/3"},  {-0.2f, "-0.2"},  {0.0005f, "+0.0005"}, {0.625f, "+0.625"},
        {0.335f, "+0.335"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(fractionText(value), text) << value;
}

TEST(OperationText, PadsEachCoordinateToNineCharactersAndCutsLongerOnes) {
    EXPECT_EQ(operationText(identityMatrix()), "      X,       Y,         Z");
    EXPECT_EQ(operationText(op({-1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0.5f, 0.5f})),
              "     -X,   Y+1/2,    -Z+1/2");
    // "-X+Y+1/3, " is ten characters and loses its blank.
    EXPECT_EQ(operationText(op({-1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1.0f / 3, 0, 0.25f})),
              "-X+Y+1/3,      Y,     Z+1/4");
    EXPECT_EQ(operationText(op({1, -1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 1.0f / 6})),
              "    X-Y,       X,     Z+1/6");
    // Without a rotation term only the translation remains.
    EXPECT_EQ(operationText(op({0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0.5f, 0, -0.25f})),
              "    1/2,        ,      -1/4");
}

TEST(TripletText, WritesTheUsualNotationWithTranslationsInTheCell) {
    const std::pair<Mat4, const char*> cases[] = {
        {identityMatrix(), "x,y,z"},
        {op({0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0.25f, 0.75f, 0.125f}), "z+1/4,x+3/4,y+1/8"},
        {op({-1, 1, 0}, {0, 1, 0}, {0, 0, -1}, {5.0f / 24, 0, 2.0f / 3}), "-x+y+5/24,y,-z+2/3"},
        {op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-0.5f, 1.25f, 0.99999f}), "x+1/2,y+1/4,z"},
        {op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2.0f, -1.0f, -0.00001f}), "x,y,z"},
        {op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.2f, 0, 0}), "x+1/5,y,z"},
        {op({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.123456f, 0, 0}), "x+0.123456,y,z"},
        {op({0, 0, 0}, {0, 2, 0}, {0, 0, 0}, {0.5f, 0, 0}), "1/2,2y,0"}};
    for (const auto& [m, text] : cases) EXPECT_EQ(tripletText(m), text);
}

}  // namespace
}  // namespace lumora::symmetry
