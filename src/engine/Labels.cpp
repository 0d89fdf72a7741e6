// Spot labels of the patterns.
#include "engine/Labels.h"

#include <algorithm>
#include <cstdlib>

#include "engine/HexIndices.h"
#include "engine/LaueEngine.h"

namespace lumora {

namespace engine {

Label labelText(int h, int k, int l, int plotType, bool fourIndex) {
    Label label;
    label.divisor = std::max({std::abs(h), std::abs(k), std::abs(l)});
    if (label.divisor >= 2) {
        int found = 1;
        for (int j = label.divisor; j >= 2; --j) {
            if (h % j == 0 && k % j == 0 && l % j == 0) {
                found = j;
                break;
            }
        }
        h /= found;
        k /= found;
        l /= found;
        label.divisor = found;
    }
    if ((plotType >= 0 && plotType <= 2) || plotType == 4) {
        if (h < 0) {
            h = -h;
            k = -k;
            l = -l;
        } else if (h == 0 && k < 0) {
            k = -k;
            l = -l;
        } else if (h == 0 && k == 0) {
            l = std::abs(l);
        }
    }
    if (fourIndex) {
        const auto four = planeToFour(h, k, l);
        label.text = compactIndices(four.data(), 4);
    } else {
        label.text = std::to_string(h) + std::to_string(k) + std::to_string(l);
    }
    return label;
}

}  // namespace engine

void clLAUE::checkLabel(int32_t n, int& divisor, std::string& text) const {
    const engine::Label label = engine::labelText(getH(n), getK(n), getL(n), m_mode);
    divisor = label.divisor;
    text = label.text;
}

void clLAUE::testcheckLabel() const {
    int divisor = 0;
    std::string text;
    for (int32_t n = 0; n < list_.size(); ++n) checkLabel(n, divisor, text);
}

}  // namespace lumora
