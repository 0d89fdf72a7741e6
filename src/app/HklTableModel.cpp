#include "app/HklTableModel.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "engine/HexIndices.h"
#include "engine/LaueEngine.h"
#include "util/NumberText.h"

namespace lumora::app {

HklTableModel::HklTableModel(const clLAUE& laue, QObject* parent)
    : QAbstractTableModel(parent), laue_(laue) {}

void HklTableModel::refresh() {
    beginResetModel();
    const engine::ReflectionList& list = laue_.reflections();
    order_.resize(static_cast<std::size_t>(list.size()));
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(),
                     [&list](int32_t a, int32_t b) { return list[a].d > list[b].d; });
    withIntensity_ = laue_.x_withIntensity;
    std::array<double, 6> cell{};
    for (int c = 0; c < 6; ++c) cell[static_cast<std::size_t>(c)] = laue_.getCellConstant(c);
    hexagonal_ = engine::isHexagonalCell(cell);
    endResetModel();
}

void HklTableModel::setFourIndex(bool on) {
    if (on == fourIndex_) return;
    fourIndex_ = on;
    if (!hexagonal_ || order_.empty()) return;
    emit dataChanged(index(0, Indices), index(rowCount() - 1, Indices));
    emit headerDataChanged(Qt::Horizontal, Indices, Indices);
}

void HklTableModel::clear() {
    beginResetModel();
    order_.clear();
    endResetModel();
}

int32_t HklTableModel::reflectionAt(int row) const {
    if (row < 0 || row >= static_cast<int>(order_.size())) return -1;
    const int32_t i = order_[static_cast<std::size_t>(row)];
    // A list replaced behind the table's back shows nothing rather than the wrong rows.
    return i < laue_.reflections().size() ? i : -1;
}

int HklTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int HklTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant HklTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == Indices ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    const int32_t i = reflectionAt(index.row());
    if (i < 0) return {};
    const engine::Reflection& r = laue_.reflections()[i];
    switch (index.column()) {
        case Number:
            return QString::number(index.row() + 1);
        case Indices:
            if (showsFourIndex()) {
                // Four fields of four characters, as the three-index text has three.
                const auto four = engine::planeToFour(r.h, r.k, r.l);
                QString text;
                for (const int v : four) text += QStringLiteral("%1").arg(v, 4);
                return text;
            }
            return QString::fromStdString(laue_.getHKL2(i));
        case Spacing:
            return QString::fromStdString(util::formatNumber(r.d, "0.00000"));
        case Amplitude:
            return withIntensity_ ? QString::fromStdString(util::formatNumber(r.f, "0.00")) : QString();
        default:
            return {};
    }
}

QVariant HklTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Number:
            return QStringLiteral("#");
        case Indices:
            return showsFourIndex() ? QStringLiteral("(hkil)") : QStringLiteral("(hkl)");
        case Spacing:
            return QStringLiteral("d-Spacing");
        case Amplitude:
            return QStringLiteral("F");
        default:
            return {};
    }
}

}  // namespace lumora::app
