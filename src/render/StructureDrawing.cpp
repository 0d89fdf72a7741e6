// The crystal structure itself: the cell as a box and the atoms as shaded
// discs joined by bonds, turned with the same orientation as the pattern.
#include "render/StructureDrawing.h"

#include <algorithm>
#include <cmath>

#include "engine/Reflections.h"
#include "render/Colours.h"
#include "render/PatternRenderer.h"
#include "structure/Elements.h"
#include "util/NumberText.h"

namespace lumora::render {

const std::array<std::array<int, 2>, 12> kCellEdges{{
    {1, 2},
    {1, 5},
    {1, 3},
    {7, 5},
    {7, 3},
    {7, 8},
    {5, 6},
    {3, 4},
    {2, 6},
    {2, 4},
    {4, 8},
    {6, 8},
}};

namespace {

constexpr double kBoxLow = -0.01;
constexpr double kBoxHigh = 1.01;
constexpr int kMonitorSize = 150;
constexpr uint32_t kEdgeBehind = 0x999999;  // (153, 153, 153)
constexpr uint32_t kBond = 0x979797;        // (151, 151, 151)

using Vec = std::array<double, 3>;

// Fractional coordinates (cell centre at the origin) to the laboratory frame:
// Cartesian through the direct basis, then O^T.
Vec toLab(const engine::CellMetric& metric, const Mat3f& o, const Vec& f) {
    const auto& b = metric.directBasis();
    Vec c{};
    for (int j = 0; j < 3; ++j) c[j] = f[0] * b[0][j] + f[1] * b[1][j] + f[2] * b[2][j];
    Vec t{};
    for (int j = 0; j < 3; ++j) t[j] = o[0][j] * c[0] + o[1][j] * c[1] + o[2][j] * c[2];
    return t;
}

// Translations by whole cells that keep a coordinate inside the box.
std::vector<int> shifts(double x) {
    std::vector<int> out;
    for (int t = -1; t <= 1; ++t)
        if (x + t >= kBoxLow && x + t <= kBoxHigh) out.push_back(t);
    return out;
}

double distance(const Vec& a, const Vec& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

}  // namespace

StructureScene structureScene(const clLAUE& laue) {
    StructureScene scene;
    std::array<double, 6> cell{};
    for (int i = 0; i < 6; ++i) cell[static_cast<std::size_t>(i)] = laue.getCellConstant(i);
    const engine::CellMetric metric(cell);
    const Mat3f& o = laue.orientationMatrix();

    for (int n = 0; n < 8; ++n) {
        const Vec f{(n & 4 ? kBoxHigh : kBoxLow) - 0.5, (n & 2 ? kBoxHigh : kBoxLow) - 0.5,
                    (n & 1 ? kBoxHigh : kBoxLow) - 0.5};
        scene.corners[static_cast<std::size_t>(n)] = toLab(metric, o, f);
        const Vec& t = scene.corners[static_cast<std::size_t>(n)];
        scene.points.push_back({t[0], t[1], t[2], -(n + 1)});
    }
    const auto& atoms = laue.cellAtoms();
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        const auto& a = atoms[i];
        for (int tx : shifts(a.x))
            for (int ty : shifts(a.y))
                for (int tz : shifts(a.z)) {
                    const Vec t = toLab(metric, o, {a.x + tx - 0.5, a.y + ty - 0.5, a.z + tz - 0.5});
                    scene.points.push_back({t[0], t[1], t[2], static_cast<int>(scene.atoms.size())});
                    scene.atoms.push_back({static_cast<int>(i), a.atomicNumber, t});
                    scene.heaviest = std::max(scene.heaviest, a.atomicNumber);
                }
    }
    for (const auto& p : scene.points) {
        scene.extentY = std::max(scene.extentY, std::abs(p.y));
        scene.extentZ = std::max(scene.extentZ, std::abs(p.z));
    }
    // Back to front, with the sort the pattern uses.
    std::vector<std::array<float, 2>> order(scene.points.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = {static_cast<float>(scene.points[i].depth), static_cast<float>(i)};
    engine::qSort(order, 0, static_cast<int32_t>(order.size()) - 1, 0);
    std::vector<StructurePoint> sorted;
    sorted.reserve(order.size());
    for (const auto& row : order) sorted.push_back(scene.points[static_cast<std::size_t>(row[1])]);
    scene.points = std::move(sorted);
    return scene;
}

void PatternRenderer::drawStructureScene(Surface& s, double left, double top, double width, double height,
                                         bool monitor) {
    const bool black = options_.flags.blackBackground;
    const uint32_t fore = black ? colour::white : colour::black;
    s.setForeColor(fore);
    s.setFillStyle(Surface::FillStyle::Solid);
    s.setDrawWidth(1);
    s.setFontSize(7);
    const auto& atoms = laue_.cellAtoms();
    if (atoms.empty()) {
        s.textAt(left + 5, top + 5, "No Structure Loaded");
        return;
    }
    const StructureScene scene = structureScene(laue_);
    s.textAt(left + 5, top + 5, std::to_string(scene.atoms.size()) + " atoms in cell");
    if (!(scene.extentY > 0 && scene.extentZ > 0)) return;

    // The cell fills 80 % of the half-width or half-height, whichever is tighter.
    const double scale = std::min(width / 2 / scene.extentY, height / 2 / scene.extentZ) * 0.8;
    const double cx = left + width / 2;
    const double cy = top + height / 2;
    const auto screen = [&](const std::array<double, 3>& t) {
        return std::array<double, 2>{cx + scale * t[1], cy - scale * t[2]};
    };
    const auto radius = [](int z) { return static_cast<double>(structure::atomRadius(z)); };

    for (const auto& p : scene.points) {
        if (p.code < 0) {
            const int corner = -p.code;
            for (const auto& edge : kCellEdges) {
                if (edge[0] != corner) continue;
                uint32_t c = p.depth < 0 ? kEdgeBehind : fore;
                if (corner == 1) c = edge[1] == 5 ? colour::red : edge[1] == 3 ? colour::green : colour::blue;
                const auto a = screen(scene.corners[static_cast<std::size_t>(edge[0] - 1)]);
                const auto b = screen(scene.corners[static_cast<std::size_t>(edge[1] - 1)]);
                s.line(a[0], a[1], b[0], b[1], c);
            }
            continue;
        }
        const PlacedAtom& atom = scene.atoms[static_cast<std::size_t>(p.code)];
        const auto at = screen(atom.lab);
        const double rAtom = radius(atom.atomicNumber);
        // Bonds to every atom closer than the sum of the radii plus 0.1 Å,
        // starting at the rim of this atom's disc.
        for (const auto& other : scene.atoms) {
            if (&other == &atom) continue;
            const double dist = distance(atom.lab, other.lab);
            if (!(dist > 0 && dist < rAtom + radius(other.atomicNumber) + 0.1)) continue;
            const auto to = screen(other.lab);
            const double len = std::hypot(to[0] - at[0], to[1] - at[1]);
            const double start = len > 0 ? std::min(1.0, scale * rAtom * 0.5 / len) : 0;
            const double sx = at[0] + (to[0] - at[0]) * start;
            const double sy = at[1] + (to[1] - at[1]) * start;
            s.line(sx, sy, to[0], to[1], kBond);
            if (!monitor) {
                s.line(sx, sy, to[0] - 2, to[1], kBond);
                s.line(sx, sy, to[0] + 2, to[1], kBond);
            }
        }
        const double r = scale * rAtom * 0.5;
        const int g =
            static_cast<int>(util::nearest(255.0 - 235.0 * atom.atomicNumber / std::max(1, scene.heaviest)));
        const uint32_t grey = static_cast<uint32_t>(std::clamp(g, 0, 255)) * 0x010101u;
        s.setFillColor(grey);
        drawCircle(s, at[0], at[1], r, fore);
        if (!monitor && options_.flags.hklIndices) {
            s.setFontSize(std::max(1.0, std::min(0.75 * r, 15.0)));
            s.setForeColor(options_.labelColour);
            s.textAt(at[0], at[1], atoms[static_cast<std::size_t>(atom.cellAtom)].label);
            s.setForeColor(fore);
            s.setFontSize(7);
        }
    }
}

void PatternRenderer::drawStructure(const RenderOptions& options) {
    options_ = options;
    Surface* target = structure_;
    if (!target) return;
    try {
        if (!target->isImage()) {
            // Vector output is drawn straight onto its device.
            target->setBackColor(options_.flags.blackBackground ? colour::black : colour::white);
            target->clear();
            drawStructureScene(*target, 0, 0, target->width(), target->height(), false);
            return;
        }
        structureBuffer_.resize(target->size(), target->image().devicePixelRatio());
        Surface& s = structureBuffer_;
        s.setBackColor(options_.flags.blackBackground ? colour::black : colour::white);
        s.setAntialiasing(options_.antialias);
        s.clear();
        drawStructureScene(s, 0, 0, s.width(), s.height(), false);
        s.setAntialiasing(false);
        target->copyFrom(s);
    } catch (const std::exception&) {
        // The previous picture stays.
    }
}

// With the structure page hidden, the structure monitor is drawn into the frame
// (its bottom-left corner) and the frame is presented with it.
bool PatternRenderer::drawStructureMonitor(Surface& s) {
    const double top = s.height() - kMonitorSize;
    const bool black = options_.flags.blackBackground;
    s.setFillStyle(Surface::FillStyle::Solid);
    s.setFillColor(black ? colour::black : colour::white);
    s.setForeColor(black ? colour::white : colour::black);
    s.rectangle(0, top, kMonitorSize - 1, s.height() - 1);
    s.clipRect(0, top, kMonitorSize, s.height());
    drawStructureScene(s, 0, top, kMonitorSize, kMonitorSize, true);
    s.clearClip();
    if (visible_ && visible_ != &s) visible_->copyFrom(s);
    return true;
}

}  // namespace lumora::render
