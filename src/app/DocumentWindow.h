#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/Guarded.h"
#include "app/InputColumn.h"
#include "app/PatternView.h"
#include "engine/Indexing.h"
#include "engine/LaueEngine.h"
#include "engine/PeakSearch.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabBar;
class QTableView;
class QUndoStack;

namespace lumora::app {

class HklTableModel;
class OrientationPanel;
class PhotoPanel;

// One pattern document: the engine of one crystal, coordinating the input
// column on the left, the pictures, the reflection list and the photo page
// in a tab strip on the right. It tells the main window what changed only by
// its signals; the main window reaches it only through the public operations.
class frmDocument : public QWidget {
    Q_OBJECT

public:
    // Views of the tab strip.
    enum View { Simulation = 1, Structure = 2, Tiled = 3, HklList = 4, Photo = 5 };

    explicit frmDocument(int index, QWidget* parent = nullptr);
    ~frmDocument() override;

    const clLAUE& engine() const { return *m_laue; }
    render::PatternRenderer& renderer() { return patternView_->renderer(); }
    render::RenderOptions renderOptions() const { return patternView_->renderOptions(); }
    // The photo on the photo page: whether it is shown, and its file.
    bool photoShown() const { return patternView_->photoShown(); }
    const QString& photoFile() const { return photoFile_; }
    // The photo's values at the file's depth, for spot search (empty without a photo).
    const engine::GreyFrame& photoFrame() const { return frame_; }
    int documentIndex() const { return index_; }
    int currentView() const { return view_; }
    QString title() const { return inputs_->title(); }
    bool hasReflections() const { return m_laue->n_hkl > 0; }
    // The direction along the beam, as the status bar shows it.
    QString orientationText() const { return QString::fromStdString(m_laue->m_auvw); }
    // The orientation changes of this document, for Edit > Undo and Redo.
    QUndoStack* undoStack() const { return undo_; }

    // ---- operations the main window calls ------------------------------------
    void readCEL(const QString& path);
    void readCSF(const QString& path);
    void readCIF(const QString& path);
    void readRSV(const QString& path);
    void loadPhoto(const QString& path);
    void togglePhoto(bool on);
    // Export and printing; each reports a failure with a message and returns false.
    bool saveAsBMP(const QString& path);
    bool saveAsJPG(const QString& path);
    bool saveAsPNG(const QString& path);
    bool saveAsSVG(const QString& path);
    bool saveHKL(const QString& path);
    bool EXPORT_PDF(const QString& path);
    void doCopy();
    bool PrintImage(QPrinter& printer);
    void showAngleCalculator();
    void resetZoom();
    // Applies the orientation vector of the input column again.
    void reorient();
    // Turns the direction [u v w] (or the normal of the plane (u v w)) onto the beam.
    void orientTo(float u, float v, float w, bool isDirection);
    void setMODE(int mode);
    // Four-index notation for hexagonal cells in the reflection list and the input column.
    void setFourIndex(bool on);
    // A cell of the sample list or the command line: name, number, (symbol),
    // a, b, c, alpha, beta, gamma. The window is named after it.
    void setCell(const QStringList& cell);
    // Element 0 the status text, element 1 the mode name.
    std::array<QString, 2> getStatus() const;
    void Redraw();
    // Repaints the pattern (or the photo page) now, or at the end of the current batch.
    void redrawPattern();
    QString getWulffParameters() const { return inputs_->wulffParameters(); }
    // The picture the document shows now: the pattern for the simulation
    // view, the structure, both side by side when tiled, the photo page.
    QImage currentPicture();
    // Selects a tab (views 1..5) as a click on it does.
    void selectView(int view);
    // Mouse-wheel zoom: 20 percent per step, downwards for positive steps, 10..500.
    void HookAction(int step);
    // Generates the reflections of the current inputs ("Apply").
    void apply();
    void setHINT(const std::string& text);
    void setHINT(const QString& text);

signals:
    // The status texts (getStatus) or the plot type changed.
    void statusChanged();
    // The crystal was turned or drawn again; the text is orientationText().
    void orientationChanged(const QString& beamDirection);
    void popupRequested(const QPoint& globalPosition);
    // A photo was loaded, or shown or hidden.
    void photoChanged();
    // The window is closing (it is deleted later).
    void closing(int index);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class OrientationCommand;

    // Redraws asked for inside one user action are drawn once, at its end.
    class RedrawBatch {
    public:
        explicit RedrawBatch(frmDocument& document);
        ~RedrawBatch();
        RedrawBatch(const RedrawBatch&) = delete;
        RedrawBatch& operator=(const RedrawBatch&) = delete;

    private:
        frmDocument& document_;
    };

    // The busy pointer for the life of a long operation.
    class BusyCursor {
    public:
        BusyCursor();
        ~BusyCursor();
        BusyCursor(const BusyCursor&) = delete;
        BusyCursor& operator=(const BusyCursor&) = delete;
    };

    template <class F>
    void guarded(F&& handler) noexcept {
        guardedCall(this, std::forward<F>(handler));
    }

