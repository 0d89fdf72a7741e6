// The main window's commands that reach files, printers, the sample list
// and the desktop: open, save as, PDF, print, samples, help.
#include "MainWindowFixture.h"

namespace lumora::app::test {
namespace {

using MainCommandsTest = MainWindowFixture;

// ---- opening files -----------------------------------------------------------------------------

TEST_F(MainCommandsTest, TheOpenDialogOffersEveryTypeFirst) {
    chosenFile_.clear();
    choose("&File", "&Open...");
    ASSERT_EQ(fileDialogs_.size(), 1);
    EXPECT_EQ(fileDialogs_[0][0], "Open");
    EXPECT_EQ(fileDialogs_[0][1], dataFolder());
    const QStringList filters = fileDialogs_[0][2].split(";;");
    EXPECT_EQ(filters.value(0), "All Lumora Files (*.cel *.csf *.cif *.rsv *.jpg *.gif *.bmp *.png)");
    EXPECT_TRUE(filters.contains("PowderCell File (*.cel)"));
    EXPECT_TRUE(filters.contains("HKLF Data File (*.rsv)"));
    EXPECT_TRUE(filters.contains("MDI Structure File (*.csf)"));
    EXPECT_TRUE(filters.contains("Crystallographic Information File (*.cif)"));
    // Cancelled: nothing happens.
    EXPECT_EQ(window_->documentCounter(), 1);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(MainCommandsTest, AStructureOpensInANewDocumentWhenTheActiveOneShowsReflections) {
    // The empty first document takes the file.
    chosenFile_ = dataFile("Si.cel");
    choose("&File", "&Open...");
    EXPECT_EQ(window_->documentCounter(), 1);
    ASSERT_GT(active()->engine().n_hkl, 0);
    EXPECT_TRUE(active()->windowTitle().contains("Si.cel"));

    chosenFile_ = dataFile("quartz.csf");
    choose("&File", "&Open...");
    EXPECT_EQ(window_->documentCounter(), 2);
    EXPECT_EQ(active(), window_->document(2));
    EXPECT_TRUE(active()->windowTitle().contains("quartz.csf"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
}

TEST_F(MainCommandsTest, APhotoGoesToTheActiveDocument) {
    loadSample("Si");
    const QString photo = dir_.filePath("film.JPG");
    QImage picture(90, 120, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    ASSERT_TRUE(picture.save(photo, "JPG"));
    EXPECT_FALSE(item("&View", "Background Image")->isEnabled());

    window_->openFile(photo);
    EXPECT_EQ(window_->documentCounter(), 1);
    EXPECT_TRUE(item("&View", "Background Image")->isEnabled());
    EXPECT_TRUE(item("&View", "Background Image")->isChecked());
    choose("&View", "Background Image");
    EXPECT_FALSE(active()->engine().b_photo);
    EXPECT_FALSE(item("&View", "Background Image")->isChecked());

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
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains("Error 53")) << messages_[0].toStdString();
    EXPECT_EQ(active()->windowTitle(), "Document 1");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A document that shows a crystal keeps it, and no empty window is left behind.
    loadSample("Cu");
    frmDocument* cu = active();
    const QString broken = dir_.filePath("broken.cif");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("data_broken\n_cell_length_a oops\n");
    file.close();
    messages_.clear();
    window_->openFile(broken);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages_.size(), 1);
    EXPECT_EQ(window_->openDocuments().size(), 1u);
    EXPECT_EQ(active(), cu);
    EXPECT_EQ(cu->windowTitle(), "Cu");
    EXPECT_GT(cu->engine().n_hkl, 0);
}

// ---- saving and printing --------------------------------------------------------------------------

TEST_F(MainCommandsTest, SavingOverAnExistingFileAsksFirst) {
    loadSample("Si");
    const QString path = dir_.filePath("pattern.bmp");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    chosenFile_ = path;
    answer_ = false;
    choose("&File", "Save &As...");
    item(item("&File", "Save &As...")->menu(), "Bitmap Image (*.bmp)")->trigger();
    ASSERT_EQ(fileDialogs_.size(), 1);
    EXPECT_EQ(fileDialogs_[0][1], QDir(dataFolder()).filePath("Lumora"));
    EXPECT_EQ(fileDialogs_[0][2], "Bitmap Image (*.bmp)");
    EXPECT_EQ(messages_, QStringList({"File already exists: Do you want to overwrite existing file?"}));
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep");
    kept.close();

    answer_ = true;
    item(item("&File", "&Save")->menu(), "Bitmap Image (*.bmp)")->trigger();
    const QImage written(path);
    EXPECT_FALSE(written.isNull());
}

TEST_F(MainCommandsTest, SavedFilesGetTheirTypesExtension) {
    loadSample("Si");
    chosenFile_ = dir_.filePath("pattern");
    item(item("&File", "Save &As...")->menu(), "PNG Image (*.png)")->trigger();
    EXPECT_FALSE(QImage(dir_.filePath("pattern.png")).isNull());
    item(item("&File", "Save &As...")->menu(), "HKL Text File (*.txt)")->trigger();
    QFile listing(dir_.filePath("pattern.txt"));
    ASSERT_TRUE(listing.open(QIODevice::ReadOnly));
    EXPECT_GT(listing.size(), 100);
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
}

TEST_F(MainCommandsTest, ThePdfGoesToThePdfFolderOfTheUser) {
    loadSample("Si");
    chosenFile_.clear();
    tool("Save as PDF")->trigger();
    ASSERT_EQ(fileDialogs_.size(), 1);
    EXPECT_EQ(fileDialogs_[0][1], QDir(userFolder()).filePath("PDF/Lumora.pdf"));
    EXPECT_EQ(fileDialogs_[0][2], "Adobe PDF File (*.pdf)");
    EXPECT_TRUE(QDir(userFolder()).exists("PDF"));
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(MainCommandsTest, PrintingAndTheWulffNetGoToThePrinterChosen) {
    loadSample("Si");
    printTo_ = dir_.filePath("print.pdf");
    choose("&File", "&Print...");
    choose("&Tools", "Wulff-Net");
    EXPECT_EQ(printerDialogs_, QStringList({"Print", "Print"}));
    QFile net(printTo_);
    ASSERT_TRUE(net.open(QIODevice::ReadOnly));
    EXPECT_TRUE(net.read(5) == "%PDF-");

    printTo_.clear();
    choose("&File", "Page Set&up...");
    EXPECT_EQ(printerDialogs_.last(), "Page Setup");
}

// ---- samples --------------------------------------------------------------------------------------------

TEST_F(MainCommandsTest, TheSamplesMenuListsTheCells) {
    const QList<QAction*> items = menu("&Samples")->actions();
    ASSERT_EQ(items.size(), 24);
    EXPECT_EQ(items[0]->text(), "Edit...");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "1. \tCu");
    EXPECT_EQ(items[3]->text(), "2. \tSi");
    EXPECT_EQ(items[23]->text(), "22. \tbeta-Sn");
}

TEST_F(MainCommandsTest, ChoosingASampleOpensItsCell) {
    menu("&Samples")->actions()[3]->trigger();  // Si: the empty first document takes it
    EXPECT_EQ(window_->documentCounter(), 1);
    frmDocument* si = active();
    EXPECT_EQ(si->windowTitle(), "Si");
    EXPECT_EQ(si->engine().m_spg, 227);
    EXPECT_NEAR(si->engine().getCellConstant(0), 5.4307, 1e-5);
    EXPECT_GT(si->engine().n_hkl, 0);
    EXPECT_EQ(si->getWulffParameters(), "227|5.4307|5.4307|5.4307|90|90|90|Si|");

    menu("&Samples")->actions()[22]->trigger();  // alpha-Pu opens beside it
    EXPECT_EQ(window_->documentCounter(), 2);
    EXPECT_EQ(active()->windowTitle(), "alpha-Pu");
    EXPECT_NEAR(active()->engine().getCellConstant(4), 101.79, 1e-4);
    EXPECT_EQ(si->engine().m_spg, 227);
}

TEST_F(MainCommandsTest, EditingTheSamplesOpensTheFileInAnEditor) {
    menu("&Samples")->actions()[0]->trigger();
    const QString path = QDir(userFolder()).filePath("lib/cellmenu.txt");
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0], QUrl::fromLocalFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readLine().startsWith("'You may edit this file. Up to 30 cells"));
    file.close();

    // A file of the user's own is left as it is.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Fe : 229 IM3M 2.8665 2.8665 2.8665 90 90 90\r\n");
    file.close();
    menu("&Samples")->actions()[0]->trigger();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("Fe : 229"));
}

// ---- help and the other programs ------------------------------------------------------------------------

TEST_F(MainCommandsTest, MeridoGetsTheCrystalOrItsPageOpens) {
    loadSample("Si");
    choose("&Help", "Merido");
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_TRUE(opened_[0].toString().contains("merido"));
    EXPECT_TRUE(started_.isEmpty());

    const QString program = dir_.filePath("merido");
    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    writeRegString("MERIDO", "PATH", program);
    choose("&Help", "Merido");
    ASSERT_EQ(started_.size(), 1);
    EXPECT_EQ(started_[0], QStringList({program, "227|5.4307|5.4307|5.4307|90|90|90|Si|"}));
}

TEST_F(MainCommandsTest, DonatingAsksFirst) {
    answer_ = false;
    choose("&Help", "Donate...");
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].startsWith(" Make a Donation: "));
    EXPECT_TRUE(opened_.isEmpty());
    answer_ = true;
    choose("&Help", "Donate...");
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_TRUE(opened_[0].toString().startsWith("https://"));
}

TEST_F(MainCommandsTest, FoldersOpenInTheFileBrowser) {
    choose("&File", "View User Folder");
    choose("&File", "View Data Folder");
    EXPECT_EQ(opened_, QList<QUrl>({QUrl::fromLocalFile(userFolder()), QUrl::fromLocalFile(dataFolder())}));
}

TEST_F(MainCommandsTest, AboutNamesTheProgramAndItsVersion) {
    choose("&Help", "&About ");
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains("Lumora 1.0"));
}

// Every command once, with every dialog answered: nothing may fail.
}  // namespace
}  // namespace lumora::app::test
