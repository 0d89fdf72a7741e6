// lumora render on the films and on cameras: the films exactly as they were
// drawn before they became presets of the general detector, a calibrated
// top camera against LaueTools' own pixels for a simulated exposure, the
// detector options and the photo under the pattern.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "RunCli.h"

using lumora::test::lines;
using lumora::test::number;
using lumora::test::run;

namespace {

const std::string kData = LUMORA_CLI_TEST_DATA_DIR;
const std::string kExamples = LUMORA_TEST_DATA_DIR;
const std::string kLaue = LUMORA_LAUE_DATA_DIR;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

using Key = std::tuple<int, int, int>;
struct Place {
    double x, y, wavelength;
};

// h k l -> x y wavelength of a --spots file (both members of a pair at one place).
std::map<Key, Place> spotsOf(const std::string& text) {
    std::map<Key, Place> spots;
    for (const auto& line : lines(text)) {
        const auto c = lumora::util::splitBy(line, "\t");
        if (c.size() < 6) continue;
        spots[{std::stoi(c[0]), std::stoi(c[1]), std::stoi(c[2])}] = {number(c[3]), number(c[4]),
                                                                      number(c[5])};
    }
    return spots;
}

std::string num(double v) {
    std::ostringstream text;
    text.precision(17);
    text << v;
    return text.str();
}

// LaueTools' orientation UB (x along the beam, z up), made orthonormal, as
// --matrix: in Lumora's frame (z down) the matrix is (diag(1, -1, -1) U)^T.
std::string lumoraMatrix(std::array<std::array<double, 3>, 3> u) {
    for (int iteration = 0; iteration < 20; ++iteration) {  // polar decomposition: R = (R + R^-T) / 2
        const auto& m = u;
        const double det3 = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                            m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                            m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        std::array<std::array<double, 3>, 3> inverseT{};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
                inverseT[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det3;
            }
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) u[r][c] = (u[r][c] + inverseT[r][c]) / 2;
    }
    std::string matrix;
    const double flip[3] = {1, -1, -1};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) matrix += num(flip[c] * u[c][r]) + " ";
    return matrix;
}

}  // namespace

TEST(FilmPresets, DrawEverySpotWhereTheFilmsAlwaysDrewIt) {
    QTemporaryDir dir;
    for (const std::string mode : {"transmission", "back-reflection"}) {
        for (const bool flip : {false, true}) {
            const std::string name = "film-tri-" + mode + (flip ? "-flip" : "") + ".tsv";
            const std::string spots = dir.filePath(QString::fromStdString(name)).toStdString();
            std::vector<std::string> args{"render",
                                          "--cell",
                                          "3.1 3.7 4.3 80 95 105",
                                          "--sg",
                                          "P -1",
                                          "--matrix",
                                          "0.36 0.48 -0.8 -0.8 0.6 0 0.48 0.64 0.6",
                                          "--mode",
                                          mode,
                                          "--kv",
                                          "40",
                                          "--lambda-max",
                                          "2",
                                          "--distance",
                                          "40",
                                          "--size",
                                          "900x700",
                                          "-o",
                                          dir.filePath("p.png").toStdString(),
                                          "--spots",
                                          spots};
            if (flip) args.push_back("--flip-x");
            const auto r = run(args);
            ASSERT_EQ(r.status, 0) << r.err;
            const std::string recorded = readText(kData + "/" + name);
            ASSERT_GT(lines(recorded).size(), 300u) << name;
            EXPECT_EQ(readText(spots), recorded) << name;
        }
    }
}

