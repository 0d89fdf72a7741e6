#include "cli/CliSupport.h"

#include <filesystem>
#include <iostream>

#include "engine/LaueEngine.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::cli {

std::vector<std::string> joinOptionValues(const std::vector<std::string>& args, const std::string& option,
                                          int count) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        out.push_back(args[i]);
        if (args[i] != option) continue;
        // Take up to `count` following words that are not options themselves.
        std::string joined;
        int taken = 0;
        while (taken < count && i + 1 < args.size() && !util::startsWith(args[i + 1], "--")) {
            joined += (taken ? " " : "") + args[++i];
            ++taken;
        }
        if (taken > 0) out.push_back(joined);
    }
    return out;
}

QStringList toQStringList(const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    return list;
}

void parseArguments(QCommandLineParser& parser, const std::vector<std::string>& args) {
    std::vector<std::string> rest;
    if (!args.empty()) rest.push_back(args[0]);
    for (std::size_t i = 2; i < args.size(); ++i) rest.push_back(args[i]);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(toQStringList(rest))) throw UsageError(parser.errorText().toStdString());
}

double parseNumber(const QString& text, const std::string& what) {
    double value = 0;
    if (!util::parseStrictNumber(text.toStdString(), value))
        throw UsageError(what + " must be a number, not \"" + text.toStdString() + "\"");
    return value;
}

int parseInteger(const QString& text, const std::string& what) {
    const double value = parseNumber(text, what);
    if (value != static_cast<double>(static_cast<long long>(value)) || value < -2147483648.0 ||
        value > 2147483647.0)
        throw UsageError(what + " must be a whole number, not \"" + text.toStdString() + "\"");
    return static_cast<int>(value);
}

std::array<double, 6> parseCell(const QString& text) {
    const auto words = util::splitBlanks(util::replaceAll(text.toStdString(), ",", " "));
    if (words.size() != 6)
        throw UsageError("--cell needs six numbers: a b c alpha beta gamma (Å and degrees)");
    static const char* const names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    std::array<double, 6> cell{};
    for (int i = 0; i < 6; ++i)
        cell[i] = parseNumber(QString::fromStdString(words[i]), std::string("cell ") + names[i]);
    return cell;
}

void addCrystalOptions(QCommandLineParser& parser) {
    parser.addOption(
        {"cell", "Cell constants a b c (Å) and alpha beta gamma (degrees).", "a b c alpha beta gamma"});
    parser.addOption(
        {"sg",
         "Space group: Hermann-Mauguin symbol with an optional setting (\"R -3 m :R\", \"F d -3 m :2\"), "
         "Hall symbol or number.",
         "SYMBOL"});
    parser.addOption({"row", "Take space-group table row N (0..529) instead of --sg.", "N"});
    parser.addOption({"structure",
                      "Take cell, space group and atoms from a structure file (.cel, .csf or .cif); the "
                      "reflections then carry structure factors F.",
                      "FILE"});
    parser.addOption({"rsv", "Take the reflection list from a reflection file (.rsv).", "FILE"});
}

void addReflectionRangeOptions(QCommandLineParser& parser) {
    parser.addOption({"complete",
                      "List every reflection that can diffract in the band (d >= shortest wavelength / 2, or "
                      "--d-min when larger) instead of the cell's rule (d from the cell, index sum <= 70). "
                      "Lists estimated above 20 million reflections are refused."});
    parser.addOption({"d-min", "With --complete: the smallest d-spacing listed, in Å.", "A"});
}

engine::ReflectionRange reflectionRange(const QCommandLineParser& parser) {
    engine::ReflectionRange range;
    range.complete = parser.isSet("complete");
    if (!parser.isSet("d-min")) return range;
    if (!range.complete)
        throw UsageError("--d-min sets the threshold of a complete list: it goes with --complete");
    const double dMin = parseNumber(parser.value("d-min"), "--d-min");
    if (!(dMin > 0) || dMin > 1e6)
        throw UsageError("--d-min must be a positive number of Å (at most 1000000)");
    range.dMin = static_cast<float>(dMin);
    return range;
}

