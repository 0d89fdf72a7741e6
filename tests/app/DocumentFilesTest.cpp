// The document's files: structure and reflection loads, the HKL listing, the
// clipboard, pictures and the PDF, the photograph.
#include <QClipboard>
#include <QImage>
#include <QPlainTextEdit>

#include "AppFixture.h"

namespace lumora::app::test {
namespace {

TEST_F(DocumentFixture, StructureAndReflectionFilesGiveTheirListWhichFailedLoadsKeepAndTheFilesOwnSetting) {
    doc->readCEL(dataFile("Si.cel"));
    ASSERT_TRUE(ask_.messages.isEmpty()) << ask_.messages[0].toStdString();
    const int n = doc->engine().n_hkl;
    ASSERT_GT(n, 0);
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated with intensities").arg(n));
    EXPECT_EQ(doc->windowTitle(), "Si.cel");
    EXPECT_EQ(child<QComboBox>("cmbSPG")->currentIndex(), 226);
    EXPECT_EQ(child<QComboBox>("cmbHALL")->count(), 2);  // both origins of F d -3 m
    EXPECT_FALSE(listText(0, 3).isEmpty());
    clickTab(3);
    EXPECT_TRUE(child<QPlainTextEdit>("taCSF")->toPlainText().contains("rgnr 227"));

    // Files that cannot be read keep the crystal.
    doc->readCEL(dataFile("no-such-file.cel"));
    doc->readRSV(dataFile("missing.rsv"));
    const QString broken = dir_.filePath("broken.csf");
    ASSERT_TRUE(writeFile(broken, "NAME: nothing\nCELL: 0 x 0 x 0 <90x90x90>\nSGRP: P 1 (1)\n"));
    doc->readCSF(broken);
    ASSERT_EQ(ask_.messages.size(), 3);
    EXPECT_TRUE(ask_.messages[0].contains(": Error 53: ")) << ask_.messages[0].toStdString();
    EXPECT_TRUE(ask_.messages[1].contains(": Error 53: ")) << ask_.messages[1].toStdString();
    EXPECT_TRUE(ask_.messages[2].contains(": Error ")) << ask_.messages[2].toStdString();
    EXPECT_EQ(doc->engine().n_hkl, n);
    EXPECT_EQ(listRows(), n);
    EXPECT_EQ(edit("tfCell0")->text(), "5.4307");
    EXPECT_EQ(doc->windowTitle(), "Si.cel");

    // A reflection file replaces the list until Apply.
    ask_.messages.clear();
    doc->readRSV(dataFile("fe3o4.rsv"));
    ASSERT_TRUE(ask_.messages.isEmpty()) << ask_.messages[0].toStdString();
    EXPECT_EQ(hint(), "13 reflections read from file");
    EXPECT_EQ(listRows(), 13);
    EXPECT_EQ(edit("tfTIT")->text(), "Magnetite Fe3O4");
    EXPECT_EQ(listText(0, 1), "   1   1   1");
    EXPECT_FALSE(child<QComboBox>("cmbSPG")->isEnabled());
    pressApply();
    EXPECT_TRUE(child<QComboBox>("cmbSPG")->isEnabled());
    EXPECT_TRUE(hint().endsWith(" reflections generated"));

    // A structure file's own setting is shown and kept by Apply.
    const QString path = dir_.filePath("si2.cel");
    ASSERT_TRUE(
        writeFile(path, "CELL 5.431 5.431 5.431 90 90 90\nnatom 1\nSi1 14 0.125 0.125 0.125\nrgnr 227 2\n"));
    doc->readCEL(path);
    ASSERT_TRUE(ask_.messages.isEmpty()) << ask_.messages[0].toStdString();
    auto* settings = child<QComboBox>("cmbHALL");
    EXPECT_EQ(settings->currentText(), "-F 4vw 2vw 3");
    const int count = doc->engine().n_hkl;
    const QString first = listText(0, 3);
    pressApply();
    EXPECT_EQ(settings->currentIndex(), 1);
    EXPECT_EQ(doc->engine().n_hkl, count);
    EXPECT_EQ(listText(0, 3), first);

    // Choosing the other setting asks before the intensities are computed again.
    ask_.yes = true;
    settings->setFocus();
    QTest::keyClick(settings, Qt::Key_Up);
    EXPECT_EQ(ask_.messages, QStringList({"New Atom Structure: Recalculate Intensities?"}));
    EXPECT_EQ(settings->currentIndex(), 0);
}

TEST_F(DocumentFixture, ListingPicturesAndThePdfAreWrittenOrTheFailureIsShownAndCopyTakesThemToo) {
    pressApply();
    EXPECT_TRUE(doc->saveHKL(dir_.filePath("list.txt")));
    const QString text = QString::fromUtf8(readFile(dir_.filePath("list.txt")));
    EXPECT_TRUE(text.startsWith("Unit Cell : 5.0 5.0 5.0 90.0 90.0 90.0 \r\n"))
        << text.left(60).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("   %1 reflections").arg(doc->engine().n_hkl)));
    const QSize size = picture("pb1")->surface().image().size();
    EXPECT_TRUE(doc->saveAsBMP(dir_.filePath("p.bmp")));
    EXPECT_TRUE(doc->saveAsJPG(dir_.filePath("p.jpg")));
    EXPECT_TRUE(doc->saveAsPNG(dir_.filePath("p.png")));
    for (const char* name : {"p.bmp", "p.jpg", "p.png"}) EXPECT_EQ(QImage(dir_.filePath(name)).size(), size);
    EXPECT_TRUE(doc->saveAsSVG(dir_.filePath("p.svg")));
    EXPECT_TRUE(readFile(dir_.filePath("p.svg")).contains("<svg"));
    EXPECT_TRUE(ask_.messages.isEmpty());

