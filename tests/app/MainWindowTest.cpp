// The main window as the user meets it: menus, toolbar, orientation labels,
// status bar, windows and display flags, and every command once.
#include "AppFixture.h"
#include "engine/OrientationMath.h"

namespace lumora::app::test {
namespace {

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, TheStatusBarAndTheWindowMenuFollowTheDocumentsAndWithoutOneViewOrToolsMakeOne) {
    frmDocument* d = active();
    QTest::mouseClick(d->findChild<QPushButton*>("btAPPLY"), Qt::LeftButton);
    const int n = d->engine().n_hkl;
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Untitled :  (P 1)  %1 Reflections generated").arg(n));
    EXPECT_EQ(window_->statusText(1), " Laue Back-Reflection ");
    // Leaving the title field renames the status text at once.
    typeInto(d->findChild<QLineEdit*>("tfTIT"), "Cube");
    d->findChild<QLineEdit*>("tfKV")->setFocus();
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Cube :  (P 1)  %1 Reflections generated").arg(n));
    // Turning the crystal shows the new beam direction.
    const QString before = window_->statusText(2);
    EXPECT_FALSE(before.isEmpty());
    d->findChild<QWidget*>("pb1")->setFocus();
    QTest::keyClick(d->findChild<QWidget*>("pb1"), Qt::Key_D);
    EXPECT_NE(window_->statusText(2), before);

    choose("&File", "&New");
    choose("&Window", "&New Window");
    EXPECT_EQ(window_->documentCounter(), 3);
    EXPECT_EQ(active()->windowTitle(), "Document 3");
    EXPECT_EQ(plain(menu("&Window")->title()), "Window [3]");
    choose("&File", "&Close");
    EXPECT_EQ(window_->openDocuments().size(), 2u);
    EXPECT_EQ(window_->document(3), nullptr);
    EXPECT_EQ(plain(menu("&Window")->title()), "Window [3]");
    // Slots are never reused.
    window_->newDocument();
    EXPECT_EQ(active()->windowTitle(), "Document 4");
    EXPECT_EQ(window_->document(3), nullptr);

    window_->resize(1000, 700);
    choose("&Window", "Tile &Vertical");
    const QList<QMdiSubWindow*> subs = window_->mdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 3);
    EXPECT_EQ(subs[0]->y(), subs[1]->y());
    EXPECT_NE(subs[0]->x(), subs[1]->x());
    choose("&Window", "Tile &Horizontal");
    EXPECT_EQ(subs[0]->x(), subs[1]->x());
    EXPECT_NE(subs[0]->y(), subs[1]->y());

    // Without documents commands do nothing, and View or Tools make one.
    choose("&Window", "Close All");
    EXPECT_TRUE(window_->openDocuments().empty());
    EXPECT_FALSE(item("&File", "&Close")->isEnabled());
    EXPECT_FALSE(item("&File", "&Print...")->isEnabled());
    EXPECT_TRUE(window_->statusText(0).isEmpty());
    tool("Copy")->trigger();
    tool("Reset Zoom")->trigger();
    EXPECT_EQ(window_->documentCounter(), 4);
    emit menu("&View")->aboutToShow();
    EXPECT_EQ(window_->documentCounter(), 5);
    choose("&Window", "Close All");
    emit menu("&Tools")->aboutToShow();
    EXPECT_EQ(window_->documentCounter(), 6);
    EXPECT_TRUE(item("&File", "&Close")->isEnabled());
}

