#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/Labels.h"
#include "engine/LaueEngine.h"
#include "engine/Projection.h"
#include "render/PatternMaps.h"
#include "render/RenderOptions.h"
#include "render/Surface.h"

namespace lumora::render {

// One spot as drawn, for the --spots listing and for tests: indices, position
// in pixels from the picture's beam point (y up), wavelength in Å, radius in
// pixels and fill colour; on a Laue pattern also the detector coordinates
// (column, row; millimetres from the top left corner on a film) and, on the
// photo page, the position in photo pixels (column, row from the centre of
// the top left pixel). Both members of a pair hkl, -h-k-l are recorded, at
// the same place.
struct SpotRecord {
    int h = 0, k = 0, l = 0;
    float x = 0, y = 0;
    float wavelength = 0;
    float radius = 0;
    uint32_t colour = 0;
    // With physical intensities: the spot's intensity relative to the
    // strongest spot of the frame (NaN otherwise).
    double intensity = std::numeric_limits<double>::quiet_NaN();
    double detectorX = std::numeric_limits<double>::quiet_NaN();
    double detectorY = std::numeric_limits<double>::quiet_NaN();
    double photoX = std::numeric_limits<double>::quiet_NaN();
    double photoY = std::numeric_limits<double>::quiet_NaN();
};

// A spot the last frame put on the picture (picture pixels): what picking finds.
struct DrawnSpot {
    int32_t index = 0;
    double x = 0, y = 0;
};

// Draws a document's crystal (its engine) onto the document's picture
// surfaces as the options say. Drawing goes to the back buffer and reaches
// the visible surface in one copy, so a frame is never seen half drawn; a
// frame that fails leaves the previous picture. The renderer keeps the spots
// of the last frame for picking; it never changes the engine.
class PatternRenderer {
public:
    explicit PatternRenderer(const clLAUE& laue);

    // visible: the pattern surface; structure: the structure surface (may be
    // null); backBuffer: where frames are composed (may be the visible surface
    // itself, e.g. for vector output); photo: the loaded photograph (may be null).
    void setGraphicsContext(Surface* visible, Surface* structure, Surface* backBuffer, const QImage* photo);
    void setPictureBox(Surface* visible);
    Surface* pictureBox() const { return visible_; }
    // Whether the structure surface is currently shown (decides the structure monitor).
    void setStructureVisible(bool shown) { structureVisible_ = shown; }
    // The photo page instead of the pattern (the document's Photo tab).
    void setPhotoSimulation(bool on) { photoSimulation_ = on; }
    bool photoSimulation() const { return photoSimulation_; }

    // Repaints the pattern (the photo page when the photo simulation is on).
    void drawHKL(const RenderOptions& options);
    void drawLAUE(const RenderOptions& options);
    // True while a frame is being drawn.
    bool busy() const { return busy_; }

    // Draws the crystal structure onto the structure surface.
    void drawStructure(const RenderOptions& options);

    // Picking: the spot of the last frame nearest to (x, y) on the picture it
    // was drawn on, in pixels. Within 10 pixels it is marked on the visible
    // surface and described ("(1-11)  d = 3.1354" and the like); otherwise the
    // text is "no spot".
    std::string findMouseHKL(int mode, double x, double y);
    // The marker of a picked spot: a ring of radius 5 and the text beside it.
    void markSpot(Surface& s, double x, double y, const std::string& text);
    // The spots of the last frame, in drawing order: each point once.
    const std::vector<DrawnSpot>& drawnSpots() const { return drawn_; }

    // The photo overlay: the photograph scaled to fit with millimetre rulers,
    // and the simulated spots over it as small red rings.
    void drawHKLPHOTO(Surface& target, const RenderOptions& options);
    // Paints the loaded photograph at the top left, scaled to fit, with its
    // rulers on a film; returns the painted rectangle, empty when none.
    QRectF paintPhoto(Surface& s);
    // Where the photo page puts the pattern on a page of the given size.
    PhotoPlacement photoPlacement(QSizeF page, const RenderOptions& options) const;

    // Records every spot of the pattern body as drawn, in drawing order (null: off).
    void setSpotRecorder(std::vector<SpotRecord>* recorder) { recorder_ = recorder; }

