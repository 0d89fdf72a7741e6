// Spots of `lumora render --spots` against diffraction geometry computed here
// from first principles.
//
// Conventions (documented for users in `lumora render --help`): the beam runs
// along +x of a right-handed laboratory frame whose z axis points down; a
// crystal vector v has the laboratory vector O^T v for the orientation matrix O
// given with --matrix. A reflection with reciprocal vector G diffracts when
// k' = k + G has the length of k (k = x/lambda), i.e. lambda = -2 G.x / |G|^2.
// Each film is shown as seen from outside the camera, looking towards the
// crystal, with the laboratory's up (-z) at the top.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <tuple>

#include "RunCli.h"

using lumora::test::lines;
using lumora::test::run;

namespace {

using Vec = std::array<double, 3>;
constexpr double kPi = 3.14159265358979323846;

Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Crystal {
    std::array<double, 6> cell;
    std::string group;
};

// Direct basis with c along z and b in the y-z plane; reciprocal vectors by cross products.
std::array<Vec, 3> reciprocalBasis(const std::array<double, 6>& p) {
    const double rad = kPi / 180;
    const double ca = std::cos(p[3] * rad), cb = std::cos(p[4] * rad), cg = std::cos(p[5] * rad);
    const double sa = std::sin(p[3] * rad);
    const double x = cg - ca * cb;
    const Vec a{p[0] * std::sqrt(1 - cb * cb - x * x / (sa * sa)), p[0] * x / sa, p[0] * cb};
    const Vec b{0, p[1] * sa, p[1] * ca};
    const Vec c{0, 0, p[2]};
    const double v = dot(a, cross(b, c));
    const Vec as = cross(b, c), bs = cross(c, a), cs = cross(a, b);
    return {{{as[0] / v, as[1] / v, as[2] / v},
             {bs[0] / v, bs[1] / v, bs[2] / v},
             {cs[0] / v, cs[1] / v, cs[2] / v}}};
}

// A proper rotation from three Euler angles (degrees); rows are given to --matrix.
std::array<Vec, 3> rotation(double alpha, double beta, double gamma) {
    const double r = kPi / 180;
    const double c1 = std::cos(alpha * r), s1 = std::sin(alpha * r), c2 = std::cos(beta * r),
                 s2 = std::sin(beta * r), c3 = std::cos(gamma * r), s3 = std::sin(gamma * r);
    return {{{c1 * c3 - c2 * s1 * s3, -c1 * s3 - c2 * c3 * s1, s1 * s2},
             {c3 * s1 + c1 * c2 * s3, c1 * c2 * c3 - s1 * s3, -c1 * s2},
             {s2 * s3, c3 * s2, c2}}};
}

std::string num(double v) {
    std::ostringstream text;
    text.precision(17);
    text << v;
    return text.str();
}

struct Spot {
    double x, y, wavelength;
};

std::map<std::tuple<int, int, int>, Spot> renderSpots(const std::string& cell, const std::string& group,
                                                      const std::array<Vec, 3>& o, const std::string& mode,
                                                      const std::string& extra) {
    QTemporaryDir dir;
    const std::string png = dir.filePath("p.png").toStdString(), tsv = dir.filePath("s.tsv").toStdString();
    std::string matrix;
    for (const auto& row : o)
        for (double v : row) matrix += num(v) + " ";
    std::vector<std::string> args{"render", "--cell", cell,       "--sg", group, "--matrix", matrix, "--mode",
                                  mode,     "--size", "1000x800", "-o",   png,   "--spots",  tsv};
    if (!extra.empty()) args.push_back(extra);
    const auto r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    QFile f(QString::fromStdString(tsv));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    std::map<std::tuple<int, int, int>, Spot> spots;
    for (const auto& line : lines(f.readAll().toStdString())) {
        const auto c = lumora::util::splitBy(line, "\t");
        spots[{std::stoi(c[0]), std::stoi(c[1]), std::stoi(c[2])}] = {
            lumora::test::number(c[3]), lumora::test::number(c[4]), lumora::test::number(c[5])};
    }
    return spots;
}

// Every spot where the geometry puts it, and every reflection that reaches the
// film in the wavelength band drawn.
void checkFilm(const Crystal& crystal, const std::string& mode, bool flipX = false) {
    const auto o = rotation(23, 57, 141);
    std::string cell;
    for (double v : crystal.cell) cell += num(v) + " ";
    const auto spots = renderSpots(cell, crystal.group, o, mode, flipX ? "--flip-x" : "");
    const auto recip = reciprocalBasis(crystal.cell);
    const double lambdaMin = 12.398 / 50, lambdaMax = 2.5, distance = 30;
    // Film 90 x 120 mm fills 95 % of the picture in its tighter direction.
    const double pixelsPerMm = std::min(0.95 * 1000 / 90, 0.95 * 800 / 120);
    const bool transmission = mode == "transmission";

    const auto list = run({"reflections", "--cell", cell, "--sg", crystal.group});
    ASSERT_EQ(list.status, 0);
    int expected = 0;
    for (const auto& line : lines(list.out)) {
        const auto w = lumora::util::splitBlanks(line);
        const int h = std::stoi(w[0]), k = std::stoi(w[1]), l = std::stoi(w[2]);
        Vec g{};
        for (int i = 0; i < 3; ++i) g[i] = h * recip[0][i] + k * recip[1][i] + l * recip[2][i];
        Vec t{};  // laboratory vector O^T g
        for (int c = 0; c < 3; ++c) t[c] = o[0][c] * g[0] + o[1][c] * g[1] + o[2][c] * g[2];
        // Friedel mates give the same spot; take the member that diffracts (t.x < 0).
        if (t[0] > 0) t = {-t[0], -t[1], -t[2]};
        const double g2 = dot(t, t);
        const double lambda = -2 * t[0] / g2;
        const double sinTheta = -t[0] / std::sqrt(g2);
        const double twoTheta = 2 * std::asin(sinTheta);
        const double thetaDeg = std::asin(sinTheta) * 180 / kPi;
        const auto key = std::make_tuple(h, k, l);
        const bool inBand = lambda >= lambdaMin * (1 + 1e-6) && lambda <= lambdaMax * (1 - 1e-6);
        const bool onFilm = transmission ? thetaDeg < 44 - 1e-6 : thetaDeg > 46 + 1e-6;
        const double rperp = std::hypot(t[1], t[2]);
        const double radial = distance * (transmission ? std::tan(twoTheta) : std::tan(kPi - twoTheta));
        double labY = rperp > 0 ? radial * t[1] / rperp : 0, labZ = rperp > 0 ? radial * t[2] / rperp : 0;
        // Seen from outside: transmission film from downstream, back-reflection film from the source side.
        double x = (transmission ? -labY : labY) * pixelsPerMm;
        const double y = -labZ * pixelsPerMm;
        if (flipX) x = -x;
        const bool beyondStop = std::hypot(x, y) >= 4.0 + 1e-6;
        const auto found = spots.find(key);
        if (inBand && onFilm && beyondStop) {
            ++expected;
            ASSERT_NE(found, spots.end()) << mode << ": " << h << " " << k << " " << l << " missing";
            EXPECT_NEAR(found->second.x, x, 2e-3 + 1e-4 * std::abs(x)) << h << " " << k << " " << l;
            EXPECT_NEAR(found->second.y, y, 2e-3 + 1e-4 * std::abs(y)) << h << " " << k << " " << l;
            EXPECT_NEAR(found->second.wavelength, lambda, 1e-5 + 1e-5 * lambda) << h << " " << k << " " << l;
        } else if (found != spots.end() && (!inBand || !onFilm)) {
            // Only borderline reflections may differ by rounding; nothing far outside is drawn.
            const bool borderline = std::abs(lambda - lambdaMin) < 1e-4 ||
                                    std::abs(lambda - lambdaMax) < 1e-4 ||
                                    std::abs(thetaDeg - (transmission ? 44 : 46)) < 1e-4;
            EXPECT_TRUE(borderline) << mode << ": " << h << " " << k << " " << l << " drawn off the film";
        }
    }
    EXPECT_GT(expected, 10);
    EXPECT_NEAR(static_cast<double>(spots.size()), expected, 2.0);
}

const Crystal kCubic{{5.4307, 5.4307, 5.4307, 90, 90, 90}, "F D 3 M"};
const Crystal kTriclinic{{6.183, 4.822, 10.963, 84.5, 101.79, 97.2}, "P -1"};

}  // namespace

TEST(FilmGeometry, TransmissionCubic) { checkFilm(kCubic, "transmission"); }
TEST(FilmGeometry, TransmissionTriclinic) { checkFilm(kTriclinic, "transmission"); }
TEST(FilmGeometry, BackReflectionCubic) { checkFilm(kCubic, "back-reflection"); }
TEST(FilmGeometry, BackReflectionTriclinic) { checkFilm(kTriclinic, "back-reflection"); }
TEST(FilmGeometry, FlipXMirrorsTheFilm) { checkFilm(kTriclinic, "transmission", true); }
