#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

#include "engine/Detector.h"
#include "engine/VectorTypes.h"

namespace lumora::engine {

// Markers in the x of a projected position; any x >= kHidden is not drawn.
constexpr float kOffFilm = 99999;  // wavelength outside the band, or the other side of the plane
constexpr float kHidden = 88888;   // behind the beam stop, or too close to the plane's edge-on direction

// Spots closer than this to the direct beam's point on the picture lie
// behind the beam stop (pixels, at the picture's scale).
constexpr float kBeamStopRadius = 4.0f;

// Whether a spot at picture offset `spot` lies behind the beam stop about the
// beam's offset `beam` (no beam on the plane: no stop). The offsets are in the
// single precision the films have always been placed in.
inline bool behindBeamStop(const std::array<float, 2>& spot,
                           const std::optional<std::array<float, 2>>& beam) {
    if (!beam) return false;
    const float dx = spot[0] - (*beam)[0], dy = spot[1] - (*beam)[1];
    return std::sqrt(dx * dx + dy * dy) < kBeamStopRadius;
}

// Bragg angle of a reciprocal-lattice vector in the laboratory frame (beam
// along +x) and the direction of its (y, z) part. The vector is taken on the
// side facing along the beam, as hkl and -h-k-l make one spot. The angle is
// theta = pi/2 - arccos(v.x) with the classic pi = 3.141592654 that the
// patterns have always been drawn with; it is kept as sines and cosines, which
// need no trigonometric function.
struct BraggDirection {
    double sinTheta = 0, cosTheta = 0;  // theta with the classic pi
    double sinPhi = 1, cosPhi = 0;      // phi = arccos(v.x), the angle from the beam
    double cy = 0, cz = 0;
    bool forward() const;  // theta up to 45 degrees: the ray leaves forwards
};
BraggDirection braggDirection(const Vec3f& lab);

// The ray the planes of `b` reflect the beam into: (cos 2θ, -sin 2θ cy, -sin 2θ cz).
Vec3d scatteredRay(const BraggDirection& b);

// Where one reflection meets the plane of a Laue pattern. This is the one
// projection of every Laue picture (films and cameras, the drawing, the
// photo overlay and picking take their spots from it).
struct DetectorHit {
    enum class Miss {
        None,
        OutsideBand,   // its wavelength lies outside the band
        OtherSide,     // the ray runs away from the plane
        Grazing,       // the ray meets the plane too obliquely (the films' 44/46 degree limits)
        OutsideFrame,  // beyond the edge of a camera
    };
    Miss miss = Miss::None;
    Vec2d at{};  // detector coordinates when it meets the plane
    float wavelength = 0;
};
DetectorHit hitOnDetector(const Vec3f& lab, float d, float lambdaMin, float lambdaMax, const Detector& det);

// hitOnDetector for a whole list on one detector and band. Quick tests leave
// out what is clearly off (outside the band, on the far side, or more than a
// pixel beyond a camera's frame) before the exact computation decides the
// rest, so every hit is exactly what hitOnDetector gives; a reflection left
// out early may give another reason for missing than it would.
class LauePlacer {
public:
    LauePlacer(const Detector& det, float lambdaMin, float lambdaMax);
    DetectorHit place(const Vec3f& lab, float d) const;
    const Detector& detector() const { return det_; }

private:
    Detector det_;
    float lambdaMin_, lambdaMax_;
    double lowest_, highest_;  // the band with room for rounding
    double leastAlong_;        // the smallest r.n of a ray that may still meet the plane
};

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
