// View > Four-index hexagonal notation: saved in the settings store, read at
// start, and shown by the reflection list of a hexagonal cell only.
#include "AppFixture.h"
#include "app/HklTableModel.h"

namespace lumora::app::test {
namespace {

using HexNotationTest = MainWindowFixture;

constexpr const char* kToggle = "Four-index hexagonal notation";

const HklTableModel* listOf(frmDocument* d) {
    const auto* view = d->findChild<QTableView*>("lstHKL");
    return view ? qobject_cast<const HklTableModel*>(view->model()) : nullptr;
}

QString indicesHeader(frmDocument* d) {
    return listOf(d)->headerData(HklTableModel::Indices, Qt::Horizontal).toString();
}

TEST_F(HexNotationTest, TheToggleIsSavedReadAtStartAndChangesOnlyHexagonalLists) {
    ASSERT_NE(item("&View", kToggle), nullptr);
    EXPECT_FALSE(item("&View", kToggle)->isChecked());
    loadSample("Mg");
    frmDocument* magnesium = active();
    ASSERT_NE(listOf(magnesium), nullptr);
    ASSERT_GT(listOf(magnesium)->rowCount(), 0);
    EXPECT_EQ(indicesHeader(magnesium), "(hkl)");

    choose("&View", kToggle);
    EXPECT_TRUE(appState().flags.fourIndex);
    EXPECT_TRUE(magnesium->renderOptions().flags.fourIndex);
    EXPECT_EQ(readRegString("LUMORA", "HEX4"), "1");
    EXPECT_EQ(indicesHeader(magnesium), "(hkil)");
    const clLAUE& laue = magnesium->engine();
    for (const int row : {0, listOf(magnesium)->rowCount() - 1}) {
        const QStringList parts = listOf(magnesium)
                                      ->index(row, HklTableModel::Indices)
                                      .data()
                                      .toString()
                                      .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_EQ(parts.size(), 4);
        const int32_t i = listOf(magnesium)->reflectionAt(row);
        EXPECT_EQ(parts[2].toInt(), -(laue.getH(i) + laue.getK(i)));
    }

    // A cubic cell in another window keeps three indices.
    window_->newDocument();
    loadSample("Si");
    ASSERT_NE(active(), magnesium);
    EXPECT_EQ(indicesHeader(active()), "(hkl)");

    // The next start reads the choice back; turning it off is saved too.
    window_.reset();
    appState().flags = {};
    window_ = std::make_unique<frmMain>();
    window_->show();
    EXPECT_TRUE(appState().flags.fourIndex);
    EXPECT_TRUE(item("&View", kToggle)->isChecked());
    choose("&View", kToggle);
    EXPECT_FALSE(appState().flags.fourIndex);
    EXPECT_EQ(readRegString("LUMORA", "HEX4"), "0");
}

}  // namespace
}  // namespace lumora::app::test
