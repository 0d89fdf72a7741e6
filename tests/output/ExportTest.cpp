#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "OutputTestSupport.h"
#include "engine/LaueEngine.h"
#include "output/Export.h"
#include "util/Error.h"

namespace {

using namespace outputtest;
using lumora::output::exportPdf;
using lumora::output::printImage;
using lumora::output::saveImage;
using lumora::output::saveSvg;

// A picture with something to recognise: a red square on white.
QImage pattern(int width = 200, int height = 160) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(QRect(50, 40, 60, 60), Qt::red);
    return image;
}

int errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const lumora::Error& e) {
        return e.number();
    }
    return 0;
}

class ImageFilesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

TEST_F(ImageFilesTest, BitmapJpegAndPngAreWrittenAndReadBack) {
    const QImage picture = pattern();
    for (const QString format : {"bmp", "jpg", "png"}) {
        const QString path = dir.filePath("pattern." + format);
        saveImage(picture, path, format);
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), format == "jpg" ? QByteArray("jpeg") : format.toLatin1())
            << format.toStdString();
        const QImage back = reader.read();
        ASSERT_FALSE(back.isNull()) << format.toStdString();
        EXPECT_EQ(back.size(), picture.size());
        // JPEG at quality 100 keeps the colours all but exactly.
        const QRgb inside = back.pixel(80, 70), outside = back.pixel(10, 10);
        EXPECT_GT(qRed(inside), 240) << format.toStdString();
        EXPECT_LT(qGreen(inside), 15) << format.toStdString();
        EXPECT_GT(qGray(outside), 245) << format.toStdString();
        if (format != "jpg") {
            EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
        }
    }
}

TEST_F(ImageFilesTest, JpegIsWrittenAtFullQuality) {
    // A busy picture, where the quality setting shows in the file size.
    QImage noise(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            noise.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * y) % 256, (x ^ y) % 256));
    saveImage(noise, dir.filePath("full.jpg"), "jpg");
    QFile defaultQuality(dir.filePath("default.jpg"));
    ASSERT_TRUE(defaultQuality.open(QIODevice::WriteOnly));
    noise.save(&defaultQuality, "jpg");
    defaultQuality.close();
    EXPECT_GT(QFileInfo(dir.filePath("full.jpg")).size(), 2 * QFileInfo(dir.filePath("default.jpg")).size());
}

