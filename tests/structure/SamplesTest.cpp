#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "StructureTestSupport.h"
#include "structure/Samples.h"

using namespace lumora::structure;
using namespace structuretest;
using Words = std::vector<std::string>;

namespace {

TEST(BuiltInSamples, TwentyTwoCellsInMenuOrderAndTheDefaultFileReadsBackAsThem) {
    const auto list = builtInSamples();
    ASSERT_EQ(list.size(), 22u);
    EXPECT_EQ(list.data.front(), "225 FM3M 3.6174 3.6174 3.6174 90 90 90");
    EXPECT_EQ(list.getSample(3),
              (SampleCell{"Mg", "194", "P63/MMC", "3.2094", "3.2094", "5.2103", "90", "90", "120"}));
    EXPECT_EQ(list.menuCaption(21), "22. \tbeta-Sn");
    EXPECT_THROW(list.getSample(22), Error);
    EXPECT_THROW(list.menuCaption(22), Error);

    const auto lines = linesOf(defaultSampleFileText());
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines[0], "'- You may edit this file. Up to 300 cells can be added to the Samples-menu.");
    EXPECT_EQ(lines[21], "alpha-As  : 166  R-3M    3.7598   3.7598  10.5475  90   90    120");
    EXPECT_EQ(lines[29], "");
    EXPECT_EQ(readSampleFile(defaultSampleFileText()).data, list.data);
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
        "X : 225\tFM3M 1 1 1 90 90 90 extra\r\n"             // eight words, nine once tabs are blanks
        "Y : 225 FM3M 1 1 1 90 90 \t\r\n");                  // a word of tabs alone vanishes
    EXPECT_EQ(list.names, (Words{"Fe (bcc)", "Fe", "X", "Y"}));
    EXPECT_EQ(list.data[1], "bcc:229 IM3M 2.8665 2.8665 2.8665 90 90 90");
    EXPECT_EQ(list.getSample(2), (SampleCell{"X", "225", "FM3M", "1", "1", "1", "90", "90", "90"}));
    EXPECT_EQ(list.getSample(3)[8], "");
    EXPECT_TRUE(readSampleFile("' only a comment\r\n\r\n").empty());
    std::string many;
    for (int i = 1; i <= 305; ++i) many += "S" + std::to_string(i) + " : 1 P1 1 1 1 90 90 90\r\n";
    EXPECT_EQ(readSampleFile(many).names.back(), "S301");  // at most 301 entries
}

TEST_F(ScratchFolder, AMissingOrEmptyFileGivesTheBuiltInListAndIsWrittenAnyOtherWins) {
    const fs::path user = folder_ / "user", program = folder_ / "program", other = folder_ / "other";
    for (const auto& folder : {user, program, other}) fs::create_directories(folder);
    EXPECT_EQ(loadSamples(user, program).names, builtInSamples().names);
    EXPECT_EQ(fileText(user / "lib" / "cellmenu.txt"), defaultSampleFileText());
    EXPECT_EQ(fileText(program / "lib" / "cellmenu.txt"), defaultSampleFileText());
    writeFile(program / "lib" / "cellmenu.txt", "");
    EXPECT_EQ(loadSamples(program, program / "." / "").data, builtInSamples().data);
    EXPECT_EQ(fileText(program / "lib" / "cellmenu.txt"), defaultSampleFileText());
    // A file where the user folder should be: nothing can be written, the list still comes.
    writeFile(folder_ / "blocked", "x");
    EXPECT_EQ(loadSamples(folder_ / "blocked", other).names, builtInSamples().names);
    EXPECT_FALSE(fs::exists(other / "lib"));
    // The user's file wins, even without entries, and is left as it is.
    writeFile(user / "lib" / "cellmenu.txt", "' nothing here\r\n");
    EXPECT_TRUE(loadSamples(user, other).empty());
    EXPECT_EQ(fileText(user / "lib" / "cellmenu.txt"), "' nothing here\r\n");
    EXPECT_FALSE(fs::exists(other / "lib"));
}

