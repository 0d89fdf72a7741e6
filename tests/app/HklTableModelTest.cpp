// The reflection list as a table model: every reflection once, by
// decreasing d with ties in list order, the texts the list has always shown.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

#include "app/HklTableModel.h"
#include "engine/LaueEngine.h"

namespace lumora::app::test {
namespace {

clLAUE cubicP1(float a) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    for (int i = 0; i < 3; ++i) laue.setCellConstant(i, a);
    laue.GenerateHKL();
    return laue;
}

QString text(const HklTableModel& model, int row, int column) {
    return model.index(row, column).data().toString();
}

// Column I: empty with |F| spots; with physical intensities each spot's sum
// relative to the strongest of the list, following the crystal as it turns.
TEST(HklTableModel, ColumnIShowsThePhysicalIntensityAtTheCurrentOrientation) {
    clLAUE laue = cubicP1(5);
    laue.setOrientation(1, 2, 5, true);
    HklTableModel model(laue);
    model.refresh();
    EXPECT_EQ(model.headerData(HklTableModel::Intensity, Qt::Horizontal).toString(), "I");
    EXPECT_TRUE(text(model, 0, HklTableModel::Intensity).isEmpty());

    laue.setIntensityModel(engine::IntensityModel::Physical);
    const auto column = [&] {
        std::vector<double> values;
        for (int row = 0; row < model.rowCount(); ++row)
            values.push_back(text(model, row, HklTableModel::Intensity).toDouble());
        return values;
    };
    const auto check = [&](const std::vector<double>& values) {
        const engine::Spectrum spectrum = laue.spectrum();
        double strongest = 0;
        for (int32_t n = 0; n < laue.n_hkl; ++n)
            strongest = std::max(strongest, laue.spotIntensity(n, spectrum));
        ASSERT_GT(strongest, 0);
        for (int row = 0; row < model.rowCount(); ++row) {
            const double expected = laue.spotIntensity(model.reflectionAt(row), spectrum) / strongest;
            EXPECT_NEAR(values[static_cast<std::size_t>(row)], expected, 5e-6 * std::max(expected, 1e-3))
                << "row " << row;
        }
        EXPECT_EQ(*std::max_element(values.begin(), values.end()), 1);
    };
    const std::vector<double> before = column();
    check(before);
    laue.DoRotate(2, 17);
    const std::vector<double> after = column();
    check(after);
    EXPECT_NE(before, after);
}

TEST(HklTableModel, ALargeListFillsTheTableByDecreasingSpacingWithTiesInListOrder) {
    clLAUE laue = cubicP1(30);
    ASSERT_GT(laue.n_hkl, 40000);
    HklTableModel model(laue);
    EXPECT_EQ(model.rowCount(), 0);  // nothing until asked
    model.refresh();
    ASSERT_EQ(model.rowCount(), laue.n_hkl);
    EXPECT_EQ(model.columnCount(), 5);

    // The first row: the first of the 30 Å reflections in list order.
    int32_t firstLongest = -1;
    float shortest = laue.getD(0);
    for (int32_t i = 0; i < laue.n_hkl; ++i) {
        if (firstLongest < 0 && laue.getD(i) > 29.999f) firstLongest = i;
        shortest = std::min(shortest, laue.getD(i));
    }
    ASSERT_GE(firstLongest, 0);
    EXPECT_EQ(text(model, 0, HklTableModel::Number), "1");
    EXPECT_EQ(text(model, 0, HklTableModel::Indices), QString::fromStdString(laue.getHKL2(firstLongest)));
    EXPECT_EQ(text(model, 0, HklTableModel::Indices).size(), 12);
    EXPECT_EQ(text(model, 0, HklTableModel::Spacing), "30.00000");
    const int last = model.rowCount() - 1;
    EXPECT_EQ(text(model, last, HklTableModel::Number), QString::number(laue.n_hkl));
    EXPECT_EQ(text(model, last, HklTableModel::Spacing), QString::number(shortest, 'f', 5));
    // No intensities without atoms: the F column is empty.
    EXPECT_TRUE(text(model, 0, HklTableModel::Amplitude).isEmpty());
    EXPECT_FALSE(model.withIntensity());

    // Every reflection once, d never rising, equal d in list order.
    std::vector<bool> seen(static_cast<std::size_t>(laue.n_hkl));
    for (int row = 0; row < model.rowCount(); ++row) {
        const int32_t i = model.reflectionAt(row);
        ASSERT_GE(i, 0);
        ASSERT_FALSE(seen[static_cast<std::size_t>(i)]) << "row " << row;
        seen[static_cast<std::size_t>(i)] = true;
        if (row == 0) continue;
        const int32_t before = model.reflectionAt(row - 1);
        ASSERT_LE(laue.getD(i), laue.getD(before)) << "row " << row;
        if (laue.getD(i) == laue.getD(before)) {
            ASSERT_GT(i, before) << "row " << row;
        }
    }
    EXPECT_EQ(model.reflectionAt(-1), -1);
    EXPECT_EQ(model.reflectionAt(model.rowCount()), -1);
}

TEST(HklTableModel, FollowsTheEngineFromListToListAndShowsIntensitiesWhenThereAreAny) {
    clLAUE laue = cubicP1(30);
    HklTableModel model(laue);
    model.refresh();
    const QStringList headers = {"#", "(hkl)", "d-Spacing", "F"};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), headers[c]);

    const int before = model.rowCount();
    laue = cubicP1(5);  // a new, shorter list in the same engine
    // Until the table is refreshed, rows that point beyond the new list show nothing.
    int empty = 0;
    for (int row = 0; row < before; ++row)
        if (text(model, row, HklTableModel::Indices).isEmpty()) {
            ++empty;
            EXPECT_EQ(model.reflectionAt(row), -1);
        }
    EXPECT_EQ(empty, before - laue.n_hkl);
    model.refresh();
    EXPECT_EQ(model.rowCount(), laue.n_hkl);
    EXPECT_EQ(text(model, 0, HklTableModel::Spacing), "5.00000");
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);

    laue.readCEL(QFile::encodeName(QStringLiteral(LUMORA_TEST_DATA_DIR "/Si.cel")).toStdString());
    laue.GenerateHKL();
    ASSERT_TRUE(laue.x_withIntensity);
    model.refresh();
    EXPECT_TRUE(model.withIntensity());
    const QRegularExpression twoDecimals(QStringLiteral("^[0-9]+\\.[0-9]{2}$"));
    for (int row : {0, model.rowCount() / 2, model.rowCount() - 1})
        EXPECT_TRUE(twoDecimals.match(text(model, row, HklTableModel::Amplitude)).hasMatch())
            << text(model, row, HklTableModel::Amplitude).toStdString();
    // Silicon's largest spacing is that of 111 (the 100, 110 and 200 planes are absent).
    EXPECT_EQ(text(model, 0, HklTableModel::Spacing), "3.13542");
}

