#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "app/DragController.h"
#include "render/PatternRenderer.h"
#include "render/RenderOptions.h"
#include "render/Surface.h"

namespace lumora {
class clLAUE;
}

namespace lumora::app {

class PictureBox;
class SliderPanel;

// A turn of the crystal asked for by the mouse, in degrees: about the beam
// (axis 1), or about the two axes across it (2 and 3) at once.
struct Turn {
    bool aboutBeam = false;
    float a = 0, b = 0;
};

// The pictures of a document and the mouse on them: the pattern (pb1), the
// structure (pb3) and the photo page's picture (pb2, laid out by the photo
// panel), the back buffer, the renderer, and the view the pictures are drawn
// with (zoom, thresholds, spot size, antialiasing, fitted scales, photo
// shown), which the slider panel shows and sets. It draws when asked and
// reports what the mouse asks for; the engine is only read.
class PatternView : public QWidget {
    Q_OBJECT

public:
    // What the document's tab shows.
    enum class Page { Pattern, Structure, Tiled, List, Photo };

    PatternView(const clLAUE& laue, PictureBox* photoPage, SliderPanel* sliders, QWidget* parent = nullptr);
    ~PatternView() override;

    render::PatternRenderer& renderer() { return *renderer_; }
    // How the pictures are drawn now: the application's display flags,
    // palette and label colour with this view.
    render::RenderOptions renderOptions() const;

    // Shows the surfaces of a page and points the renderer at them.
    void showPage(Page page);
    // Draws what the page shows (the structure, the pattern or the photo page).
    void draw();
    // The pattern alone (or the photo page when that is shown).
    void drawPattern();
    // The picture the page shows: the pattern, the structure, both side by
    // side, the photo page; the pattern for the list.
    QImage picture();
    // The page's picture as vector drawing.
    void saveSvg(const QString& path);

    // A new list: the picture fits it again at zoom 1, the spots have their
    // first size, and the sliders show it.
    void fitNewList();
    // Wheel steps: 20 percent each, out for positive steps, 10..500; false
    // (nothing changes) while the window is minimised.
    bool zoomBy(int steps);
    void resetZoom();
    // Plain drawing while something moves; smooth again when it stops.
    void setAntialias(bool on) { display_.antialias = on; }

    void setPhoto(QImage photo);
    // Another picture of the same photo (new display levels); shown or not as before.
    void replacePhotoPicture(QImage photo) { photo_ = std::move(photo); }
    const QImage& photo() const { return photo_; }
    // The spots marked on the photo, photo pixels.
    void setPhotoMarks(std::vector<std::array<double, 2>> marks) { photoMarks_ = std::move(marks); }
    // The photo pixel under a point of the photo page; nullopt off the shown photo.
    std::optional<QPointF> photoPixelAt(double x, double y) const;
    bool photoShown() const { return display_.showPhoto; }
    void showPhoto(bool on) { display_.showPhoto = on; }

signals:
    // The view changed (sliders, wheel, a zoom drag, a new size): draw again.
    void redrawRequested();
    // One step of a drag that turns the crystal.
    void turnRequested(const lumora::app::Turn& turn);
    // A button went down on a picture with reflections, and came up again.
    void dragStarted();
    void dragFinished();
    // A click on the pattern: the spot it found ("(1-11)  d = 3.1354", "no spot").
    void spotPicked(const QString& spot);
    // A click on the shown photo (photo pixels), with Shift held or not.
    void photoClicked(double x, double y, bool shift);
    // A right click on the shown photo: the menu of its spots.
    void photoMenuRequested(const QPoint& globalPosition, double x, double y);
    void popupRequested(const QPoint& globalPosition);

private:
    void connectMouse();
    void patternPressed(PictureBox* box, double x, double y, Qt::MouseButton button,
                        Qt::KeyboardModifiers modifiers);
    void patternMoved(PictureBox* box, double x, double y, Qt::MouseButtons buttons);
    void patternReleased(PictureBox* box, double x, double y, Qt::MouseButton button);
    void structurePressed(double x, double y, Qt::MouseButton button);
    void structureMoved(double x, double y, Qt::MouseButtons buttons);
    void structureReleased();
    void act(const DragController::Action& action, PictureBox* box, double x, double y);
    void sliderChanged(int slider, int value);
    void patternResized();
    bool structureShown() const { return page_ == Page::Structure || page_ == Page::Tiled; }

    struct Display {
        float zoom = 1;
        float spacingThreshold = 0;
        float labelThreshold = 0.5f;
        float spotSize = 5;
        bool antialias = false;  // off while the mouse drags, on afterwards
        float scale3D = 1, filmScale = 1;
        bool showPhoto = false;
    };

    const clLAUE& laue_;
    PictureBox* pb1 = nullptr;
    PictureBox* pb3 = nullptr;
    PictureBox* pb2 = nullptr;
    SliderPanel* sliders_ = nullptr;
    Page page_ = Page::Pattern;
    Display display_;
    QSize fittedTo_;
    render::Surface mem_;
    QImage photo_;
    std::vector<std::array<double, 2>> photoMarks_;
    Qt::KeyboardModifiers pressModifiers_ = Qt::NoModifier;
    std::unique_ptr<render::PatternRenderer> renderer_;
    DragController drag_{DragController::Surface::Pattern};             // pb1 and pb2
    DragController dragStructure_{DragController::Surface::Structure};  // pb3
};

}  // namespace lumora::app
