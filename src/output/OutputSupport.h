#pragma once

// Pieces the writers share; not part of the layer's interface.

#include <QString>

class QSaveFile;

namespace lumora::output::detail {

// Error 75 naming the file and, when known, the reason.
[[noreturn]] void refuseWrite(const QString& path, const QString& reason);
// Opens the save file or raises Error 75.
void openForWriting(QSaveFile& file);
// Replaces the target by the written file or raises Error 75.
void commit(QSaveFile& file);

// "Lumora 1.0 by Tessarin" and the address printed beneath it.
QString productLine();
QString webAddress();

}  // namespace lumora::output::detail
