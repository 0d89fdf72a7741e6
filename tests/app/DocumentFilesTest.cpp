// The document's files: structure and reflection loads, the HKL listing, the
// clipboard, pictures and the PDF, the photograph.
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include "DocumentFixture.h"

namespace documenttest {

namespace {

QString readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

}  // namespace

// ---- structures -------------------------------------------------------------------------------

TEST_F(DocumentFixture, StructureFileGivesAPatternWithIntensities) {
    doc->readCEL(dataFile("Si.cel"));
    ASSERT_TRUE(messages.empty()) << messages[0].text.toStdString();
    const int n = doc->engine().n_hkl;
    ASSERT_GT(n, 0);
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated with intensities").arg(n));
    EXPECT_EQ(doc->windowTitle(), "Si.cel");
    EXPECT_EQ(edit("tfCell0")->text(), "5.4307");
    EXPECT_EQ(child<QComboBox>("cmbSPG")->currentIndex(), 226);
    EXPECT_EQ(child<QLabel>("lbRSV")->text(), "Structure Loaded");
    EXPECT_TRUE(child<QRadioButton>("rbIntensity0")->isChecked());
    // Both origin choices of F d -3 m are offered, the file's (the first) selected.
    auto* settings = child<QComboBox>("cmbHALL");
    EXPECT_EQ(settings->count(), 2);
    EXPECT_TRUE(settings->isEnabled());
    EXPECT_EQ(settings->currentIndex(), 0);

    EXPECT_FALSE(list()->isColumnHidden(3));
    EXPECT_FALSE(list()->topLevelItem(0)->text(3).isEmpty());
    const auto status = doc->getStatus();
    EXPECT_EQ(status[0], edit("tfTIT")->text().trimmed() +
                             QStringLiteral(" :   %1 Reflections with Intensities").arg(n));

    clickTab(3);
    auto* text = child<QPlainTextEdit>("taCSF");
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(text->toPlainText().contains("rgnr 227"));
}

TEST_F(DocumentFixture, TheFilesOwnSettingIsShownAndKeptByApply) {
    QTemporaryDir dir;
    const QString path = dir.filePath("si2.cel");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("CELL 5.431 5.431 5.431 90 90 90\nnatom 1\nSi1 14 0.125 0.125 0.125\nrgnr 227 2\n");
    f.close();
    doc->readCEL(path);
    ASSERT_TRUE(messages.empty()) << messages[0].text.toStdString();
    auto* settings = child<QComboBox>("cmbHALL");
    EXPECT_EQ(settings->currentIndex(), 1);
    EXPECT_EQ(settings->currentText(), "-F 4vw 2vw 3");
    const int n = doc->engine().n_hkl;
    const QString first = list()->topLevelItem(0)->text(3);

    // Apply regenerates in the same setting: the same reflections and amplitudes.
    pressApply();
    EXPECT_EQ(settings->currentIndex(), 1);
    EXPECT_EQ(doc->engine().n_hkl, n);
    EXPECT_EQ(list()->topLevelItem(0)->text(3), first);
}

TEST_F(DocumentFixture, ChangingTheSettingOfAStructureAsksToRecalculate) {
    doc->readCEL(dataFile("Si.cel"));
    answer = true;
    auto* settings = child<QComboBox>("cmbHALL");
    settings->setFocus();
    QTest::keyClick(settings, Qt::Key_Down);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "New Atom Structure");
    EXPECT_EQ(messages[0].text, "Recalculate Intensities?");
    EXPECT_EQ(settings->currentIndex(), 1);
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated with intensities").arg(doc->engine().n_hkl));

    // No: the list stays as it was.
    answer = false;
    clickTab(0);
    const QString shown = hint();
    QTest::keyClick(settings, Qt::Key_Up);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(hint(), shown);
}

