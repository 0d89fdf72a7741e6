#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "structure/CelReader.h"
#include "structure/CifReader.h"
#include "structure/CsfReader.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"

namespace lumora::structure {
namespace {

namespace fs = std::filesystem;

// The shipped examples as the program finds them next to the build.
std::string dataFile(const std::string& name) { return (fs::path(LUMORA_TEST_DATA_DIR) / name).string(); }

std::vector<CellAtom> expanded(const StructureFile& f) {
    return expandAtoms(f.atoms,
                       symmetry::interpretHall(symmetry::spaceGroupTable()[f.spaceGroupRow].hall).ops);
}

int countOf(const std::vector<CellAtom>& cell, int z) {
    return static_cast<int>(
        std::count_if(cell.begin(), cell.end(), [z](const CellAtom& a) { return a.atomicNumber == z; }));
}

TEST(ExampleFiles, SiliconCel) {
    const StructureFile f = readCel(dataFile("Si.cel"));
    EXPECT_EQ(f.title, "Silicon, diamond structure (Wyckoff, Crystal Structures)");
    EXPECT_EQ(f.spaceGroupNumber, 227);
    EXPECT_FLOAT_EQ(f.cell[0], 5.4307f);
    EXPECT_EQ(countOf(expanded(f), 14), 8);
}

TEST(ExampleFiles, QuartzCsf) {
    const StructureFile f = readCsf(dataFile("quartz.csf"));
    EXPECT_EQ(f.title, "Quartz");
    EXPECT_EQ(f.formula, "SiO2");
    EXPECT_EQ(f.spaceGroupNumber, 154);
    EXPECT_FLOAT_EQ(*f.recordedGamma, 120.0f);
    EXPECT_NE(f.headerText.find("NOTE: "), std::string::npos);
    const auto cell = expanded(f);
    EXPECT_EQ(countOf(cell, 14), 3);
    EXPECT_EQ(countOf(cell, 8), 6);
}

TEST(ExampleFiles, RockSaltCif) {
    const StructureFile f = readCif(dataFile("NaCl.cif"));
    EXPECT_EQ(f.title, "Halite");
    EXPECT_EQ(f.formula, "Cl Na");
    EXPECT_EQ(f.spaceGroupNumber, 225);
    const auto cell = expanded(f);
    EXPECT_EQ(countOf(cell, 11), 4);
    EXPECT_EQ(countOf(cell, 17), 4);
}

TEST(ExampleFiles, CorundumCif) {
    const StructureFile f = readCif(dataFile("corundum.cif"));
    EXPECT_EQ(f.title, "Corundum");
    EXPECT_EQ(f.spaceGroupNumber, 167);
    EXPECT_STREQ(symmetry::spaceGroupTable()[f.spaceGroupRow].extension, "H");
    const auto cell = expanded(f);
    EXPECT_EQ(countOf(cell, 13), 12);
    EXPECT_EQ(countOf(cell, 8), 18);
}

TEST(ReadTextFile, MissingFilesAndFolders) {
    for (const auto& read :
         {std::function<void(const std::string&)>([](const std::string& p) { readCel(p); }),
          std::function<void(const std::string&)>([](const std::string& p) { readCsf(p); }),
          std::function<void(const std::string&)>([](const std::string& p) { readCif(p); })}) {
        try {
            read("/nonexistent/folder/file.cel");
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "Error 53: File not found");
        }
        try {
            read(fs::temp_directory_path().string());
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), Error::PathAccess);
        }
    }
}

// A parse either succeeds or refuses with lumora::Error; nothing else escapes.
using Parser = StructureFile (*)(std::string_view, std::string_view);

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

std::string fileText(const std::string& path) { return readTextFile(path); }

TEST(ExampleFiles, EveryTruncationParsesOrIsRefused) {
    const std::pair<const char*, Parser> examples[] = {
        {"Si.cel", parseCel}, {"quartz.csf", parseCsf}, {"NaCl.cif", parseCif}, {"corundum.cif", parseCif}};
    for (const auto& [name, parse] : examples) {
        const std::string text = fileText(dataFile(name));
        for (std::size_t n = 0; n <= text.size(); ++n) expectCleanOutcome(parse, text.substr(0, n), name);
    }
}

TEST(Regressions, EveryKeptInputParsesOrIsRefused) {
    const std::pair<const char*, Parser> readers[] = {
        {"cel", parseCel}, {"csf", parseCsf}, {"cif", parseCif}};
    int files = 0;
    for (const auto& [folder, parse] : readers) {
        const fs::path dir = fs::path(LUMORA_STRUCTURE_TEST_DIR) / "regressions" / folder;
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            expectCleanOutcome(parse, fileText(entry.path().string()), entry.path().string());
            ++files;
        }
    }
    RecordProperty("files", files);
    EXPECT_GT(files, 0) << "no kept inputs under " << LUMORA_STRUCTURE_TEST_DIR;
}

}  // namespace
}  // namespace lumora::structure
