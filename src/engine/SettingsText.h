#pragma once

#include <string>
#include <string_view>

#include "engine/Settings.h"

namespace lumora {

// The default-settings record as it is stored ("DEF"): fourteen fields
// separated by single blanks — plot type, anode, orientation vector type, film
// width, film height, voltage, film distance, label colour, start black,
// minimum d-spacing, photo centre x and y, flip X, rotation step.
constexpr std::string_view kDefaultSettingsText = "2 1 0 90 120 50 30 255 0 1 45 60";

struct ParsedSettings {
    Settings settings;
    // The record cannot be used (no voltage, no film area, a value that is not
    // a number or out of range): the defaults must be restored.
    bool needsReset = false;
};

// Reads the record with the program's number rules: missing fields read as 0,
// a minimum d-spacing of 0 becomes 1 and anything else at least 0.6, a rotation
// step of 0 becomes 90. Values that would break the program later (a plot type
// or anode outside their lists, a voltage, film size or distance that is not
// positive, a value that is not finite) ask for a reset.
ParsedSettings parseSettingsText(std::string_view text);

// The record of the settings, singles in their shortest text.
std::string formatSettingsText(const Settings& settings);

}  // namespace lumora
