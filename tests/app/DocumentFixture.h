#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <memory>
#include <vector>

#include "app/DocumentWindow.h"
#include "app/Messages.h"
#include "app/PictureBox.h"
#include "app/SliderPanel.h"
#include "engine/AppState.h"

namespace documenttest {

using lumora::app::frmDocument;

// One message box or question as the user would have seen it.
struct Message {
    QString title, text;
};

// A document window on screen (off screen), with the application settings at
// their first-run values and every message box answered by the test.
class DocumentFixture : public ::testing::Test {
protected:
    void SetUp() override {
        lumora::AppState& state = lumora::appState();
        state.settings = lumora::Settings{};
        state.flags = lumora::DisplayFlags{};
        state.folders = lumora::Folders{};
        lumora::app::MessageHook hook;
        hook.answer = [this](const QString& title, const QString& text) {
            messages.push_back({title, text});
            return answer;
        };
        hook.textAnswer = [this](const QString& title, const QString& prompt) {
            messages.push_back({title, prompt});
            return textAnswer;
        };
        hook.fileAnswer = [this](const QString& title, const QString&, const QString&) {
            messages.push_back({title, QString()});
            return chosenFile;
        };
        hook.printerAnswer = [this](const QString& title, QPrinter& printer) {
            messages.push_back({title, QString()});
            if (printTo.isEmpty()) return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printTo);
            return true;
        };
        hook.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        lumora::app::setMessageHook(hook);
        doc = std::make_unique<frmDocument>(nullptr, 1);
        doc->resize(1200, 800);
        doc->show();
        doc->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(doc.get()));
        QApplication::processEvents();
    }

    void TearDown() override {
        doc.reset();
        lumora::app::clearMessageHook();
    }

    template <class T>
    T* child(const char* name) const {
        T* w = doc->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QString hint() const { return child<QLabel>("HINT")->text(); }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    lumora::app::PictureBox* picture(const char* name) const { return child<lumora::app::PictureBox>(name); }
    QTreeWidget* list() const { return child<QTreeWidget>("lstHKL"); }
    QComboBox* orientationField() const { return child<QComboBox>("cmbORIENT"); }
    int zoomSlider() const {
        return child<lumora::app::SliderPanel>("pbSL")->value(lumora::app::SliderPanel::Zoom);
    }

    void click(const char* button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    void pressApply() { click("btAPPLY"); }
    // Option buttons take clicks on their circle and caption only.
    void clickOption(const char* name) {
        auto* button = child<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    }

    void setText(const char* name, const QString& text) {
        QLineEdit* e = edit(name);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }

    // Types into the orientation field and confirms with Enter.
    void typeOrientation(const QString& text) {
        QComboBox* combo = orientationField();
        combo->lineEdit()->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), text);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    }

    void clickTab(int index) {
        auto* tabs = child<QTabBar>("Tab1");
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
    }

    // Mouse events at fractional positions, as a real pointer gives them.
    static void mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
        QMouseEvent event(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }
    static void press(QWidget* w, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
        mouse(w, QEvent::MouseButtonPress, at, b, b);
    }
    static void moveTo(QWidget* w, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
        mouse(w, QEvent::MouseMove, at, Qt::NoButton, b);
    }
    static void release(QWidget* w, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
        mouse(w, QEvent::MouseButtonRelease, at, b, Qt::NoButton);
    }

    lumora::Mat3f orientation() const { return doc->engine().orientationMatrix(); }

    static void expectSameMatrix(const lumora::Mat3f& a, const lumora::Mat3f& b, float tolerance = 2e-5f) {
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(a[r][c], b[r][c], tolerance) << "element " << r << c;
    }

    static bool sameMatrix(const lumora::Mat3f& a, const lumora::Mat3f& b, float tolerance = 2e-5f) {
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                if (std::abs(a[r][c] - b[r][c]) > tolerance) return false;
        return true;
    }

    static QString dataFile(const char* name) { return QStringLiteral(LUMORA_TEST_DATA_DIR "/") + name; }

    std::unique_ptr<frmDocument> doc;
    std::vector<Message> messages;
    bool answer = false;
    QString textAnswer;
    QString chosenFile;  // what the file dialogs answer
    QString printTo;     // a PDF file the printer dialog prints to; empty: Cancel
    std::vector<QUrl> opened;
};

}  // namespace documenttest
