// The main window's view, tools, samples, window and help commands, the
// quick-orientation labels, the pop-up menu and the command-line cell.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QUrl>
#include <filesystem>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/Folders.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/OptionsDialog.h"
#include "app/SettingsStore.h"
#include "app/Tools.h"
#include "engine/Palette.h"
#include "structure/Samples.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

const QString kProductPage = QStringLiteral("https://www.tessarin.example/lumora");
const QString kSiblingPage = QStringLiteral("https://www.tessarin.example/merido");
const QString kDonatePage = QStringLiteral("https://www.tessarin.example/donate");

struct QuickOrientation {
    float u, v, w;
    bool direction;
};
constexpr QuickOrientation kQuick[] = {
    {1, 0, 0, true},  {0, 1, 0, true},  {0, 0, 1, true},  {1, 1, 1, true},
    {1, 0, 0, false}, {0, 1, 0, false}, {0, 0, 1, false}, {1, 1, 1, false},
};

QString onOff(bool on) { return on ? QStringLiteral("On") : QStringLiteral("Off"); }

}  // namespace

frmDocument* frmMain::ensureDocument() {
    frmDocument* document = activeDocument();
    return document ? document : newDocument();
}

// ---- display flags ------------------------------------------------------------------

void frmMain::toggleFlag(QAction* action) {
    DisplayFlags& f = appState().flags;
    const bool on = action->isChecked();
    QString name;
    if (action == blackBackground_) {
        f.blackBackground = on;
        name = QStringLiteral("Black Background ");
    } else if (action == hklLabels_) {
        f.hklIndices = on;
        name = QStringLiteral("HKL-Indices ");
    } else if (action == spotColour_) {
        f.spotColouring = on;
        engine::buildSpotPalette(on, appState().palette);
        name = QStringLiteral("Spot Coloring ");
    } else if (action == filmOutline_) {
        f.filmOutline = on;
        name = QStringLiteral("Film-Outline ");
    } else if (action == polarNet_) {
        f.polarNet = on;
        name = QStringLiteral("Polar-Net ");
    } else {
        return;
    }
    if (frmDocument* document = activeDocument()) document->setHINT(name + onOff(on));
    redrawAll();
    updateStatus();
}

void frmMain::toggleViewFlag(QAction* action) {
    frmDocument* document = ensureDocument();
    DisplayFlags& f = appState().flags;
    const bool on = action->isChecked();
    if (action == wulffMonitor_)
        f.wulffMonitor = on;
    else if (action == structureMonitor_)
        f.structureMonitor = on;
    else if (action == clipFilmRegion_)
        f.clipFilmRegion = on;
    else if (action == zerothLayer_) {
        f.zerothLayer = on;
        document->setMODE(0);
    }
    redrawAll();
    updateStatus();
}

void frmMain::toggleFourIndex(bool on) {
    appState().flags.fourIndex = on;
    saveFourIndexNotation(on);
    for (const auto& d : documents_)
        if (d) d->setFourIndex(on);
    redrawAll();
    updateStatus();
}

void frmMain::toggleBackgroundImage(bool on) {
    frmDocument* document = ensureDocument();
    document->togglePhoto(on);
    redrawAll();
    updateStatus();
}

// ---- tools ----------------------------------------------------------------------------

void frmMain::showOptions() {
    ensureDocument();
    if (!options_) {
        options_ = new frmOptions(this);
        connect(options_, &frmOptions::applied, this, [this] {
            guarded([this] {
                redrawAll();
                updateStatus();
            });
        });
    }
    options_->load();
    options_->show();
    options_->raise();
    options_->activateWindow();
}

void frmMain::chooseScanner() {
    ensureDocument();
    chooseScannerSource(this);
}

void frmMain::reorientate() { ensureDocument()->showAngleCalculator(); }

void frmMain::showPeriodicTable() {
    ensureDocument();
    app::showPeriodicTable(this);
}

// ---- samples ----------------------------------------------------------------------------

void frmMain::loadSample(int entry) {
    const structure::SampleList& samples = appState().samples;
    if (entry < 0 || entry >= static_cast<int>(samples.size())) return;
    const structure::SampleCell cell = samples.getSample(static_cast<std::size_t>(entry));
    frmDocument* document = activeDocument();
    if (!document || document->hasReflections()) document = newDocument();
    QStringList list;
    for (const std::string& word : cell) list << QString::fromStdString(word);
    document->setCell(list);
    updateStatus();
}

void frmMain::editSamples() {
    const std::filesystem::path path =
        structure::sampleFilePath(std::filesystem::path(userFolder().toStdString()));
    structure::ensureShortSampleFile(path);
    const QString file = QString::fromStdString(path.string());
    if (!openExternal(QUrl::fromLocalFile(file)))
        tell(this, QStringLiteral("Samples"),
             QStringLiteral(
                 "No text editor could be started for %1.\nEdit the file with an editor of your choice; "
                 "the Samples menu shows the changes at the next start.")
                 .arg(QDir::toNativeSeparators(file)),
             QMessageBox::Warning);
}

// ---- windows -------------------------------------------------------------------------------

