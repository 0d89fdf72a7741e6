#pragma once

// Helpers shared by the structure tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "structure/Atoms.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"

namespace structuretest {

namespace fs = std::filesystem;
using lumora::Error;
using lumora::structure::CellAtom;

// The error an action raises; fails the test when it succeeds.
template <class Action>
Error errorOf(Action&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return Error(0, "");
}

inline std::string fileText(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

inline void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The lines of a text in which every line ends with CR LF.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos;
         start = end + 2, end = text.find("\r\n", start))
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the text does not end with CR LF";
    return lines;
}

// The table row of a group number and extension ("227", "1").
inline int rowOf(const std::string& number, const std::string& extension = "") {
    const auto& table = lumora::symmetry::spaceGroupTable();
    for (int r = 0; r < lumora::symmetry::kSpaceGroupRows; ++r)
        if (number == table[r].number && extension == table[r].extension) return r;
    ADD_FAILURE() << number << ":" << extension;
    return 0;
}

inline std::vector<CellAtom> expandInRow(const std::vector<lumora::structure::Atom>& atoms, int row) {
    return expandAtoms(atoms,
                       lumora::symmetry::interpretHall(lumora::symmetry::spaceGroupTable()[row].hall).ops);
}

inline int countOf(const std::vector<CellAtom>& cell, int z) {
    return static_cast<int>(
        std::count_if(cell.begin(), cell.end(), [z](const auto& a) { return a.atomicNumber == z; }));
}

// A fresh folder under the temporary directory, removed afterwards.
class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }
    const fs::path folder_ =
        fs::temp_directory_path() / ("lumora-structure-" + std::to_string(std::random_device{}()));
};

}  // namespace structuretest
