// The mouse on the picture surfaces and the slider panel: drag rules, clicks,
// the wheel, the sliders, and the pointer read-outs of the photo page.
#include <QSignalSpy>
#include <QtMath>

#include "AppFixture.h"
#include "app/DragController.h"
#include "app/OrientationPanel.h"
#include "app/PhotoPanel.h"

namespace lumora::app::test {
namespace {

using Action = DragController::Action;

TEST(DragRules, ClicksDragsAndZoomOnEveryPlotAndOnTheStructure) {
    DragController clicks;
    const std::tuple<Qt::MouseButton, int, int, Action::Kind> releases[] = {
        {Qt::LeftButton, 1, -1, Action::Pick},   {Qt::LeftButton, 2, 0, Action::Redraw},
        {Qt::LeftButton, 0, -2, Action::Redraw}, {Qt::RightButton, 0, 1, Action::Popup},
        {Qt::RightButton, 0, 2, Action::Redraw}, {Qt::MiddleButton, 50, 50, Action::Redraw}};
    for (const auto& [button, dx, dy, kind] : releases) {
        clicks.press(100, 100, button, 400);
        EXPECT_EQ(clicks.release(100 + dx, 100 + dy, button, 1).kind, kind) << button << dx << dy;
    }
    // Other buttons neither turn nor pick.
    clicks.press(100, 100, Qt::MiddleButton, 400);
    EXPECT_EQ(clicks.move(150, 150, Qt::MiddleButton, 1, false, 100).kind, Action::None);

    // The structure turns one degree per two pixels, never picks and never zooms.
    DragController structure(DragController::Surface::Structure);
    structure.press(100, 100, Qt::LeftButton, 400);
    const Action turn = structure.move(110, 96, Qt::LeftButton, 1, true, 100);
    EXPECT_EQ(turn.kind, Action::RotateYZ);
    EXPECT_FLOAT_EQ(turn.a, 2);
    EXPECT_FLOAT_EQ(turn.b, -5);
    structure.press(100, 100, Qt::LeftButton, 400);
    EXPECT_EQ(structure.release(100, 100, Qt::LeftButton, 1).kind, Action::Redraw);
    structure.press(300, 100, Qt::RightButton, 400);  // no zoom on the structure
    EXPECT_EQ(structure.move(300, 104, Qt::RightButton, 2, true, 100).kind, Action::RotateX);

    struct Case {
        int plotType;
        bool flipX;
        float a, b;  // left drag 50 pixels right and 10 up
        float beam;  // right drag 10 pixels down on the left half
    };
    // 50 pixels to the right on a stereogram: -10 degrees about the second axis.
    const Case cases[] = {{0, false, 2, -10, -2}, {1, false, -2, 10, -2}, {2, false, 2, 10, 2},
                          {3, false, 2, -10, -2}, {1, true, -2, -10, 2},  {2, true, 2, -10, -2},
                          {3, true, 2, -10, -2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "plot type " << c.plotType << " flip " << c.flipX);
        DragController drag;
        drag.press(100, 100, Qt::LeftButton, 400);
        const Action a = drag.move(150, 90, Qt::LeftButton, c.plotType, c.flipX, 100);
        EXPECT_EQ(a.kind, Action::RotateYZ);
        EXPECT_FLOAT_EQ(a.a, c.a);
        EXPECT_FLOAT_EQ(a.b, c.b);
        drag.press(100, 100, Qt::RightButton, 400);
        const Action r = drag.move(100, 110, Qt::RightButton, c.plotType, c.flipX, 100);
        EXPECT_EQ(r.kind, Action::RotateX);
        EXPECT_FLOAT_EQ(r.a, c.beam);
    }
    // The next step counts from where the last one ended.
    DragController drag;
    drag.press(100, 100, Qt::LeftButton, 400);
    drag.move(150, 100, Qt::LeftButton, 3, false, 100);
    Action a = drag.move(150, 90, Qt::LeftButton, 3, false, 100);
    EXPECT_FLOAT_EQ(a.a, 2);
    EXPECT_FLOAT_EQ(a.b, 0);
    EXPECT_EQ(drag.move(150, 90, Qt::LeftButton, 3, false, 100).kind, Action::None);

    // Right drags on the right half zoom.
    drag.press(300, 100, Qt::RightButton, 400);
    EXPECT_TRUE(drag.zoomDrag());
    EXPECT_EQ(drag.dragCursor().pixmap().toImage(), zoomCursor().pixmap().toImage());
    // Pulling up 5 pixels lowers the zoom by 2 percent.
    a = drag.move(300, 95, Qt::RightButton, 1, false, 100);
    EXPECT_EQ(a.kind, Action::Zoom);
    EXPECT_EQ(a.zoomValue, 98);
    // Slow steps add up instead of rounding away.
    for (int x = 299; x >= 295; --x) a = drag.move(x, 95, Qt::RightButton, 1, false, a.zoomValue);
    EXPECT_EQ(a.zoomValue, 96);
    EXPECT_EQ(drag.move(300, 2000, Qt::RightButton, 1, false, 96).zoomValue, 500);
    EXPECT_EQ(drag.move(300, -2000, Qt::RightButton, 1, false, 500).zoomValue, 10);
    drag.press(100, 10, Qt::RightButton, 400);
    EXPECT_FALSE(drag.zoomDrag());
    EXPECT_EQ(drag.dragCursor().pixmap().toImage(), rotationCursor().pixmap().toImage());
}

TEST(SliderPanelTest, KnobsHoveringAndDraggingSetTheSliderWithinItsRange) {
    SliderPanel panel;
    panel.setFixedSize(201, 64);  // usable width 200, rows of 16 pixels: tracks at 8, 24, 40, 56
    panel.show();
    const auto at = [](int x, int slider) { return QPoint(x, 8 + 16 * slider); };
    // zoom 100 of 10..500, d 0, label 50 of 0..100, spot size 50 of 1..200.
    const int knobs[4] = {37, 0, 100, 49};
    const QImage image = panel.grab().toImage();
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(panel.knobX(k), knobs[k]);
        EXPECT_EQ(QColor(image.pixel(knobs[k], panel.trackY(k))), QColor(Qt::black)) << k;
    }
    // Moves without a button (QTest only moves the cursor then).
    sendMouse(&panel, QEvent::MouseMove, at(30, 1), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(panel.activeSlider(), 1);
    sendMouse(&panel, QEvent::MouseMove, at(30, 3), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(panel.activeSlider(), 3);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&panel, &leave);
    EXPECT_EQ(panel.activeSlider(), -1);

    QSignalSpy changed(&panel, &SliderPanel::valueChanged);
    QSignalSpy finished(&panel, &SliderPanel::dragFinished);
    QTest::mousePress(&panel, Qt::LeftButton, {}, at(100, 0));
    EXPECT_EQ(panel.activeSlider(), 0);
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 255);  // 10 + 100 / 200 * 490
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0), QVariantList({0, 255}));
    // Into another row: the pressed slider keeps following the pointer.
    QTest::mouseMove(&panel, at(150, 2));
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 378);  // 377.5, halves to even
    EXPECT_EQ(panel.value(SliderPanel::Label), 50);
    QTest::mouseMove(&panel, at(150, 3));
    EXPECT_EQ(changed.count(), 2);  // unchanged values are not sent again
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, at(150, 3));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(panel.activeSlider(), -1);

    QTest::mousePress(&panel, Qt::LeftButton, {}, at(190, 0));
    for (const int x : {200, 201, 900}) {
        QTest::mouseMove(&panel, at(x, 0));
        EXPECT_EQ(panel.value(SliderPanel::Zoom), 500) << x;
    }
    QTest::mouseMove(&panel, at(-60, 0));
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 10);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, at(-60, 0));
    panel.setValue(SliderPanel::Spacing, 300);
    EXPECT_EQ(panel.value(SliderPanel::Spacing), 100);
    panel.setValue(SliderPanel::SpotSize, -5);
    EXPECT_EQ(panel.value(SliderPanel::SpotSize), 1);
    panel.reset();
    EXPECT_EQ(panel.value(SliderPanel::Zoom), 100);

    // A panel too small for its rows ignores the mouse.
    SliderPanel flat;
    flat.setFixedSize(100, 1);
    flat.show();
    QSignalSpy flatChanged(&flat, &SliderPanel::valueChanged);
    QTest::mousePress(&flat, Qt::LeftButton, {}, QPoint(50, 0));
    QTest::mouseMove(&flat, QPoint(80, 0));
    QTest::mouseRelease(&flat, Qt::LeftButton, {}, QPoint(80, 0));
    EXPECT_EQ(flatChanged.count(), 0);
}

