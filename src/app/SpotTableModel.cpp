#include "app/SpotTableModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumora::app {

namespace {

// Strongest first; equal ones by row, then column, as the peak search orders them.
bool stronger(const engine::Peak& a, const engine::Peak& b) {
    if (a.intensity != b.intensity) return a.intensity > b.intensity;
    if (a.y != b.y) return a.y < b.y;
    return a.x < b.x;
}

constexpr int kBoxHalf = 4;

}  // namespace

SpotTableModel::SpotTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SpotTableModel::setSpots(std::vector<engine::Peak> spots) {
    beginResetModel();
    spots_ = std::move(spots);
    std::stable_sort(spots_.begin(), spots_.end(), stronger);
    endResetModel();
}

int SpotTableModel::addSpot(const engine::Peak& spot) {
    const auto at = std::upper_bound(spots_.begin(), spots_.end(), spot, stronger);
    const auto row = static_cast<int>(at - spots_.begin());
    beginInsertRows({}, row, row);
    spots_.insert(at, spot);
    endInsertRows();
    return row;
}

void SpotTableModel::removeSpot(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    spots_.erase(spots_.begin() + row);
    endRemoveRows();
}

int SpotTableModel::nearest(double x, double y) const {
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < spots_.size(); ++i) {
        const double d = std::hypot(spots_[i].x - x, spots_[i].y - y);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

int SpotTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(spots_.size());
}

int SpotTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SpotTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    const engine::Peak& p = spots_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case X:
            return QString::asprintf("%.3f", p.x);
        case Y:
            return QString::asprintf("%.3f", p.y);
        case Intensity:
            return QString::asprintf("%.1f", p.intensity);
        default:
            return {};
    }
}

QVariant SpotTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const char* const names[ColumnCount] = {"x", "y", "Intensity"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}

QString spotListText(const std::vector<engine::Peak>& spots) {
    QString text;
    for (const engine::Peak& p : spots) text += QString::asprintf("%.3f %.3f %.1f\n", p.x, p.y, p.intensity);
    return text;
}

engine::Peak spotAt(const engine::GreyFrame& frame, double x, double y) {
    engine::Peak spot;
    spot.x = x;
    spot.y = y;
    const int cx = static_cast<int>(std::lround(x)), cy = static_cast<int>(std::lround(y));
    const int x0 = std::max(cx - kBoxHalf, 0), x1 = std::min(cx + kBoxHalf, frame.width - 1);
    const int y0 = std::max(cy - kBoxHalf, 0), y1 = std::min(cy + kBoxHalf, frame.height - 1);
    if (x1 - x0 < 2 || y1 - y0 < 2 || frame.values.size() < std::size_t(frame.width) * frame.height)
        return spot;
    std::vector<float> rim;
    for (int j = y0; j <= y1; ++j)
        for (int i = x0; i <= x1; ++i)
            if (i == x0 || i == x1 || j == y0 || j == y1) rim.push_back(frame.at(i, j));
    const auto middle = rim.begin() + static_cast<std::ptrdiff_t>(rim.size() / 2);
    std::nth_element(rim.begin(), middle, rim.end());
    const double background = *middle;
    // Pixels within twice the rim's spread (its median absolute deviation as a
    // standard deviation) are noise, which would pull the centre to the box's.
    for (float& v : rim) v = static_cast<float>(std::fabs(v - background));
    std::nth_element(rim.begin(), middle, rim.end());
    const double noise = 1.4826 * *middle;
    const double floor = 2 * noise;
    double sum = 0, sx = 0, sy = 0, top = 0;
    int pixels = 0;
    for (int j = y0 + 1; j < y1; ++j)
        for (int i = x0 + 1; i < x1; ++i) {
            const double above = frame.at(i, j) - background;
            if (!(above > floor) || !(above > 0)) continue;
            sum += above;
            sx += above * i;
            sy += above * j;
            top = std::max(top, above);
            ++pixels;
        }
    // A spot stands out by more than noise does anywhere in the box.
    if (!(sum > 0) || !(top > 5 * noise)) return spot;
    spot.x = sx / sum;
    spot.y = sy / sum;
    spot.intensity = sum;
    spot.peakValue = top;
    spot.pixels = pixels;
    return spot;
}

}  // namespace lumora::app
