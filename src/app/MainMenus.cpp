// The menus, the toolbars and the status bar of the main window.
#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUndoGroup>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/MainWindow.h"
#include "app/MainWindowIcons.h"

namespace lumora::app {

namespace {

// Save-as items by the index of the classic submenu; PNG and SVG come after.
enum SaveFormat { Bmp = 0, Jpg = 1, Pdf = 2, Hkl = 4, Png = 5, Svg = 6 };

const char* const kOrientationCaptions[] = {"[100]", "[010]", "[001]", "[111]",
                                            "(100)", "(010)", "(001)", "(111)"};

// Items the program shows but gives no function.
QAction* inert(QMenu* menu, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setEnabled(false);
    return action;
}

}  // namespace

void frmMain::createActions() {
    newAction_ = new QAction(toolIcon(ToolIcon::New), QStringLiteral("&New"), this);
    newAction_->setShortcut(QKeySequence::New);
    newAction_->setToolTip(QStringLiteral("New"));
    connect(newAction_, &QAction::triggered, this, [this] { guarded([this] { newDocument(); }); });

    openAction_ = new QAction(toolIcon(ToolIcon::Open), QStringLiteral("&Open..."), this);
    openAction_->setShortcut(QKeySequence::Open);
    openAction_->setToolTip(QStringLiteral("Open Structure File"));
    connect(openAction_, &QAction::triggered, this, [this] { guarded([this] { fileOpen(); }); });

    pdfAction_ = new QAction(toolIcon(ToolIcon::SavePdf), QStringLiteral("Acrobat File (*.pdf)"), this);
    pdfAction_->setToolTip(QStringLiteral("Save as PDF"));
    connect(pdfAction_, &QAction::triggered, this, [this] { guarded([this] { exportPdf(); }); });
    documentActions_ << pdfAction_;

    // The display flags: toolbar toggles that every document reads when it draws.
    const auto toggle = [this](ToolIcon icon, const char* tip) {
        auto* action = new QAction(toolIcon(icon), QString::fromLatin1(tip), this);
        action->setCheckable(true);
        action->setToolTip(QString::fromLatin1(tip));
        connect(action, &QAction::triggered, this,
                [this, action] { guarded([this, action] { toggleFlag(action); }); });
        return action;
    };
    blackBackground_ = toggle(ToolIcon::Background, "Toggle Background");
    hklLabels_ = toggle(ToolIcon::Labels, "Toggle Label");
    spotColour_ = toggle(ToolIcon::SpotColour, "Toggle Spot Color");
    filmOutline_ = toggle(ToolIcon::FilmOutline, "Toggle Film Outline");
    polarNet_ = toggle(ToolIcon::PolarNet, "Toggle Polar Net");

    // The texts name the step ("Undo Turn"); both are disabled when there is none.
    undoGroup_ = new QUndoGroup(this);
    undoAction_ = undoGroup_->createUndoAction(this, QStringLiteral("&Undo"));
    undoAction_->setShortcuts(QKeySequence::Undo);
    redoAction_ = undoGroup_->createRedoAction(this, QStringLiteral("&Redo"));
    redoAction_->setShortcuts(QKeySequence::Redo);
}

void frmMain::createMenus() {
    // ---- File
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->addAction(newAction_);
    fileMenu_->addAction(openAction_);
    QAction* close =
        fileMenu_->addAction(QStringLiteral("&Close"), this, [this] { guarded([this] { fileClose(); }); });
    documentActions_ << close;
    fileMenu_->addSeparator();

    saveMenu_ = new QMenu(QStringLiteral("&Save"), this);
    saveAsMenu_ = new QMenu(QStringLiteral("Save &As..."), this);
    saveAsMenu_->setIcon(toolIcon(ToolIcon::Save));
    const auto saveItem = [this](const char* caption, int format) {
        auto* action = new QAction(QString::fromLatin1(caption), this);
        connect(action, &QAction::triggered, this,
                [this, format] { guarded([this, format] { saveAs(format); }); });
        return action;
    };
    const QList<QAction*> saveItems = {
        saveItem("Bitmap Image (*.bmp)", Bmp),
        saveItem("JPEG Image (*.jpg)", Jpg),
        saveItem("PNG Image (*.png)", Png),
        saveItem("SVG Drawing (*.svg)", Svg),
        pdfAction_,
    };
    QAction* hkl = saveItem("HKL Text File (*.txt)", Hkl);
    for (QMenu* menu : {saveMenu_, saveAsMenu_}) {
        menu->addActions(saveItems);
        menu->addSeparator();
        menu->addAction(hkl);
    }
    documentActions_ << fileMenu_->addMenu(saveMenu_) << fileMenu_->addMenu(saveAsMenu_);
    inert(fileMenu_, QStringLiteral("Save A&ll"));
    fileMenu_->addSeparator();
    inert(fileMenu_, QStringLiteral("Propert&ies"));
    fileMenu_->addSeparator();
    fileMenu_->addAction(QStringLiteral("Page Set&up..."), this,
                         [this] { guarded([this] { pageSetup(); }); });
    inert(fileMenu_, QStringLiteral("Print Pre&view"));
    printAction_ = fileMenu_->addAction(toolIcon(ToolIcon::Print), QStringLiteral("&Print..."), this, [this] {
        guarded([this] {
            print();
            updateStatus();
        });
    });
    printAction_->setToolTip(QStringLiteral("Print"));
    printAction_->setShortcut(QKeySequence::Print);
    documentActions_ << printAction_;
    fileMenu_->addSeparator();
    inert(fileMenu_, QStringLiteral("Sen&d..."));
    fileMenu_->addSeparator();
    fileMenu_->addAction(QStringLiteral("View User Folder"), this,
                         [this] { guarded([this] { openFolder(QStringLiteral("user")); }); });
    fileMenu_->addAction(QStringLiteral("View Data Folder"), this,
                         [this] { guarded([this] { openFolder(QStringLiteral("data")); }); });
    fileMenu_->addSeparator();
    recentMenu_ = fileMenu_->addMenu(QStringLiteral("Recent &Files"));
    recentMenu_->setToolTipsVisible(true);
    recentMenu_->addSeparator();
    recentMenu_->addAction(QStringLiteral("&Clear Recent Files"), this,
                           [this] { guarded([this] { clearRecentFiles(); }); });
    // Another copy of the program may have opened files since.
    connect(fileMenu_, &QMenu::aboutToShow, this, [this] { guarded([this] { loadRecentFiles(); }); });
    fileMenu_->addSeparator();
    QAction* exit = fileMenu_->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    exit->setShortcut(QKeySequence::Quit);

    // ---- Edit: undo and redo of turns; Paste Special is shown without
    // function (copying the pattern is the toolbar's Copy).
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(undoAction_);
    edit->addAction(redoAction_);
    edit->addSeparator();
    inert(edit, QStringLiteral("Paste &Special..."));

    // ---- View
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    toolbarVisible_ = viewMenu_->addAction(QStringLiteral("&Toolbar"));
    toolbarVisible_->setCheckable(true);
    toolbarVisible_->setChecked(true);
    connect(toolbarVisible_, &QAction::toggled, this, [this](bool on) {
        toolBar_->setVisible(on);
        orientationBar_->setVisible(on);
        updateStatus();
    });
    statusBarVisible_ = viewMenu_->addAction(QStringLiteral("Status &Bar"));
    statusBarVisible_->setCheckable(true);
    statusBarVisible_->setChecked(true);
    connect(statusBarVisible_, &QAction::toggled, this, [this](bool on) {
        statusBar()->setVisible(on);
        updateStatus();
    });
    viewMenu_->addSeparator();
    const auto viewFlag = [this](const char* caption) {
        QAction* action = viewMenu_->addAction(QString::fromLatin1(caption));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this,
                [this, action] { guarded([this, action] { toggleViewFlag(action); }); });
        return action;
    };
    wulffMonitor_ = viewFlag("Wulff Monitor");
    structureMonitor_ = viewFlag("Structure Monitor");
    clipFilmRegion_ = viewFlag("Clip Film Region");
    zerothLayer_ = viewFlag("Zeroth Layer ");
    fourIndex_ = viewMenu_->addAction(QStringLiteral("Four-index hexagonal notation"));
    fourIndex_->setCheckable(true);
    connect(fourIndex_, &QAction::triggered, this,
            [this](bool on) { guarded([this, on] { toggleFourIndex(on); }); });
    viewMenu_->addSeparator();
    backgroundImage_ = viewMenu_->addAction(QStringLiteral("Background Image"));
    backgroundImage_->setCheckable(true);
    backgroundImage_->setEnabled(false);
    connect(backgroundImage_, &QAction::triggered, this,
            [this](bool on) { guarded([this, on] { toggleBackgroundImage(on); }); });
    // View commands need a document: opening the menu makes one when none is open.
    connect(viewMenu_, &QMenu::aboutToShow, this, [this] { guarded([this] { ensureDocument(); }); });

