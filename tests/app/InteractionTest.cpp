// The mouse on the picture surfaces and the slider panel: drag rules, clicks,
// the wheel, the sliders, and the pointer read-outs of the photo page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <QtMath>
#include <cmath>

#include "app/DragController.h"
#include "app/PhotoPanel.h"
#include "app/PictureBox.h"
#include "app/SliderPanel.h"
#include "engine/AppState.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"

using lumora::appState;
using lumora::app::DragController;
using lumora::app::PhotoPanel;
using lumora::app::PictureBox;
using lumora::app::SliderPanel;
using Action = DragController::Action;

namespace {

// Every test starts from the default settings and leaves them as they were.
class SettingsGuard {
public:
    SettingsGuard() : saved_(appState().settings), flags_(appState().flags) {
        appState().settings = {};
        appState().flags = {};
    }
    ~SettingsGuard() {
        appState().settings = saved_;
        appState().flags = flags_;
    }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

private:
    lumora::Settings saved_;
    lumora::DisplayFlags flags_;
};

// A move of the pointer without a button (QTest only moves the cursor then).
void hover(QWidget* widget, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void turnWheel(QWidget* widget, int delta) {
    const QPointF at(10, 10);
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

QColor pixel(const QImage& image, int x, int y) { return QColor::fromRgb(image.pixel(x, y)); }

bool dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 100; }

}  // namespace

// ==== drag rules of the pattern surface (5 pixels per degree) ==========================================

TEST(DragRules, AReleaseWithinOnePixelIsAClickAndTwoPixelsADrag) {
    DragController drag;
    drag.press(100, 100, Qt::LeftButton, 400);
    EXPECT_EQ(drag.release(101, 99, Qt::LeftButton, 1).kind, Action::Pick);
    drag.press(100, 100, Qt::LeftButton, 400);
    EXPECT_EQ(drag.release(102, 100, Qt::LeftButton, 1).kind, Action::Redraw);
    drag.press(100, 100, Qt::LeftButton, 400);
    EXPECT_EQ(drag.release(100, 98, Qt::LeftButton, 1).kind, Action::Redraw);

    // A right click pops up the menu in every plot type, a right drag only redraws.
    for (int type = 0; type <= 3; ++type) {
        drag.press(100, 100, Qt::RightButton, 400);
        EXPECT_EQ(drag.release(100, 101, Qt::RightButton, type).kind, Action::Popup) << type;
    }
    drag.press(100, 100, Qt::RightButton, 400);
    EXPECT_EQ(drag.release(100, 102, Qt::RightButton, 1).kind, Action::Redraw);
    // Other buttons neither turn nor pick.
    drag.press(100, 100, Qt::MiddleButton, 400);
    EXPECT_EQ(drag.move(150, 150, Qt::MiddleButton, 1, false, 100).kind, Action::None);
    EXPECT_EQ(drag.release(150, 150, Qt::MiddleButton, 1).kind, Action::Redraw);
    EXPECT_FALSE(drag.dragging());
}

TEST(DragRules, LeftDragTurnsFiveDegreesPerPixelStepByStep) {
    DragController drag;
    drag.press(100, 100, Qt::LeftButton, 400);
    EXPECT_TRUE(drag.dragging());
    // 50 pixels to the right on a stereogram: -10 degrees about the second axis.
    Action a = drag.move(150, 100, Qt::LeftButton, 3, false, 100);
    EXPECT_EQ(a.kind, Action::RotateYZ);
    EXPECT_FLOAT_EQ(a.a, 0);
    EXPECT_FLOAT_EQ(a.b, -10);
    // The next step counts from where the last one ended.
    a = drag.move(150, 90, Qt::LeftButton, 3, false, 100);
    EXPECT_FLOAT_EQ(a.a, 2);
    EXPECT_FLOAT_EQ(a.b, 0);
    // Not moved: nothing to do.
    EXPECT_EQ(drag.move(150, 90, Qt::LeftButton, 3, false, 100).kind, Action::None);
}

TEST(DragRules, FilmsTurnTheSignsSoTheCrystalFollowsThePointer) {
    struct Case {
        int plotType;
        bool flipX;
        float a, b;
    };
    // Drag 50 pixels right and 10 up: a = 2, b = -10 before the film rules.
    const Case cases[] = {{0, false, 2, -10}, {3, false, 2, -10}, {1, false, -2, 10}, {2, false, 2, 10},
                          {1, true, -2, -10}, {2, true, 2, -10},  {0, true, 2, -10},  {3, true, 2, -10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "plot type " << c.plotType << " flip " << c.flipX);
        DragController drag;
        drag.press(100, 100, Qt::LeftButton, 400);
        const Action a = drag.move(150, 90, Qt::LeftButton, c.plotType, c.flipX, 100);
        EXPECT_FLOAT_EQ(a.a, c.a);
        EXPECT_FLOAT_EQ(a.b, c.b);
    }
}

TEST(DragRules, RightDragOnTheLeftHalfTurnsAboutTheBeam) {
    DragController drag;
    drag.press(100, 100, Qt::RightButton, 400);
    EXPECT_FALSE(drag.zoomDrag());
    Action a = drag.move(100, 110, Qt::RightButton, 0, false, 100);
    EXPECT_EQ(a.kind, Action::RotateX);
    EXPECT_FLOAT_EQ(a.a, -2);
    // Dragged over to the right half: the sense turns round.
    a = drag.move(300, 110, Qt::RightButton, 0, false, 100);
    EXPECT_FLOAT_EQ(a.a, 40);

    // Back-reflection turns it round, and so does flip X in the films.
    const std::pair<int, bool> turned[] = {{2, false}, {1, true}};
    for (auto [type, flip] : turned) {
        DragController d;
        d.press(100, 100, Qt::RightButton, 400);
        EXPECT_FLOAT_EQ(d.move(100, 110, Qt::RightButton, type, flip, 100).a, 2) << type;
    }
    DragController both;
    both.press(100, 100, Qt::RightButton, 400);
    EXPECT_FLOAT_EQ(both.move(100, 110, Qt::RightButton, 2, true, 100).a, -2);
}

TEST(DragRules, RightDragOnTheRightHalfZooms) {
    DragController drag;
    drag.press(300, 100, Qt::RightButton, 400);
    EXPECT_TRUE(drag.zoomDrag());
    // Pulling up 5 pixels lowers the zoom by 2 percent.
    Action a = drag.move(300, 95, Qt::RightButton, 1, false, 100);
    EXPECT_EQ(a.kind, Action::Zoom);
    EXPECT_EQ(a.zoomValue, 98);
    // ... and left 5 more by another 2; slow steps add up instead of rounding away.
    for (int x = 299; x >= 295; --x) a = drag.move(x, 95, Qt::RightButton, 1, false, a.zoomValue);
    EXPECT_EQ(a.zoomValue, 96);
    // Within 10..500 whatever the pull.
    a = drag.move(300, 2000, Qt::RightButton, 1, false, a.zoomValue);
    EXPECT_EQ(a.zoomValue, 500);
    a = drag.move(300, -2000, Qt::RightButton, 1, false, a.zoomValue);
    EXPECT_EQ(a.zoomValue, 10);
    // The press point decides: exactly on the middle zooms.
    DragController middle;
    middle.press(200, 100, Qt::RightButton, 400);
    EXPECT_TRUE(middle.zoomDrag());
}

TEST(DragRules, StructureTurnsOneDegreePerTwoPixelsAndNeverPicks) {
    DragController drag(DragController::kStructureGain);
    drag.press(100, 100, Qt::LeftButton, 400);
    Action a = drag.move(110, 96, Qt::LeftButton, 1, true, 100);
    EXPECT_EQ(a.kind, Action::RotateYZ);
    EXPECT_FLOAT_EQ(a.a, 2);
    EXPECT_FLOAT_EQ(a.b, -5);
    EXPECT_EQ(drag.release(110, 96, Qt::LeftButton, 1).kind, Action::Redraw);
    drag.press(100, 100, Qt::LeftButton, 400);
    EXPECT_EQ(drag.release(100, 100, Qt::LeftButton, 1).kind, Action::Redraw);

    // Right button: about the viewing axis, the other way round on the right half; no zoom.
    drag.press(300, 100, Qt::RightButton, 400);
    a = drag.move(300, 104, Qt::RightButton, 2, true, 100);
    EXPECT_EQ(a.kind, Action::RotateX);
    EXPECT_FLOAT_EQ(a.a, 2);
    drag.press(100, 100, Qt::RightButton, 400);
    EXPECT_FLOAT_EQ(drag.move(100, 104, Qt::RightButton, 2, true, 100).a, -2);
    EXPECT_EQ(drag.release(100, 100, Qt::RightButton, 1).kind, Action::Redraw);
}

TEST(DragRules, PointersShowWhatTheDragDoes) {
    const QImage rotation = lumora::app::rotationCursor().pixmap().toImage();
    const QImage zoom = lumora::app::zoomCursor().pixmap().toImage();
    ASSERT_FALSE(rotation.isNull());
    EXPECT_NE(rotation, zoom);
    // Black on a white edge, so that it shows on either background.
    int black = 0, white = 0;
    for (int y = 0; y < rotation.height(); ++y)
        for (int x = 0; x < rotation.width(); ++x) {
            const QColor c = rotation.pixelColor(x, y);
            black += c.alpha() == 255 && c.value() < 40;
            white += c.alpha() == 255 && c.value() > 215;
        }
    EXPECT_GT(black, 20);
    EXPECT_GT(white, 20);
    DragController drag;
    drag.press(300, 10, Qt::RightButton, 400);
    EXPECT_EQ(drag.dragCursor().pixmap().toImage(), zoom);
    drag.press(100, 10, Qt::RightButton, 400);
    EXPECT_EQ(drag.dragCursor().pixmap().toImage(), rotation);
    drag.press(300, 10, Qt::LeftButton, 400);
    EXPECT_EQ(drag.dragCursor().pixmap().toImage(), rotation);
}

// ==== the slider panel ================================================================================

class SliderPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel.setFixedSize(201, 64);  // usable width 200, rows of 16 pixels: tracks at 8, 24, 40, 56
        panel.show();
    }
    static QPoint at(int x, int slider) { return {x, 8 + 16 * slider}; }

    SliderPanel panel;
};

