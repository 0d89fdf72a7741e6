// What a frame draws, what it records and what picking finds are the same
// spots: every drawn spot is found at its centre under its own name, nothing
// is found where no spot was drawn, the photo page puts its rings where the
// pattern has its spots, and a point of a film shared by hkl and -h-k-l is
// drawn once but recorded for both.
#include <gtest/gtest.h>

#include <charconv>
#include <map>
#include <numeric>
#include <regex>
#include <set>
#include <string>
#include <tuple>

#include "RenderTestSupport.h"

using namespace lumora;
using namespace rendertest;
using render::DrawnSpot;

namespace {

std::string indexText(int h, int k, int l) {
    return std::to_string(h) + std::to_string(k) + std::to_string(l);
}

double parseNumber(const std::string& text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);  // not the C library: no locale
    return v;
}

class DrawnSpotsTest : public PatternFixture {
protected:
    // The name picking gives reflection n and the spacing it quotes (0: none quoted). The 3-D
    // view names the point itself; the films and cameras name the plane (the indices over their
    // greatest common divisor, the first non-zero one positive) with that plane's spacing; the
    // stereogram names the pole by the reduced indices as they stand. With `fourIndex` the
    // names are (h k i l), i = -(h+k).
    std::pair<std::string, double> expectedName(int mode, int32_t n) const {
        const engine::Reflection& r = laue.reflections()[n];
        int h = r.h, k = r.k, l = r.l;
        const auto name = [this](int h, int k, int l) {
            return fourIndex ? indexText(h, k, -(h + k)) + std::to_string(l) : indexText(h, k, l);
        };
        if (mode == kReciprocalPlot) return {name(h, k, l), r.d};
        const int g = std::gcd(std::gcd(std::abs(h), std::abs(k)), std::abs(l));
        h /= g, k /= g, l /= g;
        if (mode == kStereogramPlot) return {name(h, k, l), 0};
        if ((h != 0 ? h : k != 0 ? k : l) < 0) h = -h, k = -k, l = -l;
        return {name(h, k, l), laue.computeSpacing(int16_t(h), int16_t(k), int16_t(l))};
    }

    bool fourIndex = false;

