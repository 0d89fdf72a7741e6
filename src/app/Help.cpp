// Help > Contents: the HTML manual beside the program or where it is
// installed, shown in a window of the program's own, so that help works on a
// desktop without a web browser too.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Messages.h"
#include "app/Tools.h"

namespace lumora::app {

namespace {

// The manual's window: the pages with their links, Back, Forward and Home.
class HelpWindow : public QWidget {
public:
    HelpWindow(QWidget* owner, const QString& index) : QWidget(owner, Qt::Window) {
        setObjectName(QStringLiteral("helpWindow"));
        setAttribute(Qt::WA_DeleteOnClose);
        browser_ = new QTextBrowser(this);
        browser_->setObjectName(QStringLiteral("helpBrowser"));
        browser_->setOpenLinks(false);
        auto* bar = new QToolBar(this);
        QAction* back = bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
        QAction* forward = bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
        bar->addAction(QStringLiteral("Home"), browser_, &QTextBrowser::home);
        back->setEnabled(false);
        forward->setEnabled(false);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(bar);
        layout->addWidget(browser_, 1);

        connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { follow(url); });
        connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
            const QString title = browser_->documentTitle();
            setWindowTitle(title.isEmpty() ? QStringLiteral("Lumora Help") : title);
        });
        browser_->setSource(QUrl::fromLocalFile(index));
        resize(760, 640);
    }

private:
    // Pages of the manual open here; web addresses and mail go to the desktop.
    void follow(const QUrl& link) {
        const QUrl target = browser_->source().resolved(link);
        if (target.isLocalFile() || target.scheme().isEmpty()) {
            if (QFileInfo(target.toLocalFile()).isFile())
                browser_->setSource(target);
            return;
        }
        openExternal(target);
    }

    QTextBrowser* browser_ = nullptr;
};

QPointer<QWidget>& openWindow() {
    static QPointer<QWidget> window;
    return window;
}

}  // namespace

QString helpIndexFile(const QString& programFolder) {
    const QDir program(programFolder);
    for (const QString& relative :
         {QStringLiteral("docs/help/index.html"), QStringLiteral("../share/lumora/help/index.html")}) {
        const QFileInfo candidate(program.filePath(relative));
        if (candidate.isFile() && candidate.isReadable()) return candidate.canonicalFilePath();
    }
    return {};
}

QWidget* showHelpWindow(QWidget* owner, const QString& index) {
    QPointer<QWidget>& window = openWindow();
    if (!window) window = new HelpWindow(owner, index);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

bool showHelpContents(QWidget* parent) {
    // Found from the program's own folder, whatever the current folder or the home folder is.
    const QString index = helpIndexFile(QCoreApplication::applicationDirPath());
    if (index.isEmpty()) {
        tell(
            parent, QStringLiteral("Help"),
            QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."),
            QMessageBox::Warning);
        return false;
    }
    showHelpWindow(parent, index);
    return true;
}

}  // namespace lumora::app
