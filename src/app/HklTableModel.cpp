#include "app/HklTableModel.h"

#include <algorithm>
#include <array>
#include <charconv>
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
    strongestFor_.clear();
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

double HklTableModel::relativeIntensity(int32_t i) const {
    // What the intensities depend on besides the list: the orientation, band and spectrum.
    std::vector<float> state;
    for (const auto& row : laue_.orientationMatrix())
        for (float v : row) state.push_back(v);
    state.insert(state.end(), {laue_.x_lambda_min, laue_.x_lambda_max, laue_.x_voltage,
                               static_cast<float>(laue_.anodeIndex()),
                               static_cast<float>(laue_.beamSource() == engine::BeamSource::Synchrotron),
                               static_cast<float>(laue_.reflections().size())});
    if (state != strongestFor_) {
        strongest_ = 0;
        if (laue_.x_lambda_min > 0) {
            const engine::Spectrum spectrum = laue_.spectrum();
            for (int32_t n = 0; n < laue_.reflections().size(); ++n)
                strongest_ = std::max(strongest_, laue_.spotIntensity(n, spectrum));
        }
        strongestFor_ = std::move(state);
    }
    if (!(strongest_ > 0)) return 0;
    return laue_.spotIntensity(i, laue_.spectrum()) / strongest_;
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
        case Intensity: {
            if (!laue_.physicalIntensities()) return QString();
            char text[32];
            const auto end =
                std::to_chars(text, text + sizeof text, relativeIntensity(i), std::chars_format::general, 6)
                    .ptr;
            return QString::fromLatin1(text, static_cast<int>(end - text));
        }
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
        case Intensity:
            return QStringLiteral("I");
        default:
            return {};
    }
}

}  // namespace lumora::app