    // construction and views (DocumentWindow.cpp)
    void buildControls();
    void buildViews();
    void connectParts();
    void selectTab(int view);
    void drawNow();

    // inputs (DocumentInputs.cpp)
    void installSpaceGroup(const QString& item);
    void changeHall(int index);
    void fillLaueInputData2GUI();
    void modeChanged(int mode);
    // A plot type chosen by the user, by button or in the detector list.
    void choosePlotType(int mode);
    void cameraEdited();
    void confirmOrientation();
    void applyTurn(const Turn& turn);
    void rotate(int axis, float degrees);
    void createKeys();
    bool focusTakesKeys() const;
    void setHKLtable();
    // 0 generated from the inputs, 1 reflection file loaded, 2 structure loaded
    // (the label and which inputs are enabled).
    void setRSVGUI(int mode);

    // undo (DocumentUndo.cpp)
    // Makes a change of orientation and keeps it as one step named `name`;
    // during a drag the drag's step takes it in.
    void recordTurn(const QString& name, const std::function<void()>& change);
    // Keeps the turn from `before` to the present orientation as one step,
    // unless the crystal did not turn.
    void pushTurn(const QString& name, const Mat3f& before);
    void restoreOrientation(const Mat3f& matrix);
    void beginDrag();
    void endDrag();
    void applyAngleCalculator(Mat3f& before);
    // A new list is oriented by the orientation vector; the steps kept so far
    // turned the crystal of the old list.
    void orientNewList();

    // generation (DocumentGeneration.cpp)
    // True when the experiment gave a new list (not cancelled).
    bool applyExperiment(const Experiment& experiment);
    void takeExperiment(const Experiment& experiment);
    void regenerate();
    void showGenerated();
    // What the hint adds when the band or the structure makes the list
    // other than the user asked for (empty when it is as asked).
    QString generationNote(bool intensitiesAsked) const;
    // Runs long engine work, phase after phase, under one progress dialog.
    // When the user cancels (or the work fails), the engine goes back to what
    // it was before and the hint says `cancelled`; false then (a failure is
    // thrown on).
    bool runLong(const QString& label, const QString& cancelled,
                 const std::vector<std::function<void()>>& phases);

    // files (DocumentFiles.cpp)
    void finishStructureLoad(const QString& path);
    void loadStructureFile(const QString& path, void (clLAUE::*reader)(const std::string&));
    void editStructure();
    void openPhoto();
    void copyImageButton();

    // orientation from the photo (DocumentOrientation.cpp)
    void connectOrientation();
    // The photo as the display levels show it.
    QImage photoPicture() const;
    void takeFrame(engine::GreyFrame frame, int depth, QImage colour);
    void levelsEdited();
    void findSpots();
    void spotsChanged();
    void photoClicked(double x, double y, bool remove);
    void showSpotMenu(const QPoint& globalPosition, double x, double y);
    void saveSpots();
    void loadSpots();
    // The spots as rays through the plot's detector, as the photo page places them.
    std::vector<engine::IndexSpot> spotRays() const;
    engine::IndexCrystal indexCrystal() const;
    engine::IndexOptions indexOptions(double tolerance) const;
    void indexPhoto();
    void applySolution(int row);
    void refineOrientation();
    // Runs a search with the progress dialog; false when the user cancelled.
    bool runSearch(const QString& label, const std::function<void(const ProgressCallback&)>& work);
    bool saveImageAs(const QString& path, const char* format);

    int index_;
    QString photoFile_;
    engine::GreyFrame frame_;
    int frameDepth_ = 0;
    // An 8-bit photo's own picture, shown in its colours while the levels are 0..255 linear.
    QImage photoColour_;
    bool searching_ = false;
    int view_ = Simulation;
    std::unique_ptr<clLAUE> m_laue;
    int batchDepth_ = 0;
    bool redrawPending_ = false;
    // The space-group item last installed, so that "Apply" keeps a chosen setting.
    QString spgTag_;
    QUndoStack* undo_ = nullptr;
    // The orientation when the mouse button went down, while it is held.
    std::optional<Mat3f> dragBefore_;

    InputColumn* inputs_ = nullptr;
    PatternView* patternView_ = nullptr;
    HklTableModel* hklModel_ = nullptr;
    QLabel* HINT = nullptr;
    QLabel* rsvLabel_ = nullptr;
    QTabBar* Tab1 = nullptr;
    PhotoPanel* photoPanel_ = nullptr;
    OrientationPanel* orientPanel_ = nullptr;
    QMenu* spotMenu_ = nullptr;
    QSplitter* listSplitter_ = nullptr;
    QTableView* lstHKL = nullptr;
    QPlainTextEdit* taCSF = nullptr;
    QPushButton* btATOMS = nullptr;
    QPushButton* btIMG = nullptr;
    QPushButton* btPHOTO = nullptr;
    QScrollArea* frLeft = nullptr;
    QWidget* viewArea_ = nullptr;
};

}  // namespace lumora::app
