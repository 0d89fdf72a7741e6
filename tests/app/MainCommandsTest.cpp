// The main window's commands that reach files, printers, the sample list
// and the desktop: open, save as, PDF, print, samples, help.
#include <QFileInfo>

#include "AppFixture.h"
#include "app/FileTypes.h"

namespace lumora::app::test {
namespace {

using MainCommandsTest = MainWindowFixture;
const char* const kPhoto = "photo-Si-transmission-111-D30-film90x120.jpg";

TEST_F(MainCommandsTest, EachExampleFileOpensWithItsStatusTextAndPhotosInAnyCase) {
    const std::pair<const char*, QString> examples[] = {
        {"quartz.csf", "Quartz"},
        {"Si.cel", "Silicon, diamond structure (Wyckoff, Crystal Structures)"},  // beside the quartz
        {"NaCl.cif", "Halite"},
        {"corundum.cif", "Corundum"},
        {"fe3o4.rsv", "Magnetite Fe3O4"},
    };
    for (const auto& [file, title] : examples) {
        window_->openFile(dataFile(file));
        EXPECT_TRUE(active()->windowTitle().endsWith(file));
        EXPECT_EQ(
            window_->statusText(0),
            title + QStringLiteral(" :   %1 Reflections with Intensities").arg(active()->engine().n_hkl));
    }
    EXPECT_EQ(window_->documentCounter(), 5);
    // The example photograph goes to the photo page of the active document.
    EXPECT_FALSE(item("&View", "Background Image")->isEnabled());
    window_->openFile(dataFile(kPhoto));
    EXPECT_EQ(window_->documentCounter(), 5);
    EXPECT_EQ(active()->currentView(), frmDocument::Photo);
    EXPECT_EQ(hint(active()), kPhoto);
    EXPECT_TRUE(item("&View", "Background Image")->isChecked());
    choose("&View", "Background Image");
    EXPECT_FALSE(active()->photoShown());
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();

    // Every usual spelling of a photo opens, in any case; with no document open a photo gets one.
    choose("&Window", "Close All");
    int documents = window_->documentCounter();
    for (const char* name : {"film.jpeg", "FILM.JPG", "Film.Jpe"}) {
        const QString photo = dir_.filePath(name);
        ASSERT_TRUE(QFile::copy(dataFile(kPhoto), photo));
        window_->openFile(photo);
        EXPECT_EQ(window_->documentCounter(), ++documents);
        ASSERT_NE(active(), nullptr) << name;
        EXPECT_TRUE(active()->photoShown());
        EXPECT_EQ(QFileInfo(active()->photoFile()).fileName(), name);
        choose("&Window", "Close All");
    }
    // A structure file in capitals is read as its type.
    const QString cif = dir_.filePath("HALITE.CIF");
    ASSERT_TRUE(QFile::copy(dataFile("NaCl.cif"), cif));
    window_->openFile(cif);
    ASSERT_NE(active(), nullptr);
    EXPECT_TRUE(window_->statusText(0).startsWith("Halite :"));
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();
}

TEST(FileTypes, EveryUsualSpellingInAnyCaseAndTheDialogFiltersListThem) {
    const std::pair<const char*, FileType> names[] = {
        {"a.cel", FileType::Cel},        {"B.CIF", FileType::Cif},
        {"dir/c.Csf", FileType::Csf},    {"d.RSV", FileType::Rsv},
        {"e.jpg", FileType::Photo},      {"f.JPEG", FileType::Photo},
        {"g.jpe", FileType::Photo},      {"h.Gif", FileType::Photo},
        {"i.BMP", FileType::Photo},      {"j.dib", FileType::Photo},
        {"k.png", FileType::Photo},      {"film.jpeg.txt", FileType::Unknown},
        {"frame.TIF", FileType::Photo},  {"frame_0001.mccd", FileType::Photo},
        {"plate.tiff", FileType::Photo}, {"frame.tiffs", FileType::Unknown},
        {"x.jpegs", FileType::Unknown},  {"pictures.cif/film", FileType::Unknown},
        {"peg", FileType::Unknown},      {"", FileType::Unknown},
    };
    for (const auto& [name, type] : names) EXPECT_EQ(fileTypeOf(QString::fromLatin1(name)), type) << name;

    const QString open = openFilters();
    EXPECT_TRUE(open.startsWith(
        "All Lumora Files (*.cel *.CEL *.csf *.CSF *.cif *.CIF *.rsv *.RSV *.jpg *.JPG "
        "*.jpeg *.JPEG *.jpe *.JPE *.gif *.GIF *.bmp *.BMP *.dib *.DIB *.png *.PNG *.tif *.TIF "
        "*.tiff *.TIFF *.mccd *.MCCD);;"))
        << open.toStdString();
    EXPECT_TRUE(open.contains("Crystallographic Information File (*.cif *.CIF);;"));
    EXPECT_TRUE(open.endsWith(";;" + photoFilters()));
    EXPECT_EQ(photoFilters(),
              "Laue Photo (*.jpg *.JPG *.jpeg *.JPEG *.jpe *.JPE *.gif *.GIF *.bmp *.BMP *.dib "
              "*.DIB *.png *.PNG *.tif *.TIF *.tiff *.TIFF *.mccd *.MCCD)");
}

TEST_F(MainCommandsTest, OpenStartsInTheLastFolderUsedAndAFailingLoadChangesNothing) {
    choose("&File", "&Open...");  // cancelled: nothing happens
    ASSERT_EQ(ask_.fileDialogs.size(), 1);
    // Before any file was chosen: the user's documents folder, or the home folder without one.
    EXPECT_EQ(ask_.fileDialogs[0][1], dialogFolder());
    EXPECT_TRUE(QFileInfo(ask_.fileDialogs[0][1]).isDir());
    EXPECT_NE(ask_.fileDialogs[0][1], QCoreApplication::applicationDirPath());
    EXPECT_EQ(ask_.fileDialogs[0][2], openFilters());
    EXPECT_EQ(window_->documentCounter(), 1);

    window_->openFile(dir_.filePath("missing.cel"));
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_EQ(active()->windowTitle(), "Document 1");
    // A document that shows a crystal keeps it, and no empty window is left behind.
    loadSample("Cu");
    frmDocument* cu = active();
    const QString broken = dir_.filePath("broken.cif");
    ASSERT_TRUE(writeFile(broken, "data_broken\n_cell_length_a oops\n"));
    window_->openFile(broken);
    QCoreApplication::processEvents();
    EXPECT_EQ(ask_.messages.size(), 2);
    EXPECT_EQ(window_->openDocuments().size(), 1u);
    EXPECT_EQ(active(), cu);
    EXPECT_EQ(cu->windowTitle(), "Cu");
    // A readable .cel opens beside it.
    ask_.file = dataFile("Si.cel");
    choose("&File", "&Open...");
    EXPECT_EQ(window_->openDocuments().size(), 2u);
    EXPECT_TRUE(active()->windowTitle().contains("Si.cel"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The next dialog, of any kind, starts where that file was.
    const QString folder = QFileInfo(dataFile("Si.cel")).absolutePath();
    ask_.file.clear();
    choose("&File", "&Open...");
    saveAs("PNG Image (*.png)");
    ASSERT_EQ(ask_.fileDialogs.size(), 4);
    EXPECT_EQ(ask_.fileDialogs[2][1], folder);
    EXPECT_EQ(ask_.fileDialogs[3][1], QDir(folder).filePath("Lumora"));
    // and still does in the next session; a folder that has gone is not offered.
    appState().folders.lastDialog.clear();
    chooseFolders();
    EXPECT_EQ(dialogFolder(), folder);
    QTemporaryDir gone;
    rememberDialogFolder(gone.filePath("x.cel"));
    EXPECT_EQ(dialogFolder(), gone.path());
    gone.remove();
    EXPECT_TRUE(QFileInfo(dialogFolder()).isDir());
    EXPECT_NE(dialogFolder(), gone.path());
}

TEST_F(MainCommandsTest, SavingAsksBeforeOverwritingAndPrintingGoesToThePrinterChosen) {
    loadSample("Si");
    const QString path = dir_.filePath("pattern.bmp");
    ASSERT_TRUE(writeFile(path, "keep"));
    ask_.file = path;
    const QString start = dialogFolder();
    saveAs("Bitmap Image (*.bmp)");
    ASSERT_EQ(ask_.fileDialogs.size(), 1);
    EXPECT_EQ(ask_.fileDialogs[0][1], QDir(start).filePath("Lumora"));
    EXPECT_EQ(ask_.fileDialogs[0][2], "Bitmap Image (*.bmp)");
    EXPECT_EQ(ask_.messages, QStringList({"File already exists: Do you want to overwrite existing file?"}));
    EXPECT_EQ(readFile(path), "keep");
    ask_.yes = true;
    item(item("&File", "&Save")->menu(), "Bitmap Image (*.bmp)")->trigger();
    EXPECT_FALSE(QImage(path).isNull());

    ask_.file = dir_.filePath("pattern");
    saveAs("PNG Image (*.png)");
    EXPECT_FALSE(QImage(dir_.filePath("pattern.png")).isNull());
    saveAs("HKL Text File (*.txt)");
    EXPECT_GT(readFile(dir_.filePath("pattern.txt")).size(), 100);
    EXPECT_EQ(ask_.messages.size(), 2);

    // Printing and the Wulff net go to the printer chosen.
    ask_.printTo = dir_.filePath("print.pdf");
    choose("&File", "&Print...");
    choose("&Tools", "Wulff-Net");
    EXPECT_EQ(ask_.printerDialogs, QStringList({"Print", "Print"}));
    EXPECT_TRUE(readFile(ask_.printTo).startsWith("%PDF-"));
    ask_.printTo.clear();
    choose("&File", "Page Set&up...");
    EXPECT_EQ(ask_.printerDialogs.last(), "Page Setup");
    ask_.file.clear();
    tool("Save as PDF")->trigger();  // cancelled in the file dialog
    // The PDF dialog too starts in the folder last used (the pattern's), which exists.
    EXPECT_EQ(ask_.fileDialogs.last()[1], dir_.filePath("Lumora.pdf"));
    EXPECT_EQ(ask_.messages.size(), 2);
}

TEST_F(MainCommandsTest, SamplesOpenTheirCellForMeridoAndTheUsersListIsKeptAndDonatingAsksFirst) {
    const QList<QAction*> items = menu("&Samples")->actions();
    ASSERT_EQ(items.size(), 24);
    EXPECT_EQ(items[3]->text(), "2. \tSi");
    items[3]->trigger();  // the empty first document takes it
    EXPECT_EQ(window_->documentCounter(), 1);
    EXPECT_EQ(active()->windowTitle(), "Si");
    EXPECT_GT(active()->engine().n_hkl, 0);
    const QString si = "227|5.4307|5.4307|5.4307|90|90|90|Si|";
    EXPECT_EQ(active()->getWulffParameters(), si);
    // Merido gets the crystal, or its page opens.
    choose("&Help", "Merido");
    ASSERT_EQ(ask_.opened.size(), 1);
    EXPECT_TRUE(ask_.opened[0].toString().contains("merido"));
    const QString program = dir_.filePath("merido");
    ASSERT_TRUE(writeFile(program, ""));
    writeRegString("MERIDO", "PATH", program);
    choose("&Help", "Merido");
    EXPECT_EQ(ask_.started, QList<QStringList>({{program, si}}));
    items[22]->trigger();  // alpha-Pu opens beside it
    EXPECT_EQ(window_->documentCounter(), 2);
    EXPECT_EQ(active()->windowTitle(), "alpha-Pu");
    EXPECT_NEAR(active()->engine().getCellConstant(4), 101.79, 1e-4);

    menu("&Samples")->actions()[0]->trigger();
    const QString path = QDir(userFolder()).filePath("lib/cellmenu.txt");
    EXPECT_EQ(ask_.opened.last(), QUrl::fromLocalFile(path));
    EXPECT_TRUE(readFile(path).startsWith("'You may edit this file. Up to 30 cells"));
    ASSERT_TRUE(writeFile(path, "Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n"));
    menu("&Samples")->actions()[0]->trigger();
    EXPECT_TRUE(readFile(path).startsWith("Fe : 229"));

    ASSERT_EQ(ask_.opened.size(), 3);
    choose("&Help", "Donate...");
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_TRUE(ask_.messages[0].startsWith(" Make a Donation: "));
    EXPECT_EQ(ask_.opened.size(), 3);
    ask_.yes = true;
    choose("&Help", "Donate...");
    EXPECT_TRUE(ask_.opened.last().toString().startsWith("https://"));
    choose("&Help", "&About ");
    EXPECT_TRUE(ask_.messages.last().contains("Lumora 1.0"));
}

}  // namespace
}  // namespace lumora::app::test
