// lumora peaks: the spots of detector frames and photographs, one "x y intensity" line each,
// strongest first; several images are searched side by side and each list is written beside its image.
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <atomic>
#include <charconv>
#include <thread>

#include "app/PhotoFile.h"
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "engine/PeakSearch.h"
#include "util/Error.h"

namespace lumora::cli {

namespace {

constexpr int kMostThreads = 256;

void appendFixed(std::string& text, double value, int decimals) {
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
    text.append(buffer, end);
}

// One line per spot, "%.3f %.3f %.1f", whatever the locale.
std::string spotLines(const std::vector<engine::Peak>& peaks) {
    std::string text;
    for (const engine::Peak& p : peaks) {
        appendFixed(text, p.x, 3);
        text += ' ';
        appendFixed(text, p.y, 3);
        text += ' ';
        appendFixed(text, p.intensity, 1);
        text += '\n';
    }
    return text;
}

struct Search {
    QString image;
    std::string text;  // the spot lines
    std::size_t spots = 0;
    std::string problem;  // why the image gave no list
};

void search(Search& job, const engine::PeakSearchOptions& options) {
    const app::FrameRead read = app::readFrame(job.image);
    if (read.error != 0) {
        job.problem = Error(read.error, read.problem.toStdString()).message();
        return;
    }
    try {
        const auto peaks = engine::findPeaks(read.frame, options);
        job.spots = peaks.size();
        job.text = spotLines(peaks);
    } catch (const Error& e) {
        job.problem = e.message();
    }
}

// NAME.peaks beside the image, NAME being the file name without its last extension.
QString listPath(const QString& image) {
    const QFileInfo info(image);
    return info.dir().filePath(info.completeBaseName() + ".peaks");
}

void writeList(const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
        !file.commit())
        throw Error(Error::PathAccess, path.toStdString() + ": " + file.errorString().toStdString());
}

}  // namespace

void addPeaksOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "lumora peaks IMAGE...: find the spots of detector frames or photographs (16-bit TIFF, MarCCD .mccd, "
        "PNG, JPEG, BMP) and print one line per spot, \"x y intensity\", strongest first; x is the column "
        "and "
        "y the row, both counted from 0 at the centre of the top-left pixel, the intensity is integrated "
        "above the background.\n"
        "With several images each list is written beside its image as NAME.peaks (the same text), the images "
        "are searched on --threads worker threads, and one line \"IMAGE: N spots\" is printed per image; the "
        "lists do not depend on the number of threads. A map of exposures runs as an array job of a cluster "
        "scheduler, each task given its list of files.\n"
        "An image that cannot be read exits with status 2 and a message.");
    parser.addPositionalArgument("IMAGE", "Detector frame or photograph; several may be given.", "IMAGE...");
    parser.addOption(
        {"threshold",
         "A pixel belongs to a spot when it lies SIGMA noise units above the background (default 5).",
         "SIGMA"});
    parser.addOption({"max", "Keep the strongest N spots of each image.", "N"});
    parser.addOption({"threads", "Worker threads for several images (default: the processor's cores).", "N"});
}

int runPeaks(const std::vector<std::string>& args, std::ostream& out) {
    QCommandLineParser parser;
    addPeaksOptions(parser);
    parseArguments(parser, args);

    engine::PeakSearchOptions options;
    if (parser.isSet("threshold")) {
        options.thresholdSigma = parseNumber(parser.value("threshold"), "--threshold");
        if (!(options.thresholdSigma > 0 && options.thresholdSigma <= 1e6))
            throw UsageError("--threshold must be a positive number of noise units (at most 1000000)");
    }
    if (parser.isSet("max")) {
        options.maxSpots = parseInteger(parser.value("max"), "--max");
        if (options.maxSpots < 1) throw UsageError("--max must be a positive whole number");
    }
    int threads = std::max(1, QThread::idealThreadCount());
    if (parser.isSet("threads")) {
        threads = parseInteger(parser.value("threads"), "--threads");
        if (threads < 1 || threads > kMostThreads)
            throw UsageError("--threads must lie between 1 and " + std::to_string(kMostThreads));
    }
    const QStringList images = parser.positionalArguments();
    if (images.isEmpty()) throw UsageError("an image is needed: lumora peaks IMAGE...");

    std::vector<Search> jobs(static_cast<std::size_t>(images.size()));
    for (qsizetype i = 0; i < images.size(); ++i) jobs[static_cast<std::size_t>(i)].image = images[i];

    if (jobs.size() == 1) {
        search(jobs[0], options);
        if (!jobs[0].problem.empty()) throw UsageError(jobs[0].image.toStdString() + ": " + jobs[0].problem);
        out << jobs[0].text;
        return 0;
    }

    // Each worker takes the next image; each result stays in its own slot, so the lists and the
    // report are the same for any number of threads.
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            search(jobs[i], options);
            if (!jobs[i].problem.empty()) continue;
            try {
                writeList(listPath(jobs[i].image), jobs[i].text);
            } catch (const Error& e) {
                jobs[i].problem = e.message();
            }
        }
    };
    std::vector<std::thread> workers;
    const std::size_t count = std::min(jobs.size(), static_cast<std::size_t>(threads));
    for (std::size_t t = 1; t < count; ++t) workers.emplace_back(work);
    work();
    for (auto& worker : workers) worker.join();

    bool failed = false;
    for (const Search& job : jobs) {
        if (job.problem.empty()) {
            out << job.image.toStdString() << ": " << job.spots << " spots\n";
        } else {
            notices() << "lumora peaks: " << job.image.toStdString() << ": " << job.problem << "\n";
            failed = true;
        }
    }
    return failed ? kUsageError : 0;
}

}  // namespace lumora::cli
