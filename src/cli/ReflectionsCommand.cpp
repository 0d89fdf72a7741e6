// lumora reflections: the reflection list of a cell and space group.
#include <algorithm>
#include <numeric>
#include <sstream>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "engine/LaueEngine.h"
#include "util/NumberText.h"

namespace lumora::cli {

void addReflectionsOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "lumora reflections --cell a b c alpha beta gamma --sg SYMBOL: generate the reflection list of the "
        "cell and print \"h k l d\" per reflection (d in Å), sorted by decreasing d.");
    parser.addOption(
        {"cell", "Cell constants a b c (Å) and alpha beta gamma (degrees).", "a b c alpha beta gamma"});
    parser.addOption({"sg",
                      "Space group: Hermann-Mauguin symbol or number, resolved as the space-group list does.",
                      "SYMBOL"});
    parser.addOption({"row", "Take space-group table row N (0..529) instead of --sg.", "N"});
}

int runReflections(const std::vector<std::string>& rawArgs, std::ostream& out) {
    const auto args = joinOptionValues(rawArgs, "--cell", 6);
    QCommandLineParser parser;
    addReflectionsOptions(parser);
    parseArguments(parser, args);
    if (!parser.isSet("cell")) throw UsageError("the cell is needed: --cell a b c alpha beta gamma");
    const std::array<double, 6> cell = parseCell(parser.value("cell"));

    clLAUE laue;
    for (int i = 0; i < 6; ++i)
        laue.setCellConstant(i, static_cast<float>(cell[static_cast<std::size_t>(i)]));
    chooseSpaceGroup(laue, parser);
    laue.GenerateHKL();

    // The list is the engine's; d is printed from the cell as typed, in double
    // precision, so that its last digit is right.
    struct Row {
        int h, k, l;
        std::string d;
        long long key;
    };
    const engine::CellMetric typed(cell);
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(laue.n_hkl));
    for (int32_t i = 0; i < laue.n_hkl; ++i) {
        const int h = laue.getH(i), k = laue.getK(i), l = laue.getL(i);
        std::string d = util::formatNumber(typed.exactSpacing(h, k, l), "0.00000");
        std::string digits = d;
        digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
        rows.push_back({h, k, l, d, std::stoll(digits)});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) { return x.key > y.key; });

    std::ostringstream text;
    for (const auto& r : rows) text << r.h << ' ' << r.k << ' ' << r.l << ' ' << r.d << '\n';
    out << text.str();
    return 0;
}

}  // namespace lumora::cli
