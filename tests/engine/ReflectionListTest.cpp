// The reflection list as the drawing takes it (pairs that share a spot, the
// drawing order, reciprocal vectors), and the one projection of every Laue
// picture checked against film and camera positions worked out here by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "EngineFixtures.h"
#include "engine/Detector.h"
#include "engine/Projection.h"
#include "engine/ReflectionList.h"

using namespace lumora;
using namespace lumora::testing;
using engine::Detector;
using engine::DetectorHit;
using engine::ReflectionList;
using Miss = DetectorHit::Miss;

namespace {

const Cell kSilicon{5.431, 5.431, 5.431, 90, 90, 90};

std::string indices(const engine::Reflection& r) {
    return std::to_string(r.h) + " " + std::to_string(r.k) + " " + std::to_string(r.l);
}

// For every row the row holding -h-k-l, or -1: found here by its indices.
std::vector<int32_t> partnersByIndices(const ReflectionList& list) {
    std::map<std::tuple<int, int, int>, int32_t> where;
    for (int32_t i = 0; i < list.size(); ++i) where[{list[i].h, list[i].k, list[i].l}] = i;
    std::vector<int32_t> mate;
    for (int32_t i = 0; i < list.size(); ++i) {
        const auto found = where.find({-list[i].h, -list[i].k, -list[i].l});
        mate.push_back(found == where.end() ? -1 : found->second);
    }
    return mate;
}

// The place of each row in the drawing order; fails unless the order is a
// permutation of the rows.
std::vector<int32_t> ranksOf(const ReflectionList& list) {
    EXPECT_EQ(list.order.size(), list.rows.size());
    std::vector<int32_t> rank(list.rows.size(), -1);
    for (std::size_t p = 0; p < list.order.size(); ++p) {
        const int32_t i = list.order[p];
        if (i < 0 || i >= list.size() || rank[static_cast<std::size_t>(i)] >= 0) {
            ADD_FAILURE() << "order " << p << " holds " << i << ": not a permutation";
            continue;
        }
        rank[static_cast<std::size_t>(i)] = static_cast<int32_t>(p);
    }
    return rank;
}

// Drawing order by the key the list says (F with intensities, else d), smallest first.
void expectOrderedByKey(const ReflectionList& list, const std::string& what) {
    for (std::size_t p = 1; p < list.order.size(); ++p) {
        const engine::Reflection& a = list[list.order[p - 1]];
        const engine::Reflection& b = list[list.order[p]];
        if (list.withIntensity)
            ASSERT_LE(a.f, b.f) << what << " at " << p;
        else
            ASSERT_LE(a.d, b.d) << what << " at " << p;
    }
}

// Of hkl and -h-k-l exactly one draws the spot, the one drawn later; a row
// without its partner draws its own. Returns the number of rows without one.
int expectOneOfEachPairDraws(const ReflectionList& list, const std::string& what) {
    const std::vector<int32_t> rank = ranksOf(list);
    const std::vector<int32_t> mate = partnersByIndices(list);
    int lone = 0, drawing = 0, failures = 0;
    for (int32_t i = 0; i < list.size(); ++i) {
        const engine::Reflection& r = list[i];
        const int32_t m = mate[static_cast<std::size_t>(i)];
        drawing += r.drawsSpot;
        if (m < 0) {
            ++lone;
            if (!r.drawsSpot && ++failures <= 5)
                ADD_FAILURE() << what << ": " << indices(r) << " alone but silent";
            continue;
        }
        const bool later = rank[static_cast<std::size_t>(i)] > rank[static_cast<std::size_t>(m)];
        if (r.drawsSpot != later && ++failures <= 5)
            ADD_FAILURE() << what << ": " << indices(r) << (r.drawsSpot ? " draws" : " does not draw")
                          << " though drawn " << (later ? "after" : "before") << " its partner";
    }
    EXPECT_EQ(failures, 0) << what;
    EXPECT_EQ(drawing, lone + (list.size() - lone) / 2) << what;
    return lone;
}

engine::Reflection row(int h, int k, int l, const engine::CellMetric& metric, float f = 1) {
    engine::Reflection r;
    r.h = static_cast<int16_t>(h);
    r.k = static_cast<int16_t>(k);
    r.l = static_cast<int16_t>(l);
    r.d = metric.spacing(h, k, l);
    r.f = f;
    r.drawsSpot = false;  // finishList decides
    return r;
}

}  // namespace