CrystalSource crystalSource(const QCommandLineParser& parser) {
    CrystalSource source;
    const bool cellGiven = parser.isSet("cell") || parser.isSet("sg") || parser.isSet("row");
    const int named =
        (cellGiven ? 1 : 0) + (parser.isSet("structure") ? 1 : 0) + (parser.isSet("rsv") ? 1 : 0);
    if (named > 1) throw UsageError("give either --cell with --sg, --structure FILE or --rsv FILE");
    if (parser.isSet("structure")) {
        source.kind = CrystalSource::Kind::Structure;
        source.path = parser.value("structure").toStdString();
        const std::string ext = util::toLower(std::filesystem::path(source.path).extension().string());
        if (ext != ".cel" && ext != ".csf" && ext != ".cif")
            throw UsageError("--structure takes a .cel, .csf or .cif file, not \"" + source.path + "\"");
        return source;
    }
    if (parser.isSet("rsv")) {
        source.kind = CrystalSource::Kind::Reflections;
        source.path = parser.value("rsv").toStdString();
        return source;
    }
    if (!parser.isSet("cell"))
        throw UsageError(
            "the crystal is needed: --cell a b c alpha beta gamma with --sg, --structure FILE or --rsv FILE");
    source.cell = parseCell(parser.value("cell"));
    if (!parser.isSet("sg") && !parser.isSet("row"))
        throw UsageError("a space group is needed: --sg SYMBOL or --row N");
    return source;
}

namespace {
std::ostream* noticeStream = nullptr;
}  // namespace

std::ostream& notices() { return noticeStream ? *noticeStream : std::cerr; }

NoticeStream::NoticeStream(std::ostream& stream) : previous_(noticeStream) { noticeStream = &stream; }
NoticeStream::~NoticeStream() { noticeStream = previous_; }

std::array<double, 6> loadCrystal(clLAUE& laue, const QCommandLineParser& parser,
                                  const CrystalSource& source) {
    switch (source.kind) {
        case CrystalSource::Kind::Structure: {
            const std::string ext = util::toLower(std::filesystem::path(source.path).extension().string());
            if (ext == ".cel")
                laue.readCEL(source.path);
            else if (ext == ".csf")
                laue.readCSF(source.path);
            else
                laue.readCIF(source.path);
            for (const std::string& note : laue.structureNotes()) notices() << "lumora: " << note << "\n";
            laue.GenerateHKL();
            break;
        }
        case CrystalSource::Kind::Reflections:
            laue.readRSV(source.path);
            break;
        case CrystalSource::Kind::Cell:
            for (int i = 0; i < 6; ++i)
                laue.setCellConstant(i, static_cast<float>(source.cell[static_cast<std::size_t>(i)]));
            chooseSpaceGroup(laue, parser);
            laue.GenerateHKL();
            return source.cell;
    }
    std::array<double, 6> cell{};
    for (int i = 0; i < 6; ++i) cell[static_cast<std::size_t>(i)] = laue.getCellConstant(i);
    return cell;
}

void chooseSpaceGroup(clLAUE& laue, const QCommandLineParser& parser) {
    if (parser.isSet("row")) {
        const int row = parseInteger(parser.value("row"), "--row");
        if (row < 0 || row >= symmetry::kSpaceGroupRows)
            throw UsageError("--row must lie between 0 and " + std::to_string(symmetry::kSpaceGroupRows - 1));
        const auto entry = laue.SGTAB_getEntry(row);
        laue.SGTAB_getHallMatrices(entry[1]);
        laue.m_spg = static_cast<int16_t>(util::val(entry[0]));
        return;
    }
    if (!parser.isSet("sg")) throw UsageError("a space group is needed: --sg SYMBOL or --row N");
    const std::string symbol = util::trim(parser.value("sg").toStdString());
    if (symbol.empty()) throw UsageError("--sg needs a space-group symbol or number");
    if (!laue.chooseSpaceGroup(symbol)) throw UsageError(unknownSymbol(symbol));
}

std::string unknownSymbol(const std::string& symbol) {
    return "the space group \"" + symbol +
           "\" is not known (give a Hermann-Mauguin symbol such as "
           "\"P 21/c\" or \"R -3 m :R\", a Hall symbol, or a number 1..230)";
}

}  // namespace lumora::cli
