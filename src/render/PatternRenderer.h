#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/LaueEngine.h"
#include "render/Surface.h"

namespace lumora::render {

// One spot as drawn, for the --spots listing and for tests: indices, position
// in pixels from the picture centre (y up), wavelength in Å, radius in pixels
// and fill colour.
struct SpotRecord {
    int h = 0, k = 0, l = 0;
    float x = 0, y = 0;
    float wavelength = 0;
    float radius = 0;
    uint32_t colour = 0;
};

// The drawing half of a document's engine: it draws the engine's current
// reflection list onto the document's picture surfaces. Drawing goes to the
// back buffer and reaches the visible surface in one copy, so a frame is never
// seen half drawn; a frame that fails leaves the previous picture.
class PatternRenderer {
public:
    explicit PatternRenderer(clLAUE& laue);

    // visible: the pattern surface; structure: the structure surface (may be
    // null); backBuffer: where frames are composed (may be the visible surface
    // itself, e.g. for vector output); photo: the loaded photograph (may be null).
    void setGraphicsContext(Surface* visible, Surface* structure, Surface* backBuffer, QImage* photo);
    void setPictureBox(Surface* visible);
    Surface* pictureBox() const { return visible_; }
    // Whether the structure surface is currently shown (decides the structure monitor).
    void setStructureVisible(bool shown) { structureVisible_ = shown; }

    // Repaints the pattern (the photo simulation when f_photosim is set).
    void drawHKL();
    void drawLAUE();
    // Sets the black background flag and repaints.
    void toggleBW(bool on);

    // Draws the crystal structure onto the structure surface.
    void drawStructure();

    // Picking: the spot nearest to (x, y) on the pattern surface, in pixels.
    // Within 10 pixels it is marked on the visible surface and described
    // ("(1-11)  d = 3.1354" and the like); otherwise the text is "no spot".
    std::string findMouseHKL(int mode, double x, double y);
    // The marker of a picked spot: a ring of radius 5 and the text beside it.
    void markSpot(Surface& s, double x, double y, const std::string& text);

    // The photo overlay: the photograph scaled to fit with millimetre rulers,
    // and the simulated spots over it as small red rings.
    void drawHKLPHOTO(Surface& target);
    // Paints the loaded photograph (when shown) at the top left, scaled to fit,
    // with its rulers; returns the painted rectangle, empty when none.
    QRectF paintPhoto(Surface& s);
    // Resets the photo placement (dx = dy = 999) and turns anti-aliasing off.
    void movePhoto(float dx, float dy, float factor);

    // Where the photo page puts the film on a page of the given size: the
    // photo's own millimetre scale (its fit factor times its photo pixels per
    // film millimetre), or without a photo the film fitted to the page the way
    // a photo of it would be. The beam centre is the application's photo
    // centre on that scale, from the top left corner.
    struct PhotoPlacement {
        double fit = 0;          // display pixels per photo pixel (0: no photo shown)
        double pixelsPerMm = 0;  // display pixels per film millimetre (0: no film)
        double beamX = 0, beamY = 0;
        QRectF photo;  // the painted photo, empty when none
    };
    PhotoPlacement photoPlacement(QSizeF page) const;

    // Records every spot of the pattern body as drawn, in drawing order (null: off).
    void setSpotRecorder(std::vector<SpotRecord>* recorder) { recorder_ = recorder; }

    // The spot primitive: radius r in pixels at zoom 1.
    void drawSpot(Surface& s, double x, double y, double r, uint32_t outline);
    // The pixel-radius circle: anti-aliased when b_alias is set and the radius is above 1.
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
    int32_t listIndex(float value) const;
    void drawLabel(Surface& s, int32_t n, double x, double y);
    // Prints a label with its top left at (x, y) when it fits whole in the
    // frame's label area clear of the inset: no cut-off fragments at the edges.
    void printLabel(Surface& s, double x, double y, const std::string& text);
    void drawReciprocalLattice(Surface& s, double cx, double cy);
    void drawFilm(Surface& s, double cx, double cy);
    void drawStereogram(Surface& s, double cx, double cy, double radius);
    void drawWulffMonitor(Surface& s);
    void present(Surface& s);
    void record(int32_t n, double x, double y, double cx, double cy, float wavelength, double radius,
                uint32_t colour);
    bool insideVisible(double x, double y) const;

    clLAUE& laue_;
    Surface* visible_ = nullptr;
    Surface* structure_ = nullptr;
    Surface structureBuffer_;
    Surface photoBuffer_;
    Surface* backBuffer_ = nullptr;
    QImage* photo_ = nullptr;
    bool structureVisible_ = false;
    std::vector<SpotRecord>* recorder_ = nullptr;
    // the visible rectangle of the frame being drawn
    int right_ = 0, bottom_ = 0;
    Frame frame_;
    // spots of the frame being drawn; they reach the recorder when it is presented
    std::vector<SpotRecord> frameSpots_;
};

// The face of the printed net's title: a bold italic serif, chosen by family
// name from what the machine has (Times first).
QFont wulffNetTitleFont();

// Prints a full-page Wulff net (meridians and parallels every 2 degrees) with
// its title onto any paint device: a printer, a PDF writer or an image.
void printWulffNet(QPaintDevice& device);

}  // namespace lumora::render
