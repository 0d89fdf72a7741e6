#include "structure/CsfReader.h"

#include <algorithm>

#include "structure/Elements.h"
#include "structure/ReaderSupport.h"
#include "symmetry/SpaceGroupTable.h"
#include "symmetry/SymbolResolution.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

using detail::lineName;

// Characters first..last (1-based, inclusive) of a line, trimmed; shorter
// lines give what they have.
std::string columns(std::string_view line, std::size_t first, std::size_t last) {
    if (line.size() < first) return {};
    return util::trim(line.substr(first - 1, last - first + 1));
}

std::string afterTag(std::string_view line) {
    return util::trim(line.substr(std::min<std::size_t>(5, line.size())));
}

// "SGRP: F d -3 m (227)"; the closing parenthesis may be missing.
void spaceGroupLine(std::string_view line, std::size_t index, StructureFile& file) {
    const auto open = line.find('(');
    if (open == std::string_view::npos)
        throw Error(Error::TypeMismatch,
                    lineName(index) + ": the SGRP: line gives no space-group number in parentheses");
    file.spaceGroupSymbol = util::trim(line.substr(5, open - 5));
    std::string_view inside = line.substr(open + 1);
    inside = inside.substr(0, inside.find(')'));
    const float number = detail::numberField(inside, lineName(index) + ", space-group number");
    detail::checkSpaceGroupNumber(util::nearest(number));
    file.spaceGroupNumber = static_cast<int>(util::nearest(number));
}

// "CELL: 5.4310(2)x5.4310(2)x5.4310(2) <90.0x90.0x90.0>": six numbers, each
// possibly followed by its uncertainty in parentheses, which is skipped.
void cellLine(std::string_view line, std::size_t index, StructureFile& file) {
    std::string rest = afterTag(line);
    for (const char* separator : {"x", "<", ">"}) rest = util::replaceAll(rest, separator, " ");
    rest = util::trim(util::replaceAll(rest, "(", " ("));
    // nextToken leaves the text alone once one word is left, so running out of
    // words is noticed here rather than repeating the last one.
    bool exhausted = rest.empty();
    auto take = [&] {
        if (exhausted)
            throw Error(Error::TypeMismatch,
                        lineName(index) + ": the CELL: line holds fewer than six numbers");
        if (util::trim(rest).find(' ') == std::string::npos) exhausted = true;
        return nextToken(rest);
    };
    static const char* const names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    for (std::size_t i = 0; i < 6; ++i) {
        std::string word = take();
        if (util::contains(word, "(")) word = take();
        file.cell[i] = detail::numberField(word, lineName(index) + ", cell constant " + names[i]);
    }
}

Atom atomLine(std::string_view line, std::size_t index) {
    const std::string where = lineName(index) + ", ";
    Atom atom;
    atom.label = columns(line, 7, 10);
    atom.element = columns(line, 12, 15);
    // The element column says what the atom is; the label only when it is blank.
    if (atom.element.empty()) atom.element = atom.label;
    atom.atomicNumber = elementNumber(atom.element);
    atom.occupancy = detail::occupancyField(columns(line, 21, 25), where + "occupancy");
    atom.x = detail::coordinateField(columns(line, 29, 36), where + "x coordinate");
    atom.y = detail::coordinateField(columns(line, 37, 44), where + "y coordinate");
    atom.z = detail::coordinateField(columns(line, 45, 52), where + "z coordinate");
    return atom;
}

}  // namespace

StructureFile parseCsf(std::string_view text, std::string_view path) {
    detail::checkText(text);
    const std::vector<std::string_view> lines = util::splitLines(text);

    StructureFile file;
    file.text = std::string(text);
    file.sourcePath = std::string(path);
    const auto declared = std::count_if(lines.begin(), lines.end(), [](std::string_view line) {
        return util::contains(util::toUpper(line), "ATOM:");
    });
    file.atoms.reserve(std::min<std::size_t>(static_cast<std::size_t>(declared), detail::kMostAtoms));

    bool haveCell = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::string_view tag = line.substr(0, std::min<std::size_t>(5, line.size()));
        if (!line.empty() && std::string_view("JADE:DATE:SGRP:ATOM:").find(tag) == std::string_view::npos) {
            file.headerText.append(line);
            file.headerText += "\r\n";
        }
        if (tag == "NAME:") {
            file.title = afterTag(line);
        } else if (tag == "FORM:") {
            file.formula = afterTag(line);
        } else if (tag == "SGRP:") {
            spaceGroupLine(line, i, file);
        } else if (tag == "CELL:") {
            cellLine(line, i, file);
            haveCell = true;
        } else if (tag == "ATOM:") {
            if (file.atoms.size() == detail::kMostAtoms)
                throw Error(Error::Overflow, "Overflow: the file holds more than " +
                                                 std::to_string(detail::kMostAtoms) + " atoms");
            Atom atom = atomLine(line, i);
            if (detail::isNotAnAtom(atom.element)) continue;
            if (atom.atomicNumber == 0)
                file.sitesLeftOut.push_back(atom.label.empty() ? lineName(i) : atom.label);
            else
                file.atoms.push_back(std::move(atom));
        }
    }

    if (!haveCell) throw Error(Error::TypeMismatch, "The file holds no unit cell");
    detail::finish(file);
    file.recordedGamma = file.cell[5];
    // The symbol names the setting ("P 21/n (14)"); the number serves when
    // the table does not know the symbol.
    const int named = symmetry::resolveSymbol(file.spaceGroupSymbol,
                                              symmetry::prefersRhombohedralAxes(file.cell, file.cell[5]));
    if (named >= 0) {
        file.spaceGroupRow = named;
        file.spaceGroupNumber = static_cast<int>(util::val(symmetry::spaceGroupTable()[named].number));
    } else {
        file.spaceGroupRow = detail::rowOfNumber(file.spaceGroupNumber, file.cell);
    }
    detail::checkCellFitsGroup(file);
    return file;
}

StructureFile readCsf(const std::string& path) { return parseCsf(readTextFile(path), path); }

}  // namespace lumora::structure
