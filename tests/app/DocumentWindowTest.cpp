// The document window as the user drives it: Apply, the orientation vector,
// keys, rotation buttons, the wheel, the tabs and the mouse on the pattern.
#include <QRadioButton>

#include "AppFixture.h"
#include "symmetry/SpaceGroupTable.h"

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

TEST_F(DocumentFixture, ApplyOnTheDefaultDocumentGeneratesAndReportsAndResetsThePlotType) {
    EXPECT_EQ(doc->windowTitle(), "Document 1");
    EXPECT_EQ(orientationField()->currentText(), "0 0 1");
    EXPECT_EQ(hint(), "0 reflections");

    const int n = referenceEngine().n_hkl;
    ASSERT_GT(n, 0);
    pressApply();
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated").arg(n));
    EXPECT_EQ(listRows(), n);
    EXPECT_TRUE(list()->isColumnHidden(3));  // no intensities without a structure
    // Rows by decreasing d: the 100-type reflections of a 5 A cube come first.
    EXPECT_EQ(listText(0, 2), "5.00000");
    EXPECT_EQ(doc->getStatus()[0], QStringLiteral("Untitled :  (P 1)  %1 Reflections generated").arg(n));
    EXPECT_EQ(doc->getStatus()[1], "Laue Back-Reflection");
    const QImage shown = picture("pb1")->surface().image();
    EXPECT_NE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::white));

    clickOption("rbmode3");
    EXPECT_EQ(hint(), "Stereographic Projection");
    EXPECT_EQ(doc->getStatus()[1], "Stereogram");
    EXPECT_NE(picture("pb1")->surface().image(), shown);  // drawn at once
    pressApply();  // returns to the default plot type
    EXPECT_TRUE(child<QRadioButton>("rbmode2")->isChecked());
    // A plot type chosen on the list page goes back to the pattern.
    clickTab(3);
    clickOption("rbmode1");
    EXPECT_EQ(child<QTabBar>("Tab1")->currentIndex(), 0);
    EXPECT_EQ(doc->getStatus()[1], "Laue Transmission");
}

TEST_F(DocumentFixture, OrientationVectorAndOtherInputsAreTakenOrRefused) {
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

    setText("tfKV", "30");
    pressApply();
    // Duane-Hunt: lambda = h c / (e U) = 12.39842 A kV / U.
    EXPECT_NEAR(edit("tfWL1")->text().toDouble(), 12.39842 / 30, 1e-4);
    const int rows = listRows();
    const QString shown = hint();
    // "abc" reads as 0: no lattice.
    const std::tuple<const char*, const char*, const char*> cases[] = {{"tfKV", "0", ": Error 5: "},
                                                                       {"tfCell1", "abc", ": Error "}};
    for (const auto& [field, text, error] : cases) {
        const QString old = edit(field)->text();
        setText(field, text);
        ask_.messages.clear();
        pressApply();
        ASSERT_EQ(ask_.messages.size(), 1) << text;
        EXPECT_TRUE(ask_.messages[0].contains(error)) << ask_.messages[0].toStdString();
        EXPECT_EQ(doc->engine().n_hkl, rows);
        EXPECT_EQ(listRows(), rows);
        EXPECT_EQ(hint(), shown);
        setText(field, old);
    }

    setText("tfFSD", "45");
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 30.0f);
    doc->setHINT(QStringLiteral("Film-Outline On"));
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 45.0f);
    // No film without a distance: the field keeps the last good one.
    setText("tfFSD", "-1");
    edit("tfTIT")->setFocus();
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 45.0f);
    EXPECT_EQ(edit("tfFSD")->text(), "45");

    doc->setCell({"Si", "227", "F d 3 m", "5.431", "5.431", "5.431", "90", "90", "90"});
    EXPECT_TRUE(hint().endsWith(" reflections generated"));
    EXPECT_TRUE(doc->getStatus()[0].startsWith("Si :  (F d -3 m)  ")) << doc->getStatus()[0].toStdString();
    EXPECT_EQ(doc->getWulffParameters(), "227|5.431|5.431|5.431|90|90|90|Si|");

    ask_.messages.clear();
    doc->setCell({"X", "231", "", "1", "1", "1", "90", "90", "90"});
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_EQ(edit("tfTIT")->text(), "Si");
    EXPECT_EQ(child<QComboBox>("cmbSPG")->currentIndex(), 226);
}

