// lumora index: the crystal's orientation from the spots of an exposure, without a starting guess.
#include <algorithm>
#include <atomic>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/DetectorOptions.h"
#include "engine/Detector.h"
#include "engine/Indexing.h"
#include "engine/LaueEngine.h"
#include "engine/SpotList.h"
#include "util/Error.h"

namespace lumora::cli {

namespace {

constexpr double kKevAngstrom = 12.398;

// Fixed decimals whatever the C library's locale says; "-0.0000" reads "0.0000".
std::string fixed(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

double optionNumber(const QCommandLineParser& parser, const QString& name, double fallback, double low,
                    double high, const std::string& range) {
    if (!parser.isSet(name)) return fallback;
    const double v = parseNumber(parser.value(name), "--" + name.toStdString());
    if (!(v > low && v <= high)) throw UsageError("--" + name.toStdString() + " must be " + range);
    return v;
}

int optionCount(const QCommandLineParser& parser, const QString& name, int fallback, int high) {
    if (!parser.isSet(name)) return fallback;
    const int v = parseInteger(parser.value(name), "--" + name.toStdString());
    if (v < 1 || v > high)
        throw UsageError("--" + name.toStdString() + " must be a whole number from 1 to " +
                         std::to_string(high));
    return v;
}

struct Settings {
    bool angles = false;
    engine::Detector detector;
    int grains = 0;  // 0: the best solutions of one crystal
};

// One exposure: the spots as listed and as rays.
struct Exposure {
    std::string path;
    std::vector<engine::ListedSpot> listed;
    std::vector<engine::IndexSpot> spots;
    std::vector<std::array<double, 2>> observedAngles;
};

Exposure readExposure(const std::string& path, const Settings& settings) {
    Exposure e;
    e.path = path;
    e.listed = engine::readSpotList(path);
    for (const engine::ListedSpot& s : e.listed) {
        const Vec3d ray =
            settings.angles ? engine::rayFromAngles(s.a, s.b) : settings.detector.rayAt(s.a, s.b);
        e.spots.push_back({ray, s.intensity});
        e.observedAngles.push_back(settings.angles ? std::array<double, 2>{s.a, s.b}
                                                   : engine::anglesOfRay(ray));
    }
    return e;
}

}  // namespace

std::string indexBlock(const std::string& heading, const engine::IndexSolution& solution,
                       const std::vector<std::array<double, 2>>& observedAngles) {
    // Appended rather than added: GCC 12 warns falsely (-Wrestrict) on " " + string in loops.
    std::string text = heading + ": " + std::to_string(solution.spots.size()) + " of " +
                       std::to_string(observedAngles.size()) + " spots, mean deviation " +
                       fixed(solution.meanDeviationDeg, 4) + " deg\nMatrix:";
    for (const auto& row : solution.matrix)
        for (double x : row) text.append(" ").append(fixed(x, 9));
    text += "\n";
    for (const engine::IndexedSpot& s : solution.spots) {
        const auto& observed = observedAngles[static_cast<std::size_t>(s.spot)];
        const auto computed = engine::anglesOfRay(s.computedRay);
        text.append("Spot: ").append(std::to_string(s.spot + 1));
        for (int h : s.hkl) text.append(" ").append(std::to_string(h));
        for (double x : {observed[0], observed[1], computed[0], computed[1], s.deviationDeg, s.lambda})
            text.append(" ").append(fixed(x, 4));
        text += "\n";
    }
    return text;
}

namespace {

struct Result {
    std::string text;  // what stdout gets for this exposure alone
    std::size_t indexed = 0;
    bool found = false;
};

Result indexExposure(const engine::Indexer& indexer, const Exposure& e, const Settings& settings) {
    const auto solutions =
        settings.grains > 0 ? indexer.grains(e.spots, settings.grains) : indexer.index(e.spots);
    Result r;
    if (solutions.empty()) {
        r.text = "No orientation found\n";
        return r;
    }
    r.found = true;
    for (std::size_t i = 0; i < solutions.size(); ++i) {
        if (i > 0) r.text += "\n";
        const std::string heading = (settings.grains > 0 ? "Grain " : "Solution ") + std::to_string(i + 1);
        r.text += indexBlock(heading, solutions[i], e.observedAngles);
    }
    // The exposure's spots explained: by the best solution, or by all the grains.
    r.indexed = solutions.front().spots.size();
    if (settings.grains > 0) {
        r.indexed = 0;
        for (const auto& s : solutions) r.indexed += s.spots.size();
    }
    return r;
}

std::string resultPath(const std::string& peaks) {
    const std::filesystem::path p(peaks);
    return (p.parent_path() / p.stem()).string() + ".idx";
}

}  // namespace

void addIndexOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "lumora index --cell a b c alpha beta gamma --sg SYMBOL --peaks FILE: find the crystal's orientation "
        "from the spots of a Laue exposure, without a starting guess. FILE holds one spot per line: x y "
        "(detector pixels, through the detector options; without any, the default top camera) or, with "
        "--angles, 2theta chi (degrees), then an optional intensity (the fifth number of LaueTools' .cor "
        "lines \"2theta chi x y I\"); blank lines, lines starting with \"#\" and a first line of column "
        "names "
        "are skipped.\n"
        "Each solution prints \"Solution N: M of T spots, mean deviation D deg\", \"Matrix:\" with the "
        "orientation rows first (as render --matrix takes it), and one line per explained spot: \"Spot: n h "
        "k l 2theta chi 2theta' chi' deviation lambda\" (n counts the spot lines from 1, h k l the lowest "
        "harmonic the space group allows in the band, observed then computed angles in degrees, the "
        "wavelength in Å). At most five distinct orientations, best first; exit 1 with \"No orientation "
        "found\" when none explains 6 spots (or all, when fewer are given).\n"
        "Several peak files are indexed on --threads worker threads; each result goes beside its file as "
        "NAME.idx and stdout gets one line per file. A map of thousands of exposures runs as an array job "
        "of a cluster scheduler, each task given its own list of files.");
    addCrystalOptions(parser);
    parser.addOption({"peaks", "A peak file (repeatable; further arguments are peak files too).", "FILE"});
    parser.addOption({"angles", "The peak files give 2theta and chi in degrees instead of detector pixels."});
    addDetectorOptions(parser);
    parser.addOption({"kv", "Tube voltage in kV (default 50); the band starts at 12.398/kV Å.", "KV"});
    parser.addOption({"lambda-max", "Longest wavelength of the band in Å (default 2.5).", "A"});
    parser.addOption({"tolerance",
                      "Largest angle between an observed and a computed ray that still explains a spot, "
                      "degrees (default 0.5).",
                      "DEG"});
    parser.addOption({"grains",
                      "Several crystals: index the best, take its spots out, go on, at most N times; one "
                      "block per crystal headed \"Grain N\".",
                      "N"});
    parser.addOption(
        {"threads", "Worker threads for several peak files (default: the processor's cores).", "N"});
    parser.addPositionalArgument("files", "More peak files.", "[FILE...]");
}

