// Physical spot intensities against the formula written out here: Kramers
// continuum, λ⁴, |F|² from the atom positions, polarisation and 1/sin²θ,
// summed over the harmonics of the spot.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numeric>
#include <string>
#include <vector>

#include "EngineFixtures.h"
#include "engine/Intensity.h"
#include "engine/LaueEngine.h"
#include "structure/Elements.h"
#include "util/Error.h"

namespace lumora::testing {
namespace {

using engine::BeamSource;

constexpr double kTwoPi = 2 * 3.14159265358979323846;

struct Site {
    int z;
    double x, y, z_;
};

// The four face-centring translations applied to each basis atom.
std::vector<Site> faceCentred(const std::vector<Site>& basis) {
    const double t[4][3] = {{0, 0, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}, {0.5, 0.5, 0}};
    std::vector<Site> all;
    for (const Site& b : basis)
        for (const auto& s : t) all.push_back({b.z, b.x + s[0], b.y + s[1], b.z_ + s[2]});
    return all;
}

// |F|² for a cubic cell of edge a with B = 0.5 Å².
double squaredF(const std::vector<Site>& sites, double a, int h, int k, int l) {
    const double d = a / std::sqrt(double(h * h + k * k + l * l));
    const double s2 = 1 / (4 * d * d);
    std::complex<double> sum = 0;
    for (const Site& s : sites) {
        const double f = structure::scatteringFactorExact(s.z, s2) * std::exp(-0.5 * s2);
        sum += f * std::polar(1.0, kTwoPi * (h * s.x + k * s.y + l * s.z_));
    }
    return std::norm(sum);
}

double kramers(double lambda, double kV) {
    const double lambdaMin = 12.398 / kV;
    return lambda > lambdaMin ? (lambda / lambdaMin - 1) / (lambda * lambda) : 0;
}

struct Expected {
    double intensity = 0;
    std::vector<int> harmonics;  // the m with |F(m p)| > 0 in the band
};

// The spot of h k l in the laboratory frame, from the formula.
Expected expectedIntensity(const std::vector<Site>& sites, double a, int h, int k, int l, const Vec3f& lab,
                           double kV, double lambdaMax, BeamSource source) {
    const int g = std::gcd(std::gcd(std::abs(h), std::abs(k)), std::abs(l));
    const int ph = h / g, pk = k / g, pl = l / g;
    const double dp = a / std::sqrt(double(ph * ph + pk * pk + pl * pl));
    const Vec3d v = unit({lab[0], lab[1], lab[2]});
    const double sinTheta = std::fabs(v[0]);
    const double lambdaP = 2 * dp * sinTheta;
    // 2θ and χ of the reflected ray (cos 2θ, −sin 2θ sin χ, −sin 2θ cos χ).
    const double twoTheta = 2 * std::asin(sinTheta);
    const double sign = v[0] < 0 ? -1 : 1;
    const double ry = -2 * sinTheta * sign * v[1], rz = -2 * sinTheta * sign * v[2];
    const double chi = std::atan2(-ry, -rz);
    const double p = source == BeamSource::Tube ? (1 + std::cos(twoTheta) * std::cos(twoTheta)) / 2
                                                : 1 - std::pow(std::sin(twoTheta) * std::sin(chi), 2);
    Expected e;
    const double lambdaMin = 12.398 / kV;
    for (int m = 1; lambdaP / m >= lambdaMin; ++m) {
        const double lambda = lambdaP / m;
        if (lambda > lambdaMax) continue;
        const double f2 = squaredF(sites, a, m * ph, m * pk, m * pl);
        if (f2 < 1e-6) continue;
        e.harmonics.push_back(m);
        const double s = source == BeamSource::Tube ? kramers(lambda, kV) : 1.0;
        e.intensity += s * std::pow(lambda, 4) * f2;
    }
    e.intensity *= p / (sinTheta * sinTheta);
    return e;
}

const std::vector<Site> kSilicon = faceCentred({{14, 0, 0, 0}, {14, 0.25, 0.25, 0.25}});
const std::vector<Site> kHalite = faceCentred({{11, 0, 0, 0}, {17, 0.5, 0.5, 0.5}});

struct Crystal {
    std::string file;
    double a;
    const std::vector<Site>* sites;
    std::vector<std::array<int, 3>> reflections;
};

// A general orientation, the tube at 25 kV with the silver anode (its lines
// start at 25.5 kV, so only the continuum shines) or the synchrotron beam.
TEST(PhysicalIntensity, SpotsOfSiliconAndHaliteFollowTheHarmonicSum) {
    const std::vector<Crystal> crystals{
        {"Si.cel", 5.4307, &kSilicon, {{4, 0, 0}, {8, 0, 0}, {2, 2, 0}, {1, 1, 1}, {3, 1, 1}, {1, 3, -1}}},
        {"NaCl.cif", 5.6402, &kHalite, {{2, 0, 0}, {1, 1, 1}, {2, 2, 2}, {2, 2, 0}, {3, 1, 1}, {0, 2, -4}}},
    };
    for (const BeamSource source : {BeamSource::Tube, BeamSource::Synchrotron}) {
        for (const Crystal& c : crystals) {
            clLAUE laue;
            EngineDefaults defaults;
            defaults.voltage = 25;
            defaults.anodeIndex = 0;  // Ag
            laue.newDocument(defaults);
            laue.setBeamSource(source);
            const std::string path = std::string(LUMORA_TEST_DATA_DIR) + "/" + c.file;
            if (c.file.ends_with(".cel"))
                laue.readCEL(path);
            else
                laue.readCIF(path);
            laue.GenerateHKL();
            laue.x_lambda_max = 2.5f;
            laue.setOrientationMatrix(orientationTaking({0.62, 0.31, 0.72}));
            laue.DoRotate(3, 11);
            const engine::Spectrum spectrum = laue.spectrum();
            ASSERT_FALSE(spectrum.hasLines());
            int spotsWithSkippedFirstHarmonic = 0;
            for (const auto& [h, k, l] : c.reflections) {
                std::string name = c.file;
                name.append(" ")
                    .append(std::to_string(h))
                    .append(std::to_string(k))
                    .append(std::to_string(l));
                const int32_t n = listIndex(laue, h, k, l);
                ASSERT_GE(n, 0) << name;
                const Expected e =
                    expectedIntensity(*c.sites, c.a, h, k, l, laue.labVectorOf(n), 25, 2.5, source);
                ASSERT_FALSE(e.harmonics.empty()) << name << ": pick a spot in the band";
                if (e.harmonics.front() > 1) ++spotsWithSkippedFirstHarmonic;
                EXPECT_NEAR(laue.spotIntensity(n, spectrum), e.intensity, 1e-4 * e.intensity) << name;
                // hkl and -h-k-l, and every harmonic of the spot, carry the same sum.
                const int32_t mate = listIndex(laue, -h, -k, -l);
                ASSERT_GE(mate, 0) << name;
                EXPECT_DOUBLE_EQ(laue.spotIntensity(mate, spectrum), laue.spotIntensity(n, spectrum)) << name;
            }
            // Si 400 and 220: their spots' first harmonics 100 and 110 are absent.
            if (c.file == "Si.cel") {
                EXPECT_GE(spotsWithSkippedFirstHarmonic, 2);
            }
            // NaCl 200 and 400 lie on one spot.
            if (c.file == "NaCl.cif") {
                EXPECT_DOUBLE_EQ(laue.spotIntensity(listIndex(laue, 2, 0, 0), spectrum),
                                 laue.spotIntensity(listIndex(laue, 4, 0, 0), spectrum));
            }
        }
    }
}

TEST(PhysicalIntensity, WithoutAStructureEveryAllowedHarmonicCountsOne) {
    // P 1, cubic 5 Å: every m p is allowed and |F| = 1.
    clLAUE laue;
    EngineDefaults defaults;
    defaults.voltage = 40;
    defaults.anodeIndex = 0;
    laue.newDocument(defaults);
    generate(laue, kCubic5);
    laue.setOrientationMatrix(orientationTaking({0.5, 0.6, 0.62}));
    const engine::Spectrum spectrum = laue.spectrum();
    const int32_t n = listIndex(laue, 1, 2, 0);
    ASSERT_GE(n, 0);
    const Vec3d v = unit({laue.labVectorOf(n)[0], laue.labVectorOf(n)[1], laue.labVectorOf(n)[2]});
    const double sinTheta = std::fabs(v[0]), cos2 = 1 - 2 * sinTheta * sinTheta;
    const double lambdaP = 2 * (5 / std::sqrt(5.0)) * sinTheta;
    double sum = 0;
    int terms = 0;
    for (int m = 1; lambdaP / m >= 12.398 / 40; ++m)
        if (lambdaP / m <= 2.5) sum += kramers(lambdaP / m, 40) * std::pow(lambdaP / m, 4), ++terms;
    ASSERT_GE(terms, 2);
    EXPECT_NEAR(laue.spotIntensity(n, spectrum), sum * (1 + cos2 * cos2) / 2 / (sinTheta * sinTheta),
                1e-4 * sum);
    // The HKL listing gains its column I with physical intensities only.
    EXPECT_EQ(laue.hklListing().find("d-spacing     I\r\n"), std::string::npos);
    laue.setIntensityModel(engine::IntensityModel::Physical);
    const std::string listing = laue.hklListing();
    EXPECT_NE(listing.find("d-spacing     I\r\n"), std::string::npos);
    EXPECT_NE(listing.find("\r\n   0   0   1  5.00000       "), std::string::npos);
    // 240 lies on the same spot.
    EXPECT_DOUBLE_EQ(laue.spotIntensity(listIndex(laue, 2, 4, 0), spectrum), laue.spotIntensity(n, spectrum));
}

// Si 400 put at the copper Kα1 wavelength. At 20 kV the copper lines shine (K
// edge 8.98 kV) and the silver ones do not (25.5 kV): the two spectra differ
// only by the copper lines.
TEST(PhysicalIntensity, AnodeLinesChangeOnlyTheSpotsOnALine) {
    const double kV = 20;
    clLAUE laue;
    EngineDefaults defaults;
    defaults.voltage = static_cast<float>(kV);
    laue.newDocument(defaults);
    laue.readCEL(std::string(LUMORA_TEST_DATA_DIR) + "/Si.cel");
    laue.GenerateHKL();
    const double kalpha1 = engine::anode(2).lines[0];
    const double sinTheta = 4 * kalpha1 / (2 * 5.4307);
    laue.setOrientationMatrix(orientationTaking(
        {sinTheta, std::sqrt(1 - sinTheta * sinTheta) * 0.8, std::sqrt(1 - sinTheta * sinTheta) * 0.6}));
    laue.DoRotate(1, 23);  // about the beam: the wavelengths stay

    const engine::Spectrum copper(BeamSource::Tube, kV, 2), silver(BeamSource::Tube, kV, 0);
    ASSERT_TRUE(copper.hasLines());
    ASSERT_FALSE(silver.hasLines());
    const int32_t onLine = listIndex(laue, 4, 0, 0);
    ASSERT_NEAR(laue.braggWavelengthOf(onLine), kalpha1, 1e-5);
    // The line adds 100 times the continuum's maximum at its centre.
    const double lambdaMin = 12.398 / kV;
    EXPECT_NEAR(copper(kalpha1) - silver(kalpha1), 100 / (4 * lambdaMin * lambdaMin), 1e-6 * copper(kalpha1));
    EXPECT_GT(laue.spotIntensity(onLine, copper), 5 * laue.spotIntensity(onLine, silver));

    const auto nearALine = [&](int32_t n) {
        const double lambda = laue.braggWavelengthOf(n);
        const int g =
            std::gcd(std::gcd(std::abs(laue.getH(n)), std::abs(laue.getK(n))), std::abs(laue.getL(n)));
        for (int m = 1; m <= 400; ++m)
            for (const float line : engine::anode(2).lines)
                if (std::fabs(lambda * g / m - line) <=
                    engine::kLineReach * engine::kRelativeLineWidth * line * 1.01)
                    return true;
        return false;
    };
    int unchanged = 0, changed = 0;
    for (int32_t n = 0; n < laue.n_hkl; ++n) {
        const double withLines = laue.spotIntensity(n, copper), without = laue.spotIntensity(n, silver);
        if (nearALine(n)) {
            changed += withLines > without;
        } else {
            EXPECT_EQ(withLines, without) << laue.getHKL(n);
            ++unchanged;
        }
    }
    EXPECT_GE(changed, 4);  // 400, -400, 800, -800
    EXPECT_GT(unchanged, 100);
}

TEST(PhysicalIntensity, SynchrotronPolarisationVanishesAtNinetyDegreesInTheHorizontalPlane) {
    using engine::polarisation;
    EXPECT_NEAR(polarisation(BeamSource::Synchrotron, {0, 1, 0}), 0, 1e-15);
    EXPECT_NEAR(polarisation(BeamSource::Synchrotron, {0, 0, -1}), 1, 1e-15);
    EXPECT_NEAR(polarisation(BeamSource::Tube, {0, 1, 0}), 0.5, 1e-15);
    EXPECT_NEAR(polarisation(BeamSource::Tube, {1, 0, 0}), 1, 1e-15);

    // A plane normal at 45° to the beam in the x-y plane reflects the beam to
    // 2θ = 90° horizontally; turned into the x-z plane it reflects vertically.
    engine::HarmonicAmplitudes none({}, engine::ExtinctionRules{});
    const engine::Spectrum white(BeamSource::Synchrotron, 50, 0);
    const double s = std::sqrt(0.5);
    const Vec3f horizontal{float(s / 3), float(-s / 3), 0}, vertical{float(s / 3), 0, float(s / 3)};
    const auto at = [&](const Vec3f& lab) {
        return engine::spotIntensity(1, 0, 0, 3, lab, 0.25, 2.5, BeamSource::Synchrotron, white, none);
    };
    EXPECT_NEAR(at(horizontal).sinTheta, s, 1e-6);
    EXPECT_NEAR(at(horizontal).intensity, 0, 1e-6 * at(vertical).intensity);
    EXPECT_GT(at(vertical).intensity, 0);
}

TEST(PhysicalIntensity, SpectrumAndAnodes) {
    const engine::Spectrum tube(BeamSource::Tube, 50, 1);  // Mo, edge 20 kV
    EXPECT_TRUE(tube.hasLines());
    EXPECT_EQ(tube(0.2), 0);
    EXPECT_DOUBLE_EQ(tube(1.2), kramers(1.2, 50));
    EXPECT_GT(tube(0.7093), 50 * kramers(0.7093, 50));
    EXPECT_FALSE(engine::Spectrum(BeamSource::Tube, 19, 1).hasLines());
    EXPECT_EQ(engine::Spectrum(BeamSource::Synchrotron, 50, 1)(0.3), 1);
    EXPECT_EQ(engine::anodeIndex("cu"), 2);
    EXPECT_EQ(engine::anodeIndex("Cr"), 4);
    EXPECT_EQ(engine::anodeIndex("W"), -1);
    EXPECT_THROW(engine::anode(5), Error);
    EXPECT_THROW(engine::Spectrum(BeamSource::Tube, 0, 1), Error);
}

}  // namespace
}  // namespace lumora::testing