    // ---- Tools
    toolsMenu_ = menuBar()->addMenu(QStringLiteral("&Tools"));
    toolsMenu_->addAction(QStringLiteral("&Options..."), this,
                          [this] { guarded([this] { showOptions(); }); });
    toolsMenu_->addAction(QStringLiteral("&TWAIN device..."), this,
                          [this] { guarded([this] { chooseScanner(); }); });
    toolsMenu_->addAction(QStringLiteral("&Reorientate..."), this,
                          [this] { guarded([this] { reorientate(); }); });
    toolsMenu_->addAction(QStringLiteral("&Periodic Table"), this,
                          [this] { guarded([this] { showPeriodicTable(); }); });
    toolsMenu_->addSeparator();
    toolsMenu_->addAction(QStringLiteral("Wulff-Net"), this,
                          [this] { guarded([this] { printWulffNet(); }); });
    connect(toolsMenu_, &QMenu::aboutToShow, this, [this] { guarded([this] { ensureDocument(); }); });

    // ---- Samples (filled from the sample list)
    samplesMenu_ = menuBar()->addMenu(QStringLiteral("&Samples"));

    // ---- Window
    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
    windowMenu_->addAction(QStringLiteral("&New Window"), this,
                           [this] { guarded([this] { newDocument(); }); });
    documentActions_
        << windowMenu_->addAction(QStringLiteral("&Cascade"), this, [this] { mdi_->cascadeSubWindows(); })
        << windowMenu_->addAction(QStringLiteral("Tile &Horizontal"), this, [this] { tile(Qt::Horizontal); })
        << windowMenu_->addAction(QStringLiteral("Tile &Vertical"), this, [this] { tile(Qt::Vertical); })
        << windowMenu_->addAction(QStringLiteral("&Arrange Icons"), this, [this] { arrangeIcons(); })
        << windowMenu_->addAction(QStringLiteral("Close All"), this,
                                  [this] { guarded([this] { closeAll(); }); });
    connect(windowMenu_, &QMenu::aboutToShow, this, [this] { buildWindowList(); });

