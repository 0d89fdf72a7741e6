// The document's inputs refuse what they cannot use and say why: the film
// distance, the orientation vector, the wavelength band and intensities
// without a structure; messages as the message box shows them; the structure
// editor starts from the document; long work can be cancelled.
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTableWidget>
#include <functional>

#include "AppFixture.h"

namespace lumora::app::test {
namespace {

Mat3f orientedAlong(float u, float v, float w) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    laue.GenerateHKL();
    laue.setOrientation(u, v, w, true);
    return laue.orientationMatrix();
}

const QString kDistanceRefused = QStringLiteral(
    "Lumora: Error 5: Invalid film-sample distance: the distance must be a positive number of mm");

TEST_F(DocumentFixture, AFilmDistanceOfZeroOrLessIsRefusedOnEveryPathThatReadsTheField) {
    pressApply();
    const float good = doc->engine().x_fsd;
    ASSERT_FLOAT_EQ(good, 30.0f);
    enum Path { FocusLeaves, FilmOutlineHint, Apply };
    for (const char* typed : {"0", "-5", "abc"}) {
        for (Path path : {FocusLeaves, FilmOutlineHint, Apply}) {
            setText("tfFSD", typed);
            ask_.messages.clear();
            if (path == FocusLeaves) edit("tfTIT")->setFocus();
            if (path == FilmOutlineHint) doc->setHINT(QStringLiteral("Film-Outline On"));
            if (path == Apply) pressApply();
            EXPECT_EQ(ask_.messages, QStringList{kDistanceRefused}) << typed << " path " << path;
            EXPECT_FLOAT_EQ(doc->engine().x_fsd, good);
            EXPECT_EQ(edit("tfFSD")->text(), "30");
        }
    }
    ask_.messages.clear();
    setText("tfFSD", "45");
    doc->setHINT(QStringLiteral("Film-Outline On"));
    EXPECT_FLOAT_EQ(doc->engine().x_fsd, 45.0f);
    EXPECT_TRUE(ask_.messages.isEmpty());
}

using MainWindowInputsTest = MainWindowFixture;

// The fault as it was seen: 0 typed, then a display flag toggled from the toolbar.
TEST_F(MainWindowInputsTest, ToggingTheFilmOutlineWithADistanceOfZeroKeepsTheLastGoodDistance) {
    loadSample("Si");
    frmDocument* d = active();
    ASSERT_NE(d, nullptr);
    const QImage before = d->findChild<PictureBox*>("pb1")->surface().image();
    auto* distance = d->findChild<QLineEdit*>("tfFSD");
    typeInto(distance, "0");
    ask_.messages.clear();
    tool("Toggle Film Outline")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(ask_.messages, QStringList{kDistanceRefused});
    EXPECT_FLOAT_EQ(d->engine().x_fsd, 30.0f);
    EXPECT_EQ(distance->text(), "30");
    EXPECT_EQ(hint(d), "Film-Outline On");
    // The frame was drawn again, now with the outline.
    EXPECT_NE(d->findChild<PictureBox*>("pb1")->surface().image(), before);
}

// Keys go where a keyboard sends them: to the focus widget, which for the
// editable orientation box is the box itself, not its line edit.
class OrientationKeysTest : public DocumentFixture {
protected:
    void typeAsKeyboard(const QString& text) {
        QLineEdit* line = orientationField()->lineEdit();
        line->setFocus();
        line->selectAll();
        QWidget* target = QApplication::focusWidget();
        ASSERT_EQ(target, orientationField());
        QTest::keyClicks(target, text);
        QTest::keyClick(target, Qt::Key_Return);
    }
};

TEST_F(OrientationKeysTest, EnterAppliesAnyVectorTheFieldAcceptsAndRefusesTheRestAsTheCaptionDoes) {
    pressApply();
    const std::tuple<const char*, float, float, float> vectors[] = {
        {"111", 1, 1, 1}, {"112", 1, 1, 2}, {"0 1 1", 0, 1, 1}, {"1 1 2", 1, 1, 2}, {"2 -1 0", 2, -1, 0}};
    for (const auto& [typed, u, v, w] : vectors) {
        typeAsKeyboard("1 0 0");
        typeAsKeyboard(typed);
        EXPECT_TRUE(same(orientation(), orientedAlong(u, v, w))) << typed;
    }
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();

    const Mat3f kept = orientation();
    const QString refusal = QStringLiteral("Invalid Orientation Vector: Please type SPACE between u v w");
    // (The box completes "1 1" to "1 1 0" as it is typed, as it does for a person.)
    for (const char* typed : {"11", "12", "0 0 0", "a b c"}) {
        ask_.messages.clear();
        typeAsKeyboard(typed);
        QTest::mouseClick(child<QLabel>("lbOrientation"), Qt::LeftButton);
        EXPECT_EQ(ask_.messages, QStringList({refusal, refusal})) << typed;
        EXPECT_TRUE(same(orientation(), kept)) << typed;
    }
}

// Messages are read back from the message box itself: texts with "Å" must
// reach the screen as they were written.
TEST_F(DocumentFixture, MessagesShowTheAngstromSignAsWritten) {
    const QString rsv = dir_.filePath("bad.rsv");
    ASSERT_TRUE(writeFile(
        rsv, "Lumora reflection data file\nbad\nCELL  -5 5 5 90 90 90\nTITLE bad\n 1 0 0 5.0 10\n"));
    const std::pair<std::function<void()>, QString> cases[] = {
        {[this] {
             setText("tfCell0", "0");
             pressApply();
         },
         QStringLiteral("Error 5: Invalid unit cell: the edge a must be a positive number of \u00c5")},
        {[this, rsv] { doc->readRSV(rsv); }, QStringLiteral("positive number of \u00c5")},
    };
    clearMessageHook();  // the real message boxes
    for (const auto& [action, expected] : cases) {
        QString shown;
        whenModal([&shown](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            shown = box->text();
            box->accept();
        });
        action();
        EXPECT_TRUE(shown.endsWith(expected)) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QChar(0xc3))) << shown.toStdString();
    }
}

