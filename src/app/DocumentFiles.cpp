// What the document reads and writes: structure and reflection files, the
// HKL listing, pictures, PDF, the clipboard and the printer; the photograph;
// the angle calculator and the structure editor.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QUrl>
#include <filesystem>
#include <utility>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/FileTypes.h"
#include "app/Folders.h"
#include "app/Messages.h"
#include "app/PhotoFile.h"
#include "app/PhotoPanel.h"
#include "app/Tools.h"
#include "output/Export.h"
#include "structure/HklListing.h"
#include "tools/AngleCalculator.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

std::array<QString, 6> cellTexts(const clLAUE& laue) {
    std::array<QString, 6> texts;
    for (int i = 0; i < 6; ++i)
        texts[static_cast<std::size_t>(i)] =
            QString::fromStdString(util::singleText(laue.getCellConstant(i)));
    return texts;
}

}  // namespace

// ---- structures ---------------------------------------------------------------------------

void frmDocument::readCEL(const QString& path) { loadStructureFile(path, &clLAUE::readCEL); }
void frmDocument::readCSF(const QString& path) { loadStructureFile(path, &clLAUE::readCSF); }
void frmDocument::readCIF(const QString& path) { loadStructureFile(path, &clLAUE::readCIF); }

void frmDocument::loadStructureFile(const QString& path, void (clLAUE::*reader)(const std::string&)) {
    guarded([&] {
        {
            const BusyCursor busy;
            // The engine takes the file over only when all of it could be read,
            // and goes back to the crystal it had when the load is cancelled.
            if (!runLong(QStringLiteral("Loading %1 ...").arg(QFileInfo(path).fileName()),
                         QStringLiteral("Loading cancelled: the previous crystal stays"),
                         {[&] { ((*m_laue).*reader)(localPath(path)); }, [&] { m_laue->GenerateHKL(); }}))
                return;
        }
        finishStructureLoad(path);
    });
}

void frmDocument::finishStructureLoad(const QString& path) {
    const BusyCursor busy;
    RedrawBatch batch(*this);
    const clLAUE& laue = *m_laue;
    taCSF->setPlainText(QString::fromStdString(laue.structureText()));
    taCSF->setVisible(view_ == HklList && !laue.structureText().empty());
    inputs_->setCellTexts(cellTexts(laue));
    // The file's own setting is installed already: the list only follows it.
    inputs_->selectSpaceGroup(laue.m_spg);
    spgTag_ = inputs_->spaceGroupItem();
    setRSVGUI(2);
    inputs_->showSettings(laue);
    if (!path.isEmpty()) setWindowTitle(QFileInfo(path).fileName());
    inputs_->setTitle(QString::fromStdString(laue.m_tit));
    showGenerated();
    // A file whose space-group name and operations disagree says which it followed.
    if (!laue.symmetryNote().empty()) setHINT(QString::fromStdString(laue.symmetryNote()));
    // What the load left out is said where the count of reflections would be.
    QStringList notes;
    for (const std::string& note : laue.structureNotes()) notes << QString::fromStdString(note);
    if (!notes.isEmpty()) setHINT(notes.join(QStringLiteral("; ")));
}

void frmDocument::editStructure() {
    // The editor starts from what the window shows, so that a title or cell
    // the user leaves alone comes back as it was.
    const DocumentFields shown = inputs_->fields();
    structure::StructureFile edited;
    if (!app::editStructure(this, *m_laue, edited, &shown)) return;
    {
        const BusyCursor busy;
        if (!runLong(QStringLiteral("Generating reflections ..."),
                     QStringLiteral("Cancelled: the previous crystal stays"),
                     {[&] { m_laue->loadStructure(edited); }, [&] { m_laue->GenerateHKL(); }}))
            return;
    }
    finishStructureLoad(QString());
}

// ---- reflection files and the listing --------------------------------------------------------

void frmDocument::readRSV(const QString& path) {
    guarded([&] {
        const BusyCursor busy;
        RedrawBatch batch(*this);
        m_laue->readRSV(localPath(path));
        patternView_->fitNewList();
        // The file brings its own reflections: atoms of an earlier structure do not belong to them.
        m_laue->resetStructure();
        taCSF->clear();
        taCSF->hide();
        std::array<QString, 6> texts;
        const auto& words = m_laue->rsvCellTexts();
        for (std::size_t i = 0; i < 6; ++i) texts[i] = QString::fromStdString(words[i]);
        inputs_->setCellTexts(texts);
        setWindowTitle(QFileInfo(path).fileName());
        inputs_->setTitle(QString::fromStdString(m_laue->m_tit));
        inputs_->setIntensities(true);
        orientNewList();
        Redraw();
        setHINT(QStringLiteral("%1 reflections read from file").arg(m_laue->n_hkl));
        setHKLtable();
        setRSVGUI(1);
        emit statusChanged();
    });
}

bool frmDocument::saveHKL(const QString& path) {
    bool written = false;
    guarded([&] {
        const BusyCursor busy;
        m_laue->copyData(localPath(path));
        written = true;
    });
    return written;
}

void frmDocument::doCopy() {
    guarded([this] {
        QGuiApplication::clipboard()->clear();
        switch (view_) {
            case Simulation:
            case Structure:
            case Tiled:
                output::copyImage(currentPicture());
                tell(this, QStringLiteral("Lumora"), QStringLiteral("Image copied to clipboard"));
                break;
            case HklList: {
                const std::string text = m_laue->hklListing();
                // The scratch copy in the temporary folder, as the listing has always left one.
                const std::string& temporary = appState().folders.temporary;
                if (!temporary.empty()) {
                    try {
                        structure::writeHklListing(std::filesystem::path(temporary) / "tmp.txt", text);
                    } catch (const Error&) {
                        // The scratch copy is a convenience; the listing still goes to the clipboard.
                    }
                }
                output::copyText(QString::fromStdString(text));
            }
                tell(this, QStringLiteral("Lumora"), QStringLiteral("Data copied to clipboard"));
                break;
            default:
                break;
        }
    });
}

