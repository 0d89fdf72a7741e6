#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <cmath>

#include "engine/LaueEngine.h"
#include "tools/AngleCalculator.h"

namespace {

using lumora::clLAUE;
using lumora::tools::dlgANGLE;
using Vector = std::array<float, 3>;

TEST(VectorTextTest, ReadsThreeNumbersOrThreeCharacters) {
    const std::pair<QString, Vector> valid[] = {
        {"111", {1, 1, 1}},  {"1 1 1", {1, 1, 1}},           {"   1    1  1   ", {1, 1, 1}},
        {"-11", {0, 1, 1}},  {"0.5 1e1 -2", {0.5f, 10, -2}}, {"1 2 3 4", {1, 2, 3}},
        {"2 x 1", {2, 0, 1}}};
    for (const auto& [text, expected] : valid) {
        Vector v{-99, -99, -99};
        EXPECT_TRUE(dlgANGLE::parseVector(text, v)) << text.toStdString();
        EXPECT_EQ(v, expected) << text.toStdString();
    }
    Vector v{7, 7, 7};
    for (const QString text : {"", "1 1", "11", "1111", "12 3", "1e400 0 0"}) {
        EXPECT_FALSE(dlgANGLE::parseVector(text, v)) << text.toStdString();
        EXPECT_EQ(v, (Vector{7, 7, 7}));  // untouched
    }
}

// The dialog on a generated crystal; messages are collected instead of shown.
class AngleDialogTest : public ::testing::Test {
protected:
    void open(const std::array<float, 6>& cell, int vectorType = 0) {
        if (cell[0] > 0) {
            laue.SGTAB_find("P 1");
            for (int i = 0; i < 6; ++i) laue.setCellConstant(i, cell[static_cast<std::size_t>(i)]);
            laue.GenerateHKL();
        }
        dialog.setMessenger([this](const QString& title, const QString& text, QMessageBox::Icon) {
            messages.push_back(title + "|" + text);
        });
        dialog.setLaue(&laue, vectorType);
        dialog.show();
    }
    QLineEdit* field(int i) { return dialog.findChild<QLineEdit*>(QString("tf%1").arg(i)); }
    QPushButton* apply() { return dialog.findChild<QPushButton*>("bt2"); }
    void click(int i) { dialog.findChild<QPushButton*>(QString("bt%1").arg(i))->click(); }
    QString angleBetween(const QString& a, const QString& b) {
        field(0)->setText(a);
        field(1)->setText(b);
        click(0);
        return field(2)->text();
    }
    std::array<double, 2> goniometer(const QString& vector) {
        field(3)->setText(vector);
        click(1);
        return {field(4)->text().toDouble(), field(5)->text().toDouble()};
    }

