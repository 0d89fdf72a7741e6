// The document window as the user drives it: Apply, the orientation vector,
// keys, rotation buttons, the wheel, the tabs and the mouse on the pattern.
#include <QRadioButton>
#include <QWheelEvent>

#include "AppFixture.h"

namespace lumora::app::test {
namespace {

// The crystal of a new document, generated without any window.
clLAUE referenceEngine() {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    laue.GenerateHKL();
    return laue;
}

Mat3f orientedAlong(float u, float v, float w, bool direction) {
    clLAUE laue = referenceEngine();
    laue.setOrientation(u, v, w, direction);
    return laue.orientationMatrix();
}

// ---- opening and Apply ---------------------------------------------------------------------

TEST_F(DocumentFixture, ApplyOnTheDefaultDocumentGeneratesAndReports) {
    EXPECT_EQ(doc->windowTitle(), "Document 1");
    EXPECT_EQ(orientationField()->currentText(), "0 0 1");
    EXPECT_EQ(hint(), "0 reflections");

    const int n = referenceEngine().n_hkl;
    ASSERT_GT(n, 0);
    pressApply();
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated").arg(n));
    EXPECT_EQ(list()->topLevelItemCount(), n);
    EXPECT_TRUE(list()->isColumnHidden(3));  // no intensities without a structure
    // Rows by decreasing d: the 100-type reflections of a 5 A cube come first.
    EXPECT_EQ(list()->topLevelItem(0)->text(2), "5.00000");
    EXPECT_EQ(doc->getStatus()[0], QStringLiteral("Untitled :  (P 1)  %1 Reflections generated").arg(n));
    EXPECT_EQ(doc->getStatus()[1], "Laue Back-Reflection");
    const QImage shown = picture("pb1")->surface().image();
    EXPECT_NE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::white));
}

TEST_F(DocumentFixture, PlotTypesAndApplyReturningToTheDefault) {
    pressApply();
    clickOption("rbmode3");
    EXPECT_EQ(hint(), "Stereographic Projection");
    EXPECT_EQ(doc->getStatus()[1], "Stereogram");
    pressApply();
    EXPECT_TRUE(child<QRadioButton>("rbmode2")->isChecked());
    // A plot type chosen on the list page goes back to the pattern.
    clickTab(3);
    clickOption("rbmode1");
    EXPECT_EQ(child<QTabBar>("Tab1")->currentIndex(), 0);
    EXPECT_EQ(doc->getStatus()[1], "Laue Transmission");
}

TEST_F(DocumentFixture, VoltageGivesTheShortestWavelength) {
    setText("tfKV", "30");
    pressApply();
    // Duane-Hunt: lambda = h c / (e U) = 12.39842 A kV / U.
    EXPECT_NEAR(edit("tfWL1")->text().toDouble(), 12.39842 / 30, 1e-4);
    EXPECT_TRUE(ask_.messages.isEmpty());
}

TEST_F(DocumentFixture, UnusableInputsAreRefusedAndTheListStays) {
    pressApply();
    const int rows = list()->topLevelItemCount();
    const QString shown = hint();
    setText("tfKV", "0");
    pressApply();
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_TRUE(ask_.messages[0].contains(": Error 5: ")) << ask_.messages[0].toStdString();
    EXPECT_EQ(doc->engine().n_hkl, rows);

    setText("tfKV", "50");
    setText("tfCell1", "abc");  // reads as 0: no lattice
    pressApply();
    ASSERT_EQ(ask_.messages.size(), 2);
    EXPECT_TRUE(ask_.messages[1].contains(": Error ")) << ask_.messages[1].toStdString();
    EXPECT_EQ(doc->engine().n_hkl, rows);
    EXPECT_EQ(list()->topLevelItemCount(), rows);
    EXPECT_EQ(hint(), shown);
}

TEST_F(DocumentFixture, FilmDistanceIsTakenWhenTheFieldIsLeftOrTheOutlineToggled) {
    setText("tfFSD", "45");
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 30.0f);
    doc->setHINT(QStringLiteral("Film-Outline On"));
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 45.0f);
    // No film without a distance: the field keeps the last good one.
    setText("tfFSD", "-1");
    edit("tfTIT")->setFocus();
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 45.0f);
    EXPECT_EQ(edit("tfFSD")->text(), "45");
}

TEST_F(DocumentFixture, SetCellLoadsANamedCrystalAndRefusesAnUnknownGroup) {
    doc->setCell({"Si", "227", "F d 3 m", "5.431", "5.431", "5.431", "90", "90", "90"});
    EXPECT_TRUE(hint().endsWith(" reflections generated"));
    EXPECT_TRUE(doc->getStatus()[0].startsWith("Si :  (F d -3 m)  ")) << doc->getStatus()[0].toStdString();
    EXPECT_EQ(doc->getWulffParameters(), "227|5.431|5.431|5.431|90|90|90|Si|");

    doc->setCell({"X", "231", "", "1", "1", "1", "90", "90", "90"});
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_EQ(edit("tfTIT")->text(), "Si");
    EXPECT_EQ(child<QComboBox>("cmbSPG")->currentIndex(), 226);
}

