#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace lumora::cli {

// Exit status of a subcommand that was given bad arguments.
constexpr int kUsageError = 2;

// True when the arguments name a headless subcommand (or ask for help), so the
// program runs without windows.
bool isHeadless(const std::vector<std::string>& args);

// Runs a headless subcommand; args[0] is the program name. Output goes to
// `out` only when the command succeeded; messages go to `err`.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumora::cli