// The silicon crystal of a simulated exposure on the calibrated top camera of
// a microdiffraction beamline: every spot of Lumora's list that LaueTools
// indexed lies at LaueTools' pixel.
TEST(CameraPattern, CalibratedTopCameraPutsSpotsOnLaueToolsPixels) {
    QTemporaryDir dir;
    const std::string det = dir.filePath("sCMOS.det").toStdString();
    writeText(det,
              "77.088, 1012.45, 1049.92, 0.423, 0.172, 0.0734, 2018, 2016\n"
              "Sample-Detector distance(IM), xO, yO, angle1, angle2, pixelsize, dim1, dim2\n");
    const std::string matrix = lumoraMatrix({{{0.550636039, -0.541285959, -0.635473157},
                                              {0.706456594, 0.707638003, 0.009386067},
                                              {0.444581523, -0.454114638, 0.77206598}}});

    const std::string spots = dir.filePath("si.tsv").toStdString();
    const auto r = run({"render", "--cell", "5.4309 5.4309 5.4309 90 90 90", "--sg", "F d -3 m", "--matrix",
                        matrix, "--kv", "25", "--lambda-max", "2.5", "--detector-file", det, "--size",
                        "1009x1008", "-o", dir.filePath("si.png").toStdString(), "--spots", spots});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto predicted = spotsOf(readText(spots));
    int compared = 0;
    for (const auto& line : lines(readText(kData + "/SiCustrain0-Si.fit"))) {
        if (line.empty() || line[0] == '#') continue;
        const auto w = lumora::util::splitBlanks(line);
        const Key key{std::stoi(w[2]), std::stoi(w[3]), std::stoi(w[4])};
        const auto found = predicted.find(key);
        // Lumora's list stops at d = (a + b + c) / 30; LaueTools' goes further.
        const double d =
            5.4309 / std::sqrt(std::get<0>(key) * std::get<0>(key) + std::get<1>(key) * std::get<1>(key) +
                               std::get<2>(key) * std::get<2>(key));
        const double x = number(w[7]), y = number(w[8]), keV = number(w[9]);
        // The simulation also kept spots just beyond the frame, which the camera does not show.
        if (d < 0.55 || x < -0.5 || y < -0.5 || x > 2017.5 || y > 2015.5) continue;
        ASSERT_NE(found, predicted.end()) << line;
        EXPECT_LT(std::hypot(found->second.x - x, found->second.y - y), 0.1) << line;
        EXPECT_NEAR(12.398 / found->second.wavelength, keV, 2e-3 * keV) << line;
        ++compared;
    }
    EXPECT_GT(compared, 30);
}

// The same exposure with a complete list: every silicon spot LaueTools
// indexed on the camera, whatever its d, is predicted at LaueTools' pixel.
// Calibration from the .cor header, orientation and spots from the .fit.
TEST(CameraPattern, CompleteListPredictsEverySpotOfTheExposure) {
    std::map<std::string, std::string> calibration;  // "# dd     :   77.088"
    for (const auto& line : lines(readText(kLaue + "/SiCustrain0.cor"))) {
        const auto colon = line.find(':');
        if (line.rfind("# ", 0) != 0 || colon == std::string::npos) continue;
        calibration[lumora::util::trim(line.substr(1, colon - 1))] =
            lumora::util::trim(line.substr(colon + 1));
    }
    QTemporaryDir dir;
    const std::string det = dir.filePath("cor.det").toStdString();
    writeText(det, calibration.at("dd") + ", " + calibration.at("xcen") + ", " + calibration.at("ycen") +
                       ", " + calibration.at("xbet") + ", " + calibration.at("xgam") + ", " +
                       calibration.at("pixelsize") + ", 2018, 2016\n");

    // The silicon block of the .fit comes first: its spot lines, then its UB.
    std::vector<std::vector<std::string>> silicon;
    std::array<std::array<double, 3>, 3> ub{};
    int ubRow = -1;
    for (const auto& line : lines(readText(kLaue + "/SiCustrain0.fit"))) {
        if (line.rfind("#UB matrix", 0) == 0) {
            ubRow = 0;
            continue;
        }
        if (ubRow >= 0) {
            std::string row = line;
            for (char& c : row)
                if (c == '#' || c == '[' || c == ']') c = ' ';
            const auto w = lumora::util::splitBlanks(row);
            for (int c = 0; c < 3; ++c) ub[ubRow][c] = number(w.at(c));
            if (++ubRow == 3) break;
            continue;
        }
        if (!line.empty() && line[0] != '#') silicon.push_back(lumora::util::splitBlanks(line));
    }
    ASSERT_EQ(silicon.size(), 155u);
    ASSERT_EQ(ubRow, 3);

    const std::string spots = dir.filePath("si.tsv").toStdString();
    const auto r = run({"render",
                        "--cell",
                        "5.4309 5.4309 5.4309 90 90 90",
                        "--sg",
                        "F d -3 m",
                        "--matrix",
                        lumoraMatrix(ub),
                        "--kv",
                        "25",
                        "--lambda-max",
                        "2.4796",
                        "--detector-file",
                        det,
                        "--complete",
                        "--size",
                        "1009x1008",
                        "-o",
                        dir.filePath("si.png").toStdString(),
                        "--spots",
                        spots});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto predicted = spotsOf(readText(spots));
    int compared = 0, largest = 0;
    for (const auto& w : silicon) {
        const int h = std::stoi(w[2]), k = std::stoi(w[3]), l = std::stoi(w[4]);
        const double x = number(w[7]), y = number(w[8]), keV = number(w[9]);
        // The simulation also kept spots just beyond the frame, which the camera does not show.
        if (x < -0.5 || y < -0.5 || x > 2017.5 || y > 2015.5) continue;
        const auto found = predicted.find({h, k, l});
        ASSERT_NE(found, predicted.end()) << h << " " << k << " " << l;
        EXPECT_LT(std::hypot(found->second.x - x, found->second.y - y), 0.1) << h << " " << k << " " << l;
        EXPECT_NEAR(12.398 / found->second.wavelength, keV, 2e-3 * keV) << h << " " << k << " " << l;
        largest = std::max(largest, h * h + k * k + l * l);
        ++compared;
    }
    EXPECT_GT(compared, 140);
    EXPECT_GE(largest, 100);  // reflections far beyond the cell's rule (h^2 + k^2 + l^2 <= 97)
}