TEST_F(DocumentFixture, EverySliderShowsItsNameAndValueWithItsUnitClearOfTheKnob) {
    auto* panel = child<SliderPanel>("pbSL");
    ASSERT_EQ(panel->activeSlider(), -1);  // nothing hovered
    const QStringList defaults = {"zoom-factor 100 %", "d-threshold 0 %", "label-threshold 50 %",
                                  "spot-size 5.0 px"};
    const auto captions = [panel] {
        QStringList shown;
        for (int k = 0; k < 4; ++k) shown << panel->caption(k);
        return shown;
    };
    EXPECT_EQ(captions(), defaults);
    // Each caption is painted without hovering, above its track and clear of the knob wherever it is.
    const QImage image = panel->grab().toImage();
    const QColor background = panel->palette().color(QPalette::Window);
    for (int k = 0; k < 4; ++k) {
        const QRect box = panel->captionRect(k);
        ASSERT_FALSE(box.isEmpty());
        EXPECT_LT(box.bottom(), panel->trackY(k) - 4);
        int ink = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) ink += QColor(image.pixel(x, y)) != background;
        EXPECT_GT(ink, 20) << k;
        for (int x = 0; x < panel->width(); x += 7)
            EXPECT_FALSE(box.intersects(
                QRect(QPoint(x - 1, panel->trackY(k) - 4), QPoint(x + 1, panel->trackY(k) + 5))));
    }

    // Moving a slider shows its new value, and the engine follows.
    const int w = panel->width() - 1;
    drag(panel, QPointF(w / 2.0, panel->trackY(SliderPanel::Label)),
         QPointF(w, panel->trackY(SliderPanel::Label)));
    drag(panel, QPointF(10, panel->trackY(SliderPanel::SpotSize)),
         QPointF(w * 0.5, panel->trackY(SliderPanel::SpotSize)));
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(picture("pb1"), &wheel);
    const int zoom = panel->value(SliderPanel::Zoom), spot = panel->value(SliderPanel::SpotSize);
    EXPECT_NE(zoom, 100);
    EXPECT_NE(spot, 50);
    EXPECT_EQ(captions(), QStringList({QStringLiteral("zoom-factor %1 %").arg(zoom), "d-threshold 0 %",
                                       "label-threshold 100 %",
                                       QStringLiteral("spot-size %1 px").arg(spot / 10.0, 0, 'f', 1)}));
    EXPECT_FLOAT_EQ(doc->renderOptions().labelThreshold, 1.0f);
}

