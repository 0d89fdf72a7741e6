// The document window as the user drives it: Apply, the orientation vector,
// keys, rotation buttons, the wheel, the tabs and the mouse on the pattern.
#include <QButtonGroup>
#include <QRadioButton>
#include <QWheelEvent>
#include <cmath>

#include "DocumentFixture.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"

namespace documenttest {

namespace {

using lumora::clLAUE;
using lumora::Mat3f;

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

}  // namespace

// ---- opening and Apply ---------------------------------------------------------------------

TEST_F(DocumentFixture, OpensWithTheDefaultsOfTheSettings) {
    EXPECT_EQ(doc->windowTitle(), "Document 1");
    EXPECT_EQ(edit("tfTIT")->text(), "Untitled");
    EXPECT_EQ(edit("tfKV")->text(), "50");
    EXPECT_EQ(edit("tfWL1")->text(), "0.248");
    EXPECT_EQ(edit("tfWL2")->text(), "2.5");
    EXPECT_EQ(edit("tfFSD")->text(), "30");
    EXPECT_EQ(edit("tfANG")->text(), "90");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(edit(QStringLiteral("tfCell%1").arg(i).toLatin1())->text(), "5");
    auto* spg = child<QComboBox>("cmbSPG");
    EXPECT_EQ(spg->count(), 230);
    EXPECT_EQ(spg->currentIndex(), 0);
    EXPECT_EQ(orientationField()->currentText(), "0 0 1");
    EXPECT_EQ(orientationField()->count(), 5);
    EXPECT_EQ(child<QComboBox>("cmbUVW")->currentText(), "uvw");
    EXPECT_TRUE(child<QRadioButton>("rbmode2")->isChecked());
    EXPECT_EQ(child<QTabBar>("Tab1")->count(), 5);
    EXPECT_EQ(child<QPushButton>("btAPPLY")->toolTip(), "Generate HKL");
    EXPECT_EQ(child<QPushButton>("btANG2")->toolTip(),
              "Right/Left Click for pos./neg. Rotation;  (Phi Angle)");
    EXPECT_EQ(zoomSlider(), 100);
    EXPECT_EQ(hint(), "0 reflections");
}

TEST_F(DocumentFixture, ApplyGeneratesTheReflectionsAndReportsThem) {
    const clLAUE reference = referenceEngine();
    ASSERT_GT(reference.n_hkl, 0);
    pressApply();
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated").arg(reference.n_hkl));
    EXPECT_EQ(list()->topLevelItemCount(), reference.n_hkl);
    EXPECT_EQ(list()->headerItem()->text(1), "(hkl)");
    EXPECT_EQ(list()->headerItem()->text(2), "d-Spacing");
    EXPECT_TRUE(list()->isColumnHidden(3));  // no intensities without a structure
    // Rows by decreasing d, numbered; 100-type reflections of a 5 A cube come first.
    EXPECT_EQ(list()->topLevelItem(0)->text(0), "1");
    EXPECT_EQ(list()->topLevelItem(0)->text(2), "5.00000");
    const double last = list()->topLevelItem(reference.n_hkl - 1)->text(2).toDouble();
    EXPECT_LE(last, 5.0);

    const auto status = doc->getStatus();
    EXPECT_EQ(status[0], QStringLiteral("Untitled :  (P 1)  %1 Reflections generated").arg(reference.n_hkl));
    EXPECT_EQ(status[1], "Laue Back-Reflection");
    // The pattern is drawn: the picture is no longer plain white.
    const QImage shown = picture("pb1")->surface().image();
    EXPECT_NE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::white));
}

TEST_F(DocumentFixture, ApplyReturnsToTheDefaultPlotType) {
    pressApply();
    clickOption("rbmode3");
    EXPECT_EQ(hint(), "Stereographic Projection");
    EXPECT_EQ(doc->getStatus()[1], "Stereogram");
    clickOption("rbmode0");
    EXPECT_EQ(hint(), "3D-HKL view");
    EXPECT_EQ(doc->getStatus()[1], "3D-HKL");
    pressApply();
    EXPECT_TRUE(child<QRadioButton>("rbmode2")->isChecked());
    EXPECT_EQ(doc->getStatus()[1], "Laue Back-Reflection");
}

TEST_F(DocumentFixture, VoltageGivesTheShortestWavelength) {
    setText("tfKV", "30");
    pressApply();
    EXPECT_EQ(edit("tfWL1")->text(), "0.4133");
    EXPECT_TRUE(messages.empty());
}

