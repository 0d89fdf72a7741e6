// The Laue pattern on a camera (plot type 4): the detector's frame fitted into
// the picture with its outline, the spots where the reflected rays meet the
// detector, and the photo page laying a frame read from the detector 1:1
// under the rings.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "RenderTestSupport.h"
#include "engine/Detector.h"

using namespace lumora;
using namespace rendertest;

namespace {

constexpr uint32_t kPhoto = 0xC8B428;  // (200, 180, 40): no colour the overlay draws

// Where a camera's frame lies on a picture, derived from the picture size and the frame's size
// in millimetres: centred, 95 % of the tighter side, a millimetre as long across as down.
struct CameraFit {
    double perMm = 0;                 // display pixels per millimetre
    QRectF frame;                     // the frame on the picture
    double centreX = 0, centreY = 0;  // the frame's middle in detector units

    CameraFit(const engine::Detector& camera, QSize picture) {
        const double widthMm = camera.width * camera.px, heightMm = camera.height * camera.py;
        perMm = std::min(0.95 * picture.width() / widthMm, 0.95 * picture.height() / heightMm);
        frame = QRectF(0, 0, widthMm * perMm, heightMm * perMm);
        frame.moveCenter(QPointF(picture.width() / 2.0, picture.height() / 2.0));
        // Pixel detectors count from the centre of the top left pixel.
        centreX = (camera.width - 1) / 2;
        centreY = (camera.height - 1) / 2;
    }
    // The offset of a detector point from the picture centre, y up.
    QPointF offset(const engine::Detector& camera, double x, double y) const {
        return {(x - centreX) * camera.px * perMm, -(y - centreY) * camera.py * perMm};
    }
};

// Where reflection n's ray meets a camera looking down on the crystal (normal -z, u = +y,
// v = +x), from the plane's normal in the laboratory: the beam (1, 0, 0) mirrored in it.
struct Arrival {
    bool meets = false;
    double x = 0, y = 0;  // detector units
    double wavelength = 0;
};
Arrival arrival(const clLAUE& laue, int32_t n, const engine::Detector& camera) {
    const Vec3f& lab = laue.orientation().lab[static_cast<std::size_t>(n)];
    double g[3] = {lab[0], lab[1], lab[2]};
    // hkl and -h-k-l reflect alike: the normal facing along the beam.
    const double scale = (g[0] < 0 ? -1 : 1) / std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
    for (double& c : g) c *= scale;
    const double ray[3] = {1 - 2 * g[0] * g[0], -2 * g[0] * g[1], -2 * g[0] * g[2]};
    Arrival a;
    a.wavelength = 2 * laue.reflections()[n].d * g[0];  // 2 d sin(theta)
    a.meets = ray[2] < 0;
    if (!a.meets) return a;
    const double t = camera.distance / -ray[2];
    a.x = camera.x0 + t * ray[1] / camera.px;
    a.y = camera.y0 + t * ray[0] / camera.py;
    return a;
}

class CameraTest : public PatternFixture {
protected:
    void useCamera(const engine::Detector& camera) {
        laue.setDetector(camera);
        laue.m_mode = kDetectorPlot;
    }
    std::map<std::tuple<int, int, int>, int32_t> listIndex() const {
        std::map<std::tuple<int, int, int>, int32_t> out;
        const engine::ReflectionList& list = laue.reflections();
        for (int32_t n = 0; n < list.size(); ++n) out[{list[n].h, list[n].k, list[n].l}] = n;
        return out;
    }
};

engine::Detector smallCamera() { return engine::topCamera(60, 255.5, 191.5, 0.3, 512, 384); }

}  // namespace