    clLAUE laue;
    dlgANGLE dialog;
    QStringList messages;
};

TEST_F(AngleDialogTest, AnglesBetweenCubicAndHexagonalPlaneNormals) {
    open({5.431f, 5.431f, 5.431f, 90, 90, 90});
    EXPECT_EQ(angleBetween("100", "110"), "45.0 deg");
    EXPECT_EQ(angleBetween("1 1 1", "1 0 0"), "54.7356 deg");  // acos(1/sqrt 3)
    EXPECT_EQ(angleBetween("111", "  1 1 1 "), "0.0 deg");
    EXPECT_EQ(angleBetween("1 0 0 7", "1 1 0"), "45.0 deg");  // four numbers: the first three count
    open({3.2f, 3.2f, 5.2f, 90, 90, 120});                    // hexagonal
    EXPECT_EQ(angleBetween("100", "010"), "60.0 deg");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AngleDialogTest, AHexagonalCellTakesFourIndicesCheckedForTheThird) {
    open({3.2f, 3.2f, 5.2f, 90, 90, 120});
    // (1 0 -1 0) and (0 1 -1 0) are (100) and (010); three and four indices mix.
    EXPECT_EQ(angleBetween("1 0 -1 0", "0 1 -1 0"), "60.0 deg");
    EXPECT_EQ(angleBetween("(1 0 -1 0)", "0 1 0"), "60.0 deg");
    EXPECT_EQ(angleBetween("1 0 0 0", "0 1 0"), "");
    EXPECT_EQ(messages.value(0),
              "Invalid input: HKL(1)|In (h k i l) the third index must be -(h+k) = -1, not 0.");
    // [2 -1 -1 0] is [100], [1 1 -2 3] is [111]: the same turns in both notations.
    for (const auto& [four, three] : {std::pair{"2 -1 -1 0", "1 0 0"}, std::pair{"1 1 -2 3", "1 1 1"}}) {
        const auto a = goniometer(four);
        const auto b = goniometer(three);
        EXPECT_NEAR(a[0], b[0], 0.011) << four;
        EXPECT_NEAR(a[1], b[1], 0.011) << four;
    }
    goniometer("1 1 1 0");
    EXPECT_EQ(messages.value(1),
              "Invalid input: HKL|In [u v t w] the third index must be -(u+v) = -2, not 1.");
    EXPECT_FALSE(apply()->isEnabled());
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(AngleDialogTest, NoDataInvalidAndZeroVectorsAreNamedAndCannotBeApplied) {
    open({});
    EXPECT_EQ(angleBetween("100", "110"), "");
    EXPECT_TRUE(messages.value(0).endsWith("|No data loaded !"));
    goniometer("1 1 1");
    EXPECT_EQ(field(4)->text(), "");
    EXPECT_FALSE(apply()->isEnabled());
    messages.clear();

    open({5, 5, 5, 90, 90, 90});
    EXPECT_EQ(angleBetween("1 1", "1 0 0"), "");
    EXPECT_EQ(angleBetween("1 0 0", "000"), "");
    EXPECT_EQ(messages.value(0), "Invalid input: HKL(1)|Please type SPACE between h k l");
    EXPECT_TRUE(messages.value(1).startsWith("Invalid input: HKL(2)|"));
    goniometer("1 1 0");
    ASSERT_TRUE(apply()->isEnabled());
    goniometer("1 1");
    EXPECT_EQ(messages.value(2), "Invalid input: HKL|Please type SPACE between h k l");
    // The earlier angles are no longer shown, so they cannot be applied.
    EXPECT_EQ(field(4)->text(), "");
    EXPECT_FALSE(apply()->isEnabled());
    goniometer("0 0 0");
    EXPECT_TRUE(messages.value(3).startsWith("Invalid input: HKL|"));
    EXPECT_FALSE(apply()->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(AngleDialogTest, ApplyTurnsAboutXThenZAndBringsTheVectorOntoTheBeam) {
    open({5.431f, 5.431f, 5.431f, 90, 90, 90});
    EXPECT_FALSE(apply()->isEnabled());
    laue.setOrientation(0, 0, 1, true);
    const auto before = laue.orientationMatrix();
    const auto [phiX, phiZ] = goniometer("1 1 1");
    EXPECT_NEAR(std::fabs(phiZ), 54.74, 0.01);  // [111] lies 54.74 degrees off the beam
    QSignalSpy applied(&dialog, &dlgANGLE::applied);
    click(2);
    EXPECT_EQ(applied.count(), 1);
    EXPECT_FALSE(apply()->isEnabled());

    // Now [111] is on the beam: a new calculation asks for no further turn.
    const auto again = goniometer("1 1 1");
    EXPECT_NEAR(std::fabs(again[0]) + std::fabs(again[1]), 0, 0.04);

    // The other order (Z before X) gives another orientation, which misses the beam.
    laue.setOrientationMatrix(before);
    laue.DoRotate(3, static_cast<float>(phiZ));
    laue.DoRotate(1, static_cast<float>(phiX));
    const auto miss = laue.getGoniometer(1, 1, 1, true);
    EXPECT_GT(std::fabs(miss[0]) + std::fabs(miss[1]), 1.0);
}

TEST_F(AngleDialogTest, ReciprocalOrDirectVectorsFollowTheOption) {
    // In a monoclinic cell [001] and the normal of (001) differ.
    open({5, 6, 7, 90, 110, 90}, 1);
    goniometer("0 0 1");
    click(2);
    EXPECT_NEAR(laue.getGoniometer(0, 0, 1, false)[0], 0, 0.02);
    EXPECT_GT(std::fabs(laue.getGoniometer(0, 0, 1, true)[0]), 10);
    for (QRadioButton* option : dialog.findChildren<QRadioButton*>())
        if (option->text() == "Direct Lattice Vector [uvw]") option->click();
    EXPECT_EQ(dialog.findChild<QLabel*>("lb3")->text(), "UVW");
}

}  // namespace