TEST(ReflectionList, EveryGeneratedReflectionHasItsPartnerAndOneOfEachPairDraws) {
    for (const auto& [cell, group] : {std::pair{kSilicon, "F d -3 m"}, std::pair{kTriclinic, "P 1"}}) {
        clLAUE laue;
        generate(laue, cell, group);
        const ReflectionList& list = laue.reflections();
        ASSERT_GT(list.size(), 100) << group;
        EXPECT_EQ(list.size(), laue.n_hkl);
        EXPECT_FALSE(list.withIntensity);
        EXPECT_EQ(expectOneOfEachPairDraws(list, group), 0) << group << ": every member has its partner";
        expectOrderedByKey(list, group);
    }
}

TEST(ReflectionList, WithIntensitiesTheOrderFollowsTheStructureFactor) {
    clLAUE laue;
    laue.readCEL(std::string(LUMORA_TEST_DATA_DIR) + "/Si.cel");
    laue.GenerateHKL();
    const ReflectionList& list = laue.reflections();
    ASSERT_TRUE(list.withIntensity);
    ASSERT_GT(list.size(), 100);
    EXPECT_EQ(expectOneOfEachPairDraws(list, "Si with atoms"), 0);
    expectOrderedByKey(list, "Si with atoms");
    // Strongest last: drawn over the weaker.
    float largest = 0;
    for (const engine::Reflection& r : list.rows) largest = std::max(largest, r.f);
    EXPECT_EQ(list[list.order.back()].f, largest);
    EXPECT_EQ(list.fMax, largest);
    // A reflection file's list is finished the same way, whatever its rows.
    laue.readRSV(std::string(LUMORA_TEST_DATA_DIR) + "/fe3o4.rsv");
    ASSERT_EQ(laue.reflections().size(), 13);
    EXPECT_TRUE(laue.reflections().withIntensity);
    expectOneOfEachPairDraws(laue.reflections(), "fe3o4.rsv");
    expectOrderedByKey(laue.reflections(), "fe3o4.rsv");
}

TEST(ReflectionList, HandBuiltListsKeepTheirLoneMembersDrawing) {
    const engine::CellMetric cubic({5, 5, 5, 90, 90, 90});
    // Scattered rows: 1 1 1 and 0 0 3 have no partner; -2 1 0 / 2 -1 0 and 1 0 0 / -1 0 0 do.
    ReflectionList scattered;
    for (const auto& [h, k, l] :
         {std::tuple{1, 0, 0}, {1, 1, 1}, {-2, 1, 0}, {-1, 0, 0}, {0, 0, 3}, {2, -1, 0}})
        scattered.rows.push_back(row(h, k, l, cubic));
    engine::finishList(scattered, cubic, false);
    EXPECT_EQ(expectOneOfEachPairDraws(scattered, "scattered"), 2);
    for (int32_t i : {1, 4}) EXPECT_TRUE(scattered[i].drawsSpot) << indices(scattered[i]);
    expectOrderedByKey(scattered, "scattered");
    EXPECT_FLOAT_EQ(scattered[scattered.order.back()].d, 5.0f);  // the largest d is drawn last

    // Rows laid out as generation lays them (row i and row n-1-i partners) ...
    ReflectionList mirrored;
    for (const auto& [h, k, l] : {std::tuple{-1, 0, 0}, {0, -1, 1}, {0, 1, -1}, {1, 0, 0}})
        mirrored.rows.push_back(row(h, k, l, cubic));
    engine::finishList(mirrored, cubic, false);
    EXPECT_EQ(expectOneOfEachPairDraws(mirrored, "mirrored"), 0);
    // ... and the same layout broken in its middle: 0 1 1 is no partner of 0 -1 1.
    ReflectionList almost;
    for (const auto& [h, k, l] : {std::tuple{-1, 0, 0}, {0, -1, 1}, {0, 1, 1}, {1, 0, 0}})
        almost.rows.push_back(row(h, k, l, cubic));
    engine::finishList(almost, cubic, false);
    EXPECT_EQ(expectOneOfEachPairDraws(almost, "almost mirrored"), 2);
    EXPECT_TRUE(almost[1].drawsSpot);
    EXPECT_TRUE(almost[2].drawsSpot);

    // By intensity the stronger member of a pair is drawn later, whatever its d.
    ReflectionList byF;
    byF.withIntensity = true;
    byF.rows = {row(1, 1, 0, cubic, 3), row(2, 0, 0, cubic, 7), row(-1, -1, 0, cubic, 2),
                row(-2, 0, 0, cubic, 9)};
    engine::finishList(byF, cubic, true);
    EXPECT_EQ(expectOneOfEachPairDraws(byF, "by F"), 0);
    expectOrderedByKey(byF, "by F");
    EXPECT_EQ(byF.order, (std::vector<int32_t>{2, 0, 1, 3}));
    EXPECT_TRUE(byF[0].drawsSpot);
    EXPECT_TRUE(byF[3].drawsSpot);

    ReflectionList none;
    engine::finishList(none, cubic, false);
    EXPECT_TRUE(none.order.empty());
}