TEST_F(CameraTest, TheFrameIsOutlinedAtNinetyFivePercentOfThePictureAndHoldsEverySpot) {
    struct Case {
        engine::Detector camera;
        QSize picture;
    };
    const Case cases[] = {
        {engine::defaultTopCamera(), QSize(400, 300)},  // the height decides
        {smallCamera(), QSize(400, 400)},               // the width decides
        // Oblong pixels: 80 x 80 mm, square on the picture.
        {engine::placedDetector(90, 0, {0, 0, 0}, 60, 199.5, 99.5, 0.2, 0.4, 400, 200), QSize(400, 300)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.camera.width);
        loadSilicon(c.picture);
        laue.setOrientation(2, 3, 7, true);
        useCamera(c.camera);
        const CameraFit fit(c.camera, c.picture);
        const QRectF f = fit.frame;
        // Without spots: a blue line along every edge of the frame and nothing else.
        options.spacingThreshold = 1.01f;
        const QImage& outline = frame(kDetectorPlot);
        for (int i = 1; i < 20; ++i) {
            const double x = f.left() + f.width() * i / 20, y = f.top() + f.height() * i / 20;
            for (const QRect near : {QRect(int(x), int(std::floor(f.top())) - 1, 1, 3),
                                     QRect(int(x), int(std::floor(f.bottom())) - 1, 1, 3),
                                     QRect(int(std::floor(f.left())) - 1, int(y), 3, 1),
                                     QRect(int(std::floor(f.right())) - 1, int(y), 3, 1)})
                EXPECT_GT(countColour(outline, near, kBlue), 0) << i;
        }
        const QRect onFrame = f.toAlignedRect().adjusted(-2, -2, 2, 2);
        const QRect inside = f.toAlignedRect().adjusted(3, 3, -3, -3);
        EXPECT_EQ(countOther(outline, outline.rect(), kWhite) - countOther(outline, onFrame, kWhite), 0);
        EXPECT_EQ(countOther(outline, inside, kWhite), 0);
        EXPECT_EQ(countOther(outline, onFrame, kWhite), countColour(outline, onFrame, kBlue));
        // With them: every spot inside the frame, where its detector coordinates put it.
        options.spacingThreshold = 0;
        const QImage& pattern = frame(kDetectorPlot);
        ASSERT_GT(spots.size(), 20u);
        EXPECT_EQ(countOther(pattern, pattern.rect(), kWhite) - countOther(pattern, onFrame, kWhite), 0);
        for (const SpotRecord& s : spots) {
            EXPECT_GE(s.detectorX, -0.5);
            EXPECT_LE(s.detectorX, c.camera.width - 0.5);
            EXPECT_GE(s.detectorY, -0.5);
            EXPECT_LE(s.detectorY, c.camera.height - 0.5);
            const QPointF at = fit.offset(c.camera, s.detectorX, s.detectorY);
            EXPECT_NEAR(s.x, at.x(), 2e-3) << s.h << " " << s.k << " " << s.l;
            EXPECT_NEAR(s.y, at.y(), 2e-3) << s.h << " " << s.k << " " << s.l;
            EXPECT_TRUE(f.adjusted(-1e-3, -1e-3, 1e-3, 1e-3).contains(QPointF(cx() + s.x, cy() - s.y)));
        }
        // The zoom magnifies the pattern about the picture's centre.
        const std::vector<SpotRecord> one = spots;
        options.zoom = 2;
        frame(kDetectorPlot);
        ASSERT_EQ(spots.size(), one.size());
        for (std::size_t i = 0; i < spots.size(); ++i) {
            EXPECT_NEAR(spots[i].x, 2 * one[i].x, 2e-3);
            EXPECT_NEAR(spots[i].y, 2 * one[i].y, 2e-3);
            EXPECT_EQ(spots[i].detectorX, one[i].detectorX);
        }
    }
}

TEST_F(CameraTest, ExactlyTheReflectionsWhoseRaysMeetTheFrameWithinTheBandAreRecordedWhereTheyMeetIt) {
    loadSilicon(QSize(400, 300));
    laue.setOrientation(2, 3, 7, true);
    const engine::Detector camera = engine::defaultTopCamera();
    useCamera(camera);
    frame(kDetectorPlot);
    const auto indexOf = listIndex();
    std::set<std::tuple<int, int, int>> recorded;
    for (const SpotRecord& s : spots) {
        recorded.insert({s.h, s.k, s.l});
        const Arrival a = arrival(laue, indexOf.at({s.h, s.k, s.l}), camera);
        ASSERT_TRUE(a.meets) << s.h << " " << s.k << " " << s.l;
        EXPECT_NEAR(s.detectorX, a.x, 1e-3) << s.h << " " << s.k << " " << s.l;
        EXPECT_NEAR(s.detectorY, a.y, 1e-3) << s.h << " " << s.k << " " << s.l;
        EXPECT_NEAR(s.wavelength, a.wavelength, 1e-5 * a.wavelength);
    }
    // Every reflection that clearly meets the frame within the band is there; none that
    // clearly misses it is.
    const engine::ReflectionList& list = laue.reflections();
    int expected = 0;
    for (int32_t n = 0; n < list.size(); ++n) {
        const Arrival a = arrival(laue, n, camera);
        const double margin = 1e-3;
        const bool inBand =
            a.wavelength > laue.x_lambda_min * (1 + 1e-5) && a.wavelength < laue.x_lambda_max * (1 - 1e-5);
        const bool outOfBand =
            a.wavelength < laue.x_lambda_min * (1 - 1e-5) || a.wavelength > laue.x_lambda_max * (1 + 1e-5);
        const bool inside = a.meets && a.x > -0.5 + margin && a.x < camera.width - 0.5 - margin &&
                            a.y > -0.5 + margin && a.y < camera.height - 0.5 - margin;
        const bool outside = !a.meets || a.x < -0.5 - margin || a.x > camera.width - 0.5 + margin ||
                             a.y < -0.5 - margin || a.y > camera.height - 0.5 + margin;
        const bool found = recorded.count({list[n].h, list[n].k, list[n].l}) > 0;
        if (inBand && inside) {
            EXPECT_TRUE(found) << list[n].h << " " << list[n].k << " " << list[n].l;
            ++expected;
        } else if (outOfBand || outside) {
            EXPECT_FALSE(found) << list[n].h << " " << list[n].k << " " << list[n].l;
        }
    }
    EXPECT_GT(expected, 20);
    EXPECT_EQ(static_cast<int>(spots.size()), expected);
}

