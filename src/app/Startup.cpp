#include "app/Startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "app/AppState.h"
#include "app/Folders.h"
#include "app/MainWindow.h"
#include "app/MainWindowIcons.h"
#include "app/Messages.h"
#include "structure/Samples.h"
#include "util/Error.h"

namespace lumora::app {

namespace {

// A failure that escapes an event handler ends up here: the user is told and
// the program keeps running.
class Application : public QApplication {
public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const Error& e) {
            report(QString::fromStdString(e.message()));
        } catch (const std::exception& e) {
            report(QString::fromUtf8(e.what()));
        } catch (...) {
            report(QStringLiteral("An unexpected error occurred."));
        }
        return false;
    }

private:
    void report(const QString& text) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        if (reporting_) {
            std::fprintf(stderr, "lumora: %s\n", qUtf8Printable(text));
            return;
        }
        reporting_ = true;
        tell(QApplication::activeWindow(), QStringLiteral("Lumora"), text, QMessageBox::Critical);
        reporting_ = false;
    }

    bool reporting_ = false;
};

}  // namespace

QString commandText(const QStringList& arguments) { return arguments.mid(1).join(QLatin1Char(' ')); }

void prepareStart() {
    chooseFolders();
    namespace fs = std::filesystem;
    // The sample file lives in the user folder only: no copy goes beside the program.
    const fs::path user(userFolder().toStdString());
    appState().samples = structure::loadSamples(user, user);
}

std::unique_ptr<frmMain> openMainWindow(const QString& text) {
    auto window = std::make_unique<frmMain>();
    window->show();
    // The first pattern is fitted to the window as it is shown.
    QCoreApplication::processEvents();
    window->applyCommandLine(text);
    return window;
}

int Main(int argc, char* argv[]) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display Qt would abort; say what works instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(
            stderr,
            "lumora: there is no display to open the windows on (neither DISPLAY nor WAYLAND_DISPLAY "
            "is set).\nThe headless commands work without one: lumora --help\n");
        return 1;
    }
#endif
    Application application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessarin"));
    QApplication::setApplicationName(QStringLiteral("Lumora"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("lumora"));
    QApplication::setWindowIcon(programIcon());

    prepareStart();
    const std::unique_ptr<frmMain> window = openMainWindow(commandText(QCoreApplication::arguments()));
    return QApplication::exec();
}

}  // namespace lumora::app
