// The orientation from the photo, as a user finds it: a 16-bit detector frame
// of silicon on the top camera, made here with the spots where a known
// orientation puts them; Find spots, Index, Apply, Refine; spots added and
// removed by clicks; display levels; the same on a film from a list of spots.
#include <QCheckBox>
#include <QMenu>
#include <QRegularExpression>
#include <QUndoStack>
#include <random>

#include "AppFixture.h"
#include "app/OrientationPanel.h"
#include "app/PhotoGeometry.h"
#include "app/PhotoPanel.h"
#include "app/SpotTableModel.h"

namespace lumora::app::test {
namespace {

using Point = std::array<double, 2>;

double distance(const Point& a, const Point& b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

double nearestDistance(const Point& p, const std::vector<Point>& points) {
    double best = 1e300;
    for (const Point& q : points) best = std::min(best, distance(p, q));
    return best;
}

class PhotoOrientationTest : public DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        doc->setCell({"Si", "227", "F d 3 m", "5.431", "5.431", "5.431", "90", "90", "90"});
        panel = doc->findChild<OrientationPanel*>();
        ASSERT_NE(panel, nullptr);
    }

    // The places of the spots the document draws now: on the camera, detector
    // pixels; on the photo page, photo pixels. Harmonics share one place.
    std::vector<Point> drawnSpots(bool photoPixels) {
        std::vector<render::SpotRecord> records;
        doc->renderer().setSpotRecorder(&records);
        doc->Redraw();
        doc->renderer().setSpotRecorder(nullptr);
        std::vector<Point> places;
        for (const render::SpotRecord& r : records) {
            const Point p = photoPixels ? Point{r.photoX, r.photoY} : Point{r.detectorX, r.detectorY};
            if (std::isfinite(p[0]) && (places.empty() || nearestDistance(p, places) > 1e-3))
                places.push_back(p);
        }
        return places;
    }

    // A 2048 x 2048 16-bit frame: a sloped background with noise and a
    // Gaussian spot (sigma 1.5 px) at each place, as a TIFF file.
    QString writeFrame(const std::vector<Point>& spots) {
        constexpr int n = 2048;
        std::vector<double> values(static_cast<std::size_t>(n) * n);
        std::mt19937 random(2024);
        std::normal_distribution<double> noise(0, 8);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                values[static_cast<std::size_t>(y) * n + x] = 600 + 0.1 * x + 0.05 * y + noise(random);
        for (std::size_t i = 0; i < spots.size(); ++i) {
            const double amplitude = 3000 + 40000.0 * static_cast<double>((i * 37) % 17) / 16;
            const auto [sx, sy] = spots[i];
            for (int y = int(sy) - 8; y <= int(sy) + 8; ++y)
                for (int x = int(sx) - 8; x <= int(sx) + 8; ++x) {
                    if (x < 0 || y < 0 || x >= n || y >= n) continue;
                    const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
                    values[static_cast<std::size_t>(y) * n + x] +=
                        amplitude * std::exp(-r2 / (2 * 1.5 * 1.5));
                }
        }
        QImage image(n, n, QImage::Format_Grayscale16);
        for (int y = 0; y < n; ++y) {
            auto* row = reinterpret_cast<quint16*>(image.scanLine(y));
            for (int x = 0; x < n; ++x)
                row[x] = static_cast<quint16>(
                    std::clamp(std::lround(values[static_cast<std::size_t>(y) * n + x]), 0L, 65535L));
        }
        const QString path = dir_.filePath("silicon.tif");
        EXPECT_TRUE(image.save(path, "TIFF"));
        return path;
    }

    // Whether two orientations differ only by an operation of the crystal's group.
    bool sameUpToSymmetry(const Mat3f& a, const Mat3f& b) const {
        for (const symmetry::SymOp& op : doc->engine().symmetryState().ops) {
            // Cubic axes: the operation's rotation is its Cartesian matrix. O' = R^T O.
            double worst = 0;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    double v = 0;
                    for (int k = 0; k < 3; ++k) v += op.matrix[k][i] * b[k][j];
                    worst = std::max(worst, std::fabs(v - a[i][j]));
                }
            if (worst < 2e-3) return true;
        }
        return false;
    }

