#include "render/RenderOptions.h"

namespace lumora::render {

void fitScales(RenderOptions& options, const clLAUE& laue, int width, int height) {
    const ViewScales scales = laue.RECSPACE_scaleXYZ(width, height);
    if (scales.scale3D > 0) options.scale3D = scales.scale3D;
    if (scales.filmScale > 0) options.filmScale = scales.filmScale;
}

}  // namespace lumora::render
