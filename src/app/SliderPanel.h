#pragma once

#include <QWidget>
#include <array>

namespace lumora::app {

// The slider panel: four horizontal tracks stacked in equal rows — zoom,
// d-threshold, label threshold and spot size — drawn as the classic panel
// (grey tracks, black knobs). Every slider's name and value with its unit
// stand above its track, clear of the knob; the active slider's in bold.
class SliderPanel : public QWidget {
    Q_OBJECT

public:
    enum Slider { Zoom = 0, Spacing = 1, Label = 2, SpotSize = 3 };
    struct Range {
        int minimum, maximum, value;
    };

    explicit SliderPanel(QWidget* parent = nullptr);

    int value(int slider) const;
    // Sets a value (clamped to the slider's range) and redraws without telling anyone.
    void setValue(int slider, int value);
    // Restores the default values (100, 0, 50, 50).
    void reset();
    // -1 when no slider is active (between drags).
    int activeSlider() const { return active_; }
    // The active slider shows its caption; -1 hides every caption.
    void setActiveSlider(int slider);

    // Geometry of the drawing, in pixels: the row height, the y of track k
    // (0..3) and the knob position of a slider.
    double rowHeight() const;
    int trackY(int slider) const;
    int knobX(int slider) const;

    // The caption of a slider ("zoom-factor 120 %") and where it is drawn:
    // across the upper half of its row, above the knob.
    QString caption(int slider) const;
    QRect captionRect(int slider) const;

    // Rows tall enough for a caption above each track.
    QSize sizeHint() const override { return {150, 4 * kRowHeight}; }
    QSize minimumSizeHint() const override { return {60, 4 * kRowHeight}; }

    static constexpr int kRowHeight = 32;
    static constexpr int kCaptionPixels = 10;

    static const std::array<const char*, 4> kCaptions;
    static const std::array<Range, 4> kDefaults;
    static constexpr int kTrackGrey = 193;

signals:
    // A drag moved a knob: the engine value of the slider must follow.
    void valueChanged(int slider, int value);
    // A button went down on the panel (plain drawing from now on) or came up again.
    void dragStarted();
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int rowAt(double y) const;
    void dragTo(double x);

    std::array<Range, 4> ranges_ = kDefaults;
    int active_ = -1;
    // While a button drags the active knob it sits at the pointer, not at its rounded value.
    bool dragging_ = false;
    int dragX_ = 0;
};

}  // namespace lumora::app
