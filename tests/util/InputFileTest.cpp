#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "util/Error.h"
#include "util/InputFile.h"

namespace lumora::util {
namespace {

namespace fs = std::filesystem;

class InputFile : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }
    const fs::path folder_ =
        fs::temp_directory_path() / ("lumora-input-" + std::to_string(std::random_device{}()));
};

Error errorOf(const fs::path& path, std::uintmax_t largest = kLargestInputFile) {
    try {
        readInputFile(path, largest);
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << path << " was read";
    return Error(0, "");
}

TEST_F(InputFile, ReadsRegularFilesUpToTheLimitAndRefusesEverythingElse) {
    const fs::path text = folder_ / "cell.txt";
    std::ofstream(text, std::ios::binary) << "CELL 5 5 5\r\n";
    EXPECT_EQ(readInputFile(text), "CELL 5 5 5\r\n");
    EXPECT_EQ(readInputFile(text, 12), "CELL 5 5 5\r\n");
    EXPECT_EQ(errorOf(text, 11).description(), "Path/File access error: the file is too large (1 MB)");

    // A sparse file of 200 MB costs no disk and must be refused unread.
    const fs::path huge = folder_ / "huge.rsv";
    std::ofstream(huge, std::ios::binary).close();
    fs::resize_file(huge, 200u << 20);
    EXPECT_EQ(errorOf(huge).description(), "Path/File access error: the file is too large (200 MB)");

    EXPECT_EQ(errorOf(folder_ / "missing").message(), "Error 53: File not found");
    EXPECT_EQ(errorOf(folder_).number(), Error::PathAccess);
    // Reading these would grow without end or block for ever.
    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(errorOf(fifo).number(), Error::PathAccess);
    if (fs::exists("/dev/zero")) {
        EXPECT_EQ(errorOf("/dev/zero").number(), Error::PathAccess);
    }
}

}  // namespace
}  // namespace lumora::util
