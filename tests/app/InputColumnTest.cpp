// The input column on its own: what it hands over on Apply once every field
// is valid, the vector it confirms, and the turns its buttons ask for.
#include "AppFixture.h"
#include "app/InputColumn.h"
#include "symmetry/SpaceGroupTable.h"

namespace lumora::app::test {
namespace {

class InputColumnTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        column.show();
        QApplication::setActiveWindow(&column);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&column));
        QObject::connect(&column, &InputColumn::applyRequested,
                         [this](const Experiment& e) { applied.push_back(e); });
        QObject::connect(&column, &InputColumn::orientationConfirmed,
                         [this](const OrientationVector& v) { vectors.push_back(v); });
        QObject::connect(&column, &InputColumn::rotationRequested,
                         [this](int axis, float degrees) { turns.emplace_back(axis, degrees); });
    }
    template <class T = QWidget>
    T* child(const char* name) {
        T* w = column.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void type(const char* name, const QString& text) { typeInto(child<QLineEdit>(name), text); }
    void click(const char* name, Qt::MouseButton button = Qt::LeftButton) {
        auto* w = child(name);
        QTest::mouseClick(w, button, Qt::NoModifier, QPoint(6, w->height() / 2));
    }
    void enterVector(const QString& text) {
        auto* box = child<QComboBox>("cmbORIENT");
        typeInto(box->lineEdit(), text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    InputColumn column;
    std::vector<Experiment> applied;
    std::vector<OrientationVector> vectors;
    std::vector<std::pair<int, float>> turns;
};

TEST_F(InputColumnTest, ApplyHandsOverOneCheckedExperimentOrNothingWithTheFieldsMessage) {
    column.showEngine(clLAUE());
    column.selectSpaceGroup(227);
    for (const char* name : {"tfCell0", "tfCell1", "tfCell2"}) type(name, "5.431");
    type("tfKV", "40");
    type("tfWL2", "2");
    type("tfFSD", "45");
    click("rbIntensity0");
    click("rbmode1");
    click("btAPPLY");
    ASSERT_EQ(applied.size(), 1u);
    const Experiment& e = applied[0];
    EXPECT_EQ(e.spaceGroupNumber, 227);
    EXPECT_EQ(e.spaceGroupItem, QString::fromStdString(symmetry::spaceGroupListItem(227)).toUpper());
    EXPECT_EQ(e.cell, (std::array<double, 6>{5.431, 5.431, 5.431, 90, 90, 90}));
    EXPECT_EQ(e.voltage, 40);
    EXPECT_EQ(e.lambdaMax, 2);
    EXPECT_EQ(e.distance, 45.0f);
    EXPECT_TRUE(e.intensities);
    EXPECT_TRUE(e.intensitiesAsked);
    EXPECT_EQ(e.plotType, 1);
    EXPECT_TRUE(ask_.messages.isEmpty());

    // Each refusal names the first field that cannot be used; nothing is handed over.
    const std::tuple<const char*, const char*, QString> refused[] = {
        {"tfKV", "0", "Lumora: Error 5: Invalid voltage: the tube voltage must be a positive number of kV"},
        {"tfCell1", "abc",
         "Lumora: Error 5: Invalid unit cell: the edge b must be a positive number of \u00c5"},
        {"tfCell5", "200",
         "Lumora: Error 5: Invalid unit cell: the angle gamma must lie between 0 and 180 degrees"},
        {"tfCell0", "100000",
         "Lumora: Error 6: Overflow: the unit cell is too large for the reflection index limits"},
    };
    for (const auto& [field, text, message] : refused) {
        const QString old = child<QLineEdit>(field)->text();
        type(field, text);
        ask_.messages.clear();
        click("btAPPLY");
        EXPECT_EQ(ask_.messages, QStringList{message}) << field;
        EXPECT_EQ(applied.size(), 1u) << field;
        type(field, old);
    }
    // A distance is refused when it is read, and the field shows the last good one again.
    const QString refusedDistance =
        "Lumora: Error 5: Invalid film-sample distance: the distance must be a positive number of mm";
    type("tfFSD", "-1");
    ask_.messages.clear();
    EXPECT_FALSE(column.experiment().has_value());
    EXPECT_EQ(ask_.messages, QStringList{refusedDistance});
    EXPECT_EQ(child<QLineEdit>("tfFSD")->text(), "45");
    type("tfFSD", "0");
    child("tfKV")->setFocus();  // leaving the field reads it
    EXPECT_EQ(ask_.messages, QStringList({refusedDistance, refusedDistance}));
    EXPECT_EQ(child<QLineEdit>("tfFSD")->text(), "45");
    EXPECT_EQ(applied.size(), 1u);

    // A reflection file's list: intensities are not the user's choice.
    column.setSource(InputColumn::Source::ReflectionFile);
    ask_.messages.clear();
    click("btAPPLY");
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_TRUE(applied[1].intensities);
    EXPECT_FALSE(applied[1].intensitiesAsked);
    EXPECT_FALSE(child("cmbSPG")->isEnabled());
}

TEST_F(InputColumnTest, TheVectorIsConfirmedOnlyWithSomethingToTurnAndTheButtonsTurnBothWays) {
    enterVector("1 1 0");  // nothing to turn yet: neither applied nor refused
    enterVector("11");
    EXPECT_TRUE(vectors.empty());
    EXPECT_TRUE(ask_.messages.isEmpty());

    column.setOrientable(true);
    enterVector("1 1 0");
    child<QComboBox>("cmbUVW")->setCurrentIndex(1);
    enterVector("112");
    QTest::mouseClick(child("lbOrientation"), Qt::LeftButton);
    ASSERT_EQ(vectors.size(), 3u);
    EXPECT_EQ(std::make_tuple(vectors[0].u, vectors[0].v, vectors[0].w, vectors[0].direction),
              std::make_tuple(1.0f, 1.0f, 0.0f, true));
    EXPECT_EQ(std::make_tuple(vectors[1].u, vectors[1].v, vectors[1].w, vectors[1].direction),
              std::make_tuple(1.0f, 1.0f, 2.0f, false));
    EXPECT_EQ(vectors[2].w, 2.0f);
    enterVector("0 0 0");
    EXPECT_EQ(vectors.size(), 3u);
    EXPECT_EQ(ask_.messages, QStringList{"Invalid Orientation Vector: Please type SPACE between u v w"});

    type("tfANG", "2,5");
    QTest::mouseClick(child("btANG1"), Qt::LeftButton);
    QTest::mouseClick(child("btANG2"), Qt::RightButton);
    EXPECT_EQ(turns, (std::vector<std::pair<int, float>>{{2, 2.5f}, {3, -2.5f}}));
    EXPECT_EQ(child<QLineEdit>("tfANG")->text(), "2.5");
    EXPECT_EQ(appState().settings.rotationStep, 2.5f);
}

TEST_F(InputColumnTest, AHexagonalCellTakesFourIndicesInTheOrientationFieldCheckedForTheThird) {
    column.setOrientable(true);
    // A cubic cell reads three numbers as ever; a fourth is ignored.
    column.setCellTexts({"5", "5", "5", "90", "90", "90"});
    enterVector("1 0 0 7");
    column.setCellTexts({"3.2", "3.2", "5.2", "90", "90", "120"});
    enterVector("[2 -1 -1 0]");  // the direction [1 0 0]
    enterVector("1 1 -2 3");     // [1 1 1]
    child<QComboBox>("cmbUVW")->setCurrentIndex(1);
    enterVector("(1 0 -1 2)");  // the plane (1 0 2)
    enterVector("1 1 0");       // three indices still work
    ASSERT_EQ(vectors.size(), 5u);
    const auto triple = [](const OrientationVector& v) {
        return std::array<float, 4>{v.u, v.v, v.w, float(v.direction)};
    };
    EXPECT_EQ(triple(vectors[0]), (std::array<float, 4>{1, 0, 0, 1}));
    EXPECT_EQ(triple(vectors[1]), (std::array<float, 4>{3, 0, 0, 1}));
    EXPECT_EQ(triple(vectors[2]), (std::array<float, 4>{3, 3, 3, 1}));
    EXPECT_EQ(triple(vectors[3]), (std::array<float, 4>{1, 0, 2, 0}));
    EXPECT_EQ(triple(vectors[4]), (std::array<float, 4>{1, 1, 0, 0}));
    EXPECT_TRUE(ask_.messages.isEmpty());

    enterVector("1 0 0 2");
    child<QComboBox>("cmbUVW")->setCurrentIndex(0);
    enterVector("1 1 1 0");
    EXPECT_EQ(vectors.size(), 5u);
    EXPECT_EQ(ask_.messages,
              QStringList(
                  {"Invalid Orientation Vector: In (h k i l) the third index must be -(h+k) = -1, not 0.",
                   "Invalid Orientation Vector: In [u v t w] the third index must be -(u+v) = -2, not 1."}));
}

}  // namespace
}  // namespace lumora::app::test
