#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "structure/HklListing.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::structure;
namespace fs = std::filesystem;

namespace {

const std::array<float, 6> kSilicon = {5.431f, 5.431f, 5.431f, 90, 90, 90};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, pos - start));
        start = pos + 2;
    }
    EXPECT_EQ(start, text.size()) << "the text does not end with CR LF";
    return lines;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("lumora-hkl-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
};

}  // namespace

TEST(HklIndexText, FourCharactersPerIndex) {
    EXPECT_EQ(hklIndexText(1, 1, 1), "   1   1   1");
    EXPECT_EQ(hklIndexText(1, -1, 0), "   1  -1   0");
    EXPECT_EQ(hklIndexText(-10, 0, 12), " -10   0  12");
    EXPECT_EQ(hklIndexText(-999, 999, 1000), "-999 9991000");
    // below -999 only the last four characters are left
    EXPECT_EQ(hklIndexText(-1000, -32768, 0), "10002768   0");
}

TEST(HklListing, SiliconHeaderAndLayout) {
    const std::vector<HklRow> rows = {{1, 1, 1, 3.135601f}, {2, 2, 0, 1.920148f}, {-1000, 0, 0, 0.005431f}};
    const std::string text = hklListingText(kSilicon, rows);
    EXPECT_EQ(text,
              "Unit Cell : 5.431 5.431 5.431 90.0 90.0 90.0 \r\n"
              "\r\n"
              "   3 reflections \r\n"
              "-------------------------\r\n"
              "   h   k   l  d-spacing\r\n"
              "-------------------------\r\n"
              "   1   1   1  3.13560\r\n"
              "   2   2   0  1.92015\r\n"
              "1000   0   0  0.00543\r\n"
              "\r\n");
    // every row and the column header put the d text in column 15
    const auto lines = linesOf(text);
    for (std::size_t i = 4; i + 1 < lines.size(); ++i) {
        if (lines[i][0] == '-') continue;
        EXPECT_EQ(lines[i].substr(12, 2), "  ") << lines[i];
        EXPECT_NE(lines[i][14], ' ') << lines[i];
    }
}

TEST(HklListing, CellUsesOneToFourDecimals) {
    const auto first = linesOf(hklListingText({3.16522f, 10.0f, 26.749f, 89.99999f, 101.79f, 120}, {}))[0];
    EXPECT_EQ(first, "Unit Cell : 3.1652 10.0 26.749 90.0 101.79 120.0 ");
}

TEST(HklListing, EmptyListStillHasItsFrame) {
    const auto lines = linesOf(hklListingText(kSilicon, {}));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "   0 reflections ");
    EXPECT_EQ(lines[6], "");
}

TEST(HklRowsOrder, DecreasingSpacingStableForTies) {
    const std::vector<int16_t> h = {1, 2, 3, 4, 5};
    const std::vector<int16_t> k = {0, 0, 0, 0, 0};
    const std::vector<int16_t> l = {0, 0, 0, 0, 0};
    const std::vector<float> d = {1.0f, 3.0f, NAN, 3.0f, 2.0f};
    const auto rows = rowsByDecreasingSpacing(h, k, l, d);
    std::vector<int> order;
    for (const auto& r : rows) order.push_back(r.h);
    EXPECT_EQ(order, (std::vector<int>{2, 4, 5, 1, 3}));

    const std::vector<float> shortD = {1.0f};
    EXPECT_THROW(rowsByDecreasingSpacing(h, k, l, shortD), Error);
}

TEST_F(ScratchFolder, WriteReplacesTheFileAndLeavesNothingElse) {
    const auto path = folder_ / "list.txt";
    {
        std::ofstream old(path);
        old << "an older and much longer listing that must not survive in any part";
    }
    const std::string text = hklListingText(kSilicon, {{1, 1, 1, 3.1356f}});
    writeHklListing(path, text);
    EXPECT_EQ(fileText(path), text);  // byte for byte, CR LF kept
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator{}), 1);
}

TEST_F(ScratchFolder, WriteFailuresAreReported) {
    const std::string text = hklListingText(kSilicon, {});
    const auto missingFolder = folder_ / "missing" / "list.txt";
    try {
        writeHklListing(missingFolder, text);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::PathAccess);
        EXPECT_NE(e.description().find(missingFolder.string()), std::string::npos);
    }
    // a folder in the way of the file: refused, and the folder is untouched
    fs::create_directories(folder_ / "taken" / "inside");
    EXPECT_THROW(writeHklListing(folder_ / "taken", text), Error);
    EXPECT_TRUE(fs::is_directory(folder_ / "taken" / "inside"));
    EXPECT_THROW(writeHklListing(fs::path(), text), Error);
    // no temporary file is left behind
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator{}), 1);
}
