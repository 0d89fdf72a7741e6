#include "engine/SettingsText.h"

#include <cmath>
#include <vector>

#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora {

namespace {

double number(const std::vector<std::string>& fields, std::size_t i) {
    return i < fields.size() ? util::val(fields[i]) : 0.0;
}

}  // namespace

ParsedSettings parseSettingsText(std::string_view text) {
    ParsedSettings out;
    Settings& s = out.settings;
    std::vector<std::string> f;
    try {
        f = util::splitBlanks(text);
        for (std::size_t i = 0; i < f.size() && i < 14; ++i)
            if (!std::isfinite(util::val(f[i]))) out.needsReset = true;
        s.plotType = util::toInt32(number(f, 0));
        s.anodeIndex = util::toInt32(number(f, 1));
        s.orientationVectorType = util::toInt32(number(f, 2));
        s.filmWidth = static_cast<float>(number(f, 3));
        s.filmHeight = static_cast<float>(number(f, 4));
        s.voltage = static_cast<float>(number(f, 5));
        s.filmDistance = static_cast<float>(number(f, 6));
        s.labelColour = util::toInt32(number(f, 7));
        s.startBlack = util::toInt32(number(f, 8)) != 0;
        const double minimum = number(f, 9);
        s.minimumSpacing = minimum == 0 ? 1.0f : static_cast<float>(std::max(0.6, minimum));
        s.photoCentreX = static_cast<float>(number(f, 10));
        s.photoCentreY = static_cast<float>(number(f, 11));
        s.flipX = util::toInt32(number(f, 12)) != 0;
        const double step = number(f, 13);
        s.rotationStep = step == 0 ? 90.0f : static_cast<float>(step);
    } catch (const Error&) {
        // A number too large for its field: the record is damaged.
        out.settings = Settings{};
        out.needsReset = true;
        return out;
    }
    const auto finite = [](float v) { return std::isfinite(v); };
    if (s.voltage == 0 || s.filmWidth * s.filmHeight == 0) out.needsReset = true;
    // Finite doubles such as 1E51 still overflow a single.
    for (float v : {s.voltage, s.filmWidth, s.filmHeight, s.filmDistance})
        if (!(v > 0) || !finite(v)) out.needsReset = true;
    if (s.plotType < 0 || s.plotType > 3 || s.anodeIndex < 0 || s.anodeIndex > 4 ||
        s.orientationVectorType < 0 || s.orientationVectorType > 1 || s.labelColour < 0 ||
        s.labelColour > 0xFFFFFF)
        out.needsReset = true;
    if (!finite(s.photoCentreX) || !finite(s.photoCentreY) || !finite(s.rotationStep) ||
        !finite(s.minimumSpacing))
        out.needsReset = true;
    return out;
}

std::string formatSettingsText(const Settings& s) {
    using util::singleText;
    return std::to_string(s.plotType) + " " + std::to_string(s.anodeIndex) + " " +
           std::to_string(s.orientationVectorType) + " " + singleText(s.filmWidth) + " " +
           singleText(s.filmHeight) + " " + singleText(s.voltage) + " " + singleText(s.filmDistance) + " " +
           std::to_string(s.labelColour) + " " + (s.startBlack ? "1" : "0") + " " +
           singleText(s.minimumSpacing) + " " + singleText(s.photoCentreX) + " " +
           singleText(s.photoCentreY) + " " + (s.flipX ? "1" : "0") + " " + singleText(s.rotationStep);
}

}  // namespace lumora
