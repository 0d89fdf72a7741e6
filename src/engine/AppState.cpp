#include "engine/AppState.h"

namespace lumora {

AppState& appState() {
    static AppState state;
    return state;
}

}  // namespace lumora
