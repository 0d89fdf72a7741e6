#include "app/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "app/AppState.h"

namespace lumora::app {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The folder, created when missing; empty when it cannot be.
QString made(const QString& folder) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return {};
    return QDir(folder).absolutePath();
}

// The last folder a file was chosen in lives with the window placement.
constexpr const char* kStore = "Lumora";
constexpr const char* kLastFolderKey = "Settings/LastFolder";

}  // namespace

bool canWriteFolder(const QString& folder) {
    if (folder.isEmpty()) return false;
    const QString probe = QDir(folder).filePath("~tmp.tmp");
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly) || file.write("test\r\n") < 0) return false;
    file.close();
    return QFile::remove(probe);
}

QString perUserDataFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("lumora"));
}

void chooseFolders() {
    Folders& f = appState().folders;
    const QString program = QCoreApplication::applicationDirPath();
    f.program = program.toStdString();

    const QString tmp = qEnvironmentVariable("TMP");
    const QString temporary = tmp.isEmpty() || !QDir(tmp).exists() ? QDir::tempPath() : tmp;
    f.temporary = temporary.toStdString();

    const bool installed = installedLayout();
    // The program's own folder is never written to: a build folder, a
    // portable copy and an installed program alike keep the user's files in
    // the per-user data folder, which survives a reboot. (On Windows a
    // portable copy keeps them beside itself when it may write there.) The
    // temporary folder is the last resort.
    QString user;
#if defined(Q_OS_WIN)
    if (!installed && canWriteFolder(program)) user = program;
#endif
    if (user.isEmpty()) user = made(perUserDataFolder());
    if (user.isEmpty() || !canWriteFolder(user)) user = made(QDir(temporary).filePath("Lumora"));
    f.user = user.toStdString();

    f.photo = (user.isEmpty() ? QString() : made(QDir(user).filePath("photo"))).toStdString();

    // The example data: beside the program in a build tree or a portable
    // copy, ../share/lumora/data when installed, else an empty folder of the user's.
    const QString besideData = QDir(program).filePath("data");
    QString data;
    if (installed)
        data = QDir(QDir(program).filePath("../share/lumora/data")).canonicalPath();
    else if (QFileInfo(besideData).isDir())
        data = QDir(besideData).absolutePath();
    if (data.isEmpty() && !user.isEmpty()) data = made(QDir(user).filePath("data"));
    f.data = data.toStdString();

    f.lastDialog =
        QSettings(QSettings::UserScope, kStore, kStore).value(kLastFolderKey).toString().toStdString();
}

bool installedLayout() {
    const QString program = programFolder();
    return !program.isEmpty() && !QDir(QDir(program).filePath("data")).exists() &&
           QDir(QDir(program).filePath("../share/lumora/data")).exists();
}

QString dialogFolder() {
    const QString last = q(appState().folders.lastDialog);
    if (!last.isEmpty() && QFileInfo(last).isDir()) return QDir(last).absolutePath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    const QString home = QDir::homePath();
    return QFileInfo(home).isDir() ? home : userFolder();
}

void rememberDialogFolder(const QString& chosen) {
    if (chosen.isEmpty()) return;
    const QFileInfo info(chosen);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (!QFileInfo(folder).isDir()) return;
    appState().folders.lastDialog = folder.toStdString();
    QSettings(QSettings::UserScope, kStore, kStore).setValue(kLastFolderKey, folder);
}

QString programFolder() { return q(appState().folders.program); }
QString userFolder() { return q(appState().folders.user); }
QString photoFolder() { return q(appState().folders.photo); }
QString dataFolder() { return q(appState().folders.data); }
QString temporaryFolder() { return q(appState().folders.temporary); }

}  // namespace lumora::app