TEST(ReflectionList, ReciprocalVectorsAreTheIndicesTimesTheReciprocalAxes) {
    for (const Cell& cell : {kTriclinic, Cell{3.2094, 3.2094, 5.2103, 90, 90, 120}}) {
        clLAUE laue;
        generate(laue, cell);
        const TestLattice lattice = latticeOf(cell);
        int failures = 0;
        for (const engine::Reflection& r : laue.reflections().rows) {
            const Vec3d g = lattice.normal(r.h, r.k, r.l);
            for (int c = 0; c < 3; ++c)
                if (std::fabs(r.g[c] - g[c]) > 2e-6 * length(g) && ++failures <= 5)
                    ADD_FAILURE() << indices(r) << " component " << c << ": " << r.g[c] << " instead of "
                                  << g[c];
            if (std::fabs(1 / length(g) - r.d) > 1e-5 * r.d && ++failures <= 5)
                ADD_FAILURE() << indices(r) << ": d " << r.d << " instead of " << 1 / length(g);
        }
        EXPECT_EQ(failures, 0) << cell[0];
    }
    // A hand-built list gets its vectors from the metric it is finished with.
    const Cell tri{6.183, 4.822, 10.963, 84.5, 101.79, 97.2};
    const engine::CellMetric metric(tri);
    ReflectionList list;
    list.rows = {row(3, -2, 5, metric), row(0, 0, 1, metric)};
    engine::finishList(list, metric, false);
    const TestLattice lattice = latticeOf(tri);
    for (const engine::Reflection& r : list.rows) {
        const Vec3d g = lattice.normal(r.h, r.k, r.l);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(r.g[c], g[c], 2e-6 * length(g)) << indices(r);
    }
}