    QAbstractItemModel* spotRows() const { return panel->spotTable()->model(); }
    QAbstractItemModel* solutionRows() const { return panel->solutionTable()->model(); }
    QString solutionText(int row, int column) const {
        return solutionRows()->index(row, column).data().toString();
    }
    QString result() const { return child<QLabel>("lbORIENTRESULT")->text(); }
    // The point of the photo page where photo pixel (x, y) is painted.
    QPointF onPage(const Point& p) const {
        PictureBox* page = picture("pb2");
        const QSize photo(doc->photoFrame().width, doc->photoFrame().height);
        const double fit =
            std::min(double(page->width()) / photo.width(), double(page->height()) / photo.height());
        return {(p[0] + 0.5) * fit, (p[1] + 0.5) * fit};
    }
    std::vector<Point> tableSpots() const {
        const auto* model = qobject_cast<SpotTableModel*>(spotRows());
        std::vector<Point> points;
        for (const engine::Peak& s : model->spots()) points.push_back({s.x, s.y});
        return points;
    }

    OrientationPanel* panel = nullptr;
};

TEST_F(PhotoOrientationTest, AFrameOfSiliconOnTheTopCameraGivesItsOrientation) {
    doc->setMODE(kDetectorPlot);
    doc->orientTo(2, -3, 7, true);
    const Mat3f truth = orientation();
    // Spots well apart and inside the frame: each one is found on its own.
    std::vector<Point> spots;
    for (const Point& p : drawnSpots(false))
        if (p[0] > 8 && p[1] > 8 && p[0] < 2039 && p[1] < 2039 &&
            (spots.empty() || nearestDistance(p, spots) > 12))
            spots.push_back(p);
    ASSERT_GE(spots.size(), 20u);
    const QString file = writeFrame(spots);
    doc->orientTo(0, 0, 1, true);
    ASSERT_FALSE(sameUpToSymmetry(orientation(), truth));

    doc->loadPhoto(file);
    ASSERT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join("; ").toStdString();
    EXPECT_EQ(doc->currentView(), frmDocument::Photo);
    // The frame keeps its 16 bits.
    const engine::GreyFrame& frame = doc->photoFrame();
    ASSERT_EQ(frame.width, 2048);
    EXPECT_GT(*std::max_element(frame.values.begin(), frame.values.end()), 30000.0f);

    QTest::mouseClick(panel->findButton(), Qt::LeftButton);
    ASSERT_EQ(spotRows()->rowCount(), static_cast<int>(spots.size())) << hint().toStdString();
    for (const Point& found : tableSpots()) EXPECT_LT(nearestDistance(found, spots), 0.3);

    QTest::mouseClick(panel->indexButton(), Qt::LeftButton);
    ASSERT_GE(solutionRows()->rowCount(), 1) << result().toStdString();
    EXPECT_EQ(solutionText(0, 0), QStringLiteral("%1 of %1").arg(spots.size()));
    EXPECT_LT(solutionText(0, 1).toDouble(), 0.05);

    const int steps = doc->undoStack()->count();
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    EXPECT_TRUE(sameUpToSymmetry(orientation(), truth));
    EXPECT_EQ(doc->undoStack()->count(), steps + 1);
    // The pattern now lies on the photo's spots.
    const std::vector<Point> drawn = drawnSpots(true);
    for (const Point& found : tableSpots()) EXPECT_LT(nearestDistance(found, drawn), 1.0);

    QTest::mouseClick(panel->refineButton(), Qt::LeftButton);
    EXPECT_TRUE(result().startsWith(QStringLiteral("Refined on %1 spots").arg(spots.size())))
        << result().toStdString();
    EXPECT_TRUE(sameUpToSymmetry(orientation(), truth));
    // With the detector: the camera refined becomes the custom one, at the same place.
    child<QCheckBox>("chkREFINEDET")->setChecked(true);
    QTest::mouseClick(panel->refineButton(), Qt::LeftButton);
    EXPECT_TRUE(result().contains("distance")) << result().toStdString();
    // Each change in its unit: the camera's turns in degrees, its distance in mm.
    EXPECT_TRUE(
        result().contains(QRegularExpression(QStringLiteral("tilt u [-+][0-9.]+ \u00b1 [0-9.]+\u00b0"))))
        << result().toStdString();
    EXPECT_TRUE(
        result().contains(QRegularExpression(QStringLiteral("turn n [-+][0-9.]+ \u00b1 [0-9.]+\u00b0"))))
        << result().toStdString();
    EXPECT_TRUE(
        result().contains(QRegularExpression(QStringLiteral("distance [-+][0-9.]+ \u00b1 [0-9.]+ mm"))))
        << result().toStdString();
    EXPECT_EQ(child<QComboBox>("cmbDET")->currentText(), "Custom");
    EXPECT_NEAR(edit("tfDETD")->text().toDouble(), 70, 0.05);
    EXPECT_NEAR(edit("tfDETX0")->text().toDouble(), 1023.5, 0.5);
    EXPECT_TRUE(sameUpToSymmetry(orientation(), truth));
    doc->undoStack()->undo();
    doc->undoStack()->undo();
    doc->undoStack()->undo();
    EXPECT_FALSE(sameUpToSymmetry(orientation(), truth));

    // Cancelled in its progress dialog, a search leaves what there was.
    QStringList labels;
    MessageHook cancel;
    cancel.progress = [&labels](const QString& label, double) {
        labels << label;
        return false;
    };
    setMessageHook(cancel);
    QTest::mouseClick(panel->findButton(), Qt::LeftButton);
    EXPECT_EQ(hint(), "Spot search cancelled: the spots stay");
    EXPECT_EQ(spotRows()->rowCount(), static_cast<int>(spots.size()));
    QTest::mouseClick(panel->indexButton(), Qt::LeftButton);
    EXPECT_EQ(hint(), "Indexing cancelled");
    EXPECT_GE(solutionRows()->rowCount(), 1);
    EXPECT_TRUE(labels.contains("Finding spots ...")) << labels.join("; ").toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("Indexing %1 spots ...").arg(spots.size())));
    EXPECT_TRUE(panel->findButton()->isEnabled());
    // A new crystal makes the orientations found stale (generated without the cancelling hook).
    clearMessageHook();
    doc->setCell({"Cu", "225", "F m 3 m", "3.615", "3.615", "3.615", "90", "90", "90"});
    EXPECT_EQ(solutionRows()->rowCount(), 0);
    EXPECT_EQ(spotRows()->rowCount(), static_cast<int>(spots.size()));
}

