#pragma once

// Helpers of the export and printing tests: poppler's command-line tools read
// back what was written, as a PDF viewer would show it.

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

namespace outputtest {

inline bool haveTool(const QString& name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

// The text of a PDF page as pdftotext reads it (layout kept).
inline QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// pdfinfo's "Key: value" lines.
inline QString pdfInfo(const QString& pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The first page rendered at `dpi`.
inline QImage pdfPage(const QString& pdf, int dpi, const QTemporaryDir& dir) {
    const QString base = dir.filePath("page");
    QProcess p;
    p.start("pdftoppm", {"-png", "-r", QString::number(dpi), "-f", "1", "-l", "1", "-singlefile", pdf, base});
    if (!p.waitForFinished(60000)) return {};
    return QImage(base + ".png");
}

// Bounding box of the pixels close to a pure colour (JPEG and scaling blur edges).
inline QRect extentOf(const QImage& image, QRgb colour, int tolerance = 60) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                    std::abs(qBlue(p) - qBlue(colour)) <=
                tolerance)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

// A picture of one colour with a black frame: easy to find again on a page.
inline QImage solidPicture(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    for (int x = 0; x < width; ++x)
        image.setPixel(x, 0, 0xFF000000), image.setPixel(x, height - 1, 0xFF000000);
    for (int y = 0; y < height; ++y)
        image.setPixel(0, y, 0xFF000000), image.setPixel(width - 1, y, 0xFF000000);
    return image;
}

// Files in a folder, to see that a failed write left nothing behind.
inline QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace outputtest