TEST_F(DocumentFixture, TheHintSaysWhyAPatternIsEmptyOrHasNoIntensities) {
    pressApply();
    const int n = doc->engine().n_hkl;
    setText("tfWL2", "0.2");
    pressApply();
    const QString shortest = edit("tfWL1")->text();
    EXPECT_EQ(hint(),
              QStringLiteral("%1 reflections generated; no spots: the longest wavelength (0.2 \u00c5) is "
                             "not above the shortest (%2 \u00c5)")
                  .arg(n)
                  .arg(shortest));
    setText("tfWL2", shortest);  // equal: no band either
    pressApply();
    EXPECT_TRUE(hint().contains("no spots")) << hint().toStdString();
    setText("tfWL2", "2.5");
    pressApply();
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated").arg(n));

    clickOption("rbIntensity0");
    ASSERT_TRUE(child<QRadioButton>("rbIntensity0")->isChecked());
    pressApply();
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated without intensities: there is no structure "
                                     "(open a structure file to get them)")
                          .arg(n));
    EXPECT_TRUE(child<QRadioButton>("rbIntensity1")->isChecked());
    // With a structure, intensities are what was asked for.
    doc->readCEL(dataFile("Si.cel"));
    clickOption("rbIntensity0");
    pressApply();
    EXPECT_EQ(hint(), QStringLiteral("%1 reflections generated").arg(doc->engine().n_hkl));
    EXPECT_TRUE(doc->engine().x_withIntensity);
}