TEST_F(PhotoOrientationTest, ClicksAddAndRemoveSpotsAndLevelsChangeOnlyThePicture) {
    doc->setMODE(kDetectorPlot);
    doc->orientTo(2, -3, 7, true);
    const std::vector<Point> spots{{500.25, 700.5}, {1500.5, 300.25}, {1200, 1600}};
    doc->loadPhoto(writeFrame(spots));
    QTest::mouseClick(panel->findButton(), Qt::LeftButton);
    ASSERT_EQ(spotRows()->rowCount(), 3);

    // A click on a spot the search left out adds it at its centre.
    PictureBox* page = picture("pb2");
    const std::vector<Point> before = tableSpots();
    QTest::mouseClick(page, Qt::LeftButton, Qt::NoModifier, onPage({500, 701}).toPoint());
    ASSERT_EQ(spotRows()->rowCount(), 4);
    EXPECT_TRUE(hint().startsWith("Spot added at")) << hint().toStdString();
    // Shift+click takes the nearest away.
    QTest::mouseClick(page, Qt::LeftButton, Qt::ShiftModifier, onPage({1490, 310}).toPoint());
    ASSERT_EQ(spotRows()->rowCount(), 3);
    EXPECT_GT(nearestDistance({1500.5, 300.25}, tableSpots()), 5);
    // So does the right-click menu's "Remove spot".
    QTest::mouseClick(page, Qt::RightButton, Qt::NoModifier, onPage({1210, 1590}).toPoint());
    auto* menu = doc->findChild<QMenu*>("mnuSPOT");
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions())
        if (a->text() == "Remove spot") a->trigger();
    menu->close();
    ASSERT_EQ(spotRows()->rowCount(), 2);
    EXPECT_GT(nearestDistance({1200, 1600}, tableSpots()), 5);
    // The marks follow the table: save and read the list back.
    ask_.file = dir_.filePath("spots.txt");
    QTest::mouseClick(child<QPushButton>("btSAVESPOTS"), Qt::LeftButton);
    const QByteArray saved = readFile(ask_.file);
    EXPECT_EQ(saved, spotListText(qobject_cast<SpotTableModel*>(spotRows())->spots()).toUtf8());
    EXPECT_EQ(saved.count('\n'), 2);

    // Levels: a lower white point brightens the picture; the frame keeps its values.
    const std::vector<float> values = doc->photoFrame().values;
    const QPoint background = onPage({1000, 1000}).toPoint();
    const int grey = qGray(doc->currentPicture().pixel(background));
    auto* white = edit("tfWHITE");
    const double black = edit("tfBLACK")->text().toDouble();
    typeInto(white, QString::number(black + 100));
    QTest::keyClick(white, Qt::Key_Return);
    EXPECT_GT(qGray(doc->currentPicture().pixel(background)), grey + 40);
    EXPECT_EQ(doc->photoFrame().values, values);
    // A white point below the black one is refused.
    typeInto(white, QString::number(black - 1));
    QTest::keyClick(white, Qt::Key_Return);
    EXPECT_EQ(white->text().toDouble(), black + 100);
    EXPECT_TRUE(ask_.messages.last().contains("white point must lie above"))
        << ask_.messages.join("; ").toStdString();
}

