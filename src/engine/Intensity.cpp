// Physical spot intensities: the tube and synchrotron spectra, polarisation and
// the harmonic sum of a spot.
#include "engine/Intensity.h"

#include <cctype>
#include <numeric>

#include "structure/StructureFactor.h"
#include "util/Error.h"

namespace lumora::engine {

namespace {

// Kα1, Kα2, Kβ in Å and the K absorption edge in keV.
constexpr std::array<Anode, kAnodeCount> kAnodes{{
    {"Ag", {0.55941f, 0.5638f, 0.49707f}, 25.514},
    {"Mo", {0.7093f, 0.71359f, 0.63229f}, 20.000},
    {"Cu", {1.54056f, 1.54439f, 1.39222f}, 8.979},
    {"Fe", {1.93604f, 1.93998f, 1.75661f}, 7.112},
    {"Cr", {2.28970f, 2.29361f, 2.08487f}, 5.989},
}};

constexpr double kHcOverE = 12.398;  // keV Å: λmin = 12.398 / kV

int64_t packed(int h, int k, int l) {
    return (static_cast<int64_t>(h) + (1 << 20)) << 42 | (static_cast<int64_t>(k) + (1 << 20)) << 21 |
           (static_cast<int64_t>(l) + (1 << 20));
}

}  // namespace

const Anode& anode(int index) {
    if (index < 0 || index >= kAnodeCount) throw Error(Error::SubscriptOutOfRange, "Subscript out of range");
    return kAnodes[static_cast<std::size_t>(index)];
}

int anodeIndex(std::string_view symbol) {
    for (int i = 0; i < kAnodeCount; ++i) {
        const std::string_view name = kAnodes[static_cast<std::size_t>(i)].symbol;
        if (symbol.size() != name.size()) continue;
        bool same = true;
        for (std::size_t c = 0; c < name.size(); ++c)
            same = same && std::tolower(static_cast<unsigned char>(symbol[c])) ==
                               std::tolower(static_cast<unsigned char>(name[c]));
        if (same) return i;
    }
    return -1;
}

Spectrum::Spectrum(BeamSource source, double kV, int anodeRow) : source_(source) {
    if (!std::isfinite(kV) || kV <= 0)
        throw Error(Error::InvalidCall, "Invalid voltage: the tube voltage must be a positive number of kV");
    lambdaMin_ = kHcOverE / kV;
    continuumMax_ = 1 / (4 * lambdaMin_ * lambdaMin_);
    if (source_ != BeamSource::Tube) return;
    const Anode& a = anode(anodeRow);
    lines_ = kV > a.kEdge;
    for (std::size_t i = 0; i < 3; ++i) centres_[i] = a.lines[i];
}

double Spectrum::operator()(double lambda) const {
    if (source_ == BeamSource::Synchrotron) return 1;
    if (!(lambda > lambdaMin_)) return 0;
    double s = (lambda / lambdaMin_ - 1) / (lambda * lambda);
    if (lines_) {
        for (std::size_t i = 0; i < 3; ++i) {
            const double width = kRelativeLineWidth * centres_[i];
            const double offset = (lambda - centres_[i]) / width;
            if (std::fabs(offset) > kLineReach) continue;
            // A Gaussian of full width at half maximum `width`.
            s += kLineHeights[i] * continuumMax_ * std::exp(-4 * std::log(2.0) * offset * offset);
        }
    }
    return s;
}

double polarisation(BeamSource source, const Vec3d& ray) {
    if (source == BeamSource::Synchrotron) return 1 - ray[1] * ray[1];
    return (1 + ray[0] * ray[0]) / 2;
}

HarmonicAmplitudes::HarmonicAmplitudes(std::vector<structure::CellAtom> atoms, ExtinctionRules rules)
    : atoms_(std::move(atoms)), rules_(std::move(rules)) {}

double HarmonicAmplitudes::squared(int h, int k, int l, int m, double dp) {
    if (m < 1) return 0;
    // p and -p have the same harmonics (|F(-h)| = |F(h)|, absences alike).
    const bool flip = h < 0 || (h == 0 && (k < 0 || (k == 0 && l < 0)));
    if (flip) h = -h, k = -k, l = -l;
    std::vector<float>& series = series_[packed(h, k, l)];
    while (static_cast<int>(series.size()) < m) {
        const int n = static_cast<int>(series.size()) + 1;
        double f2 = 0;
        if (!rules_.isExtinct(n * h, n * k, n * l)) {
            if (atoms_.empty()) {
                f2 = 1;
            } else {
                const double f = structure::structureAmplitude(atoms_, n * h, n * k, n * l, dp / n);
                f2 = f * f;
            }
        }
        series.push_back(static_cast<float>(f2));
    }
    return series[static_cast<std::size_t>(m - 1)];
}

SpotIntensity spotIntensity(int h, int k, int l, double d, const Vec3f& lab, double lambdaMin,
                            double lambdaMax, BeamSource source, const Spectrum& spectrum,
                            HarmonicAmplitudes& amplitudes) {
    SpotIntensity s;
    const int divisor = std::gcd(std::gcd(std::abs(h), std::abs(k)), std::abs(l));
    if (divisor == 0) return s;
    s.h = h / divisor;
    s.k = k / divisor;
    s.l = l / divisor;
    const double x = lab[0], y = lab[1], z = lab[2];
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0)) return s;
    // The unit normal facing along the beam reflects it into r = b - 2 (b.v) v; sin θ = v.x.
    const double sign = x < 0 ? -1 : 1;
    const double vx = sign * x / length, vy = sign * y / length, vz = sign * z / length;
    s.sinTheta = vx;
    const double dp = d * divisor;
    s.lambda = 2 * dp * vx;
    const Vec3d ray{1 - 2 * vx * vx, -2 * vx * vy, -2 * vx * vz};
    const double p = polarisation(source, ray);
    s.intensity = harmonicSum(s.lambda, s.sinTheta, p, lambdaMin, lambdaMax, spectrum,
                              [&](int m) { return amplitudes.squared(s.h, s.k, s.l, m, dp); });
    return s;
}

}  // namespace lumora::engine