TEST_F(SliderPanelTest, DrawsGreyTracksAndBlackKnobsAtTheValues) {
    const QImage image = panel.grab().toImage();
    ASSERT_EQ(image.width(), 201);
    const int tracks[4] = {8, 24, 40, 56};
    // Knobs: zoom 100 of 10..500, d 0, label 50 of 0..100, spot size 50 of 1..200.
    const int knobs[4] = {37, 0, 100, 49};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const int y = tracks[k], x = knobs[k];
        EXPECT_EQ(panel.trackY(k), y);
        EXPECT_EQ(panel.knobX(k), x);
        EXPECT_EQ(pixel(image, 150 + k, y), QColor(193, 193, 193));
        EXPECT_EQ(pixel(image, 10 + x, y - 6), pixel(image, 150, y - 6));  // above the track: background
        for (int dy = -3; dy <= 3; ++dy) EXPECT_EQ(pixel(image, x, y + dy), QColor(Qt::black)) << dy;
        if (x > 0) {
            EXPECT_EQ(pixel(image, x - 1, y - 3), QColor(Qt::black));
        }
        EXPECT_EQ(pixel(image, x + 1, y + 3), QColor(Qt::black));
        EXPECT_EQ(pixel(image, x, y - 4), QColor(Qt::black));
        EXPECT_EQ(pixel(image, x, y + 5), QColor(Qt::black));
        EXPECT_NE(pixel(image, x + 2, y - 2), QColor(Qt::black));
    }
}

