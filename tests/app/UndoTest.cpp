// Edit > Undo and Redo of the crystal's orientation: every change the user
// makes is one step that undoes exactly, a drag is one step, each document
// keeps its own steps and a new list starts without any.
#include <QSignalSpy>

#include "AppFixture.h"

namespace lumora::app::test {
namespace {

testing::AssertionResult exactly(const Mat3f& actual, const Mat3f& expected) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (actual[r][c] != expected[r][c])
                return testing::AssertionFailure() << "element (" << r << ", " << c << ") is " << actual[r][c]
                                                   << ", not " << expected[r][c];
    return testing::AssertionSuccess();
}

class UndoTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        // Room for drags on both halves of the pattern, whatever the screen.
        window_->resize(1200, 800);
        QCoreApplication::processEvents();
        loadSample("Si");
        pattern()->setFocus();
    }

    // The Edit menu's item whose text starts with `word` ("Undo", "Redo").
    QAction* edit(const QString& word) const {
        for (QAction* a : menu("&Edit")->actions())
            if (plain(a->text()).startsWith(word)) return a;
        ADD_FAILURE() << "no " << word.toStdString() << " in the Edit menu";
        return nullptr;
    }
    QString undoText() const { return plain(edit("Undo")->text()); }
    QString redoText() const { return plain(edit("Redo")->text()); }
    void undo() { choose("&Edit", edit("Undo")->text()); }
    void redo() { choose("&Edit", edit("Redo")->text()); }

    PictureBox* pattern() const { return active()->findChild<PictureBox*>("pb1"); }
    QImage patternImage() const { return pattern()->surface().image(); }
    Mat3f matrix() const { return active()->engine().orientationMatrix(); }
    void key(Qt::Key k) { QTest::keyClick(pattern(), k); }
    void typeOrientation(const QString& text) {
        QLineEdit* field = active()->findChild<QComboBox*>("cmbORIENT")->lineEdit();
        typeInto(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    // A drag of `steps` mouse moves, 3 pixels each, from the press to the release.
    void dragAcross(QPointF from, int steps, Qt::MouseButton button = Qt::LeftButton) {
        sendMouse(pattern(), QEvent::MouseButtonPress, from, button, button);
        QPointF at = from;
        for (int i = 0; i < steps; ++i) {
            at += QPointF(3, i % 2 ? 1 : 2);
            sendMouse(pattern(), QEvent::MouseMove, at, Qt::NoButton, button);
        }
        sendMouse(pattern(), QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }
    void activate(frmDocument* d) {
        for (QMdiSubWindow* sub : window_->mdiArea()->subWindowList())
            if (sub->widget() == d) window_->mdiArea()->setActiveSubWindow(sub);
        QCoreApplication::processEvents();
    }
};

TEST_F(UndoTest, KeysButtonsAndTheOrientationVectorUndoExactlyAndTheMenuNamesTheStep) {
    // A new list has nothing to undo.
    EXPECT_EQ(undoText(), "Undo");
    EXPECT_FALSE(edit("Undo")->isEnabled());
    EXPECT_EQ(redoText(), "Redo");
    EXPECT_FALSE(edit("Redo")->isEnabled());
    EXPECT_EQ(edit("Undo")->shortcut(), QKeySequence(QKeySequence::Undo));

    const Mat3f start = matrix();
    const QString startText = window_->statusText(2);
    const QImage startPicture = patternImage();
    key(Qt::Key_Left);
    const Mat3f turned = matrix();
    ASSERT_FALSE(exactly(turned, start));
    EXPECT_EQ(undoText(), "Undo Turn");
    EXPECT_TRUE(edit("Undo")->isEnabled());
    QSignalSpy drawn(active(), &frmDocument::orientationChanged);
    undo();
    EXPECT_EQ(drawn.count(), 1);
    EXPECT_TRUE(exactly(matrix(), start));
    EXPECT_EQ(window_->statusText(2), startText);
    EXPECT_EQ(patternImage(), startPicture);
    EXPECT_FALSE(edit("Undo")->isEnabled());
    EXPECT_EQ(redoText(), "Redo Turn");
    redo();
    EXPECT_TRUE(exactly(matrix(), turned));
    EXPECT_FALSE(edit("Redo")->isEnabled());

    // Each change is one step, undone in turn back to the start.
    std::vector<std::pair<QString, Mat3f>> steps{{"Turn", turned}};
    const auto step = [&](const QString& name) {
        ASSERT_EQ(undoText(), "Undo " + name);
        ASSERT_FALSE(exactly(matrix(), steps.back().second));
        steps.emplace_back(name, matrix());
    };
    // One step per press.
    key(Qt::Key_Up);
    step("Turn");
    key(Qt::Key_Up);
    step("Turn");
    QTest::mouseClick(active()->findChild<QPushButton*>("btANG1"), Qt::LeftButton);
    step("Turn");
    QTest::mouseClick(active()->findChild<QPushButton*>("btANG2"), Qt::RightButton);
    step("Turn");
    typeOrientation("1 1 0");
    step("Orientation [1 1 0]");
    pattern()->setFocus();
    key(Qt::Key_D);
    step("Orientation [1 1 1]");
    QTest::mouseClick(orientationLabel(4), Qt::LeftButton);
    step("Orientation (1 0 0)");
    key(Qt::Key_Right);
    step("Turn");
    // The caption confirms the field's vector, [1 1 1] again.
    QTest::mouseClick(active()->findChild<QLabel*>("lbOrientation"), Qt::LeftButton);
    step("Orientation [1 1 1]");
    // Already along [1 1 1]: nothing turns, no step.
    key(Qt::Key_D);
    EXPECT_EQ(undoText(), "Undo Orientation [1 1 1]");

    for (std::size_t i = steps.size() - 1; i > 0; --i) {
        EXPECT_EQ(undoText(), "Undo " + steps[i].first) << i;
        undo();
        EXPECT_TRUE(exactly(matrix(), steps[i - 1].second)) << i;
        EXPECT_EQ(redoText(), "Redo " + steps[i].first) << i;
    }
    undo();
    EXPECT_TRUE(exactly(matrix(), start));
    EXPECT_EQ(patternImage(), startPicture);
    EXPECT_FALSE(edit("Undo")->isEnabled());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        redo();
        EXPECT_TRUE(exactly(matrix(), steps[i].second)) << i;
    }
    EXPECT_FALSE(edit("Redo")->isEnabled());

    // A change after an undo drops the steps that were undone.
    undo();
    key(Qt::Key_Left);
    EXPECT_FALSE(edit("Redo")->isEnabled());
    EXPECT_EQ(undoText(), "Undo Turn");

    // The standard keys reach the menu from the pattern.
    const Mat3f beforeKey = matrix();
    key(Qt::Key_Down);
    QTest::keySequence(pattern(), QKeySequence(QKeySequence::Undo));
    EXPECT_TRUE(exactly(matrix(), beforeKey));
    QTest::keySequence(pattern(), edit("Redo")->shortcut());
    EXPECT_FALSE(exactly(matrix(), beforeKey));
}

TEST_F(UndoTest, TheAngleCalculatorsApplyIsOneStepEachTime) {
    const Mat3f start = matrix();
    const QImage startPicture = patternImage();
    std::vector<Mat3f> applied;
    whenModal([&](QWidget* dialog) {
        auto* vector = dialog->findChild<QLineEdit*>("tf3");
        auto* calculate = dialog->findChild<QPushButton*>("bt1");
        auto* apply = dialog->findChild<QPushButton*>("bt2");
        for (const char* uvw : {"1 1 0", "1 2 3"}) {
            typeInto(vector, QString::fromLatin1(uvw));
            QTest::mouseClick(calculate, Qt::LeftButton);
            QTest::mouseClick(apply, Qt::LeftButton);
            applied.push_back(matrix());
        }
        dialog->close();
    });
    tool("Find HKL")->trigger();
    ASSERT_EQ(applied.size(), 2u);
    ASSERT_FALSE(exactly(applied[0], start));
    ASSERT_FALSE(exactly(applied[1], applied[0]));
    EXPECT_TRUE(exactly(matrix(), applied[1]));

    EXPECT_EQ(undoText(), "Undo Angle Calculator");
    undo();
    EXPECT_TRUE(exactly(matrix(), applied[0]));
    EXPECT_EQ(undoText(), "Undo Angle Calculator");
    undo();
    EXPECT_TRUE(exactly(matrix(), start));
    EXPECT_EQ(patternImage(), startPicture);
    EXPECT_FALSE(edit("Undo")->isEnabled());
    redo();
    redo();
    EXPECT_TRUE(exactly(matrix(), applied[1]));

    // Opened and closed without Apply: no step.
    undo();
    whenModal([](QWidget* dialog) { dialog->close(); });
    tool("Find HKL")->trigger();
    EXPECT_EQ(redoText(), "Redo Angle Calculator");
}

TEST_F(UndoTest, ADragOfManyMovesIsOneStepAndAClickOrAZoomIsNone) {
    const Mat3f start = matrix();
    dragAcross({100, 100}, 25);
    const Mat3f dragged = matrix();
    ASSERT_FALSE(exactly(dragged, start));
    EXPECT_EQ(undoText(), "Undo Drag");
    undo();
    EXPECT_TRUE(exactly(matrix(), start));
    EXPECT_FALSE(edit("Undo")->isEnabled());
    redo();
    EXPECT_TRUE(exactly(matrix(), dragged));

    // The drag about the beam (right button, left half) is one step too.
    dragAcross({60, 200}, 12, Qt::RightButton);
    const Mat3f aboutBeam = matrix();
    ASSERT_FALSE(exactly(aboutBeam, dragged));
    undo();
    EXPECT_TRUE(exactly(matrix(), dragged));
    redo();

    // A click picks a spot and a right drag on the right half zooms: neither turns.
    QTest::mouseClick(pattern(), Qt::LeftButton, Qt::NoModifier, QPoint(120, 120));
    dragAcross({pattern()->width() - 60.0, 100}, 10, Qt::RightButton);
    EXPECT_TRUE(exactly(matrix(), aboutBeam));
    undo();
    EXPECT_TRUE(exactly(matrix(), dragged));
    undo();
    EXPECT_TRUE(exactly(matrix(), start));
    EXPECT_FALSE(edit("Undo")->isEnabled());

    // With the view as it was (smooth after a drag), the picture comes back as it was.
    redo();
    const QImage before = patternImage();
    dragAcross({150, 150}, 8);
    EXPECT_NE(patternImage(), before);
    undo();
    EXPECT_EQ(patternImage(), before);

    // The structure view's drags are steps as well.
    active()->selectView(frmDocument::Structure);
    auto* structure = active()->findChild<PictureBox*>("pb3");
    const Mat3f beforeStructure = matrix();
    sendMouse(structure, QEvent::MouseButtonPress, {80, 80}, Qt::LeftButton, Qt::LeftButton);
    for (int x = 84; x <= 120; x += 4)
        sendMouse(structure, QEvent::MouseMove, {double(x), 90}, Qt::NoButton, Qt::LeftButton);
    sendMouse(structure, QEvent::MouseButtonRelease, {120, 90}, Qt::LeftButton, Qt::NoButton);
    ASSERT_FALSE(exactly(matrix(), beforeStructure));
    EXPECT_EQ(undoText(), "Undo Drag");
    undo();
    EXPECT_TRUE(exactly(matrix(), beforeStructure));
}

TEST_F(UndoTest, EachDocumentKeepsItsOwnStepsAndANewListStartsWithoutAny) {
    frmDocument* first = active();
    key(Qt::Key_Left);
    const Mat3f firstTurned = matrix();

    frmDocument* second = window_->newDocument();
    loadSample("Quartz");
    ASSERT_EQ(active(), second);
    EXPECT_FALSE(edit("Undo")->isEnabled());
    pattern()->setFocus();
    const Mat3f secondStart = matrix();
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    undo();
    undo();
    EXPECT_TRUE(exactly(second->engine().orientationMatrix(), secondStart));
    EXPECT_TRUE(exactly(first->engine().orientationMatrix(), firstTurned));
    EXPECT_FALSE(edit("Undo")->isEnabled());
    EXPECT_EQ(redoText(), "Redo Turn");

    activate(first);
    ASSERT_EQ(active(), first);
    EXPECT_EQ(undoText(), "Undo Turn");
    EXPECT_FALSE(edit("Redo")->isEnabled());
    undo();
    EXPECT_FALSE(exactly(first->engine().orientationMatrix(), firstTurned));
    EXPECT_TRUE(exactly(second->engine().orientationMatrix(), secondStart));
    EXPECT_EQ(window_->statusText(2), first->orientationText());

    // Closing the active document leaves the steps of the other.
    activate(second);
    choose("&File", "&Close");
    ASSERT_EQ(active(), first);
    EXPECT_EQ(redoText(), "Redo Turn");
    choose("&Window", "Close All");
    EXPECT_FALSE(edit("Undo")->isEnabled());
    EXPECT_FALSE(edit("Redo")->isEnabled());
    EXPECT_EQ(undoText(), "Undo");
}

TEST_F(UndoTest, ANewListClearsTheStepsAndCancelledWorkKeepsThem) {
    const auto stepOnce = [this] {
        pattern()->setFocus();
        key(Qt::Key_Left);
        ASSERT_TRUE(edit("Undo")->isEnabled());
    };
    stepOnce();
    QTest::mouseClick(active()->findChild<QPushButton*>("btAPPLY"), Qt::LeftButton);
    EXPECT_FALSE(edit("Undo")->isEnabled());
    stepOnce();
    window_->openFile(dataFile("Si.cel"));
    EXPECT_FALSE(edit("Undo")->isEnabled());
    stepOnce();
    window_->openFile(dataFile("fe3o4.rsv"));
    EXPECT_FALSE(edit("Undo")->isEnabled());
    stepOnce();
    loadSample("Si");
    EXPECT_FALSE(edit("Undo")->isEnabled());
    EXPECT_FALSE(edit("Redo")->isEnabled());

    // Cancelled: the crystal and its steps stay.
    stepOnce();
    const Mat3f turned = matrix();
    MessageHook hook;
    hook.answer = [](const QString&, const QString&) { return false; };
    hook.progress = [](const QString&, double) { return false; };
    setMessageHook(hook);
    window_->openFile(dataFile("quartz.csf"));
    QTest::mouseClick(active()->findChild<QPushButton*>("btAPPLY"), Qt::LeftButton);
    clearMessageHook();
    EXPECT_TRUE(exactly(matrix(), turned));
    EXPECT_EQ(undoText(), "Undo Turn");
    undo();
    EXPECT_FALSE(exactly(matrix(), turned));
}

}  // namespace
}  // namespace lumora::app::test
