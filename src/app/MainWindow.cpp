#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoStack>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/Folders.h"
#include "app/MainWindowIcons.h"
#include "app/Messages.h"
#include "app/OptionsDialog.h"
#include "app/SettingsStore.h"
#include "engine/Palette.h"
#include "util/Error.h"

namespace lumora::app {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Lumora"));
    setWindowIcon(programIcon());

    mdi_ = new QMdiArea(this);
    mdi_->setBackground(QColor(0, 111, 111));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { updateStatus(); });

    restorePlacement();

    // The palette follows the spot colouring flag; the settings set the black
    // background and the polar net.
    engine::buildSpotPalette(appState().flags.spotColouring, appState().palette);
    ReadRegistry();

    createActions();
    createMenus();
    createToolBar();
    createOrientationBar();
    createStatusBar();
    buildSamplesMenu();
    loadRecentFiles();
    syncFlagActions();

    documents_.resize(11);
    guarded([this] { newDocument(); });
    updateStatus();
}

frmMain::~frmMain() {
    // The documents go while this window is still whole: they and the MDI area
    // must not call back into a half-destroyed main window. Closed documents
    // may still wait for their deletion.
    closing_ = true;
    mdi_->disconnect(this);
    const QList<QMdiSubWindow*> windows = mdi_->findChildren<QMdiSubWindow*>();
    for (QMdiSubWindow* sub : windows)
        if (QWidget* w = sub->widget()) w->disconnect(this);
    for (const QPointer<QMdiSubWindow>& sub : QList<QPointer<QMdiSubWindow>>(windows.begin(), windows.end()))
        delete sub.data();
}

// ---- documents -------------------------------------------------------------------

frmDocument* frmMain::newDocument() {
    ++counter_;
    if (counter_ >= static_cast<int>(documents_.size())) documents_.resize(counter_ + 10 + 1);
    auto* document = new frmDocument(counter_);
    documents_[counter_] = document;
    undoGroup_->addStack(document->undoStack());
    connect(document, &frmDocument::statusChanged, this, &frmMain::updateStatus);
    // The orientation panel shows the active document's crystal.
    connect(document, &frmDocument::orientationChanged, this, [this, document](const QString& text) {
        if (document == activeDocument()) setStatusText(2, text);
    });
    connect(document, &frmDocument::popupRequested, this, &frmMain::showPopupMenu);
    connect(document, &frmDocument::photoChanged, this, &frmMain::updateStatus);
    connect(document, &frmDocument::closing, this, &frmMain::documentClosing);

    QMdiSubWindow* sub = mdi_->addSubWindow(document);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(programIcon());
    // A document that goes away without closing (it never should) frees its slot too.
    const int index = counter_;
    connect(document, &QObject::destroyed, this, [this, index] {
        if (index < static_cast<int>(documents_.size())) documents_[index] = nullptr;
        if (!closing_) updateStatus();
    });
    sub->showMaximized();
    mdi_->setActiveSubWindow(sub);
    updateStatus();
    return document;
}

frmDocument* frmMain::activeDocument() const {
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!sub) sub = mdi_->activeSubWindow();
    auto* document = sub ? qobject_cast<frmDocument*>(sub->widget()) : nullptr;
    if (!document) return nullptr;
    // A document that is closing is no longer active.
    const int index = document->documentIndex();
    return index > 0 && index < static_cast<int>(documents_.size()) && documents_[index] == document
               ? document
               : nullptr;
}

frmDocument* frmMain::document(int index) const {
    if (index <= 0 || index >= static_cast<int>(documents_.size())) return nullptr;
    return documents_[index];
}

std::vector<frmDocument*> frmMain::openDocuments() const {
    std::vector<frmDocument*> open;
    for (const auto& d : documents_)
        if (d) open.push_back(d);
    return open;
}

void frmMain::documentClosing(int index) {
    if (index > 0 && index < static_cast<int>(documents_.size())) {
        // Undo no longer reaches a document that is going.
        if (documents_[index]) undoGroup_->removeStack(documents_[index]->undoStack());
        documents_[index] = nullptr;
    }
    // The window goes once the event that closes it is over.
    QTimer::singleShot(0, this, [this] { updateStatus(); });
}

QMdiSubWindow* frmMain::subWindowOf(const frmDocument* document) const {
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (sub->widget() == document) return sub;
    return nullptr;
}

// ---- status and redraw --------------------------------------------------------------

