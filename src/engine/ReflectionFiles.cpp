// Reflection lists from .rsv files, and the HKL listing.
#include <algorithm>
#include <vector>

#include "engine/LaueEngine.h"
#include "structure/HklListing.h"
#include "structure/Rsv.h"
#include "util/Error.h"

namespace lumora {

void clLAUE::readRSV(const std::string& path) {
    getKa12();
    // The file's reflections without a d column take it from the file's cell.
    const structure::MetricFactory metricOf =
        [](const structure::CellConstants& c) -> structure::SpacingFunction {
        const engine::CellMetric m({c[0], c[1], c[2], c[3], c[4], c[5]});
        return [m](int h, int k, int l) { return m.spacing(h, k, l); };
    };
    const structure::ReflectionFile file = structure::readRsvFile(path, metricOf);
    const engine::CellMetric newMetric(
        {file.cell[0], file.cell[1], file.cell[2], file.cell[3], file.cell[4], file.cell[5]});

    engine::ReflectionList list;
    list.rows.resize(file.size());
    for (std::size_t i = 0; i < file.size(); ++i) {
        engine::Reflection& r = list.rows[i];
        r.h = file.h[i];
        r.k = file.k[i];
        r.l = file.l[i];
        r.d = file.d[i];
        r.f = file.f[i];
    }
    list.dMin = file.dMin;
    list.dMax = file.dMax;
    list.fMax = file.fMax;
    list.withIntensity = true;
    engine::finishList(list, newMetric, true);

    for (int i = 0; i < 6; ++i) cell[static_cast<std::size_t>(i)] = file.cell[static_cast<std::size_t>(i)];
    metric = newMetric;
    rsvCellTexts_ = file.cellTexts;
    m_tit = file.title;
    completeList_ = false;
    takeList(std::move(list));
}

std::string clLAUE::hklListing() const {
    std::vector<int16_t> h, k, l;
    std::vector<float> d;
    for (auto* v : {&h, &k, &l}) v->reserve(list_.rows.size());
    d.reserve(list_.rows.size());
    for (const engine::Reflection& r : list_.rows) {
        h.push_back(r.h);
        k.push_back(r.k);
        l.push_back(r.l);
        d.push_back(r.d);
    }
    // With physical intensities each spot's sum at the current orientation,
    // relative to the strongest of the list.
    std::vector<float> intensity;
    if (physicalIntensities() && x_lambda_min > 0) {
        const engine::Spectrum beam = spectrum();
        std::vector<double> values(list_.rows.size());
        double strongest = 0;
        for (int32_t n = 0; n < list_.size(); ++n) {
            values[static_cast<std::size_t>(n)] = spotIntensity(n, beam);
            strongest = std::max(strongest, values[static_cast<std::size_t>(n)]);
        }
        for (double v : values) intensity.push_back(strongest > 0 ? static_cast<float>(v / strongest) : 0.0f);
    }
    const auto rows = structure::rowsByDecreasingSpacing(h, k, l, d, intensity);
    return structure::hklListingText({cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]}, rows);
}

void clLAUE::copyData(const std::string& fileName) const {
    structure::writeHklListing(fileName, hklListing());
}

}  // namespace lumora
