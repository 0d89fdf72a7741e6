// The pictures on their own: the mouse asks for turns, picks and the pop-up
// menu, and the view zooms; the engine is left as it is.
#include "AppFixture.h"
#include "app/PatternView.h"

namespace lumora::app::test {
namespace {

using PatternViewTest = AppFixture;

TEST_F(PatternViewTest, ADragAsksForOneTurnPerStepBetweenOneStartAndOneFinishAndTurnsNothingItself) {
    clLAUE laue;
    PictureBox photoPage;
    SliderPanel sliders;
    PatternView view(laue, &photoPage, &sliders);
    view.resize(600, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    int started = 0, finished = 0, redraws = 0;
    std::vector<Turn> turns;
    QStringList picked;
    QList<QPoint> popups;
    QObject::connect(&view, &PatternView::dragStarted, [&] { ++started; });
    QObject::connect(&view, &PatternView::dragFinished, [&] { ++finished; });
    QObject::connect(&view, &PatternView::redrawRequested, [&] { ++redraws; });
    QObject::connect(&view, &PatternView::turnRequested, [&](const Turn& t) { turns.push_back(t); });
    QObject::connect(&view, &PatternView::spotPicked, [&](const QString& spot) { picked << spot; });
    QObject::connect(&view, &PatternView::popupRequested, [&](const QPoint& at) { popups << at; });
    auto* pb1 = view.findChild<PictureBox*>("pb1");
    const auto drag = [&](std::initializer_list<QPointF> path, Qt::MouseButton button) {
        sendMouse(pb1, QEvent::MouseButtonPress, *path.begin(), button, button);
        for (const QPointF& at : path) sendMouse(pb1, QEvent::MouseMove, at, Qt::NoButton, button);
        sendMouse(pb1, QEvent::MouseButtonRelease, *(path.end() - 1), button, Qt::NoButton);
    };

    // Without reflections the mouse asks for nothing.
    drag({{100, 100}, {150, 120}}, Qt::LeftButton);
    EXPECT_EQ(started + finished + redraws, 0);
    EXPECT_TRUE(turns.empty());

    laue.SGTAB_find("P 1");
    laue.GenerateHKL();
    view.showPage(PatternView::Page::Pattern);
    view.fitNewList();
    view.draw();
    const Mat3f before = laue.orientationMatrix();
    drag({{100, 100}, {110, 100}, {120, 105}}, Qt::LeftButton);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(finished, 1);
    ASSERT_EQ(turns.size(), 2u);  // the first move is the press point itself
    EXPECT_FALSE(turns[0].aboutBeam);
    EXPECT_NE(turns[0].b, 0.0f);
    EXPECT_EQ(turns[0].a, 0.0f);  // sideways only
    EXPECT_NE(turns[1].a, 0.0f);
    EXPECT_EQ(laue.orientationMatrix(), before);
    EXPECT_EQ(redraws, 1);  // the smooth frame after the drag

    drag({{100, 100}}, Qt::LeftButton);
    ASSERT_EQ(picked.size(), 1);
    drag({{100, 100}}, Qt::RightButton);
    EXPECT_EQ(popups, QList<QPoint>{pb1->mapToGlobal(QPoint(100, 100))});

    // A zoom drag and the wheel change the view; the sliders show it.
    redraws = 0;
    turnWheel(pb1, -120);
    EXPECT_EQ(sliders.value(SliderPanel::Zoom), 80);
    EXPECT_FLOAT_EQ(view.renderOptions().zoom, 0.8f);
    EXPECT_EQ(redraws, 1);
    view.resetZoom();
    EXPECT_EQ(sliders.value(SliderPanel::Zoom), 100);
    EXPECT_EQ(turns.size(), 2u);
}

}  // namespace
}  // namespace lumora::app::test
