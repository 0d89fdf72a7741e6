#pragma once

#include <string>

namespace lumora::engine {

struct Label {
    std::string text;  // "1-10"
    int divisor = 0;   // the common divisor taken out; 0 or 1 when none
};

// The hkl label of a spot: the indices divided by their largest common divisor
// and, except in the stereogram (plot type 3), with the sign of the first
// non-zero index made positive, since hkl and -h-k-l give the same spot.
// (Plot type 4 is the Laue pattern on a camera.) With fourIndex the text is
// the plane's (h k i l) of those indices ("1-100").
Label labelText(int h, int k, int l, int plotType, bool fourIndex = false);

}  // namespace lumora::engine