TEST_F(SliderPanelTest, PressingAndDraggingSetsTheSliderUnderThePress) {
    QSignalSpy changed(&panel, &SliderPanel::valueChanged);
    QSignalSpy started(&panel, &SliderPanel::dragStarted);
    QSignalSpy finished(&panel, &SliderPanel::dragFinished);

    QTest::mousePress(&panel, Qt::LeftButton, {}, at(100, 0));
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(panel.activeSlider(), 0);
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 255);  // 10 + 100 / 200 * 490
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 0);
    EXPECT_EQ(changed.at(0).at(1).toInt(), 255);

    // Into another row: the pressed slider keeps following the pointer.
    QTest::mouseMove(&panel, at(150, 2));
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 378);  // 377.5, halves to even
    EXPECT_EQ(panel.value(SliderPanel::Label), 50);
    EXPECT_EQ(panel.knobX(SliderPanel::Zoom), 150);
    QTest::mouseMove(&panel, at(150, 3));
    EXPECT_EQ(changed.count(), 2);  // unchanged values are not sent again

    QTest::mouseRelease(&panel, Qt::LeftButton, {}, at(150, 3));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(panel.activeSlider(), -1);
    EXPECT_EQ(panel.knobX(SliderPanel::Zoom), 150);  // back at its value: 368 / 490 * 200

    QTest::mousePress(&panel, Qt::LeftButton, {}, at(20, 3));
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, at(20, 3));
    EXPECT_EQ(panel.value(SliderPanel::SpotSize), 21);  // 1 + 20 / 200 * 199 = 20.9
    EXPECT_EQ(changed.last().at(0).toInt(), 3);
}

