#include <QGuiApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv, argv + argc);
    // Headless commands draw without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("lumora");
    return lumora::cli::run(args, std::cout, std::cerr);
}
