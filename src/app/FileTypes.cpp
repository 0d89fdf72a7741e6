#include "app/FileTypes.h"

#include <QFileInfo>
#include <QStringList>

namespace lumora::app {

namespace {

struct Spelling {
    FileType type;
    const char* suffix;
};

// In the order the filters list them.
constexpr Spelling kSpellings[] = {
    {FileType::Cel, "cel"},
    {FileType::Csf, "csf"},
    {FileType::Cif, "cif"},
    {FileType::Rsv, "rsv"},
    {FileType::Photo, "jpg"},
    {FileType::Photo, "jpeg"},
    {FileType::Photo, "jpe"},
    {FileType::Photo, "gif"},
    {FileType::Photo, "bmp"},
    {FileType::Photo, "dib"},
    {FileType::Photo, "png"},
    // Detector frames and image plates: TIFF, and MarCCD frames, which are TIFF files.
    {FileType::Photo, "tif"},
    {FileType::Photo, "tiff"},
    {FileType::Photo, "mccd"},
};

QString patterns(bool (*wanted)(FileType, FileType), FileType type) {
    QStringList list;
    for (const Spelling& s : kSpellings) {
        if (!wanted(s.type, type)) continue;
        const QString suffix = QString::fromLatin1(s.suffix);
        list << QStringLiteral("*.") + suffix << QStringLiteral("*.") + suffix.toUpper();
    }
    return list.join(QLatin1Char(' '));
}

bool same(FileType a, FileType b) { return a == b; }
bool any(FileType, FileType) { return true; }
bool celOrRsv(FileType a, FileType) { return a == FileType::Cel || a == FileType::Rsv; }

}  // namespace

FileType fileTypeOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    for (const Spelling& s : kSpellings)
        if (suffix.compare(QLatin1String(s.suffix), Qt::CaseInsensitive) == 0) return s.type;
    return FileType::Unknown;
}

QString filterPatterns(FileType type) { return patterns(same, type); }

QString openFilters() {
    return QStringLiteral("All Lumora Files (%1);;").arg(patterns(any, FileType::Unknown)) +
           QStringLiteral("Structure or HKLF File (%1);;").arg(patterns(celOrRsv, FileType::Unknown)) +
           QStringLiteral("PowderCell File (%1);;").arg(filterPatterns(FileType::Cel)) +
           QStringLiteral("HKLF Data File (%1);;").arg(filterPatterns(FileType::Rsv)) +
           QStringLiteral("MDI Structure File (%1);;").arg(filterPatterns(FileType::Csf)) +
           QStringLiteral("Crystallographic Information File (%1);;").arg(filterPatterns(FileType::Cif)) +
           photoFilters();
}

QString photoFilters() { return QStringLiteral("Laue Photo (%1)").arg(filterPatterns(FileType::Photo)); }

}  // namespace lumora::app
