// LaueTools .det calibrations: the camera they describe, checked by hand and against the (2theta,
// chi) LaueTools itself computed for the spots of a simulated exposure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "EngineFixtures.h"
#include "engine/Detector.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

using namespace lumora;
using namespace lumora::testing;
using engine::Detector;

namespace {

namespace fs = std::filesystem;

void expectSameFrame(const Detector& got, const Detector& want, const std::string& what) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(got.n[i], want.n[i], 1e-15) << what << " n " << i;
        EXPECT_NEAR(got.u[i], want.u[i], 1e-15) << what << " u " << i;
        EXPECT_NEAR(got.v[i], want.v[i], 1e-15) << what << " v " << i;
    }
    EXPECT_EQ(got.distance, want.distance) << what;
    EXPECT_EQ((std::array<double, 6>{got.x0, got.y0, got.px, got.py, got.width, got.height}),
              (std::array<double, 6>{want.x0, want.y0, want.px, want.py, want.width, want.height}))
        << what;
}

// The description of the error a .det text raises, or "" when it is read.
std::string refusal(const std::string& text, const std::string& name = "cam.det") {
    try {
        engine::parseDetFile(text, name);
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), Error::InvalidCall) << text;
        return e.description();
    }
    return "";
}

struct Spot {
    double twoTheta, chi, x, y;
};

// The spot rows and the "# name : value" calibration lines of a .cor file, the values as written.
void readCor(const std::string& path, std::vector<Spot>& spots, std::map<std::string, std::string>& header) {
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::string line;
    std::getline(in, line);  // column titles
    while (std::getline(in, line)) {
        if (util::startsWith(line, "#")) {
            const auto parts = util::splitBy(line.substr(1), ":");
            double value = 0;
            if (parts.size() == 2 && util::parseStrictNumber(parts[1], value)) header[parts[0]] = parts[1];
            continue;
        }
        const auto words = util::splitBlanks(line);
        ASSERT_EQ(words.size(), 5u) << line;
        std::array<double, 4> v{};
        for (std::size_t i = 0; i < 4; ++i) ASSERT_TRUE(util::parseStrictNumber(words[i], v[i])) << line;
        spots.push_back({v[0], v[1], v[2], v[3]});
    }
}

}  // namespace

TEST(DetFile, ReadsTheFirstLineAndWorksOutOnePixelByHand) {
    const auto file = engine::parseDetFile(
        "77.088, 1012.45, 1049.92, 0.423, 0.172, 0.0734, 2018.000, 2016.000\n"
        "Sample-Detector distance(IM), xO, yO, angle1, angle2, pixelsize, dim1, dim2\n"
        "Calibration done with Ge at Tue Jan 01 10:00:00 2019 with LaueToolsGUI.py\n"
        "Matrix Orientation: [[0.1, 0.2, 0.3], [4, 5, 6]]\n");
    const auto& c = file.calibration;
    EXPECT_EQ((std::array<double, 6>{c.dd, c.xcen, c.ycen, c.xbet, c.xgam, c.pixelSize}),
              (std::array<double, 6>{77.088, 1012.45, 1049.92, 0.423, 0.172, 0.0734}));
    EXPECT_EQ(c.dim1, 2018);
    EXPECT_EQ(c.dim2, 2016);
    const Detector& d = file.detector;
    EXPECT_EQ((std::array<double, 4>{d.left(), d.top(), d.right(), d.bottom()}),
              (std::array<double, 4>{-0.5, -0.5, 2017.5, 2015.5}));
    EXPECT_TRUE(d.boundedByFrame());

    // Pixel (1500, 300): 487.55 pixels along u, -749.92 along v, each 0.0734 mm; the plane turned by
    // beta = 0.423 deg about y from straight up, then by gamma = -0.172 deg within itself.
    const double beta = 0.423 * kDeg, gamma = -0.172 * kDeg;
    const double a = 487.55 * 0.0734, b = -749.92 * 0.0734;
    const double cb = std::cos(beta), sb = std::sin(beta), cg = std::cos(gamma), sg = std::sin(gamma);
    const double along1 = a * cg - b * sg, along2 = a * sg + b * cg;  // along e1 = +y and e2
    const Vec3d p{77.088 * sb + along2 * cb, along1, -77.088 * cb + along2 * sb};
    const Vec3d want = unit(p);
    const Vec3d got = d.rayAt(1500, 300);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-15) << i;
    const auto spot = d.toDetector(want);
    ASSERT_TRUE(spot.has_value());
    EXPECT_NEAR((*spot)[0], 1500, 1e-9);
    EXPECT_NEAR((*spot)[1], 300, 1e-9);
}