TEST_F(DocumentFixture, AFileThatCannotBeReadKeepsTheCrystal) {
    doc->readCEL(dataFile("Si.cel"));
    const int n = doc->engine().n_hkl;
    const QString title = edit("tfTIT")->text();

    doc->readCEL(dataFile("no-such-file.cel"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Error 53: ")) << messages[0].text.toStdString();

    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.csf");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("NAME: nothing\nCELL: 0 x 0 x 0 <90x90x90>\nSGRP: P 1 (1)\n");
    f.close();
    doc->readCSF(broken);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.startsWith("Error ")) << messages[1].text.toStdString();

    EXPECT_EQ(doc->engine().n_hkl, n);
    EXPECT_EQ(list()->topLevelItemCount(), n);
    EXPECT_EQ(edit("tfTIT")->text(), title);
    EXPECT_EQ(edit("tfCell0")->text(), "5.4307");
    EXPECT_EQ(doc->windowTitle(), "Si.cel");
}

// ---- reflection files and the listing --------------------------------------------------------

TEST_F(DocumentFixture, ReflectionFileReplacesTheList) {
    doc->readRSV(dataFile("fe3o4.rsv"));
    ASSERT_TRUE(messages.empty()) << messages[0].text.toStdString();
    EXPECT_EQ(hint(), "13 reflections read from file");
    EXPECT_EQ(list()->topLevelItemCount(), 13);
    EXPECT_EQ(edit("tfCell0")->text(), "8.396");
    EXPECT_EQ(edit("tfTIT")->text(), "Magnetite Fe3O4");
    EXPECT_EQ(doc->windowTitle(), "fe3o4.rsv");
    EXPECT_EQ(child<QLabel>("lbRSV")->text(), "HKL File Loaded");
    EXPECT_FALSE(child<QComboBox>("cmbSPG")->isEnabled());
    EXPECT_FALSE(list()->isColumnHidden(3));
    EXPECT_EQ(list()->topLevelItem(0)->text(1), "   1   1   1");

    // Apply leaves the file behind and generates from the cell again.
    pressApply();
    EXPECT_TRUE(child<QComboBox>("cmbSPG")->isEnabled());
    EXPECT_TRUE(hint().endsWith(" reflections generated"));
}

TEST_F(DocumentFixture, AReflectionFileThatCannotBeReadIsReported) {
    pressApply();
    const int n = doc->engine().n_hkl;
    doc->readRSV(dataFile("missing.rsv"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Error 53: "));
    EXPECT_EQ(doc->engine().n_hkl, n);
    EXPECT_TRUE(child<QComboBox>("cmbSPG")->isEnabled());
}

TEST_F(DocumentFixture, SaveHklWritesTheListingOrSaysWhyNot) {
    pressApply();
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    EXPECT_TRUE(doc->saveHKL(path));
    EXPECT_TRUE(messages.empty());
    const QString text = readAll(path);
    EXPECT_TRUE(text.startsWith("Unit Cell : 5.0 5.0 5.0 90.0 90.0 90.0 \r\n"))
        << text.left(60).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("   %1 reflections").arg(doc->engine().n_hkl)));

    EXPECT_FALSE(doc->saveHKL(dir.filePath("no-such-folder/list.txt")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Error 75: ")) << messages[0].text.toStdString();
}

TEST_F(DocumentFixture, CopyTakesThePictureOrTheList) {
    pressApply();
    QClipboard* clipboard = QGuiApplication::clipboard();
    doc->doCopy();
    EXPECT_EQ(hint(), "Image copied to clipboard");
    EXPECT_EQ(clipboard->image().size(), picture("pb1")->surface().image().size());

    clickTab(3);
    doc->doCopy();
    EXPECT_EQ(hint(), "Data copied to clipboard");
    EXPECT_TRUE(clipboard->text().startsWith("Unit Cell : "));

    // The photo page copies nothing and says nothing.
    clickTab(4);
    const QString shown = hint();
    doc->doCopy();
    EXPECT_EQ(hint(), shown);
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_TRUE(clipboard->image().isNull());
}

// ---- pictures, PDF ------------------------------------------------------------------------------------

TEST_F(DocumentFixture, PicturesAreWrittenOrTheFailureIsShown) {
    pressApply();
    QTemporaryDir dir;
    const QSize size = picture("pb1")->surface().image().size();
    for (const char* name : {"p.bmp", "p.jpg", "p.png"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        const bool ok = QString::fromLatin1(name).endsWith("bmp")   ? doc->saveAsBMP(path)
                        : QString::fromLatin1(name).endsWith("jpg") ? doc->saveAsJPG(path)
                                                                    : doc->saveAsPNG(path);
        EXPECT_TRUE(ok) << name;
        EXPECT_EQ(QImage(path).size(), size) << name;
    }
    const QString svg = dir.filePath("p.svg");
    EXPECT_TRUE(doc->saveAsSVG(svg));
    EXPECT_TRUE(readAll(svg).contains("<svg"));
    EXPECT_TRUE(messages.empty());
    // The pattern on screen is drawn on its own surfaces again afterwards.
    doc->Redraw();
    EXPECT_EQ(picture("pb1")->surface().image().size(), size);

    EXPECT_FALSE(doc->saveAsPNG(dir.filePath("missing/p.png")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Error 75: "));
}

TEST_F(DocumentFixture, PdfOfAnUntitledDocumentAsksForATitle) {
    pressApply();
    QTemporaryDir dir;
    textAnswer = "Cubic test";
    answer = false;  // do not open the viewer
    ASSERT_TRUE(doc->EXPORT_PDF(dir.filePath("a.pdf")));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, "Title");
    EXPECT_EQ(messages[0].text, "Do you want to change the title?");
    EXPECT_EQ(messages[1].text, "PDF generated, do you want view it ?");
    EXPECT_EQ(edit("tfTIT")->text(), "Cubic test");
    EXPECT_TRUE(readAll(dir.filePath("a.pdf")).startsWith("%PDF"));

    // A titled document is not asked; "UNTITLED" counts as untitled; an empty answer keeps it.
    messages.clear();
    ASSERT_TRUE(doc->EXPORT_PDF(dir.filePath("b.pdf")));
    EXPECT_EQ(messages.size(), 1u);
    setText("tfTIT", "UNTITLED");
    messages.clear();
    textAnswer.clear();
    ASSERT_TRUE(doc->EXPORT_PDF(dir.filePath("c.pdf")));
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(edit("tfTIT")->text(), "UNTITLED");
}

// ---- photo and angle calculator ---------------------------------------------------------------------

TEST_F(DocumentFixture, PhotoIsShownOnItsPage) {
    pressApply();
    QTemporaryDir dir;
    QImage photo(300, 400, QImage::Format_RGB32);
    photo.fill(QColor(30, 60, 90));
    const QString path = dir.filePath("film.png");
    ASSERT_TRUE(photo.save(path));

    doc->togglePhoto(true);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Active Document Has No Background Image Loaded!");

    doc->loadPhoto(path);
    EXPECT_EQ(doc->currentView(), frmDocument::Photo);
    EXPECT_EQ(hint(), "film.png");
    const QImage page = picture("pb2")->surface().image();
    EXPECT_EQ(page.pixelColor(5, 200), QColor(30, 60, 90));

    doc->togglePhoto(false);
    EXPECT_NE(picture("pb2")->surface().image().pixelColor(5, 200), QColor(30, 60, 90));

    doc->loadPhoto(dir.filePath("nothing.png"));
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(hint(), "film.png");
}

TEST_F(DocumentFixture, PhotoButtonAsksForTheFile) {
    pressApply();
    QTemporaryDir dir;
    QImage photo(120, 160, QImage::Format_RGB32);
    photo.fill(Qt::darkGray);
    chosenFile = dir.filePath("scan.jpg");
    ASSERT_TRUE(photo.save(chosenFile));
    click("btPHOTO");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Load Laue Photo");
    EXPECT_EQ(doc->currentView(), frmDocument::Photo);
    EXPECT_EQ(hint(), "scan.jpg");
}

TEST_F(DocumentFixture, PrintingGoesThroughThePrinterDialog) {
    pressApply();
    QTemporaryDir dir;
    doc->doPrint();  // cancelled: nothing printed, nothing said
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Print");
    printTo = dir.filePath("print.pdf");
    doc->doPrint();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_TRUE(readAll(printTo).startsWith("%PDF"));
}

TEST_F(DocumentFixture, PdfViewerOpensOnYes) {
    pressApply();
    setText("tfTIT", "Cube");
    QTemporaryDir dir;
    answer = true;
    ASSERT_TRUE(doc->EXPORT_PDF(dir.filePath("v.pdf")));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(dir.filePath("v.pdf")));
}

TEST_F(DocumentFixture, AngleCalculatorNeedsReflections) {
    doc->showAngleCalculator();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Please generate HKL first");

    pressApply();
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shown = dialog->windowTitle();
            dialog->close();
        }
    });
    doc->showAngleCalculator();
    EXPECT_EQ(shown, " Angle Calculator");
    EXPECT_EQ(messages.size(), 1u);
}

}  // namespace documenttest
