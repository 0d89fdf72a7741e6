#include "app/PhotoFile.h"

#include <QImageReader>

#include "util/Error.h"
#include "util/InputFile.h"

namespace lumora::app {

namespace {

// Megabytes as Qt's allocation limit counts them, rounded up.
qint64 megabytes(qint64 bytes) { return (bytes + (1 << 20) - 1) >> 20; }

}  // namespace

PhotoRead readPhoto(const QString& path) {
    PhotoRead result;
    // What every reader refuses: nothing there, not a regular file (a FIFO or
    // a device would block or never end), more than 64 MB.
    try {
        util::checkInputFile(path.toStdString());
    } catch (const Error& e) {
        result.error = e.number();
        result.problem = QString::fromStdString(e.description());
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
