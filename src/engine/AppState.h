#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/Palette.h"
#include "structure/Samples.h"

namespace lumora {

// The application-wide defaults that new documents start from and that the
// engine reads while it computes and draws. The start-up code loads them from
// the settings store ("DEF"); until then they hold the first-run defaults.
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
};

// Display flags shared by every document; changing one affects all patterns at
// their next repaint.
struct DisplayFlags {
    bool blackBackground = false;
    bool polarNet = false;
    bool filmOutline = false;
    bool hklIndices = false;
    bool spotColouring = false;
    bool wulffMonitor = false;
    bool structureMonitor = false;
    bool clipFilmRegion = false;
    bool zerothLayer = false;
};

// The folders the program works in (set once at start-up). Empty means "not
// available": the engine then skips the files it would write there.
struct Folders {
    std::string program;
    std::string user;
    std::string photo;
    std::string data;
    std::string temporary;
    std::string lastDialog;  // the folder a file was last chosen in
};

// All application-wide state, kept together in one place.
struct AppState {
    Settings settings;
    DisplayFlags flags;
    Folders folders;
    int32_t currentLabelColour = 255;  // the colour labels are drawn in
    // Spot palette, 0xRRGGBB; grey until spot colouring asks for hues.
    engine::SpotPalette palette = engine::spotPalette(false);
    // The sample cells of the Samples menu, loaded at start-up.
    structure::SampleList samples;
};

AppState& appState();

}  // namespace lumora