    EXPECT_FALSE(doc->saveHKL(dir_.filePath("no-such-folder/list.txt")));
    EXPECT_FALSE(doc->saveAsPNG(dir_.filePath("no-such-folder/p.png")));
    ASSERT_EQ(ask_.messages.size(), 2);
    for (const QString& m : ask_.messages) EXPECT_TRUE(m.contains(": Error 75: ")) << m.toStdString();

    ask_.messages.clear();
    setText("tfTIT", "UNTITLED");  // counts as untitled
    ask_.typed = "Cubic test";
    ASSERT_TRUE(doc->EXPORT_PDF(dir_.filePath("a.pdf")));
    EXPECT_EQ(ask_.messages, QStringList({"Title: Do you want to change the title?",
                                          "Lumora: PDF generated, do you want view it ?"}));
    EXPECT_EQ(edit("tfTIT")->text(), "Cubic test");
    EXPECT_TRUE(readFile(dir_.filePath("a.pdf")).startsWith("%PDF"));

    // A titled document is not asked; Yes opens the viewer.
    ask_.messages.clear();
    ask_.yes = true;
    ASSERT_TRUE(doc->EXPORT_PDF(dir_.filePath("b.pdf")));
    EXPECT_EQ(ask_.messages.size(), 1);
    EXPECT_EQ(ask_.opened, QList<QUrl>({QUrl::fromLocalFile(dir_.filePath("b.pdf"))}));

    // Copying says so in a message, the hint line keeps what it showed.
    QClipboard* clipboard = QGuiApplication::clipboard();
    ask_.messages.clear();
    const QString shown = hint();
    doc->doCopy();
    EXPECT_EQ(hint(), shown);
    EXPECT_EQ(clipboard->image().size(), picture("pb1")->surface().image().size());
    clickTab(3);
    doc->doCopy();
    EXPECT_TRUE(clipboard->text().startsWith("Unit Cell : "));
    EXPECT_EQ(ask_.messages,
              QStringList({"Lumora: Image copied to clipboard", "Lumora: Data copied to clipboard"}));
    // The photo page copies nothing and says nothing.
    clickTab(4);
    doc->doCopy();
    EXPECT_EQ(ask_.messages.size(), 2);
    EXPECT_TRUE(clipboard->text().isEmpty());
}

TEST_F(DocumentFixture, AngleCalculatorNeedsReflectionsAndThePhotoIsShownOnItsPage) {
    doc->showAngleCalculator();
    EXPECT_EQ(ask_.messages, QStringList({"Lumora: Please generate HKL first"}));
    pressApply();
    QString shown;
    whenModal([&shown](QWidget* dialog) {
        shown = dialog->windowTitle();
        dialog->close();
    });
    doc->showAngleCalculator();
    EXPECT_EQ(shown, " Angle Calculator");
    EXPECT_EQ(ask_.messages.size(), 1);

    ask_.messages.clear();
    doc->togglePhoto(true);
    EXPECT_EQ(ask_.messages, QStringList({"Lumora: Active Document Has No Background Image Loaded!"}));

    QImage photo(300, 400, QImage::Format_RGB32);
    photo.fill(QColor(30, 60, 90));
    ask_.file = dir_.filePath("film.png");
    ASSERT_TRUE(photo.save(ask_.file));
    QTest::mouseClick(child<QPushButton>("btPHOTO"), Qt::LeftButton);
    ASSERT_EQ(ask_.fileDialogs.size(), 1);
    EXPECT_EQ(ask_.fileDialogs[0][0], "Load Laue Photo");
    EXPECT_EQ(doc->currentView(), frmDocument::Photo);
    EXPECT_EQ(hint(), "film.png");
    EXPECT_EQ(picture("pb2")->surface().image().pixelColor(5, 200), QColor(30, 60, 90));
    doc->togglePhoto(false);
    EXPECT_NE(picture("pb2")->surface().image().pixelColor(5, 200), QColor(30, 60, 90));

    doc->loadPhoto(dir_.filePath("nothing.png"));
    EXPECT_EQ(ask_.messages.size(), 2);
    EXPECT_EQ(hint(), "film.png");
}

// Sites left out by a load are told in the hint; a typed cell that contradicts
// its group is used with a warning there.
TEST_F(DocumentFixture, LoadNotesAndCellsThatDoNotFitTheGroupAreShownInTheHint) {
    const QString water = dir_.filePath("water.cif");
    ASSERT_TRUE(writeFile(water,
                          "data_ice\n_cell_length_a 4.5\n_cell_length_b 4.5\n_cell_length_c 4.5\n"
                          "_space_group_IT_number 1\nloop_\n_atom_site_label\n_atom_site_fract_x\n"
                          "_atom_site_fract_y\n_atom_site_fract_z\nO1 0 0 0\nWat1 0.5 0 0\nWat2 0 0.5 0\n"
                          "Wat3 0 0 0.5\n"));
    doc->readCIF(water);
    ASSERT_TRUE(ask_.messages.isEmpty()) << ask_.messages[0].toStdString();
    EXPECT_EQ(hint(), "3 sites without a known element were left out: Wat1, Wat2, Wat3");

    doc->readCEL(dataFile("Si.cel"));
    edit("tfCell1")->setText("5.5");
    pressApply();
    EXPECT_TRUE(ask_.messages.isEmpty());
    EXPECT_EQ(hint(), "The cell a = 5.4307, b = 5.5, α = 90° does not fit the cubic space group F d -3 m");
    EXPECT_FLOAT_EQ(doc->engine().getCellConstant(1), 5.5f);
    EXPECT_GT(doc->engine().n_hkl, 0);
}

}  // namespace
}  // namespace lumora::app::test
