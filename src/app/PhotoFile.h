#pragma once

#include <QImage>
#include <QString>

#include "engine/PeakSearch.h"

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

// A photograph or detector frame for spot search, its values kept at the file's depth: 16-bit
// greyscale (TIFF, MarCCD .mccd) as 0..65535, 8-bit greyscale as 0..255, colour as its luminance.
struct FrameRead {
    engine::GreyFrame frame;  // empty when the file could not be read
    int depth = 8;            // bits a sample in the file: 8 or 16
    int error = 0;            // as PhotoRead
    QString problem;
};
FrameRead readFrame(const QString& path);
// The frame of an image already read: Format_Grayscale16 keeps its 16 bits, 16-bit colour gives its
// luminance on 0..65535; any other format is taken as 8-bit grey or luminance (0..255).
engine::GreyFrame greyFrame(const QImage& image);

}  // namespace lumora::app
