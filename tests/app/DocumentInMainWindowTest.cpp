// A document inside the main window: what it tells the status bar, and its
// slot when it closes.
#include <QLineEdit>
#include <QPushButton>

#include "MainWindowFixture.h"

namespace lumora::app::test {

class DocumentInMainWindow : public MainWindowFixture {};

TEST_F(DocumentInMainWindow, StatusBarFollowsTheDocument) {
    frmDocument* d = window_->newDocument();
    QTest::mouseClick(d->findChild<QPushButton*>("btAPPLY"), Qt::LeftButton);
    const int n = d->engine().n_hkl;
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Untitled :  (P 1)  %1 Reflections generated").arg(n));
    EXPECT_FALSE(window_->statusText(2).isEmpty());  // the beam direction

    // Leaving the title field renames the status text at once.
    auto* title = d->findChild<QLineEdit*>("tfTIT");
    title->setFocus();
    title->selectAll();
    QTest::keyClicks(title, "Cube");
    d->findChild<QLineEdit*>("tfKV")->setFocus();
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Cube :  (P 1)  %1 Reflections generated").arg(n));

    // Turning the crystal shows the new beam direction.
    d->findChild<QWidget*>("pb1")->setFocus();
    const QString before = window_->statusText(2);
    QTest::keyClick(d->findChild<QWidget*>("pb1"), Qt::Key_D);
    EXPECT_NE(window_->statusText(2), before);
}

TEST_F(DocumentInMainWindow, AClosedDocumentLeavesItsSlot) {
    frmDocument* first = window_->newDocument();
    frmDocument* second = window_->newDocument();
    const int index = first->documentIndex();
    EXPECT_EQ(window_->document(index), first);
    first->parentWidget()->close();  // the sub-window
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->document(index), nullptr);
    EXPECT_EQ(window_->document(second->documentIndex()), second);
}

}  // namespace lumora::app::test