// The editor starts from what the document shows, and OK without a change
// gives the document back as it was.
TEST_F(DocumentFixture, TheStructureEditorStartsFromTheDocumentAndKeepsWhatWasNotChanged) {
    doc->readCEL(dataFile("Si.cel"));
    setText("tfTIT", "My silicon");
    const clLAUE before = doc->engine();
    clickTab(1);
    QString title, a;
    whenModal([&](QWidget* editor) {
        title = editor->findChild<QLineEdit*>("title")->text();
        a = editor->findChild<QLineEdit*>("a")->text();
        QTest::mouseClick(editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>("btATOMS"), Qt::LeftButton);
    EXPECT_EQ(title, "My silicon");
    EXPECT_EQ(a, "5.4307");
    EXPECT_EQ(edit("tfTIT")->text(), "My silicon");
    EXPECT_EQ(doc->engine().m_tit, "My silicon");
    EXPECT_EQ(edit("tfCell0")->text(), "5.4307");
    EXPECT_EQ(doc->engine().currentRow(), before.currentRow());
    EXPECT_EQ(doc->engine().n_hkl, before.n_hkl);
    ASSERT_EQ(doc->engine().asymmetricAtoms().size(), before.asymmetricAtoms().size());
    EXPECT_EQ(doc->engine().asymmetricAtoms()[0].element, before.asymmetricAtoms()[0].element);
    EXPECT_TRUE(ask_.messages.isEmpty()) << ask_.messages.join('\n').toStdString();

    // A crystal from the sample list has a title but no atoms yet.
    doc->setCell({"Cu", "225", "F m 3 m", "3.615", "3.615", "3.615", "90", "90", "90"});
    clickTab(1);
    whenModal([&](QWidget* editor) {
        title = editor->findChild<QLineEdit*>("title")->text();
        QTest::mouseClick(editor->findChild<QPushButton*>("addAtom"), Qt::LeftButton);
        editor->findChild<QTableWidget*>()->item(0, 1)->setText("29");
        QTest::mouseClick(editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>("btATOMS"), Qt::LeftButton);
    EXPECT_EQ(title, "Cu");
    EXPECT_EQ(edit("tfTIT")->text(), "Cu");
    EXPECT_EQ(edit("tfCell0")->text(), "3.615");
    EXPECT_TRUE(doc->engine().bCSF);
}

class LongWorkTest : public DocumentFixture {
protected:
    // Answers every progress step: true goes on, false cancels.
    void answerProgress(bool goOn) {
        MessageHook hook;
        hook.answer = [this](const QString& title, const QString& text) {
            ask_.messages << title + QStringLiteral(": ") + text;
            return false;
        };
        hook.progress = [this, goOn](const QString& label, double fraction) {
            steps << std::make_pair(label, fraction);
            return goOn;
        };
        setMessageHook(hook);
    }
    QList<std::pair<QString, double>> steps;
};

TEST_F(LongWorkTest, CancellingALoadOrAGenerationKeepsThePreviousCrystal) {
    doc->readCEL(dataFile("Si.cel"));
    const clLAUE si = doc->engine();
    const QString siHint = hint();
    ASSERT_GT(si.n_hkl, 0);
    const auto sameCrystal = [&] {
        const clLAUE& now = doc->engine();
        return now.n_hkl == si.n_hkl && now.m_tit == si.m_tit && now.currentRow() == si.currentRow() &&
               now.getCellConstant(0) == si.getCellConstant(0) &&
               now.cellAtoms().size() == si.cellAtoms().size() && now.structureText() == si.structureText() &&
               now.bCSF && now.x_withIntensity;
    };

    answerProgress(false);
    doc->readCSF(dataFile("quartz.csf"));
    ASSERT_FALSE(steps.isEmpty());
    EXPECT_EQ(steps[0].first, "Loading quartz.csf ...");
    EXPECT_TRUE(sameCrystal());
    EXPECT_EQ(hint(), "Loading cancelled: the previous crystal stays");
    EXPECT_EQ(listRows(), si.n_hkl);
    EXPECT_TRUE(ask_.messages.isEmpty());

    steps.clear();
    setText("tfCell0", "6");
    pressApply();
    ASSERT_FALSE(steps.isEmpty());
    EXPECT_EQ(steps[0].first, "Generating reflections ...");
    EXPECT_TRUE(sameCrystal());
    EXPECT_EQ(hint(), "Generation cancelled: the previous reflections stay");

    // Run to the end, the steps go forward from 0 to below 1.
    answerProgress(true);
    steps.clear();
    doc->readCSF(dataFile("quartz.csf"));
    ASSERT_GT(steps.size(), 2);
    // Reading with the expansion of the atoms (which reports every few thousand
    // atoms, so not for quartz), then the generation: one bar that only goes forward.
    EXPECT_LE(steps.first().second, 0.5);
    EXPECT_GE(steps.last().second, 0.5);
    for (qsizetype i = 1; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].first, "Loading quartz.csf ...");
        EXPECT_GE(steps[i].second, steps[i - 1].second);
        EXPECT_LT(steps[i].second, 1.0);
    }
    EXPECT_NE(doc->engine().m_tit, si.m_tit);
    EXPECT_NE(hint(), siHint);
    EXPECT_TRUE(ask_.messages.isEmpty());
}

// The real dialog: it appears while the work goes on, and its Cancel stops it.
TEST(ProgressTest, TheDialogAppearsForLongWorkAndItsCancelButtonStopsIt) {
    clearMessageHook();
    Progress progress(nullptr, QStringLiteral("Working ..."));
    QElapsedTimer clock;
    clock.start();
    QProgressDialog* dialog = nullptr;
    while (!dialog && clock.elapsed() < 10000) {
        ASSERT_TRUE(progress.step(static_cast<double>(clock.elapsed()) / 20000));
        QTest::qSleep(20);
        dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    }
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->labelText(), "Working ...");
    QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    QTest::qSleep(50);
    EXPECT_FALSE(progress.step(0.5));
    EXPECT_FALSE(progress.step(0.6));
}

}  // namespace
}  // namespace lumora::app::test