TEST(CameraPattern, OptionsPlaceTheCameraAndBadOnesAreRefused) {
    QTemporaryDir dir;
    const std::string png = dir.filePath("c.png").toStdString();
    const auto spotsWith = [&](std::vector<std::string> extra) {
        const std::string tsv = dir.filePath("c.tsv").toStdString();
        std::vector<std::string> args{"render",  "--cell",  "5.4307 5.4307 5.4307 90 90 90",
                                      "--sg",    "F D 3 M", "--orient",
                                      "1 2 3",   "-o",      png,
                                      "--spots", tsv};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return readText(tsv);
    };
    // The default camera and the same one spelled out.
    const std::string byDefault = spotsWith({"--mode", "detector"});
    EXPECT_GT(lines(byDefault).size(), 20u);
    EXPECT_EQ(
        spotsWith({"--detector-normal", "90 0", "--detector-distance", "70", "--detector-size", "2048 2048",
                   "--pixel-size", "0.08", "--detector-centre", "1023.5 1023.5", "--detector-tilt", "0 0 0"}),
        byDefault);
    // Every spot on the frame, and a tilt moves them.
    for (const auto& [key, at] : spotsOf(byDefault)) {
        EXPECT_GE(at.x, -0.5);
        EXPECT_LE(at.x, 2047.5);
        EXPECT_GE(at.y, -0.5);
        EXPECT_LE(at.y, 2047.5);
    }
    EXPECT_NE(spotsWith({"--detector-tilt", "0 2 0"}), byDefault);
    // A camera facing the beam (2theta 0) at the distance and scale of the
    // transmission film sees the film's spots, mirrored as the film shows them
    // from outside: column = x0 - (film x) / pixels-per-mm, row = y0 - (film y) / ...
    const std::string film = spotsWith({"--mode", "transmission", "--size", "1000x800"});
    const std::string camera =
        spotsWith({"--detector-normal", "0 0", "--detector-distance", "30", "--pixel-size", "0.1",
                   "--detector-size", "900 1200", "--detector-centre", "449.5 599.5"});
    const double filmPixelsPerMm = std::min(0.95 * 1000 / 90, 0.95 * 800 / 120);
    int matched = 0;
    const auto cameraSpots = spotsOf(camera);
    for (const auto& [key, at] : spotsOf(film)) {
        const double column = 449.5 - at.x / filmPixelsPerMm / 0.1,
                     row = 599.5 - at.y / filmPixelsPerMm / 0.1;
        const auto found = cameraSpots.find(key);
        if (column < 0 || column > 899 || row < 0 || row > 1199) continue;
        ASSERT_NE(found, cameraSpots.end());
        EXPECT_NEAR(found->second.x, column, 1e-2);
        EXPECT_NEAR(found->second.y, row, 1e-2);
        ++matched;
    }
    EXPECT_GT(matched, 20);

    // Refusals: exit 2 with a message that says what is wrong.
    const std::string badDet = dir.filePath("bad.det").toStdString();
    writeText(badDet, "77.1, 1012, 1049, 0.4\nnotes\n");
    const auto refused = [&](std::vector<std::string> extra, const std::string& words) {
        std::vector<std::string> args{"render", "--cell", "5 5 5 90 90 90", "--sg", "P 1", "-o", png};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << words;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
    };
    refused({"--detector-file", badDet}, "line 1 of \"bad.det\": expected 8 numbers");
    refused({"--detector-file", dir.filePath("none.det").toStdString()}, "Error 53");
    refused({"--detector-file", badDet, "--detector-distance", "50"}, "leave out --detector-distance");
    refused({"--detector-normal", "90"}, "--detector-normal takes two angles");
    refused({"--pixel-size", "0"}, "--pixel-size must be positive");
    refused({"--detector-size", "2048.5 10"}, "whole numbers of pixels");
    refused({"--detector-distance", "-3"}, "--detector-distance must be positive");
    refused({"--mode", "transmission", "--detector-normal", "90 0"}, "--mode detector only");
    refused({"--mode", "stereogram", "--photo", kExamples + "/Si.cel"},
            "--photo goes with the Laue patterns");
    refused({"--photo", kExamples + "/Si.cel", "--mode", "transmission"}, "cannot be read");
    refused({"--photo-centre", "45 60"}, "--photo-centre places a film photo");
}