// The calibration's two angles are tilts of the upward camera: -xbet about u, then -xgam about n.
TEST(DetFile, CalibrationIsTheUpwardCameraTilted) {
    for (const auto& [xbet, xgam] : {std::pair{0.423, 0.172}, {-1.5, 0.8}, {25.0, -40.0}, {0.0, 0.0}}) {
        engine::DetCalibration c;
        c.dd = 70;
        c.xcen = 1000;
        c.ycen = 1100;
        c.xbet = xbet;
        c.xgam = xgam;
        c.pixelSize = 0.08;
        c.dim1 = 2048;
        c.dim2 = 1024;
        const Detector tilted =
            engine::placedDetector(90, 0, {-xbet, 0, -xgam}, 70, 1000, 1100, 0.08, 0.08, 2048, 1024);
        expectSameFrame(engine::calibratedCamera(c), tilted,
                        std::to_string(xbet) + " " + std::to_string(xgam));
    }
}

// Every spot of the exposure: its pixel gives LaueTools' (2theta, chi), and back. The file holds
// single-precision numbers, which sets the tolerances (worst seen: 5.0e-5 degrees, 0.0019 pixel).
TEST(DetFile, ReproducesTheAnglesOfASimulatedExposure) {
    std::vector<Spot> spots;
    std::map<std::string, std::string> h;
    readCor(std::string(LUMORA_ENGINE_TEST_DATA_DIR) + "/SiCustrain0-first40.cor", spots, h);
    ASSERT_EQ(spots.size(), 40u);
    std::string calibration;
    for (const char* name : {"dd", "xcen", "ycen", "xbet", "xgam", "pixelsize"}) {
        ASSERT_EQ(h.count(name), 1u) << name;
        calibration += h[name] + ", ";
    }
    // The header does not give the frame; it is that of the sCMOS camera it names.
    const Detector d = engine::parseDetFile(calibration + "2018, 2016\n").detector;
    EXPECT_EQ(d.distance, 77.088);
    EXPECT_EQ(d.px, 0.0734);
    for (const Spot& s : spots) {
        const auto angles = engine::anglesOfRay(d.rayAt(s.x, s.y));
        EXPECT_NEAR(angles[0], s.twoTheta, 6e-5) << s.x << " " << s.y;
        EXPECT_NEAR(angles[1], s.chi, 6e-5) << s.x << " " << s.y;
        const auto p = d.toDetector(engine::rayFromAngles(s.twoTheta, s.chi));
        ASSERT_TRUE(p.has_value());
        EXPECT_NEAR((*p)[0], s.x, 2e-3) << s.twoTheta << " " << s.chi;
        EXPECT_NEAR((*p)[1], s.y, 2e-3) << s.twoTheta << " " << s.chi;
    }
}

TEST(DetFile, AcceptsTheWaysTheFirstLineIsWritten) {
    const std::string numbers = "70 1024 1024 0.5 -0.2 0.08 2048 2048";
    for (const std::string& text :
         {std::string("[70, 1024, 1024, 0.5, -0.2, 0.08, 2048, 2048]\nnotes"),
          std::string("  [ 70,1024 ,1024,0.5,-0.2,0.08,2048,2048 ]  "),
          std::string("70, 1024, 1024, 0.5, -0.2, 0.08, 2048, 2048,\n"), numbers, numbers + "\r\nnotes\r\n",
          "\xEF\xBB\xBF" + numbers, std::string("70\t1024 1024 5e-1 -0.2 8E-2 2048 2048")}) {
        const auto c = engine::parseDetFile(text).calibration;
        EXPECT_EQ((std::array<double, 6>{c.dd, c.xcen, c.ycen, c.xbet, c.xgam, c.pixelSize}),
                  (std::array<double, 6>{70, 1024, 1024, 0.5, -0.2, 0.08}))
            << text;
        EXPECT_EQ(c.dim1, 2048) << text;
    }
}

