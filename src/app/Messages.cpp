#include "app/Messages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QUrl>

namespace lumora::app {

namespace {

MessageHook& hook() {
    static MessageHook h;
    return h;
}

// A dialog opened while the busy cursor shows must show the normal pointer.
class NormalCursor {
public:
    NormalCursor() {
        if (QApplication::overrideCursor()) {
            QApplication::setOverrideCursor(Qt::ArrowCursor);
            active_ = true;
        }
    }
    ~NormalCursor() {
        if (active_) QApplication::restoreOverrideCursor();
    }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    bool active_ = false;
};

}  // namespace

void setMessageHook(MessageHook h) { hook() = std::move(h); }
void clearMessageHook() { hook() = MessageHook{}; }

void tell(QWidget* parent, const QString& title, const QString& text, QMessageBox::Icon icon) {
    if (hook().answer) {
        hook().answer(title, text);
        return;
    }
    NormalCursor cursor;
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool ask(QWidget* parent, const QString& title, const QString& text) {
    if (hook().answer) return hook().answer(title, text);
    NormalCursor cursor;
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

bool askText(QWidget* parent, const QString& title, const QString& prompt, QString& text) {
    if (hook().textAnswer) {
        text = hook().textAnswer(title, prompt);
        return true;
    }
    NormalCursor cursor;
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, text, &ok);
    if (ok) text = answer;
    return ok;
}

QString askOpenFileName(QWidget* parent, const QString& title, const QString& start, const QString& filters) {
    if (hook().fileAnswer) return hook().fileAnswer(title, start, filters);
    NormalCursor cursor;
    return QFileDialog::getOpenFileName(parent, title, start, filters);
}

QString askSaveFileName(QWidget* parent, const QString& title, const QString& start, const QString& filters) {
    if (hook().fileAnswer) return hook().fileAnswer(title, start, filters);
    NormalCursor cursor;
    return QFileDialog::getSaveFileName(parent, title, start, filters, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool askPrinter(QWidget* parent, const QString& title, QPrinter& printer) {
    if (hook().printerAnswer) return hook().printerAnswer(title, printer);
    NormalCursor cursor;
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

bool askPageSetup(QWidget* parent, const QString& title, QPrinter& printer) {
    if (hook().printerAnswer) return hook().printerAnswer(title, printer);
    NormalCursor cursor;
    QPageSetupDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

bool openExternal(const QUrl& url) {
    if (hook().openUrl) return hook().openUrl(url);
    return QDesktopServices::openUrl(url);
}

bool startDetached(const QString& program, const QStringList& arguments) {
    if (hook().startProgram) return hook().startProgram(program, arguments);
    return QProcess::startDetached(program, arguments);
}

}  // namespace lumora::app
