#include "engine/Refinement.h"

#include <Eigen/Dense>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>
#include <unsupported/Eigen/LevenbergMarquardt>

#include "util/Error.h"

namespace lumora::engine {

namespace {

using Eigen::Matrix3d;
using Eigen::MatrixXd;
using Eigen::Vector3d;
using Eigen::VectorXd;

constexpr double kDeg = std::numbers::pi / 180;
// Central differences of this step (degrees, mm, detector units) are exact to about 1e-10 of the
// derivative here, far below what the spots tell.
constexpr double kStep = 1e-5;
// The residual of a spot whose computed ray no longer meets the detector during the search: far
// worse than any real one, so that the step that led there is refused.
constexpr double kMiss = 1e6;

const Vector3d kBeam{1, 0, 0};

Vector3d toEigen(const Vec3d& v) { return {v[0], v[1], v[2]}; }
Vec3d fromEigen(const Vector3d& v) { return {v[0], v[1], v[2]}; }

Matrix3d toEigen(const Mat3d& m) {
    Matrix3d o;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) o(r, c) = m[r][c];
    return o;
}

[[noreturn]] void refuse(const std::string& what) {
    throw Error(Error::InvalidCall, "Cannot refine: " + what);
}

bool finite(const Vec3d& v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

// The turn by the rotation vector w (degrees): |w| about w.
Matrix3d turnBy(const Vector3d& wDeg) {
    const double angle = wDeg.norm();
    if (angle == 0) return Matrix3d::Identity();
    return Eigen::AngleAxisd(angle * kDeg, wDeg / angle).toRotationMatrix();
}

Matrix3d turnAbout(const Vector3d& unitAxis, double degrees) {
    return Eigen::AngleAxisd(degrees * kDeg, unitAxis).toRotationMatrix();
}

Vector3d reflected(const Vector3d& n) { return kBeam - 2 * kBeam.dot(n) * n; }

double angleDeg(const Vector3d& a, const Vector3d& b) {
    return std::atan2(a.cross(b).norm(), a.dot(b)) / kDeg;
}

// The spots and the starting point; x holds the changes: the orientation's rotation vector, then
// with the detector its distance, centre x and y and the two turns of its frame.
struct Model {
    std::vector<Vector3d> normals;                // O^T g / |g| at the start
    std::vector<Vector3d> observed;               // unit rays
    std::vector<std::array<Vector3d, 2>> across;  // two unit vectors across each observed ray
    std::vector<Vec2d> pixels;
    Detector start;
    bool withDetector = false;
    // The frame turns about firstAxis, then about the turned secondAxis (both taken at the start).
    Vector3d firstAxis, secondAxis;
    bool facesBeam = false;

    int parameters() const { return withDetector ? 8 : 3; }
    int residuals() const { return 2 * static_cast<int>(normals.size()); }

    Detector detectorAt(const VectorXd& x) const {
        Detector d = start;
        if (!withDetector) return d;
        d.distance += x[3];
        d.x0 += x[4];
        d.y0 += x[5];
        // Turning about the turned second axis after the first turn is the same as turning about
        // the untouched axis first: R_{R1 b}(t2) R1 = R1 R_b(t2).
        const Matrix3d r = turnAbout(firstAxis, x[6]) * turnAbout(secondAxis, x[7]);
        d.n = fromEigen(r * toEigen(start.n));
        d.u = fromEigen(r * toEigen(start.u));
        d.v = fromEigen(r * toEigen(start.v));
        return d;
    }

    Vector3d computedRay(std::size_t i, const Matrix3d& turn) const { return reflected(turn * normals[i]); }

    void evaluate(const VectorXd& x, VectorXd& f) const {
        const Matrix3d turn = turnBy(x.head<3>());
        if (!withDetector) {
            for (std::size_t i = 0; i < normals.size(); ++i) {
                const Vector3d difference = computedRay(i, turn) - observed[i];
                f[2 * i] = difference.dot(across[i][0]) / kDeg;
                f[2 * i + 1] = difference.dot(across[i][1]) / kDeg;
            }
            return;
        }
        const Detector d = detectorAt(x);
        for (std::size_t i = 0; i < normals.size(); ++i) {
            const auto p = d.distance > 0 ? d.toDetector(fromEigen(computedRay(i, turn))) : std::nullopt;
            f[2 * i] = p ? (*p)[0] - pixels[i][0] : kMiss;
            f[2 * i + 1] = p ? (*p)[1] - pixels[i][1] : kMiss;
        }
    }
};

struct Functor : Eigen::DenseFunctor<double> {
    const Model& model;
    explicit Functor(const Model& m) : DenseFunctor<double>(m.parameters(), m.residuals()), model(m) {}

    int operator()(const VectorXd& x, VectorXd& f) const {
        model.evaluate(x, f);
        return 0;
    }

    int df(const VectorXd& x, MatrixXd& jacobian) const {
        VectorXd ahead(values()), behind(values());
        for (int j = 0; j < inputs(); ++j) {
            VectorXd shifted = x;
            shifted[j] = x[j] + kStep;
            model.evaluate(shifted, ahead);
            shifted[j] = x[j] - kStep;
            model.evaluate(shifted, behind);
            jacobian.col(j) = (ahead - behind) / (2 * kStep);
        }
        return 0;
    }
};

// sigma_i = sqrt(s^2 [(J^T J)^-1]_ii). The normal matrix is scaled to unit diagonal first, so that
// its rank does not depend on the parameters' units; directions with an eigenvalue below 1e-12 of
// the largest are not determined, and every parameter that moves along one gets +infinity.
std::vector<double> uncertainties(const MatrixXd& jacobian, double ssr) {
    const auto p = jacobian.cols(), m = jacobian.rows();
    const double s2 = ssr / static_cast<double>(m - p);
    const MatrixXd normal = jacobian.transpose() * jacobian;
    VectorXd scale(p);
    for (Eigen::Index i = 0; i < p; ++i) scale[i] = normal(i, i) > 0 ? 1 / std::sqrt(normal(i, i)) : 0;
    const MatrixXd scaled = scale.asDiagonal() * normal * scale.asDiagonal();
    const Eigen::SelfAdjointEigenSolver<MatrixXd> eigen(scaled);
    const double largest = eigen.eigenvalues().maxCoeff();
    MatrixXd inverse = MatrixXd::Zero(p, p);
    std::vector<bool> free(static_cast<std::size_t>(p), false);
    for (Eigen::Index k = 0; k < p; ++k) {
        const double lambda = eigen.eigenvalues()[k];
        const VectorXd e = eigen.eigenvectors().col(k);
        if (lambda > 1e-12 * largest) {
            inverse += e * e.transpose() / lambda;
        } else {
            for (Eigen::Index i = 0; i < p; ++i)
                if (std::abs(e[i]) > 1e-6) free[static_cast<std::size_t>(i)] = true;
        }
    }
    std::vector<double> sigma(static_cast<std::size_t>(p));
    for (Eigen::Index i = 0; i < p; ++i) {
        const bool undetermined = free[static_cast<std::size_t>(i)] || scale[i] == 0;
        sigma[static_cast<std::size_t>(i)] =
            undetermined ? std::numeric_limits<double>::infinity() : scale[i] * std::sqrt(s2 * inverse(i, i));
    }
    return sigma;
}

struct Deviations {
    double mean = 0, rms = 0, rmsPixels = 0;
};

Deviations deviations(const Model& model, const std::vector<RefinementSpot>& spots, const VectorXd& x,
                      bool raysFromPixels) {
    const Matrix3d turn = turnBy(x.head<3>());
    const Detector d = model.detectorAt(x);
    Deviations out;
    double squarePixels = 0;
    int withPixel = 0;
    for (std::size_t i = 0; i < spots.size(); ++i) {
        const Vector3d computed = model.computedRay(i, turn);
        const Vector3d observed =
            raysFromPixels ? toEigen(d.rayAt((*spots[i].pixel)[0], (*spots[i].pixel)[1])) : model.observed[i];
        const double angle = angleDeg(computed, observed);
        out.mean += angle;
        out.rms += angle * angle;
        if (!spots[i].pixel) continue;
        if (const auto p = d.toDetector(fromEigen(computed))) {
            const double dx = (*p)[0] - (*spots[i].pixel)[0], dy = (*p)[1] - (*spots[i].pixel)[1];
            squarePixels += dx * dx + dy * dy;
            ++withPixel;
        }
    }
    const auto count = static_cast<double>(spots.size());
    out.mean /= count;
    out.rms = std::sqrt(out.rms / count);
    out.rmsPixels = withPixel > 0 ? std::sqrt(squarePixels / withPixel) : 0;
    return out;
}

void checkInput(const std::vector<RefinementSpot>& spots, const Mat3d& matrix, const Detector& detector,
                bool refineDetector) {
    const std::size_t least = refineDetector ? 6 : 3;
    if (spots.size() < least)
        refuse(std::string(refineDetector ? "the orientation and the detector" : "the orientation") +
               " need at least " + std::to_string(least) + " indexed spots, " + std::to_string(spots.size()) +
               " given");
    for (std::size_t i = 0; i < spots.size(); ++i) {
        const std::string name = "spot " + std::to_string(i + 1);
        const RefinementSpot& s = spots[i];
        if (!finite(s.g) || toEigen(s.g).norm() == 0)
            refuse(name + " has no reciprocal vector (h k l = 0 0 0 or not a number)");
        if (!finite(s.ray) || toEigen(s.ray).norm() == 0) refuse(name + " has no observed ray");
        if (refineDetector && !s.pixel)
            refuse(name + " has no detector position; the detector is refined from pixels only");
        if (s.pixel && !(std::isfinite((*s.pixel)[0]) && std::isfinite((*s.pixel)[1])))
            refuse(name + " has a detector position that is not a number");
    }
    const Matrix3d o = toEigen(matrix);
    if (!o.allFinite() || (o * o.transpose() - Matrix3d::Identity()).norm() > 1e-4 || o.determinant() <= 0)
        refuse("the starting orientation matrix is not a rotation");
    if (refineDetector && !(detector.distance > 0 && finite(detector.n) && finite(detector.u) &&
                            finite(detector.v) && std::isfinite(detector.x0) && std::isfinite(detector.y0)))
        refuse("the detector is not placed");
}

Model buildModel(const std::vector<RefinementSpot>& spots, const Mat3d& matrix, const Detector& detector,
                 bool refineDetector) {
    Model model;
    model.start = detector;
    model.withDetector = refineDetector;
    const Matrix3d o = toEigen(matrix);
    for (const RefinementSpot& s : spots) {
        model.normals.push_back((o.transpose() * toEigen(s.g)).normalized());
        const Vector3d ray = toEigen(s.ray).normalized();
        model.observed.push_back(ray);
        // Any unit vector not along the ray, made perpendicular to it.
        const Vector3d helper = std::abs(ray[0]) < 0.9 ? Vector3d::UnitX() : Vector3d::UnitY();
        const Vector3d first = ray.cross(helper).normalized();
        model.across.push_back({first, ray.cross(first)});
        model.pixels.push_back(s.pixel.value_or(Vec2d{0, 0}));
    }
    const Vector3d n = toEigen(detector.n);
    model.facesBeam = std::abs(n.dot(kBeam)) >= std::cos(45 * kDeg);
    if (model.facesBeam) {
        model.firstAxis = toEigen(detector.u);
        model.secondAxis = toEigen(detector.v);
    } else {
        model.firstAxis = kBeam.cross(n).normalized();
        model.secondAxis = n;
    }
    return model;
}

}  // namespace

RefinementResult refine(const std::vector<RefinementSpot>& spots, const Mat3d& matrix,
                        const Detector& detector, bool refineDetector) {
    checkInput(spots, matrix, detector, refineDetector);
    const Model model = buildModel(spots, matrix, detector, refineDetector);
    const int p = model.parameters(), m = model.residuals();

    VectorXd x = VectorXd::Zero(p);
    VectorXd f(m);
    model.evaluate(x, f);
    for (int i = 0; i < m; i += 2)
        if (f[i] == kMiss)
            refuse("the computed ray of spot " + std::to_string(i / 2 + 1) +
                   " misses the detector; refine the orientation alone first");

    RefinementResult result;
    const Deviations before = deviations(model, spots, x, false);
    result.startMeanDeviationDeg = before.mean;
    result.startRmsDeviationDeg = before.rms;
    result.startRmsPixels = before.rmsPixels;

    Functor functor(model);
    Eigen::LevenbergMarquardt<Functor> solver(functor);
    solver.setMaxfev(400);
    solver.setFtol(1e-12);
    solver.setXtol(1e-12);
    const auto status = solver.minimize(x);
    using Eigen::LevenbergMarquardtSpace::Status;
    result.converged = status != Status::TooManyFunctionEvaluation &&
                       status != Status::ImproperInputParameters && status != Status::UserAsked;
    result.iterations = static_cast<int>(solver.njev());

    MatrixXd jacobian(m, p);
    functor.df(x, jacobian);
    model.evaluate(x, f);
    const std::vector<double> sigma = uncertainties(jacobian, f.squaredNorm());

    const Matrix3d turn = turnBy(x.head<3>());
    const Matrix3d o = toEigen(matrix);
    // O^T <- R O^T, so O <- O R^T.
    const Matrix3d refined = o * turn.transpose();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) result.matrix[r][c] = refined(r, c);
    result.detector = model.detectorAt(x);