// The button says what it does: on the photo page it copies the photo page too.
void frmDocument::copyImageButton() {
    if (view_ != Photo) {
        doCopy();
        return;
    }
    QGuiApplication::clipboard()->clear();
    output::copyImage(currentPicture());
    tell(this, QStringLiteral("Lumora"), QStringLiteral("Image copied to clipboard"));
}

// ---- pictures, PDF, printer -----------------------------------------------------------------

bool frmDocument::saveImageAs(const QString& path, const char* format) {
    bool written = false;
    guarded([&] {
        const BusyCursor busy;
        output::saveImage(currentPicture(), path, QString::fromLatin1(format));
        written = true;
    });
    return written;
}

bool frmDocument::saveAsBMP(const QString& path) { return saveImageAs(path, "bmp"); }
bool frmDocument::saveAsJPG(const QString& path) { return saveImageAs(path, "jpg"); }
bool frmDocument::saveAsPNG(const QString& path) { return saveImageAs(path, "png"); }

bool frmDocument::saveAsSVG(const QString& path) {
    bool written = false;
    guarded([&] {
        const BusyCursor busy;
        patternView_->saveSvg(path);
        written = true;
    });
    return written;
}

bool frmDocument::EXPORT_PDF(const QString& path) {
    bool written = false;
    guarded([&] {
        if (title().compare(QStringLiteral("untitled"), Qt::CaseInsensitive) == 0) {
            QString answer;
            if (askText(this, QStringLiteral("Title"), QStringLiteral("Do you want to change the title?"),
                        answer) &&
                !answer.trimmed().isEmpty()) {
                inputs_->setTitle(answer.trimmed());
                emit statusChanged();
            }
        }
        {
            const BusyCursor busy;
            output::exportPdf(path, title(), currentPicture(), output::pdfOrientationLine(*m_laue));
        }
        written = true;
        if (ask(this, QStringLiteral("Lumora"), QStringLiteral("PDF generated, do you want view it ?")))
            openExternal(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    });
    return written;
}

bool frmDocument::PrintImage(QPrinter& printer) {
    bool printed = false;
    guarded([&] {
        const BusyCursor busy;
        printed = output::printImage(printer, currentPicture(), output::printHeaderLine(*m_laue));
        if (!printed)
            tell(this, QStringLiteral("Lumora"), QStringLiteral("The printer could not be started."),
                 QMessageBox::Critical);
    });
    return printed;
}

// ---- the photograph ----------------------------------------------------------------------------

void frmDocument::loadPhoto(const QString& path) {
    guarded([&] {
        FrameRead read;
        PhotoRead colour;
        {
            const BusyCursor busy;
            // The values at the file's depth for the spot search; a photograph's
            // own picture too, to show it in its colours.
            read = readFrame(path);
            if (read.error == 0 && read.depth <= 8) colour = readPhoto(path);
        }
        if (read.error != 0 || read.frame.values.empty()) {
            // The photo shown so far stays.
            tell(this, QStringLiteral("Lumora"),
                 QStringLiteral("Error %1: %2: %3")
                     .arg(read.error)
                     .arg(QFileInfo(path).fileName(), read.problem),
                 QMessageBox::Critical);
            return;
        }
        RedrawBatch batch(*this);
        takeFrame(std::move(read.frame), read.depth, std::move(colour.image));
        patternView_->setPhoto(photoPicture());
        photoFile_ = QFileInfo(path).absoluteFilePath();
        photoPanel_->setPhotoSize(patternView_->photo().size());
        Redraw();
        selectTab(Photo);
        emit photoChanged();
    });
}

void frmDocument::togglePhoto(bool on) {
    guarded([&] {
        if (photoFile_.isEmpty() || patternView_->photo().isNull()) {
            tell(this, QStringLiteral("Lumora"),
                 QStringLiteral("Active Document Has No Background Image Loaded!"));
            return;
        }
        patternView_->showPhoto(on);
        Redraw();
        emit photoChanged();
    });
}

void frmDocument::openPhoto() {
    const QString path =
        askOpenFileName(this, QStringLiteral("Load Laue Photo"), dialogFolder(), photoFilters());
    if (path.isEmpty()) return;
    rememberDialogFolder(path);
    loadPhoto(path);
}

// ---- angle calculator -----------------------------------------------------------------------------

void frmDocument::showAngleCalculator() {
    guarded([this] {
        if (m_laue->n_hkl == 0) {
            tell(this, QStringLiteral("Lumora"), QStringLiteral("Please generate HKL first"));
            return;
        }
        // Each Apply is a step from the orientation of the Apply before it.
        Mat3f before = m_laue->orientationMatrix();
        tools::dlgANGLE dialog(this);
        dialog.setMessenger([&dialog](const QString& title, const QString& text, QMessageBox::Icon icon) {
            tell(&dialog, title, text, icon);
        });
        dialog.setLaue(m_laue.get(), inputs_->vectorType());
        connect(&dialog, &tools::dlgANGLE::applied, this,
                [this, &before] { guarded([&] { applyAngleCalculator(before); }); });
        dialog.exec();
    });
}

}  // namespace lumora::app