TEST_F(DocumentFixture, UnusableInputsAreRefusedAndTheListStays) {
    pressApply();
    const int rows = list()->topLevelItemCount();
    const QString shown = hint();

    setText("tfKV", "0");
    pressApply();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Error 5: ")) << messages[0].text.toStdString();
    EXPECT_EQ(list()->topLevelItemCount(), rows);
    EXPECT_EQ(doc->engine().n_hkl, rows);

    setText("tfKV", "50");
    setText("tfCell1", "abc");  // reads as 0: no lattice
    pressApply();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.startsWith("Error ")) << messages[1].text.toStdString();
    EXPECT_EQ(doc->engine().n_hkl, rows);
    EXPECT_EQ(hint(), shown);

    setText("tfCell1", "5");
    pressApply();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(list()->topLevelItemCount(), rows);
}

TEST_F(DocumentFixture, FilmDistanceIsTakenWhenTheFieldIsLeftOrTheOutlineToggled) {
    setText("tfFSD", "45");
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 30.0f);
    doc->setHINT(QStringLiteral("Film-Outline On"));
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 45.0f);
    EXPECT_EQ(hint(), "Film-Outline On");

    setText("tfFSD", "60");
    edit("tfTIT")->setFocus();
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 60.0f);
    // No film without a distance: the field keeps the last good one.
    setText("tfFSD", "-1");
    edit("tfTIT")->setFocus();
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 60.0f);
    EXPECT_EQ(edit("tfFSD")->text(), "60");
}

TEST_F(DocumentFixture, SetCellLoadsANamedCrystal) {
    doc->setCell({"Si", "227", "F d 3 m", "5.431", "5.431", "5.431", "90", "90", "90"});
    EXPECT_EQ(edit("tfTIT")->text(), "Si");
    EXPECT_EQ(child<QComboBox>("cmbSPG")->currentIndex(), 226);
    EXPECT_EQ(edit("tfCell0")->text(), "5.431");
    EXPECT_EQ(edit("tfCell5")->text(), "90");
    EXPECT_TRUE(hint().endsWith(" reflections generated"));
    EXPECT_TRUE(doc->getStatus()[0].startsWith("Si :  (F d -3 m)  ")) << doc->getStatus()[0].toStdString();
    EXPECT_EQ(doc->getWulffParameters(), "227|5.431|5.431|5.431|90|90|90|Si|");

    // A space-group number that does not exist changes nothing.
    doc->setCell({"X", "231", "", "1", "1", "1", "90", "90", "90"});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(edit("tfTIT")->text(), "Si");
    EXPECT_EQ(child<QComboBox>("cmbSPG")->currentIndex(), 226);
}

// ---- orientation vector --------------------------------------------------------------------

TEST_F(DocumentFixture, OrientationVectorShorthandAndErrors) {
    pressApply();
    typeOrientation("111");
    expectSameMatrix(orientation(), orientedAlong(1, 1, 1, true));
    const Mat3f along111 = orientation();

    typeOrientation("100");
    typeOrientation("  1   1 1 ");
    expectSameMatrix(orientation(), along111);
    EXPECT_TRUE(messages.empty());

    typeOrientation("11");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Invalid Orientation Vector");
    EXPECT_EQ(messages[0].text, "Please type SPACE between u v w");
    expectSameMatrix(orientation(), along111);

    // The same numbers as a plane normal.
    child<QComboBox>("cmbUVW")->setCurrentIndex(1);
    typeOrientation("1 1 0");
    expectSameMatrix(orientation(), orientedAlong(1, 1, 0, false));
}

TEST_F(DocumentFixture, OrientationIsIgnoredWithoutReflections) {
    typeOrientation("11");
    EXPECT_TRUE(messages.empty());
}

TEST_F(DocumentFixture, ClickingTheOrientationCaptionResetsTheOrientation) {
    pressApply();
    const Mat3f start = orientation();
    QTest::mouseClick(child<QPushButton>("btANG0"), Qt::LeftButton);
    EXPECT_FALSE(sameMatrix(orientation(), start));
    auto* caption = child<QLabel>("lbOrientation");
    EXPECT_EQ(caption->toolTip(), "Click to Reset Orientation");
    QTest::mouseClick(caption, Qt::LeftButton);
    expectSameMatrix(orientation(), start);
}

// ---- keys and rotation buttons ----------------------------------------------------------------

TEST_F(DocumentFixture, LetterKeysSetTheOrientationVector) {
    pressApply();
    auto* pb1 = picture("pb1");
    pb1->setFocus();
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
        expectSameMatrix(orientation(), orientedAlong(c.u, c.v, c.w, true));
    }
    // Only without Shift, Ctrl or Alt.
    QTest::keyClick(pb1, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(orientationField()->currentText(), "111");
}

TEST_F(DocumentFixture, ArrowKeysTurnAndTurnBack) {
    pressApply();
    auto* pb1 = picture("pb1");
    pb1->setFocus();
    const Mat3f start = orientation();
    QTest::keyClick(pb1, Qt::Key_Left);
    EXPECT_FALSE(sameMatrix(orientation(), start));
    QTest::keyClick(pb1, Qt::Key_Right);
    expectSameMatrix(orientation(), start);
    QTest::keyClick(pb1, Qt::Key_Up);
    QTest::keyClick(pb1, Qt::Key_Down);
    expectSameMatrix(orientation(), start);
}

