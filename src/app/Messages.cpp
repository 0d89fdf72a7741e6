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
#include <algorithm>

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

Progress::Progress(QWidget* parent, const QString& label) : label_(label) {
    sinceUpdate_.start();
    if (hook().progress) return;
    dialog_ = std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, 1000, parent);
    dialog_->setWindowTitle(QStringLiteral("Lumora"));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(500);
    dialog_->setValue(0);
}

Progress::~Progress() {
    if (arrow_) QApplication::restoreOverrideCursor();
}

bool Progress::step(double fraction) {
    if (cancelled_) return false;
    if (hook().progress) {
        cancelled_ = !hook().progress(label_, fraction);
        return !cancelled_;
    }
    // A step costs nothing until the dialog is due: a few updates a second
    // keep the window alive without slowing the work down.
    if (sinceUpdate_.elapsed() < 40) return true;
    sinceUpdate_.restart();
    const int value = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000);
    // The dialog shows itself once the work looks long; from then on every
    // update lets the events in (only Cancel takes input while it is modal).
    dialog_->setValue(std::clamp(value, 1, 999));
    if (dialog_->isVisible() && !arrow_ && QApplication::overrideCursor()) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        arrow_ = true;
    }
    cancelled_ = dialog_->wasCanceled();
    return !cancelled_;
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