TEST_F(PhotoOrientationTest, OnAFilmTheSpotsLieWhereThePageDrawsThemAndIndexToo) {
    doc->setMODE(kBackReflectionPlot);
    doc->orientTo(1, 2, 5, true);
    const Mat3f truth = orientation();
    QImage photo(900, 1200, QImage::Format_RGB32);
    photo.fill(QColor(40, 40, 40));
    ASSERT_TRUE(photo.save(dir_.filePath("film.png")));
    doc->loadPhoto(dir_.filePath("film.png"));
    // The spots the page draws over the photo, and their film points.
    std::vector<render::SpotRecord> records;
    doc->renderer().setSpotRecorder(&records);
    doc->Redraw();
    doc->renderer().setSpotRecorder(nullptr);
    const PhotoGeometry geometry = photoGeometry(doc->engine(), doc->renderOptions(), QSize(900, 1200));
    ASSERT_TRUE(geometry.film);
    QString list = "x y intensity\n";
    int listed = 0;
    std::vector<Point> places;
    for (const render::SpotRecord& r : records) {
        const engine::Vec2d p = geometry.photoPoint({r.detectorX, r.detectorY});
        EXPECT_NEAR(p[0], r.photoX, 1e-3);
        EXPECT_NEAR(p[1], r.photoY, 1e-3);
        const Point place{r.photoX, r.photoY};
        // Harmonics and the pair h k l, -h -k -l share one place: one spot.
        if (r.photoX >= 0 && r.photoY >= 0 && r.photoX < 900 && r.photoY < 1200 && listed < 40 &&
            (places.empty() || nearestDistance(place, places) > 1e-3)) {
            places.push_back(place);
            list += QString::asprintf("%.3f %.3f %d\n", r.photoX, r.photoY, 100 - listed);
            ++listed;
        }
    }
    ASSERT_GE(listed, 10);
    doc->orientTo(0, 0, 1, true);
    ask_.file = dir_.filePath("film-spots.txt");
    ASSERT_TRUE(writeFile(ask_.file, list.toUtf8()));
    QTest::mouseClick(child<QPushButton>("btLOADSPOTS"), Qt::LeftButton);
    ASSERT_EQ(spotRows()->rowCount(), listed);
    QTest::mouseClick(panel->indexButton(), Qt::LeftButton);
    ASSERT_GE(solutionRows()->rowCount(), 1) << result().toStdString();
    EXPECT_LT(solutionText(0, 1).toDouble(), 0.05);
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    EXPECT_TRUE(sameUpToSymmetry(orientation(), truth));
    // The film's geometry stays as it is; the orientation is refined.
    child<QCheckBox>("chkREFINEDET")->setChecked(true);
    QTest::mouseClick(panel->refineButton(), Qt::LeftButton);
    EXPECT_TRUE(result().contains("A film's geometry is not refined")) << result().toStdString();
    EXPECT_TRUE(sameUpToSymmetry(orientation(), truth));
}

}  // namespace
}  // namespace lumora::app::test