TEST_F(DocumentFixture, TypingInATextFieldDoesNotTurnTheCrystal) {
    pressApply();
    const Mat3f start = orientation();
    QLineEdit* title = edit("tfTIT");
    title->setFocus();
    title->selectAll();
    QTest::keyClicks(title, "Cubic BaD");
    QTest::keyClick(title, Qt::Key_Left);
    EXPECT_EQ(title->text(), "Cubic BaD");
    expectSameMatrix(orientation(), start);
    EXPECT_EQ(orientationField()->currentText(), "0 0 1");
}

TEST_F(DocumentFixture, RotationButtonsTurnBothWaysAndRememberTheStep) {
    pressApply();
    const Mat3f start = orientation();
    setText("tfANG", "4,5");
    auto* phi = child<QPushButton>("btANG2");
    QTest::mouseClick(phi, Qt::LeftButton);
    EXPECT_EQ(edit("tfANG")->text(), "4.5");
    EXPECT_FLOAT_EQ(lumora::appState().settings.rotationStep, 4.5f);
    clLAUE turned = referenceEngine();
    turned.setOrientationMatrix(start);
    turned.DoRotate(3, 4.5f);
    expectSameMatrix(orientation(), turned.orientationMatrix());
    QTest::mousePress(phi, Qt::RightButton);
    QTest::mouseRelease(phi, Qt::RightButton);
    expectSameMatrix(orientation(), start);
}

// ---- zoom ------------------------------------------------------------------------------------------

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
    notch(-120);
    EXPECT_EQ(zoomSlider(), 20);
    notch(-120);
    EXPECT_EQ(zoomSlider(), 10);
    notch(-120);
    EXPECT_EQ(zoomSlider(), 10);
    notch(120);
    EXPECT_EQ(zoomSlider(), 30);

    // A minimised window ignores the wheel.
    doc->showMinimized();
    doc->HookAction(1);
    EXPECT_EQ(zoomSlider(), 30);
    doc->showNormal();

    doc->HookAction(-100);
    EXPECT_EQ(zoomSlider(), 500);
    doc->resetZoom();
    EXPECT_EQ(hint(), "Zoom was reset");
    EXPECT_EQ(zoomSlider(), 100);
    EXPECT_FLOAT_EQ(doc->engine().getZoom(), 1.0f);
}

// ---- tabs ---------------------------------------------------------------------------------------------

TEST_F(DocumentFixture, TabsNeedReflections) {
    clickTab(3);
    EXPECT_EQ(child<QTabBar>("Tab1")->currentIndex(), 0);
    EXPECT_EQ(doc->currentView(), frmDocument::Simulation);
    EXPECT_EQ(hint(), "0 reflections");
    EXPECT_FALSE(list()->isVisible());
}

TEST_F(DocumentFixture, EachTabShowsItsViews) {
    pressApply();
    const int n = doc->engine().n_hkl;
    auto* pb1 = picture("pb1");
    auto* pb3 = picture("pb3");
    auto* atoms = child<QPushButton>("btATOMS");

    clickTab(1);
    EXPECT_FALSE(pb1->isVisible());
    EXPECT_TRUE(pb3->isVisible());
    EXPECT_TRUE(atoms->isVisible());
    EXPECT_EQ(hint(), "No structure data available");

    clickTab(2);
    EXPECT_TRUE(pb1->isVisible());
    EXPECT_TRUE(pb3->isVisible());
    EXPECT_FALSE(atoms->isVisible());
    // Side by side, sharing the width.
    EXPECT_LT(pb1->geometry().right(), pb3->geometry().left());
    EXPECT_NEAR(pb1->width(), pb3->width(), 4);
    const QImage structure = pb3->surface().image();
    bool drawn = false;
    for (int y = 0; y < std::min(structure.height(), 40) && !drawn; ++y)
        for (int x = 0; x < std::min(structure.width(), 200) && !drawn; ++x)
            drawn = structure.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_TRUE(drawn) << "the structure page says there is no structure";
    EXPECT_EQ(doc->currentPicture().width(), pb1->surface().image().width() + structure.width());

    clickTab(3);
    EXPECT_TRUE(list()->isVisible());
    EXPECT_FALSE(child<QWidget>("taCSF")->isVisible());
    EXPECT_FALSE(pb1->isVisible());
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections").arg(n));

    clickTab(4);
    EXPECT_TRUE(child<QWidget>("photoPanel")->isVisible());
    EXPECT_EQ(hint(), "No image loaded");

    clickTab(0);
    EXPECT_TRUE(pb1->isVisible());
    EXPECT_FALSE(pb3->isVisible());
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections").arg(n));
}

