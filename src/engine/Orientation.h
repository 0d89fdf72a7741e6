#pragma once

#include <array>
#include <vector>

#include "engine/ReflectionList.h"
#include "engine/VectorTypes.h"

namespace lumora::engine {

// The crystal's orientation and what it puts where: a crystal vector v lies
// along O^T v in the laboratory (beam along +x, z down).
struct Orientation {
    Mat3f matrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    // O^T g of every reflection of the list, in list order.
    std::vector<Vec3f> lab;
    // The crystal axes a, b, c in the laboratory.
    std::array<Vec3f, 3> labAxes{};
};

// Turns the reflections of `list` and the crystal axes (rows a, b, c, crystal
// frame) into the laboratory with o.matrix.
void turnIntoLaboratory(Orientation& o, const ReflectionList& list, const std::array<Vec3f, 3>& axes);

}  // namespace lumora::engine
