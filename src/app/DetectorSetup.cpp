#include "app/DetectorSetup.h"

#include <QFile>
#include <QLocale>
#include <QStringList>
#include <cmath>
#include <exception>

#include "util/NumberText.h"

namespace lumora::app {

namespace {

// Beyond these no camera exists and the geometry would overflow; the same
// bounds as the calibration reader's.
constexpr double kLongestDistance = 1e5;
constexpr double kLargestPixel = 100;
constexpr double kFarthestCentre = 1e7;
constexpr double kLargestAngle = 360;
constexpr double kMostPixels = 1000000;

constexpr int kTopFields = FrameHeight + 1;

constexpr const char* kEntryNames[] = {"transmission", "back-reflection", "top", "custom", "file"};

QString entryName(DetectorEntry e) { return QString::fromLatin1(kEntryNames[static_cast<int>(e)]); }

std::optional<DetectorEntry> entryNamed(const QString& name) {
    for (int i = 0; i < 5; ++i)
        if (name == QLatin1String(kEntryNames[i])) return static_cast<DetectorEntry>(i);
    return std::nullopt;
}

QString numberText(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

QString record(const CameraValues& values, int count) {
    QStringList words;
    for (int i = 0; i < count; ++i) words << numberText(values[static_cast<std::size_t>(i)]);
    return words.join(QLatin1Char(' '));
}

// The first `count` values of a stored record over the defaults; nothing
// when the record is not exactly that many usable numbers.
std::optional<CameraValues> parseRecord(const QString& text, int count) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() != count) return std::nullopt;
    CameraValues values = defaultCameraValues();
    for (int i = 0; i < count; ++i) {
        double v = 0;
        if (!util::parseStrictNumber(words[i].toStdString(), v) || !cameraFieldFault(i, v).isEmpty())
            return std::nullopt;
        values[static_cast<std::size_t>(i)] = v;
    }
    return values;
}

}  // namespace

CameraValues defaultCameraValues() {
    const engine::CameraSettings& d = engine::kTopCameraDefaults;
    return {d.distance,
            d.x0,
            d.y0,
            d.pixelMm,
            static_cast<double>(d.widthPx),
            static_cast<double>(d.heightPx),
            90,
            0,
            0,
            0,
            0};
}

CameraValues calibrationValues(const engine::DetCalibration& c) {
    return {c.dd, c.xcen,  c.ycen, c.pixelSize, static_cast<double>(c.dim1), static_cast<double>(c.dim2), 90,
            0,    -c.xbet, 0,      -c.xgam};
}

std::optional<CameraValues> cameraValuesOf(const engine::Detector& d) {
    if (d.isFilm() || !(std::fabs(d.px - d.py) <= 1e-9 * d.px)) return std::nullopt;
    const auto dot = [](const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    const Vec3d cross{d.u[1] * d.v[2] - d.u[2] * d.v[1], d.u[2] * d.v[0] - d.u[0] * d.v[2],
                      d.u[0] * d.v[1] - d.u[1] * d.v[0]};
    if (!(dot(cross, d.n) > 0.999)) return std::nullopt;
    const auto [twoTheta, chi] = engine::anglesOfRay(d.n);
    // The frame of that normal before any tilt; the camera's u is its u turned about n.
    const engine::Detector base =
        engine::placedDetector(twoTheta, chi, {0, 0, 0}, d.distance, d.x0, d.y0, d.px, d.py, 1, 1);
    const double tiltN = std::atan2(dot(d.u, base.v), dot(d.u, base.u)) * 180 / std::acos(-1.0);
    const CameraValues values{
        d.distance, d.x0, d.y0, d.px, std::round(d.width), std::round(d.height), twoTheta, chi, 0, 0, tiltN};
    for (int i = 0; i < kCameraFields; ++i)
        if (!cameraFieldFault(i, values[static_cast<std::size_t>(i)]).isEmpty()) return std::nullopt;
    return values;
}

QString cameraFieldName(int field) {
    static const char* const names[kCameraFields] = {
        "Distance",  "Centre x", "Centre y",     "Pixel size",   "Frame width", "Frame height",
        "Normal 2θ", "Normal χ", "Tilt about u", "Tilt about v", "Tilt about n"};
    return field >= 0 && field < kCameraFields ? QString::fromUtf8(names[field]) : QString();
}

QString cameraFieldFault(int field, double v) {
    switch (field) {
        case Distance:
            if (!(v > 0 && v <= kLongestDistance))
                return QStringLiteral("is not a distance from 0 to 100000 mm");
            break;
        case PixelSize:
            if (!(v > 0 && v <= kLargestPixel)) return QStringLiteral("is not a pixel size from 0 to 100 mm");
            break;
        case CentreX:
        case CentreY:
            if (!(std::fabs(v) <= kFarthestCentre))
                return QStringLiteral("is not a pixel position from -10000000 to 10000000");
            break;
        case FrameWidth:
        case FrameHeight:
            if (!(v >= 1 && v <= kMostPixels && v == std::floor(v)))
                return QStringLiteral("is not a whole number of pixels from 1 to 1000000");
            break;
        default:
            if (!(std::fabs(v) <= kLargestAngle))
                return QStringLiteral("is not an angle from -360 to 360 degrees");
            break;
    }
    return {};
}

engine::Detector cameraOf(const DetectorSetup& setup, DetectorEntry entry) {
    const auto whole = [](double v) { return static_cast<int>(v); };
    switch (entry) {
        case DetectorEntry::DetFile:
            if (setup.det) return setup.det->detector;
            break;
        case DetectorEntry::CustomCamera: {
            const CameraValues& c = setup.custom;
            return engine::placedDetector(c[TwoTheta], c[Chi], {c[TiltU], c[TiltV], c[TiltN]}, c[Distance],
                                          c[CentreX], c[CentreY], c[PixelSize], c[PixelSize],
                                          whole(c[FrameWidth]), whole(c[FrameHeight]));
        }
        default:
            break;
    }
    const CameraValues& t = setup.top;
    return engine::topCamera(t[Distance], t[CentreX], t[CentreY], t[PixelSize], whole(t[FrameWidth]),
                             whole(t[FrameHeight]));
}

StoredDetector storedDetector(const DetectorSetup& setup) {
    return {entryName(setup.entry), entryName(setup.camera), record(setup.top, kTopFields),
            record(setup.custom, kCameraFields), setup.detPath};
}

DetectorSetup detectorSetup(const StoredDetector& stored) {
    DetectorSetup setup;
    if (const auto values = parseRecord(stored.top, kTopFields)) setup.top = *values;
    if (const auto values = parseRecord(stored.custom, kCameraFields)) setup.custom = *values;
    setup.detPath = stored.file;
    if (!setup.detPath.isEmpty()) {
        try {
            setup.det = engine::readDetFile(QFile::encodeName(setup.detPath).toStdString());
        } catch (const std::exception&) {
            // The file was moved or changed since: its camera is gone, its folder is still a good start.
        }
    }
    const auto usable = [&setup](DetectorEntry e) { return e != DetectorEntry::DetFile || setup.det; };
    if (const auto camera = entryNamed(stored.camera); camera && isCameraEntry(*camera) && usable(*camera))
        setup.camera = *camera;
    if (const auto entry = entryNamed(stored.choice)) setup.entry = usable(*entry) ? *entry : setup.camera;
    return setup;
}

}  // namespace lumora::app