    // Picks at every drawn spot's centre and expects its name, or the name of another spot
    // drawn on the same point (lattice points in line with the beam in the 3-D view); returns
    // how many were picked.
    int expectEachDrawnSpotPicked(int mode) {
        static const std::regex form(R"(\(([-0-9]+)\)(  d = ([0-9.]+)|   Rho = .*))");
        const std::vector<DrawnSpot> drawn = renderer.drawnSpots();
        for (const DrawnSpot& s : drawn) {
            const std::string text = renderer.findMouseHKL(mode, s.x, s.y);
            std::smatch m;
            if (!std::regex_match(text, m, form)) {
                ADD_FAILURE() << "mode " << mode << " at " << s.x << ", " << s.y << ": " << text;
                continue;
            }
            const auto named = [&](const DrawnSpot& o) {
                if (std::hypot(o.x - s.x, o.y - s.y) > 1e-3) return false;
                const auto [label, d] = expectedName(mode, o.index);
                return m[1].str() == label && (d == 0 || std::abs(parseNumber(m[3].str()) - d) < 6e-5);
            };
            const auto [label, d] = expectedName(mode, s.index);
            EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), named))
                << "mode " << mode << ": " << text << " for " << label << " (d = " << d << ")";
        }
        return static_cast<int>(drawn.size());
    }

    // Clicks 10.1 pixels from every drawn spot in eight directions: no spot is found unless
    // another drawn spot lies within 10 pixels of the click. Returns the clicks that found none.
    int expectNothingBeyondTenPixels(int mode) {
        const std::vector<DrawnSpot> drawn = renderer.drawnSpots();
        int empty = 0;
        for (const DrawnSpot& s : drawn) {
            for (int i = 0; i < 8; ++i) {
                const double x = s.x + 10.1 * std::cos(i * M_PI / 4), y = s.y + 10.1 * std::sin(i * M_PI / 4);
                double nearest = 1e9;
                for (const DrawnSpot& o : drawn) nearest = std::min(nearest, std::hypot(o.x - x, o.y - y));
                if (nearest > 10.05) {
                    EXPECT_EQ(renderer.findMouseHKL(mode, x, y), "no spot") << "mode " << mode;
                    ++empty;
                } else if (nearest < 9.95) {
                    EXPECT_NE(renderer.findMouseHKL(mode, x, y), "no spot") << "mode " << mode;
                }
            }
        }
        return empty;
    }

    // The recorded spot of reflection n at the picture point (x, y), null when none.
    const SpotRecord* recordAt(int32_t n, double x, double y, double centreX, double centreY) const {
        const engine::Reflection& r = laue.reflections()[n];
        for (const SpotRecord& s : spots)
            if (s.h == r.h && s.k == r.k && s.l == r.l && std::abs(centreX + s.x - x) < 1e-3 &&
                std::abs(centreY - s.y - y) < 1e-3)
                return &s;
        return nullptr;
    }

    // On a film or camera picture with nothing but spots and the beam mark: the drawn spots are
    // the recorded spots whose centres lie in the part shown, each shows ink where it is
    // recorded, and every inked pixel belongs to one of them or to a spot whose centre lies just
    // off the part shown (blue is the beam mark's and the camera frame's).
    void expectInkOnlyAtDrawnSpots(const QImage& image, const QRectF& shown) {
        const std::vector<DrawnSpot>& drawn = renderer.drawnSpots();
        const QRectF surelyIn = shown.adjusted(1, 1, -1, -1), surelyOut = shown.adjusted(-1, -1, 1, 1);
        for (const DrawnSpot& s : drawn) {
            ASSERT_NE(recordAt(s.index, s.x, s.y, cx(), cy()), nullptr) << s.x << ", " << s.y;
            EXPECT_TRUE(surelyOut.contains(QPointF(s.x, s.y))) << s.x << ", " << s.y;
            const QRect around(int(std::floor(s.x)) - 1, int(std::floor(s.y)) - 1, 3, 3);
            if (image.rect().contains(around)) {
                EXPECT_GT(countOther(image, around, kWhite), 0) << s.x << ", " << s.y;
            }
        }
        std::vector<std::pair<QPointF, double>> inked;  // centres and reach of what may show
        for (const SpotRecord& r : spots) {
            const QPointF at(cx() + r.x, cy() - r.y);
            const bool isDrawn = std::any_of(drawn.begin(), drawn.end(), [&](const DrawnSpot& s) {
                return std::hypot(s.x - at.x(), s.y - at.y()) < 1e-3;
            });
            if (surelyIn.contains(at)) {
                EXPECT_TRUE(isDrawn) << r.h << " " << r.k << " " << r.l;
            }
            if (isDrawn || !surelyIn.contains(at)) inked.push_back({at, r.radius + 1.5});
        }
        int stray = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const uint32_t c = rgbAt(image, x, y);
                if (c == kWhite || c == kBlue) continue;
                stray += std::none_of(inked.begin(), inked.end(), [&](const auto& spot) {
                    return std::hypot(x + 0.5 - spot.first.x(), y + 0.5 - spot.first.y()) <= spot.second;
                });
            }
        EXPECT_EQ(stray, 0);
    }
};

}  // namespace

TEST_F(DrawnSpotsTest, EveryDrawnSpotIsPickedAtItsCentreAndNothingTenPixelsBeyondTheSpots) {
    loadSilicon(QSize(600, 450));
    laue.setOrientation(2, 3, 7, true);  // off any zone axis: few spots coincide
    struct Case {
        int16_t mode;
        float zoom;
        bool clip;    // spots off the film (or frame) are neither seen nor found
        int atLeast;  // drawn spots
    };
    for (const Case c : {Case{kTransmissionPlot, 0.6f, false, 100}, Case{kTransmissionPlot, 1, true, 50},
                         Case{kBackReflectionPlot, 1, false, 30}, Case{kDetectorPlot, 1, false, 30},
                         Case{kDetectorPlot, 3, true, 10}, Case{kStereogramPlot, 1, false, 100},
                         Case{kReciprocalPlot, 1, false, 100}}) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.clip ? " clipped" : ""));
        options.zoom = c.zoom;
        options.flags.clipFilmRegion = c.clip;
        const QImage image = frame(c.mode).copy();
        if (c.mode == kTransmissionPlot && c.clip) {
            const double hx = laue.getFilmWidth() / 2 / laue.x_fsd * options.filmScale * c.zoom;
            const double hy = laue.getFilmHeight() / 2 / laue.x_fsd * options.filmScale * c.zoom;
            expectInkOnlyAtDrawnSpots(image, QRectF(cx() - hx, cy() - hy, 2 * hx, 2 * hy));
        } else if (isLauePlot(c.mode)) {
            expectInkOnlyAtDrawnSpots(image, QRectF(-1e6, -1e6, 2e6, 2e6));
        }
        EXPECT_GE(expectEachDrawnSpotPicked(c.mode), c.atLeast);
        EXPECT_GT(expectNothingBeyondTenPixels(c.mode), 50);
    }
}

