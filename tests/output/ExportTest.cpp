#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <optional>

#include "../support/SmallDisk.h"
#include "engine/LaueEngine.h"
#include "output/Export.h"
#include "util/Error.h"

namespace {

using namespace lumora::output;

// Poppler's command-line tools read back what was written, as a PDF viewer would show it.
QString poppler(const QString& tool, const QStringList& arguments) {
    QProcess p;
    p.start(tool, arguments);
    return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}
QString pdfText(const QString& pdf) { return poppler("pdftotext", {"-layout", pdf, "-"}); }
QImage pdfPage(const QString& pdf, const QTemporaryDir& dir) {  // the first page at 50 dpi
    poppler("pdftoppm", {"-png", "-r", "50", "-f", "1", "-l", "1", "-singlefile", pdf, dir.filePath("page")});
    return QImage(dir.filePath("page.png"));
}

// Bounding box of the red pixels (scaling blurs the edges).
QRect redExtent(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 60) box |= QRect(x, y, 1, 1);
    return box;
}

QImage filled(int width, int height, const QColor& colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Files in a folder, to see that a failed write left nothing behind.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// A picture with something to recognise: a red square on white.
QImage pattern(int width = 200, int height = 160) {
    QImage image = filled(width, height, Qt::white);
    QPainter(&image).fillRect(QRect(50, 40, 60, 60), Qt::red);
    return image;
}

std::optional<lumora::Error> failure(const std::function<void()>& action) try {
    action();
    return std::nullopt;
} catch (const lumora::Error& e) {
    return e;
}

TEST(ImageFilesTest, BitmapJpegPngAndSvgAreWrittenAndReadBack) {
    QTemporaryDir dir;
    const QImage picture = pattern();
    for (const QString format : {"bmp", "jpg", "png"}) {
        SCOPED_TRACE(format.toStdString());
        const QString path = dir.filePath("pattern." + format);
        saveImage(pattern(20, 20), path, format);
        saveImage(picture, path, format);  // an existing file is replaced
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), format == "jpg" ? QByteArray("jpeg") : format.toLatin1());
        const QImage back = reader.read();
        ASSERT_EQ(back.size(), picture.size());
        EXPECT_EQ(redExtent(back), QRect(50, 40, 60, 60));
        if (format != "jpg") {
            EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
        }
    }
    EXPECT_EQ(entries(dir.path()).size(), 3);  // existing files were replaced

    QImage noise(256, 256, QImage::Format_RGB32);  // JPEG quality shows in the file size of noise
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            noise.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * y) % 256, x ^ y));
    saveImage(noise, dir.filePath("full.jpg"), "jpg");
    noise.save(dir.filePath("default.jpg"), "jpg");
    EXPECT_GT(QFileInfo(dir.filePath("full.jpg")).size(), 2 * QFileInfo(dir.filePath("default.jpg")).size());
    QImage clear(40, 30, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    saveImage(clear, dir.filePath("clear.bmp"), "bmp");
    EXPECT_EQ(QImage(dir.filePath("clear.bmp")).pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);

    const QString path = dir.filePath("pattern.svg");  // vectors, shown by an SVG renderer
    saveSvg(path, {300, 200}, [](QPaintDevice& device) {
        QPainter p(&device);
        p.fillRect(QRect(0, 0, 300, 200), Qt::white);
        p.fillRect(QRect(100, 50, 100, 100), Qt::blue);
    });
    QSvgRenderer svg(path);
    EXPECT_EQ(svg.viewBox(), QRect(0, 0, 300, 200));
    QImage shown = filled(300, 200, Qt::black);
    QPainter p(&shown);
    svg.render(&p);
    p.end();
    EXPECT_EQ(shown.pixel(150, 100) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(shown.pixel(10, 10) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(ImageFilesTest, FailuresAreReportedAndLeaveNothingBehind) {
    QTemporaryDir dir;
    const QImage picture = pattern();
    const QString missing = dir.filePath("no such folder/pattern.png");
    const auto e = failure([&] { saveImage(picture, missing, "png"); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->number(), 75);
    EXPECT_NE(QString::fromStdString(e->message()).indexOf("Error 75: Path/File access error"), -1);
    EXPECT_NE(QString::fromStdString(e->description()).indexOf("pattern.png"), -1);
    EXPECT_EQ(failure([&] { exportPdf(missing, "T", picture, "O"); }).value().description(),
              ("Could not open PDF file : " + missing).toStdString());
    // The name of a folder: the folder stays as it was and no scratch file is left.
    const QString taken = dir.filePath("taken.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.bmp"));
    for (const QString format : {"bmp", "jpg", "png"})
        EXPECT_EQ(failure([&] { saveImage(picture, taken, format); }).value().number(), 75);
    EXPECT_EQ(failure([&] { exportPdf(taken, "T", picture, "O"); }).value().number(), 75);
    EXPECT_EQ(failure([&] { saveSvg(taken, {10, 10}, [](QPaintDevice&) {}); }).value().number(), 75);
    EXPECT_TRUE(QFileInfo(taken).isDir());
    // Nothing to save, or a painting that fails, is no success and keeps the old file.
    const QString path = dir.filePath("empty.png");
    saveImage(picture, path, "png");
    EXPECT_TRUE(failure([&] { saveImage(QImage(), path, "png"); }));
    EXPECT_TRUE(failure([&] { saveImage(picture, path, "gif"); }));
    EXPECT_TRUE(failure([&] { exportPdf(path, "T", QImage(), "O"); }));
    EXPECT_TRUE(failure([&] { saveSvg(path, {9, 9}, [](QPaintDevice&) { throw lumora::Error(6, ""); }); }));
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(entries(dir.path()), (QStringList{"empty.png", "taken.bmp"}));
}

TEST(HeaderLineTest, PrintAndPdfLinesCarryOrientationAndCell) {
    lumora::clLAUE laue;
    laue.SGTAB_find("F d -3 m");
    for (int i = 0; i < 6; ++i) laue.setCellConstant(i, i < 3 ? 5.431f : 90.0f);
    laue.GenerateHKL();
    laue.setOrientation(1, 1, 0, true);
    const std::string vectors = laue.m_ahkl + " / " + laue.m_auvw;
    ASSERT_FALSE(laue.m_ahkl.empty());
    EXPECT_EQ(printHeaderLine(laue).toStdString(),
              "Lumora - Orientation " + vectors + ",  Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>");
    EXPECT_EQ(pdfOrientationLine(laue).toStdString(),
              "Orientation " + vectors + " ,   Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>");
}

class PdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"pdftotext", "pdftoppm", "pdfinfo"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm, pdfinfo) are not installed";
    }
    QTemporaryDir dir;
};

