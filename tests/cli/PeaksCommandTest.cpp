// lumora peaks: the spot list of a 16-bit frame, its format and order, the limit, the refusal of
// unreadable images, and lists beside several images that do not depend on the number of threads.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <random>
#include <regex>

#include "RunCli.h"

namespace lumora::test {
namespace {

struct Spot {
    double x, y, sigma, flux;
};

// A 16-bit frame: a sloped background with Gaussian spots, integrated over each pixel, and the
// noise of counting.
QImage frame(const std::vector<Spot>& spots) {
    std::mt19937 random(17);
    std::normal_distribution<double> unit(0, 1);
    QImage image(160, 120, QImage::Format_Grayscale16);
    const auto cdf = [](double t) { return 0.5 * std::erfc(-t / std::sqrt(2.0)); };
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            double v = 1000 + 2 * x + y;
            for (const Spot& s : spots)
                v += s.flux * (cdf((x + 0.5 - s.x) / s.sigma) - cdf((x - 0.5 - s.x) / s.sigma)) *
                     (cdf((y + 0.5 - s.y) / s.sigma) - cdf((y - 0.5 - s.y) / s.sigma));
            row[x] = quint16(std::lround(std::clamp(v + std::sqrt(v) * unit(random), 0.0, 65535.0)));
        }
    }
    return image;
}

const std::vector<Spot> kSpots{
    {40.3, 30.6, 1.5, 20000}, {120.5, 35.2, 2.0, 80000}, {80.7, 90.1, 1.2, 5000}, {30.2, 100.4, 2.5, 40000}};

std::string readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "(missing)";
    return file.readAll().toStdString();
}

TEST(PeaksCommand, PrintsXYIntensityStrongestFirstAndKeepsTheStrongestWithMax) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("frame.tif");
    ASSERT_TRUE(frame(kSpots).save(path));

    const Result r = run({"peaks", path.toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto found = lines(r.out);
    ASSERT_EQ(found.size(), kSpots.size()) << r.out;
    const std::regex format(R"(-?\d+\.\d{3} -?\d+\.\d{3} -?\d+\.\d)");
    const int strongestFirst[] = {1, 3, 0, 2};
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_TRUE(std::regex_match(found[i], format)) << found[i];
        const auto words = util::splitBlanks(found[i]);
        ASSERT_EQ(words.size(), 3u);
        const Spot& s = kSpots[strongestFirst[i]];
        EXPECT_NEAR(number(words[0]), s.x, 0.1) << found[i];
        EXPECT_NEAR(number(words[1]), s.y, 0.1) << found[i];
        EXPECT_NEAR(number(words[2]), s.flux, 0.1 * s.flux) << found[i];
    }

    const Result two = run({"peaks", path.toStdString(), "--max", "2"});
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(lines(two.out), std::vector<std::string>(found.begin(), found.begin() + 2));

    // A threshold above all but the strongest spot's top.
    const Result strict = run({"peaks", path.toStdString(), "--threshold", "60"});
    ASSERT_EQ(strict.status, 0) << strict.err;
    EXPECT_EQ(lines(strict.out).size(), 1u);
    EXPECT_NEAR(number(util::splitBlanks(lines(strict.out).front())[0]), kSpots[1].x, 0.1);
}

TEST(PeaksCommand, UnreadableImagesAndBadOptionsExitWithStatus2) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile text(dir.filePath("notes.tif"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no picture\n");
    text.close();
    ASSERT_TRUE(frame(kSpots).save(dir.filePath("frame.tif")));

    const Result missing = run({"peaks", dir.filePath("missing.mccd").toStdString()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "lumora peaks: " + dir.filePath("missing.mccd").toStdString() + ": Error 53: File not found\n");

    const Result unreadable = run({"peaks", dir.filePath("notes.tif").toStdString()});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_NE(unreadable.err.find("notes.tif: Error 75: "), std::string::npos) << unreadable.err;

    const std::string image = dir.filePath("frame.tif").toStdString();
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"peaks"},
                                               {"peaks", image, "--threshold", "0"},
                                               {"peaks", image, "--threshold", "five"},
                                               {"peaks", image, "--max", "0"},
                                               {"peaks", image, "--max", "2.5"},
                                               {"peaks", image, "--threads", "0"}}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_EQ(r.err.rfind("lumora peaks: ", 0), 0u) << r.err;
    }
}

TEST(PeaksCommand, SeveralImagesGetTheirListsBesideThemWhateverTheThreads) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList names;
    for (int i = 0; i < 5; ++i) {
        std::vector<Spot> spots(kSpots.begin(), kSpots.begin() + 1 + i % 4);
        for (Spot& s : spots) s.x += i;
        names << dir.filePath(QString("exposure_%1.frame.tif").arg(i));
        ASSERT_TRUE(frame(spots).save(names.back(), "tiff"));
    }
    std::vector<std::string> args{"peaks"};
    for (const QString& n : names) args.push_back(n.toStdString());

    std::vector<std::string> lists[2];
    for (const int threads : {1, 2}) {
        for (int i = 0; i < 5; ++i) QFile::remove(dir.filePath(QString("exposure_%1.frame.peaks").arg(i)));
        auto withThreads = args;
        withThreads.insert(withThreads.end(), {"--threads", std::to_string(threads)});
        const Result r = run(withThreads);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string report;
        for (int i = 0; i < 5; ++i)
            report += names[i].toStdString() + ": " + std::to_string(1 + i % 4) + " spots\n";
        EXPECT_EQ(r.out, report);
        for (int i = 0; i < 5; ++i)
            lists[threads - 1].push_back(readText(dir.filePath(QString("exposure_%1.frame.peaks").arg(i))));
    }
    EXPECT_EQ(lists[0], lists[1]);
    // Each list is what the image alone prints.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(lists[0][i], run({"peaks", names[i].toStdString()}).out);

    // An image that cannot be read is named; the others still get their lists.
    QFile::remove(dir.filePath("exposure_0.frame.peaks"));
    const Result partial = run({"peaks", dir.filePath("gone.tif").toStdString(), names[0].toStdString()});
    EXPECT_EQ(partial.status, 2);
    EXPECT_EQ(partial.out, names[0].toStdString() + ": 1 spots\n");
    EXPECT_EQ(partial.err,
              "lumora peaks: " + dir.filePath("gone.tif").toStdString() + ": Error 53: File not found\n");
    EXPECT_EQ(readText(dir.filePath("exposure_0.frame.peaks")), lists[0][0]);
}

}  // namespace
}  // namespace lumora::test
