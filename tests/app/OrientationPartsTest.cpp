// The parts of the photo page's orientation search that need no window: the
// display levels of a frame, the spot table and its text, the spot under a
// click, how photo pixels lie on the detector, and a refined camera in the
// detector fields.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <random>

#include "app/DetectorSetup.h"
#include "app/DisplayLevels.h"
#include "app/PhotoGeometry.h"
#include "app/SolutionTableModel.h"
#include "app/SpotTableModel.h"
#include "engine/LaueEngine.h"
#include "util/Error.h"

namespace lumora::app::test {
namespace {

engine::GreyFrame flatFrame(int width, int height, float value) {
    engine::GreyFrame f;
    f.width = width;
    f.height = height;
    f.values.assign(static_cast<std::size_t>(width) * height, value);
    return f;
}

TEST(DisplayLevels, AutoLevelsIgnoreHotPixelsAndThePictureFollowsTheLevelsOnly) {
    // A ramp 0..9999 whose ten lowest values became saturated hot pixels.
    engine::GreyFrame frame = flatFrame(100, 100, 0);
    for (int i = 0; i < 10000; ++i) frame.values[static_cast<std::size_t>(i)] = i < 10 ? 65535.0f : float(i);
    const DisplayLevels levels = autoLevels(frame);
    EXPECT_EQ(levels.black, 60);    // the 0.5th percentile of 10..9999 and ten 65535
    EXPECT_EQ(levels.white, 9989);  // the 99.8th: the hot pixels do not set it
    EXPECT_FALSE(levels.log);

    const std::vector<float> before = frame.values;
    const QImage linear = levelledImage(frame, levels);
    ASSERT_EQ(linear.format(), QImage::Format_Grayscale8);
    ASSERT_EQ(linear.size(), QSize(100, 100));
    const auto grey = [](const QImage& image, int value) {
        return qGray(image.pixel(value % 100, value / 100));
    };
    EXPECT_EQ(grey(linear, 30), 0);   // below black
    EXPECT_EQ(grey(linear, 5), 255);  // a hot pixel
    EXPECT_EQ(grey(linear, 9995), 255);
    EXPECT_NEAR(grey(linear, 5025), 128, 1);  // half way
    DisplayLevels log = levels;
    log.log = true;
    const QImage logarithmic = levelledImage(frame, log);
    EXPECT_GT(grey(logarithmic, 5025), 230);  // log lifts the middle towards white
    EXPECT_EQ(grey(logarithmic, 30), 0);
    EXPECT_EQ(grey(logarithmic, 9995), 255);
    EXPECT_EQ(frame.values, before);

    // A flat frame still has a white above its black; an empty one has no picture.
    const DisplayLevels flat = autoLevels(flatFrame(8, 8, 700));
    EXPECT_EQ(flat.black, 700);
    EXPECT_EQ(flat.white, 701);
    EXPECT_TRUE(levelledImage(engine::GreyFrame{}, levels).isNull());
}

engine::Peak peak(double x, double y, double intensity) {
    engine::Peak p;
    p.x = x;
    p.y = y;
    p.intensity = intensity;
    return p;
}

TEST(SpotTable, KeepsTheStrongestFirstAndWritesThePeaksText) {
    SpotTableModel model;
    model.setSpots({peak(1, 2, 10), peak(12.34567, 7, 100.46), peak(3, 4, 50)});
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(0, SpotTableModel::X)).toString(), "12.346");
    EXPECT_EQ(model.data(model.index(0, SpotTableModel::Intensity)).toString(), "100.5");
    EXPECT_EQ(model.headerData(SpotTableModel::Y, Qt::Horizontal).toString(), "y");
    EXPECT_EQ(model.addSpot(peak(-0.5, 2047.25, 20)), 2);
    EXPECT_EQ(spotListText(model.spots()),
              "12.346 7.000 100.5\n3.000 4.000 50.0\n-0.500 2047.250 20.0\n1.000 2.000 10.0\n");
    EXPECT_EQ(model.nearest(2.6, 4.4), 1);
    model.removeSpot(1);
    model.removeSpot(7);  // no such row
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.nearest(2.6, 4.4), 2);
    EXPECT_EQ(SpotTableModel().nearest(0, 0), -1);
}

TEST(SpotTable, AClickFindsTheCentreAndIntensityOfTheSpotUnderIt) {
    engine::GreyFrame frame = flatFrame(40, 30, 100);
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0, 2);
    const double cx = 20.3, cy = 15.7, sigma = 1.2, amplitude = 1000;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            frame.values[static_cast<std::size_t>(y * 40 + x)] +=
                noise(random) +
                static_cast<float>(
                    amplitude * std::exp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (2 * sigma * sigma)));
    const engine::Peak spot = spotAt(frame, 21.4, 14.8);
    EXPECT_NEAR(spot.x, cx, 0.1);
    EXPECT_NEAR(spot.y, cy, 0.1);
    EXPECT_NEAR(spot.intensity, 2 * M_PI * sigma * sigma * amplitude,
                0.05 * 2 * M_PI * sigma * sigma * amplitude);
    // Nothing stands out: the point as clicked.
    const engine::Peak empty = spotAt(frame, 5, 25);
    EXPECT_EQ(empty.x, 5);
    EXPECT_EQ(empty.y, 25);
    EXPECT_EQ(empty.intensity, 0);
    // At the corner the box is cut by the frame's edge; still no crash.
    EXPECT_EQ(spotAt(frame, 0, 0).intensity, 0);
}

