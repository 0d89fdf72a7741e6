// Feeds arbitrary text to the reader of the stored default settings ("DEF"):
// it must never fail, and a record the program accepts must survive being
// saved at exit and read again at the next start.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/SettingsCheck.h"
#include "engine/SettingsText.h"

using namespace lumora;

namespace {

// Singles are saved with seven significant digits, so a value may come back
// one rounding step away, never more.
bool close(float a, float b) {
    return a == b || std::abs(a - b) <= 1e-6f * std::max(std::abs(a), std::abs(b));
}

bool same(const Settings& a, const Settings& b) {
    return a.plotType == b.plotType && a.anodeIndex == b.anodeIndex &&
           a.orientationVectorType == b.orientationVectorType && close(a.filmWidth, b.filmWidth) &&
           close(a.filmHeight, b.filmHeight) && close(a.voltage, b.voltage) &&
           close(a.filmDistance, b.filmDistance) && a.labelColour == b.labelColour &&
           a.startBlack == b.startBlack && close(a.minimumSpacing, b.minimumSpacing) &&
           close(a.photoCentreX, b.photoCentreX) && close(a.photoCentreY, b.photoCentreY) &&
           a.flipX == b.flipX && close(a.rotationStep, b.rotationStep);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParsedSettings parsed = parseSettingsText(text);
    // A record refused here or by the store's own check restores the defaults.
    if (parsed.needsReset || !app::acceptableSettings(parsed.settings)) return 0;
    // A record the program accepts is saved at exit and must read back the same.
    const std::string saved = formatSettingsText(parsed.settings);
    const ParsedSettings again = parseSettingsText(saved);
    if (again.needsReset || !app::acceptableSettings(again.settings) ||
        !same(again.settings, parsed.settings))
        __builtin_trap();
    return 0;
}
