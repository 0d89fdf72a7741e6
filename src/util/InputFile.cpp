#include "util/InputFile.h"

#include <fstream>

#include "util/Error.h"

namespace lumora::util {

namespace {

[[noreturn]] void tooLarge(std::uintmax_t bytes) {
    // Rounded up, so that a file just over the limit does not read "64 MB".
    const std::uintmax_t megabytes = (bytes + (1u << 20) - 1) >> 20;
    throw Error(Error::PathAccess,
                "Path/File access error: the file is too large (" + std::to_string(megabytes) + " MB)");
}

}  // namespace

void checkInputFile(const std::filesystem::path& path, std::uintmax_t largest) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (path.empty() || !fs::exists(status)) throw Error(Error::FileNotFound, "File not found");
    if (!fs::is_regular_file(status))
        throw Error(Error::PathAccess, "Path/File access error: not a regular file");
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) throw Error(Error::PathAccess, "Path/File access error");
    if (size > largest) tooLarge(size);
}

std::string readInputFile(const std::filesystem::path& path, std::uintmax_t largest) {
    checkInputFile(path, largest);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(Error::PathAccess, "Path/File access error");
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > largest) tooLarge(text.size());
    }
    if (in.bad()) throw Error(Error::PathAccess, "Path/File access error");
    return text;
}

}  // namespace lumora::util