TEST_F(ImageFilesTest, TransparentPicturesAreSavedOnWhite) {
    QImage clear(40, 30, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    saveImage(clear, dir.filePath("clear.bmp"), "bmp");
    const QImage back(dir.filePath("clear.bmp"));
    EXPECT_EQ(back.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ImageFilesTest, AnExistingFileIsReplaced) {
    const QString path = dir.filePath("again.png");
    saveImage(pattern(20, 20), path, "png");
    saveImage(pattern(200, 160), path, "png");
    EXPECT_EQ(QImage(path).size(), QSize(200, 160));
    EXPECT_EQ(entries(dir.path()), QStringList{"again.png"});
}

TEST_F(ImageFilesTest, AFileThatCannotBeWrittenFailsWithError75AndLeavesNothing) {
    const QImage picture = pattern();
    const QString missingFolder = dir.filePath("no such folder/pattern.png");
    EXPECT_EQ(errorNumberOf([&] { saveImage(picture, missingFolder, "png"); }), 75);
    EXPECT_FALSE(QFile::exists(missingFolder));

    // The name of a folder: the folder stays as it was and no scratch file is left.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.bmp"));
    for (const QString format : {"bmp", "jpg", "png"})
        EXPECT_EQ(errorNumberOf([&] { saveImage(picture, dir.filePath("taken.bmp"), format); }), 75);
    EXPECT_EQ(errorNumberOf([&] { exportPdf(dir.filePath("taken.bmp"), "T", picture, "O"); }), 75);
    EXPECT_EQ(errorNumberOf([&] { saveSvg(dir.filePath("taken.bmp"), {10, 10}, [](QPaintDevice&) {}); }), 75);
    EXPECT_EQ(entries(dir.path()), QStringList{"taken.bmp"});
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.bmp")).isDir());

    try {
        saveImage(picture, missingFolder, "png");
    } catch (const lumora::Error& e) {
        EXPECT_NE(QString::fromStdString(e.message()).indexOf("Error 75: Path/File access error"), -1);
        EXPECT_NE(QString::fromStdString(e.description()).indexOf("pattern.png"), -1);
    }
}

TEST_F(ImageFilesTest, NothingToSaveIsAFailureNotASuccess) {
    const QString path = dir.filePath("empty.png");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    EXPECT_NE(errorNumberOf([&] { saveImage(QImage(), path, "png"); }), 0);
    EXPECT_NE(errorNumberOf([&] { saveImage(pattern(), path, "gif"); }), 0);
    EXPECT_NE(errorNumberOf([&] { exportPdf(path, "T", QImage(), "O"); }), 0);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("keep me"));
}

TEST(SvgFileTest, WrittenAsVectorsAndReadable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("pattern.svg");
    saveSvg(path, {300, 200}, [](QPaintDevice& device) {
        QPainter p(&device);
        p.fillRect(QRect(0, 0, 300, 200), Qt::white);
        p.setBrush(Qt::blue);
        p.drawEllipse(QPointF(150, 100), 40, 40);
    });
    QSvgRenderer svg(path);
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(0, 0, 300, 200));
    QImage shown(300, 200, QImage::Format_RGB32);
    shown.fill(Qt::black);
    QPainter p(&shown);
    svg.render(&p);
    p.end();
    EXPECT_EQ(shown.pixel(150, 100) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(shown.pixel(10, 10) & 0xFFFFFF, 0xFFFFFFu);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<svg"));
}

TEST(SvgFileTest, APaintingThatFailsLeavesNoFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.svg");
    EXPECT_THROW(saveSvg(path, {100, 100},
                         [](QPaintDevice&) { throw lumora::Error(lumora::Error::Overflow, "Overflow"); }),
                 lumora::Error);
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

// ---- header lines ---------------------------------------------------------------

TEST(HeaderLineTest, PrintAndPdfLinesCarryOrientationAndCell) {
    lumora::clLAUE laue;
    laue.SGTAB_find("F d -3 m");
    const float cell[6] = {5.431f, 5.431f, 5.431f, 90, 90, 90};
    for (int i = 0; i < 6; ++i) laue.setCellConstant(i, cell[i]);
    laue.GenerateHKL();
    laue.setOrientation(1, 1, 0, true);
    const std::string ahkl = laue.m_ahkl, auvw = laue.m_auvw;
    ASSERT_FALSE(ahkl.empty());
    EXPECT_EQ(
        lumora::output::printHeaderLine(laue).toStdString(),
        "Lumora - Orientation " + ahkl + " / " + auvw + ",  Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>");
    EXPECT_EQ(lumora::output::pdfOrientationLine(laue).toStdString(),
              "Orientation " + ahkl + " / " + auvw + " ,   Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>");
}

// ---- the PDF page ---------------------------------------------------------------------

class PdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTool("pdftotext") || !haveTool("pdftoppm") || !haveTool("pdfinfo"))
            GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm, pdfinfo) are not installed";
    }
    QTemporaryDir dir;
};

TEST_F(PdfTest, PageHoldsTitlePictureOrientationAndFooter) {
    const QString path = dir.filePath("Lumora.pdf");
    exportPdf(path, "Silicon at 110", solidPicture(400, 300, qRgb(255, 0, 0)),
              "Orientation (110) / [110] ,   Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>");

    const QString text = pdfText(path);
    const int title = text.indexOf("Silicon at 110");
    const int orientation = text.indexOf("Orientation (110) / [110]");
    const int cell = text.indexOf("Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>");
    const int footer = text.indexOf("Lumora 1.0 by Tessarin");
    ASSERT_NE(title, -1) << text.toStdString();
    ASSERT_NE(orientation, -1) << text.toStdString();
    EXPECT_NE(cell, -1) << text.toStdString();
    ASSERT_NE(footer, -1) << text.toStdString();
    EXPECT_NE(text.indexOf("www."), -1);
    EXPECT_LT(title, orientation);  // top to bottom: title, (picture), orientation line, footer
    EXPECT_LT(orientation, footer);

    const QString info = pdfInfo(path);
    EXPECT_NE(info.indexOf(QRegularExpression("Title:\\s+Silicon at 110\n")), -1) << info.toStdString();
    EXPECT_NE(info.indexOf(QRegularExpression("Creator:\\s+Lumora 1.0")), -1) << info.toStdString();
    EXPECT_NE(info.indexOf(QRegularExpression("Pages:\\s+1\n")), -1);
    EXPECT_NE(info.indexOf("(A4)"), -1) << info.toStdString();

    // The picture: centred, 0.6 of the page width, below the title.
    const QImage page = pdfPage(path, 50, dir);
    ASSERT_FALSE(page.isNull());
    EXPECT_LT(page.width(), page.height());  // portrait
    const QRect red = extentOf(page, qRgb(255, 0, 0));
    ASSERT_TRUE(red.isValid());
    EXPECT_NEAR(red.width() + 2, 0.6 * page.width(), 3);
    EXPECT_NEAR(red.center().x(), page.width() / 2.0, 2);
    EXPECT_NEAR(static_cast<double>(red.height()) / red.width(), 300.0 / 400.0, 0.03);
    EXPECT_GT(red.top(), page.height() / 12);
}

