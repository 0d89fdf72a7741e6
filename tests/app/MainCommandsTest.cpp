// The main window's commands that reach files, printers, the sample list
// and the desktop: open, save as, PDF, print, samples, help.
#include "AppFixture.h"

namespace lumora::app::test {
namespace {

using MainCommandsTest = MainWindowFixture;

// ---- opening files ---------------------------------------------------------------------------

TEST_F(MainCommandsTest, EachExampleFileOpensWithItsStatusText) {
    const struct {
        const char* file;
        const char* status;
    } examples[] = {
        {"Si.cel",
         "Silicon, diamond structure (Wyckoff, Crystal Structures) :   %1 Reflections with Intensities"},
        {"quartz.csf", "Quartz :   %1 Reflections with Intensities"},
        {"NaCl.cif", "Halite :   %1 Reflections with Intensities"},
        {"corundum.cif", "Corundum :   %1 Reflections with Intensities"},
        {"fe3o4.rsv", "Magnetite Fe3O4 :   %1 Reflections with Intensities"},
    };
    for (const auto& e : examples) {
        window_->openFile(dataFile(e.file));
        EXPECT_TRUE(active()->windowTitle().endsWith(e.file));
        EXPECT_EQ(window_->statusText(0), QString::fromLatin1(e.status).arg(active()->engine().n_hkl));
    }
    EXPECT_EQ(window_->documentCounter(), 5);
    // The example photograph goes to the active document.
    window_->openFile(dataFile("photo-Si-transmission-111-D30-film90x120.jpg"));
    EXPECT_EQ(window_->documentCounter(), 5);
    EXPECT_TRUE(active()->engine().b_photo);
    EXPECT_EQ(hint(active()), "photo-Si-transmission-111-D30-film90x120.jpg");
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();
}

TEST_F(MainCommandsTest, AStructureOpensInANewDocumentWhenTheActiveOneShowsReflections) {
    choose("&File", "&Open...");  // cancelled: nothing happens
    ASSERT_EQ(ask_.fileDialogs.size(), 1);
    EXPECT_EQ(ask_.fileDialogs[0][1], dataFolder());
    EXPECT_TRUE(ask_.fileDialogs[0][2].startsWith(
        "All Lumora Files (*.cel *.csf *.cif *.rsv *.jpg *.gif *.bmp *.png);;"));
    EXPECT_EQ(window_->documentCounter(), 1);

    ask_.file = dataFile("Si.cel");  // the empty first document takes the file
    choose("&File", "&Open...");
    EXPECT_EQ(window_->documentCounter(), 1);
    EXPECT_TRUE(active()->windowTitle().contains("Si.cel"));
    ask_.file = dataFile("quartz.csf");
    choose("&File", "&Open...");
    EXPECT_EQ(window_->documentCounter(), 2);
    EXPECT_EQ(active(), window_->document(2));
    EXPECT_TRUE(active()->windowTitle().contains("quartz.csf"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();
}

TEST_F(MainCommandsTest, APhotoGoesToThePhotoOfTheActiveDocument) {
    loadSample("Si");
    const QString photo = dir_.filePath("film.JPG");
    QImage picture(90, 120, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    ASSERT_TRUE(picture.save(photo, "JPG"));
    EXPECT_FALSE(item("&View", "Background Image")->isEnabled());
    window_->openFile(photo);
    EXPECT_EQ(window_->documentCounter(), 1);
    EXPECT_EQ(active()->currentView(), frmDocument::Photo);
    EXPECT_TRUE(item("&View", "Background Image")->isChecked());
    choose("&View", "Background Image");
    EXPECT_FALSE(active()->engine().b_photo);

    // A four-letter extension is not a type the program knows.
    const QString jpeg = dir_.filePath("film.jpeg");
    ASSERT_TRUE(QFile::copy(photo, jpeg));
    choose("&Window", "Close All");
    window_->openFile(jpeg);
    EXPECT_EQ(window_->documentCounter(), 1);
    // With no document open, a photo gets one.
    window_->openFile(photo);
    EXPECT_EQ(window_->documentCounter(), 2);
    EXPECT_TRUE(active()->engine().b_photo);
}

TEST_F(MainCommandsTest, AFailingLoadIsReportedAndChangesNothing) {
    window_->openFile(dir_.filePath("missing.cel"));
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_TRUE(ask_.messages[0].contains("Error 53")) << ask_.messages[0].toStdString();
    EXPECT_EQ(active()->windowTitle(), "Document 1");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

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
}

// ---- saving and printing ---------------------------------------------------------------------

TEST_F(MainCommandsTest, SavingAsksBeforeOverwritingAndAddsTheExtension) {
    loadSample("Si");
    const QString path = dir_.filePath("pattern.bmp");
    ASSERT_TRUE(writeFile(path, "keep"));
    ask_.file = path;
    saveAs("Bitmap Image (*.bmp)");
    ASSERT_EQ(ask_.fileDialogs.size(), 1);
    EXPECT_EQ(ask_.fileDialogs[0][1], QDir(dataFolder()).filePath("Lumora"));
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
}

TEST_F(MainCommandsTest, PrintingAndTheWulffNetGoToThePrinterChosen) {
    loadSample("Si");
    ask_.printTo = dir_.filePath("print.pdf");
    choose("&File", "&Print...");
    choose("&Tools", "Wulff-Net");
    EXPECT_EQ(ask_.printerDialogs, QStringList({"Print", "Print"}));
    EXPECT_TRUE(readFile(ask_.printTo).startsWith("%PDF-"));
    ask_.printTo.clear();
    choose("&File", "Page Set&up...");
    EXPECT_EQ(ask_.printerDialogs.last(), "Page Setup");
    tool("Save as PDF")->trigger();  // cancelled in the file dialog
    EXPECT_EQ(ask_.fileDialogs.last()[1], QDir(userFolder()).filePath("PDF/Lumora.pdf"));
    EXPECT_TRUE(ask_.messages.isEmpty());
}

// ---- samples ---------------------------------------------------------------------------------

TEST_F(MainCommandsTest, ChoosingASampleOpensItsCell) {
    const QList<QAction*> items = menu("&Samples")->actions();
    ASSERT_EQ(items.size(), 24);
    EXPECT_EQ(items[3]->text(), "2. \tSi");
    items[3]->trigger();  // the empty first document takes it
    EXPECT_EQ(window_->documentCounter(), 1);
    frmDocument* si = active();
    EXPECT_EQ(si->windowTitle(), "Si");
    EXPECT_GT(si->engine().n_hkl, 0);
    EXPECT_EQ(si->getWulffParameters(), "227|5.4307|5.4307|5.4307|90|90|90|Si|");
    items[22]->trigger();  // alpha-Pu opens beside it
    EXPECT_EQ(window_->documentCounter(), 2);
    EXPECT_EQ(active()->windowTitle(), "alpha-Pu");
    EXPECT_NEAR(active()->engine().getCellConstant(4), 101.79, 1e-4);
}

TEST_F(MainCommandsTest, EditingTheSamplesOpensTheFileAndKeepsTheUsersOwn) {
    menu("&Samples")->actions()[0]->trigger();
    const QString path = QDir(userFolder()).filePath("lib/cellmenu.txt");
    EXPECT_EQ(ask_.opened, QList<QUrl>({QUrl::fromLocalFile(path)}));
    EXPECT_TRUE(readFile(path).startsWith("'You may edit this file. Up to 30 cells"));
    ASSERT_TRUE(writeFile(path, "Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n"));
    menu("&Samples")->actions()[0]->trigger();
    EXPECT_TRUE(readFile(path).startsWith("Fe : 229"));
}

// ---- help and the other programs -------------------------------------------------------------

TEST_F(MainCommandsTest, MeridoGetsTheCrystalOrItsPageOpens) {
    loadSample("Si");
    choose("&Help", "Merido");
    ASSERT_EQ(ask_.opened.size(), 1);
    EXPECT_TRUE(ask_.opened[0].toString().contains("merido"));
    const QString program = dir_.filePath("merido");
    ASSERT_TRUE(writeFile(program, ""));
    writeRegString("MERIDO", "PATH", program);
    choose("&Help", "Merido");
    EXPECT_EQ(ask_.started, QList<QStringList>({{program, "227|5.4307|5.4307|5.4307|90|90|90|Si|"}}));
}

TEST_F(MainCommandsTest, DonatingAsksFirstAndAboutNamesTheVersion) {
    choose("&Help", "Donate...");
    ASSERT_EQ(ask_.messages.size(), 1);
    EXPECT_TRUE(ask_.messages[0].startsWith(" Make a Donation: "));
    EXPECT_TRUE(ask_.opened.isEmpty());
    ask_.yes = true;
    choose("&Help", "Donate...");
    ASSERT_EQ(ask_.opened.size(), 1);
    EXPECT_TRUE(ask_.opened[0].toString().startsWith("https://"));
    choose("&Help", "&About ");
    EXPECT_TRUE(ask_.messages.last().contains("Lumora 1.0"));
}

}  // namespace
}  // namespace lumora::app::test
