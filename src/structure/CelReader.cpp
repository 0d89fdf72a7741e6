#include "structure/CelReader.h"

#include <algorithm>
#include <cmath>

#include "structure/Elements.h"
#include "structure/ReaderSupport.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

using detail::lineName;

// The declared atom count only sizes the list; a wrong or absurd count must
// neither lose atoms nor reserve gigabytes.
std::size_t capacityHint(std::string_view line) {
    if (line.size() <= 5) return 0;
    try {
        const double n = detail::readValue(line.substr(5));
        return n > 0 ? static_cast<std::size_t>(std::min(n, 1000.0)) : 0;
    } catch (const Error&) {
        return 0;
    }
}

Atom atomLine(const std::vector<std::string>& words, std::size_t index) {
    const std::string where = lineName(index) + ", ";
    Atom atom;
    atom.label = words[0];
    atom.element = words[0];
    // Z is a number; a species name such as Fe3+ is read as its element.
    if (detail::startsWithNumber(words[1])) {
        const float z = detail::numberField(words[1], where + "atomic number");
        if (!(std::fabs(z) <= 32767.0f))
            throw Error(Error::Overflow, "Overflow: " + where + "atomic number is too large");
        atom.atomicNumber = static_cast<int>(util::nearest(z));
    } else {
        atom.atomicNumber = elementNumberOf(words[1]);
    }
    float* coordinates[3] = {&atom.x, &atom.y, &atom.z};
    static const char* const axes[3] = {"x", "y", "z"};
    for (std::size_t i = 0; i < 3; ++i) {
        float v = detail::coordinateField(words[i + 2], where + axes[i] + " coordinate");
        if (v < 0.0f) v += 1.0f;
        *coordinates[i] = v;
    }
    // The site occupation factor follows the coordinates when it is written.
    if (words.size() > 5 && detail::startsWithNumber(words[5]))
        atom.occupancy = detail::occupancyField(words[5], where + "occupancy");
    return atom;
}

}  // namespace

StructureFile parseCel(std::string_view text, std::string_view path) {
    detail::checkText(text);
    const std::vector<std::string_view> lines = util::splitLines(text);

    StructureFile file;
    file.text = std::string(text);
    file.sourcePath = std::string(path);

    const std::vector<std::string> cellWords = util::splitBlanks(lines[0]);
    if (cellWords.size() < 7)
        throw Error(Error::TypeMismatch,
                    "The file holds no unit cell: line 1 needs a keyword and a b c alpha beta gamma");
    static const char* const names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    for (std::size_t i = 0; i < 6; ++i)
        file.cell[i] =
            detail::numberField(cellWords[i + 1], std::string("Line 1, cell constant ") + names[i]);
    validateCell(file.cell);

    if (lines.size() < 2) throw Error(Error::InputPastEnd, "Input past end of file");
    file.atoms.reserve(capacityHint(lines[1]));
    file.title = detail::baseName(path);

    int originChoice = 0;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string line = util::trim(lines[i]);
        const std::vector<std::string> words = util::splitBlanks(line);
        if (util::contains(util::toUpper(line.substr(0, 4)), "GNR")) {
            if (words.size() < 2)
                throw Error(Error::TypeMismatch, lineName(i) + ": the space-group line gives no number");
            const float number = detail::numberField(words[1], lineName(i) + ", space-group number");
            detail::checkSpaceGroupNumber(util::nearest(number));
            file.spaceGroupNumber = static_cast<int>(util::nearest(number));
            file.spaceGroupSymbol = symmetry::lookup(file.spaceGroupNumber, "", "")[3];
            // A second number is the setting; origin choices 1 and 2 are honoured.
            originChoice = 0;
            if (words.size() > 2 && detail::startsWithNumber(words[2])) {
                const double setting =
                    util::nearest(detail::numberField(words[2], lineName(i) + ", setting"));
                if (setting == 1 || setting == 2) originChoice = static_cast<int>(setting);
            }
            if (i + 1 < lines.size()) {
                ++i;
                const std::string title = util::trim(lines[i]);
                if (title.size() > 3) file.title = title;
            }
        } else if (words.size() >= 5) {
            if (file.atoms.size() == detail::kMostAtoms)
                throw Error(Error::Overflow, "Overflow: the file holds more than " +
                                                 std::to_string(detail::kMostAtoms) + " atoms");
            Atom atom = atomLine(words, i);
            // A species name rather than a number must name an element.
            if (!detail::startsWithNumber(words[1]) && detail::isNotAnAtom(words[1])) continue;
            if (atom.atomicNumber == 0 && !detail::startsWithNumber(words[1]))
                file.sitesLeftOut.push_back(atom.label);
            else
                file.atoms.push_back(std::move(atom));
        }
    }

    detail::finish(file);
    file.spaceGroupRow = detail::rowOfNumber(file.spaceGroupNumber, file.cell, originChoice);
    detail::checkCellFitsGroup(file);
    return file;
}

StructureFile readCel(const std::string& path) { return parseCel(readTextFile(path), path); }

}  // namespace lumora::structure
