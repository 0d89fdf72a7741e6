// The main window with every dialog and the desktop answered by the test:
// what was asked, opened or started is recorded.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <cmath>

#include "app/DocumentWindow.h"
#include "app/Folders.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "engine/AppState.h"
#include "engine/OrientationMath.h"

namespace lumora::app::test {

inline QString plain(QString text) { return text.remove(QLatin1Char('&')); }

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings(QSettings::UserScope, "Tessarin", "LUMORA").clear();
        QSettings(QSettings::UserScope, "Lumora", "Lumora").clear();
        savedFolders_ = appState().folders;
        Folders& f = appState().folders;
        f.program = f.user = dir_.path().toStdString();
        QDir(dir_.path()).mkpath("data");
        f.data = dir_.filePath("data").toStdString();
        f.photo = dir_.filePath("photo").toStdString();
        f.temporary = dir_.path().toStdString();
        appState().flags = DisplayFlags{};
        engine::buildSpotPalette(false, appState().palette);
        appState().samples = structure::builtInSamples();

        MessageHook hook;
        hook.answer = [this](const QString& title, const QString& text) {
            messages_ << title + QStringLiteral(": ") + text;
            return answer_;
        };
        hook.textAnswer = [](const QString&, const QString&) { return QString(); };
        hook.fileAnswer = [this](const QString& title, const QString& start, const QString& filters) {
            fileDialogs_ << QStringList{title, start, filters};
            return chosenFile_;
        };
        hook.printerAnswer = [this](const QString& title, QPrinter& printer) {
            printerDialogs_ << title;
            if (printTo_.isEmpty()) return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printTo_);
            return true;
        };
        hook.openUrl = [this](const QUrl& url) {
            opened_ << url;
            return true;
        };
        hook.startProgram = [this](const QString& program, const QStringList& arguments) {
            started_ << (QStringList{program} + arguments);
            return true;
        };
        setMessageHook(hook);

        window_ = std::make_unique<frmMain>();
        window_->show();
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        window_.reset();
        clearMessageHook();
        appState().folders = savedFolders_;
        appState().flags = DisplayFlags{};
        engine::buildSpotPalette(false, appState().palette);
        QSettings(QSettings::UserScope, "Tessarin", "LUMORA").clear();
        QSettings(QSettings::UserScope, "Lumora", "Lumora").clear();
        QSettings(QSettings::UserScope, "Tessarin", "MERIDO").clear();
    }

    QMenu* menu(const QString& title) const {
        for (QAction* a : window_->menuBar()->actions())
            if (plain(a->text()).startsWith(plain(title))) return a->menu();
        return nullptr;
    }
    static QAction* item(QMenu* m, const QString& text) {
        if (!m) return nullptr;
        for (QAction* a : m->actions())
            if (a->text() == text) return a;
        return nullptr;
    }
    QAction* item(const QString& menuTitle, const QString& text) const { return item(menu(menuTitle), text); }
    void choose(const QString& menuTitle, const QString& text) {
        QAction* a = item(menuTitle, text);
        ASSERT_NE(a, nullptr) << text.toStdString();
        a->trigger();
        QCoreApplication::processEvents();
    }
    QToolBar* toolBar() const { return window_->findChild<QToolBar*>("toolBar"); }
    // The toolbar button with this tooltip.
    QAction* tool(const QString& tip) const {
        for (QAction* a : toolBar()->actions()) {
            QWidget* w = toolBar()->widgetForAction(a);
            if (w && w->toolTip() == tip) return a;
        }
        return nullptr;
    }
    frmDocument* active() const { return window_->activeDocument(); }
    static QString hint(frmDocument* d) {
        const auto* label = d->findChild<QLabel*>("HINT");
        return label ? label->text() : QString();
    }
    // Loads a sample of the Samples menu by its name.
    void loadSample(const QString& name) {
        for (std::size_t i = 0; i < appState().samples.size(); ++i)
            if (QString::fromStdString(appState().samples.names[i]) == name)
                window_->loadSample(static_cast<int>(i));
        QCoreApplication::processEvents();
    }
    static QString dataFile(const char* name) { return QStringLiteral(LUMORA_TEST_DATA_DIR "/") + name; }

    QTemporaryDir dir_;
    Folders savedFolders_;
    std::unique_ptr<frmMain> window_;
    bool answer_ = false;
    QString chosenFile_;
    QString printTo_;
    QStringList messages_;
    QList<QStringList> fileDialogs_;
    QStringList printerDialogs_;
    QList<QUrl> opened_;
    QList<QStringList> started_;
};

}  // namespace lumora::app::test
