#include "app/PhotoFile.h"

#include <QFileInfo>
#include <QImageReader>

#include "util/Error.h"
#include "util/InputFile.h"

namespace lumora::app {

namespace {

// Megabytes as Qt's allocation limit counts them, rounded up.
qint64 megabytes(qint64 bytes) { return (bytes + (1 << 20) - 1) >> 20; }

// MarCCD frames are TIFF files under their own extension, which no image plugin claims.
void chooseFormat(QImageReader& reader, const QString& path) {
    if (QFileInfo(path).suffix().compare(QLatin1String("mccd"), Qt::CaseInsensitive) == 0)
        reader.setFormat("tiff");
}

// Opens the reader when the file passes the checks of every input file and its picture, held at
// four bytes a pixel, stays within the allocation limit; otherwise says why in `error` and `problem`.
bool openReader(QImageReader& reader, const QString& path, int& error, QString& problem) {
    // What every reader refuses: nothing there, not a regular file (a FIFO or
    // a device would block or never end), more than 64 MB.
    try {
        util::checkInputFile(path.toStdString());
    } catch (const Error& e) {
        error = e.number();
        problem = QString::fromStdString(e.description());
        return false;
    }
    reader.setFileName(path);
    chooseFormat(reader, path);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kPhotoAllocationLimitMB);
    const QSize size = reader.size();
    const qint64 bytes = size.isValid() ? qint64(size.width()) * size.height() * 4 : 0;
    if (bytes > qint64(kPhotoAllocationLimitMB) << 20) {
        error = Error::Overflow;
        problem = QStringLiteral("too large (%1 MB)").arg(megabytes(bytes));
        return false;
    }
    return true;
}

bool isDeepColour(QImage::Format format) {
    return format == QImage::Format_RGBX64 || format == QImage::Format_RGBA64 ||
           format == QImage::Format_RGBA64_Premultiplied;
}

// Luminance of linear-coded colour channels (ITU-R BT.601 weights, as greyscale scans use).
float luminance(float r, float g, float b) { return 0.299f * r + 0.587f * g + 0.114f * b; }

}  // namespace

PhotoRead readPhoto(const QString& path) {
    PhotoRead result;
    QImageReader reader;
    if (!openReader(reader, path, result.error, result.problem)) return result;
    QImage picture = reader.read();
    if (picture.isNull()) {
        result.error = Error::PathAccess;
        result.problem = reader.errorString();
        return result;
    }
    // The picture is kept at 32 bits a pixel, whatever the file's depth.
    result.image = picture.convertToFormat(QImage::Format_RGB32);
    if (result.image.isNull()) {
        result.error = Error::Overflow;
        result.problem = QStringLiteral("too large (%1 MB)")
                             .arg(megabytes(qint64(picture.width()) * picture.height() * 4));
    }
    return result;
}

FrameRead readFrame(const QString& path) {
    FrameRead result;
    QImageReader reader;
    if (!openReader(reader, path, result.error, result.problem)) return result;
    const QImage picture = reader.read();
    if (picture.isNull()) {
        result.error = Error::PathAccess;
        result.problem = reader.errorString();
        return result;
    }
    result.frame = greyFrame(picture);
    result.depth = result.frame.saturation > 255 ? 16 : 8;
    return result;
}

engine::GreyFrame greyFrame(const QImage& image) {
    engine::GreyFrame frame;
    if (image.isNull()) return frame;
    frame.width = image.width();
    frame.height = image.height();
    frame.values.resize(std::size_t(frame.width) * std::size_t(frame.height));
    float* out = frame.values.data();
    if (image.format() == QImage::Format_Grayscale16) {
        frame.saturation = 65535;
        for (int y = 0; y < frame.height; ++y) {
            const auto* row = reinterpret_cast<const quint16*>(image.constScanLine(y));
            for (int x = 0; x < frame.width; ++x) *out++ = row[x];
        }
    } else if (isDeepColour(image.format())) {
        // 16 bits a channel: the luminance keeps the full depth.
        const QImage rgb = image.convertToFormat(QImage::Format_RGBX64);
        frame.saturation = 65535;
        for (int y = 0; y < frame.height; ++y) {
            const auto* row = reinterpret_cast<const QRgba64*>(rgb.constScanLine(y));
            for (int x = 0; x < frame.width; ++x)
                *out++ = luminance(row[x].red(), row[x].green(), row[x].blue());
        }
    } else if (image.isGrayscale()) {
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        frame.saturation = 255;
        for (int y = 0; y < frame.height; ++y) {
            const uchar* row = grey.constScanLine(y);
            for (int x = 0; x < frame.width; ++x) *out++ = row[x];
        }
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        frame.saturation = 255;
        for (int y = 0; y < frame.height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < frame.width; ++x)
                *out++ = luminance(qRed(row[x]), qGreen(row[x]), qBlue(row[x]));
        }
    }
    return frame;
}

}  // namespace lumora::app
