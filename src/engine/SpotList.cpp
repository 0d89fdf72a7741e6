// Spot lists: the text peak-search programs write, one spot per line.
#include "engine/SpotList.h"

#include <cmath>
#include <filesystem>

#include "util/Error.h"
#include "util/InputFile.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::engine {

namespace {

// The words of a line; blanks, tabs and commas all separate.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> found;
    std::size_t i = 0;
    const auto isSeparator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; };
    while (i < line.size()) {
        while (i < line.size() && isSeparator(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !isSeparator(line[i])) ++i;
        if (i > start) found.push_back(line.substr(start, i - start));
    }
    return found;
}

}  // namespace

std::vector<ListedSpot> parseSpotList(std::string_view text, const std::string& fileName) {
    const std::string quoted = fileName.empty() ? std::string() : " of \"" + fileName + "\"";
    if (util::startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);  // editors on Windows add it

    std::vector<ListedSpot> spots;
    bool firstContentLine = true;
    int lineNumber = 0;
    for (const std::string_view line : util::splitLines(text)) {
        ++lineNumber;
        const std::vector<std::string_view> found = words(line);
        if (found.empty() || found.front().front() == '#') continue;
        // Messages are appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "..." + string.
        const auto refuse = [&](const std::string& what) {
            std::string message = "line ";
            message.append(std::to_string(lineNumber)).append(quoted).append(": ").append(what);
            throw Error(Error::TypeMismatch, message);
        };
        std::vector<double> numbers(found.size());
        bool allNumbers = true;
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (util::parseStrictNumber(found[i], numbers[i])) continue;
            // A first line of column names ("2theta chi x y I") is a header, not a bad spot.
            if (i == 0 && firstContentLine) {
                allNumbers = false;
                break;
            }
            std::string what(1, '"');
            refuse(what.append(found[i]).append("\" is not a finite number"));
        }
        const bool header = firstContentLine && !allNumbers;
        firstContentLine = false;
        if (header) continue;
        if (numbers.size() < 2)
            refuse("a spot needs two numbers (x y, or 2theta chi) and may add an intensity");

        ListedSpot spot;
        spot.a = numbers[0];
        spot.b = numbers[1];
        // LaueTools' .cor lists read 2theta chi x y I: the intensity is then the fifth number.
        if (numbers.size() >= 5)
            spot.intensity = numbers[4];
        else if (numbers.size() >= 3)
            spot.intensity = numbers[2];
        spot.line = lineNumber;
        spots.push_back(spot);
    }
    if (spots.empty())
        throw Error(Error::TypeMismatch,
                    (fileName.empty() ? std::string("the text") : "\"" + fileName + "\"") + " holds no spot");
    return spots;
}

std::vector<ListedSpot> readSpotList(const std::string& path) {
    const std::string text = util::readInputFile(path);
    return parseSpotList(text, std::filesystem::path(path).filename().string());
}

}  // namespace lumora::engine
