// LaueTools .det calibration files: one line of eight numbers, then free notes.

#include <array>
#include <cmath>
#include <filesystem>
#include <vector>

#include "engine/Detector.h"
#include "util/Error.h"
#include "util/InputFile.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::engine {

namespace {

// A calibration is a few hundred bytes; anything near this is some other file.
constexpr std::uintmax_t kLargestDetFile = 1u << 20;
constexpr std::size_t kCount = 8;
constexpr const char* kNames = "dd, xcen, ycen, xbet, xgam, pixelsize, dim1, dim2";
constexpr double kMostPixels = 1000000;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// LaueTools writes ", " between the numbers; commas and blanks both separate, and runs of them count
// as one, so that a trailing comma or a line typed with blanks only reads the same.
std::vector<std::string_view> words(std::string_view line) {
    line = trimmed(line);
    if (!line.empty() && line.front() == '[') line.remove_prefix(1);
    line = trimmed(line);
    if (!line.empty() && line.back() == ']') line.remove_suffix(1);
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ',' || isBlank(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ',' && !isBlank(line[i])) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

}  // namespace

DetFile parseDetFile(std::string_view text, const std::string& fileName) {
    const std::string quoted = fileName.empty() ? std::string() : "\"" + fileName + "\"";
    const std::string where = fileName.empty() ? "line 1" : "line 1 of " + quoted;
    const auto refuse = [&where](const std::string& what) {
        throw Error(Error::InvalidCall, where + ": " + what);
    };
    if (util::startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);  // editors on Windows add it
    if (trimmed(text).empty())
        throw Error(Error::InvalidCall, (quoted.empty() ? "" : quoted + ": ") + "the file is empty");

    const std::vector<std::string_view> found = words(util::splitLines(text).front());
    if (found.size() != kCount)
        refuse("expected 8 numbers (" + std::string(kNames) + "), found " + std::to_string(found.size()));
    std::array<double, kCount> value{};
    for (std::size_t i = 0; i < kCount; ++i)
        if (!util::parseStrictNumber(found[i], value[i]))
            refuse("\"" + std::string(found[i]) + "\" is not a number");

    const auto shown = [&found](std::size_t i, const char* name) {
        return std::string(name) + " = " + std::string(found[i]);
    };
    // Beyond these no camera exists, and the geometry would overflow.
    if (!(value[0] > 0 && value[0] <= 1e5))
        refuse(shown(0, "dd") + " must be a distance from 0 to 100000 mm");
    if (!(value[5] > 0 && value[5] <= 100))
        refuse(shown(5, "pixelsize") + " must be a size from 0 to 100 mm");
    for (std::size_t i : {std::size_t{1}, std::size_t{2}})
        if (!(std::fabs(value[i]) <= 1e7))
            refuse(shown(i, i == 1 ? "xcen" : "ycen") + " must lie within 10000000 pixels of the frame");
    for (std::size_t i : {std::size_t{3}, std::size_t{4}})
        if (!(std::fabs(value[i]) <= 360))
            refuse(shown(i, i == 3 ? "xbet" : "xgam") + " must be an angle from -360 to 360 degrees");
    for (std::size_t i : {std::size_t{6}, std::size_t{7}})
        if (!(value[i] >= 1 && value[i] <= kMostPixels && value[i] == std::floor(value[i])))
            refuse(shown(i, i == 6 ? "dim1" : "dim2") +
                   " must be a whole number of pixels from 1 to 1000000");

    DetFile file;
    DetCalibration& c = file.calibration;
    c.dd = value[0];
    c.xcen = value[1];
    c.ycen = value[2];
    c.xbet = value[3];
    c.xgam = value[4];
    c.pixelSize = value[5];
    c.dim1 = static_cast<int>(value[6]);
    c.dim2 = static_cast<int>(value[7]);
    file.detector = calibratedCamera(c);
    return file;
}

DetFile readDetFile(const std::string& path) {
    const std::string text = util::readInputFile(path, kLargestDetFile);
    return parseDetFile(text, std::filesystem::path(path).filename().string());
}

}  // namespace lumora::engine