TEST_F(SliderPanelTest, ValuesStayInTheirRangesBeyondTheEnds) {
    QSignalSpy changed(&panel, &SliderPanel::valueChanged);
    QTest::mousePress(&panel, Qt::LeftButton, {}, at(190, 0));
    QTest::mouseMove(&panel, at(200, 0));
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 500);
    // The last column and beyond: still the maximum, not 502.
    QTest::mouseMove(&panel, at(201, 0));
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 500);
    QTest::mouseMove(&panel, at(900, 0));
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 500);
    // The far left reaches the minimum.
    QTest::mouseMove(&panel, at(-60, 0));
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 10);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, at(-60, 0));
    for (const QList<QVariant>& signal : changed) {
        EXPECT_GE(signal.at(1).toInt(), 10);
        EXPECT_LE(signal.at(1).toInt(), 500);
    }
    panel.setValue(SliderPanel::Spacing, 300);
    EXPECT_EQ(panel.value(SliderPanel::Spacing), 100);
    panel.setValue(SliderPanel::SpotSize, -5);
    EXPECT_EQ(panel.value(SliderPanel::SpotSize), 1);
    EXPECT_EQ(changed.count(), 3);  // setValue tells nobody
    panel.reset();
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 100);
    EXPECT_EQ(panel.value(SliderPanel::Spacing), 0);
    EXPECT_EQ(panel.value(SliderPanel::Label), 50);
    EXPECT_EQ(panel.value(SliderPanel::SpotSize), 50);
}

TEST_F(SliderPanelTest, HoveringShowsTheCaptionOfTheRowUntilThePointerLeaves) {
    // Caption ink around the middle of track 1, away from its knob at 0.
    const auto captionInk = [this](int slider) {
        const QImage image = panel.grab().toImage();
        int ink = 0;
        const int y = panel.trackY(slider);
        for (int py = y - 5; py <= y + 5; ++py)
            for (int px = 60; px < 140; ++px) ink += dark(image, px, py);
        return ink;
    };
    EXPECT_EQ(captionInk(1), 0);
    hover(&panel, at(30, 1));
    EXPECT_EQ(panel.activeSlider(), 1);
    EXPECT_GT(captionInk(1), 20);
    EXPECT_EQ(captionInk(3), 0);
    hover(&panel, at(30, 3));
    EXPECT_EQ(panel.activeSlider(), 3);
    EXPECT_EQ(captionInk(1), 0);
    EXPECT_GT(captionInk(3), 20);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&panel, &leave);
    EXPECT_EQ(panel.activeSlider(), -1);
    EXPECT_EQ(captionInk(3), 0);
    EXPECT_STREQ(SliderPanel::kCaptions[0], "zoom-factor ");
    EXPECT_STREQ(SliderPanel::kCaptions[1], "d-threshold");
    EXPECT_STREQ(SliderPanel::kCaptions[2], "label-threshold");
    EXPECT_STREQ(SliderPanel::kCaptions[3], "spot-size");
}

