#include "structure/StructureFile.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "structure/CellLattice.h"
#include "structure/Elements.h"
#include "structure/ReaderSupport.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/InputFile.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

// A field as it may be quoted in a message: short and printable.
std::string shown(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 24)) out.push_back(static_cast<unsigned char>(c) < 32 ? '?' : c);
    if (text.size() > 24) out += "...";
    return out;
}

float toSingle(double value, const std::string& what) {
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX)
        throw Error(Error::Overflow, "Overflow: " + what + " is too large");
    return static_cast<float>(value);
}

double readNumber(std::string_view text, const std::string& what) {
    if (!detail::startsWithNumber(text))
        throw Error(Error::TypeMismatch, what + " '" + shown(util::trim(text)) + "' is not a number");
    try {
        return detail::readValue(text);
    } catch (const Error&) {
        throw Error(Error::Overflow, "Overflow: " + what + " is too large");
    }
}

}  // namespace

StructureHeader headerOf(const StructureFile& file) {
    StructureHeader header;
    header.title = file.title;
    header.formula = file.formula;
    header.spaceGroupSymbol = file.spaceGroupSymbol;
    header.spaceGroupNumber = file.spaceGroupNumber;
    header.sourcePath = file.sourcePath;
    header.headerText = file.headerText;
    header.cellVolume = file.cellVolume;
    return header;
}

std::string nextToken(std::string& text) {
    const std::string whole = util::trim(text);
    const auto blank = whole.find(' ');
    if (blank == std::string::npos) return whole;
    text = util::trimLeft(std::string_view(whole).substr(blank + 1));
    return whole.substr(0, blank);
}

float parseFraction(std::string_view text) {
    const auto slash = text.find('/');
    double value = 0.0;
    if (slash == std::string_view::npos) {
        value = detail::readValue(text);
    } else {
        const double denominator = detail::readValue(text.substr(slash + 1));
        if (denominator == 0.0) throw Error(Error::DivisionByZero, "Division by zero");
        value = detail::readValue(text.substr(0, slash)) / denominator;
    }
    if (std::fabs(value) > FLT_MAX) throw Error(Error::Overflow, "Overflow");
    return static_cast<float>(value);
}

std::string readTextFile(const std::string& path) { return util::readInputFile(path); }

namespace detail {

namespace {

std::string clampedExponent(std::string_view text) {
    std::string s;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    const auto isDigit = [&](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    std::size_t digits = 0;
    while (isDigit(i)) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (isDigit(i)) ++i, ++digits;
    }
    if (digits == 0 || i >= s.size() || std::string_view("eEdD").find(s[i]) == std::string_view::npos)
        return s;
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    while (j < s.size() && s[j] == '0') ++j;
    std::size_t end = j;
    while (isDigit(end)) ++end;
    if (end - j > 4) s.replace(j, end - j, "9999");
    return s;
}

}  // namespace

double readValue(std::string_view text) { return util::val(clampedExponent(text)); }

bool readStrictValue(std::string_view text, double& out) {
    return util::parseStrictNumber(clampedExponent(text), out);
}

std::string_view withoutByteOrderMark(std::string_view text) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    return text.substr(0, 3) == bom ? text.substr(3) : text;
}

bool isNotAnAtom(std::string_view label) {
    const std::string folded = util::toLower(util::trim(label));
    if (folded == "max" || folded == "min" || folded == "peak" || folded == "hole") return true;
    return !folded.empty() && folded[0] == 'q' &&
           folded.find_first_not_of("0123456789", 1) == std::string::npos;
}

void checkText(std::string_view text) {
    if (text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos)
        throw Error(Error::InputPastEnd, "Input past end of file");
    // Text files carry no NUL bytes and few control characters.
    std::size_t control = 0;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0) throw Error(Error::TypeMismatch, "The file is not a text file");
        if (u < 32 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v' && u != 26) ++control;
    }
    if (control * 20 > text.size()) throw Error(Error::TypeMismatch, "The file is not a text file");
}

bool startsWithNumber(std::string_view text) {
    std::string s;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    auto digit = [&](std::size_t i, int radix) {
        if (i >= s.size()) return false;
        const char c = s[i];
        if (radix == 8) return c >= '0' && c <= '7';
        if (radix == 16) return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        return c >= '0' && c <= '9';
    };
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'h' || s[1] == 'H') return digit(2, 16);
        if (s[1] == 'o' || s[1] == 'O') return digit(2, 8);
    }
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (digit(i, 10)) return true;
    return i < s.size() && s[i] == '.' && digit(i + 1, 10);
}

