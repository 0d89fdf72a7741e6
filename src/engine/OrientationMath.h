#pragma once

#include <array>
#include <string>

#include "engine/VectorTypes.h"

namespace lumora::engine {

// arccos that never fails: 0 for x >= 1, pi for x <= -1, otherwise
// atan(-x / sqrt(1 - x^2)) + 2 atan(1). Rounding pushes dot products of unit
// vectors just past +-1, and those must read as parallel, not as an error.
double arcCos(double x);

// Divides by the length; a zero vector stays as it is.
void normalise(Vec3d& v);

// v / |v| in double precision (a zero vector stays zero).
Vec3d unit(const Vec3f& v);
// arccos of the dot product of two unit vectors, in degrees.
float angleBetween(const Vec3d& p, const Vec3d& q);

// The laboratory vector O^T v of a crystal vector v.
Vec3d toLab(const Mat3f& o, const Vec3d& v);
Vec3d toLab(const Mat3f& o, const Vec3f& v);

// T * R, where R turns by `degrees` about laboratory axis 1, 2 or 3 (x, y, z).
// Computed in double, stored as singles; any other axis returns T unchanged.
Mat3f rotatedAbout(const Mat3f& t, int axis, double degrees);

// The two turns (radians) that bring the crystal vector x onto the beam: a turn
// of -phi about z, then psi about y (followed by a fixed -90 degrees about y).
struct BeamTurns {
    double phi = 0;
    double psi = 0;
};
// Components below a millionth of the largest count as 0.
BeamTurns beamTurns(Vec3f x);

// Angle to the beam (signed by the side of y) and azimuth about the beam, in
// degrees, of a laboratory vector t.
std::array<float, 2> goniometerAngles(Vec3d t);

// Whether m is a proper rotation: m m^T = I and det m = +1, each within
// `tolerance` (computed in double).
bool isRotation(const Mat3f& m, double tolerance = 1e-6);

// Brings a real vector down to small integers for the orientation texts.
std::array<int, 3> smallIntegers(Vec3d v);

class CellMetric;
// The beam's direction [uvw] and the plane (hkl) normal to it, as small integers, for a beam
// direction given in the crystal frame (column 0 of an orientation matrix): its components along
// a, b, c are its dot products with a*, b*, c*, its plane indices those with a, b, c.
struct BeamIndices {
    std::array<int, 3> uvw{}, hkl{};
};
BeamIndices beamIndices(const Vec3d& beamInCrystal, const CellMetric& metric);
// " [1  2  0]": open, the three numbers two blanks apart, close.
std::string indexText(const std::array<int, 3>& n, char open, char close);

}  // namespace lumora::engine
