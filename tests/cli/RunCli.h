#pragma once

#include <charconv>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "util/TextSplit.h"

namespace lumora::test {

struct Result {
    int status;
    std::string out, err;
};

// Runs `lumora ARGS...` in process.
inline Result run(std::vector<std::string> args) {
    args.insert(args.begin(), "lumora");
    std::ostringstream out, err;
    const int status = lumora::cli::run(args, out, err);
    return {status, out.str(), err.str()};
}

// A number as the program writes it, whatever the C library's locale says
// (the application object sets it from the environment).
inline double number(const std::string& text) {
    double value = std::nan("");
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

inline std::vector<std::string> lines(const std::string& text) { return lumora::util::splitBy(text, "\n"); }

}  // namespace lumora::test