    // ---- Help
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* contents =
        help->addAction(QStringLiteral("&Contents"), this, [this] { guarded([this] { helpContents(); }); });
    contents->setShortcut(QKeySequence::HelpContents);
    help->addSeparator();
    help->addAction(QStringLiteral("Merido"), this, [this] { guarded([this] { startSibling(); }); });
    help->addAction(QStringLiteral("Donate..."), this, [this] { guarded([this] { donate(); }); });
    help->addSeparator();
    help->addAction(QStringLiteral("&About "), this, [this] { guarded([this] { about(); }); });

    // ---- the pattern's pop-up menu
    popup_ = new QMenu(this);
    popup_->addAction(QStringLiteral("Cancel"));
    popup_->addAction(QStringLiteral("Reset Zoom"), this, [this] {
        guarded([this] {
            if (frmDocument* d = activeDocument()) d->resetZoom();
        });
    });
    popup_->addAction(QStringLiteral("Reset Orientation"), this, [this] {
        guarded([this] {
            if (frmDocument* d = activeDocument()) d->reorient();
        });
    });
}

void frmMain::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setMovable(false);
    toolBar_->toggleViewAction()->setEnabled(false);

    toolBar_->addAction(newAction_);
    toolBar_->addAction(openAction_);
    auto* save = new QToolButton(toolBar_);
    save->setIcon(toolIcon(ToolIcon::Save));
    save->setToolTip(QStringLiteral("Save"));
    save->setMenu(saveAsMenu_);
    save->setPopupMode(QToolButton::InstantPopup);
    save->setAutoRaise(true);
    documentActions_ << toolBar_->addWidget(save);
    toolBar_->addSeparator();
    toolBar_->addAction(pdfAction_);

    const auto command = [this](ToolIcon icon, const char* tip, void (frmDocument::*operation)()) {
        QAction* action = toolBar_->addAction(toolIcon(icon), QString::fromLatin1(tip));
        action->setToolTip(QString::fromLatin1(tip));
        connect(action, &QAction::triggered, this, [this, operation] {
            guarded([this, operation] {
                if (frmDocument* d = activeDocument()) (d->*operation)();
                updateStatus();
            });
        });
        documentActions_ << action;
        return action;
    };
    command(ToolIcon::Copy, "Copy", &frmDocument::doCopy);
    toolBar_->addAction(printAction_);
    toolBar_->addSeparator();
    command(ToolIcon::FindHkl, "Find HKL", &frmDocument::showAngleCalculator);
    toolBar_->addSeparator();
    toolBar_->addAction(blackBackground_);
    toolBar_->addAction(hklLabels_);
    toolBar_->addAction(spotColour_);
    toolBar_->addAction(filmOutline_);
    toolBar_->addSeparator();
    command(ToolIcon::ResetZoom, "Reset Zoom", &frmDocument::resetZoom);
    toolBar_->addAction(polarNet_);
}

