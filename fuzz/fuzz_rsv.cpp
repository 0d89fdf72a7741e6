// Feeds arbitrary bytes to the reflection-file reader and lists what it read.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "structure/HklListing.h"
#include "structure/Rsv.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::structure;

namespace {

// The spacing of a right-angled cell, close enough to what the engine computes.
SpacingFunction orthogonalSpacing(const CellConstants& c) {
    const double a = c[0], b = c[1], cc = c[2];
    return [=](int h, int k, int l) {
        return static_cast<float>(1.0 / std::sqrt(h * h / (a * a) + k * k / (b * b) + l * l / (cc * cc)));
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const ReflectionFile file = parseRsv(text, orthogonalSpacing);
        if (file.size() == 0 || file.h.size() != file.d.size() || file.f.size() != file.d.size())
            __builtin_trap();
        for (float f : file.f)
            if (!(f > 0) || !std::isfinite(f)) __builtin_trap();
        const auto rows = rowsByDecreasingSpacing(file.h, file.k, file.l, file.d);
        const std::string listing = hklListingText(file.cell, rows);
        if (listing.empty()) __builtin_trap();
    } catch (const Error&) {
    }
    return 0;
}
