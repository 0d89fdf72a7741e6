#include <gtest/gtest.h>

#include <cmath>

#include "StructureTestSupport.h"
#include "structure/HklListing.h"

using namespace lumora::structure;
using namespace structuretest;

namespace {

const std::array<float, 6> kSilicon = {5.431f, 5.431f, 5.431f, 90, 90, 90};

TEST(HklListing, SiliconHeaderAndLayout) {
    EXPECT_EQ(
        hklListingText(kSilicon, {{1, 1, 1, 3.135601f}, {2, -2, 0, 1.920148f}, {-1000, 0, 0, 0.005431f}}),
        "Unit Cell : 5.431 5.431 5.431 90.0 90.0 90.0 \r\n"
        "\r\n"
        "   3 reflections \r\n"
        "-------------------------\r\n"
        "   h   k   l  d-spacing\r\n"
        "-------------------------\r\n"
        "   1   1   1  3.13560\r\n"
        "   2  -2   0  1.92015\r\n"
        "1000   0   0  0.00543\r\n"  // below -999 only the last four characters are left
        "\r\n");
    EXPECT_EQ(hklIndexText(-999, 999, 1000), "-999 9991000");
    // The first line gives the cell with one to four decimals.
    EXPECT_EQ(linesOf(hklListingText({3.16522f, 10.0f, 26.749f, 89.99999f, 101.79f, 120}, {}))[0],
              "Unit Cell : 3.1652 10.0 26.749 90.0 101.79 120.0 ");
    EXPECT_EQ(linesOf(hklListingText(kSilicon, {})).at(2), "   0 reflections ");
}

TEST(HklListing, WithIntensitiesAColumnIFollowsInTheNextZone) {
    const std::vector<int16_t> h = {1, 2, 4}, k = {1, 0, 0}, l = {1, 0, 0};
    const std::vector<float> d = {3.135601f, 2.7155f, 1.357750f}, intensity = {1.0f, 0.000123456789f, 0.25f};
    const auto rows = rowsByDecreasingSpacing(h, k, l, d, intensity);
    EXPECT_EQ(hklListingText(kSilicon, rows),
              "Unit Cell : 5.431 5.431 5.431 90.0 90.0 90.0 \r\n"
              "\r\n"
              "   3 reflections \r\n"
              "-------------------------\r\n"
              "   h   k   l  d-spacing     I\r\n"
              "-------------------------\r\n"
              "   1   1   1  3.13560       1\r\n"
              "   2   0   0  2.71550       0.000123457\r\n"
              "   4   0   0  1.35775       0.25\r\n"
              "\r\n");
    const std::vector<float> shortIntensity = {1.0f};
    EXPECT_THROW(rowsByDecreasingSpacing(h, k, l, d, shortIntensity), Error);
}

TEST(HklListing, RowsByDecreasingSpacingStableForTies) {
    const std::vector<int16_t> h = {1, 2, 3, 4, 5}, zero(5, 0);
    const std::vector<float> d = {1.0f, 3.0f, NAN, 3.0f, 2.0f}, shortD = {1.0f};
    const auto rows = rowsByDecreasingSpacing(h, zero, zero, d);
    std::vector<int> order;
    for (const auto& r : rows) order.push_back(r.h);
    EXPECT_EQ(order, (std::vector<int>{2, 4, 5, 1, 3}));
    EXPECT_THROW(rowsByDecreasingSpacing(h, zero, zero, shortD), Error);
}

TEST_F(ScratchFolder, ListingReplacesTheFileAndFailuresLeaveNothing) {
    const auto path = folder_ / "list.txt";
    writeFile(path, "an older and much longer listing that must not survive in any part");
    const std::string text = hklListingText(kSilicon, {{1, 1, 1, 3.1356f}});
    writeHklListing(path, text);
    EXPECT_EQ(fileText(path), text);  // byte for byte, CR LF kept
    const auto missing = folder_ / "missing" / "list.txt";
    const Error e = errorOf([&] { writeHklListing(missing, text); });
    EXPECT_EQ(e.number(), Error::PathAccess);
    EXPECT_NE(e.description().find(missing.string()), std::string::npos);
    // A folder in the way of the file: refused, and the folder is untouched.
    fs::create_directories(folder_ / "taken" / "inside");
    EXPECT_THROW(writeHklListing(folder_ / "taken", text), Error);
    EXPECT_TRUE(fs::is_directory(folder_ / "taken" / "inside"));
    EXPECT_THROW(writeHklListing(fs::path(), text), Error);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 2);  // no temporary file is left behind
}

}  // namespace
