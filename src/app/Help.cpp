// Help > Contents: the HTML manual beside the program or where it is installed.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/Messages.h"
#include "app/Tools.h"

namespace lumora::app {

QString helpIndexFile(const QString& programFolder) {
    const QDir program(programFolder);
    for (const QString& relative :
         {QStringLiteral("docs/help/index.html"), QStringLiteral("../share/lumora/help/index.html")}) {
        const QFileInfo candidate(program.filePath(relative));
        if (candidate.isFile() && candidate.isReadable()) return candidate.canonicalFilePath();
    }
    return {};
}

bool showHelpContents(QWidget* parent) {
    const QString index = helpIndexFile(QCoreApplication::applicationDirPath());
    if (index.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(index))) {
        tell(
            parent, QStringLiteral("Help"),
            QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."),
            QMessageBox::Warning);
        return false;
    }
    return true;
}

}  // namespace lumora::app
