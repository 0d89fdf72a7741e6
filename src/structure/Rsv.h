#pragma once

// Reflection data files (.rsv): a list of h k l with an amplitude and, optionally,
// the d-spacing, which replaces the reflections a document would generate.
//
//   line 1, 2   anything
//   line 3      six characters of label, then a b c alpha beta gamma
//   line 4      six characters of label, then the title
//   line 5 ..   h k l F [d], separated by blanks
//   terminator  a line containing "0 0 0 0 0"; with "FF" on it (any case) the
//               F column holds squared amplitudes

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::structure {

// a, b, c in Å and alpha, beta, gamma in degrees.
using CellConstants = std::array<float, 6>;

// The d-spacing of h k l in Å.
using SpacingFunction = std::function<float(int h, int k, int l)>;

// Builds the spacing function of a cell. The engine passes its own metric, so
// that reflections without a d column get exactly the spacings it would compute;
// it may throw lumora::Error for a cell it cannot use, which refuses the file.
using MetricFactory = std::function<SpacingFunction(const CellConstants& cell)>;

// A reflection file as read. The five lists run in parallel, in file order.
struct ReflectionFile {
    CellConstants cell{};
    // The six cell words as written, for the document's cell fields.
    std::array<std::string, 6> cellTexts;
    std::string title;
    // The terminator carried "FF": F was read as F squared and stored as its root.
    bool squaredAmplitudes = false;

    std::vector<int16_t> h, k, l;
    std::vector<float> d;
    std::vector<float> f;

    // The smallest positive d (999 when there is none), the largest d and F.
    float dMin = 999.0f;
    float dMax = 0.0f;
    float fMax = 0.0f;

    std::size_t size() const { return h.size(); }
};

// Reads a reflection file from its text; lines may end in CR LF, LF or CR.
// metricOf is called once with the cell of line 3, before the reflections. The
// terminator is looked for from line 5 on; empty lines among the reflections
// are passed over.
//
// The read is all or nothing: a file that cannot be a reflection list is refused
// with a lumora::Error naming the line and the fault, never half read:
//   62  fewer than four header lines, or no reflection at all
//   13  a cell line without six numbers, a reflection line with fewer than four words
//   5   a cell edge not above 0, an angle not between 0 and 180 degrees
//   6   an index outside -32768..32767, a value too large for a single
//   11  a d-spacing the cell cannot give (0 0 0 without a d column)
// Errors raised by metricOf keep their number.
ReflectionFile parseRsv(std::string_view text, const MetricFactory& metricOf);

// Reads and parses a file: Error 53 when it does not exist, 75 when it cannot be read.
ReflectionFile readRsvFile(const std::filesystem::path& path, const MetricFactory& metricOf);

}  // namespace lumora::structure
