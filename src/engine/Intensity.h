#pragma once

// The intensity a Laue spot really has: the harmonics of its direction, each
// weighted by the beam's spectrum at its wavelength, λ⁴, |F|², polarisation and
// the Lorentz factor 1 / sin²θ.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/Reflections.h"
#include "engine/VectorTypes.h"
#include "structure/Atoms.h"

namespace lumora::engine {

// How spots are sized and coloured: by |F| (or d without a structure), as the
// classic pattern does, or by the physical intensity of the spot.
enum class IntensityModel { Amplitude, Physical };
// The beam: a tube (Kramers continuum and the anode's lines, unpolarised) or a
// white synchrotron beam (flat over the band, polarised in the horizontal x-y plane).
enum class BeamSource { Tube, Synchrotron };

// An anode of the tube: its characteristic lines Kα1, Kα2, Kβ (Å) and K edge (keV).
struct Anode {
    std::string_view symbol;
    std::array<float, 3> lines;
    double kEdge;
};
inline constexpr int kAnodeCount = 5;  // Ag, Mo, Cu, Fe, Cr: rows 0..4 of the anode choice
// Row 0..4; other rows raise Error 9.
const Anode& anode(int index);
// The row of "Ag", "Mo", "Cu", "Fe" or "Cr" (any case); -1 for other words.
int anodeIndex(std::string_view symbol);

// Peak heights of Kα1, Kα2, Kβ relative to the continuum's maximum, and the
// full width at half maximum of each line relative to its wavelength.
inline constexpr std::array<double, 3> kLineHeights{100, 50, 20};
inline constexpr double kRelativeLineWidth = 1e-3;
// A line is cut off this many widths (FWHM) from its centre.
inline constexpr double kLineReach = 2;

// The spectrum S(λ) of the beam in relative units.
class Spectrum {
public:
    // A tube at kV volts with the anode of row `anodeRow`, or a synchrotron
    // beam (kV and the anode then play no part). A voltage that is not
    // positive raises Error 5.
    Spectrum(BeamSource source, double kV, int anodeRow);

    // Tube: (λ/λmin − 1)/λ² above λmin = 12.398/kV, 0 below, plus the anode's
    // lines as Gaussians when kV exceeds its K edge. Synchrotron: 1.
    double operator()(double lambda) const;
    bool hasLines() const { return lines_; }
    double lambdaMin() const { return lambdaMin_; }

private:
    BeamSource source_;
    double lambdaMin_ = 0;
    bool lines_ = false;
    std::array<double, 3> centres_{};
    double continuumMax_ = 0;  // 1 / (4 λmin²), at λ = 2 λmin
};

// P for a reflected ray r (unit vector; the beam runs along +x): the tube's
// (1 + cos² 2θ)/2, or the synchrotron's 1 − (sin 2θ sin χ)² = 1 − r_y².
double polarisation(BeamSource source, const Vec3d& ray);

// Σ S(λm) λm⁴ |F(m p)|² P / sin²θ over m with λm = λp/m inside [lambdaMin,
// lambdaMax]; squaredAmplitude(m) gives |F(m p)|² (0 for an absent m p).
template <class Amplitudes>
double harmonicSum(double lambdaP, double sinTheta, double p, double lambdaMin, double lambdaMax,
                   const Spectrum& spectrum, Amplitudes&& squaredAmplitude);

// |F(m p)|² of the harmonics of primitive directions p, computed when first
// asked for and kept: without atoms 1 for every m p the space group allows.
class HarmonicAmplitudes {
public:
    HarmonicAmplitudes() = default;
    // Empty atoms: no structure.
    HarmonicAmplitudes(std::vector<structure::CellAtom> atoms, ExtinctionRules rules);

    // |F(m h, m k, m l)|² for the primitive h k l of spacing dp (Å), m >= 1.
    double squared(int h, int k, int l, int m, double dp);

private:
    std::vector<structure::CellAtom> atoms_;
    ExtinctionRules rules_;
    std::unordered_map<int64_t, std::vector<float>> series_;
};

// What a spot of reflection h k l (spacing d, laboratory vector lab) receives:
// the primitive direction, its wavelength and the harmonic sum.
struct SpotIntensity {
    int h = 0, k = 0, l = 0;  // primitive direction
    double lambda = 0;        // of the primitive direction, Å
    double sinTheta = 0;
    double intensity = 0;
};
SpotIntensity spotIntensity(int h, int k, int l, double d, const Vec3f& lab, double lambdaMin,
                            double lambdaMax, BeamSource source, const Spectrum& spectrum,
                            HarmonicAmplitudes& amplitudes);

// ---- template ----------------------------------------------------------------------

template <class Amplitudes>
double harmonicSum(double lambdaP, double sinTheta, double p, double lambdaMin, double lambdaMax,
                   const Spectrum& spectrum, Amplitudes&& squaredAmplitude) {
    if (!(lambdaP > 0) || !(sinTheta > 0) || !(lambdaMin > 0) || !(lambdaMax >= lambdaMin)) return 0;
    // m from ceil(λp / λmax) to floor(λp / λmin), with a little slack for rounding.
    const double first = std::max(1.0, std::ceil(lambdaP / lambdaMax * (1 - 1e-12)));
    const double last = std::min(std::floor(lambdaP / lambdaMin * (1 + 1e-12)), 1e6);
    double sum = 0;
    for (double m = first; m <= last; ++m) {
        const double lambda = lambdaP / m;
        if (lambda < lambdaMin * (1 - 1e-12) || lambda > lambdaMax * (1 + 1e-12)) continue;
        const double f2 = squaredAmplitude(static_cast<int>(m));
        if (f2 == 0) continue;
        const double l2 = lambda * lambda;
        sum += spectrum(lambda) * l2 * l2 * f2;
    }
    return sum * p / (sinTheta * sinTheta);
}

}  // namespace lumora::engine