TEST(SliderPanelSize, APanelTooSmallForRowsIgnoresTheMouse) {
    SliderPanel panel;
    panel.setFixedSize(100, 1);
    panel.show();
    QSignalSpy changed(&panel, &SliderPanel::valueChanged);
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(50, 0));
    QTest::mouseMove(&panel, QPoint(80, 0));
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(80, 0));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 100);
}

// ==== the picture widget ==============================================================================

TEST(PictureBoxTest, TheSurfaceFollowsTheWidgetAtItsPixelRatio) {
    PictureBox box;
    QSignalSpy resized(&box, &PictureBox::resized);
    box.resize(320, 200);
    box.show();
    ASSERT_FALSE(resized.isEmpty());
    EXPECT_EQ(resized.last().at(0).toSize(), QSize(320, 200));
    const qreal ratio = box.devicePixelRatioF();
    EXPECT_EQ(box.surface().size(), QSize(320, 200));
    EXPECT_EQ(box.surface().image().size(), QSize(qCeil(320 * ratio), qCeil(200 * ratio)));
    EXPECT_EQ(box.surface().image().devicePixelRatio(), ratio);
    EXPECT_TRUE(box.hasMouseTracking());
}

TEST(PictureBoxTest, ShowsAFinerPictureAtItsLogicalSizeAndThenRedrawsAtTheScreenRatio) {
    PictureBox box;
    box.resize(100, 80);
    box.show();
    // A picture made for a screen of twice the pixel density: red left, blue right.
    auto& s = box.surface();
    s.resize(QSize(100, 80), 2.0);
    s.setBackColor(0xFF0000);
    s.clear();
    s.setFillColor(0x0000FF);
    s.setForeColor(0x0000FF);
    s.rectangle(50, 0, 100, 80);
    const QImage shown = box.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(100, 80));
    EXPECT_EQ(pixel(shown, 25, 40), QColor(Qt::red));
    EXPECT_EQ(pixel(shown, 75, 40), QColor(Qt::blue));
    // Painting noticed the other ratio and asks for a frame at the widget's own.
    QSignalSpy resized(&box, &PictureBox::resized);
    QApplication::processEvents();
    EXPECT_EQ(resized.count(), 1);
    EXPECT_EQ(s.image().devicePixelRatio(), box.devicePixelRatioF());
}

