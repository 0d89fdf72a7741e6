// The main window's file commands: open, recent files, save as, PDF,
// printing, folders.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QUrl>

#include "app/DocumentWindow.h"
#include "app/FileTypes.h"
#include "app/Folders.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "render/PatternRenderer.h"

namespace lumora::app {

namespace {

// The busy pointer for as long as a load runs.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

struct SaveType {
    int format;
    const char* filter;
    const char* suffix;
};
// By the index of the save-as item.
constexpr SaveType kSaveTypes[] = {
    {0, "Bitmap Image (*.bmp)", "bmp"},  {1, "JPEG Image (*.jpg)", "jpg"},
    {4, "HKL Text File (*.txt)", "txt"}, {5, "PNG Image (*.png)", "png"},
    {6, "SVG Drawing (*.svg)", "svg"},
};

// The name as chosen, with the type's extension when it has none.
QString withSuffix(const QString& path, const char* suffix) {
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1Char('.') + QLatin1String(suffix) : path;
}

bool mayWrite(QWidget* parent, const QString& path) {
    return !QFileInfo::exists(path) || ask(parent, QStringLiteral("File already exists"),
                                           QStringLiteral("Do you want to overwrite existing file?"));
}

}  // namespace

void frmMain::fileOpen() {
    const QString path = askOpenFileName(this, QStringLiteral("Open"), dialogFolder(), openFilters());
    if (path.isEmpty()) return;
    rememberDialogFolder(path);
    openFile(path);
}

void frmMain::openFile(const QString& path) {
    BusyCursor busy;
    const FileType type = fileTypeOf(path);
    if (type == FileType::Unknown) return;
    const bool structure = type != FileType::Photo;
    bool opened = false;

    frmDocument* document = activeDocument();
    if (!document) document = newDocument();
    if (structure) {
        // A document that shows reflections keeps them: the file opens in a new one.
        const bool fresh = document->hasReflections();
        if (fresh) document = newDocument();
        if (type == FileType::Cel)
            document->readCEL(path);
        else if (type == FileType::Rsv)
            document->readRSV(path);
        else if (type == FileType::Cif)
            document->readCIF(path);
        else
            document->readCSF(path);
        opened = document->hasReflections();
        // The document has said why the file could not be loaded; a window
        // opened only for it goes again.
        if (!opened && fresh)
            if (QMdiSubWindow* sub = subWindowOf(document)) sub->close();
    } else {
        // A photo that cannot be read leaves the one shown before: a new name
        // on the photo page means the load worked, the same name again is
        // judged by the file's header.
        const QString wanted = QFileInfo(path).absoluteFilePath();
        const QString before = document->photoFile();
        document->loadPhoto(path);
        opened = document->photoFile() == wanted && (before != wanted || QImageReader(path).canRead());
    }
    if (opened) rememberFile(path);
    updateStatus();
}

void frmMain::loadRecentFiles() {
    RecentFiles stored(readRecentFiles());
    const bool changed = stored.paths() != recent_.paths();
    recent_ = std::move(stored);
    if (changed || recentActions_.isEmpty()) buildRecentMenu();
}

void frmMain::openRecent(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        forgetFile(path);
        tell(this, QStringLiteral("Lumora"),
             QStringLiteral("The file %1 cannot be found.\n\nIt has been removed from the recent files.")
                 .arg(QDir::toNativeSeparators(path)),
             QMessageBox::Warning);
        return;
    }
    openFile(path);
}

void frmMain::rememberFile(const QString& path) {
    loadRecentFiles();
    recent_.add(path);
    saveRecentFiles(recent_.paths());
    buildRecentMenu();
}

void frmMain::forgetFile(const QString& path) {
    loadRecentFiles();
    if (!recent_.remove(path)) return;
    saveRecentFiles(recent_.paths());
    buildRecentMenu();
}

void frmMain::clearRecentFiles() {
    recent_.clear();
    saveRecentFiles(recent_.paths());
    buildRecentMenu();
}

void frmMain::fileClose() {
    if (QMdiSubWindow* sub = mdi_->currentSubWindow()) sub->close();
    updateStatus();
}

void frmMain::saveAs(int format) {
    if (format == 2) {
        exportPdf();
        return;
    }
    frmDocument* document = activeDocument();
    if (!document) return;
    const SaveType* type = nullptr;
    for (const SaveType& t : kSaveTypes)
        if (t.format == format) type = &t;
    if (!type) return;

    const QString start = QDir(dialogFolder()).filePath(QStringLiteral("Lumora"));
    QString path = askSaveFileName(this, QStringLiteral("Save As"), start, QString::fromLatin1(type->filter));
    if (path.isEmpty()) return;
    rememberDialogFolder(path);
    path = withSuffix(path, type->suffix);
    if (!mayWrite(this, path)) return;

    bool written = false;
    {
        BusyCursor busy;
        switch (format) {
            case 0:
                written = document->saveAsBMP(path);
                break;
            case 1:
                written = document->saveAsJPG(path);
                break;
            case 4:
                written = document->saveHKL(path);
                break;
            case 5:
                written = document->saveAsPNG(path);
                break;
            case 6:
                written = document->saveAsSVG(path);
                break;
            default:
                break;
        }
    }
    // The document has reported a failure itself; only a file written is confirmed.
    if (written) QApplication::beep();
    updateStatus();
}

void frmMain::exportPdf() {
    frmDocument* document = activeDocument();
    if (!document) return;
    QString path = askSaveFileName(this, QStringLiteral("Save As"),
                                   QDir(dialogFolder()).filePath(QStringLiteral("Lumora.pdf")),
                                   QStringLiteral("Adobe PDF File (*.pdf)"));
    if (path.isEmpty()) return;
    rememberDialogFolder(path);
    path = withSuffix(path, "pdf");
    if (!mayWrite(this, path)) return;
    document->EXPORT_PDF(path);
    updateStatus();
}

void frmMain::pageSetup() { askPageSetup(this, QStringLiteral("Page Setup"), printer()); }

void frmMain::print() {
    frmDocument* document = activeDocument();
    if (!document) return;
    if (!askPrinter(this, QStringLiteral("Print"), printer())) return;
    document->PrintImage(printer());
}

void frmMain::printWulffNet() {
    if (!askPrinter(this, QStringLiteral("Print"), printer())) return;
    BusyCursor busy;
    render::printWulffNet(printer());
}

void frmMain::openFolder(const QString& which) {
    const QString folder = which == QLatin1String("data") ? dataFolder() : userFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || !openExternal(QUrl::fromLocalFile(folder)))
        tell(this, QStringLiteral("Lumora"),
             QStringLiteral("The folder %1 cannot be shown.").arg(QDir::toNativeSeparators(folder)),
             QMessageBox::Warning);
}

}  // namespace lumora::app
