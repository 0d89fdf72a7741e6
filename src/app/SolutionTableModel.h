#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "engine/Cell.h"
#include "engine/Indexing.h"

namespace lumora::app {

// The orientations the indexing found, best first: the spots each explains
// ("81 of 83"), their mean deviation in degrees, the crystal direction
// [uvw] along the beam and the plane (hkl) whose normal lies along it.
class SolutionTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Spots, Deviation, Direction, Plane, ColumnCount };

    explicit SolutionTableModel(QObject* parent = nullptr);

    // Takes the solutions of `spotCount` spots of a crystal with cell `metric`.
    void setSolutions(std::vector<engine::IndexSolution> solutions, int spotCount,
                      const engine::CellMetric& metric);
    void clear();
    const std::vector<engine::IndexSolution>& solutions() const { return solutions_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<engine::IndexSolution> solutions_;
    std::vector<std::array<QString, ColumnCount>> texts_;
};

// The crystal direction along the beam and the plane normal to it, as the
// status bar writes them (" [1  2  0]", " (1  2  0)"), for an orientation o.
std::array<QString, 2> beamTexts(const engine::Mat3d& o, const engine::CellMetric& metric);

}  // namespace lumora::app