TEST_F(DocumentFixture, ModeChangeLeavesTheListView) {
    pressApply();
    clickTab(3);
    clickOption("rbmode1");
    EXPECT_EQ(child<QTabBar>("Tab1")->currentIndex(), 0);
    EXPECT_EQ(doc->getStatus()[1], "Laue Transmission");
}

// ---- the mouse on the pattern ----------------------------------------------------------------------

class PatternMouseTest : public DocumentFixture {
protected:
    // The spot farthest from the others (more than 21 pixels), in widget pixels.
    QPointF isolatedSpot() {
        std::vector<lumora::render::SpotRecord> spots;
        doc->renderer().setSpotRecorder(&spots);
        doc->Redraw();
        doc->renderer().setSpotRecorder(nullptr);
        auto* pb1 = picture("pb1");
        const double cx = pb1->surface().width() / 2.0, cy = pb1->surface().height() / 2.0;
        QPointF best;
        double bestGap = 0;
        for (std::size_t i = 0; i < spots.size(); ++i) {
            const double x = cx + spots[i].x, y = cy - spots[i].y;
            if (x < 30 || y < 30 || x > pb1->width() - 30 || y > pb1->height() - 30) continue;
            // Harmonics (h k l, 2h 2k 2l, ...) fall on the same place: one spot to the eye.
            double gap = 1e9;
            for (std::size_t j = 0; j < spots.size(); ++j) {
                const double d = std::hypot(spots[j].x - spots[i].x, spots[j].y - spots[i].y);
                if (d > 0.5) gap = std::min(gap, d);
            }
            if (gap > bestGap) {
                bestGap = gap;
                best = {x, y};
            }
        }
        EXPECT_GT(bestGap, 21) << "no isolated spot among " << spots.size();
        return best;
    }

    void clickAt(QPointF at) {
        auto* pb1 = picture("pb1");
        press(pb1, at);
        release(pb1, at);
    }
};

TEST_F(PatternMouseTest, AClickNearASpotReportsIt) {
    pressApply();
    const QPointF spot = isolatedSpot();
    clickAt(spot + QPointF(9.9, 0));
    EXPECT_TRUE(hint().startsWith("Clicked at (")) << hint().toStdString();
    EXPECT_TRUE(hint().contains("d = "));
    clickAt(spot + QPointF(0, 10.1));
    EXPECT_EQ(hint(), "Clicked at no spot");
}

TEST_F(PatternMouseTest, TwoPixelsMoveIsADragNotAClick) {
    pressApply();
    const QPointF spot = isolatedSpot();
    auto* pb1 = picture("pb1");
    const Mat3f start = orientation();
    const QString before = hint();
    press(pb1, spot);
    moveTo(pb1, spot + QPointF(2, 0));
    release(pb1, spot + QPointF(2, 0));
    EXPECT_EQ(hint(), before);
    EXPECT_FALSE(sameMatrix(orientation(), start));

    const QPointF moved = isolatedSpot();  // the drag has turned the pattern
    press(pb1, moved);
    moveTo(pb1, moved + QPointF(1, 0));
    release(pb1, moved + QPointF(1, 0));
    EXPECT_TRUE(hint().startsWith("Clicked at ("));
}

TEST_F(PatternMouseTest, FlipXTurnsAHorizontalDragTheOtherWay) {
    pressApply();  // back-reflection
    auto* pb1 = picture("pb1");
    const Mat3f start = orientation();
    const auto dragRight = [&] {
        press(pb1, {100, 100});
        moveTo(pb1, {150, 100});
        release(pb1, {150, 100});
    };
    dragRight();
    const Mat3f turned = orientation();
    EXPECT_FALSE(sameMatrix(turned, start));
    lumora::appState().settings.flipX = true;
    dragRight();
    expectSameMatrix(orientation(), start);
}

TEST_F(PatternMouseTest, MouseIsIgnoredWithoutReflections) {
    auto* pb1 = picture("pb1");
    press(pb1, {100, 100});
    moveTo(pb1, {150, 130});
    release(pb1, {150, 130});
    EXPECT_EQ(hint(), "0 reflections");
    expectSameMatrix(orientation(), Mat3f{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}});
}

TEST_F(PatternMouseTest, RightDragOnTheRightHalfZooms) {
    pressApply();
    auto* pb1 = picture("pb1");
    const QPointF at(pb1->width() * 0.75, 200);
    press(pb1, at, Qt::RightButton);
    moveTo(pb1, at - QPointF(0, 50), Qt::RightButton);
    release(pb1, at - QPointF(0, 50), Qt::RightButton);
    EXPECT_EQ(zoomSlider(), 80);
    EXPECT_FLOAT_EQ(doc->engine().getZoom(), 0.8f);
}

}  // namespace documenttest