int runIndex(const std::vector<std::string>& rawArgs, std::ostream& out) {
    const auto args = joinOptionValues(rawArgs, "--cell", 6);
    QCommandLineParser parser;
    addIndexOptions(parser);
    parseArguments(parser, args);

    std::vector<std::string> files;
    for (const QString& f : parser.values("peaks") + parser.positionalArguments())
        files.push_back(f.toStdString());
    if (files.empty()) throw UsageError("a peak file is needed: --peaks FILE");
    const CrystalSource source = crystalSource(parser);
    if (source.kind == CrystalSource::Kind::Reflections)
        throw UsageError(
            "indexing needs the space group: give --cell with --sg or --row, or --structure FILE");

    Settings settings;
    settings.angles = parser.isSet("angles");
    settings.detector = detectorFromOptions(parser).value_or(engine::defaultTopCamera());
    settings.grains = parser.isSet("grains") ? optionCount(parser, "grains", 1, 100) : 0;
    engine::IndexOptions options;
    options.lambdaMin = kKevAngstrom / optionNumber(parser, "kv", 50, 0, 10000,
                                                    "a tube voltage above 0 and at most 10000 kV");
    options.lambdaMax =
        optionNumber(parser, "lambda-max", 2.5, 0, 100, "a wavelength above 0 and at most 100 Å");
    if (!(options.lambdaMax > options.lambdaMin))
        throw UsageError("--lambda-max must exceed the shortest wavelength 12.398/kV = " +
                         fixed(options.lambdaMin, 4) + " Å");
    options.toleranceDeg =
        optionNumber(parser, "tolerance", 0.5, 0, 10, "an angle above 0 and at most 10 degrees");
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = optionCount(parser, "threads", cores, 1024);

    clLAUE laue;
    const std::array<double, 6> cell = loadCrystal(laue, parser, source);
    const engine::Indexer indexer({cell, laue.symmetryState().ops}, options);

    // Every file is read before any is indexed: a bad one stops the run before results are written.
    std::vector<Exposure> exposures;
    for (const std::string& f : files) exposures.push_back(readExposure(f, settings));

    if (exposures.size() == 1) {
        const Result r = indexExposure(indexer, exposures.front(), settings);
        out << r.text;
        return r.found ? 0 : 1;
    }

    // The files are independent; each worker takes the next. The results do not depend on which
    // worker indexed a file.
    std::vector<Result> results(exposures.size());
    std::vector<std::string> failures(exposures.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < exposures.size(); i = next++) {
            try {
                results[i] = indexExposure(indexer, exposures[i], settings);
                const std::string path = resultPath(exposures[i].path);
                std::ofstream file(path, std::ios::binary);
                file << results[i].text;
                file.close();
                if (!file) failures[i] = "cannot write \"" + path + "\"";
            } catch (const std::exception& e) {
                failures[i] = e.what();
            }
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < std::min<int>(threads, static_cast<int>(exposures.size())); ++t)
        workers.emplace_back(work);
    work();
    for (std::thread& w : workers) w.join();
    for (const std::string& f : failures)
        if (!f.empty()) throw Error(Error::PathAccess, f);

    bool all = true;
    for (std::size_t i = 0; i < exposures.size(); ++i) {
        out << exposures[i].path << ": ";
        if (results[i].found)
            out << exposures[i].spots.size() << " spots, " << results[i].indexed << " indexed\n";
        else
            out << "No orientation found\n";
        all &= results[i].found;
    }
    return all ? 0 : 1;
}

}  // namespace lumora::cli