void frmMain::updateStatus() {
    if (closing_) return;
    frmDocument* document = activeDocument();
    const bool any = document != nullptr;
    for (QAction* action : documentActions_) action->setEnabled(any);
    if (undoGroup_) undoGroup_->setActiveStack(any ? document->undoStack() : nullptr);
    for (QLabel* label : orientationLabels_)
        if (label) label->setEnabled(any);

    if (windowMenu_) {
        windowMenu_->setTitle(counter_ > 1 ? QStringLiteral("&Window [%1]").arg(counter_)
                                           : QStringLiteral("&Window"));
    }

    if (any) {
        const std::array<QString, 2> status = document->getStatus();
        setStatusText(0, status[0]);
        setStatusText(1, QLatin1Char(' ') + status[1] + QLatin1Char(' '));
        // The orientation panel shows the document that is active now.
        setStatusText(2, document->orientationText());
        if (backgroundImage_) {
            backgroundImage_->setEnabled(!document->photoFile().isEmpty());
            backgroundImage_->setChecked(document->photoShown());
        }
    } else {
        for (int i = 0; i < 3; ++i) setStatusText(i, QString());
        if (backgroundImage_) {
            backgroundImage_->setEnabled(false);
            backgroundImage_->setChecked(false);
        }
    }
    syncFlagActions();
}

void frmMain::redrawAll() {
    frmDocument* active = activeDocument();
    QMdiSubWindow* activeSub = active ? subWindowOf(active) : nullptr;
    if (activeSub && activeSub->isMaximized()) {
        active->Redraw();
        return;
    }
    if (activeSub && activeSub->isMinimized()) return;
    std::vector<QPointer<frmDocument>> open;
    for (const auto& d : documents_)
        if (d) open.push_back(d);
    for (const auto& d : open) {
        if (!d) continue;  // closed while the others were drawn
        d->Redraw();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

QString frmMain::statusText(int panel) const {
    if (panel < 0 || panel >= static_cast<int>(panels_.size()) || !panels_[panel]) return {};
    return panels_[panel]->text();
}

void frmMain::setStatusText(int panel, const QString& text) {
    if (panel < 0 || panel >= static_cast<int>(panels_.size()) || !panels_[panel]) return;
    panels_[panel]->setText(text);
}

void frmMain::syncFlagActions() {
    const DisplayFlags& f = appState().flags;
    const std::pair<QAction*, bool> states[] = {
        {blackBackground_, f.blackBackground},
        {hklLabels_, f.hklIndices},
        {spotColour_, f.spotColouring},
        {filmOutline_, f.filmOutline},
        {polarNet_, f.polarNet},
        {wulffMonitor_, f.wulffMonitor},
        {structureMonitor_, f.structureMonitor},
        {clipFilmRegion_, f.clipFilmRegion},
        {zerothLayer_, f.zerothLayer},
        {fourIndex_, f.fourIndex},
    };
    for (const auto& [action, on] : states)
        if (action && action->isChecked() != on) {
            const QSignalBlocker block(action);
            action->setChecked(on);
        }
}

// ---- errors ----------------------------------------------------------------------------

void frmMain::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const Error& e) {
        QApplication::restoreOverrideCursor();
        tell(this, QStringLiteral("Lumora"), QString::fromStdString(e.message()), QMessageBox::Critical);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        tell(this, QStringLiteral("Lumora"), QString::fromUtf8(e.what()), QMessageBox::Critical);
    }
}

// ---- placement and closing ----------------------------------------------------------------

void frmMain::restorePlacement() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    // A first run opens at a comfortable size; the classic 6500 twips is a
    // postage stamp on today's screens.
    QRect comfortable(0, 0, available.width() * 4 / 5, available.height() * 4 / 5);
    comfortable.moveCenter(available.center());

    QRect placement = readMainPlacement().value_or(comfortable);
    // A stored placement from another screen layout, or a window too small to
    // use, comes back where it can be seen.
    bool visible = false;
    for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersected(placement).width() >= 100 &&
            s->availableGeometry().intersected(placement).height() >= 50)
            visible = true;
    if (!screen) visible = true;
    if (!visible || placement.width() < 400 || placement.height() < 300) placement = comfortable;
    placement.setWidth(std::min(placement.width(), std::max(400, available.width())));
    placement.setHeight(std::min(placement.height(), std::max(300, available.height())));

    resize(placement.size());
    move(placement.topLeft());
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The settings are saved before the documents close.
    const Qt::WindowStates s = windowState();
    WindowPlacement placement;
    placement.normalGeometry = QRect(pos(), size());
    placement.state = (s & Qt::WindowMinimized)                            ? 1
                      : (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) ? 2
                                                                           : 0;
    SaveRegistry(placement);
    // A maximised or minimised window keeps the placement of its last normal run.
    if (placement.state == 0) saveMainPlacement(placement.normalGeometry);

    closing_ = true;
    if (options_) options_->close();
    mdi_->closeAllSubWindows();
    QFile::remove(QDir(userFolder()).filePath(QStringLiteral("symmetry.txt")));
    event->accept();
}

QPrinter& frmMain::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

}  // namespace lumora::app
