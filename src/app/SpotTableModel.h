#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "engine/PeakSearch.h"

namespace lumora::app {

// The spots of the photo as a table: x, y (photo pixels, 0 at the centre of
// the top-left pixel) and the integrated intensity, strongest first, as
// `lumora peaks` lists them.
class SpotTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { X, Y, Intensity, ColumnCount };

    explicit SpotTableModel(QObject* parent = nullptr);

    const std::vector<engine::Peak>& spots() const { return spots_; }
    // Takes a list, put strongest first.
    void setSpots(std::vector<engine::Peak> spots);
    // Adds a spot at its place in the order; its row.
    int addSpot(const engine::Peak& spot);
    void removeSpot(int row);
    // The row of the spot nearest to (x, y); -1 without spots.
    int nearest(double x, double y) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<engine::Peak> spots_;
};

// The text `lumora peaks` writes: "x y intensity" ("%.3f %.3f %.1f") a line,
// in the order given.
QString spotListText(const std::vector<engine::Peak>& spots);

// A spot the user points at on a frame: the centroid of the pixels of a 7 x 7
// box about the point that stand above the local background (the median of
// the box's rim) by more than twice the rim's noise, and their integrated
// intensity. Where no pixel stands out by five times the noise, the point
// itself with intensity 0.
engine::Peak spotAt(const engine::GreyFrame& frame, double x, double y);

}  // namespace lumora::app