TEST_F(DocumentFixture, TabsNeedReflectionsWheelKeysAndButtonsZoomOrTurn) {
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

    for (int i = 0; i < 3; ++i) turnWheel(pb1, -120);  // towards the user: zoom out
    EXPECT_EQ(zoomSlider(), 40);
    EXPECT_FLOAT_EQ(doc->renderOptions().zoom, 0.4f);
    for (int i = 0; i < 3; ++i) turnWheel(pb1, -120);
    EXPECT_EQ(zoomSlider(), 10);
    turnWheel(pb1, 120);
    EXPECT_EQ(zoomSlider(), 30);
    doc->showMinimized();  // a minimised window ignores the wheel
    doc->HookAction(1);
    EXPECT_EQ(zoomSlider(), 30);
    doc->showNormal();
    doc->resetZoom();
    EXPECT_EQ(hint(), "Zoom was reset");
    EXPECT_EQ(zoomSlider(), 100);

    pb1->setFocus();
    const Mat3f start = orientation();
    QTest::keyClick(pb1, Qt::Key_Left);
    EXPECT_FALSE(same(orientation(), start));
    QTest::keyClick(pb1, Qt::Key_Right);
    EXPECT_TRUE(same(orientation(), start));
    QTest::keyClick(pb1, Qt::Key_Up);
    QTest::mouseClick(child<QLabel>("lbOrientation"), Qt::LeftButton);  // resets
    EXPECT_TRUE(same(orientation(), start));

    // The buttons turn by the step typed, either way, and remember it.
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

    const std::pair<Qt::Key, QString> keys[] = {
        {Qt::Key_A, "100"}, {Qt::Key_B, "010"}, {Qt::Key_C, "001"}, {Qt::Key_D, "111"}};
    for (const auto& [key, uvw] : keys) {
        QTest::keyClick(pb1, key);
        EXPECT_EQ(orientationField()->currentText(), uvw);
        const Mat3f along =
            orientedAlong(uvw[0].digitValue(), uvw[1].digitValue(), uvw[2].digitValue(), true);
        EXPECT_TRUE(same(orientation(), along)) << uvw.toStdString();
    }
    QTest::keyClick(pb1, Qt::Key_A, Qt::ShiftModifier);  // only without Shift, Ctrl or Alt
    EXPECT_EQ(orientationField()->currentText(), "111");
    // Keys typed into a text field stay there.
    setText("tfTIT", "Cubic BaD");
    QTest::keyClick(edit("tfTIT"), Qt::Key_Left);
    EXPECT_EQ(edit("tfTIT")->text(), "Cubic BaD");
    EXPECT_TRUE(same(orientation(), orientedAlong(1, 1, 1, true)));
}

TEST_F(DocumentFixture, KeysTurnTheCrystalUnlessTheControlWithTheFocusTakesThemItself) {
    pressApply();
    const Mat3f start = orientation();
    // Buttons, option buttons and the tab strip leave the keys to the document.
    for (const char* name : {"btAPPLY", "rbmode2", "Tab1"}) {
        auto* w = child<QWidget>(name);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Left);
        EXPECT_FALSE(same(orientation(), start)) << name;
        QTest::keyClick(w, Qt::Key_Right);
        EXPECT_TRUE(same(orientation(), start)) << name;
    }
    EXPECT_EQ(child<QTabBar>("Tab1")->currentIndex(), 0);
    EXPECT_TRUE(child<QRadioButton>("rbmode2")->isChecked());

    // A text field keeps every key, the ones it has no use for too.
    setText("tfTIT", "T");
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_A}) QTest::keyClick(edit("tfTIT"), key);
    EXPECT_EQ(edit("tfTIT")->text(), "Ta");
    // The list moves its current row; a list box picks the next entry.
    clickTab(3);
    list()->setFocus();
    list()->setCurrentIndex(list()->model()->index(0, 0));
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(list()->currentIndex().row(), 1);
    auto* group = child<QComboBox>("cmbSPG");
    group->setFocus();
    QTest::keyClick(group, Qt::Key_Down);
    EXPECT_EQ(group->currentIndex(), 1);
    EXPECT_TRUE(same(orientation(), start));
    // A modifier makes it another key.
    picture("pb1")->setFocus();
    QTest::keyClick(picture("pb1"), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_TRUE(same(orientation(), start));
}

