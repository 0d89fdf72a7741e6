// Fixtures of the desktop program's tests: every dialog and the desktop are
// answered by the test, and what was asked, opened or started is recorded;
// the settings store and the folders are the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/Folders.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/PictureBox.h"
#include "app/SettingsStore.h"
#include "app/SliderPanel.h"

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace lumora::app::test {

inline QString dataFile(const char* name) { return QStringLiteral(LUMORA_TEST_DATA_DIR "/") + name; }
inline QString plain(QString text) { return text.remove(QLatin1Char('&')); }

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Mouse events at fractional positions, as a real pointer gives them.
inline void sendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
    QMouseEvent event(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
inline void turnWheel(QWidget* w, int delta) {
    const QPointF at(10, 10);
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
}

// Replaces the text of a field by typing.
inline void typeInto(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
}

// Runs `action` on the next modal dialog once it is shown.
template <typename Action>
void whenModal(Action action) {
    QTimer::singleShot(0, [action] {
        if (QWidget* modal = QApplication::activeModalWidget()) action(modal);
    });
}

// Answers every message box and dialog for as long as it lives.
struct Answers {
    bool yes = false;                // to every question
    QString typed;                   // into every text prompt
    QString file;                    // from every file dialog; empty: Cancel
    QString printTo;                 // a PDF file the printer dialogs print to; empty: Cancel
    QStringList messages;            // "title: text" of messages, questions and prompts
    QList<QStringList> fileDialogs;  // title, start, filters
    QStringList printerDialogs;
    QList<QUrl> opened;
    QList<QStringList> started;

    Answers() {
        MessageHook hook;
        hook.answer = [this](const QString& title, const QString& text) {
            messages << title + QStringLiteral(": ") + text;
            return yes;
        };
        hook.textAnswer = [this](const QString& title, const QString& prompt) {
            messages << title + QStringLiteral(": ") + prompt;
            return typed;
        };
        hook.fileAnswer = [this](const QString& title, const QString& start, const QString& filters) {
            fileDialogs << QStringList{title, start, filters};
            return file;
        };
        hook.printerAnswer = [this](const QString& title, QPrinter& printer) {
            printerDialogs << title;
            if (printTo.isEmpty()) return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printTo);
            return true;
        };
        hook.openUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        hook.startProgram = [this](const QString& program, const QStringList& arguments) {
            started << (QStringList{program} + arguments);
            return true;
        };
        setMessageHook(hook);
    }
    ~Answers() { clearMessageHook(); }
};

inline void clearStore() {
    for (const char* product : {"LUMORA", "MERIDO"})
        QSettings(QSettings::UserScope, "Tessarin", product).clear();
    QSettings(QSettings::UserScope, "Lumora", "Lumora").clear();
}

// First-run settings, an empty settings store and folders of the test's own.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        clearStore();
        saved_ = appState();
        appState().settings = {};
        appState().flags = {};
        Folders& f = appState().folders;
        f.program = f.user = f.temporary = dir_.path().toStdString();
        QDir(dir_.path()).mkpath("data");
        f.data = dir_.filePath("data").toStdString();
        f.photo = dir_.filePath("photo").toStdString();
        f.lastDialog.clear();
        engine::buildSpotPalette(false, appState().palette);
        appState().samples = structure::builtInSamples();
    }
    void TearDown() override {
        appState() = saved_;
        clearStore();
    }

    QTemporaryDir dir_;
    AppState saved_;
    Answers ask_;
};

class MainWindowFixture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        window_ = std::make_unique<frmMain>();
        window_->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        window_.reset();
        AppFixture::TearDown();
    }

    QMenu* menu(const QString& title) const {
        for (QAction* a : window_->menuBar()->actions())
            if (plain(a->text()).startsWith(plain(title))) return a->menu();
        return nullptr;
    }
    static QAction* item(QMenu* m, const QString& text) {
        for (QAction* a : m ? m->actions() : QList<QAction*>())
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
    void saveAs(const QString& type) { item(item("&File", "Save &As...")->menu(), type)->trigger(); }
    QToolBar* toolBar() const { return window_->findChild<QToolBar*>("toolBar"); }
    // The toolbar button with this tooltip.
    QAction* tool(const QString& tip) const {
        for (QAction* a : toolBar()->actions()) {
            QWidget* w = toolBar()->widgetForAction(a);
            if (w && w->toolTip() == tip) return a;
        }
        return nullptr;
    }
    QLabel* orientationLabel(int i) const {
        return window_->findChild<QLabel*>(QStringLiteral("orientation%1").arg(i));
    }
    frmDocument* active() const { return window_->activeDocument(); }
    static QString hint(frmDocument* d) { return d->findChild<QLabel*>("HINT")->text(); }
    void loadSample(const QString& name) {
        for (std::size_t i = 0; i < appState().samples.size(); ++i)
            if (QString::fromStdString(appState().samples.names[i]) == name)
                window_->loadSample(static_cast<int>(i));
        QCoreApplication::processEvents();
    }

    std::unique_ptr<frmMain> window_;
};

// A document window on its own, on screen (off screen).
class DocumentFixture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        doc = std::make_unique<frmDocument>(1);
        doc->resize(1200, 800);
        doc->show();
        doc->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(doc.get()));
        QApplication::processEvents();
    }
    void TearDown() override {
        doc.reset();
        AppFixture::TearDown();
    }

    template <class T>
    T* child(const char* name) const {
        T* w = doc->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString hint() const { return child<QLabel>("HINT")->text(); }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    PictureBox* picture(const char* name) const { return child<PictureBox>(name); }
    QTableView* list() const { return child<QTableView>("lstHKL"); }
    // The reflection list as the user reads it: its rows and the text of a cell.
    int listRows() const { return list()->model()->rowCount(); }
    QString listText(int row, int column) const {
        return list()->model()->index(row, column).data().toString();
    }
    QComboBox* orientationField() const { return child<QComboBox>("cmbORIENT"); }
    int zoomSlider() const { return child<SliderPanel>("pbSL")->value(SliderPanel::Zoom); }

    void pressApply() { QTest::mouseClick(child<QPushButton>("btAPPLY"), Qt::LeftButton); }
    // Option buttons take clicks on their circle and caption only.
    void clickOption(const char* name) {
        auto* button = child<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    }
    void setText(const char* name, const QString& text) { typeInto(edit(name), text); }
    // Types into the orientation field and confirms with Enter.
    void typeOrientation(const QString& text) {
        typeInto(orientationField()->lineEdit(), text);
        QTest::keyClick(orientationField()->lineEdit(), Qt::Key_Return);
    }
    void clickTab(int index) {
        auto* tabs = child<QTabBar>("Tab1");
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
    }

    static void drag(QWidget* w, QPointF from, QPointF to, Qt::MouseButton b = Qt::LeftButton) {
        sendMouse(w, QEvent::MouseButtonPress, from, b, b);
        sendMouse(w, QEvent::MouseMove, to, Qt::NoButton, b);
        sendMouse(w, QEvent::MouseButtonRelease, to, b, Qt::NoButton);
    }

    Mat3f orientation() const { return doc->engine().orientationMatrix(); }
    static bool same(const Mat3f& a, const Mat3f& b, float tolerance = 2e-5f) {
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                if (std::abs(a[r][c] - b[r][c]) > tolerance) return false;
        return true;
    }

    std::unique_ptr<frmDocument> doc;
};

}  // namespace lumora::app::test
