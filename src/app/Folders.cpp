#include "app/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "engine/AppState.h"

namespace lumora::app {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The folder, created when missing; empty when it cannot be.
QString made(const QString& folder) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return {};
    return QDir(folder).absolutePath();
}

}  // namespace

bool canWriteFolder(const QString& folder) {
    if (folder.isEmpty()) return false;
    const QString probe = QDir(folder).filePath("~tmp.tmp");
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly) || file.write("test\r\n") < 0) return false;
    file.close();
    return QFile::remove(probe);
}

void chooseFolders() {
    Folders& f = appState().folders;
    const QString program = QCoreApplication::applicationDirPath();
    f.program = program.toStdString();

    const QString tmp = qEnvironmentVariable("TMP");
    const QString temporary = tmp.isEmpty() || !QDir(tmp).exists() ? QDir::tempPath() : tmp;
    f.temporary = temporary.toStdString();

    // Beside the program in a build tree or a portable copy; ../share/lumora/data
    // when installed.
    const QString besideData = QDir(program).filePath("data");
    const QString installedData = QDir(program).filePath("../share/lumora/data");
    const bool installed = installedLayout();

    // An installed program keeps its user files out of the binaries' folder,
    // even where it could write there (a prefix in the home folder): they go to
    // the per-user data folder, which survives a reboot. The temporary folder
    // is the last resort.
    QString user = program;
    if (installed || !canWriteFolder(program)) {
        user = made(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        if (user.isEmpty() || !canWriteFolder(user)) user = made(QDir(temporary).filePath("Lumora"));
    }
    f.user = user.toStdString();

    QString photo = installed ? QString() : made(QDir(program).filePath("photo"));
    if (photo.isEmpty() && !user.isEmpty()) photo = made(QDir(user).filePath("photo"));
    f.photo = photo.toStdString();

    QString data = installed ? QDir(installedData).canonicalPath() : made(besideData);
    if (data.isEmpty() && !user.isEmpty()) data = made(QDir(user).filePath("data"));
    f.data = data.toStdString();
}

bool installedLayout() {
    const QString program = programFolder();
    return !program.isEmpty() && !QDir(QDir(program).filePath("data")).exists() &&
           QDir(QDir(program).filePath("../share/lumora/data")).exists();
}

QString programFolder() { return q(appState().folders.program); }
QString userFolder() { return q(appState().folders.user); }
QString photoFolder() { return q(appState().folders.photo); }
QString dataFolder() { return q(appState().folders.data); }
QString temporaryFolder() { return q(appState().folders.temporary); }

}  // namespace lumora::app
