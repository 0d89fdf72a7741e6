// Orientation of the crystal: turns about the laboratory axes, putting a
// direction or plane normal on the beam, angle read-outs and the laboratory table.
#include <cmath>

#include "engine/LaueEngine.h"
#include "engine/OrientationMath.h"
#include "util/Error.h"

namespace lumora {

using engine::kDegToRad;

void clLAUE::resetRotationMatrix() { orientation_.matrix = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; }

void clLAUE::rotateAxis(int16_t axis, float angle) {
    orientation_.matrix = engine::rotatedAbout(orientation_.matrix, axis, angle);
}

void clLAUE::DoRotate(int16_t axis, float angle) {
    rotateAxis(axis, angle);
    applyOrientation();
}

void clLAUE::DoRotateYZ(float a, float b) {
    rotateAxis(2, a);
    rotateAxis(3, b);
    applyOrientation();
}

void clLAUE::DoRotateXYZ(float a, float b, float c) {
    rotateAxis(1, a);
    rotateAxis(2, b);
    rotateAxis(3, c);
    applyOrientation();
}

void clLAUE::setOrientationMatrix(const Mat3f& o) {
    orientation_.matrix = o;
    applyOrientation();
}

Vec3f clLAUE::toCartesian(float u, float v, float w, bool isDirection) const {
    const Vec3d x{u, v, w};
    const engine::Mat3d& direct = metric.directBasis();
    const engine::Mat3d& reciprocal = metric.reciprocalBasis();
    Vec3f out{};
    for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (int r = 0; r < 3; ++r) sum += isDirection ? x[r] * direct[r][c] : reciprocal[c][r] * x[r];
        out[c] = static_cast<float>(sum);
    }
    return out;
}

void clLAUE::setOrientation(float u, float v, float w, bool isDirection) {
    const Vec3f x = toCartesian(u, v, w, isDirection);
    const engine::BeamTurns turns = engine::beamTurns(x);
    resetRotationMatrix();
    rotateAxis(3, static_cast<float>(-turns.phi / kDegToRad));
    rotateAxis(2, static_cast<float>(turns.psi / kDegToRad));
    DoRotate(2, -90);
    // The turns may leave the vector pointing against the beam.
    if (engine::toLab(orientation_.matrix, x)[0] < 0) DoRotate(2, 180);
}

std::array<float, 2> clLAUE::getGoniometer(float u, float v, float w, bool isDirection) const {
    const Vec3d x = engine::unit(toCartesian(u, v, w, isDirection));
    return engine::goniometerAngles(engine::toLab(orientation_.matrix, x));
}

float clLAUE::Angle(Vec3f& p, Vec3f& q) const {
    // The caller's arrays come back normalised; the angle is taken from the
    // double-precision unit vectors, since arccos turns the 6e-8 rounding of a
    // single near 1 into 0.02 degrees between equal vectors.
    const Vec3d a = engine::unit(p), b = engine::unit(q);
    for (int i = 0; i < 3; ++i) {
        p[i] = static_cast<float>(a[i]);
        q[i] = static_cast<float>(b[i]);
    }
    return engine::angleBetween(a, b);
}

float clLAUE::AngleHKL(const Vec3f& p, const Vec3f& q) const {
    return engine::angleBetween(engine::unit(toCartesian(p[0], p[1], p[2], false)),
                                engine::unit(toCartesian(q[0], q[1], q[2], false)));
}

void clLAUE::applyOrientation() {
    // Always recomputed, whether or not a picture is shown: picking, the
    // command line and the angle calculator read the vectors too.
    engine::turnIntoLaboratory(orientation_, list_, axisVectors);
    depthOrderValid = false;
    updateOrientationTexts();
}

// The laboratory table sorted along the beam (column 3 the list index), and
// in column 3 of recipVectors the row where each reflection now stands.
void clLAUE::sortDepthOrder() const {
    if (depthOrderValid) return;
    const std::size_t rows = orientation_.lab.size();
    labVectors.resize(rows);
    recipVectors.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        const Vec3f& t = orientation_.lab[i];
        labVectors[i] = {t[0], t[1], t[2], static_cast<float>(i)};
    }
    engine::qSort(labVectors, 0, static_cast<int32_t>(rows) - 1, 0);
    for (std::size_t j = 0; j < rows; ++j) {
        const auto k = static_cast<std::size_t>(util::nearest(labVectors[j][3]));
        recipVectors[k][3] = static_cast<float>(j);
    }
    depthOrderValid = true;
}

const std::vector<VectorRow>& clLAUE::labVectorTable() const {
    sortDepthOrder();
    return labVectors;
}

const std::vector<VectorRow>& clLAUE::recipVectorTable() const {
    sortDepthOrder();
    return recipVectors;
}

const Vec3f& clLAUE::labVectorOf(int32_t n) const {
    if (n < 0 || static_cast<std::size_t>(n) >= orientation_.lab.size())
        throw Error(Error::SubscriptOutOfRange, "Subscript out of range");
    return orientation_.lab[static_cast<std::size_t>(n)];
}

void clLAUE::updateOrientationTexts() {
    // The beam in the crystal frame is column 0 of O.
    const Mat3f& o = orientation_.matrix;
    const engine::BeamIndices beam = engine::beamIndices({o[0][0], o[1][0], o[2][0]}, metric);
    m_auvw = engine::indexText(beam.uvw, '[', ']');
    m_ahkl = engine::indexText(beam.hkl, '(', ')');
}

}  // namespace lumora
