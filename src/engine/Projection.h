#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "engine/VectorTypes.h"

namespace lumora::engine {

// Markers in the x of a projected position; any x >= kHidden is not drawn.
constexpr float kOffFilm = 99999;  // wavelength outside the band, or the other geometry's angle
constexpr float kHidden = 88888;   // behind the beam stop, or between the two geometries

// Bragg angle of a reciprocal-lattice vector in the laboratory frame (beam
// along +x) and the direction of its (y, z) part on the film. The vector is
// taken on the side facing along the beam, as hkl and -h-k-l make one spot.
struct BraggDirection {
    double theta = 0;     // radians
    double thetaDeg = 0;  // degrees
    double cy = 0, cz = 0;
};
BraggDirection braggDirection(const Vec3f& lab);

// Flat-film position for plot type 1 (transmission, film behind the crystal)
// or 2 (back-reflection) at a film distance of `scale` output units, before
// any flip. x is kOffFilm or kHidden when the spot is not on the film.
std::array<float, 2> filmPosition(const BraggDirection& b, int plotType, float scale);

// Palette entry of a 0..1 key (1 strong, 0 weak): (1 - key) * 2/3 of the way
// through the palette, reversed for grey spots on black. Clamped to 0..255, so
// a key outside 0..1 (an F above a stale maximum) still picks a colour.
int paletteEntry(double key, bool reversed);

// Radius at zoom 1 and palette entry of a spot on a film.
struct FilmSpot {
    float radius = 0.5f;
    int entry = 0;
};
// With structure factors: the radius grows with F / fMax up to 10 pixels and
// the colour follows (F / fMax)^2.
FilmSpot intensitySpot(double f, double fMax, double spotSize, bool reversed);
// Without: the radius grows with d / dMax and the colour follows the
// wavelength through the band.
FilmSpot wavelengthSpot(double d, double dMax, double lambda, double lambdaMin, double lambdaMax,
                        double spotSize, bool reversed);
// Both give the smallest spot in the first palette colour when the range they
// divide by is empty (fMax or dMax of 0, a band of zero width), never NaN.

// Stereogram colour of a value within low..high (F within 0..fMax, or d within
// dMin..dMax): the hue runs from red at high to blue at low. nullopt when the
// range is empty.
std::optional<uint32_t> stereoColour(double value, double low, double high);

// The grey (g, g, g) of a Wulff-monitor spot of relative strength v: strong is dark.
uint32_t strengthGrey(double v);

// Stereographic position, pole on the beam, on a net of `radius`.
std::array<float, 2> stereoPosition(const Vec3f& lab, float radius);

}  // namespace lumora::engine
