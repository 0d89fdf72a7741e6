#include "app/RecentFiles.h"

#include <QDir>
#include <QFileInfo>

namespace lumora::app {

namespace {

// The canonical path resolves links and "..", but exists only for files that
// are there; a file since deleted keeps its absolute, cleaned name.
QString keyOf(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseSensitive;
#endif

}  // namespace

RecentFiles::RecentFiles(const QStringList& paths) {
    // Stored names were made canonical when they were added; they are not
    // looked up again, since a folder that went away can be slow to answer.
    for (const QString& path : paths) {
        if (paths_.size() == kMaxFiles) break;
        if (path.trimmed().isEmpty()) continue;
        const QString cleaned = QDir::cleanPath(path);
        if (!paths_.contains(cleaned, kFileNameCase)) paths_ << cleaned;
    }
}

bool RecentFiles::samePath(const QString& a, const QString& b) {
    return keyOf(a).compare(keyOf(b), kFileNameCase) == 0;
}

void RecentFiles::add(const QString& path) {
    if (path.trimmed().isEmpty()) return;
    remove(path);
    paths_.prepend(keyOf(path));
    while (paths_.size() > kMaxFiles) paths_.removeLast();
}

bool RecentFiles::remove(const QString& path) {
    const qsizetype before = paths_.size();
    paths_.removeIf([&](const QString& entry) { return samePath(entry, path); });
    return paths_.size() != before;
}

}  // namespace lumora::app