TEST_F(DrawnSpotsTest, AHexagonalCellIsNamedInFourIndicesWhenAskedAndOtherCellsKeepThree) {
    loadSilicon(QSize(600, 450));
    laue.setOrientation(2, 3, 7, true);
    options.flags.fourIndex = true;
    frame(kBackReflectionPlot);
    EXPECT_GE(expectEachDrawnSpotPicked(kBackReflectionPlot), 30);  // cubic: three indices

    laue.SGTAB_find("P 1");
    const float cell[6] = {3.2f, 3.2f, 5.2f, 90, 90, 120};
    for (int i = 0; i < 6; ++i) laue.setCellConstant(i, cell[i]);
    laue.GenerateHKL();
    laue.setOrientation(2, 3, 7, true);
    fitNewList(QSize(600, 450));
    for (const bool asked : {true, false}) {
        options.flags.fourIndex = asked;
        fourIndex = asked;
        for (const int16_t mode :
             {kTransmissionPlot, kBackReflectionPlot, kDetectorPlot, kStereogramPlot, kReciprocalPlot}) {
            SCOPED_TRACE(std::to_string(mode) + (asked ? " four" : " three"));
            frame(mode);
            EXPECT_GE(expectEachDrawnSpotPicked(mode), 10);
        }
    }
}

TEST_F(DrawnSpotsTest, FilmPhotoPageRecordsTheSpotsOfTheFilmThroughItsPlacement) {
    // A 90 x 120 mm film on 450 x 600 pixels: 5 pixels per mm on the pattern page (film scale
    // 5 px/mm x 30 mm) and on the photo page, whose beam centre is put 40 mm across, 70 mm down.
    const QSize size(450, 600);
    const double pxPerMm = 5, beamX = 40 * pxPerMm, beamY = 70 * pxPerMm;
    loadSilicon(size);
    laue.setOrientation(2, 3, 7, true);
    options.filmScale = float(pxPerMm * laue.x_fsd);
    options.photoCentreX = 40;
    options.photoCentreY = 70;
    render::Surface page(size);
    // A scan of the film at 10 pixels per mm: shown at half size, it places the film alike.
    QImage scan(900, 1200, QImage::Format_RGB32);
    scan.fill(Qt::white);
    for (const int16_t mode : {kTransmissionPlot, kBackReflectionPlot}) {
        SCOPED_TRACE(mode);
        frame(mode);
        const std::vector<SpotRecord> film = spots;
        std::map<int32_t, std::string> names;  // what picking calls each drawn spot of the pattern
        for (const DrawnSpot& s : renderer.drawnSpots())
            names[s.index] = renderer.findMouseHKL(mode, s.x, s.y);
        ASSERT_GT(film.size(), 100u);
        // A film's detector coordinates are millimetres from its top left corner as drawn.
        for (const SpotRecord& f : film) {
            EXPECT_NEAR(f.x, (f.detectorX - 45) * pxPerMm, 1e-3);
            EXPECT_NEAR(f.y, -(f.detectorY - 60) * pxPerMm, 1e-3);
        }
        for (const bool withScan : {false, true}) {
            SCOPED_TRACE(withScan ? "scan" : "no scan");
            renderer.setGraphicsContext(&visible, nullptr, &back, withScan ? &scan : nullptr);
            options.showPhoto = withScan;
            const render::PhotoPlacement at = renderer.photoPlacement(QSizeF(size), options);
            EXPECT_DOUBLE_EQ(at.pixelsPerMm, pxPerMm);
            EXPECT_DOUBLE_EQ(at.beamX, beamX);
            EXPECT_DOUBLE_EQ(at.beamY, beamY);
            EXPECT_DOUBLE_EQ(at.fit, withScan ? 0.5 : 0);
            renderer.drawHKLPHOTO(page, options);
            // The same spots in the same order, moved by the beam's offset from the page centre.
            ASSERT_EQ(spots.size(), film.size());
            for (std::size_t i = 0; i < spots.size(); ++i) {
                const SpotRecord &p = spots[i], &f = film[i];
                ASSERT_EQ(std::tie(p.h, p.k, p.l), std::tie(f.h, f.k, f.l));
                EXPECT_NEAR(p.x, f.x + beamX - size.width() / 2.0, 1e-3);
                EXPECT_NEAR(p.y, f.y - (beamY - size.height() / 2.0), 1e-3);
                EXPECT_EQ(p.wavelength, f.wavelength);
                EXPECT_EQ(p.detectorX, f.detectorX);
                EXPECT_EQ(p.detectorY, f.detectorY);
                if (!withScan) {
                    EXPECT_TRUE(std::isnan(p.photoX) && std::isnan(p.photoY));
                    continue;
                }
                // The scan spans the film: a film millimetre is 10 scan pixels, counted from the
                // centre of the top left pixel, with the beam's point (the film's middle) at the
                // photo centre.
                EXPECT_NEAR(p.photoX, (p.detectorX - 45 + 40) * 10 - 0.5, 2e-3);
                EXPECT_NEAR(p.photoY, (p.detectorY - 60 + 70) * 10 - 0.5, 2e-3);
            }
            // Each ring is a red circle of radius 3 about its spot and picks as the pattern's spot.
            const QImage& image = page.image();
            int rings = 0;
            for (const DrawnSpot& s : renderer.drawnSpots()) {
                ASSERT_TRUE(names.count(s.index));
                EXPECT_EQ(renderer.findMouseHKL(mode, s.x, s.y), names[s.index]);
                const int x = int(std::floor(s.x)), y = int(std::floor(s.y));
                if (x < 5 || y < 5 || x > size.width() - 6 || y > size.height() - 6) continue;
                EXPECT_GT(countColour(image, QRect(x + 2, y - 1, 3, 3), kRed), 0) << x << ", " << y;
                EXPECT_GT(countColour(image, QRect(x - 4, y - 1, 3, 3), kRed), 0) << x << ", " << y;
                ++rings;
            }
            EXPECT_GT(rings, 50);
        }
        renderer.setGraphicsContext(&visible, nullptr, &back, nullptr);
    }
}

