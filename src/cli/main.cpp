#include <QFileInfo>
#include <QGuiApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "cli/Cli.h"

namespace {

// Headless runs have no desktop session; Qt's note about a missing runtime
// folder is noise on the command line.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths:"))) return;
    qt_message_output(type, context, message);
}

// The desktop program runs without arguments, on a cell "number|a|b|c|alpha|beta|gamma|name"
// or on a file to open; everything else is a subcommand (or a mistake the subcommands explain).
bool isDesktop(const std::vector<std::string>& args) {
    if (args.size() < 2) return true;
    if (lumora::cli::isHeadless(args)) return false;
    if (args.size() == 2 && QFileInfo(QString::fromStdString(args[1])).isFile()) return true;
    for (std::size_t i = 1; i < args.size(); ++i)
        if (args[i].find('|') != std::string::npos) return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv, argv + argc);
    if (isDesktop(args)) return lumora::app::Main(argc, argv);

    // Headless commands draw without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("lumora");
    return lumora::cli::run(args, std::cout, std::cerr);
}