// hitOnDetector against the reflection worked out by hand. Beam along +x; the
// planes' unit normal n is taken with n.x > 0 (hkl and -h-k-l are one spot),
// sin(theta) = n.x, lambda = 2 d n.x, and the ray is s = x - 2 (x.n) n.
namespace {

struct Reflected {
    Vec3d n{}, s{};
    double lambda = 0, thetaDeg = 0;
};

Reflected reflect(const Vec3f& lab, double d) {
    Reflected r;
    r.n = unit({lab[0], lab[1], lab[2]});
    if (r.n[0] < 0)
        for (double& c : r.n) c = -c;
    r.thetaDeg = std::asin(r.n[0]) / kDeg;
    r.lambda = 2 * d * r.n[0];
    r.s = {1 - 2 * r.n[0] * r.n[0], -2 * r.n[0] * r.n[1], -2 * r.n[0] * r.n[2]};
    return r;
}

// A reciprocal-lattice vector of spacing d along `direction`.
Vec3f latticeVector(const Vec3d& direction, double d) {
    const Vec3d u = unit(direction);
    return {static_cast<float>(u[0] / d), static_cast<float>(u[1] / d), static_cast<float>(u[2] / d)};
}

// The float vector itself, as handed to the projection, with its own d.
double spacingOf(const Vec3f& g) { return 1 / length({g[0], g[1], g[2]}); }

const char* missName(Miss m) {
    switch (m) {
        case Miss::None:
            return "placed";
        case Miss::OutsideBand:
            return "outside the band";
        case Miss::OtherSide:
            return "other side";
        case Miss::Grazing:
            return "grazing";
        case Miss::OutsideFrame:
            return "outside the frame";
    }
    return "?";
}

constexpr float kLambdaMin = 0.3f, kLambdaMax = 2.2f;

bool nearBandEdge(double lambda) {
    return std::fabs(lambda / kLambdaMin - 1) < 1e-5 || std::fabs(lambda / kLambdaMax - 1) < 1e-5;
}

}  // namespace

// A film at distance D, seen from outside the camera: a spot lies D |s_yz| / |s_x|
// from the film's middle, in the direction of -n's (y, z) part. Transmission
// film: image x along -y, y along +z; back-reflection film: x along +y; flipX
// mirrors x.
TEST(OneProjection, FilmsPutSpotsWhereTheFilmGeometrySays) {
    struct Film {
        const char* name;
        Detector det;
        bool transmission;
        bool flipX;
        double width, height, distance;
    };
    const std::vector<Film> films{
        {"transmission", engine::transmissionFilm(30, 90, 120, false), true, false, 90, 120, 30},
        {"transmission flipped", engine::transmissionFilm(45, 127, 178, true), true, true, 127, 178, 45},
        {"back reflection", engine::backReflectionFilm(30, 90, 120, false), false, false, 90, 120, 30},
        {"back reflection flipped", engine::backReflectionFilm(60, 100, 80, true), false, true, 100, 80, 60},
    };
    std::mt19937 random(31);
    std::normal_distribution<double> gauss;
    std::uniform_real_distribution<double> spacing(0.4, 4);
    for (const Film& film : films) {
        std::map<Miss, int> seen;
        int beyondEdge = 0;
        for (int i = 0; i < 6000; ++i) {
            const double g0 = gauss(random), g1 = gauss(random), g2 = gauss(random);
            const Vec3f lab = latticeVector({g0, g1, g2}, spacing(random));
            const Reflected r = reflect(lab, spacingOf(lab));
            const double radial = std::hypot(r.n[1], r.n[2]);
            bool borderline = nearBandEdge(r.lambda) || radial < 1e-6;
            for (double limit : {44.0, 45.0, 46.0}) borderline |= std::fabs(r.thetaDeg - limit) < 1e-6;
            if (borderline) continue;
            const DetectorHit hit = engine::hitOnDetector(lab, static_cast<float>(spacingOf(lab)), kLambdaMin,
                                                          kLambdaMax, film.det);
            ++seen[hit.miss];
            const std::string what = std::string(film.name) + " theta " + std::to_string(r.thetaDeg);
            Miss expected = Miss::None;
            if (r.lambda < kLambdaMin || r.lambda > kLambdaMax)
                expected = Miss::OutsideBand;
            else if (film.transmission ? r.thetaDeg > 45 : r.thetaDeg < 45)
                expected = Miss::OtherSide;
            else if (film.transmission ? r.thetaDeg > 44 : r.thetaDeg < 46)
                expected = Miss::Grazing;  // within 2 degrees of the film's plane
            EXPECT_EQ(missName(hit.miss), std::string(missName(expected))) << what;
            if (hit.miss != expected || expected == Miss::OutsideBand) continue;
            EXPECT_NEAR(hit.wavelength, r.lambda, 1e-6 * r.lambda) << what;
            if (expected != Miss::None) continue;
            const double along = film.distance * std::hypot(r.s[1], r.s[2]) / std::fabs(r.s[0]);
            // Unit direction of the spot from the middle, in the film's own axes.
            double across = (film.transmission ? 1 : -1) * r.n[1] / radial;
            if (film.flipX) across = -across;
            const double down = -r.n[2] / radial;
            const double tolerance = 1e-7 * (1 + along);
            EXPECT_NEAR(hit.at[0], film.width / 2 + along * across, tolerance) << what;
            EXPECT_NEAR(hit.at[1], film.height / 2 + along * down, tolerance) << what;
            beyondEdge += !film.det.inFrame(hit.at);
        }
        for (Miss m : {Miss::None, Miss::OutsideBand, Miss::OtherSide, Miss::Grazing})
            EXPECT_GT(seen[m], m == Miss::Grazing ? 5 : 100) << film.name << ": " << missName(m);
        EXPECT_EQ(seen[Miss::OutsideFrame], 0) << film.name;
        EXPECT_GT(beyondEdge, 50) << film.name << ": spots beyond the edge still count";
    }
    // One by hand: theta 40 degrees in the horizontal plane, 2 theta = 80, on a
    // 90 mm film at 30 mm: 30 tan 80 = 170.1 mm from the middle, past the edge.
    const double t = 40 * kDeg;
    const Vec3f lab = latticeVector({std::sin(t), -std::cos(t), 0}, 1);
    const DetectorHit hit =
        engine::hitOnDetector(lab, 1, 0.1f, 3, engine::transmissionFilm(30, 90, 120, false));
    EXPECT_EQ(missName(hit.miss), std::string("placed"));
    EXPECT_NEAR(hit.wavelength, 2 * std::sin(t), 1e-6);
    // n's y part is negative, so the ray goes to +y, which is the film's -x.
    EXPECT_NEAR(hit.at[0], 45 - 30 * std::tan(2 * t), 1e-4);
    EXPECT_NEAR(hit.at[1], 60, 1e-6);
}

