// Flat-film positions checked against Bragg's law and the film geometry worked
// out here from the cell constants alone; only the orientation matrix is taken
// from the engine.
#include <gtest/gtest.h>

#include "EngineFixtures.h"

using namespace lumora;
using namespace lumora::testing;

// Beam along +x, film at distance D. The reflecting planes' unit normal n
// (taken on the side facing along the beam) makes the Bragg angle theta with
// the beam's perpendicular: sin(theta) = n_x, lambda = 2 d sin(theta). The
// diffracted ray s = x - 2 (x.n) n meets the film at D |s_yz| / |s_x| from the
// centre, along n's own (y, z) direction, y negated on the back-reflection film.
TEST(GeometryCheck, CubicAndTriclinicCrystalsOnBothFilms) {
    const SpotStyle style;  // films seen from outside
    const double distance = 30;
    for (const auto& [cell, group] :
         {std::pair{Cell{5.431, 5.431, 5.431, 90, 90, 90}, "F d -3 m"}, std::pair{kTriclinic, "P 1"}}) {
        clLAUE laue;
        generate(laue, cell, group);
        laue.setOrientation(1, 2, 3, true);
        laue.DoRotateXYZ(17, -23, 31);
        laue.x_lambda_min = 0.35f;
        laue.x_lambda_max = 1.8f;
        const TestLattice lattice = latticeOf(cell);
        for (int mode : {1, 2}) {
            laue.m_mode = static_cast<int16_t>(mode);
            int placed = 0, outsideBand = 0;
            const auto& lab = laue.labVectorTable();
            for (std::size_t j = 0; j < lab.size(); ++j) {
                const auto index = static_cast<int32_t>(lab[j][3]);
                const int h = laue.getH(index), k = laue.getK(index), l = laue.getL(index);
                Vec3d n = labOf(laue.orientationMatrix(), lattice.normal(h, k, l));
                const double d = 1 / length(n);
                n = unit(n[0] < 0 ? Vec3d{-n[0], -n[1], -n[2]} : n);
                const double lambda = 2 * d * n[0], thetaDeg = std::asin(n[0]) / kDeg;
                const Vec3d s{1 - 2 * n[0] * n[0], -2 * n[0] * n[1], -2 * n[0] * n[2]};
                const double along = distance * std::hypot(s[1], s[2]) / std::fabs(s[0]);
                const double r = std::hypot(n[1], n[2]);
                // Too close to a limit for single precision to decide.
                bool borderline = std::fabs(lambda / laue.x_lambda_min - 1) < 1e-5 ||
                                  std::fabs(lambda / laue.x_lambda_max - 1) < 1e-5 ||
                                  std::fabs(along - 4) < 1e-3;
                for (double limit : {44.0, 45.0, 46.0}) borderline |= std::fabs(thetaDeg - limit) < 1e-3;
                if (borderline) continue;
                const FilmProjection p =
                    laue.LAUEXY(static_cast<int32_t>(j), static_cast<float>(distance), style);
                const std::string what =
                    std::to_string(h) + " " + std::to_string(k) + " " + std::to_string(l);
                if (lambda < laue.x_lambda_min || lambda > laue.x_lambda_max) {
                    EXPECT_EQ(p.x, 99999) << what;
                    ++outsideBand;
                    continue;
                }
                const bool onFilm = mode == 1 ? thetaDeg < 44 && s[0] > 0 : thetaDeg > 46 && s[0] < 0;
                if (!onFilm || along < 4) {  // the other geometry, or behind the beam stop
                    EXPECT_GE(p.x, 88888) << what;
                    continue;
                }
                const double x = (mode == 1 ? along : -along) * n[1] / r, y = along * n[2] / r;
                EXPECT_NEAR(p.x, x, 1e-3 * along) << what;
                EXPECT_NEAR(p.y, y, 1e-3 * along) << what;
                EXPECT_NEAR(p.wavelength, lambda, 1e-5 * lambda) << what;
                ++placed;
            }
            EXPECT_GT(placed, 30) << group << " mode " << mode;
            EXPECT_GT(outsideBand, 30) << group << " mode " << mode;
        }
    }
}
