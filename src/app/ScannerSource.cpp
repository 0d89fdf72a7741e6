// The scanner source: the devices SANE's scanimage lists, one of which is
// remembered for the photo tab.
#include <QApplication>
#include <QInputDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include "app/Messages.h"
#include "app/Tools.h"

namespace lumora::app {

namespace {

const QString kTitle = QStringLiteral("TWAIN device");
const QString kNoSource =
    QStringLiteral("No scanner source is available. Install SANE (scanimage) to use a scanner.");
// Network scanners can take a while to answer; a hung backend must not hang us.
constexpr int kSearchMilliseconds = 20000;

struct Device {
    QString name;         // "genesys:libusb:001:004"
    QString description;  // "Canon LiDE 110 flatbed scanner"
};

// "device `name' is a description" per line.
QList<Device> parseDevices(const QString& listing) {
    static const QRegularExpression line(QStringLiteral("^device [`'\"](.+)['\"] is an? (.+)$"));
    QList<Device> devices;
    for (const QString& raw : listing.split('\n')) {
        const QRegularExpressionMatch m = line.match(raw.trimmed());
        if (m.hasMatch()) devices.push_back({m.captured(1), m.captured(2).trimmed()});
    }
    return devices;
}

}  // namespace

void chooseScannerSource(QWidget* parent) {
    const QString scanimage = QStandardPaths::findExecutable(QStringLiteral("scanimage"));
    if (scanimage.isEmpty()) {
        tell(parent, kTitle, kNoSource);
        return;
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    process.start(scanimage, {QStringLiteral("-L")});
    const bool finished = process.waitForStarted(5000) && process.waitForFinished(kSearchMilliseconds);
    if (!finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    QApplication::restoreOverrideCursor();
    if (!finished) {
        tell(parent, kTitle,
             QStringLiteral("The scanner search (scanimage -L) did not finish in time.\n") + kNoSource,
             QMessageBox::Warning);
        return;
    }

    const QList<Device> devices = parseDevices(QString::fromLocal8Bit(process.readAllStandardOutput()));
    if (devices.isEmpty()) {
        tell(parent, kTitle, kNoSource);
        return;
    }

    QSettings store(QStringLiteral("Tessarin"), QStringLiteral("LUMORA"));
    const QString remembered = store.value(QStringLiteral("SCANNER")).toString();
    QStringList items;
    int current = 0;
    for (const Device& d : devices) {
        if (d.name == remembered) current = static_cast<int>(items.size());
        items << d.description + "  (" + d.name + ")";
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, QStringLiteral("Select Source"),
                                                 QStringLiteral("Sources:"), items, current, false, &ok);
    if (!ok) return;
    const auto index = items.indexOf(chosen);
    if (index < 0) return;
    store.setValue(QStringLiteral("SCANNER"), devices[index].name);
}

}  // namespace lumora::app