TEST(PictureBoxTest, ShowsAFinerPictureAtTheScreenRatioAndReportsMouseAndWheel) {
    PictureBox box;
    box.resize(100, 80);
    box.show();
    EXPECT_EQ(box.surface().size(), QSize(100, 80));
    const qreal ratio = box.devicePixelRatioF();
    EXPECT_EQ(box.surface().image().size(), QSize(qCeil(100 * ratio), qCeil(80 * ratio)));
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
    EXPECT_EQ(QColor(shown.pixel(25, 40)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(75, 40)), QColor(Qt::blue));
    // Painting noticed the other ratio and asks for a frame at the widget's own.
    QSignalSpy resized(&box, &PictureBox::resized);
    QApplication::processEvents();
    EXPECT_EQ(resized.count(), 1);
    EXPECT_EQ(s.image().devicePixelRatio(), ratio);

    QSignalSpy pressed(&box, &PictureBox::pressed);
    QSignalSpy moved(&box, &PictureBox::moved);
    sendMouse(&box, QEvent::MouseMove, QPoint(5, 6), Qt::NoButton, Qt::NoButton);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.last().at(2).value<Qt::MouseButtons>(), Qt::NoButton);
    QTest::mousePress(&box, Qt::RightButton, Qt::ShiftModifier, QPoint(30, 40));
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.last().at(1).toDouble(), 40);
    EXPECT_EQ(pressed.last().at(3).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);

    QSignalSpy steps(&box, &PictureBox::wheelStep);
    // Notches, then three thirds of one, then half a notch each way (no step), then half more.
    for (const int delta : {120, -240, 40, 40, 40, 60, -60, -60}) turnWheel(&box, delta);
    QList<int> got;
    for (const auto& step : steps) got << step.at(0).toInt();
    EXPECT_EQ(got, QList<int>({1, -2, 1, -1}));
}

