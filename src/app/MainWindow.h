#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/RecentFiles.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QToolBar;
class QUndoGroup;

namespace lumora::app {

class frmDocument;
class frmOptions;

// The main window: a multi-document area with the menus, the toolbar, the
// quick-orientation labels and the status bar. Every command goes to the
// active document by its public operations, or changes one of the display
// flags that all documents read when they draw.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // Loads the settings, builds the menus from them and the sample list, and
    // opens the first document. The window is placed but not shown.
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- documents ------------------------------------------------------------
    // Creates "Document N" (N = the counter, which never decreases) and shows it.
    frmDocument* newDocument();
    frmDocument* activeDocument() const;
    // Every document ever created in this run, by index 1..counter; closed
    // documents leave an empty slot.
    frmDocument* document(int index) const;
    int documentCounter() const { return counter_; }
    // The documents still open, in the order they were created.
    std::vector<frmDocument*> openDocuments() const;
    // A document window is closing: its slot is emptied.
    void documentClosing(int index);

    // ---- status and redraw -------------------------------------------------------
    // Menus, the Window caption and the status bar follow the active document.
    void updateStatus();
    // Redraws the active document when it is maximised, else every document.
    void redrawAll();
    // Status bar panels: 0 status text, 1 mode name, 2 approximate orientation.
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);

    // ---- commands that documents and the start-up code use ----------------------
    // Opens a file by its extension (.cel .csf .cif .rsv into a document,
    // .jpg .gif .bmp .png as the photo of the active one). A file that opens
    // goes to the top of File > Recent Files.
    void openFile(const QString& path);
    // The pop-up menu of the pattern ("Cancel", "Reset Zoom", "Reset Orientation").
    void showPopupMenu(const QPoint& globalPosition);
    // A crystal given on the command line: "number|a|b|c|alpha|beta|gamma|name".
    // Text without "|", of 7 characters or fewer, or with fewer than eight
    // fields is ignored (false).
    bool applyCommandLine(const QString& text);
    // Loads a sample cell of the Samples menu into a document.
    void loadSample(int entry);

    QMdiArea* mdiArea() const { return mdi_; }
    // The printer that Page Setup, Print and Wulff-Net share for the run.
    QPrinter& printer();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // MainMenus.cpp
    void createActions();
    void createMenus();
    void createToolBar();
    void createOrientationBar();
    void createStatusBar();
    void buildSamplesMenu();
    void buildWindowList();
    void buildRecentMenu();
    // MainWindow.cpp
    void restorePlacement();
    void syncFlagActions();

    // Menu and toolbar commands (MainCommands.cpp, MainFiles.cpp).
    void fileOpen();
    void fileClose();
    void saveAs(int format);
    void exportPdf();
    void pageSetup();
    void print();
    void openFolder(const QString& folder);
    // MainFiles.cpp: File > Recent Files.
    // The list as the store has it now: another copy of the program may have
    // changed it since this one started.
    void loadRecentFiles();
    void openRecent(const QString& path);
    void rememberFile(const QString& path);
    void forgetFile(const QString& path);
    void clearRecentFiles();
    void toggleFlag(QAction* action);
    void toggleViewFlag(QAction* action);
    // View > Four-index hexagonal notation, saved at once.
    void toggleFourIndex(bool on);
    void toggleBackgroundImage(bool on);
    void showOptions();
    void chooseScanner();
    void reorientate();
    void showPeriodicTable();
    void printWulffNet();
    void editSamples();
    void closeAll();
    void tile(Qt::Orientation orientation);
    void arrangeIcons();
    void helpContents();
    void startSibling();
    void donate();
    void about();
    void quickOrientation(int index);
    // A document is needed for View and Tools: one is created when none is open.
    frmDocument* ensureDocument();
    // Runs a command; a failure inside it is shown, the program goes on.
    void guarded(const std::function<void()>& command);
    QMdiSubWindow* subWindowOf(const frmDocument* document) const;

    QMdiArea* mdi_ = nullptr;
    std::vector<QPointer<frmDocument>> documents_;  // slot 0 unused
    int counter_ = 0;
    std::array<QLabel*, 3> panels_{};
    std::array<QLabel*, 8> orientationLabels_{};
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* samplesMenu_ = nullptr;
    QMenu* saveMenu_ = nullptr;
    QMenu* saveAsMenu_ = nullptr;
    QMenu* popup_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QList<QAction*> recentActions_;
    RecentFiles recent_;
    QToolBar* toolBar_ = nullptr;
    QToolBar* orientationBar_ = nullptr;
    QAction* newAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* pdfAction_ = nullptr;
    // File > Print and the toolbar's Print: one command on the shared printer.
    QAction* printAction_ = nullptr;
    // Edit > Undo and Redo act on the orientation history of the active document.
    QUndoGroup* undoGroup_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* toolbarVisible_ = nullptr;
    QAction* statusBarVisible_ = nullptr;
    QAction* backgroundImage_ = nullptr;
    QAction* zerothLayer_ = nullptr;
    QAction* fourIndex_ = nullptr;
    QAction* wulffMonitor_ = nullptr;
    QAction* structureMonitor_ = nullptr;
    QAction* clipFilmRegion_ = nullptr;
    QAction* blackBackground_ = nullptr;
    QAction* hklLabels_ = nullptr;
    QAction* spotColour_ = nullptr;
    QAction* filmOutline_ = nullptr;
    QAction* polarNet_ = nullptr;
    QList<QAction*> windowListActions_;
    QList<QAction*> documentActions_;  // enabled only while a document exists
    QPointer<frmOptions> options_;
    std::unique_ptr<QPrinter> printer_;
    bool closing_ = false;
};

}  // namespace lumora::app
