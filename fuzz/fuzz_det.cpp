// Feeds arbitrary bytes to the calibration-file reader and uses the camera it gives.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/Detector.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const DetFile file = parseDetFile(text, "fuzz.det");
        const Detector& d = file.detector;
        if (!(d.distance > 0) || !(d.px > 0) || !(d.width >= 1) || !(d.height >= 1)) __builtin_trap();
        // Every pixel of the frame's corners maps to a ray and back to itself.
        for (const double x : {d.left(), d.right()})
            for (const double y : {d.top(), d.bottom()}) {
                const Vec3d r = d.rayAt(x, y);
                if (!std::isfinite(r[0]) || !std::isfinite(r[1]) || !std::isfinite(r[2])) __builtin_trap();
                (void)d.toDetector(r);
            }
    } catch (const Error&) {
    }
    return 0;
}