TEST_F(CameraTest, PhotoPageLaysAFrameOfTheDetectorOneToOneUnderTheRings) {
    // A 512 x 384 frame on a page of its proportions: 0.78125 display pixels per frame pixel.
    const QSize size(400, 300);
    const double fit = 400.0 / 512;
    loadSilicon(size);
    laue.setOrientation(2, 3, 7, true);
    const engine::Detector camera = smallCamera();
    useCamera(camera);
    frame(kDetectorPlot);
    const std::vector<SpotRecord> pattern = spots;
    std::map<int32_t, std::string> names;  // what picking calls each drawn spot of the pattern
    for (const render::DrawnSpot& s : renderer.drawnSpots())
        names[s.index] = renderer.findMouseHKL(kDetectorPlot, s.x, s.y);
    ASSERT_GT(pattern.size(), 20u);

    QImage photo(512, 384, QImage::Format_RGB32);
    photo.fill(QColor::fromRgb(kPhoto));
    render::Surface page(size);
    std::vector<SpotRecord> laid;
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "photo" : "no photo");
        renderer.setGraphicsContext(&visible, nullptr, &back, &photo);
        options.showPhoto = shown;
        options.zoom = 1;
        const render::PhotoPlacement at = renderer.photoPlacement(QSizeF(size), options);
        EXPECT_DOUBLE_EQ(at.fit, shown ? fit : 0);
        EXPECT_EQ(at.photo, shown ? QRectF(0, 0, 400, 300) : QRectF());
        renderer.drawHKLPHOTO(page, options);
        const QImage& image = page.image();
        // The same spots, each ring about ((x + 0.5) fit, (y + 0.5) fit) for detector pixel (x, y).
        ASSERT_EQ(spots.size(), pattern.size());
        int rings = 0;
        for (std::size_t i = 0; i < spots.size(); ++i) {
            const SpotRecord& s = spots[i];
            ASSERT_EQ(std::tie(s.h, s.k, s.l), std::tie(pattern[i].h, pattern[i].k, pattern[i].l));
            EXPECT_EQ(s.detectorX, pattern[i].detectorX);
            EXPECT_EQ(s.detectorY, pattern[i].detectorY);
            const double x = size.width() / 2.0 + s.x, y = size.height() / 2.0 - s.y;
            EXPECT_NEAR(x, (s.detectorX + 0.5) * fit, 1e-3);
            EXPECT_NEAR(y, (s.detectorY + 0.5) * fit, 1e-3);
            if (shown) {
                EXPECT_NEAR(s.photoX, s.detectorX, 2e-3);
                EXPECT_NEAR(s.photoY, s.detectorY, 2e-3);
            } else {
                EXPECT_TRUE(std::isnan(s.photoX) && std::isnan(s.photoY));
            }
            const int px = int(std::floor(x)), py = int(std::floor(y));
            if (px < 5 || py < 5 || px > size.width() - 6 || py > size.height() - 6) continue;
            EXPECT_GT(countColour(image, QRect(px + 2, py - 1, 3, 3), kRed), 0) << px << ", " << py;
            EXPECT_GT(countColour(image, QRect(px - 4, py - 1, 3, 3), kRed), 0) << px << ", " << py;
            ++rings;
        }
        EXPECT_GT(rings, 20);
        // The frame has its pixels for a scale: no millimetre rulers, and the beam misses a camera
        // above the crystal, so nothing is blue. The photo covers the page.
        EXPECT_EQ(countColour(image, image.rect(), kBlue), 0);
        if (shown) {
            EXPECT_GT(countColour(image, image.rect(), kPhoto), 400 * 300 * 8 / 10);
        }
        // A ring picks as the pattern's spot of its reflection.
        for (const render::DrawnSpot& s : renderer.drawnSpots()) {
            ASSERT_TRUE(names.count(s.index));
            EXPECT_EQ(renderer.findMouseHKL(kDetectorPlot, s.x, s.y), names[s.index]);
        }
        if (shown) laid = spots;
    }
    // 1:1 whatever the zoom.
    options.showPhoto = true;
    options.zoom = 2.5f;
    renderer.drawHKLPHOTO(page, options);
    ASSERT_EQ(spots.size(), laid.size());
    for (std::size_t i = 0; i < spots.size(); ++i) {
        EXPECT_EQ(spots[i].x, laid[i].x);
        EXPECT_EQ(spots[i].y, laid[i].y);
        EXPECT_EQ(spots[i].photoX, laid[i].photoX);
    }
}
