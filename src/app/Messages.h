#pragma once

#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QPrinter;
class QUrl;
class QWidget;

namespace lumora::app {

// Every message box, question, file and printer dialog of the program, and
// every hand-over to the desktop (web pages, folders, other programs), goes
// through these, so that tests can answer them without a person and without
// starting anything outside (see setMessageHook).

void tell(QWidget* parent, const QString& title, const QString& text,
          QMessageBox::Icon icon = QMessageBox::Information);
// A Yes/No question; true for Yes.
bool ask(QWidget* parent, const QString& title, const QString& text);
// A line of text; false when cancelled.
bool askText(QWidget* parent, const QString& title, const QString& prompt, QString& text);

// File dialogs; the chosen path, or an empty text when cancelled. `start` is
// the folder, or the proposed file path, the dialog opens on; `filters` are
// separated by ";;" ("PNG Image (*.png);;JPEG Image (*.jpg)").
QString askOpenFileName(QWidget* parent, const QString& title, const QString& start, const QString& filters);
// The save dialog never asks about overwriting itself: the caller decides.
QString askSaveFileName(QWidget* parent, const QString& title, const QString& start, const QString& filters);

// The printer dialog ("Print") and the page dialog ("Page Setup") on
// `printer`; true when the user accepted.
bool askPrinter(QWidget* parent, const QString& title, QPrinter& printer);
bool askPageSetup(QWidget* parent, const QString& title, QPrinter& printer);

// Opens a web page, folder or file with the desktop's handler; false when none could.
bool openExternal(const QUrl& url);
// Starts another program on its own; false when it could not be started.
bool startDetached(const QString& program, const QStringList& arguments);

// The progress dialog of a long operation, with a Cancel button. It appears
// only when the work takes longer than a moment; while it shows, the window
// repaints and nothing but Cancel takes input.
class Progress {
public:
    Progress(QWidget* parent, const QString& label);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // The fraction of the work done (0 to 1); false once the user has cancelled.
    bool step(double fraction);

private:
    QString label_;
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer sinceUpdate_;
    bool arrow_ = false;
    bool cancelled_ = false;
};

// Replaces the dialogs and the desktop (tests). Each member that is set
// takes the place of its dialog; the others stay real.
struct MessageHook {
    // Message boxes and questions: the title and text, the answer (true for Yes/OK).
    std::function<bool(const QString& title, const QString& text)> answer;
    // askText: the text typed.
    std::function<QString(const QString& title, const QString& prompt)> textAnswer;
    // File dialogs: the dialog's title, start and filters; the path chosen, empty for Cancel.
    std::function<QString(const QString& title, const QString& start, const QString& filters)> fileAnswer;
    // Printer and page dialogs: true for OK (the hook may set the printer up,
    // e.g. to write a PDF file).
    std::function<bool(const QString& title, QPrinter& printer)> printerAnswer;
    // openExternal and startDetached: what would have been opened or started.
    std::function<bool(const QUrl& url)> openUrl;
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    // Progress dialogs: the label and the fraction done at each step; false cancels.
    std::function<bool(const QString& label, double fraction)> progress;
};
void setMessageHook(MessageHook hook);
void clearMessageHook();

}  // namespace lumora::app
