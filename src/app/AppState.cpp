#include "app/AppState.h"

namespace lumora {

AppState& appState() {
    static AppState state;
    return state;
}

uint32_t labelColourRgb(int32_t stored) {
    const auto c = static_cast<uint32_t>(stored);
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

EngineDefaults engineDefaults() {
    const AppState& app = appState();
    EngineDefaults d;
    d.voltage = app.settings.voltage;
    d.filmDistance = app.settings.filmDistance;
    d.filmWidth = app.settings.filmWidth;
    d.filmHeight = app.settings.filmHeight;
    d.anodeIndex = app.settings.anodeIndex;
    d.intensityModel =
        app.settings.physicalIntensity ? engine::IntensityModel::Physical : engine::IntensityModel::Amplitude;
    d.beamSource = app.settings.synchrotronBeam ? engine::BeamSource::Synchrotron : engine::BeamSource::Tube;
    d.reflectionRange = {app.settings.completePattern, app.settings.completeDMin};
    d.listingFolder = app.folders.user;
    return d;
}

void applyIntensityChoice(clLAUE& laue) {
    const EngineDefaults d = engineDefaults();
    laue.setIntensityModel(d.intensityModel);
    laue.setBeamSource(d.beamSource);
    laue.setAnodeIndex(d.anodeIndex);
}

}  // namespace lumora