    std::vector<std::string> names{"rotation x", "rotation y", "rotation z"};
    if (refineDetector)
        names.insert(names.end(),
                     {"distance", "centre x", "centre y", "tilt u", model.facesBeam ? "tilt v" : "turn n"});
    for (int i = 0; i < p; ++i)
        result.parameters.push_back(
            {names[static_cast<std::size_t>(i)], x[i], sigma[static_cast<std::size_t>(i)]});

    const Deviations after = deviations(model, spots, x, refineDetector);
    result.meanDeviationDeg = after.mean;
    result.rmsDeviationDeg = after.rms;
    result.rmsPixels = after.rmsPixels;
    return result;
}

std::optional<DetCalibration> cameraCalibration(const Detector& d) {
    constexpr double tolerance = 1e-9;
    const Vector3d n = toEigen(d.n), u = toEigen(d.u), v = toEigen(d.v);
    const auto whole = [](double size) { return size >= 1 && size <= INT_MAX && std::floor(size) == size; };
    if (d.kind != Detector::Kind::Flat || !(d.distance > 0) || !(d.px > 0) ||
        !(std::abs(d.px - d.py) <= tolerance * d.px) || !std::isfinite(d.x0) || !std::isfinite(d.y0) ||
        !whole(d.width) || !whole(d.height))
        return std::nullopt;
    // n = (sin beta, 0, -cos beta), u in the plane of e1 = (0, 1, 0) and e2 = (cos beta, 0, sin beta),
    // v = n x u.
    if (!n.allFinite() || !u.allFinite() || !v.allFinite() || std::abs(n.norm() - 1) > tolerance ||
        std::abs(n[1]) > tolerance || !(n[2] < 0) || std::abs(u.norm() - 1) > tolerance ||
        std::abs(u.dot(n)) > tolerance || (n.cross(u) - v).norm() > tolerance)
        return std::nullopt;
    const Vector3d e1{0, 1, 0}, e2{-n[2], 0, n[0]};
    DetCalibration c;
    c.dd = d.distance;
    c.xcen = d.x0;
    c.ycen = d.y0;
    c.xbet = std::atan2(n[0], -n[2]) / kDeg;
    c.xgam = -std::atan2(u.dot(e2), u.dot(e1)) / kDeg;
    c.pixelSize = d.px;
    c.dim1 = static_cast<int>(d.width);
    c.dim2 = static_cast<int>(d.height);
    return c;
}

}  // namespace lumora::engine