    // The spot primitive: radius r in pixels at zoom 1.
    void drawSpot(Surface& s, double x, double y, double r, uint32_t outline);
    // The pixel-radius circle: anti-aliased when asked for and the radius is above 1.
    void drawCircle(Surface& s, double x, double y, double radius, uint32_t outline);

    // Net disc of the stereogram and the Wulff monitor (polar net when the flag is set).
    void drawNet(Surface& s, double cx, double cy, double radius);
    void drawPolarNet(Surface& s, double cx, double cy, double radius);

private:
    // What every part of a frame needs: set when the frame starts.
    struct Frame {
        double zoom = 1;
        double spacingLimit = 0;  // reflections with a smaller d are not drawn
        double labelLimit = 0;    // reflections with a smaller d get no label
        uint32_t spotColour = 0;
        QRectF labelArea;  // labels are drawn only where they fit whole
        QRectF inset;      // the Wulff monitor's box, kept clear of labels (empty: none)
    };

    // The Wulff monitor inset of a picture: centre and radius, kept wholly
    // inside the picture; radius 0 when the picture is too small for it.
    struct Inset {
        double cx = 0, cy = 0, radius = 0;
        QRectF box() const;
    };
    static Inset wulffInset(double width, double height);

    void startFrame(Surface& s);
    bool drawStructureMonitor(Surface& s);
    void drawStructureScene(Surface& s, double left, double top, double width, double height, bool monitor);
    uint32_t strengthColour(int32_t n) const;
    void drawLabel(Surface& s, int32_t n, double x, double y);
    // Whether labels and picking texts are in four-index notation: asked for
    // and the cell is hexagonal.
    bool fourIndex() const;
    // The label of reflection n in the current plot type, as drawn and picked.
    engine::Label spotLabel(int32_t n) const;
    // Prints a label with its top left at (x, y) when it fits whole in the
    // frame's label area clear of the inset: no cut-off fragments at the edges.
    void printLabel(Surface& s, double x, double y, const std::string& text);
    void drawReciprocalLattice(Surface& s, double cx, double cy);
    // The Laue pattern of a film or a camera, placed on the picture by `map`.
    void drawLauePattern(Surface& s, const DetectorMap& map, bool photoPage);
    void drawFilmOutline(Surface& s, const DetectorMap& map);
    void drawCameraFrame(Surface& s, const DetectorMap& map);
    void drawStereogram(Surface& s, double cx, double cy, double radius);
    void drawWulffMonitor(Surface& s);
    void present(Surface& s);
    void record(int32_t n, double x, double y, double beamX, double beamY, float wavelength, double radius,
                uint32_t colour);
    bool insideVisible(double x, double y) const;
    uint32_t onBackground(uint32_t c) const;
    uint32_t paletteColour(int entry) const;

    const clLAUE& laue_;
    RenderOptions options_;
    Surface* visible_ = nullptr;
    Surface* structure_ = nullptr;
    Surface structureBuffer_;
    Surface photoBuffer_;
    Surface* backBuffer_ = nullptr;
    const QImage* photo_ = nullptr;
    bool structureVisible_ = false;
    bool photoSimulation_ = false;
    bool busy_ = false;
    std::vector<SpotRecord>* recorder_ = nullptr;
    // the visible rectangle of the frame being drawn
    int right_ = 0, bottom_ = 0;
    Frame frame_;
    // spots of the frame being drawn; they reach the recorder when it is presented
    std::vector<SpotRecord> frameSpots_;
    // the spots of the last presented frame, and of the frame being drawn
    std::vector<DrawnSpot> drawn_;
    std::vector<DrawnSpot> drawing_;
    int drawnMode_ = -1;  // the plot type of the last frame, -1 before any
    // Where the reflections of a Laue frame meet the plane: the slot of each
    // reflection in hits_, -1 for none. Kept from frame to frame for their room.
    std::vector<int32_t> placedAt_;
    std::vector<engine::DetectorHit> hits_;
    // With physical intensities, the intensity of each placed spot (by slot of hits_).
    std::vector<double> intensities_;
};

// The face of the printed net's title: a bold italic serif, chosen by family
// name from what the machine has (Times first).
QFont wulffNetTitleFont();

// Prints a full-page Wulff net (meridians and parallels every 2 degrees) with
// its title onto any paint device: a printer, a PDF writer or an image.
void printWulffNet(QPaintDevice& device);

}  // namespace lumora::render
