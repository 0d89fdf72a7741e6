// Every picture surface of a document fits and draws itself: the structure
// of a document in the background after tiling, the photo page whichever tab
// was shown before; and one print command for the toolbar and the menu.
#include <QLineF>
#include <QPageLayout>
#include <QRadioButton>

#include "AppFixture.h"
#include "render/PatternRenderer.h"

namespace lumora::app::test {
namespace {

using SurfacesTest = MainWindowFixture;
const char* const kPhoto = "photo-Si-transmission-111-D30-film90x120.jpg";

int pixelsUnlike(const QImage& image, QColor background) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += QColor(image.pixel(x, y)) != background;
    return count;
}

TEST_F(SurfacesTest, TheStructureOfADocumentInTheBackgroundIsDrawnAgainAfterTiling) {
    loadSample("Si");
    frmDocument* background = active();
    background->selectView(frmDocument::Structure);
    PictureBox* structure = background->findChild<PictureBox*>("pb3");
    ASSERT_GT(pixelsUnlike(structure->surface().image(), Qt::white), 100);
    loadSample("Cu");
    ASSERT_NE(active(), background);
    window_->resize(1300, 800);
    QCoreApplication::processEvents();
    for (const char* tiling : {"Tile &Vertical", "Tile &Horizontal"}) {
        const QSize before = structure->surface().size();
        choose("&Window", tiling);
        ASSERT_NE(structure->surface().size(), before) << tiling;
        EXPECT_GT(pixelsUnlike(structure->surface().image(), Qt::white), 100) << tiling;
    }
}

TEST_F(SurfacesTest, ThePhotoPageKeepsThePhotosScaleWhicheverTabWasShownBefore) {
    // The example photograph was taken with the document's geometry: Si, [111]
    // on the beam, transmission, 30 mm from a 90 x 120 mm film.
    loadSample("Si");
    frmDocument* d = active();
    d->findChild<QRadioButton*>("rbmode1")->click();
    d->findChild<QComboBox*>("cmbORIENT")->setCurrentText("1 1 1");
    d->reorient();
    QCoreApplication::processEvents();
    ASSERT_FLOAT_EQ(d->engine().x_fsd, 30);
    ASSERT_FLOAT_EQ(d->engine().getFilmWidth(), 90);
    window_->openFile(dataFile(kPhoto));
    ASSERT_EQ(d->currentView(), frmDocument::Photo);

    std::vector<render::SpotRecord> spots;
    d->renderer().setSpotRecorder(&spots);
    PictureBox* page = d->findChild<PictureBox*>("pb2");
    // Ring centres in photo pixels: the rings are recorded from the page centre.
    const auto rings = [&] {
        d->Redraw();
        // The rings are also recorded in photo pixels, from the centre of the top left pixel.
        std::vector<QPointF> at;
        for (const render::SpotRecord& s : spots) at.emplace_back(s.photoX + 0.5, s.photoY + 0.5);
        return at;
    };
    const std::vector<QPointF> first = rings();
    ASSERT_GT(first.size(), 50u);
    const auto sameRings = [&](const std::vector<QPointF>& now) {
        if (now.size() != first.size()) return false;
        for (std::size_t i = 0; i < now.size(); ++i)
            if (QLineF(now[i], first[i]).length() > 0.05) return false;
        return true;
    };
    const QSize pageSize = page->surface().size();
    d->selectView(frmDocument::Tiled);
    d->selectView(frmDocument::Photo);
    EXPECT_TRUE(sameRings(rings()));
    // Another window size gives another page, and the rings stay on the photo's points.
    window_->resize(window_->size() + QSize(-250, 120));
    QCoreApplication::processEvents();
    ASSERT_NE(page->surface().size(), pageSize);
    EXPECT_TRUE(sameRings(rings()));
    d->renderer().setSpotRecorder(nullptr);
}

TEST_F(SurfacesTest, TheToolbarAndTheMenuPrintWithOneCommandOnThePrinterOfPageSetup) {
    loadSample("Si");
    QAction* print = item("&File", "&Print...");
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(tool("Print"), print);
    // Page Setup's choice reaches the toolbar's print.
    QList<QPrinter*> printers;
    QList<QPageLayout::Orientation> orientations;
    MessageHook hook;
    hook.printerAnswer = [&](const QString& title, QPrinter& printer) {
        printers << &printer;
        if (title == "Page Setup") printer.setPageOrientation(QPageLayout::Landscape);
        orientations << printer.pageLayout().orientation();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir_.filePath("print.pdf"));
        return true;
    };
    setMessageHook(hook);
    choose("&File", "Page Set&up...");
    tool("Print")->trigger();
    ASSERT_EQ(printers.size(), 2);
    EXPECT_EQ(printers[0], printers[1]);
    EXPECT_EQ(orientations[1], QPageLayout::Landscape);
    EXPECT_TRUE(readFile(dir_.filePath("print.pdf")).startsWith("%PDF-"));
}

}  // namespace
}  // namespace lumora::app::test
