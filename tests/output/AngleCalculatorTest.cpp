#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "engine/LaueEngine.h"
#include "tools/AngleCalculator.h"

namespace {

using lumora::clLAUE;
using lumora::tools::dlgANGLE;
using Vector = std::array<float, 3>;

Vector parsed(const QString& text) {
    Vector v{-99, -99, -99};
    EXPECT_TRUE(dlgANGLE::parseVector(text, v)) << text.toStdString();
    return v;
}

TEST(VectorTextTest, ShortAndSpacedFormsGiveTheSameVector) {
    const Vector one{1, 1, 1};
    EXPECT_EQ(parsed("111"), one);
    EXPECT_EQ(parsed("1 1 1"), one);
    EXPECT_EQ(parsed("   1    1  1   "), one);
    EXPECT_EQ(parsed(" 111 "), one);
    EXPECT_EQ(parsed("-1 2 -3"), (Vector{-1, 2, -3}));
    EXPECT_EQ(parsed("0.5 1e1 2"), (Vector{0.5f, 10, 2}));
}

TEST(VectorTextTest, ThreeCharactersAreReadOneByOne) {
    // The minus sign alone reads as 0.
    EXPECT_EQ(parsed("-11"), (Vector{0, 1, 1}));
    EXPECT_EQ(parsed("1-1"), (Vector{1, 0, 1}));
    EXPECT_EQ(parsed("abc"), (Vector{0, 0, 0}));
}

TEST(VectorTextTest, FewerThanThreeNumbersAreInvalidAndMoreUseTheFirstThree) {
    Vector v{7, 7, 7};
    for (const QString text : {"", "   ", "1 1", "11", "1111", "12 3"}) {
        EXPECT_FALSE(dlgANGLE::parseVector(text, v)) << text.toStdString();
        EXPECT_EQ(v, (Vector{7, 7, 7}));  // untouched
    }
    EXPECT_EQ(parsed("1 2 3 4"), (Vector{1, 2, 3}));
    EXPECT_EQ(parsed("2 x 1"), (Vector{2, 0, 1}));
}

TEST(VectorTextTest, HugeNumbersAreRefusedRatherThanOverflowing) {
    Vector v{};
    EXPECT_FALSE(dlgANGLE::parseVector("1e400 0 0", v));
}

// The dialog on a generated crystal; messages are collected instead of shown.
class AngleDialogTest : public ::testing::Test {
protected:
    void generate(const std::array<float, 6>& cell, const char* group = "P 1") {
        laue.SGTAB_find(group);
        for (int i = 0; i < 6; ++i) laue.setCellConstant(i, cell[static_cast<std::size_t>(i)]);
        laue.GenerateHKL();
    }
    void open(int vectorType = 0) {
        dialog.setMessenger([this](const QString& title, const QString& text, QMessageBox::Icon icon) {
            messages.push_back(title + "|" + text);
            icons.push_back(icon);
        });
        dialog.setLaue(&laue, vectorType);
        dialog.show();
    }
    QLineEdit* field(int i) { return dialog.findChild<QLineEdit*>(QString("tf%1").arg(i)); }
    QPushButton* button(int i) { return dialog.findChild<QPushButton*>(QString("bt%1").arg(i)); }
    void type(int i, const QString& text) {
        field(i)->clear();
        QTest::keyClicks(field(i), text);
    }
    void click(int i) { QTest::mouseClick(button(i), Qt::LeftButton); }
    QString angleBetween(const QString& a, const QString& b) {
        type(0, a);
        type(1, b);
        click(0);
        return field(2)->text();
    }
    // Phi(x) and Phi(z) as shown.
    std::array<double, 2> goniometer(const QString& vector) {
        type(3, vector);
        click(1);
        return {field(4)->text().toDouble(), field(5)->text().toDouble()};
    }

