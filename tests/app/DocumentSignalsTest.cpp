// What a document tells the main window by its signals, and the file it is named after.
#include <QSignalSpy>

#include "AppFixture.h"

namespace lumora::app::test {
namespace {

TEST_F(DocumentFixture, TheDocumentSaysWhatChangedBySignalsAndItsTitleNamesItsFile) {
    QSignalSpy status(doc.get(), &frmDocument::statusChanged);
    QSignalSpy turned(doc.get(), &frmDocument::orientationChanged);
    QSignalSpy popup(doc.get(), &frmDocument::popupRequested);
    QSignalSpy photo(doc.get(), &frmDocument::photoChanged);
    pressApply();
    EXPECT_GE(status.count(), 1);
    clickOption("rbmode3");  // the plot type is in the status bar
    EXPECT_EQ(doc->getStatus()[1], "Stereogram");
    EXPECT_GE(status.count(), 2);

    const QString along = doc->orientationText();
    turned.clear();
    picture("pb1")->setFocus();
    QTest::keyClick(picture("pb1"), Qt::Key_D);
    ASSERT_GE(turned.count(), 1);
    EXPECT_EQ(turned.last().at(0).toString(), doc->orientationText());
    EXPECT_NE(doc->orientationText(), along);

    auto* pb1 = picture("pb1");
    drag(pb1, {40, 40}, {40, 40}, Qt::RightButton);
    ASSERT_EQ(popup.count(), 1);
    EXPECT_EQ(popup.at(0).at(0).toPoint(), pb1->mapToGlobal(QPoint(40, 40)));

    QImage image(200, 300, QImage::Format_RGB32);
    image.fill(Qt::gray);
    ASSERT_TRUE(image.save(dir_.filePath("film.png")));
    doc->loadPhoto(dir_.filePath("film.png"));
    doc->togglePhoto(false);
    EXPECT_EQ(photo.count(), 2);
    EXPECT_FALSE(doc->photoShown());

    // The window is named after what it shows: a file, or a sample cell.
    EXPECT_EQ(doc->windowTitle(), "Document 1");
    doc->readRSV(dataFile("fe3o4.rsv"));
    EXPECT_EQ(doc->windowTitle(), "fe3o4.rsv");
    doc->setCell({"Cu", "225", "F m 3 m", "3.615", "3.615", "3.615", "90", "90", "90"});
    EXPECT_EQ(doc->windowTitle(), "Cu");
    doc->readCEL(dataFile("missing.cel"));
    EXPECT_EQ(doc->windowTitle(), "Cu");
    doc->setCell({"Broken", "225", "", "0", "3.615", "3.615", "90", "90", "90"});
    EXPECT_EQ(doc->windowTitle(), "Cu");
}

}  // namespace
}  // namespace lumora::app::test
