// Reflection lists from .rsv files, and the HKL listing written to a file or
// the clipboard.
#include <filesystem>

#include "engine/AppState.h"
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

    for (int i = 0; i < 6; ++i) cell[static_cast<std::size_t>(i)] = file.cell[static_cast<std::size_t>(i)];
    metric = newMetric;
    rsvCellTexts_ = file.cellTexts;
    m_tit = file.title;
    listH = file.h;
    listK = file.k;
    listL = file.l;
    listD = file.d;
    listF = file.f;
    n_hkl = static_cast<int32_t>(file.size());
    dMin = file.dMin;
    dMax = file.dMax;
    fMax = file.fMax;
    x_withIntensity = true;

    order.assign(static_cast<std::size_t>(n_hkl), {0.0f, 0.0f});
    for (int32_t i = 0; i < n_hkl; ++i)
        order[static_cast<std::size_t>(i)] = {listF[static_cast<std::size_t>(i)], static_cast<float>(i)};
    engine::qSort(order, 0, n_hkl - 1, 0);
    resetViewForNewList();
    RECSPACE_setData();
    RECSPACE_scaleXYZ();
}

void clLAUE::redimArrays(int32_t n) {
    const auto rows = static_cast<std::size_t>(std::max(0, n) + 1);
    listH.resize(rows);
    listK.resize(rows);
    listL.resize(rows);
    listD.resize(rows);
    listF.resize(rows);
    order.resize(rows);
}

std::string clLAUE::hklListing() const {
    const auto count = static_cast<std::size_t>(n_hkl);
    const auto rows =
        structure::rowsByDecreasingSpacing(std::span(listH.data(), count), std::span(listK.data(), count),
                                           std::span(listL.data(), count), std::span(listD.data(), count));
    return structure::hklListingText({cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]}, rows);
}

void clLAUE::copyData(const std::string& fileName) {
    const std::string text = hklListing();
    // The scratch copy in the temporary folder, as the listing has always left one.
    const std::string& temporary = appState().folders.temporary;
    if (!temporary.empty()) {
        try {
            structure::writeHklListing(std::filesystem::path(temporary) / "tmp.txt", text);
        } catch (const Error&) {
            // The scratch copy is a convenience; the listing itself still goes out.
        }
    }
    if (fileName.empty()) {
        if (owner) owner->copyToClipboard(text);
        return;
    }
    structure::writeHklListing(fileName, text);
}

}  // namespace lumora