TEST(PictureBoxTest, ReportsTheMouseInLogicalPixels) {
    PictureBox box;
    box.resize(200, 100);
    box.show();
    QSignalSpy pressed(&box, &PictureBox::pressed);
    QSignalSpy moved(&box, &PictureBox::moved);
    QSignalSpy released(&box, &PictureBox::released);

    hover(&box, QPoint(5, 6));
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.last().at(2).value<Qt::MouseButtons>(), Qt::NoButton);

    QTest::mousePress(&box, Qt::RightButton, Qt::ShiftModifier, QPoint(30, 40));
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.last().at(0).toDouble(), 30);
    EXPECT_EQ(pressed.last().at(1).toDouble(), 40);
    EXPECT_EQ(pressed.last().at(2).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(pressed.last().at(3).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    QTest::mouseMove(&box, QPoint(35, 45));
    EXPECT_EQ(moved.last().at(0).toDouble(), 35);
    EXPECT_EQ(moved.last().at(2).value<Qt::MouseButtons>(), Qt::RightButton);
    QTest::mouseRelease(&box, Qt::RightButton, {}, QPoint(36, 47));
    ASSERT_EQ(released.count(), 1);
    EXPECT_EQ(released.last().at(1).toDouble(), 47);
    EXPECT_EQ(released.last().at(2).value<Qt::MouseButton>(), Qt::RightButton);
}

TEST(PictureBoxTest, WheelNotchesCarryTheirSignAndFineWheelsAddUp) {
    PictureBox box;
    box.resize(100, 100);
    box.show();
    QSignalSpy steps(&box, &PictureBox::wheelStep);
    turnWheel(&box, 120);
    turnWheel(&box, -240);
    ASSERT_EQ(steps.count(), 2);
    EXPECT_EQ(steps.at(0).at(0).toInt(), 1);
    EXPECT_EQ(steps.at(1).at(0).toInt(), -2);
    // A fine wheel: three thirds make one notch.
    turnWheel(&box, 40);
    turnWheel(&box, 40);
    EXPECT_EQ(steps.count(), 2);
    turnWheel(&box, 40);
    ASSERT_EQ(steps.count(), 3);
    EXPECT_EQ(steps.last().at(0).toInt(), 1);
    // Half a notch one way and then the other does not add up to a step back.
    turnWheel(&box, 60);
    turnWheel(&box, -60);
    EXPECT_EQ(steps.count(), 3);
    turnWheel(&box, -60);
    ASSERT_EQ(steps.count(), 4);
    EXPECT_EQ(steps.last().at(0).toInt(), -1);
}

// ==== the photo page ====================================================================================

class PhotoPanelTest : public ::testing::Test {
protected:
    SettingsGuard guard;
    PhotoPanel panel;
};

TEST_F(PhotoPanelTest, ControlsCarryTheirCaptionsAndTips) {
    const auto button = [this](const char* name) { return panel.findChild<QPushButton*>(name); };
    ASSERT_NE(button("btOPEN"), nullptr);
    EXPECT_EQ(button("btOPEN")->text(), "Open Photo");
    EXPECT_EQ(button("btTWAIN")->text(), "Scanner...");
    EXPECT_EQ(button("btDPI")->text(), "150 dpi");
    EXPECT_EQ(button("btDPI")->toolTip(), "Image resolution [dpi]");
    EXPECT_EQ(panel.centreField(0)->toolTip(), "center-X [mm]");
    EXPECT_EQ(panel.centreField(1)->toolTip(), "center-Y [mm]");
    EXPECT_EQ(panel.pointerField(0)->toolTip(), "Mouse position in [pixel]");
    EXPECT_EQ(panel.pointerField(1)->toolTip(), "Mouse position in [mm]");
    EXPECT_TRUE(panel.pointerField(0)->isReadOnly());
    EXPECT_EQ(panel.centreField(0)->text(), "45");
    EXPECT_EQ(panel.centreField(1)->text(), "60");

    QSignalSpy open(&panel, &PhotoPanel::openPhoto);
    QSignalSpy scanner(&panel, &PhotoPanel::chooseScanner);
    panel.show();
    QTest::mouseClick(button("btOPEN"), Qt::LeftButton);
    QTest::mouseClick(button("btTWAIN"), Qt::LeftButton);
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(scanner.count(), 1);
}

TEST_F(PhotoPanelTest, TheControlFrameStaysAtTheRightEdgeOfThePhoto) {
    auto* fr2 = panel.findChild<QWidget*>("fr2");
    ASSERT_NE(fr2, nullptr);
    panel.show();
    for (int width : {800, 1100}) {
        panel.resize(width, 500);
        QApplication::processEvents();
        EXPECT_EQ(fr2->geometry().right(), width - 1);
        EXPECT_EQ(panel.picture()->geometry().right() + 1, fr2->geometry().left());
        EXPECT_EQ(panel.picture()->surface().size(), panel.picture()->size());
    }
}

TEST_F(PhotoPanelTest, CentreFieldsAreReadWhenTheyLoseTheFocus) {
    QSignalSpy changed(&panel, &PhotoPanel::centreChanged);
    panel.show();
    QApplication::setActiveWindow(&panel);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    QLineEdit* x = panel.centreField(0);
    QLineEdit* y = panel.centreField(1);

    x->setFocus();
    x->selectAll();
    QTest::keyClicks(x, "50.5");
    EXPECT_EQ(appState().settings.photoCentreX, 45.0f);  // not before the focus leaves
    y->setFocus();
    EXPECT_EQ(appState().settings.photoCentreX, 50.5f);
    EXPECT_EQ(changed.count(), 1);

    // Leaving without a change redraws nothing.
    x->setFocus();
    y->setFocus();
    EXPECT_EQ(changed.count(), 1);

    // Text reads by its leading number; the field then shows what was taken.
    y->selectAll();
    QTest::keyClicks(y, "12,5 mm");
    x->setFocus();
    EXPECT_EQ(appState().settings.photoCentreY, 12.0f);
    EXPECT_EQ(y->text(), "12");
    y->setFocus();
    y->selectAll();
    QTest::keyClicks(y, "abc");
    QTest::keyClick(y, Qt::Key_Return);
    EXPECT_EQ(appState().settings.photoCentreY, 0.0f);
    EXPECT_EQ(y->text(), "0");
    EXPECT_EQ(changed.count(), 3);

    // A number too large for the drawing keeps the old centre.
    y->selectAll();
    QTest::keyClicks(y, "1e400");
    QTest::keyClick(y, Qt::Key_Return);
    EXPECT_EQ(appState().settings.photoCentreY, 0.0f);
    EXPECT_EQ(y->text(), "0");
}

TEST_F(PhotoPanelTest, PointerIsShownInPhotoPixelsAndFilmMillimetres) {
    // A 900 x 1200 pixel photo of the 90 x 120 mm film, drawn at half size.
    lumora::clLAUE laue;
    lumora::render::PatternRenderer renderer(laue);
    laue.setPictureSize(450, 600);
    laue.SGTAB_find("F D 3 M");
    for (int i = 0; i < 3; ++i) laue.setCellConstant(i, 5.431f);
    laue.GenerateHKL();
    laue.setOrientation(1, 1, 1, true);
    laue.m_mode = 1;
    QImage photo(900, 1200, QImage::Format_RGB32);
    photo.fill(QColor(40, 40, 40));
    laue.b_photo = true;

    panel.resize(450 + 130, 600);
    panel.show();
    QApplication::processEvents();
    PictureBox* pb2 = panel.picture();
    ASSERT_EQ(pb2->size(), QSize(450, 600));
    lumora::render::Surface mem(pb2->size());
    renderer.setGraphicsContext(&pb2->surface(), nullptr, &mem, &photo);
    renderer.drawHKLPHOTO(pb2->surface());
    ASSERT_FLOAT_EQ(laue.x_filmfac, 0.5f);

    panel.showPointer(225, 150, laue, photo);
    EXPECT_EQ(panel.pointerField(0)->text(), "450, 300");
    EXPECT_EQ(panel.pointerField(1)->text(), "45.0, 30.0");
    EXPECT_EQ(pb2->toolTip(), "45.0, 30.0");
    // The ruler markers follow: one on the top edge, one on the left.
    QLabel* top = panel.rulerMarker(0);
    QLabel* left = panel.rulerMarker(1);
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->geometry().center().x(), 225);
    EXPECT_EQ(top->geometry().top(), 0);
    EXPECT_EQ(left->geometry().center().y(), 150);
    EXPECT_EQ(left->geometry().left(), 0);

    // Beyond the painted photo the pointer stays on its edge.
    panel.showPointer(449.9, 700, laue, photo);
    EXPECT_EQ(panel.pointerField(0)->text(), "900, 1200");
    EXPECT_EQ(panel.pointerField(1)->text(), "90.0, 120.0");
    panel.showPointer(-20, 0.3, laue, photo);
    EXPECT_EQ(panel.pointerField(0)->text(), "0, 1");
    EXPECT_EQ(panel.pointerField(1)->text(), "0.0, 0.1");

    // Photo switched off: nothing to read.
    laue.b_photo = false;
    panel.showPointer(100, 100, laue, photo);
    EXPECT_TRUE(panel.pointerField(0)->text().isEmpty());
    EXPECT_TRUE(panel.pointerField(1)->text().isEmpty());
    EXPECT_FALSE(top->isVisible());
}