// ---- orientation -----------------------------------------------------------------------------

TEST_F(DocumentFixture, OrientationVectorShorthandAndErrors) {
    typeOrientation("11");  // no reflections yet: ignored
    EXPECT_TRUE(ask_.messages.isEmpty());
    typeOrientation("0 0 1");
    pressApply();
    typeOrientation("111");
    EXPECT_TRUE(same(orientation(), orientedAlong(1, 1, 1, true)));
    const Mat3f along111 = orientation();
    typeOrientation("100");
    typeOrientation("  1   1 1 ");
    EXPECT_TRUE(same(orientation(), along111));
    EXPECT_TRUE(ask_.messages.isEmpty());

    typeOrientation("11");
    EXPECT_EQ(ask_.messages, QStringList({"Invalid Orientation Vector: Please type SPACE between u v w"}));
    EXPECT_TRUE(same(orientation(), along111));

    // The same numbers as a plane normal.
    child<QComboBox>("cmbUVW")->setCurrentIndex(1);
    typeOrientation("1 1 0");
    EXPECT_TRUE(same(orientation(), orientedAlong(1, 1, 0, false)));
}

TEST_F(DocumentFixture, KeysSetTurnAndResetTheOrientation) {
    pressApply();
    auto* pb1 = picture("pb1");
    pb1->setFocus();
    const Mat3f start = orientation();
    QTest::keyClick(pb1, Qt::Key_Left);
    EXPECT_FALSE(same(orientation(), start));
    QTest::keyClick(pb1, Qt::Key_Right);
    EXPECT_TRUE(same(orientation(), start));
    QTest::keyClick(pb1, Qt::Key_Up);
    QTest::keyClick(pb1, Qt::Key_Down);
    EXPECT_TRUE(same(orientation(), start));
    QTest::keyClick(pb1, Qt::Key_Left);
    QTest::mouseClick(child<QLabel>("lbOrientation"), Qt::LeftButton);
    EXPECT_TRUE(same(orientation(), start));

    const struct {
        Qt::Key key;
        const char* text;
        float u, v, w;
    } cases[] = {{Qt::Key_A, "100", 1, 0, 0},
                 {Qt::Key_B, "010", 0, 1, 0},
                 {Qt::Key_C, "001", 0, 0, 1},
                 {Qt::Key_D, "111", 1, 1, 1}};
    for (const auto& c : cases) {
        QTest::keyClick(pb1, c.key);
        EXPECT_EQ(orientationField()->currentText(), c.text);
        EXPECT_TRUE(same(orientation(), orientedAlong(c.u, c.v, c.w, true))) << c.text;
    }
    QTest::keyClick(pb1, Qt::Key_A, Qt::ShiftModifier);  // only without Shift, Ctrl or Alt
    EXPECT_EQ(orientationField()->currentText(), "111");
}

TEST_F(DocumentFixture, TypingInATextFieldDoesNotTurnTheCrystal) {
    pressApply();
    const Mat3f start = orientation();
    setText("tfTIT", "Cubic BaD");
    QTest::keyClick(edit("tfTIT"), Qt::Key_Left);
    EXPECT_EQ(edit("tfTIT")->text(), "Cubic BaD");
    EXPECT_TRUE(same(orientation(), start));
}

TEST_F(DocumentFixture, RotationButtonsTurnBothWaysAndRememberTheStep) {
    pressApply();
    const Mat3f start = orientation();
    setText("tfANG", "4,5");
    auto* phi = child<QPushButton>("btANG2");
    QTest::mouseClick(phi, Qt::LeftButton);
    EXPECT_EQ(edit("tfANG")->text(), "4.5");
    EXPECT_FLOAT_EQ(appState().settings.rotationStep, 4.5f);
    clLAUE turned = referenceEngine();
    turned.setOrientationMatrix(start);
    turned.DoRotate(3, 4.5f);
    EXPECT_TRUE(same(orientation(), turned.orientationMatrix()));
    QTest::mouseClick(phi, Qt::RightButton);
    EXPECT_TRUE(same(orientation(), start));
}

// ---- zoom and tabs ---------------------------------------------------------------------------