TEST(DetFile, RefusesWhatIsNotACalibration) {
    EXPECT_EQ(
        refusal("77.088, 1012.45, 1049.92, 0.423, 0.172, 0.0734\n", "name.det"),
        "line 1 of \"name.det\": expected 8 numbers (dd, xcen, ycen, xbet, xgam, pixelsize, dim1, dim2), "
        "found 6");
    EXPECT_EQ(
        refusal("70 1024 1024 0 0 0.08 2048 2048 7"),
        "line 1 of \"cam.det\": expected 8 numbers (dd, xcen, ycen, xbet, xgam, pixelsize, dim1, dim2), "
        "found 9");
    // The numbers must be on the first line, not after notes.
    EXPECT_EQ(
        refusal("calibration\n70 1024 1024 0 0 0.08 2048 2048"),
        "line 1 of \"cam.det\": expected 8 numbers (dd, xcen, ycen, xbet, xgam, pixelsize, dim1, dim2), "
        "found 1");
    EXPECT_EQ(refusal("70, 1024, abc, 0, 0, 0.08, 2048, 2048", "x.det"),
              "line 1 of \"x.det\": \"abc\" is not a number");
    EXPECT_EQ(refusal("70, 1024, 1024, 0, nan, 0.08, 2048, 2048"),
              "line 1 of \"cam.det\": \"nan\" is not a number");
    EXPECT_EQ(refusal("70, 1024, 1024, 0, 0, 1e999, 2048, 2048"),
              "line 1 of \"cam.det\": \"1e999\" is not a number");
    EXPECT_EQ(refusal("70, 1024, 1024, 0, 0, -0.08, 2048, 2048"),
              "line 1 of \"cam.det\": pixelsize = -0.08 must be a size from 0 to 100 mm");
    EXPECT_EQ(refusal("0, 1024, 1024, 0, 0, 0.08, 2048, 2048"),
              "line 1 of \"cam.det\": dd = 0 must be a distance from 0 to 100000 mm");
    // Magnitudes no camera has, which would overflow the geometry (found by fuzzing).
    EXPECT_EQ(refusal("77, .01E178, 2, .01E256, 328, 2, 1, 1"),
              "line 1 of \"cam.det\": xcen = .01E178 must lie within 10000000 pixels of the frame");
    EXPECT_EQ(refusal("77, 1, 2, 1000, 0, 2, 1, 1"),
              "line 1 of \"cam.det\": xbet = 1000 must be an angle from -360 to 360 degrees");
    EXPECT_EQ(refusal("77, 1, 2, 0, 0, 1e3, 1, 1"),
              "line 1 of \"cam.det\": pixelsize = 1e3 must be a size from 0 to 100 mm");
    EXPECT_EQ(refusal("70, 1024, 1024, 0, 0, 0.08, 0, 2048"),
              "line 1 of \"cam.det\": dim1 = 0 must be a whole number of pixels from 1 to 1000000");
    EXPECT_EQ(refusal("70, 1024, 1024, 0, 0, 0.08, 2048, 2047.5"),
              "line 1 of \"cam.det\": dim2 = 2047.5 must be a whole number of pixels from 1 to 1000000");
    EXPECT_EQ(refusal("70, 1024, 1024, 0, 0, 0.08, 2048, 1e12"),
              "line 1 of \"cam.det\": dim2 = 1e12 must be a whole number of pixels from 1 to 1000000");
    EXPECT_EQ(refusal(""), "\"cam.det\": the file is empty");
    EXPECT_EQ(refusal(" \r\n\n"), "\"cam.det\": the file is empty");
    EXPECT_EQ(refusal("", ""), "the file is empty");
    EXPECT_EQ(refusal("70 1024", ""),
              "line 1: expected 8 numbers (dd, xcen, ycen, xbet, xgam, pixelsize, dim1, dim2), found 2");
}

TEST(DetFile, ReadsFromDiskWithTheChecksOfEveryReader) {
    const fs::path folder =
        fs::temp_directory_path() / ("lumora-det-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    const fs::path good = folder / "good.det", bad = folder / "bad.det";
    std::ofstream(good, std::ios::binary) << "70, 1024, 1024, 0.5, -0.2, 0.08, 2048, 2048\nnotes\n";
    std::ofstream(bad, std::ios::binary) << "70, 1024\n";
    EXPECT_EQ(engine::readDetFile(good.string()).calibration.xbet, 0.5);
    const auto errorOf = [](const fs::path& path) {
        try {
            engine::readDetFile(path.string());
        } catch (const Error& e) {
            return e;
        }
        ADD_FAILURE() << path << " was read";
        return Error(0, "");
    };
    // The message names the file, not the folder it is in.
    EXPECT_EQ(errorOf(bad).description(),
              "line 1 of \"bad.det\": expected 8 numbers (dd, xcen, ycen, xbet, xgam, pixelsize, dim1, "
              "dim2), found 2");
    EXPECT_EQ(errorOf(folder / "missing.det").number(), Error::FileNotFound);
    EXPECT_EQ(errorOf(folder).number(), Error::PathAccess);
    fs::remove_all(folder);
}
