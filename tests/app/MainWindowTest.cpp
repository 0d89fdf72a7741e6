// The main window as the user meets it: menus, toolbar, orientation labels,
// status bar, windows and display flags, and every command once.
#include "MainWindowFixture.h"

namespace lumora::app::test {
namespace {

using MainWindowTest = MainWindowFixture;

// ---- what the window shows -----------------------------------------------------------

TEST_F(MainWindowTest, MenusCarryTheirCaptions) {
    QStringList titles;
    for (QAction* a : window_->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&View", "&Tools", "&Samples", "&Window", "&Help"}));

    const auto captions = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(captions(menu("&File")), QStringList({"&New",
                                                    "&Open...",
                                                    "&Close",
                                                    "-",
                                                    "&Save",
                                                    "Save &As...",
                                                    "Save A&ll",
                                                    "-",
                                                    "Propert&ies",
                                                    "-",
                                                    "Page Set&up...",
                                                    "Print Pre&view",
                                                    "&Print...",
                                                    "-",
                                                    "Sen&d...",
                                                    "-",
                                                    "View User Folder",
                                                    "View Data Folder",
                                                    "-",
                                                    "E&xit"}));
    EXPECT_EQ(captions(item("&File", "Save &As...")->menu()),
              QStringList({"Bitmap Image (*.bmp)", "JPEG Image (*.jpg)", "PNG Image (*.png)",
                           "SVG Drawing (*.svg)", "Acrobat File (*.pdf)", "-", "HKL Text File (*.txt)"}));
    EXPECT_EQ(captions(item("&File", "&Save")->menu()), captions(item("&File", "Save &As...")->menu()));
    EXPECT_EQ(captions(menu("&Edit")), QStringList({"&Undo", "-", "Paste &Special..."}));
    EXPECT_EQ(captions(menu("&View")),
              QStringList({"&Toolbar", "Status &Bar", "-", "Wulff Monitor", "Structure Monitor",
                           "Clip Film Region", "Zeroth Layer ", "-", "Background Image"}));
    EXPECT_EQ(captions(menu("&Tools")), QStringList({"&Options...", "&TWAIN device...", "&Reorientate...",
                                                     "&Periodic Table", "-", "Wulff-Net"}));
    EXPECT_EQ(captions(menu("&Window")).mid(0, 6),
              QStringList({"&New Window", "&Cascade", "Tile &Horizontal", "Tile &Vertical", "&Arrange Icons",
                           "Close All"}));
    EXPECT_EQ(captions(menu("&Help")),
              QStringList({"&Contents", "-", "Merido", "Donate...", "-", "&About "}));

    // The classic items without a function here are shown, but disabled.
    for (const char* name : {"Save A&ll", "Propert&ies", "Print Pre&view", "Sen&d..."})
        EXPECT_FALSE(item("&File", name)->isEnabled()) << name;
    for (QAction* a : menu("&Edit")->actions()) EXPECT_FALSE(a->isEnabled() && !a->isSeparator());
}

TEST_F(MainWindowTest, ToolbarButtonsInTheirPlaces) {
    QStringList tips;
    for (QAction* a : toolBar()->actions())
        tips << (a->isSeparator() ? QStringLiteral("|") : toolBar()->widgetForAction(a)->toolTip());
    EXPECT_EQ(tips,
              QStringList({"New", "Open Structure File", "Save", "|", "Save as PDF", "Copy", "Print", "|",
                           "Find HKL", "|", "Toggle Background", "Toggle Label", "Toggle Spot Color",
                           "Toggle Film Outline", "|", "Reset Zoom", "Toggle Polar Net"}));
    for (QAction* a : toolBar()->actions()) {
        if (!a->isSeparator()) {
            EXPECT_FALSE(toolBar()->widgetForAction(a)->grab().isNull());
        }
    }
    // The polar net is on at every start, the black background only when the settings ask for it.
    EXPECT_TRUE(tool("Toggle Polar Net")->isChecked());
    EXPECT_FALSE(tool("Toggle Background")->isChecked());
    EXPECT_FALSE(tool("Toggle Label")->isChecked());
}

TEST_F(MainWindowTest, TheBackgroundStartsBlackWhenTheSettingsSaySo) {
    window_.reset();
    writeRegString("LUMORA", "DEF", "2 1 0 90 120 50 30 255 1 1 45 60");
    window_ = std::make_unique<frmMain>();
    EXPECT_TRUE(tool("Toggle Background")->isChecked());
    EXPECT_TRUE(appState().flags.blackBackground);
}

TEST_F(MainWindowTest, TheStatusBarFollowsTheActiveDocument) {
    loadSample("Si");
    frmDocument* d = active();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(window_->statusText(0), d->getStatus()[0]);
    EXPECT_TRUE(window_->statusText(0).startsWith("Si :  (")) << window_->statusText(0).toStdString();
    EXPECT_EQ(window_->statusText(1), " Laue Back-Reflection ");
    EXPECT_FALSE(window_->statusText(2).isEmpty());

    window_->newDocument();
    EXPECT_TRUE(window_->statusText(0).startsWith("Untitled")) << window_->statusText(0).toStdString();
}

// ---- documents and windows ------------------------------------------------------------------

TEST_F(MainWindowTest, TheWindowMenuCountsEveryDocumentEverCreated) {
    EXPECT_EQ(menu("&Window")->title(), "&Window");
    EXPECT_EQ(window_->documentCounter(), 1);
    choose("&File", "&New");
    choose("&Window", "&New Window");
    EXPECT_EQ(window_->documentCounter(), 3);
    EXPECT_EQ(active()->windowTitle(), "Document 3");
    EXPECT_EQ(plain(menu("&Window")->title()), "Window [3]");

    choose("&File", "&Close");
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->openDocuments().size(), 2u);
    EXPECT_EQ(window_->document(3), nullptr);
    EXPECT_EQ(plain(menu("&Window")->title()), "Window [3]");
    // Slots are never reused.
    window_->newDocument();
    EXPECT_EQ(active()->windowTitle(), "Document 4");
    EXPECT_EQ(window_->document(3), nullptr);
}

TEST_F(MainWindowTest, CloseAllEmptiesEverySlot) {
    window_->newDocument();
    choose("&Window", "Close All");
    QCoreApplication::processEvents();
    EXPECT_TRUE(window_->openDocuments().empty());
    EXPECT_EQ(window_->activeDocument(), nullptr);
    EXPECT_FALSE(item("&File", "&Close")->isEnabled());
    EXPECT_FALSE(item("&File", "&Print...")->isEnabled());
    EXPECT_TRUE(window_->statusText(0).isEmpty());
    // The toolbar commands of a document do nothing without one.
    tool("Copy")->trigger();
    tool("Reset Zoom")->trigger();
    EXPECT_EQ(window_->documentCounter(), 2);
    choose("&File", "&New");
    EXPECT_EQ(active()->windowTitle(), "Document 3");
    EXPECT_TRUE(item("&File", "&Close")->isEnabled());
}

TEST_F(MainWindowTest, TilingPutsTheDocumentsSideBySideOrAboveEachOther) {
    window_->resize(1000, 700);
    window_->newDocument();
    choose("&Window", "Tile &Vertical");
    QList<QMdiSubWindow*> subs = window_->mdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 2);
    EXPECT_FALSE(subs[0]->isMaximized());
    EXPECT_EQ(subs[0]->y(), subs[1]->y());
    EXPECT_NE(subs[0]->x(), subs[1]->x());
    choose("&Window", "Tile &Horizontal");
    EXPECT_EQ(subs[0]->x(), subs[1]->x());
    EXPECT_NE(subs[0]->y(), subs[1]->y());
    EXPECT_EQ(subs[0]->width(), window_->mdiArea()->viewport()->width());
}

// ---- display flags ----------------------------------------------------------------------------------

TEST_F(MainWindowTest, ToolbarTogglesSetTheirFlagAndTellTheDocument) {
    loadSample("Si");
    const struct {
        const char* tip;
        const char* name;
        bool DisplayFlags::*flag;
    } toggles[] = {
        {"Toggle Background", "Black Background ", &DisplayFlags::blackBackground},
        {"Toggle Label", "HKL-Indices ", &DisplayFlags::hklIndices},
        {"Toggle Spot Color", "Spot Coloring ", &DisplayFlags::spotColouring},
        {"Toggle Film Outline", "Film-Outline ", &DisplayFlags::filmOutline},
        {"Toggle Polar Net", "Polar-Net ", &DisplayFlags::polarNet},
    };
    for (const auto& t : toggles) {
        QAction* a = tool(t.tip);
        ASSERT_NE(a, nullptr) << t.tip;
        const bool before = appState().flags.*t.flag;
        a->trigger();
        EXPECT_EQ(appState().flags.*t.flag, !before) << t.tip;
        EXPECT_EQ(hint(active()), QString::fromLatin1(t.name) + (before ? "Off" : "On"));
        a->trigger();
        EXPECT_EQ(appState().flags.*t.flag, before) << t.tip;
        EXPECT_EQ(hint(active()), QString::fromLatin1(t.name) + (before ? "On" : "Off"));
    }
}

TEST_F(MainWindowTest, SpotColouringRebuildsThePalette) {
    const auto grey = [](uint32_t c) {
        return (c >> 16 & 0xFF) == (c >> 8 & 0xFF) && (c >> 8 & 0xFF) == (c & 0xFF);
    };
    EXPECT_TRUE(grey(appState().palette[100]));
    tool("Toggle Spot Color")->trigger();
    EXPECT_FALSE(grey(appState().palette[100]));
    tool("Toggle Spot Color")->trigger();
    EXPECT_TRUE(grey(appState().palette[100]));
}

TEST_F(MainWindowTest, ViewFlagsToggleAndRedraw) {
    loadSample("Si");
    const QImage before = active()->grab().toImage();
    choose("&View", "Wulff Monitor");
    EXPECT_TRUE(appState().flags.wulffMonitor);
    EXPECT_TRUE(item("&View", "Wulff Monitor")->isChecked());
    EXPECT_NE(active()->grab().toImage(), before);
    choose("&View", "Wulff Monitor");
    EXPECT_FALSE(appState().flags.wulffMonitor);
    EXPECT_EQ(active()->grab().toImage(), before);

    choose("&View", "Structure Monitor");
    EXPECT_TRUE(appState().flags.structureMonitor);
    choose("&View", "Clip Film Region");
    EXPECT_TRUE(appState().flags.clipFilmRegion);
    // The zeroth layer shows in the 3-D view.
    choose("&View", "Zeroth Layer ");
    EXPECT_TRUE(appState().flags.zerothLayer);
    EXPECT_EQ(window_->statusText(1), " 0-th Layer ");

    choose("&View", "&Toolbar");
    EXPECT_TRUE(toolBar()->isHidden());
    choose("&View", "&Toolbar");
    EXPECT_FALSE(toolBar()->isHidden());
}

TEST_F(MainWindowTest, ViewAndToolsMakeADocumentWhenNoneIsOpen) {
    choose("&Window", "Close All");
    emit menu("&View")->aboutToShow();
    EXPECT_EQ(window_->documentCounter(), 2);
    choose("&Window", "Close All");
    emit menu("&Tools")->aboutToShow();
    EXPECT_EQ(window_->documentCounter(), 3);
    choose("&Window", "Close All");
    choose("&View", "Clip Film Region");
    EXPECT_EQ(window_->documentCounter(), 4);
}

// ---- orientation labels and the pop-up menu -----------------------------------------------------------

TEST_F(MainWindowTest, OrientationLabelsTurnTheCrystal) {
    QStringList captions;
    for (int i = 0; i < 8; ++i) {
        auto* label = window_->findChild<QLabel*>(QStringLiteral("orientation%1").arg(i));
        ASSERT_NE(label, nullptr);
        captions << label->text();
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(captions,
              QStringList({"[100]", "[010]", "[001]", "[111]", "(100)", "(010)", "(001)", "(111)"}));

    // Magnesium is hexagonal: [100] and the normal of (100) are 30 degrees apart.
    loadSample("Mg");
    clLAUE& laue = active()->engine();
    const auto alongBeam = [&](float u, float v, float w, bool direction) {
        const Vec3d lab = engine::toLab(laue.orientationMatrix(), laue.toCartesian(u, v, w, direction));
        return lab[0] / std::sqrt(lab[0] * lab[0] + lab[1] * lab[1] + lab[2] * lab[2]);
    };
    const auto click = [&](int i) {
        QTest::mouseClick(window_->findChild<QLabel*>(QStringLiteral("orientation%1").arg(i)),
                          Qt::LeftButton);
    };
    click(0);
    EXPECT_NEAR(alongBeam(1, 0, 0, true), 1.0, 1e-5);
    EXPECT_NEAR(alongBeam(1, 0, 0, false), std::cos(30 * 3.14159265 / 180), 1e-4);
    click(4);
    EXPECT_NEAR(alongBeam(1, 0, 0, false), 1.0, 1e-5);
    click(2);
    EXPECT_NEAR(alongBeam(0, 0, 1, true), 1.0, 1e-5);
}

TEST_F(MainWindowTest, ThePopupMenuResetsTheZoom) {
    loadSample("Si");
    QStringList captions;
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        for (QAction* a : popup->actions()) captions << a->text();
        popup->actions().at(1)->trigger();
        popup->close();
    });
    window_->showPopupMenu(window_->mapToGlobal(QPoint(200, 200)));
    EXPECT_EQ(captions, QStringList({"Cancel", "Reset Zoom", "Reset Orientation"}));
    EXPECT_EQ(hint(active()), "Zoom was reset");
}

TEST_F(MainWindowTest, EveryCommandRunsOnce) {
    // Modal dialogs of other windows (the angle calculator, a printer dialog)
    // are closed as soon as they show.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    closer.start(20);
    loadSample("Quartz");
    window_->newDocument();
    loadSample("Si");
    answer_ = false;
    chosenFile_.clear();

    QList<QMenu*> menus;
    for (QAction* a : window_->menuBar()->actions()) menus << a->menu();
    QAction* exit = item("&File", "E&xit");
    for (QMenu* m : menus) {
        emit m->aboutToShow();
        for (QAction* a : m->actions()) {
            if (a == exit || a->isSeparator()) continue;
            if (QMenu* sub = a->menu()) {
                for (QAction* s : sub->actions()) s->trigger();
                continue;
            }
            a->trigger();
            QCoreApplication::processEvents();
        }
    }
    for (QAction* a : toolBar()->actions()) {
        a->trigger();
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < 8; ++i)
        QTest::mouseClick(window_->findChild<QLabel*>(QStringLiteral("orientation%1").arg(i)),
                          Qt::LeftButton);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    exit->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(readRegString("LUMORA", "DEF").isEmpty());
}

}  // namespace
}  // namespace lumora::app::test
