// What the document reads and writes: structure and reflection files, the
// HKL listing, pictures, PDF, the clipboard and the printer; the photograph;
// the angle calculator and the structure editor.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QUrl>
#include <filesystem>
#include <utility>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/FileTypes.h"
#include "app/Folders.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/PhotoFile.h"
#include "app/PhotoPanel.h"
#include "app/PictureBox.h"
#include "app/Tools.h"
#include "output/Export.h"
#include "structure/HklListing.h"
#include "tools/AngleCalculator.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

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
    for (int i = 0; i < 6; ++i)
        tfCell[static_cast<std::size_t>(i)]->setText(
            QString::fromStdString(util::singleText(laue.getCellConstant(i))));
    // The file's own setting is installed already: the list only follows it.
    if (laue.m_spg >= 1 && laue.m_spg <= 230) {
        const QSignalBlocker blocker(cmbSPG);
        cmbSPG->setCurrentIndex(laue.m_spg - 1);
    }
    cmbSPG->setEnabled(true);
    spgTag_ = cmbSPG->currentText().toUpper();
    rsvMode_ = 2;
    fillSettingList();
    if (!path.isEmpty()) setWindowTitle(QFileInfo(path).fileName());
    tfTIT->setText(QString::fromStdString(laue.m_tit));
    tfTIT->setCursorPosition(0);
    showGenerated();
    // A file whose space-group name and operations disagree says which it followed.
    if (!laue.symmetryNote().empty()) setHINT(QString::fromStdString(laue.symmetryNote()));
    setRSVGUI(2);
    // What the load left out is said where the count of reflections would be.
    QStringList notes;
    for (const std::string& note : laue.structureNotes()) notes << QString::fromStdString(note);
    if (!notes.isEmpty()) setHINT(notes.join(QStringLiteral("; ")));
}

void frmDocument::editStructure() {
    // The editor starts from what the window shows, so that a title or cell
    // the user leaves alone comes back as it was.
    DocumentFields shown;
    shown.title = tfTIT->text();
    for (std::size_t i = 0; i < shown.cell.size(); ++i) shown.cell[i] = tfCell[i]->text();
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
        fitNewList();
        // The file brings its own reflections: atoms of an earlier structure do not belong to them.
        m_laue->resetStructure();
        taCSF->clear();
        taCSF->hide();
        const auto& words = m_laue->rsvCellTexts();
        for (std::size_t i = 0; i < 6; ++i) tfCell[i]->setText(QString::fromStdString(words[i]));
        setWindowTitle(QFileInfo(path).fileName());
        tfTIT->setText(QString::fromStdString(m_laue->m_tit));
        tfTIT->setCursorPosition(0);
        rbIntensity[0]->setChecked(true);
        syncSlidersFromEngine();
        confirmOrientation();
        Redraw();
        setHINT(QStringLiteral("%1 reflections read from file").arg(m_laue->n_hkl));
        setHKLtable();
        setRSVGUI(1);
        if (main_) main_->updateStatus();
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
        PictureBox* pb2 = photoPanel_->picture();
        const PictureBox* shown = view_ == Structure ? pb3 : view_ == Photo ? pb2 : pb1;
        const QSize size = shown->size().expandedTo(QSize(1, 1));
        // Whatever happens, the renderer goes back to the document's surfaces.
        struct Restore {
            frmDocument& d;
            ~Restore() {
                PictureBox* page = d.photoPanel_->picture();
                d.renderer_->setGraphicsContext(d.view_ == Photo ? &page->surface() : &d.pb1->surface(),
                                                &d.pb3->surface(), &d.mem_, &d.photo_);
            }
        } restore{*this};
        output::saveSvg(path, size, [&](QPaintDevice& device) {
            render::Surface vectors(&device, size);
            if (view_ == Structure) {
                renderer_->setGraphicsContext(&vectors, &vectors, &vectors, &photo_);
                renderer_->drawStructure(renderOptions());
            } else {
                renderer_->setGraphicsContext(&vectors, nullptr, &vectors, &photo_);
                renderer_->drawHKL(renderOptions());
            }
            vectors.finish();
        });
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
                tfTIT->setText(answer.trimmed());
                if (main_) main_->updateStatus();
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
        PhotoRead read;
        {
            const BusyCursor busy;
            read = readPhoto(path);
        }
        if (read.image.isNull()) {
            // The photo shown so far stays.
            tell(this, QStringLiteral("Lumora"),
                 QStringLiteral("Error %1: %2: %3")
                     .arg(read.error)
                     .arg(QFileInfo(path).fileName(), read.problem),
                 QMessageBox::Critical);
            return;
        }
        RedrawBatch batch(*this);
        photo_ = std::move(read.image);
        display_.showPhoto = true;
        display_.antialias = false;
        photoFile_ = QFileInfo(path).absoluteFilePath();
        photoPanel_->setPhotoSize(photo_.size());
        Redraw();
        selectTab(Photo);
        if (main_) main_->updateStatus();
    });
}

void frmDocument::togglePhoto(bool on) {
    guarded([&] {
        if (photoFile_.isEmpty() || photo_.isNull()) {
            tell(this, QStringLiteral("Lumora"),
                 QStringLiteral("Active Document Has No Background Image Loaded!"));
            return;
        }
        display_.showPhoto = on;
        Redraw();
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
        tools::dlgANGLE dialog(this);
        dialog.setMessenger([&dialog](const QString& title, const QString& text, QMessageBox::Icon icon) {
            tell(&dialog, title, text, icon);
        });
        dialog.setLaue(m_laue.get(), cmbUVW->currentIndex());
        connect(&dialog, &tools::dlgANGLE::applied, this, [this] { guarded([this] { Redraw(); }); });
        dialog.exec();
    });
}

}  // namespace lumora::app
