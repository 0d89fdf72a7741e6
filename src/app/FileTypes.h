#pragma once

#include <QString>

namespace lumora::app {

// The kinds of file File > Open and the photo page read, told by the file
// name's extension in any letter case, with the usual spellings of each
// format (".jpeg" and ".jpe" beside ".jpg", ".dib" beside ".bmp").
enum class FileType { Unknown, Cel, Csf, Cif, Rsv, Photo };

FileType fileTypeOf(const QString& path);

// Dialog filter patterns for a kind: each spelling in lower and upper case
// ("*.jpg *.JPG *.jpeg *.JPEG ..."), since the desktop's own file dialogs
// match names with case; Photo gives every photo format.
QString filterPatterns(FileType type);

// The filters of the Open dialog and of the photo page's Load Laue Photo.
QString openFilters();
QString photoFilters();

}  // namespace lumora::app