TEST_F(PdfTest, PageHoldsTitlePictureOrientationAndFooter) {
    const QString path = dir.filePath("Lumora.pdf");
    exportPdf(path, "Silicon at 110", filled(400, 300, Qt::red),
              "Orientation (110) / [110] ,   Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>");
    const QString text = pdfText(path);
    int at = 0;  // top to bottom: title, (picture), orientation line, footer
    for (const char* part :
         {"Silicon at 110", "Orientation (110) / [110]", "Cell: 5.431 x 5.431 x 5.431 <90 x 90 x 90>",
          "Lumora 1.0 by Tessarin", "www."}) {
        at = text.indexOf(part, at);
        ASSERT_NE(at, -1) << part << " in\n" << text.toStdString();
    }

    const QString info = poppler("pdfinfo", {path});
    EXPECT_TRUE(info.contains(QRegularExpression("Title: +Silicon at 110\n")) && info.contains("(A4)"))
        << info.toStdString();

    // The picture: centred, 0.6 of the page width, below the title.
    const QImage page = pdfPage(path, dir);
    ASSERT_LT(page.width(), page.height());  // portrait
    const QRect red = redExtent(page);
    EXPECT_NEAR(red.width(), 0.6 * page.width(), 3);
    EXPECT_NEAR(red.center().x(), page.width() / 2.0, 2);
    EXPECT_NEAR(static_cast<double>(red.height()) / red.width(), 0.75, 0.03);
    EXPECT_GT(red.top(), page.height() / 12);

    // A tall picture still leaves room for the orientation line.
    exportPdf(path, "Tall", filled(100, 1000, Qt::red), "Orientation (001) / [001]");
    EXPECT_LT(redExtent(pdfPage(path, dir)).bottom(), page.height() * 0.85);
    EXPECT_NE(pdfText(path).indexOf("Orientation (001) / [001]"), -1);
}