TEST_F(MainWindowTest, TogglesSetTheirFlagOrientationLabelsTurnTheCrystalAndThePopupResetsTheZoom) {
    // The polar net is on at every start, the black background only when the settings ask for it.
    EXPECT_TRUE(tool("Toggle Polar Net")->isChecked());
    EXPECT_FALSE(tool("Toggle Background")->isChecked());
    window_.reset();
    writeRegString("LUMORA", "DEF", "2 1 0 90 120 50 30 255 1 1 45 60");
    window_ = std::make_unique<frmMain>();
    EXPECT_TRUE(tool("Toggle Background")->isChecked());
    window_->show();
    loadSample("Si");
    const std::tuple<const char*, QString, bool DisplayFlags::*> toggles[] = {
        {"Toggle Background", "Black Background ", &DisplayFlags::blackBackground},
        {"Toggle Label", "HKL-Indices ", &DisplayFlags::hklIndices},
        {"Toggle Spot Color", "Spot Coloring ", &DisplayFlags::spotColouring},
        {"Toggle Film Outline", "Film-Outline ", &DisplayFlags::filmOutline},
        {"Toggle Polar Net", "Polar-Net ", &DisplayFlags::polarNet},
    };
    for (const auto& [tip, name, flag] : toggles) {
        const bool before = appState().flags.*flag;
        tool(tip)->trigger();
        EXPECT_EQ(appState().flags.*flag, !before) << tip;
        EXPECT_EQ(hint(active()), name + (before ? "Off" : "On"));
        tool(tip)->trigger();
        EXPECT_EQ(appState().flags.*flag, before) << tip;
    }
    // Spot colouring rebuilds the palette: grey shades become colours.
    EXPECT_EQ(QColor(QRgb(appState().palette[100])).hsvSaturation(), 0);
    tool("Toggle Spot Color")->trigger();
    EXPECT_GT(QColor(QRgb(appState().palette[100])).hsvSaturation(), 0);
    // The classic items without a function here are shown, but disabled.
    for (const char* name : {"Save A&ll", "Propert&ies", "Print Pre&view", "Sen&d..."})
        EXPECT_FALSE(item("&File", name)->isEnabled()) << name;

    // The View menu's flags.
    const QImage before = active()->grab().toImage();
    choose("&View", "Wulff Monitor");
    EXPECT_TRUE(appState().flags.wulffMonitor);
    EXPECT_TRUE(item("&View", "Wulff Monitor")->isChecked());
    EXPECT_NE(active()->grab().toImage(), before);
    choose("&View", "Wulff Monitor");
    EXPECT_EQ(active()->grab().toImage(), before);
    choose("&View", "Zeroth Layer ");  // shows in the 3-D view
    EXPECT_TRUE(appState().flags.zerothLayer);
    EXPECT_EQ(window_->statusText(1), " 0-th Layer ");
    choose("&View", "&Toolbar");
    EXPECT_TRUE(toolBar()->isHidden());

    EXPECT_EQ(orientationLabel(4)->text(), "(100)");
    // Magnesium is hexagonal: [100] and the normal of (100) are 30 degrees apart.
    loadSample("Mg");
    const clLAUE& laue = active()->engine();
    const auto alongBeam = [&](float u, float v, float w, bool direction) {
        const Vec3d lab = engine::toLab(laue.orientationMatrix(), laue.toCartesian(u, v, w, direction));
        return lab[0] / std::sqrt(lab[0] * lab[0] + lab[1] * lab[1] + lab[2] * lab[2]);
    };
    QTest::mouseClick(orientationLabel(0), Qt::LeftButton);
    EXPECT_NEAR(alongBeam(1, 0, 0, true), 1.0, 1e-5);
    EXPECT_NEAR(alongBeam(1, 0, 0, false), std::cos(30 * 3.14159265 / 180), 1e-4);
    QTest::mouseClick(orientationLabel(4), Qt::LeftButton);
    EXPECT_NEAR(alongBeam(1, 0, 0, false), 1.0, 1e-5);
    QTest::mouseClick(orientationLabel(2), Qt::LeftButton);
    EXPECT_NEAR(alongBeam(0, 0, 1, true), 1.0, 1e-5);

    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        for (QAction* a : popup->actions()) shown << a->text();
        popup->actions().at(1)->trigger();
        popup->close();
    });
    window_->showPopupMenu(window_->mapToGlobal(QPoint(200, 200)));
    EXPECT_EQ(shown, QStringList({"Cancel", "Reset Zoom", "Reset Orientation"}));
    EXPECT_EQ(hint(active()), "Zoom was reset");
}

TEST_F(MainWindowTest, EveryCommandRunsOnce) {
    // Modal dialogs (the angle calculator, a printer dialog) close as soon as they show.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    closer.start(20);
    loadSample("Quartz");
    window_->newDocument();
    loadSample("Si");

    QAction* exit = item("&File", "E&xit");
    for (QAction* top : window_->menuBar()->actions()) {
        emit top->menu()->aboutToShow();
        for (QAction* a : top->menu()->actions()) {
            if (a == exit || a->isSeparator()) continue;
            for (QAction* s : a->menu() ? a->menu()->actions() : QList<QAction*>({a})) s->trigger();
            QCoreApplication::processEvents();
        }
    }
    for (QAction* a : toolBar()->actions()) {
        a->trigger();
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < 8; ++i) QTest::mouseClick(orientationLabel(i), Qt::LeftButton);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    exit->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(readRegString("LUMORA", "DEF").isEmpty());
}

}  // namespace
}  // namespace lumora::app::test