    clLAUE laue;
    dlgANGLE dialog;
    QStringList messages;
    std::vector<QMessageBox::Icon> icons;
};

TEST_F(AngleDialogTest, ShowsItsCaptionsAndStartsWithApplyDisabled) {
    generate({5, 5, 5, 90, 90, 90});
    open();
    EXPECT_EQ(dialog.windowTitle(), " Angle Calculator");
    EXPECT_EQ(button(0)->text(), "Calculate Angle");
    EXPECT_EQ(button(1)->text(), "Calculate Goniometer Adjustment Angles");
    EXPECT_EQ(button(2)->text(), "Apply");
    EXPECT_EQ(button(2)->toolTip(), "Apply Calculated Angles");
    EXPECT_FALSE(button(2)->isEnabled());
    QStringList labels;
    for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
    for (const char* caption :
         {"HKL1", "HKL2", "Angle = ", "New Orientation Vector", "Phi(x) = ", "Phi(z) = ",
          "Rotate first around the horizontal X-axis by Phi(x) and then around the "
          "vertical Z-axis by Phi(z)"})
        EXPECT_TRUE(labels.contains(caption)) << caption;
}

TEST_F(AngleDialogTest, OptionsFollowTheDocumentsVectorType) {
    generate({5, 5, 5, 90, 90, 90});
    open(1);
    auto* label = dialog.findChild<QLabel*>("lb3");
    EXPECT_EQ(label->text(), "HKL");
    auto options = dialog.findChildren<QRadioButton*>();
    ASSERT_EQ(options.size(), 2);
    QRadioButton* direct = options[0]->text() == "Direct Lattice Vector [uvw]" ? options[0] : options[1];
    EXPECT_FALSE(direct->isChecked());
    QTest::mouseClick(direct, Qt::LeftButton, {}, QPoint(5, direct->height() / 2));
    EXPECT_TRUE(direct->isChecked());
    EXPECT_EQ(label->text(), "UVW");
}

TEST_F(AngleDialogTest, AnglesBetweenPlaneNormals) {
    generate({5.431f, 5.431f, 5.431f, 90, 90, 90});
    open();
    EXPECT_EQ(angleBetween("100", "110"), "45.0 deg");
    EXPECT_EQ(angleBetween("1 0 0", "0 0 1"), "90.0 deg");
    EXPECT_EQ(angleBetween("1 1 1", "1 0 0"), "54.7356 deg");
    EXPECT_EQ(angleBetween("111", "  1 1 1 "), "0.0 deg");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AngleDialogTest, HexagonalPlaneNormalsMeetAtSixtyDegrees) {
    generate({3.2f, 3.2f, 5.2f, 90, 90, 120});
    open();
    EXPECT_EQ(angleBetween("100", "010"), "60.0 deg");
}

TEST_F(AngleDialogTest, InvalidInputIsNamedAndLeavesTheDialogOpen) {
    generate({5, 5, 5, 90, 90, 90});
    open();
    EXPECT_EQ(angleBetween("1 1", "1 0 0"), "");
    EXPECT_EQ(angleBetween("1 0 0", "10"), "");
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "Invalid input: HKL(1)|Please type SPACE between h k l");
    EXPECT_EQ(messages[1], "Invalid input: HKL(2)|Please type SPACE between h k l");
    EXPECT_EQ(icons[0], QMessageBox::Critical);

    messages.clear();
    goniometer("1 1 0");
    ASSERT_TRUE(button(2)->isEnabled());
    goniometer("1 1");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Invalid input: HKL|Please type SPACE between h k l");
    // The earlier angles are no longer shown, so they cannot be applied.
    EXPECT_EQ(field(4)->text(), "");
    EXPECT_FALSE(button(2)->isEnabled());
    EXPECT_TRUE(dialog.isVisible());

    // Four numbers are fine: the first three count.
    EXPECT_EQ(angleBetween("1 0 0 7", "1 1 0"), "45.0 deg");
}

TEST_F(AngleDialogTest, TheZeroVectorHasNoAngle) {
    generate({5, 5, 5, 90, 90, 90});
    open();
    EXPECT_EQ(angleBetween("000", "1 0 0"), "");
    goniometer("0 0 0");
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith("Invalid input: HKL(1)|"));
    EXPECT_TRUE(messages[1].startsWith("Invalid input: HKL|"));
    EXPECT_FALSE(button(2)->isEnabled());
}

TEST_F(AngleDialogTest, WithoutReflectionsNothingIsCalculated) {
    open();
    EXPECT_EQ(angleBetween("100", "110"), "");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].endsWith("|No data loaded !"));
    goniometer("1 1 1");
    EXPECT_EQ(field(4)->text(), "");
    EXPECT_FALSE(button(2)->isEnabled());
}

TEST_F(AngleDialogTest, ApplyTurnsAboutXThenZAndBringsTheVectorOntoTheBeam) {
    generate({5.431f, 5.431f, 5.431f, 90, 90, 90});
    laue.setOrientation(0, 0, 1, true);
    open(0);
    const auto before = laue.orientationMatrix();
    const auto [phiX, phiZ] = goniometer("1 1 1");
    EXPECT_NEAR(std::fabs(phiZ), 54.74, 0.01);  // [111] lies 54.74 degrees off the beam
    ASSERT_TRUE(button(2)->isEnabled());

    QSignalSpy applied(&dialog, &dlgANGLE::applied);
    click(2);
    EXPECT_EQ(applied.count(), 1);
    EXPECT_FALSE(button(2)->isEnabled());

    // Now [111] is on the beam: a new calculation asks for no further turn.
    const auto again = goniometer("1 1 1");
    EXPECT_NEAR(again[0], 0, 0.02);
    EXPECT_NEAR(again[1], 0, 0.02);
    EXPECT_TRUE(button(2)->isEnabled());  // a new result can be applied again

    // The other order gives another orientation, which misses the beam.
    clLAUE other;
    other.SGTAB_find("P 1");
    for (int i = 0; i < 6; ++i) other.setCellConstant(i, i < 3 ? 5.431f : 90.0f);
    other.GenerateHKL();
    other.setOrientationMatrix(before);
    other.DoRotate(3, static_cast<float>(phiZ));
    other.DoRotate(1, static_cast<float>(phiX));
    const auto miss = other.getGoniometer(1, 1, 1, true);
    EXPECT_GT(std::fabs(miss[0]) + std::fabs(miss[1]), 1.0);
}

TEST_F(AngleDialogTest, ReciprocalVectorsFollowTheOption) {
    // In a monoclinic cell [001] and the normal of (001) differ.
    generate({5, 6, 7, 90, 110, 90});
    open(1);
    const auto hkl = goniometer("0 0 1");
    click(2);
    EXPECT_NEAR(laue.getGoniometer(0, 0, 1, false)[0], 0, 0.02);
    EXPECT_GT(std::fabs(laue.getGoniometer(0, 0, 1, true)[0]), 10);
    (void)hkl;
}

}  // namespace