TEST_F(DocumentFixture, WheelZoomsInStepsOfTwentyWithinLimits) {
    pressApply();
    auto* pb1 = picture("pb1");
    const auto notch = [pb1](int delta) {
        const QPointF at(20, 20);
        QWheelEvent wheel(at, pb1->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(pb1, &wheel);
    };
    for (int i = 0; i < 3; ++i) notch(-120);  // towards the user: zoom out
    EXPECT_EQ(zoomSlider(), 40);
    EXPECT_FLOAT_EQ(doc->engine().getZoom(), 0.4f);
    for (int i = 0; i < 3; ++i) notch(-120);
    EXPECT_EQ(zoomSlider(), 10);
    notch(120);
    EXPECT_EQ(zoomSlider(), 30);
    doc->showMinimized();  // a minimised window ignores the wheel
    doc->HookAction(1);
    EXPECT_EQ(zoomSlider(), 30);
    doc->showNormal();
    doc->resetZoom();
    EXPECT_EQ(hint(), "Zoom was reset");
    EXPECT_EQ(zoomSlider(), 100);
}

TEST_F(DocumentFixture, TabsNeedReflectionsAndShowTheirViews) {
    clickTab(3);
    EXPECT_EQ(doc->currentView(), frmDocument::Simulation);
    EXPECT_EQ(hint(), "0 reflections");
    EXPECT_FALSE(list()->isVisible());

    pressApply();
    const QString count = QStringLiteral("%1 reflections").arg(doc->engine().n_hkl);
    auto* pb1 = picture("pb1");
    auto* pb3 = picture("pb3");
    clickTab(1);
    EXPECT_FALSE(pb1->isVisible());
    EXPECT_TRUE(pb3->isVisible());
    EXPECT_EQ(hint(), "No structure data available");
    clickTab(2);  // side by side
    EXPECT_LT(pb1->geometry().right(), pb3->geometry().left());
    EXPECT_EQ(doc->currentPicture().width(), pb1->surface().image().width() + pb3->surface().image().width());
    clickTab(3);
    EXPECT_TRUE(list()->isVisible());
    EXPECT_EQ(hint(), count);
    clickTab(4);
    EXPECT_TRUE(child<QWidget>("photoPanel")->isVisible());
    EXPECT_EQ(hint(), "No image loaded");
    clickTab(0);
    EXPECT_TRUE(pb1->isVisible());
    EXPECT_FALSE(pb3->isVisible());
}

// ---- the mouse on the pattern ----------------------------------------------------------------

class PatternMouseTest : public DocumentFixture {
protected:
    // The spot farthest from the others (more than 21 pixels), in widget pixels.
    QPointF isolatedSpot() {
        std::vector<render::SpotRecord> spots;
        doc->renderer().setSpotRecorder(&spots);
        doc->Redraw();
        doc->renderer().setSpotRecorder(nullptr);
        auto* pb1 = picture("pb1");
        const double cx = pb1->surface().width() / 2.0, cy = pb1->surface().height() / 2.0;
        QPointF best;
        double bestGap = 0;
        for (const auto& s : spots) {
            const double x = cx + s.x, y = cy - s.y;
            if (x < 30 || y < 30 || x > pb1->width() - 30 || y > pb1->height() - 30) continue;
            // Harmonics (h k l, 2h 2k 2l, ...) fall on the same place: one spot to the eye.
            double gap = 1e9;
            for (const auto& o : spots)
                if (const double d = std::hypot(o.x - s.x, o.y - s.y); d > 0.5) gap = std::min(gap, d);
            if (gap > bestGap) {
                bestGap = gap;
                best = {x, y};
            }
        }
        EXPECT_GT(bestGap, 21) << "no isolated spot among " << spots.size();
        return best;
    }
    void clickAt(QPointF at) { drag(picture("pb1"), at, at); }
};

TEST_F(PatternMouseTest, AClickWithinTenPixelsOfASpotReportsIt) {
    pressApply();
    const QPointF spot = isolatedSpot();
    clickAt(spot + QPointF(9.9, 0));
    EXPECT_TRUE(hint().startsWith("Clicked at (")) << hint().toStdString();
    EXPECT_TRUE(hint().contains("d = "));
    clickAt(spot + QPointF(0, 10.1));
    EXPECT_EQ(hint(), "Clicked at no spot");
}

TEST_F(PatternMouseTest, TwoPixelsMoveIsADragOnePixelAClick) {
    pressApply();
    const QPointF spot = isolatedSpot();
    const Mat3f start = orientation();
    const QString before = hint();
    drag(picture("pb1"), spot, spot + QPointF(2, 0));
    EXPECT_EQ(hint(), before);
    EXPECT_FALSE(same(orientation(), start));
    const QPointF moved = isolatedSpot();  // the drag has turned the pattern
    drag(picture("pb1"), moved, moved + QPointF(1, 0));
    EXPECT_TRUE(hint().startsWith("Clicked at ("));
}

TEST_F(PatternMouseTest, FlipXTurnsAHorizontalDragTheOtherWay) {
    auto* pb1 = picture("pb1");
    drag(pb1, {100, 100}, {150, 130});  // without reflections the mouse does nothing
    EXPECT_EQ(hint(), "0 reflections");
    pressApply();  // back-reflection
    const Mat3f start = orientation();
    drag(pb1, {100, 100}, {150, 100});
    EXPECT_FALSE(same(orientation(), start));
    appState().settings.flipX = true;
    drag(pb1, {100, 100}, {150, 100});
    EXPECT_TRUE(same(orientation(), start));
}

TEST_F(PatternMouseTest, RightDragOnTheRightHalfZooms) {
    pressApply();
    auto* pb1 = picture("pb1");
    const QPointF at(pb1->width() * 0.75, 200);
    drag(pb1, at, at - QPointF(0, 50), Qt::RightButton);
    EXPECT_EQ(zoomSlider(), 80);
    EXPECT_FLOAT_EQ(doc->engine().getZoom(), 0.8f);
}

}  // namespace
}  // namespace lumora::app::test
