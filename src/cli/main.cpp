#include <QGuiApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace {

// Headless runs have no desktop session; Qt's note about a missing runtime
// folder is noise on the command line.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths:"))) return;
    qt_message_output(type, context, message);
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv, argv + argc);
    // Headless commands draw without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("lumora");
    return lumora::cli::run(args, std::cout, std::cerr);
}
