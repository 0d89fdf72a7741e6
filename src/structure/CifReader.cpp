// The only file that sees gemmi: its CIF parser is heavy to compile.
#include "structure/CifReader.h"

#include <cfloat>
#include <cmath>
#include <gemmi/cif.hpp>
#include <initializer_list>

#include "structure/CifSymmetry.h"
#include "structure/Elements.h"
#include "structure/ReaderSupport.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

namespace cif = gemmi::cif;

// Files from databases hold one block per structure; even collections of a few
// hundred structures stay far below this.
constexpr std::size_t kMostBlocks = 10000;

// A value as plain text: quotes and text-field semicolons removed, line breaks
// and runs of blanks made single blanks. Empty for '?' and '.'.
std::string plain(const std::string& raw) {
    std::string out;
    for (const char c : cif::as_string(raw)) {
        const char d = (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
        if (d != ' ' || (!out.empty() && out.back() != ' ')) out.push_back(d);
    }
    return util::trim(out);
}

// The first value of a tag, looped or not; nullptr when the block lacks it.
const std::string* firstValue(cif::Block& block, const std::string& tag) {
    cif::Column column = block.find_values(tag);
    if (!column || column.length() < 1) return nullptr;
    return &column[0];
}

// The first of several synonymous tags that has a value.
std::string textOf(cif::Block& block, std::initializer_list<const char*> tags) {
    for (const char* tag : tags)
        if (const std::string* v = firstValue(block, tag)) {
            std::string t = plain(*v);
            if (!t.empty()) return t;
        }
    return {};
}

// A CIF number such as 5.4310(2): the standard uncertainty is dropped. Null
// values give nullopt; anything else that is not a number is refused.
std::optional<double> number(const std::string& raw, const std::string& what) {
    if (cif::is_null(raw)) return std::nullopt;
    std::string t = plain(raw);
    if (const auto open = t.find('('); open != std::string::npos && !t.empty() && t.back() == ')') {
        const std::string digits = t.substr(open + 1, t.size() - open - 2);
        if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) t.resize(open);
    }
    double value = 0.0;
    if (!detail::readStrictValue(t, value)) {
        // A well-formed number beyond the range of a double is an overflow.
        try {
            detail::readValue(t);
        } catch (const Error&) {
            throw Error(Error::Overflow, "Overflow: " + what + " is too large");
        }
        throw Error(Error::TypeMismatch, what + " '" + t.substr(0, 24) + "' is not a number");
    }
    if (std::fabs(value) > FLT_MAX) throw Error(Error::Overflow, "Overflow: " + what + " is too large");
    return value;
}

bool hasCell(cif::Block& block) { return firstValue(block, "_cell_length_a") != nullptr; }
bool hasSites(cif::Block& block) { return bool(block.find_values("_atom_site_fract_x")); }

CellConstants readCell(cif::Block& block) {
    static const char* const tags[6] = {"_cell_length_a",    "_cell_length_b",   "_cell_length_c",
                                        "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
    CellConstants cell{};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string* raw = firstValue(block, tags[i]);
        const std::optional<double> v = raw ? number(*raw, tags[i]) : std::nullopt;
        // The dictionary's default angle is 90 degrees; lengths have none.
        if (!v && i < 3) throw Error(Error::TypeMismatch, std::string("The CIF file gives no ") + tags[i]);
        cell[i] = static_cast<float>(v.value_or(90.0));
    }
    validateCell(cell);
    return cell;
}

