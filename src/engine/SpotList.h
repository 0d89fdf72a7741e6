#pragma once

// Lists of spots found on an exposure, as peak-search programs write them: one spot per line, two
// coordinates (detector pixels x y, or the scattering angles 2theta chi) and an intensity.

#include <string>
#include <string_view>
#include <vector>

namespace lumora::engine {

struct ListedSpot {
    double a = 0, b = 0;     // the first two numbers: x y (pixels) or 2theta chi (degrees)
    double intensity = 0;    // 0 when the line gives none
    int line = 0;            // the line of the text it came from, 1-based
};

// Reads such a text. Blank lines, lines starting with "#" and a first line of column names (a line
// whose first word is not a number) are skipped; numbers are separated by blanks, tabs or commas.
// Each spot line needs at least two numbers; the intensity is the third number, or for lines of
// five or more numbers (2theta chi x y I, LaueTools' .cor) the fifth. Error 13 names the line (and
// the file when given) of a line that is not a spot, of a number that is not finite, or when the
// text holds no spot at all.
std::vector<ListedSpot> parseSpotList(std::string_view text, const std::string& fileName = {});
// util::checkInputFile, then parseSpotList with the file's name.
std::vector<ListedSpot> readSpotList(const std::string& path);

}  // namespace lumora::engine
