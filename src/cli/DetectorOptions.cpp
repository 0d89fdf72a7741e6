// The detector options shared by the commands that place spots on a camera.
#include "cli/DetectorOptions.h"

#include <cmath>
#include <vector>

#include "cli/CliSupport.h"
#include "util/Error.h"
#include "util/TextSplit.h"

namespace lumora::cli {

namespace {

const QStringList kPlacementOptions{"detector-normal", "detector-distance", "detector-centre",
                                    "pixel-size",      "detector-size",     "detector-tilt"};

// The numbers of an option's value ("90 0", "1012.5,1049.9"): exactly one of the counts allowed.
std::vector<double> numbers(const QCommandLineParser& parser, const QString& name, std::vector<int> counts,
                            const std::string& form) {
    const std::string text = parser.value(name).toStdString();
    const auto words = util::splitBlanks(util::replaceAll(text, ",", " "));
    bool countOk = false;
    for (int c : counts) countOk |= static_cast<int>(words.size()) == c;
    if (!countOk) throw UsageError("--" + name.toStdString() + " takes " + form + ", not \"" + text + "\"");
    std::vector<double> values;
    for (const auto& w : words) {
        const double v = parseNumber(QString::fromStdString(w), "--" + name.toStdString());
        if (!std::isfinite(v) || std::fabs(v) > 1e7)
            throw UsageError("--" + name.toStdString() + " " + w + " is out of range");
        values.push_back(v);
    }
    return values;
}

double positive(double v, const QString& name) {
    if (!(v > 0)) throw UsageError("--" + name.toStdString() + " must be positive");
    return v;
}

}  // namespace

void addDetectorOptions(QCommandLineParser& parser) {
    parser.addOption({"detector-file",
                      "Draw the Laue pattern on the camera of a LaueTools calibration file (.det: dd, xcen, "
                      "ycen, xbet, xgam, pixelsize, dim1, dim2 on its first line).",
                      "FILE.det"});
    parser.addOption({"detector-normal",
                      "Draw the Laue pattern on a flat camera whose normal is the ray (2theta, chi) = "
                      "(cos 2theta, -sin 2theta sin chi, -sin 2theta cos chi) (default \"90 0\": above the "
                      "crystal).",
                      "2theta chi"});
    parser.addOption(
        {"detector-distance", "Camera distance from the crystal along its normal, mm (default 70).", "MM"});
    parser.addOption(
        {"detector-centre",
         "Pixel (column row) where the normal meets the camera (default: the middle of the frame).",
         "x0 y0"});
    parser.addOption({"pixel-size", "Pixel size in mm, or \"px py\" (default 0.08).", "MM"});
    parser.addOption({"detector-size", "Camera frame in pixels (default \"2048 2048\").", "W H"});
    parser.addOption({"detector-tilt",
                      "Tilts of the camera in degrees: about its u axis, then its v axis, then its normal "
                      "(default \"0 0 0\").",
                      "a b c"});
}

bool hasDetectorOptions(const QCommandLineParser& parser) {
    if (parser.isSet("detector-file")) return true;
    for (const QString& name : kPlacementOptions)
        if (parser.isSet(name)) return true;
    return false;
}

std::optional<engine::Detector> detectorFromOptions(const QCommandLineParser& parser) {
    if (!hasDetectorOptions(parser)) return std::nullopt;
    if (parser.isSet("detector-file")) {
        for (const QString& name : kPlacementOptions)
            if (parser.isSet(name))
                throw UsageError("--detector-file gives the whole camera; leave out --" + name.toStdString());
        return engine::readDetFile(parser.value("detector-file").toStdString()).detector;
    }
    const engine::CameraSettings& d = engine::kTopCameraDefaults;
    std::array<double, 2> normal{90, 0};
    if (parser.isSet("detector-normal")) {
        const auto v = numbers(parser, "detector-normal", {2}, "two angles in degrees, \"2theta chi\"");
        normal = {v[0], v[1]};
    }
    const double distance =
        parser.isSet("detector-distance")
            ? positive(numbers(parser, "detector-distance", {1}, "a distance in mm")[0], "detector-distance")
            : d.distance;
    std::array<double, 2> size{static_cast<double>(d.widthPx), static_cast<double>(d.heightPx)};
    if (parser.isSet("detector-size")) {
        const auto v = numbers(parser, "detector-size", {2}, "the frame in pixels, \"W H\"");
        for (int i = 0; i < 2; ++i) {
            if (!(v[i] >= 1 && v[i] <= 1000000 && v[i] == std::floor(v[i])))
                throw UsageError("--detector-size takes whole numbers of pixels from 1 to 1000000");
            size[i] = v[i];
        }
    }
    std::array<double, 2> pixel{d.pixelMm, d.pixelMm};
    if (parser.isSet("pixel-size")) {
        const auto v = numbers(parser, "pixel-size", {1, 2}, "one size in mm, or \"px py\"");
        pixel = {positive(v[0], "pixel-size"), positive(v.size() == 2 ? v[1] : v[0], "pixel-size")};
    }
    // The middle of the frame, counted from 0 at the centre of the first pixel.
    std::array<double, 2> centre{(size[0] - 1) / 2, (size[1] - 1) / 2};
    if (parser.isSet("detector-centre")) {
        const auto v = numbers(parser, "detector-centre", {2}, "a pixel position, \"x0 y0\"");
        centre = {v[0], v[1]};
    }
    std::array<double, 3> tilts{0, 0, 0};
    if (parser.isSet("detector-tilt")) {
        const auto v = numbers(parser, "detector-tilt", {3}, "three angles in degrees, \"a b c\"");
        tilts = {v[0], v[1], v[2]};
    }
    try {
        return engine::placedDetector(normal[0], normal[1], tilts, distance, centre[0], centre[1], pixel[0],
                                      pixel[1], static_cast<int>(size[0]), static_cast<int>(size[1]));
    } catch (const Error& e) {
        throw UsageError(e.description());
    }
}

}  // namespace lumora::cli
