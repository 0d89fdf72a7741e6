#pragma once

#include <cstdint>

namespace lumora {

// The application's defaults that new documents start from. The start-up code
// loads them from the settings store ("DEF"); until then they hold the
// first-run defaults.
struct Settings {
    int plotType = 2;               // 0 3-D view, 1 transmission, 2 back-reflection, 3 stereogram
    int anodeIndex = 1;             // row of the characteristic-line table (0 Ag, 1 Mo, 2 Cu, 3 Fe, 4 Cr)
    int orientationVectorType = 0;  // 0 uvw, 1 hkl
    float filmWidth = 90;           // mm
    float filmHeight = 120;         // mm
    float voltage = 50;             // kV
    float filmDistance = 30;        // mm
    int32_t labelColour = 255;      // red + 256 green + 65536 blue (persisted default)
    bool startBlack = false;        // start with black background
    float minimumSpacing = 1;       // Å
    float photoCentreX = 45;        // mm
    float photoCentreY = 60;        // mm
    bool flipX = false;             // flip X for Laue patterns
    float rotationStep = 90;        // degrees, the last rotation step used
    // Options > Intensity (kept apart from the classic record): Laue spots by
    // their physical intensity instead of |F|, with a tube or a white
    // synchrotron beam.
    bool physicalIntensity = false;
    bool synchrotronBeam = false;
    // Complete pattern: every reflection down to max(shortest wavelength / 2,
    // completeDMin) instead of the cell's rule. Kept in the store's group
    // "Reflections", not in the "DEF" record.
    bool completePattern = false;
    float completeDMin = 0;  // Å; 0: the band alone
};

}  // namespace lumora
