#pragma once

// The HKL listing: the reflection list as a text table (to a file or the
// clipboard), in the order of the document's HKL list view.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::structure {

struct HklRow {
    int h = 0;
    int k = 0;
    int l = 0;
    float d = 0.0f;
    // The spot's physical intensity relative to the strongest; negative: not listed.
    float intensity = -1.0f;
};

// h, k and l each right-aligned in four characters and cut to the last four, so
// the text is always twelve characters: "   1  -1   0"; -1000 shows as "1000".
std::string hklIndexText(int h, int k, int l);

// The rows of the HKL list view: by decreasing d, ties kept in list order. The
// lists run in parallel and must have the same length (else Error 9);
// `intensity` may be empty (no column I).
std::vector<HklRow> rowsByDecreasingSpacing(std::span<const int16_t> h, std::span<const int16_t> k,
                                            std::span<const int16_t> l, std::span<const float> d,
                                            std::span<const float> intensity = {});

// The listing text; every line ends in CR LF:
//   Unit Cell : 5.431 5.431 5.431 90.0 90.0 90.0
//   (empty)
//      3 reflections
//   -------------------------
//      h   k   l  d-spacing
//   -------------------------
//      1   1   1  3.13559
//   ...
//   (empty)
// cell: a, b, c in Å, alpha, beta, gamma in degrees. When any row has an
// intensity, a column "I" follows d (six significant digits) in the next zone.
std::string hklListingText(const std::array<float, 6>& cell, const std::vector<HklRow>& rows);

// Writes the listing to a file, replacing it, through a temporary file beside it
// so that a failed write leaves no half-written listing. Error 75 (naming the
// path) when the file cannot be written.
void writeHklListing(const std::filesystem::path& path, std::string_view text);

}  // namespace lumora::structure
