// Four-index hexagonal notation: conversions both ways and reading typed indices.
#include <gtest/gtest.h>

#include <numeric>

#include "engine/HexIndices.h"
#include "engine/Labels.h"
#include "util/Error.h"

namespace lumora::engine {
namespace {

using A3 = std::array<int, 3>;
using A4 = std::array<int, 4>;

std::string errorText(A3 (*read)(std::string_view), std::string_view text) {
    try {
        read(text);
    } catch (const Error& e) {
        return e.description();
    }
    return {};
}

TEST(HexIndices, RecognisesHexagonalCellsOnly) {
    EXPECT_TRUE(isHexagonalCell({3.21, 3.21, 5.21, 90, 90, 120}));
    EXPECT_TRUE(isHexagonalCell({4.9134, 4.9134, 5.4052, 90, 90, 120.0000001}));
    EXPECT_FALSE(isHexagonalCell({3.21, 3.22, 5.21, 90, 90, 120}));  // a != b
    EXPECT_FALSE(isHexagonalCell({5, 5, 5, 90, 90, 90}));            // cubic
    EXPECT_FALSE(isHexagonalCell({5, 5, 5, 80, 80, 80}));            // rhombohedral axes
    EXPECT_FALSE(isHexagonalCell({5, 5, 7, 90, 90, 60}));            // gamma 60 is not the standard setting
}

TEST(HexIndices, PlanesInsertMinusHPlusK) {
    EXPECT_EQ(planeToFour(1, 0, 0), (A4{1, 0, -1, 0}));
    EXPECT_EQ(planeToFour(1, 1, 0), (A4{1, 1, -2, 0}));
    EXPECT_EQ(planeToFour(0, 0, 2), (A4{0, 0, 0, 2}));
    EXPECT_EQ(planeToFour(-2, 1, 3), (A4{-2, 1, 1, 3}));
}

TEST(HexIndices, DirectionsConvertToSmallestIntegersAndBack) {
    // The textbook cases: a1 = [2-1-10], a1+a2 = [11-20], c = [0001], [1-100].
    EXPECT_EQ(directionToFour(1, 0, 0), (A4{2, -1, -1, 0}));
    EXPECT_EQ(directionToFour(1, 1, 0), (A4{1, 1, -2, 0}));
    EXPECT_EQ(directionToFour(0, 0, 1), (A4{0, 0, 0, 1}));
    EXPECT_EQ(directionToFour(1, -1, 0), (A4{1, -1, 0, 0}));
    EXPECT_EQ(directionToFour(1, 0, 1), (A4{2, -1, -1, 3}));
    EXPECT_EQ(directionToThree({2, -1, -1, 0}), (A3{1, 0, 0}));
    EXPECT_EQ(directionToThree({1, 1, -2, 3}), (A3{1, 1, 1}));

    // Every small direction survives the round trip, up to its common divisor,
    // and t is always -(u+v).
    for (int u = -3; u <= 3; ++u)
        for (int v = -3; v <= 3; ++v)
            for (int w = -3; w <= 3; ++w) {
                if (!u && !v && !w) continue;
                const A4 four = directionToFour(u, v, w);
                EXPECT_EQ(four[2], -(four[0] + four[1]));
                const A3 back = directionToThree(four);
                const int g = std::gcd(std::gcd(u, v), w);
                EXPECT_EQ(back, (A3{u / g, v / g, w / g})) << u << v << w;
            }
    EXPECT_THROW(directionToThree({1, 0, 0, 0}), Error);
}

TEST(HexIndices, WritesCompactAndSpacedTexts) {
    const A4 plane = planeToFour(1, -1, 0);
    EXPECT_EQ(compactIndices(plane.data(), 4), "1-100");
    EXPECT_EQ(spacedIndices(plane.data(), 4), "1 -1 0 0");
    const A3 three{1, -1, 0};
    EXPECT_EQ(compactIndices(three.data(), 3), "1-10");
}

TEST(HexIndices, SpotLabelsInsertTheThirdIndexAfterReducingAndSigning) {
    // Films and cameras name the plane with its first non-zero index positive.
    Label label = labelText(-2, 2, 0, 2, true);
    EXPECT_EQ(label.text, "1-100");
    EXPECT_EQ(label.divisor, 2);
    EXPECT_EQ(labelText(0, -3, 3, 4, true).text, "01-1-1");
    // The stereogram keeps the signs as they are.
    EXPECT_EQ(labelText(-2, 2, 0, 3, true).text, "-1100");
    // Three indices unless asked.
    EXPECT_EQ(labelText(-2, 2, 0, 2).text, "1-10");
}

TEST(HexIndices, ReadsThreeOrFourIndices) {
    EXPECT_EQ(readPlane("1 -1 0"), (A3{1, -1, 0}));
    EXPECT_EQ(readPlane("(1 -1 0 2)"), (A3{1, -1, 2}));
    EXPECT_EQ(readPlane("1,1,-2,0"), (A3{1, 1, 0}));
    EXPECT_EQ(readDirection("[2 -1 -1 0]"), (A3{1, 0, 0}));
    EXPECT_EQ(readDirection("2 -1 -1 3"), (A3{1, 0, 1}));
    EXPECT_EQ(readDirection("[2 0 0]"), (A3{2, 0, 0}));  // three indices are taken as typed
    // Typed four-index texts round trip through the conversions.
    for (const A3 hkl : {A3{1, 0, 0}, A3{1, 1, 2}, A3{-2, 3, 1}}) {
        const A4 four = planeToFour(hkl[0], hkl[1], hkl[2]);
        EXPECT_EQ(readPlane(spacedIndices(four.data(), 4)), hkl);
        const A4 dir = directionToFour(hkl[0], hkl[1], hkl[2]);
        EXPECT_EQ(readDirection(spacedIndices(dir.data(), 4)), hkl);
    }
}

TEST(HexIndices, RefusesInconsistentOrMalformedIndices) {
    EXPECT_EQ(errorText(readPlane, "1 0 0 0"), "In (h k i l) the third index must be -(h+k) = -1, not 0.");
    EXPECT_EQ(errorText(readDirection, "1 1 1 0"),
              "In [u v t w] the third index must be -(u+v) = -2, not 1.");
    EXPECT_EQ(errorText(readPlane, "1 0"),
              "The plane needs three indices, or four in hexagonal notation; 2 were given.");
    EXPECT_EQ(errorText(readDirection, "1 0 0 0 0"),
              "The direction needs three indices, or four in hexagonal notation; 5 were given.");
    EXPECT_EQ(errorText(readPlane, "1 0.5 0"),
              "The plane indices must be whole numbers; \"0.5\" is not one.");
    EXPECT_EQ(errorText(readPlane, "1 x 0"), "The plane indices must be whole numbers; \"x\" is not one.");
}

TEST(HexIndices, ReadsRealVectorsInThreeOrFourIndices) {
    using D3 = std::array<double, 3>;
    EXPECT_EQ(readVector("0.5 1 2", true), (D3{0.5, 1, 2}));
    EXPECT_EQ(readVector("[2 -1 -1 0]", true), (D3{3, 0, 0}));  // along [1 0 0]
    EXPECT_EQ(readVector("0.5 0.5 -1 2", true), (D3{1.5, 1.5, 2}));
    EXPECT_EQ(readVector("(1 0 -1 1)", false), (D3{1, 0, 1}));
    // Every small direction read in four indices points the way of its three-index form.
    for (const A3 uvw : {A3{1, 0, 0}, A3{1, 1, 0}, A3{1, -1, 2}, A3{0, 0, 1}, A3{2, 3, -1}}) {
        const A4 four = directionToFour(uvw[0], uvw[1], uvw[2]);
        const auto back = readVector(spacedIndices(four.data(), 4), true);
        const double scale = std::abs(back[0]) + std::abs(back[1]) + std::abs(back[2]);
        const double unit = std::abs(uvw[0]) + std::abs(uvw[1]) + std::abs(uvw[2]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i] / scale, uvw[i] / double(unit), 1e-12);
    }
    const auto message = [](std::string_view text, bool direction) {
        try {
            readVector(text, direction);
        } catch (const Error& e) {
            return e.description();
        }
        return std::string();
    };
    EXPECT_EQ(message("1 0 0 0", true), "In [u v t w] the third index must be -(u+v) = -1, not 0.");
    EXPECT_EQ(message("0 0 1 1", false), "In (h k i l) the third index must be -(h+k) = 0, not 1.");
    EXPECT_EQ(message("1 1 -1.5 0", false), "In (h k i l) the third index must be -(h+k) = -2, not -1.5.");
    EXPECT_EQ(message("1 1", false),
              "The plane needs three indices, or four in hexagonal notation; 2 were given.");
    EXPECT_EQ(message("1 a 1", true), "The direction indices must be numbers; \"a\" is not one.");
}

}  // namespace
}  // namespace lumora::engine
