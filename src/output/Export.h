#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QPaintDevice;
class QPrinter;

namespace lumora {
class clLAUE;
}

namespace lumora::output {

// Every writer goes through a save file: a file that cannot be written raises
// lumora::Error 75 ("Path/File access error: ...") and leaves nothing behind;
// none reports success without having written.

// The bytes of a BMP, PNG, or JPEG at quality 100 (format "bmp", "png", "jpg");
// formats without transparency get the picture on white.
QByteArray encodeImage(const QImage& image, const QString& format);
// The bytes of an SVG of `size` logical pixels at `dotsPerInch` (the CSS
// pixel by default); `paint` draws the picture as vectors.
QByteArray encodeSvg(QSize size, const std::function<void(QPaintDevice&)>& paint, int dotsPerInch = 96);
// Writes every file or none: each is written and flushed beside its target,
// and the targets are replaced only when all of them were written.
void saveFiles(const std::vector<std::pair<QString, QByteArray>>& files);

// BMP, PNG, or JPEG at quality 100 (format "bmp", "png", "jpg").
void saveImage(const QImage& image, const QString& path, const QString& format);
// An SVG of `size` logical pixels; `paint` draws the picture as vectors.
void saveSvg(const QString& path, QSize size, const std::function<void(QPaintDevice&)>& paint);

// "Lumora - Orientation (hkl) / [uvw],  Cell: a x b x c <alpha x beta x gamma>"
QString printHeaderLine(const clLAUE& laue);
// "Orientation (hkl) / [uvw] ,   Cell: ..." as the PDF page writes it.
QString pdfOrientationLine(const clLAUE& laue);

// The one-page PDF (A4 portrait): the title centred near the top (25 pt), the
// picture centred below it at 0.6 of the page width, the orientation line
// (10 pt), and the footer with product, version and web address (7 pt), in
// Arial or the system's sans-serif face. A file that cannot be opened raises
// Error 75 "Could not open PDF file : <path>"; without any font, Error 5
// "Could not init font : Arial".
void exportPdf(const QString& path, const QString& title, const QImage& picture,
               const QString& orientationLine);
// The bytes of that page.
QByteArray encodePdf(const QString& title, const QImage& picture, const QString& orientationLine);

// Prints the picture scaled to fit the printable area (less room for the
// header), centred, with the header line beneath it. Returns false when there
// is no picture or the printer could not be started or failed.
bool printImage(QPrinter& printer, const QImage& picture, const QString& header);

// The clipboard.
void copyImage(const QImage& picture);
void copyText(const QString& text);

}  // namespace lumora::output