TEST(PhotoGeometry, CamerasAreOneToOneAndFilmPointsGoBackToTheirPixels) {
    clLAUE laue;
    laue.newDocument({});
    laue.GenerateHKL();
    render::RenderOptions options;
    laue.setPlotType(kStereogramPlot);
    EXPECT_THROW(photoGeometry(laue, options, QSize(100, 100)), Error);

    laue.setPlotType(kDetectorPlot);
    const PhotoGeometry camera = photoGeometry(laue, options, QSize());
    EXPECT_FALSE(camera.film);
    EXPECT_EQ(camera.detectorPoint(12.5, 700), (engine::Vec2d{12.5, 700}));
    EXPECT_EQ(camera.rayAt(12.5, 700), laue.detector().rayAt(12.5, 700));

    laue.setPlotType(kBackReflectionPlot);
    EXPECT_THROW(photoGeometry(laue, options, QSize()), Error);  // a film needs the photo
    options.photoCentreX = 40;
    options.photoCentreY = 66;
    options.zoom = 1.25f;
    const PhotoGeometry film = photoGeometry(laue, options, QSize(900, 1200));
    EXPECT_TRUE(film.film);
    EXPECT_DOUBLE_EQ(film.unitsPerMm, 10);
    // The beam centre of the options lies on the film's middle.
    const engine::Vec2d middle = film.detectorPoint(40 * 10 - 0.5, 66 * 10 - 0.5);
    EXPECT_NEAR(middle[0], laue.getFilmWidth() / 2, 1e-9);
    EXPECT_NEAR(middle[1], laue.getFilmHeight() / 2, 1e-9);
    const engine::Vec2d back = film.photoPoint(film.detectorPoint(123.25, 987.5));
    EXPECT_NEAR(back[0], 123.25, 1e-9);
    EXPECT_NEAR(back[1], 987.5, 1e-9);
}

TEST(CameraValues, ARefinedCameraBecomesCustomValuesThatBuildTheSameCamera) {
    const engine::Detector tilted =
        engine::placedDetector(80, 10, {2, -3, 5}, 71.5, 1010.25, 1030.5, 0.079, 0.079, 2048, 2048);
    const auto values = cameraValuesOf(tilted);
    ASSERT_TRUE(values.has_value());
    DetectorSetup setup;
    setup.custom = *values;
    const engine::Detector rebuilt = cameraOf(setup, DetectorEntry::CustomCamera);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(rebuilt.n[i], tilted.n[i], 1e-12);
        EXPECT_NEAR(rebuilt.u[i], tilted.u[i], 1e-12);
        EXPECT_NEAR(rebuilt.v[i], tilted.v[i], 1e-12);
    }
    EXPECT_EQ(rebuilt.distance, 71.5);
    EXPECT_EQ(rebuilt.x0, 1010.25);
    EXPECT_EQ(rebuilt.py, 0.079);
    EXPECT_EQ(rebuilt.width, 2048);
    // What the fields cannot hold.
    EXPECT_FALSE(cameraValuesOf(engine::backReflectionFilm(30, 90, 120, false)));
    EXPECT_FALSE(cameraValuesOf(engine::placedDetector(90, 0, {0, 0, 0}, 70, 0, 0, 0.08, 0.1, 10, 10)));
}

TEST(SolutionTable, NamesTheBeamDirectionAndThePlaneOnIt) {
    const engine::CellMetric cubic({5.431, 5.431, 5.431, 90, 90, 90});
    const engine::Mat3d identity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    EXPECT_EQ(beamTexts(identity, cubic), (std::array<QString, 2>{"[1  0  0]", "(1  0  0)"}));
    // The beam along [1 1 0]: column 0 of O.
    const double h = std::sqrt(0.5);
    const engine::Mat3d turned{{{h, -h, 0}, {h, h, 0}, {0, 0, 1}}};
    engine::IndexSolution solution;
    solution.matrix = turned;
    solution.spots.resize(81);
    solution.meanDeviationDeg = 0.03125;
    SolutionTableModel model;
    model.setSolutions({solution}, 83, cubic);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.data(model.index(0, SolutionTableModel::Spots)).toString(), "81 of 83");
    EXPECT_EQ(model.data(model.index(0, SolutionTableModel::Deviation)).toString(), "0.031");
    EXPECT_EQ(model.data(model.index(0, SolutionTableModel::Direction)).toString(), "[1  1  0]");
    EXPECT_EQ(model.data(model.index(0, SolutionTableModel::Plane)).toString(), "(1  1  0)");
}

}  // namespace
}  // namespace lumora::app::test
