#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "structure/Samples.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::structure;
namespace fs = std::filesystem;
using Words = std::vector<std::string>;

namespace {

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

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

class SampleFolders : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("lumora-samples-" + std::to_string(std::random_device{}()));
        user_ = root_ / "user";
        program_ = root_ / "program";
        fs::create_directories(user_);
        fs::create_directories(program_);
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_, user_, program_;
};

}  // namespace

TEST(BuiltInSamples, TwentyTwoCellsInMenuOrder) {
    const auto list = builtInSamples();
    ASSERT_EQ(list.size(), 22u);
    ASSERT_EQ(list.data.size(), 22u);
    EXPECT_EQ(list.names.front(), "Cu");
    EXPECT_EQ(list.data.front(), "225 FM3M 3.6174 3.6174 3.6174 90 90 90");
    EXPECT_EQ(list.names[9], "P(black)");
    EXPECT_EQ(list.data[20], "11 P21/M 6.183 4.822 10.963 90 101.79 90");
    EXPECT_EQ(list.names.back(), "beta-Sn");
    EXPECT_EQ(list.getSample(3),
              (SampleCell{"Mg", "194", "P63/MMC", "3.2094", "3.2094", "5.2103", "90", "90", "120"}));
    EXPECT_EQ(list.menuCaption(2), "3. \tW");
    EXPECT_EQ(list.menuCaption(21), "22. \tbeta-Sn");
}

TEST(BuiltInSamples, OutOfRangeEntryIsAnError) {
    const auto list = builtInSamples();
    EXPECT_THROW(list.getSample(22), Error);
    EXPECT_THROW(list.menuCaption(22), Error);
    EXPECT_THROW(SampleList{}.getSample(0), Error);
}

TEST(DefaultSampleFile, ReadsBackAsTheBuiltInList) {
    const auto read = readSampleFile(defaultSampleFileText());
    const auto builtIn = builtInSamples();
    EXPECT_EQ(read.names, builtIn.names);
    EXPECT_EQ(read.data, builtIn.data);
}

TEST(DefaultSampleFile, HeaderGroupsAndFinalEmptyLine) {
    const auto lines = linesOf(defaultSampleFileText());
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines[0], "'- You may edit this file. Up to 300 cells can be added to the Samples-menu.");
    EXPECT_EQ(lines[3], "'- Save changes and restart Lumora to update the menu [Samples]");
    for (std::size_t empty : {4, 14, 20, 29}) EXPECT_EQ(lines[empty], "") << empty;
    EXPECT_EQ(lines[5], "Cu        : 225  FM3M    3.6174   3.6174   3.6174  90   90     90");
    EXPECT_EQ(lines[15], "P(black)  :  64  CMCA    3.3136  10.478    4.3763  90   90     90");
    EXPECT_EQ(lines[21], "alpha-As  : 166  R-3M    3.7602  11.86225  2.609   90   90    120");
    EXPECT_EQ(lines[28], "beta-Sn   : 141  I41/AMD 5.8316   5.8316   3.1813  90   90     90");
}

TEST(ShortSampleFile, ExactText) {
    EXPECT_EQ(shortSampleFileText(),
              "'You may edit this file. Up to 30 cells can be added to the Samples-menu.\r\n"
              "'No spaces allowed within the spacegroup symbols        \r\n"
              "\r\n"
              "Cu        : 225  FM3M    3.6174   3.6174   3.6174  90   90     90\r\n"
              "Si        : 227  FD3M    5.4307   5.4307   5.4307  90   90     90\r\n"
              "W         : 229  IM3M    3.16522  3.16522  3.16522 90   90     90\r\n"
              "Mg        : 194  P63/MMC 3.2094   3.2094   5.2103  90   90    120\r\n"
              "\r\n"
              "'you can comment out a line by starting the line with '\r\n");
    EXPECT_EQ(linesOf(shortSampleFileText())[1].size(), 56u);
    EXPECT_EQ(readSampleFile(shortSampleFileText()).names, (Words{"Cu", "Si", "W", "Mg"}));
}

TEST(SampleFileLines, OnlyNameColonAndEightWordsMakeAnEntry) {
    const auto list = readSampleFile(
        "   ' Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n"      // comment after leading blanks
        "Fe 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n"             // no colon
        "NaCl : 225 F M3M 5.64 5.64 5.64 90 90 90\r\n"              // nine words
        "NaCl : 225 FM3M 5.64 5.64 5.64 90 90\r\n"                  // seven words
        "Cu\t:\t225\tFM3M\t3.6174\t3.6174\t3.6174\t90\t90\t90\r\n"  // tabs only
        "  Fe (bcc)  :   229   IM3M 2.8665  2.8665 2.8665 90 90 90   \r\n"
        "Fe : bcc:229 IM3M 2.8665 2.8665 2.8665 90 90 90\n"  // the first colon ends the name
        ": 1 P1 1 2 3 80 85 95\r\n");
    EXPECT_EQ(list.names, (Words{"Fe (bcc)", "Fe", ""}));
    EXPECT_EQ(list.data, (Words{"229 IM3M 2.8665 2.8665 2.8665 90 90 90",
                                "bcc:229 IM3M 2.8665 2.8665 2.8665 90 90 90", "1 P1 1 2 3 80 85 95"}));
    EXPECT_TRUE(readSampleFile("").empty());
    EXPECT_TRUE(readSampleFile("' only a comment\r\n\r\n").empty());
}