TEST_F(DocumentFixture, ClicksReportSpotsWithinTenPixelsDragsTurnAndRightDragsZoom) {
    auto* pb1 = picture("pb1");
    drag(pb1, {100, 100}, {150, 130});  // without reflections the mouse does nothing
    EXPECT_EQ(hint(), "0 reflections");
    // The spot farthest from the others (more than 21 pixels), in widget pixels.
    const auto isolatedSpot = [&] {
        std::vector<render::SpotRecord> spots;
        doc->renderer().setSpotRecorder(&spots);
        doc->Redraw();
        doc->renderer().setSpotRecorder(nullptr);
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
    };
    pressApply();
    const QPointF spot = isolatedSpot();
    drag(pb1, spot + QPointF(9.9, 0), spot + QPointF(9.9, 0));
    EXPECT_TRUE(hint().startsWith("Clicked at (")) << hint().toStdString();
    EXPECT_TRUE(hint().contains("d = "));
    drag(pb1, spot + QPointF(0, 10.1), spot + QPointF(0, 10.1));
    EXPECT_EQ(hint(), "Clicked at no spot");

    const Mat3f start = orientation();
    drag(pb1, spot, spot + QPointF(2, 0));
    EXPECT_EQ(hint(), "Clicked at no spot");
    EXPECT_FALSE(same(orientation(), start));
    const QPointF moved = isolatedSpot();  // the drag has turned the pattern
    drag(pb1, moved, moved + QPointF(1, 0));
    EXPECT_TRUE(hint().startsWith("Clicked at ("));

    // Flip X turns a horizontal drag the other way (back-reflection).
    const Mat3f before = orientation();
    drag(pb1, {100, 100}, {150, 100});
    EXPECT_FALSE(same(orientation(), before));
    appState().settings.flipX = true;
    drag(pb1, {100, 100}, {150, 100});
    EXPECT_TRUE(same(orientation(), before));

    const QPointF at(pb1->width() * 0.75, 200);
    drag(pb1, at, at - QPointF(0, 50), Qt::RightButton);
    EXPECT_EQ(zoomSlider(), 80);
    EXPECT_FLOAT_EQ(doc->renderOptions().zoom, 0.8f);
}

TEST_F(DocumentFixture, SampleCellsChooseAxesAndTheHintNamesARaisedThreshold) {
    // A rhombohedral sample on hexagonal axes: the group is picked before its cell arrives.
    doc->setCell({"Corundum", "167", "R-3C", "4.758", "4.758", "12.991", "90", "90", "120"});
    const clLAUE& laue = doc->engine();
    EXPECT_STREQ(symmetry::spaceGroupTable()[laue.currentRow()].extension, "H");
    for (int32_t i = 0; i < laue.n_hkl; ++i) ASSERT_EQ((-laue.getH(i) + laue.getK(i) + laue.getL(i)) % 3, 0);
    EXPECT_TRUE(hint().endsWith(" reflections generated")) << hint().toStdString();

    doc->setCell({"Big", "1", "P1", "100", "100", "100", "90", "90", "90"});
    EXPECT_EQ(hint(),
              QStringLiteral("%1 reflections generated (d \u2265 5.53 \u00c5: index limit)").arg(laue.n_hkl));
}

}  // namespace
}  // namespace lumora::app::test
