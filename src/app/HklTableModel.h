#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

namespace lumora {
class clLAUE;
}

namespace lumora::app {

// The document's reflection list as a table: number, indices ("   1  -1   0"),
// d ("0.00000"), with intensities F ("0.00") and, with physical intensities,
// I: the spot's intensity at the current orientation relative to the
// strongest of the list (six significant digits); rows by decreasing d, ties
// in list order. The rows are put in order once per list; the texts are
// made only for the rows a view asks for.
class HklTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Number, Indices, Spacing, Amplitude, Intensity, ColumnCount };

    explicit HklTableModel(const clLAUE& laue, QObject* parent = nullptr);

    // Takes the engine's list as it is now.
    void refresh();
    // Shows no rows, while the engine's list is replaced.
    void clear();
    // Whether the list has intensities (the F column means something).
    bool withIntensity() const { return withIntensity_; }
    // Shows the indices as (h k i l) when the list's cell is hexagonal; other
    // cells keep three indices.
    void setFourIndex(bool on);
    // Whether the indices are shown in four-index notation now.
    bool showsFourIndex() const { return fourIndex_ && hexagonal_; }
    // The engine's list index of a row; -1 outside the table.
    int32_t reflectionAt(int row) const;
    // The I of reflection i, relative to the strongest spot of the list at
    // the current orientation; recomputed when the crystal has turned.
    double relativeIntensity(int32_t i) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const clLAUE& laue_;
    std::vector<int32_t> order_;
    bool withIntensity_ = false;
    bool fourIndex_ = false;
    bool hexagonal_ = false;
    // The strongest spot's intensity and the orientation and spectrum it was found for.
    mutable double strongest_ = 0;
    mutable std::vector<float> strongestFor_;
};

}  // namespace lumora::app
