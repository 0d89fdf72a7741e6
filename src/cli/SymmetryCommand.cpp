// lumora symmetry: how a symbol resolves and the operations of the setting.
#include <sstream>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "engine/LaueEngine.h"
#include "symmetry/Matrix.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/TextSplit.h"

namespace lumora::cli {

void addSymmetryOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "lumora symmetry SYMBOL: resolve a space-group symbol (\"P 21/c\", \"R -3 m :R\", \"-P 2ybc\", "
        "\"14\") and print its table row and symmetry operations. A symbol that names no group of the "
        "table is refused.");
    parser.addPositionalArgument("SYMBOL",
                                 "Hermann-Mauguin symbol (with an optional setting), Hall symbol or number.");
    parser.addOption({"row", "Take table row N (0..529) directly.", "N"});
    parser.addOption({"hall", "Interpret the Hall symbol HALL.", "HALL"});
    parser.addOption({"listing", "Print the operation listing (symmetry.txt) instead."});
}

int runSymmetry(const std::vector<std::string>& args, std::ostream& out) {
    QCommandLineParser parser;
    addSymmetryOptions(parser);
    parseArguments(parser, args);

    clLAUE laue;
    int row = -1;
    std::string hall;
    if (parser.isSet("hall")) {
        hall = util::trim(parser.value("hall").toStdString());
        if (hall.empty()) throw UsageError("--hall needs a Hall symbol");
        laue.SGTAB_getHallMatrices(hall);
        row = symmetry::lookupRow(0, "", hall);
    } else if (parser.isSet("row")) {
        chooseSpaceGroup(laue, parser);
        row = laue.currentRow();
        hall = symmetry::getEntry(row)[1];
    } else {
        const std::string symbol = util::trim(parser.positionalArguments().join(' ').toStdString());
        if (symbol.empty()) throw UsageError("a space-group symbol is needed (or --row N, or --hall HALL)");
        if (!laue.chooseSpaceGroup(symbol)) throw UsageError(unknownSymbol(symbol));
        row = laue.currentRow();
        hall = symmetry::getEntry(row)[1];
    }

    const auto& state = laue.symmetryState();
    std::ostringstream text;
    if (parser.isSet("listing")) {
        text << symmetry::listingText(state);
    } else {
        const auto& table = symmetry::spaceGroupTable();
        const bool known = row >= 0 && row < symmetry::kSpaceGroupRows;
        text << "Row: " << row << "\n";
        text << "Number: " << (known ? symmetry::getEntry(row)[0] : "") << "\n";
        text << "Setting: " << (known ? table[static_cast<std::size_t>(row)].extension : "") << "\n";
        text << "Symbol: " << (known ? symmetry::getEntry(row)[2] : "") << "\n";
        text << "Hall: " << hall << "\n";
        for (const auto& op : state.ops) text << symmetry::tripletText(op.matrix) << "\n";
    }
    out << text.str();
    return 0;
}

}  // namespace lumora::cli