// A PDF printer on a portrait A4 page, as the print dialog would hand it over.
TEST_F(PdfTest, PrintingScalesThePictureIntoThePageWithTheHeaderBeneath) {
    const QString path = dir.filePath("printout.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    EXPECT_FALSE(printImage(printer, QImage(), "header"));

    // Wide pictures are limited by the width (less margins under 2 cm each side), tall ones by the height.
    for (const QSize size : {QSize(800, 400), QSize(300, 1200)}) {
        const QString header =
            QString("Lumora - Orientation (%1) / [100],  Cell: 5 x 5 x 5").arg(size.width());
        ASSERT_TRUE(printImage(printer, filled(size.width(), size.height(), Qt::red), header));
        EXPECT_TRUE(pdfText(path).simplified().contains(header.simplified())) << header.toStdString();
        const QImage page = pdfPage(path, dir);
        const QRect red = redExtent(page);
        EXPECT_GT(std::max(red.width() * 1.0 / page.width(), red.height() * 1.0 / page.height()), 0.75);
        EXPECT_NEAR(red.center().x(), page.width() / 2.0, 3);
        EXPECT_NEAR(red.width() * 1.0 / red.height(), size.width() * 1.0 / size.height(), 0.05);
    }
}

TEST(ClipboardTest, PictureAndTextReachTheClipboard) {
    copyImage(pattern(64, 48));
    const QImage back = QGuiApplication::clipboard()->image();
    ASSERT_EQ(back.size(), QSize(64, 48));
    EXPECT_EQ(back.pixel(55, 45) & 0xFFFFFF, 0xFF0000u);
    copyText("  1   1   1   3.13560\r\n");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "  1   1   1   3.13560\r\n");
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
}

}  // namespace

namespace {

using testsupport::FullDiskTest;

// A picture whose PNG is a few kilobytes: less than the save file's write
// buffer, so nothing reaches the disk before the final flush.
QImage noisy() {
    QImage image = filled(64, 64, Qt::white);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, y * 4));
    return image;
}

}  // namespace

// On a full disk every writer reports the failure and the old file stays whole.
TEST_F(FullDiskTest, EveryWriterKeepsTheOldFileAndSaysSo) {
    const QByteArray old = encodeImage(pattern(20, 20), "png");
    for (const QString name : {"old.png", "old.jpg", "old.bmp", "old.svg", "old.pdf", "old.tsv"})
        store(name, old);
    fill();
    const QImage picture = noisy();
    ASSERT_LT(encodeImage(picture, "png").size(), 16000);
    const auto refused = [&](const std::function<void()>& write) {
        const auto e = failure(write);
        return e.has_value() && e->number() == 75;
    };
    EXPECT_TRUE(refused([&] { saveImage(picture, path("old.png"), "png"); }));
    EXPECT_TRUE(refused([&] { saveImage(picture, path("old.jpg"), "jpg"); }));
    EXPECT_TRUE(refused([&] { saveImage(picture, path("old.bmp"), "bmp"); }));
    EXPECT_TRUE(refused([&] {
        saveSvg(path("old.svg"), {64, 64}, [&](QPaintDevice& d) { QPainter(&d).drawImage(0, 0, picture); });
    }));
    EXPECT_TRUE(refused([&] { exportPdf(path("old.pdf"), "T", picture, "O"); }));
    EXPECT_TRUE(refused([&] { saveFiles({{path("old.tsv"), QByteArray(3000, 'h')}}); }));
    for (const QString name : {"old.png", "old.jpg", "old.bmp", "old.svg", "old.pdf", "old.tsv"})
        EXPECT_EQ(contents(name), old) << name.toStdString();
    EXPECT_EQ(files().size(), 7) << files().join(' ').toStdString();
}

// Two files are written together or not at all.
TEST(ImageFilesTest, SaveFilesWritesAllOrNothing) {
    QTemporaryDir dir;
    const QString first = dir.filePath("first.txt");
    saveFiles({{first, "old"}});
    EXPECT_TRUE(failure([&] { saveFiles({{first, "new"}, {dir.filePath("no such folder/x"), "y"}}); }));
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
    EXPECT_EQ(entries(dir.path()), QStringList{"first.txt"});
}