CifSpaceGroup readSpaceGroup(cif::Block& block) {
    CifSpaceGroup group;
    group.hall = textOf(block, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"});
    group.hermannMauguin = textOf(block, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M"});
    group.settingCode = textOf(block, {"_space_group_IT_coordinate_system_code"});
    const std::string numberText = textOf(block, {"_space_group_IT_number", "_symmetry_Int_Tables_number"});
    double n = 0.0;
    if (detail::readStrictValue(numberText, n) && n >= 1 && n <= 230 && n == std::floor(n))
        group.number = static_cast<int>(n);
    for (const char* tag : {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"}) {
        const cif::Column column = block.find_values(tag);
        if (!column) continue;
        for (const std::string& raw : column) group.operations.push_back(plain(raw));
        break;
    }
    return group;
}

std::vector<Atom> readSites(cif::Block& block, std::vector<std::string>& leftOut) {
    cif::Table sites = block.find("_atom_site_", {"fract_x", "fract_y", "fract_z", "?label", "?type_symbol",
                                                  "?occupancy", "?calc_flag"});
    if (!sites.ok())
        throw Error(Error::TypeMismatch,
                    "The CIF file holds no atom sites with fract_x, fract_y and fract_z");
    std::vector<Atom> atoms;
    for (std::size_t i = 0; i < sites.length(); ++i) {
        cif::Table::Row row = sites[static_cast<int>(i)];
        const auto item = [&](std::size_t column) {
            return row.has(column) ? plain(row[column]) : std::string();
        };
        // Dummy sites mark positions, difference peaks and residual-density
        // rows are no atoms either.
        if (util::toLower(item(6)) == "dum") continue;
        const std::string label = item(3), type = item(4);
        if (detail::isNotAnAtom(type.empty() ? label : type)) continue;
        if (atoms.size() == detail::kMostAtoms)
            throw Error(Error::Overflow, "Overflow: the file holds more than " +
                                             std::to_string(detail::kMostAtoms) + " atoms");
        Atom atom;
        atom.label = label.empty() ? type : label;
        // The type symbol says what the atom is; the label only when there is none.
        atom.element = type.empty() ? label : type;
        atom.atomicNumber = elementNumber(atom.element);
        if (atom.atomicNumber == 0) {
            leftOut.push_back(atom.label.empty() ? std::to_string(i + 1) : atom.label);
            continue;
        }
        const std::string name = "Atom site " + (atom.label.empty() ? std::to_string(i + 1) : atom.label);
        float* coordinates[3] = {&atom.x, &atom.y, &atom.z};
        static const char* const axes[3] = {"x", "y", "z"};
        for (std::size_t c = 0; c < 3; ++c) {
            const std::optional<double> v = number(row[c], name + ", " + axes[c] + " coordinate");
            if (!v) throw Error(Error::TypeMismatch, name + " has no " + axes[c] + " coordinate");
            *coordinates[c] = static_cast<float>(*v);
        }
        if (row.has(5)) {
            const std::optional<double> occupancy = number(row[5], name + ", occupancy");
            if (occupancy && !(*occupancy >= 0.0 && *occupancy <= 100.0))
                throw Error(Error::InvalidCall, name + ", occupancy " +
                                                    util::singleText(static_cast<float>(*occupancy)) +
                                                    " lies outside 0 to 100");
            atom.occupancy = static_cast<float>(occupancy.value_or(1.0));
        }
        atoms.push_back(std::move(atom));
    }
    if (atoms.empty() && leftOut.empty())
        throw Error(Error::TypeMismatch, "The CIF file holds no atom sites");
    return atoms;
}

// gemmi's messages start with the input name and position ("cif:3:7: ...").
std::string parserMessage(const std::exception& e) {
    std::string message = e.what();
    message = message.substr(0, message.find('\n'));
    if (message.size() > 160) message = message.substr(0, 160) + "...";
    for (char& c : message)
        if (static_cast<unsigned char>(c) < 32) c = '?';
    return message;
}

}  // namespace

StructureFile parseCif(std::string_view text, std::string_view path) {
    // Editors on Windows like to start UTF-8 text with a byte-order mark.
    text = detail::withoutByteOrderMark(text);
    detail::checkText(text);
    cif::Document document;
    try {
        cif::pegtl::memory_input<> in(text.data(), text.size(), "line");
        document.source = in.source();
        cif::parse_input(document, in);
        // The parser's checks that follow take time growing with the square of
        // the block count; no structure file needs that many blocks.
        if (document.blocks.size() > kMostBlocks)
            throw Error(Error::TypeMismatch, "The CIF file holds " + std::to_string(document.blocks.size()) +
                                                 " data blocks; at most " + std::to_string(kMostBlocks) +
                                                 " are read");
        cif::check_for_missing_values(document);
        cif::check_for_duplicates(document);
    } catch (const Error&) {
        throw;
    } catch (const std::exception& e) {
        throw Error(Error::TypeMismatch, "The CIF file cannot be read: " + parserMessage(e));
    }

    cif::Block* chosen = nullptr;
    bool anyCell = false;
    try {
        for (cif::Block& block : document.blocks) {
            const bool cell = hasCell(block);
            anyCell = anyCell || cell;
            if (cell && hasSites(block)) {
                chosen = &block;
                break;
            }
        }
    } catch (const std::exception& e) {
        throw Error(Error::TypeMismatch, "The CIF file cannot be read: " + parserMessage(e));
    }
    if (!chosen)
        throw Error(Error::TypeMismatch,
                    anyCell ? "The CIF file holds no atom sites" : "The CIF file holds no unit cell");

    StructureFile file;
    file.text = std::string(text);
    file.sourcePath = std::string(path);
    try {
        cif::Block& block = *chosen;
        file.cell = readCell(block);
        file.title =
            textOf(block, {"_chemical_name_mineral", "_chemical_name_common", "_chemical_name_systematic"});
        if (file.title.empty()) file.title = block.name;
        file.formula = textOf(block, {"_chemical_formula_sum"});
        const CifSpaceGroup group = readSpaceGroup(block);
        file.hallSymbol = group.hall;
        file.atoms = readSites(block, file.sitesLeftOut);
        const ResolvedSpaceGroup resolved = resolveSpaceGroup(group, file.cell);
        file.spaceGroupRow = resolved.row;
        for (const OperationKey& op : resolved.ownOperations) file.ownOperations.push_back(matrixOf(op));
        file.symmetryNote = resolved.note;
        // Own operations go by the file's name; a table row by its own.
        if (!file.ownOperations.empty()) {
            const std::string named = splitSetting(group.hermannMauguin).first;
            file.spaceGroupSymbol = named.empty() ? util::trim(group.hall) : named;
        }
    } catch (const Error&) {
        throw;
    } catch (const std::exception& e) {
        throw Error(Error::TypeMismatch, "The CIF file cannot be read: " + parserMessage(e));
    }
    const symmetry::SpaceGroupRow& row = symmetry::spaceGroupTable()[file.spaceGroupRow];
    file.spaceGroupNumber = static_cast<int>(util::val(row.number));
    if (file.spaceGroupSymbol.empty())
        file.spaceGroupSymbol = util::trim(util::splitBy(symmetry::hmLabel(row), "=").front());
    detail::finish(file);
    detail::checkCellFitsGroup(file);
    return file;
}

StructureFile readCif(const std::string& path) { return parseCif(readTextFile(path), path); }

}  // namespace lumora::structure