TEST_F(DrawnSpotsTest, APointSharedByHklAndItsOppositeIsDrawnOnceAndRecordedForBoth) {
    loadSilicon(QSize(600, 450));
    laue.setOrientation(2, 3, 7, true);
    options.zoom = 0.6f;
    options.flags.hklIndices = true;
    const engine::ReflectionList& list = laue.reflections();
    std::map<std::tuple<int, int, int>, int32_t> indexOf;
    for (int32_t n = 0; n < list.size(); ++n) indexOf[{list[n].h, list[n].k, list[n].l}] = n;
    for (const int16_t mode : {kTransmissionPlot, kBackReflectionPlot, kDetectorPlot}) {
        SCOPED_TRACE(mode);
        frame(mode);
        const std::vector<DrawnSpot>& drawn = renderer.drawnSpots();
        ASSERT_GT(drawn.size(), 30u);
        // One drawn spot per point and wavelength: harmonics (nh nk nl) share a point but are
        // separate reflections; hkl and -h-k-l are one.
        std::set<std::tuple<float, float, float>> places, drawnPlaces;
        for (const SpotRecord& s : spots) places.insert({s.x, s.y, s.wavelength});
        for (const DrawnSpot& s : drawn) {
            const SpotRecord* record = recordAt(s.index, s.x, s.y, cx(), cy());
            ASSERT_NE(record, nullptr);
            drawnPlaces.insert({record->x, record->y, record->wavelength});
        }
        EXPECT_EQ(drawn.size(), places.size());
        EXPECT_EQ(drawnPlaces, places);
        // Silicon's list holds every -h-k-l: each recorded spot has its opposite at the same place.
        EXPECT_EQ(spots.size(), 2 * drawn.size());
        std::map<std::tuple<int, int, int>, const SpotRecord*> recorded;
        for (const SpotRecord& s : spots) recorded[{s.h, s.k, s.l}] = &s;
        for (const SpotRecord& s : spots) {
            const auto opposite = recorded.find({-s.h, -s.k, -s.l});
            ASSERT_NE(opposite, recorded.end()) << s.h << " " << s.k << " " << s.l;
            EXPECT_EQ(opposite->second->x, s.x);
            EXPECT_EQ(opposite->second->y, s.y);
            EXPECT_EQ(opposite->second->wavelength, s.wavelength);
            EXPECT_EQ(opposite->second->detectorX, s.detectorX);
            EXPECT_EQ(opposite->second->detectorY, s.detectorY);
        }
        // Exactly one member of every recorded pair is among the drawn spots.
        std::set<int32_t> drawnIndices;
        for (const DrawnSpot& s : drawn) drawnIndices.insert(s.index);
        for (const SpotRecord& s : spots) {
            const bool self = drawnIndices.count(indexOf.at({s.h, s.k, s.l})) > 0;
            const bool other = drawnIndices.count(indexOf.at({-s.h, -s.k, -s.l})) > 0;
            EXPECT_NE(self, other) << s.h << " " << s.k << " " << s.l;
        }
    }
}
