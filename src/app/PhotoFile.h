#pragma once

#include <QImage>
#include <QString>

namespace lumora::app {

// Reading a photograph for the photo page. A photo file passes the check of
// every input file (a regular file of at most 64 MB); its picture, as the page keeps it (32 bits a pixel),
// may take up to what a 16-bit detector frame of 8192 x 8192 pixels needs, with a margin. Qt's own, smaller
// allocation limit would refuse such a frame with a misleading "Unable to read image data".
constexpr int kPhotoAllocationLimitMB = 8192 * 8192 * 4 / (1 << 20) + 32;

struct PhotoRead {
    QImage image;     // null when the file could not be read
    int error = 0;    // the error number for the message (53, 75, 6), 0 when read
    QString problem;  // why not, for the message
};

PhotoRead readPhoto(const QString& path);

}  // namespace lumora::app
