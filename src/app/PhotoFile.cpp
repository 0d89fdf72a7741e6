#include "app/PhotoFile.h"

#include <QFileInfo>
#include <QImageReader>

#include "util/Error.h"

namespace lumora::app {

namespace {

// Megabytes as Qt's allocation limit counts them, rounded up.
qint64 megabytes(qint64 bytes) { return (bytes + (1 << 20) - 1) >> 20; }

}  // namespace

PhotoRead readPhoto(const QString& path) {
    PhotoRead result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = Error::FileNotFound;
        result.problem = QStringLiteral("File not found");
        return result;
    }
    // A folder, a FIFO or a device would block or never end.
    if (!info.isFile()) {
        result.error = Error::PathAccess;
        result.problem = QStringLiteral("not a regular file");
        return result;
    }
    if (info.size() > kLargestPhotoFile) {
        result.error = Error::PathAccess;
        result.problem = QStringLiteral("the file is too large for a photograph (%1 MB, at most %2 MB)")
                             .arg(megabytes(info.size()))
                             .arg(kLargestPhotoFile >> 20);
        return result;
    }

    QImageReader reader(path);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kPhotoAllocationLimitMB);
    // The picture is kept at 32 bits a pixel, whatever the file's depth.
    const QSize size = reader.size();
    const qint64 bytes = size.isValid() ? qint64(size.width()) * size.height() * 4 : 0;
    const auto tooLarge = [&] {
        result.error = Error::Overflow;
        result.problem = QStringLiteral("too large (%1 MB)").arg(megabytes(bytes));
    };
    if (bytes > qint64(kPhotoAllocationLimitMB) << 20) {
        tooLarge();
        return result;
    }
    QImage picture = reader.read();
    if (picture.isNull()) {
        result.error = Error::PathAccess;
        result.problem = reader.errorString();
        return result;
    }
    result.image = picture.convertToFormat(QImage::Format_RGB32);
    if (result.image.isNull()) tooLarge();
    return result;
}

}  // namespace lumora::app