TEST(HklTableModel, ShowsFourIndicesForAHexagonalCellOnly) {
    clLAUE laue;
    laue.SGTAB_find("P 1");
    laue.setCellConstant(0, 3.2f);
    laue.setCellConstant(1, 3.2f);
    laue.setCellConstant(2, 5.2f);
    laue.setCellConstant(5, 120);
    laue.GenerateHKL();
    HklTableModel model(laue);
    model.refresh();
    int changed = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&changed] { ++changed; });
    const QStringList three = {text(model, 0, HklTableModel::Indices),
                               text(model, 7, HklTableModel::Indices)};

    model.setFourIndex(true);
    EXPECT_TRUE(model.showsFourIndex());
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(model.headerData(HklTableModel::Indices, Qt::Horizontal).toString(), "(hkil)");
    // Every row reads back as (h k -(h+k) l) of its reflection, in four fields of four.
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString shown = text(model, row, HklTableModel::Indices);
        ASSERT_EQ(shown.size(), 16) << shown.toStdString();
        const QStringList parts = shown.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_EQ(parts.size(), 4);
        const int32_t i = model.reflectionAt(row);
        ASSERT_EQ(parts[0].toInt(), laue.getH(i));
        ASSERT_EQ(parts[1].toInt(), laue.getK(i));
        ASSERT_EQ(parts[2].toInt(), -(laue.getH(i) + laue.getK(i)));
        ASSERT_EQ(parts[3].toInt(), laue.getL(i));
    }
    model.setFourIndex(false);
    EXPECT_EQ(text(model, 0, HklTableModel::Indices), three[0]);
    EXPECT_EQ(text(model, 7, HklTableModel::Indices), three[1]);
    EXPECT_EQ(model.headerData(HklTableModel::Indices, Qt::Horizontal).toString(), "(hkl)");

    // A cubic cell keeps three indices with the option on.
    laue = cubicP1(5);
    model.refresh();
    model.setFourIndex(true);
    EXPECT_FALSE(model.showsFourIndex());
    EXPECT_EQ(text(model, 0, HklTableModel::Indices),
              QString::fromStdString(laue.getHKL2(model.reflectionAt(0))));
    EXPECT_EQ(model.headerData(HklTableModel::Indices, Qt::Horizontal).toString(), "(hkl)");
}

}  // namespace
}  // namespace lumora::app::test