void frmMain::createOrientationBar() {
    addToolBarBreak();
    orientationBar_ = addToolBar(QStringLiteral("Orientation"));
    orientationBar_->setObjectName(QStringLiteral("orientationBar"));
    orientationBar_->setMovable(false);
    orientationBar_->toggleViewAction()->setEnabled(false);
    for (int i = 0; i < 8; ++i) {
        const QString caption = QString::fromLatin1(kOrientationCaptions[i]);
        auto* label = new QLabel(caption, orientationBar_);
        label->setObjectName(QStringLiteral("orientation%1").arg(i));
        label->setCursor(Qt::PointingHandCursor);
        label->setContentsMargins(8, 2, 8, 2);
        label->setToolTip(i < 4
                              ? QStringLiteral("Turn the direction %1 onto the beam").arg(caption)
                              : QStringLiteral("Turn the normal of the plane %1 onto the beam").arg(caption));
        label->installEventFilter(this);
        orientationLabels_[i] = label;
        orientationBar_->addWidget(label);
        if (i == 3) orientationBar_->addSeparator();
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        for (int i = 0; i < 8; ++i) {
            QLabel* label = orientationLabels_[i];
            if (watched == label && mouse->button() == Qt::LeftButton && label->isEnabled() &&
                label->rect().contains(mouse->position().toPoint())) {
                guarded([this, i] { quickOrientation(i); });
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::createStatusBar() {
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        panel->setObjectName(QStringLiteral("statusPanel%1").arg(i + 1));
        panels_[i] = panel;
    }
    panels_[0]->setMinimumWidth(200);
    panels_[1]->setMinimumWidth(120);
    panels_[1]->setAlignment(Qt::AlignCenter);
    panels_[2]->setMinimumWidth(140);
    panels_[2]->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(panels_[0], 1);
    statusBar()->addPermanentWidget(panels_[1]);
    statusBar()->addPermanentWidget(panels_[2]);
}

void frmMain::buildSamplesMenu() {
    samplesMenu_->clear();
    samplesMenu_->addAction(QStringLiteral("Edit..."), this, [this] { guarded([this] { editSamples(); }); });
    samplesMenu_->addSeparator();
    const structure::SampleList& samples = appState().samples;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        // The caption's tab puts the names in a column of their own.
        const QString caption = QString::fromStdString(samples.menuCaption(i));
        const int entry = static_cast<int>(i);
        samplesMenu_->addAction(caption, this,
                                [this, entry] { guarded([this, entry] { loadSample(entry); }); });
    }
}

void frmMain::buildWindowList() {
    for (QAction* action : windowListActions_) {
        windowMenu_->removeAction(action);
        action->deleteLater();
    }
    windowListActions_.clear();
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
    if (windows.isEmpty()) return;
    windowListActions_ << windowMenu_->addSeparator();
    int n = 0;
    for (QMdiSubWindow* sub : windows) {
        ++n;
        const QString title = sub->windowTitle().replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = windowMenu_->addAction(n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(title) : title);
        action->setCheckable(true);
        action->setChecked(sub == mdi_->currentSubWindow());
        QPointer<QMdiSubWindow> target(sub);
        connect(action, &QAction::triggered, this, [this, target] {
            if (target && mdi_->subWindowList().contains(target)) mdi_->setActiveSubWindow(target);
        });
        windowListActions_ << action;
    }
}

void frmMain::buildRecentMenu() {
    // The entry chosen may be the one replaced here: it goes once its signal is done.
    for (QAction* action : recentActions_) {
        recentMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    QAction* separator = recentMenu_->actions().value(0);
    int n = 0;
    for (const QString& path : recent_.paths()) {
        ++n;
        const QString name = QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(n).arg(name), recentMenu_);
        const QString shown = QDir::toNativeSeparators(path);
        action->setToolTip(shown);
        action->setStatusTip(shown);
        connect(action, &QAction::triggered, this,
                [this, path] { guarded([this, path] { openRecent(path); }); });
        recentMenu_->insertAction(separator, action);
        recentActions_ << action;
    }
    recentMenu_->menuAction()->setEnabled(!recent_.isEmpty());
}

}  // namespace lumora::app
