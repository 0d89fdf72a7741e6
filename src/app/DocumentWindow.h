#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "app/DragController.h"
#include "engine/LaueEngine.h"
#include "render/PatternRenderer.h"
#include "render/Surface.h"

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QTabBar;
class QTreeWidget;

namespace lumora::app {

class frmMain;
class PictureBox;
class SliderPanel;
class PhotoPanel;

// One pattern document: the engine of one crystal, the column of input fields
// on the left, the drawing surfaces and lists in a tab strip on the right and
// the slider panel. The main window reaches a document only through the public
// operations below.
class frmDocument : public QWidget {
    Q_OBJECT

public:
    // Views of the tab strip.
    enum View { Simulation = 1, Structure = 2, Tiled = 3, HklList = 4, Photo = 5 };

    frmDocument(frmMain* main, int index);
    ~frmDocument() override;

    clLAUE& engine() { return *m_laue; }
    const clLAUE& engine() const { return *m_laue; }
    render::PatternRenderer& renderer() { return *renderer_; }
    // How the document's pictures are drawn now: the application's display
    // flags, palette and label colour with the document's own view.
    render::RenderOptions renderOptions() const;
    // The photo on the photo page: whether it is shown, and its file.
    bool photoShown() const { return display_.showPhoto; }
    const QString& photoFile() const { return photoFile_; }
    int documentIndex() const { return index_; }
    int currentView() const { return view_; }
    QString title() const;

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
    void reorient();
    void setMODE(int mode);
    void setCell(const QStringList& cell);  // name, number, (symbol), a, b, c, alpha, beta, gamma
    // Element 0 the status text, element 1 the mode name.
    std::array<QString, 2> getStatus() const;
    void Redraw();
    QString getWulffParameters() const;
    // The picture the document shows now: the pattern for the simulation
    // view, the structure, both side by side when tiled, the photo page.
    QImage currentPicture();
    // Selects a tab (views 1..5) as a click on it does.
    void selectView(int view);

    // ---- inputs and lists -----------------------------------------------------------
    void setSPG(int number);
    void changeHall(int index);
    void fillLaueInputData2GUI();
    void fillGUI2LaueInputData();
    void setHKLtable();
    // 0 generated from the inputs, 1 reflection file loaded, 2 structure loaded
    // (the label and which inputs are enabled).
    void setRSVGUI(int mode);
    // Mouse-wheel zoom: 20 percent per step, downwards for positive steps, 10..500.
    void HookAction(int step);
    // Generates the reflections of the current inputs ("Apply").
    void apply();

    // ---- hints and the picture -----------------------------------------------------------
    void setHINT(const std::string& text);
    void setHINT(const QString& text);
    // Repaints the pattern (or the photo page) now, or at the end of the current batch.
    void redrawPattern();
    // Shows the orientation of the crystal in the status bar, after every turn.
    void showOrientation();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
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

    // Runs an event handler; whatever it throws is shown to the user and the
    // document keeps running.
    template <class F>
    void guarded(F&& handler) noexcept {
        try {
            handler();
        } catch (const std::exception& error) {
            showError(error);
        } catch (...) {
            showUnknownError();
        }
    }

    // construction and views (DocumentWindow.cpp)
    void buildControls();
    QWidget* buildLeftColumn();
    void buildTabs();
    void connectControls();
    void layoutViews();
    void selectTab(int tab);
    void drawNow();
    void pictureResized();
    void showError(const std::exception& error) noexcept;
    void showUnknownError() noexcept;

    // inputs (DocumentInputs.cpp)
    void modeChanged(int mode);
    void confirmOrientation();
    void rotateButton(int axis, int sign);
    bool handleKey(QKeyEvent* event);
    bool keyPreviewOff() const;
    void spaceGroupChosen(int index);
    void settingChosen(int index);
    void fillSettingList();
    void titleEdited();
    void distanceEdited();
    float fieldDistance() const;
    void syncSlidersFromEngine();
    void applyInputs();
    void checkInputs() const;
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
    bool saveImageAs(const QString& path, const char* format);

    // mouse (DocumentMouse.cpp)
    void connectMouse();
    void patternPressed(PictureBox* box, double x, double y, Qt::MouseButton button);
    void patternMoved(PictureBox* box, double x, double y, Qt::MouseButtons buttons);
    void patternReleased(PictureBox* box, double x, double y, Qt::MouseButton button);
    void structurePressed(double x, double y, Qt::MouseButton button);
    void structureMoved(double x, double y, Qt::MouseButtons buttons);
    void structureReleased();
    void applyDragAction(const DragController::Action& action, PictureBox* box, double x, double y);
    void sliderChanged(int slider, int value);
    void sliderDragStarted();
    void sliderDragFinished();

    // What the document's pictures show besides the application's flags.
    struct Display {
        float zoom = 1;
        float spacingThreshold = 0;
        float labelThreshold = 0.5f;
        float spotSize = 5;
        bool antialias = false;  // off while the mouse drags, on afterwards
        float scale3D = 1, filmScale = 1;
        bool showPhoto = false;
    };
    // A new list: the picture fits it again at zoom 1 and the spots have their first size.
    void fitNewList();

    frmMain* main_;
    int index_;
    Display display_;
    QString photoFile_;
    QSize fittedTo_;
    int view_ = Simulation;
    std::unique_ptr<clLAUE> m_laue;
    std::unique_ptr<render::PatternRenderer> renderer_;
    render::Surface mem_;
    QImage photo_;
    int batchDepth_ = 0;
    bool redrawPending_ = false;
    // The space-group item last applied, so that "Apply" keeps a chosen setting.
    QString spgTag_;
    int rsvMode_ = 0;

    // Controls, named as the user guide names them.
    QLineEdit* tfTIT = nullptr;
    QComboBox* cmbSPG = nullptr;
    QComboBox* cmbHALL = nullptr;
    std::array<QLineEdit*, 6> tfCell{};
    QLineEdit* tfKV = nullptr;
    QLineEdit* tfWL1 = nullptr;
    QLineEdit* tfWL2 = nullptr;
    QLineEdit* tfFSD = nullptr;
    std::array<QRadioButton*, 2> rbIntensity{};
    std::array<QRadioButton*, 4> rbmode{};
    QButtonGroup* modeGroup_ = nullptr;
    QComboBox* cmbUVW = nullptr;
    QComboBox* cmbORIENT = nullptr;
    QLineEdit* tfANG = nullptr;
    std::array<QPushButton*, 3> btANG{};
    QPushButton* btAPPLY = nullptr;
    QLabel* orientationCaption_ = nullptr;
    QLabel* HINT = nullptr;
    QLabel* rsvLabel_ = nullptr;
    SliderPanel* pbSL = nullptr;
    QTabBar* Tab1 = nullptr;
    PictureBox* pb1 = nullptr;
    PictureBox* pb3 = nullptr;
    PhotoPanel* photoPanel_ = nullptr;
    QSplitter* listSplitter_ = nullptr;
    QTreeWidget* lstHKL = nullptr;
    QPlainTextEdit* taCSF = nullptr;
    QPushButton* btATOMS = nullptr;
    QPushButton* btIMG = nullptr;
    QPushButton* btPHOTO = nullptr;
    QScrollArea* frLeft = nullptr;
    QWidget* viewArea_ = nullptr;
    std::unique_ptr<DragController> drag_;        // pb1 and pb2: 5 pixels per degree
    std::unique_ptr<DragController> dragStruct_;  // pb3: 2 pixels per degree
};

}  // namespace lumora::app
