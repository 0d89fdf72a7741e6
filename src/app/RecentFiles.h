#pragma once

#include <QString>
#include <QStringList>

namespace lumora::app {

// The files the user opened last, newest first: at most eight, each file
// once however it was named (compared by canonical absolute path).
class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    RecentFiles() = default;
    // A stored list, as it may have been edited by hand: empty entries and
    // repeated names go, and only the first eight stay.
    explicit RecentFiles(const QStringList& paths);

    const QStringList& paths() const { return paths_; }
    bool isEmpty() const { return paths_.isEmpty(); }

    // Puts the file at the top, under its canonical path when it exists.
    void add(const QString& path);
    // False when the file was not in the list.
    bool remove(const QString& path);
    void clear() { paths_.clear(); }

    // Whether two names denote the same file.
    static bool samePath(const QString& a, const QString& b);

private:
    QStringList paths_;
};

}  // namespace lumora::app
