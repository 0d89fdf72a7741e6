#pragma once

// Where scattered rays meet a flat detector: the two films of the classic pattern and area detectors
// placed anywhere, such as the camera above the crystal at a synchrotron. Laboratory frame: the beam
// runs along +x, z points down, right-handed. Lengths are in mm, angles in degrees.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "engine/VectorTypes.h"

namespace lumora::engine {

using Vec2d = std::array<double, 2>;

// A flat plane at `distance` from the crystal along its unit normal n (pointing from the crystal to
// the plane), with unit in-plane axes u and v. Detector coordinates (x, y) count `px` mm along u and
// `py` mm along v per unit; (x0, y0) is the foot of the normal. A default-constructed value is only a
// placeholder: build detectors with the functions below, which check their input.
struct Detector {
    enum class Kind { TransmissionFilm, BackReflectionFilm, Flat };
    Kind kind = Kind::Flat;
    double distance = 0;
    Vec3d n{1, 0, 0}, u{0, 1, 0}, v{0, 0, 1};
    double x0 = 0, y0 = 0;
    double px = 1, py = 1;
    double width = 0, height = 0;  // frame size in detector units

    // The frame rectangle. Pixel detectors count from 0 at the centre of the top-left pixel, so their
    // frame runs from -0.5 to width - 0.5 (and likewise in y); films are measured in mm from their
    // top-left corner, their frame runs from 0 to width.
    double left() const;
    double top() const;
    double right() const;
    double bottom() const;
    bool isFilm() const;
    // Largest angle between a ray and n that still meets the plane: 88 for the films (the classic
    // pattern's Bragg-angle limits of 44 and 46 degrees), 90 for the rest.
    double maxIncidenceDeg() const;
    // Films show spots beyond their edge (the picture is then clipped only on request); other
    // detectors do not.
    bool boundedByFrame() const;

    // The detector coordinates where a ray from the crystal meets the plane: P = D r / (r.n),
    // x = x0 + (P.u) / px, y = y0 + (P.v) / py. Any positive multiple of r gives the same point.
    // nullopt when r is zero or makes maxIncidenceDeg() or more with n; a ray within 1e-12 of the
    // plane misses it too, as a ray parallel to it may seem to lean towards it by rounding.
    std::optional<Vec2d> toDetector(const Vec3d& ray) const;
    // Within [left, right] x [top, bottom], edges included.
    bool inFrame(const Vec2d& p) const;
    // The unit ray towards (x, y): P = D n + (x - x0) px u + (y - y0) py v, r = P / |P|.
    Vec3d rayAt(double x, double y) const;
    // The unit normal g = (r - b) / |r - b| of the planes that reflect the beam b = (1, 0, 0) into the
    // ray at (x, y); g.b < 0. The zero vector where the direct beam itself arrives.
    Vec3d planeNormalAt(double x, double y) const;
    // Where the line of the beam crosses the plane: downstream of the crystal,
    // or upstream for a plane facing the source, which the incoming beam passes
    // through (the hole of a back-reflection film); nullopt when it runs along it.
    std::optional<Vec2d> beamPoint() const;
};

// The classic films, shown as seen from outside the camera looking towards the crystal; detector
// units are mm, the normal's foot is the film's middle. Transmission: n = +x, u = -y (flipX: +y),
// v = +z. Back reflection: n = -x, u = +y (flipX: -y), v = +z. Without flipX both have u x v = -n:
// they are seen from the side away from the crystal.
Detector transmissionFilm(double distanceMm, double widthMm, double heightMm, bool flipX);
Detector backReflectionFilm(double distanceMm, double widthMm, double heightMm, bool flipX);

// A pixel detector anywhere. Its normal points along the ray (twoThetaDeg, chiDeg) of rayFromAngles,
// with u = (0, cos chi, -sin chi) and v = n x u (so u x v = n). The tilts then turn the whole frame
// (n, u, v), each right-handed, in this order: tiltsDeg[0] about u, then tiltsDeg[1] about the turned
// v, then tiltsDeg[2] about the turned n. Pixel sizes px, py in mm; the frame is widthPx x heightPx.
Detector placedDetector(double twoThetaDeg, double chiDeg, const std::array<double, 3>& tiltsDeg,
                        double distance, double x0, double y0, double px, double py, int widthPx,
                        int heightPx);

// The microdiffraction camera above the crystal: placedDetector(90, 0, {0, 0, 0}, ...), so that
// n = -z (up), u = +y, v = +x.
Detector topCamera(double distance, double x0, double y0, double pixelMm, int widthPx, int heightPx);

struct CameraSettings {
    double distance;
    double x0, y0;
    double pixelMm;
    int widthPx, heightPx;
};
// What the window offers before any calibration is loaded: a 2048 x 2048 camera of 0.08 mm pixels
// at 70 mm, its normal's foot on the middle of the frame.
inline constexpr CameraSettings kTopCameraDefaults{70, 1023.5, 1023.5, 0.08, 2048, 2048};
// That camera.
Detector defaultTopCamera();

// The numbers of a LaueTools .det calibration file, as read: distance (mm), centre (pixels), the two
// tilts xbet and xgam (degrees), pixel size (mm) and the frame in pixels.
struct DetCalibration {
    double dd = 0, xcen = 0, ycen = 0, xbet = 0, xgam = 0, pixelSize = 0;
    int dim1 = 0, dim2 = 0;
};

// The top-camera geometry of a calibration, the pixel-to-angle formula of LaueTools for a camera
// looking down on the crystal: with beta = xbet and gamma = -xgam, n = (sin beta, 0, -cos beta),
// e1 = (0, 1, 0), e2 = (cos beta, 0, sin beta), u = cos gamma e1 + sin gamma e2,
// v = -sin gamma e1 + cos gamma e2; px = py = pixelSize, frame dim1 x dim2.
// The same as placedDetector(90, 0, {-xbet, 0, -xgam}, ...).
Detector calibratedCamera(const DetCalibration& c);

struct DetFile {
    DetCalibration calibration;
    Detector detector;
};

// Reads a .det text: its first line holds dd, xcen, ycen, xbet, xgam, pixelsize, dim1, dim2,
// separated by commas and/or blanks, optionally in brackets; further lines are notes and ignored.
// Error 5 names the line and, when given, the file name: wrong count, a word that is not a number,
// dd or pixelsize not positive, dim1 or dim2 not a whole number from 1 to 1000000, an empty text.
DetFile parseDetFile(std::string_view text, const std::string& fileName = {});
// The checks every input file goes through (util::checkInputFile), then parseDetFile with the file's
// name.
DetFile readDetFile(const std::string& path);

// The scattered ray (cos 2theta, -sin 2theta sin chi, -sin 2theta cos chi), LaueTools' (2theta, chi)
// in this laboratory frame; and back: 2theta = acos(r_x), chi = atan2(-r_y, -r_z), for any length of r.
Vec3d rayFromAngles(double twoThetaDeg, double chiDeg);
std::array<double, 2> anglesOfRay(const Vec3d& r);

}  // namespace lumora::engine
