#include "structure/Rsv.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "structure/Atoms.h"
#include "util/Error.h"
#include "util/InputFile.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

constexpr std::string_view kTerminator = "0 0 0 0 0";
const char* const kCellNames[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
const char* const kColumnNames[5] = {"h", "k", "l", "F", "d"};

// Line numbers in messages are 1-based, as an editor shows them.
[[noreturn]] void refuse(int number, std::string_view head, std::size_t index, const std::string& what) {
    throw Error(number, std::string(head) + ": line " + std::to_string(index + 1) +
                            " of the reflection file " + what);
}

// The header lines carry a six-character label; the value starts at position 7.
std::string_view afterLabel(std::string_view line) {
    return line.size() > 6 ? line.substr(6) : std::string_view{};
}

// True when the leading-number rule finds a number at the start of the word, so
// that text such as "abc" is not silently read as 0.
bool hasLeadingNumber(std::string_view word) {
    std::string s;
    for (char c : word)
        if (c != '\t' && c != '\n') s.push_back(c);
    const auto digitAt = [&s](std::size_t i, int radix) {
        if (i >= s.size()) return false;
        const char c = s[i];
        if (radix == 16) return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        if (radix == 8) return c >= '0' && c <= '7';
        return c >= '0' && c <= '9';
    };
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'h' || s[1] == 'H') return digitAt(2, 16);
        if (s[1] == 'o' || s[1] == 'O') return digitAt(2, 8);
    }
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i < s.size() && s[i] == '.') ++i;
    return digitAt(i, 10);
}

// A word read as a single; values beyond the range of a single are refused.
float single(std::string_view word, std::size_t index, const std::string& what) {
    double value = 0;
    try {
        value = util::val(word);
    } catch (const Error&) {
        refuse(Error::Overflow, "Overflow", index, "has " + what + " too large to read");
    }
    if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
        refuse(Error::Overflow, "Overflow", index, "has " + what + " too large to read");
    return static_cast<float>(value);
}

int16_t millerIndex(std::string_view word, std::size_t index, int column) {
    const std::string name = std::string("the index ") + kColumnNames[column];
    double value = 0;
    try {
        value = util::val(word);
        return util::toInt16(value);
    } catch (const Error&) {
        refuse(Error::Overflow, "Overflow", index,
               "has " + name + " = " + std::string(word) + " outside -32768..32767");
    }
}

void readCell(std::string_view line, ReflectionFile& file) {
    constexpr std::size_t kLine = 2;
    const auto words = util::splitBlanks(afterLabel(line));
    if (words.size() < 6)
        refuse(Error::TypeMismatch, "Type mismatch", kLine,
               "needs the six cell constants a b c alpha beta gamma after its six-character label; it has " +
                   std::to_string(words.size()) + " words");
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string name = kCellNames[i];
        if (!hasLeadingNumber(words[i]))
            refuse(Error::TypeMismatch, "Type mismatch", kLine,
                   "has the cell constant " + name + " = \"" + words[i] + "\", which is not a number");
        const float value = single(words[i], kLine, "the cell constant " + name);
        if (i < 3 && !(value > 0))
            refuse(Error::InvalidCall, "Invalid unit cell", kLine,
                   "has the edge " + name + " = " + words[i] + "; it must be a positive number of Å");
        if (i < 3 && value > kLongestCellEdge)
            refuse(Error::InvalidCall, "Invalid unit cell", kLine,
                   "has the edge " + name + " = " + words[i] + "; it must not be longer than " +
                       std::to_string(static_cast<int>(kLongestCellEdge)) + " Å");
        if (i >= 3 && !(value > 0 && value < 180))
            refuse(Error::InvalidCall, "Invalid unit cell", kLine,
                   "has the angle " + name + " = " + words[i] + "; it must lie between 0 and 180 degrees");
        file.cell[i] = value;
        file.cellTexts[i] = words[i];
    }
}