void frmMain::closeAll() {
    mdi_->closeAllSubWindows();
    updateStatus();
}

void frmMain::tile(Qt::Orientation orientation) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (!sub->isMinimized()) windows << sub;
    if (windows.isEmpty()) return;
    const QRect area = mdi_->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        if (sub->isMaximized()) sub->showNormal();
        // Horizontal tiles lie one above the other, vertical ones side by side.
        const QRect r = orientation == Qt::Horizontal
                            ? QRect(0, area.height() * i / n, area.width(),
                                    area.height() * (i + 1) / n - area.height() * i / n)
                            : QRect(area.width() * i / n, 0,
                                    area.width() * (i + 1) / n - area.width() * i / n, area.height());
        sub->setGeometry(r);
    }
}

void frmMain::arrangeIcons() {
    const QRect area = mdi_->viewport()->rect();
    int x = 0;
    int y = area.bottom();
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (!sub->isMinimized()) continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        sub->move(x, y - size.height() + 1);
        x += size.width();
    }
}

// ---- help -----------------------------------------------------------------------------------

void frmMain::helpContents() { showHelpContents(this); }

void frmMain::startSibling() {
    const QString program = readRegString(QStringLiteral("MERIDO"), QStringLiteral("PATH"));
    if (!program.isEmpty() && QFileInfo(program).isFile()) {
        const frmDocument* document = activeDocument();
        const QString parameters = document ? document->getWulffParameters() : QString();
        if (startDetached(program, {parameters})) return;
        tell(this, QStringLiteral("Merido"),
             QStringLiteral("Merido could not be started (%1).").arg(QDir::toNativeSeparators(program)),
             QMessageBox::Warning);
        return;
    }
    if (!openExternal(QUrl(kSiblingPage)))
        tell(this, QStringLiteral("Merido"),
             QStringLiteral("Merido is not installed. Its page is %1").arg(kSiblingPage));
}

void frmMain::donate() {
    const QString text = QStringLiteral(
        "Lumora is free to use. If it helps you at the Laue camera, a small donation keeps it maintained "
        "and growing.\n\nWould you like to open the donation page in your web browser?");
    if (!ask(this, QStringLiteral(" Make a Donation"), text)) return;
    if (!openExternal(QUrl(kDonatePage)))
        tell(this, QStringLiteral(" Make a Donation"),
             QStringLiteral("No web browser could be started. The donation page is %1").arg(kDonatePage));
}

void frmMain::about() {
    tell(this, QStringLiteral("About Lumora"),
         QStringLiteral(
             "Lumora 1.0\n\nSimulation of X-ray Laue patterns of single crystals: transmission and "
             "back-reflection patterns, stereograms and the reciprocal lattice, for orienting crystals "
             "at the Laue camera.\n\nTessarin\n%1")
             .arg(kProductPage));
}

// ---- orientation labels, pop-up menu --------------------------------------------------------

void frmMain::quickOrientation(int index) {
    if (index < 0 || index >= 8) return;
    frmDocument* document = activeDocument();
    if (!document) return;
    const QuickOrientation& q = kQuick[index];
    document->orientTo(q.u, q.v, q.w, q.direction);
    updateStatus();
}

void frmMain::showPopupMenu(const QPoint& globalPosition) { popup_->exec(globalPosition); }

// ---- the command line ------------------------------------------------------------------------

bool frmMain::applyCommandLine(const QString& text) {
    // A file named on the command line (a structure, a reflection file or a
    // photograph) opens as through File > Open.
    if (!text.contains(QLatin1Char('|')) && QFileInfo(text).isFile()) {
        openFile(QFileInfo(text).absoluteFilePath());
        return true;
    }
    if (text.size() <= 7 || !text.contains(QLatin1Char('|'))) return false;
    const QStringList fields = text.split(QLatin1Char('|'));
    if (fields.size() < 8) return false;

    // The cell comes from outside: only a space-group number 1..230 and six
    // numbers are handed on.
    double number = 0;
    bool valid = util::parseStrictNumber(fields[0].trimmed().toStdString(), number) && number >= 1 &&
                 number <= 230 && number == static_cast<int>(number);
    for (int i = 1; i <= 6 && valid; ++i) {
        double v = 0;
        valid = util::parseStrictNumber(fields[i].trimmed().toStdString(), v) && v > 0;
    }
    if (!valid) {
        tell(this, QStringLiteral("Lumora"),
             QStringLiteral("The cell on the command line cannot be used:\n%1\n\nIt reads "
                            "number|a|b|c|alpha|beta|gamma|name, with a space-group number from 1 to 230 "
                            "and six positive numbers.")
                 .arg(text),
             QMessageBox::Warning);
        return false;
    }

    frmDocument* document = ensureDocument();
    // name, number, (no symbol), a, b, c, alpha, beta, gamma
    QStringList cell{fields[7].trimmed(), fields[0].trimmed(), QString()};
    for (int i = 1; i <= 6; ++i) cell << fields[i].trimmed();
    document->setCell(cell);
    updateStatus();
    return true;
}

}  // namespace lumora::app
