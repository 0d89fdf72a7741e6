#pragma once

#include <cstdint>
#include <string>

#include "engine/Palette.h"
#include "engine/Settings.h"
#include "render/RenderOptions.h"
#include "structure/Samples.h"

namespace lumora {

using render::DisplayFlags;

// The folders the program works in (set once at start-up). Empty means "not
// available": nothing is written there then.
struct Folders {
    std::string program;
    std::string user;
    std::string photo;
    std::string data;
    std::string temporary;
    std::string lastDialog;  // the folder a file was last chosen in
};

// The application-wide state of the desktop program, kept together in one
// place: the settings new documents start from, the display flags every
// document shows its pattern with, the folders, the label colour, the spot
// palette and the sample cells. Only the window layer reads it; it hands the
// drawing and the engine values built from it.
struct AppState {
    Settings settings;
    DisplayFlags flags;
    Folders folders;
    int32_t currentLabelColour = 255;  // the colour labels are drawn in (red + 256 green + 65536 blue)
    // Spot palette, 0xRRGGBB; grey until spot colouring asks for hues.
    engine::SpotPalette palette = engine::spotPalette(false);
    // The sample cells of the Samples menu, loaded at start-up.
    structure::SampleList samples;
};

AppState& appState();

// The label colour of the options as 0xRRGGBB.
uint32_t labelColourRgb(int32_t stored);

// What a new document's engine starts from.
EngineDefaults engineDefaults();
// Hands the options' spot model, beam and anode to an open document's engine.
void applyIntensityChoice(clLAUE& laue);

}  // namespace lumora