SpacingFunction metricFor(const MetricFactory& metricOf, const CellConstants& cell) {
    if (!metricOf)
        throw Error(Error::InvalidCall, "Invalid procedure call: no cell metric for the reflection file");
    SpacingFunction spacing;
    try {
        spacing = metricOf(cell);
    } catch (const Error& e) {
        throw Error(e.number(), e.description() + " (line 3 of the reflection file)");
    }
    if (!spacing)
        throw Error(Error::InvalidCall, "Invalid procedure call: no cell metric for the reflection file");
    return spacing;
}

void readReflection(const std::vector<std::string>& words, std::size_t index, const SpacingFunction& spacing,
                    ReflectionFile& file) {
    if (words.size() < 4)
        refuse(Error::TypeMismatch, "Type mismatch", index,
               "needs the four words h k l F (and optionally d) separated by blanks; it has " +
                   std::to_string(words.size()) + " words");
    const int16_t h = millerIndex(words[0], index, 0);
    const int16_t k = millerIndex(words[1], index, 1);
    const int16_t l = millerIndex(words[2], index, 2);

    float d = 0;
    if (words.size() >= 5) {
        // The file's own spacing wins, even where it disagrees with the cell.
        d = single(words[4], index, "the d-spacing");
    } else {
        d = spacing(h, k, l);
        if (!std::isfinite(d))
            refuse(Error::DivisionByZero, "Division by zero", index,
                   "has no d column, and the cell gives no d-spacing for " + std::to_string(h) + " " +
                       std::to_string(k) + " " + std::to_string(l));
    }

    float f = single(words[3], index, "F");
    if (f <= 0) f = 0.001f;
    if (file.squaredAmplitudes && f > 0) f = static_cast<float>(std::sqrt(static_cast<double>(f)));

    if (d > 0 && d < file.dMin) file.dMin = d;
    if (d > file.dMax) file.dMax = d;
    if (f > file.fMax) file.fMax = f;

    file.h.push_back(h);
    file.k.push_back(k);
    file.l.push_back(l);
    file.d.push_back(d);
    file.f.push_back(f);
}

}  // namespace

ReflectionFile parseRsv(std::string_view text, const MetricFactory& metricOf) {
    const auto lines = util::splitLines(text);
    if (lines.size() < 3)
        throw Error(Error::InputPastEnd,
                    "Input past end of file: the reflection file ends before line 3, which holds the cell");
    if (lines.size() < 4)
        throw Error(Error::InputPastEnd,
                    "Input past end of file: the reflection file ends before line 4, which holds the title");

    ReflectionFile file;
    readCell(lines[2], file);
    file.title = util::trim(afterLabel(lines[3]));

    // The list ends before the first line holding the terminator, or at the end of
    // the file; that last line tells whether F was written squared.
    std::size_t end = 4;
    while (end < lines.size() && !util::contains(lines[end], kTerminator)) ++end;
    const std::string_view last = end < lines.size() ? lines[end] : lines.back();
    file.squaredAmplitudes = util::contains(util::toUpper(last), "FF");

    const SpacingFunction spacing = metricFor(metricOf, file.cell);
    for (std::size_t i = 4; i < end; ++i) {
        const auto words = util::splitBlanks(lines[i]);
        // Empty lines carry no reflection; editors like to leave them at the end.
        if (words.empty()) continue;
        readReflection(words, i, spacing, file);
    }
    if (file.size() == 0)
        throw Error(
            Error::InputPastEnd,
            "Input past end of file: the reflection file holds no reflections (they start at line 5)");
    return file;
}

ReflectionFile readRsvFile(const std::filesystem::path& path, const MetricFactory& metricOf) {
    std::string text;
    try {
        text = util::readInputFile(path);
    } catch (const Error& e) {
        throw Error(e.number(), e.description() + " (" + path.string() + ")");
    }
    return parseRsv(text, metricOf);
}

}  // namespace lumora::structure