TEST(SampleFileLines, TabsInsideWordsSplitOnlyWhenAnEntryIsTaken) {
    // eight words when read (a tab is not a separator), nine once tabs are blanks
    const auto list = readSampleFile("X : 225\tFM3M 1 1 1 90 90 90 extra\r\n");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.getSample(0), (SampleCell{"X", "225", "FM3M", "1", "1", "1", "90", "90", "90"}));
    // a word of tabs alone vanishes: the missing word is empty, not out of range
    const auto shorter = readSampleFile("Y : 225 FM3M 1 1 1 90 90 \t\r\n");
    ASSERT_EQ(shorter.size(), 1u);
    EXPECT_EQ(shorter.getSample(0)[8], "");
}

TEST(SampleFileLines, StopsAfterThreeHundredAndOneEntries) {
    std::string text;
    for (int i = 1; i <= 305; ++i) text += "S" + std::to_string(i) + " : 1 P1 1 1 1 90 90 90\r\n";
    const auto list = readSampleFile(text);
    ASSERT_EQ(list.size(), 301u);
    EXPECT_EQ(list.names.back(), "S301");
}

TEST_F(SampleFolders, MissingFileGivesTheBuiltInListAndWritesTheDefaultFile) {
    const auto list = loadSamples(user_, program_);
    EXPECT_EQ(list.names, builtInSamples().names);
    EXPECT_EQ(fileText(user_ / "lib" / "cellmenu.txt"), defaultSampleFileText());
    // another user folder: the program folder gets the same file
    EXPECT_EQ(fileText(program_ / "lib" / "cellmenu.txt"), defaultSampleFileText());
}

TEST_F(SampleFolders, EmptyFileIsReplacedWhenUserAndProgramFolderAreOne) {
    writeFile(program_ / "lib" / "cellmenu.txt", "");
    const auto list = loadSamples(program_, program_ / "." / "");
    EXPECT_EQ(list.data, builtInSamples().data);
    EXPECT_EQ(fileText(program_ / "lib" / "cellmenu.txt"), defaultSampleFileText());
}

TEST_F(SampleFolders, TheUsersFileWinsEvenWithoutEntries) {
    writeFile(user_ / "lib" / "cellmenu.txt", "Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n");
    EXPECT_EQ(loadSamples(user_, program_).names, Words{"Fe"});
    writeFile(user_ / "lib" / "cellmenu.txt", "' nothing here\r\n");
    EXPECT_TRUE(loadSamples(user_, program_).empty());
    EXPECT_EQ(fileText(user_ / "lib" / "cellmenu.txt"), "' nothing here\r\n");
    EXPECT_FALSE(fs::exists(program_ / "lib"));
}

TEST_F(SampleFolders, UnwritableFolderStillGivesTheBuiltInList) {
    // a file where the user folder should be: nothing can be written below it
    writeFile(root_ / "blocked", "x");
    const auto list = loadSamples(root_ / "blocked", program_);
    EXPECT_EQ(list.names, builtInSamples().names);
    EXPECT_FALSE(fs::exists(program_ / "lib" / "cellmenu.txt"));
}

TEST_F(SampleFolders, EditWritesTheShortFileOnlyWhenThereIsNone) {
    const auto path = sampleFilePath(user_);
    EXPECT_TRUE(ensureShortSampleFile(path));
    EXPECT_EQ(fileText(path), shortSampleFileText());

    writeFile(path, "Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n");
    EXPECT_FALSE(ensureShortSampleFile(path));
    EXPECT_EQ(readSampleFile(fileText(path)).names, Words{"Fe"});

    writeFile(path, "");
    EXPECT_TRUE(ensureShortSampleFile(path));
    EXPECT_EQ(fileText(path), shortSampleFileText());

    writeFile(root_ / "blocked", "x");
    try {
        ensureShortSampleFile(root_ / "blocked" / "lib" / "cellmenu.txt");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::PathAccess);
    }
}

// Inputs that once broke the reader: reading them must simply work.
TEST(SampleRegressions, EveryStoredInputIsRead) {
    const auto folder = fs::path(__FILE__).parent_path() / "regressions" / "samples";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no stored inputs";
    for (const auto& entry : fs::directory_iterator(folder)) {
        const auto list = readSampleFile(fileText(entry.path()));
        EXPECT_LE(list.size(), kMaxSamples);
        for (std::size_t i = 0; i < list.size(); ++i) {
            list.getSample(i);
            list.menuCaption(i);
        }
    }
}
