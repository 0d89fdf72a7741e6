// Spot lists as peak-search programs write them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/SpotList.h"
#include "util/Error.h"

namespace lumora::engine {
namespace {

int errorNumber(const std::string& text, std::string* description = nullptr) {
    try {
        parseSpotList(text, "peaks.txt");
    } catch (const Error& e) {
        if (description) *description = e.description();
        return e.number();
    }
    return 0;
}

TEST(SpotList, ReadsPixelsAnglesAndLaueToolsColumns) {
    const auto spots = parseSpotList(
        "\xEF\xBB\xBFx y I\n"
        "# found by hand\n"
        "\n"
        "10.5 20.25 300\n"
        "11,22\n"
        "\t1e2\t-3.5\t7\t8\r\n"
        "59.08 22.20 583.79 1717.06 165.31\n");
    ASSERT_EQ(spots.size(), 4u);
    EXPECT_EQ(spots[0].a, 10.5);
    EXPECT_EQ(spots[0].b, 20.25);
    EXPECT_EQ(spots[0].intensity, 300);
    EXPECT_EQ(spots[0].line, 4);
    EXPECT_EQ(spots[1].intensity, 0);  // no intensity given
    EXPECT_EQ(spots[1].line, 5);
    EXPECT_EQ(spots[2].a, 100);
    EXPECT_EQ(spots[2].b, -3.5);
    EXPECT_EQ(spots[2].intensity, 7);  // four numbers: x y I and one more
    EXPECT_EQ(spots[3].a, 59.08);
    EXPECT_EQ(spots[3].intensity, 165.31);  // 2theta chi x y I
    EXPECT_EQ(spots[3].line, 7);
}

TEST(SpotList, RefusesWhatIsNoSpotNamingTheLine) {
    std::string description;
    EXPECT_EQ(errorNumber("1 2\n3 x\n", &description), Error::TypeMismatch);
    EXPECT_NE(description.find("line 2"), std::string::npos) << description;
    EXPECT_NE(description.find("peaks.txt"), std::string::npos) << description;
    EXPECT_EQ(errorNumber("1 2\n5\n", &description), Error::TypeMismatch);
    EXPECT_NE(description.find("line 2"), std::string::npos) << description;
    // Only the first line may be column names.
    EXPECT_EQ(errorNumber("x y\nu v\n1 2\n", &description), Error::TypeMismatch);
    EXPECT_NE(description.find("line 2"), std::string::npos) << description;
    EXPECT_EQ(errorNumber("1 nan\n", &description), Error::TypeMismatch);
    EXPECT_EQ(errorNumber("1 1e999\n", &description), Error::TypeMismatch);
    EXPECT_EQ(errorNumber("x y I\n# nothing\n\n", &description), Error::TypeMismatch);
    EXPECT_NE(description.find("no spot"), std::string::npos) << description;
    EXPECT_EQ(errorNumber(""), Error::TypeMismatch);
}

TEST(SpotList, ReadsFilesThroughTheInputChecks) {
    const auto folder = std::filesystem::temp_directory_path() / "lumora-spotlist-test";
    std::filesystem::create_directories(folder);
    const auto path = folder / "frame.cor";
    std::ofstream(path) << "2theta chi I\n90 0 5\n";
    const auto spots = readSpotList(path.string());
    ASSERT_EQ(spots.size(), 1u);
    EXPECT_EQ(spots[0].line, 2);
    try {
        readSpotList((folder / "missing.cor").string());
        ADD_FAILURE() << "a missing file was read";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::FileNotFound);
    }
    try {
        readSpotList(folder.string());
        ADD_FAILURE() << "a folder was read";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::PathAccess);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumora::engine
