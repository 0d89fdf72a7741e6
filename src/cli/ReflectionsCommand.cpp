// lumora reflections: the reflection list of a cell and space group.
#include <algorithm>
#include <charconv>
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
        "cell and print \"h k l d\" per reflection (d in Å), sorted by decreasing d. With --structure the "
        "lines read \"h k l d F\"; --listing prints the HKL listing instead. With --complete the band is "
        "that of a 50 kV tube (d >= 0.124 Å) unless --d-min is larger.");
    addCrystalOptions(parser);
    addReflectionRangeOptions(parser);
    parser.addOption({"listing", "Print the HKL listing (as saved to a text file) instead."});
}

int runReflections(const std::vector<std::string>& rawArgs, std::ostream& out) {
    const auto args = joinOptionValues(rawArgs, "--cell", 6);
    QCommandLineParser parser;
    addReflectionsOptions(parser);
    parseArguments(parser, args);
    const CrystalSource source = crystalSource(parser);
    const engine::ReflectionRange range = reflectionRange(parser);
    if (range.complete && source.kind == CrystalSource::Kind::Reflections)
        throw UsageError("--complete generates the list: it does not go with --rsv");

    clLAUE laue;
    laue.setReflectionRange(range);
    const std::array<double, 6> cell = loadCrystal(laue, parser, source);
    if (parser.isSet("listing")) {
        out << laue.hklListing();
        return 0;
    }

    // The list is the engine's; d is printed from the cell in double
    // precision, so that its last digit is right. F comes with intensities.
    const engine::CellMetric metric(cell);
    const bool withF = laue.x_withIntensity;
    struct Row {
        int h, k, l;
        std::string d;
        std::string f;
        double key;
    };
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(laue.n_hkl));
    for (int32_t i = 0; i < laue.n_hkl; ++i) {
        const int h = laue.getH(i), k = laue.getK(i), l = laue.getL(i);
        // A reflection file's own d column is what it is.
        const double d =
            source.kind == CrystalSource::Kind::Reflections ? laue.getD(i) : metric.exactSpacing(h, k, l);
        std::string text = util::formatNumber(d, "0.00000");
        // Sorted by the value as printed, read back without a locale and without
        // a range to overflow: a file's d column may hold 1e19 or 3e38.
        double key = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), key);
        rows.push_back({h, k, l, text, withF ? util::formatNumber(laue.getF(i), "0.00") : "", key});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) { return x.key > y.key; });

    std::ostringstream text;
    for (const auto& r : rows) {
        text << r.h << ' ' << r.k << ' ' << r.l << ' ' << r.d;
        if (withF) text << ' ' << r.f;
        text << '\n';
    }
    out << text.str();
    return 0;
}

}  // namespace lumora::cli