using PhotoPanelTest = AppFixture;

TEST_F(PhotoPanelTest, CentreFieldsAreReadWhenTheyLoseTheFocusAndThePointerIsShown) {
    PhotoPanel panel;
    QSignalSpy changed(&panel, &PhotoPanel::centreChanged);
    panel.show();
    QApplication::setActiveWindow(&panel);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    QLineEdit* x = panel.centreField(0);
    QLineEdit* y = panel.centreField(1);
    EXPECT_EQ(x->text(), "45");
    typeInto(x, "50.5");
    EXPECT_EQ(appState().settings.photoCentreX, 45.0f);  // not before the focus leaves
    y->setFocus();
    EXPECT_EQ(appState().settings.photoCentreX, 50.5f);
    x->setFocus();  // leaving without a change redraws nothing
    y->setFocus();
    EXPECT_EQ(changed.count(), 1);

    // Text reads by its leading number; the field then shows what was taken.
    typeInto(y, "12,5 mm");
    x->setFocus();
    EXPECT_EQ(appState().settings.photoCentreY, 12.0f);
    EXPECT_EQ(y->text(), "12");
    // A number too large for the drawing keeps the old centre.
    typeInto(y, "1e400");
    QTest::keyClick(y, Qt::Key_Return);
    EXPECT_EQ(appState().settings.photoCentreY, 12.0f);
    EXPECT_EQ(y->text(), "12");

    // A 900 x 1200 pixel photo of the 90 x 120 mm film, drawn at half size.
    QImage photo(900, 1200, QImage::Format_RGB32);
    photo.fill(QColor(40, 40, 40));
    const QSizeF film(90, 120);
    // The orientation strip below the photo has no part in the pointer's arithmetic.
    panel.orientation()->hide();
    panel.resize(450 + 130, 600);
    panel.show();
    QApplication::processEvents();
    PictureBox* pb2 = panel.picture();
    ASSERT_EQ(pb2->size(), QSize(450, 600));

    panel.showPointer(225, 150, photo, true, film);
    EXPECT_EQ(panel.pointerField(0)->text(), "450, 300");
    EXPECT_EQ(panel.pointerField(1)->text(), "45.0, 30.0");
    EXPECT_EQ(panel.rulerMarker(0)->geometry().center().x(), 225);
    EXPECT_EQ(panel.rulerMarker(1)->geometry().center().y(), 150);
    // Beyond the painted photo the pointer stays on its edge.
    panel.showPointer(449.9, 700, photo, true, film);
    EXPECT_EQ(panel.pointerField(1)->text(), "90.0, 120.0");
    panel.showPointer(-20, 0.3, photo, true, film);
    EXPECT_EQ(panel.pointerField(0)->text(), "0, 1");
    // Photo switched off: nothing to read.
    panel.showPointer(100, 100, photo, false, film);
    EXPECT_TRUE(panel.pointerField(0)->text().isEmpty());
    EXPECT_FALSE(panel.rulerMarker(0)->isVisible());
}

}  // namespace
}  // namespace lumora::app::test