// The photo page on the command line: on the example photograph (silicon along
// [111], film 90 x 120 mm at 30 mm, drawn from the cell without atoms) every
// ring sits on a bright spot of the photo, at the photo pixel --spots gives.
TEST(PhotoUnderThePattern, RingsSitOnTheSpotsOfTheExamplePhotograph) {
    QTemporaryDir dir;
    const std::string photoPath = kExamples + "/photo-Si-transmission-111-D30-film90x120.jpg";
    const QImage photo(QString::fromStdString(photoPath));
    ASSERT_FALSE(photo.isNull());
    const std::string tsv = dir.filePath("rings.tsv").toStdString();
    const auto r = run({"render", "--cell", "5.431 5.431 5.431 90 90 90", "--sg", "F d -3 m", "--mode",
                        "transmission", "--orient", "111", "--photo", photoPath, "--size", "450x600", "-o",
                        dir.filePath("page.png").toStdString(), "--spots", tsv});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto brightness = [&](double x, double y) {
        int best = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint p(static_cast<int>(std::lround(x)) + dx, static_cast<int>(std::lround(y)) + dy);
                if (photo.rect().contains(p)) best = std::max(best, qGray(photo.pixel(p)));
            }
        return best;
    };
    int rings = 0, onSpots = 0;
    for (const auto& [key, at] : spotsOf(readText(tsv))) {
        if (at.x < 2 || at.y < 2 || at.x > photo.width() - 3 || at.y > photo.height() - 3) continue;
        ++rings;
        // The background is near 30 grey; the blurred spots rise far above it.
        onSpots += brightness(at.x, at.y) > 70;
    }
    EXPECT_GT(rings, 100);
    EXPECT_GE(onSpots, rings - 2) << onSpots << " of " << rings;

    // Moving the beam centre by 1 mm moves every ring by the photo's pixels per mm (10 here).
    const std::string moved = dir.filePath("moved.tsv").toStdString();
    ASSERT_EQ(run({"render", "--cell", "5.431 5.431 5.431 90 90 90", "--sg", "F d -3 m", "--mode",
                   "transmission", "--orient", "111", "--photo", photoPath, "--photo-centre", "46 60",
                   "--size", "450x600", "-o", dir.filePath("page.png").toStdString(), "--spots", moved})
                  .status,
              0);
    const auto before = spotsOf(readText(tsv)), after = spotsOf(readText(moved));
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [key, at] : before) {
        EXPECT_NEAR(after.at(key).x - at.x, 900.0 / 90, 1e-3);
        EXPECT_NEAR(after.at(key).y, at.y, 1e-3);
    }
}

// A detector frame lies 1:1 under a camera's pattern: the photo pixel of a
// ring is its detector pixel.
TEST(PhotoUnderThePattern, ACameraFrameLiesOneToOne) {
    QTemporaryDir dir;
    const QString frame = dir.filePath("frame.png");
    QImage image(512, 384, QImage::Format_RGB32);
    image.fill(Qt::black);
    ASSERT_TRUE(image.save(frame));
    const std::vector<std::string> common{"render",
                                          "--cell",
                                          "5.4307 5.4307 5.4307 90 90 90",
                                          "--sg",
                                          "F D 3 M",
                                          "--orient",
                                          "1 2 3",
                                          "--detector-size",
                                          "512 384",
                                          "--pixel-size",
                                          "0.3",
                                          "--detector-distance",
                                          "60",
                                          "--size",
                                          "800x600"};
    auto args = common;
    const std::string plain = dir.filePath("plain.tsv").toStdString(),
                      onPhoto = dir.filePath("photo.tsv").toStdString();
    args.insert(args.end(), {"-o", dir.filePath("a.png").toStdString(), "--spots", plain});
    ASSERT_EQ(run(args).status, 0);
    args = common;
    args.insert(args.end(), {"-o", dir.filePath("b.png").toStdString(), "--spots", onPhoto, "--photo",
                             frame.toStdString()});
    const auto r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto a = spotsOf(readText(plain)), b = spotsOf(readText(onPhoto));
    ASSERT_GT(a.size(), 5u);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [key, at] : a) {
        EXPECT_NEAR(b.at(key).x, at.x, 1e-3);
        EXPECT_NEAR(b.at(key).y, at.y, 1e-3);
    }
}