float numberField(std::string_view text, const std::string& what) {
    return toSingle(readNumber(text, what), what);
}

float coordinateField(std::string_view text, const std::string& what) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) return numberField(text, what);
    readNumber(text.substr(0, slash), what);
    readNumber(text.substr(slash + 1), what);
    try {
        return parseFraction(text);
    } catch (const Error& e) {
        if (e.number() == Error::DivisionByZero)
            throw Error(Error::DivisionByZero, "Division by zero: " + what + " '" + shown(text) + "'");
        throw Error(Error::Overflow, "Overflow: " + what + " is too large");
    }
}

float occupancyField(std::string_view text, const std::string& what) {
    if (util::trim(text).empty()) return 1.0f;
    const float occupancy = numberField(text, what);
    // Beyond full occupancy by a wide margin it is no occupancy at all.
    if (!(occupancy >= 0.0f && occupancy <= 100.0f))
        throw Error(Error::InvalidCall, what + " " + util::singleText(occupancy) + " lies outside 0 to 100");
    return occupancy;
}

std::string lineName(std::size_t index) { return "Line " + std::to_string(index + 1); }

std::string baseName(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

int rowOfNumber(int number, const CellConstants& cell, int originChoice) {
    std::string symbol = util::toUpper(symmetry::spaceGroupSymbol(number));
    const int row = symmetry::findHallEntry(symbol, symmetry::prefersRhombohedralAxes(cell, cell[5]));
    if (originChoice == 1 || originChoice == 2) {
        const auto& table = symmetry::spaceGroupTable();
        const char wanted = static_cast<char>('0' + originChoice);
        for (int r = 0; r < symmetry::kSpaceGroupRows; ++r)
            if (util::val(table[r].number) == number && table[r].extension[0] == wanted) return r;
    }
    return row;
}

void checkSpaceGroupNumber(double number) {
    if (!(number >= 1 && number <= 230))
        throw Error(Error::InvalidCall, "The space-group number " +
                                            util::singleText(static_cast<float>(number)) +
                                            " lies outside 1 to 230");
}

void finish(StructureFile& file) {
    validateCell(file.cell);
    if (file.spaceGroupNumber == 0) throw Error(Error::TypeMismatch, "The file names no space group");
    std::string leftOut;
    for (std::size_t i = 0; i < file.sitesLeftOut.size(); ++i) {
        // A long list is cut: the count says how many there are.
        if (i == 20) {
            leftOut += ", ...";
            break;
        }
        leftOut += (i == 0 ? "" : ", ") + shown(file.sitesLeftOut[i]);
    }
    if (file.atoms.empty() && !file.sitesLeftOut.empty())
        throw Error(Error::TypeMismatch, "The file holds no atom of a known element: " + leftOut);
    if (file.atoms.empty()) throw Error(Error::TypeMismatch, "The file holds no atoms");
    if (const std::size_t n = file.sitesLeftOut.size(); n > 0)
        file.notes.push_back(n == 1 ? "1 site without a known element was left out: " + leftOut
                                    : std::to_string(n) +
                                          " sites without a known element were left out: " + leftOut);
    for (const Atom& atom : file.atoms)
        if (atom.atomicNumber < 1 || atom.atomicNumber > kLastScatterer)
            throw Error(Error::InvalidCall, "Atom " + shown(atom.label) + " has the atomic number " +
                                                std::to_string(atom.atomicNumber) +
                                                ", which the scattering tables do not hold (1 to " +
                                                std::to_string(kLastScatterer) + ")");
    if (file.atoms.size() > kMostAtoms)
        throw Error(Error::Overflow,
                    "Overflow: the file holds more than " + std::to_string(kMostAtoms) + " atoms");
    file.cellVolume = cellVolume(file.cell);
    if (!(file.cellVolume > 0.0f && std::isfinite(file.cellVolume)))
        throw Error(Error::InvalidCall, "The unit cell has no volume");
}

void checkCellFitsGroup(const StructureFile& file) {
    const std::string misfit = cellLatticeMisfit(file.cell, file.spaceGroupRow);
    if (!misfit.empty()) throw Error(Error::InvalidCall, misfit);
}

}  // namespace detail

}  // namespace lumora::structure