TEST_F(ScratchFolder, EditWritesTheShortFileOnlyWhenThereIsNone) {
    const auto path = sampleFilePath(folder_);
    EXPECT_TRUE(ensureShortSampleFile(path));
    EXPECT_EQ(fileText(path), shortSampleFileText());
    writeFile(path, "Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n");
    EXPECT_FALSE(ensureShortSampleFile(path));
    EXPECT_EQ(readSampleFile(fileText(path)).names, Words{"Fe"});
    writeFile(path, "");
    EXPECT_TRUE(ensureShortSampleFile(path));
    EXPECT_EQ(fileText(path), shortSampleFileText());
    writeFile(folder_ / "blocked", "x");
    EXPECT_EQ(errorOf([&] { ensureShortSampleFile(folder_ / "blocked" / "lib" / "cellmenu.txt"); }).number(),
              Error::PathAccess);
}

// A user's sample file is read, never replaced: not when it is too large to
// read, not when it is a FIFO (which would block the start for ever), and the
// copy for the program folder does not overwrite a file there.
TEST_F(ScratchFolder, StoredSampleFilesAreNeverRewritten) {
    const fs::path user = folder_ / "user", program = folder_ / "program";
    const std::string own = "Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n";
    writeFile(program / "lib" / "cellmenu.txt", own);
    fs::create_directories(user / "lib");
    EXPECT_EQ(loadSamples(user, program).names, builtInSamples().names);
    EXPECT_EQ(fileText(program / "lib" / "cellmenu.txt"), own);

    const fs::path huge = user / "lib" / "cellmenu.txt";
    fs::resize_file(huge, 100u << 20);
    EXPECT_EQ(loadSamples(user, program).names, builtInSamples().names);
    EXPECT_EQ(fs::file_size(huge), 100u << 20);

    fs::remove(huge);
    ASSERT_EQ(::mkfifo(huge.c_str(), 0600), 0);
    EXPECT_EQ(loadSamples(user, program).names, builtInSamples().names);
    EXPECT_TRUE(fs::is_fifo(huge));
    EXPECT_EQ(errorOf([&] { ensureShortSampleFile(huge); }).number(), Error::PathAccess);
}

// Inputs that once broke the reader, with the entries each must give: how
// many, and the names of the first ones.
TEST(SampleRegressions, EveryStoredInputGivesItsEntries) {
    struct Outcome {
        std::size_t count;
        Words firstNames;
    };
    const std::map<std::string, Outcome> expected{
        // Tabs are no separators in the names' lines, control bytes are kept.
        {"mixed-lines-and-control-bytes.txt", {229, {"S0", "S2", "S3", std::string("\0\x01", 2), "S7"}}},
    };
    std::size_t files = 0;
    for (const auto& entry :
         fs::directory_iterator(fs::path(LUMORA_STRUCTURE_TEST_DIR) / "regressions" / "samples")) {
        ++files;
        const std::string name = entry.path().filename().string();
        const auto it = expected.find(name);
        if (it == expected.end()) {
            ADD_FAILURE() << name << " has no expected entries";
            continue;
        }
        const auto list = readSampleFile(fileText(entry.path()));
        EXPECT_EQ(list.size(), it->second.count) << name;
        const Words& first = it->second.firstNames;
        ASSERT_GE(list.size(), first.size()) << name;
        EXPECT_EQ(Words(list.names.begin(), list.names.begin() + static_cast<long>(first.size())), first)
            << name;
        for (std::size_t i = 0; i < list.size(); ++i)
            EXPECT_EQ(list.menuCaption(i), std::to_string(i + 1) + ". \t" + list.names[i]);
    }
    EXPECT_EQ(files, expected.size()) << "stored inputs are missing";
}

}  // namespace
