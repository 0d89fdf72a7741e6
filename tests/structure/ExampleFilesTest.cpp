#include <gtest/gtest.h>

#include <string>

#include "StructureTestSupport.h"
#include "structure/CelReader.h"
#include "structure/CifReader.h"
#include "structure/CsfReader.h"

namespace lumora::structure {
namespace {

using namespace structuretest;
using Parser = StructureFile (*)(std::string_view, std::string_view);

// The shipped examples as the program finds them next to the build.
std::string dataFile(const std::string& name) { return (fs::path(LUMORA_TEST_DATA_DIR) / name).string(); }

TEST(ExampleFiles, EachReaderGivesTheShippedCell) {
    struct Example {
        const char* name;
        StructureFile (*read)(const std::string&);
        const char* title;
        int number, z1, count1, z2, count2;
    };
    const Example examples[] = {
        {"Si.cel", readCel, "Silicon, diamond structure (Wyckoff, Crystal Structures)", 227, 14, 8, 8, 0},
        {"quartz.csf", readCsf, "Quartz", 154, 14, 3, 8, 6},
        {"NaCl.cif", readCif, "Halite", 225, 11, 4, 17, 4},
        {"corundum.cif", readCif, "Corundum", 167, 13, 12, 8, 18}};
    for (const Example& e : examples) {
        SCOPED_TRACE(e.name);
        const StructureFile f = e.read(dataFile(e.name));
        EXPECT_EQ(f.title, e.title);
        EXPECT_EQ(f.spaceGroupNumber, e.number);
        const auto cell = expandInRow(f.atoms, f.spaceGroupRow);
        EXPECT_EQ(countOf(cell, e.z1), e.count1);
        EXPECT_EQ(countOf(cell, e.z2), e.count2);
    }
    EXPECT_NE(readCsf(dataFile("quartz.csf")).headerText.find("NOTE: "), std::string::npos);
}

TEST(ExampleFiles, MissingFilesAndFoldersAreRefused) {
    for (auto read : {readCel, readCsf, readCif}) {
        EXPECT_EQ(errorOf([&] { read("/nonexistent/folder/file.cel"); }).message(),
                  "Error 53: File not found");
        EXPECT_EQ(errorOf([&] { read(fs::temp_directory_path().string()); }).number(), Error::PathAccess);
    }
}

// A parse either succeeds with atoms and a group or refuses with a described
// lumora::Error; nothing else escapes.
void expectCleanOutcome(Parser parse, const std::string& text, const std::string& name) {
    try {
        const StructureFile f = parse(text, name);
        EXPECT_FALSE(f.atoms.empty()) << name;
        EXPECT_TRUE(f.spaceGroupNumber >= 1 && f.spaceGroupNumber <= 230) << name;
    } catch (const Error& e) {
        EXPECT_FALSE(e.description().empty()) << name;
    } catch (const std::exception& e) {
        ADD_FAILURE() << name << ": " << e.what();
    }
}

TEST(ExampleFiles, EveryTruncationParsesOrIsRefused) {
    const std::pair<const char*, Parser> examples[] = {
        {"Si.cel", parseCel}, {"quartz.csf", parseCsf}, {"NaCl.cif", parseCif}, {"corundum.cif", parseCif}};
    for (const auto& [name, parse] : examples) {
        const std::string text = fileText(dataFile(name));
        for (std::size_t n = 0; n <= text.size(); ++n) expectCleanOutcome(parse, text.substr(0, n), name);
    }
}

// Inputs kept from fuzzing.
TEST(Regressions, EveryKeptInputParsesOrIsRefused) {
    const std::pair<const char*, Parser> readers[] = {
        {"cel", parseCel}, {"csf", parseCsf}, {"cif", parseCif}};
    int files = 0;
    for (const auto& [folder, parse] : readers) {
        const fs::path dir = fs::path(LUMORA_STRUCTURE_TEST_DIR) / "regressions" / folder;
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            expectCleanOutcome(parse, fileText(entry.path()), entry.path().string());
            ++files;
        }
    }
    EXPECT_GT(files, 0) << "no kept inputs under " << LUMORA_STRUCTURE_TEST_DIR;
}

}  // namespace
}  // namespace lumora::structure
