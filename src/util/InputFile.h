#pragma once

// The checks every file the program reads whole goes through first: structure
// files, reflection files, the sample file and photographs.

#include <cstdint>
#include <filesystem>
#include <string>

namespace lumora::util {

// No input of the program comes near this size; reading more would only hurt.
inline constexpr std::uintmax_t kLargestInputFile = 64u << 20;

// Refuses, before a byte is read, what cannot be an input file: Error 53
// "File not found" when nothing is at the path, Error 75 when it is not a
// regular file (a folder, a FIFO, /dev/zero: reading those grows without end or
// blocks for ever) or holds more than `largest` bytes ("... is too large (N MB)").
void checkInputFile(const std::filesystem::path& path, std::uintmax_t largest = kLargestInputFile);

// checkInputFile, then the whole content. A file that grows past `largest`
// while it is read is refused too.
std::string readInputFile(const std::filesystem::path& path, std::uintmax_t largest = kLargestInputFile);

}  // namespace lumora::util