TEST_F(PdfTest, ATallPictureStillLeavesRoomForTheOrientationLine) {
    const QString path = dir.filePath("tall.pdf");
    exportPdf(path, "Tall", solidPicture(100, 1000, qRgb(0, 0, 255)), "Orientation (001) / [001]");
    const QImage page = pdfPage(path, 50, dir);
    const QRect blue = extentOf(page, qRgb(0, 0, 255));
    ASSERT_TRUE(blue.isValid());
    EXPECT_LT(blue.bottom(), page.height() * 0.85);
    EXPECT_NEAR(blue.center().x(), page.width() / 2.0, 2);
    EXPECT_NE(pdfText(path).indexOf("Orientation (001) / [001]"), -1);
}

TEST_F(PdfTest, UnopenablePdfFileIsReportedByName) {
    const QString path = dir.filePath("missing/Lumora.pdf");
    try {
        exportPdf(path, "T", pattern(), "O");
        FAIL() << "no error";
    } catch (const lumora::Error& e) {
        EXPECT_EQ(e.description(), ("Could not open PDF file : " + path).toStdString());
    }
    EXPECT_FALSE(QFile::exists(path));
}

// ---- printing -------------------------------------------------------------------------

class PrintTest : public PdfTest {
protected:
    // A PDF printer on a portrait A4 page, as the print dialog would hand it over.
    QString print(const QImage& picture, const QString& header) {
        const QString path = dir.filePath("printout.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        EXPECT_TRUE(printImage(printer, picture, header));
        return path;
    }
};

TEST_F(PrintTest, AWidePictureIsLimitedByTheWidth) {
    const QString path = print(solidPicture(800, 400, qRgb(255, 0, 0)),
                               "Lumora - Orientation (100) / [100],  Cell: 5 x 5 x 5 <90 x 90 x 90>");
    // (pdftotext reads the two blanks before "Cell:" as one.)
    const QString text = pdfText(path);
    EXPECT_NE(text.indexOf(QRegularExpression(
                  "Lumora - Orientation \\(100\\) / \\[100\\], +Cell: 5 x 5 x 5 <90 x 90 x "
                  "90>")),
              -1)
        << text.toStdString();

    const QImage page = pdfPage(path, 50, dir);
    const QRect red = extentOf(page, qRgb(255, 0, 0));
    ASSERT_TRUE(red.isValid());
    // The printable width is the page less its margins (default margins under 2 cm each side).
    EXPECT_GT(red.width(), page.width() * 0.8);
    EXPECT_NEAR(red.center().x(), page.width() / 2.0, 3);
    EXPECT_NEAR(static_cast<double>(red.width()) / red.height(), 2.0, 0.05);
}

TEST_F(PrintTest, ATallPictureIsLimitedByTheHeightAndTheHeaderFitsBeneath) {
    const QString path =
        print(solidPicture(300, 1200, qRgb(0, 160, 0)), "Lumora - Orientation (001) / [001]");
    const QImage page = pdfPage(path, 50, dir);
    const QRect green = extentOf(page, qRgb(0, 160, 0));
    ASSERT_TRUE(green.isValid());
    EXPECT_GT(green.height(), page.height() * 0.75);
    EXPECT_LT(green.width(), page.width() * 0.4);
    EXPECT_NEAR(green.center().x(), page.width() / 2.0, 3);
    EXPECT_NEAR(static_cast<double>(green.height()) / green.width(), 4.0, 0.1);
    const QString text = pdfText(path);
    EXPECT_NE(text.indexOf("Lumora - Orientation (001) / [001]"), -1) << text.toStdString();
}

TEST(PrintWithoutPictureTest, ReportsFailure) {
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("nothing.pdf"));
    EXPECT_FALSE(printImage(printer, QImage(), "header"));
}

// ---- the clipboard ----------------------------------------------------------------------

TEST(ClipboardTest, PictureAndTextReachTheClipboard) {
    const QImage picture = pattern(64, 48);
    lumora::output::copyImage(picture);
    const QImage back = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(64, 48));
    EXPECT_EQ(back.pixel(10, 10) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(back.pixel(55, 45) & 0xFFFFFF, 0xFF0000u);

    lumora::output::copyText("  1   1   1   3.13560\r\n");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "  1   1   1   3.13560\r\n");
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
}

}  // namespace