// A camera placed anywhere and tilted: the ray meets its plane {P : P.n = D}
// at P = D s / (s.n), read along the frame's axes, in pixels from the foot of
// the normal; beyond the frame (pixel centres from 0, edges half a pixel out)
// nothing shows.
TEST(OneProjection, TiltedCamerasAgreeWithTheRayMeetingTheirPlane) {
    const std::vector<std::pair<std::string, Detector>> cameras{
        {"top camera", engine::defaultTopCamera()},
        {"tilted top camera",
         engine::placedDetector(90, 0, {7, -11, 23}, 70, 1023.5, 1023.5, 0.08, 0.08, 2048, 2048)},
        {"side camera", engine::placedDetector(60, 40, {-15, 8, -5}, 55, 300, 900, 0.05, 0.07, 1500, 1700)},
        {"backward camera",
         engine::placedDetector(150, -120, {3, 20, 0}, 40, 700, 600, 0.1, 0.1, 1400, 1200)},
    };
    std::mt19937 random(5);
    std::normal_distribution<double> gauss;
    std::uniform_real_distribution<double> spacing(0.4, 4);
    for (const auto& [name, det] : cameras) {
        std::map<Miss, int> seen;
        for (int i = 0; i < 4000; ++i) {
            const double g0 = gauss(random), g1 = gauss(random), g2 = gauss(random);
            const Vec3f lab = latticeVector({g0, g1, g2}, spacing(random));
            const double d = spacingOf(lab);
            const Reflected r = reflect(lab, d);
            const double toward = dot(r.s, det.n);
            if (nearBandEdge(r.lambda) || std::fabs(toward) < 1e-9) continue;
            const DetectorHit hit =
                engine::hitOnDetector(lab, static_cast<float>(d), kLambdaMin, kLambdaMax, det);
            ++seen[hit.miss];
            const std::string what = name + " ray " + std::to_string(r.s[0]) + " " + std::to_string(r.s[1]) +
                                     " " + std::to_string(r.s[2]);
            if (r.lambda < kLambdaMin || r.lambda > kLambdaMax) {
                EXPECT_EQ(missName(hit.miss), std::string("outside the band")) << what;
                continue;
            }
            EXPECT_NEAR(hit.wavelength, r.lambda, 1e-6 * r.lambda) << what;
            if (toward < 0) {
                EXPECT_EQ(missName(hit.miss), std::string("other side")) << what;
                continue;
            }
            const double k = det.distance / toward;
            const Vec3d p{r.s[0] * k, r.s[1] * k, r.s[2] * k};
            const double x = det.x0 + dot(p, det.u) / det.px, y = det.y0 + dot(p, det.v) / det.py;
            const double inset = 1e-6 * (1 + std::fabs(x) + std::fabs(y));
            const bool inside = x >= -0.5 + inset && x <= det.width - 0.5 - inset && y >= -0.5 + inset &&
                                y <= det.height - 0.5 - inset;
            const bool outside = x < -0.5 - inset || x > det.width - 0.5 + inset || y < -0.5 - inset ||
                                 y > det.height - 0.5 + inset;
            if (!inside && !outside) continue;  // on the edge
            EXPECT_EQ(missName(hit.miss), std::string(inside ? "placed" : "outside the frame")) << what;
            if (inside) {
                EXPECT_NEAR(hit.at[0], x, 1e-6 * (1 + std::fabs(x))) << what;
                EXPECT_NEAR(hit.at[1], y, 1e-6 * (1 + std::fabs(y))) << what;
            }
        }
        for (Miss m : {Miss::None, Miss::OutsideBand, Miss::OtherSide, Miss::OutsideFrame})
            EXPECT_GT(seen[m], 20) << name << ": " << missName(m);
        EXPECT_EQ(seen[Miss::Grazing], 0) << name;
    }
    // By hand on the default top camera (70 mm up, 0.08 mm pixels, foot at 1023.5):
    const Detector top = engine::defaultTopCamera();
    // Planes along (1, 0, 1) send the beam straight up, onto the foot.
    DetectorHit hit = engine::hitOnDetector(latticeVector({1, 0, 1}, 1), 1, 0.1f, 3, top);
    EXPECT_EQ(missName(hit.miss), std::string("placed"));
    EXPECT_NEAR(hit.wavelength, std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(hit.at[0], 1023.5, 1e-6);
    EXPECT_NEAR(hit.at[1], 1023.5, 1e-6);
    // Along (1, 0, -1) straight down, away from it.
    hit = engine::hitOnDetector(latticeVector({1, 0, -1}, 1), 1, 0.1f, 3, top);
    EXPECT_EQ(missName(hit.miss), std::string("other side"));
    // Along (1, 0, 0.3): up, but 106 mm upstream at the camera's height, 1329 pixels off.
    hit = engine::hitOnDetector(latticeVector({1, 0, 0.3}, 1), 1, 0.1f, 3, top);
    EXPECT_EQ(missName(hit.miss), std::string("outside the frame"));
    // The same ray with its wavelength out of the band.
    hit = engine::hitOnDetector(latticeVector({1, 0, 1}, 1), 1, 0.1f, 1.4f, top);
    EXPECT_EQ(missName(hit.miss), std::string("outside the band"));
}

namespace {

void expectSameDetector(const Detector& got, const Detector& want, const std::string& what) {
    EXPECT_EQ(got.kind, want.kind) << what;
    EXPECT_EQ(got.distance, want.distance) << what;
    EXPECT_EQ(got.n, want.n) << what;
    EXPECT_EQ(got.u, want.u) << what;
    EXPECT_EQ(got.v, want.v) << what;
    EXPECT_EQ(std::tie(got.x0, got.y0, got.px, got.py), std::tie(want.x0, want.y0, want.px, want.py)) << what;
    EXPECT_EQ(std::tie(got.width, got.height), std::tie(want.width, want.height)) << what;
}

}  // namespace

TEST(OneProjection, EachLauePlotTypeHasItsPlane) {
    EngineDefaults defaults;
    defaults.filmDistance = 42;
    defaults.filmWidth = 100;
    defaults.filmHeight = 80;
    clLAUE laue;
    laue.newDocument(defaults);
    for (bool flip : {false, true}) {
        const std::string side = flip ? " flipped" : "";
        laue.m_mode = kTransmissionPlot;
        expectSameDetector(laue.laueDetector(flip), engine::transmissionFilm(42, 100, 80, flip),
                           "transmission" + side);
        laue.m_mode = kBackReflectionPlot;
        expectSameDetector(laue.laueDetector(flip), engine::backReflectionFilm(42, 100, 80, flip),
                           "back" + side);
        laue.m_mode = kDetectorPlot;  // a camera is not mirrored
        expectSameDetector(laue.laueDetector(flip), engine::defaultTopCamera(), "camera" + side);
    }
    // The films follow the engine's distance and film size; the camera is its own.
    laue.x_fsd = 55;
    laue.setFilmSize(127, 178);
    laue.m_mode = kTransmissionPlot;
    expectSameDetector(laue.laueDetector(false), engine::transmissionFilm(55, 127, 178, false), "resized");
    laue.m_mode = kBackReflectionPlot;
    expectSameDetector(laue.laueDetector(true), engine::backReflectionFilm(55, 127, 178, true),
                       "resized back");
    const Detector side = engine::placedDetector(60, 40, {-15, 8, -5}, 55, 300, 900, 0.05, 0.07, 1500, 1700);
    laue.setDetector(side);
    laue.m_mode = kDetectorPlot;
    expectSameDetector(laue.laueDetector(false), side, "placed camera");
    EXPECT_TRUE(isLauePlot(kTransmissionPlot) && isLauePlot(kBackReflectionPlot) &&
                isLauePlot(kDetectorPlot));
    EXPECT_FALSE(isLauePlot(kReciprocalPlot) || isLauePlot(kStereogramPlot));
}

// The camera plot places the spots hitOnDetector finds: in output units of
// `scale` per (mm / distance) from the foot of the normal, y up.
TEST(OneProjection, TheCameraPlotTakesItsSpotsFromTheSameProjection) {
    clLAUE laue;
    generate(laue, kSilicon, "F d -3 m");
    laue.setOrientation(1, 1, 0, true);
    laue.DoRotate(2, 45);
    laue.m_mode = kDetectorPlot;
    laue.x_lambda_min = 0.2f;
    laue.x_lambda_max = 2.5f;
    const Detector& camera = laue.detector();
    const SpotStyle style;
    const float scale = 1000;
    std::map<Miss, int> seen;
    for (int32_t n = 0; n < laue.n_hkl; ++n) {
        const DetectorHit hit = engine::hitOnDetector(laue.labVectorOf(n), laue.getD(n), laue.x_lambda_min,
                                                      laue.x_lambda_max, camera);
        const FilmProjection p = laue.projectFilm(n, scale, style);
        ++seen[hit.miss];
        const std::string what = laue.getHKL(n);
        if (hit.miss == Miss::OutsideBand || hit.miss == Miss::OtherSide) {
            EXPECT_EQ(p.x, 99999) << what;
        } else if (hit.miss != Miss::None) {
            EXPECT_GE(p.x, 88888) << what;
        } else {
            const double mmX = (hit.at[0] - camera.x0) * camera.px, mmY = (hit.at[1] - camera.y0) * camera.py;
            EXPECT_NEAR(p.x, mmX / camera.distance * scale, 1e-3) << what;
            EXPECT_NEAR(p.y, -mmY / camera.distance * scale, 1e-3) << what;
            EXPECT_EQ(p.wavelength, hit.wavelength) << what;
            EXPECT_GT(p.radius, 0) << what;
        }
    }
    EXPECT_GT(seen[Miss::None], 10);
    EXPECT_GT(seen[Miss::OtherSide], 10);
}
