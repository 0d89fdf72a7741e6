#include "app/SolutionTableModel.h"

#include "engine/OrientationMath.h"

namespace lumora::app {

std::array<QString, 2> beamTexts(const engine::Mat3d& o, const engine::CellMetric& metric) {
    // The beam in the crystal frame is column 0 of O.
    const engine::BeamIndices beam = engine::beamIndices({o[0][0], o[1][0], o[2][0]}, metric);
    return {QString::fromStdString(engine::indexText(beam.uvw, '[', ']')).trimmed(),
            QString::fromStdString(engine::indexText(beam.hkl, '(', ')')).trimmed()};
}

SolutionTableModel::SolutionTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SolutionTableModel::setSolutions(std::vector<engine::IndexSolution> solutions, int spotCount,
                                      const engine::CellMetric& metric) {
    beginResetModel();
    solutions_ = std::move(solutions);
    texts_.clear();
    for (const engine::IndexSolution& s : solutions_) {
        const auto beam = beamTexts(s.matrix, metric);
        texts_.push_back({QStringLiteral("%1 of %2").arg(s.spots.size()).arg(spotCount),
                          QString::asprintf("%.3f", s.meanDeviationDeg), beam[0], beam[1]});
    }
    endResetModel();
}

void SolutionTableModel::clear() {
    beginResetModel();
    solutions_.clear();
    texts_.clear();
    endResetModel();
}

int SolutionTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

int SolutionTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SolutionTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            (index.column() == Spots || index.column() == Deviation ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    return texts_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
}

QVariant SolutionTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const char* const names[ColumnCount] = {"Spots", "Mean dev. (\u00b0)", "Beam [uvw]",
                                                   "On the beam (hkl)"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(names[section]) : QVariant();
}

}  // namespace lumora::app
