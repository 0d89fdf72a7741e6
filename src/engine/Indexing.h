#pragma once

// Finding a crystal's orientation from the spots of one Laue exposure, without a starting guess.
// A spot tells the direction of a plane normal (through the detector's inverse map) but not its
// wavelength, so not which harmonic n h k l made it; the search matches angles between observed
// normals against angles between low-index normals of the crystal, builds an orientation from each
// match and counts the spots it explains.

#include <array>
#include <memory>
#include <vector>

#include "engine/Cell.h"
#include "engine/Reflections.h"
#include "engine/VectorTypes.h"
#include "symmetry/HallSymbol.h"
#include "util/Progress.h"

namespace lumora::engine {

// A spot as the search sees it: the scattered unit ray in the laboratory (beam +x, z down).
struct IndexSpot {
    Vec3d ray{};
    double intensity = 0;
};

// The crystal: its cell (a, b, c in Å, angles in degrees) and the space group's operations,
// centring included, which decide the absences and the orientations that are the same.
struct IndexCrystal {
    std::array<double, 6> cell{};
    std::vector<symmetry::SymOp> ops;
};

struct IndexOptions {
    double lambdaMin = 0.2;  // Å, the band
    double lambdaMax = 2.5;
    double toleranceDeg = 0.5;  // largest angle between an observed and a computed ray that still matches
    int maxSolutions = 5;       // distinct orientations returned at most
    int minExplained = 6;       // an orientation must explain this many spots (all, when fewer are given)
};

struct IndexedSpot {
    int spot = 0;              // index into the spots given
    std::array<int, 3> hkl{};  // the lowest harmonic the space group allows whose wavelength lies in the band
    Vec3d computedRay{};       // unit
    double deviationDeg = 0;   // angle between the observed and the computed ray
    double lambda = 0;         // Å, of that harmonic
};

struct IndexSolution {
    // O: a crystal vector v (the Cartesian frame of CellMetric::directBasis) lies along O^T v.
    Mat3d matrix{};
    std::vector<IndexedSpot> spots;  // ordered by spot index; every spot at most once
    double meanDeviationDeg = 0;
};

class IndexTables;

// The search for one crystal and band. Building it makes the tables (every lattice direction that
// can give a spot, the reference angles); a built indexer is read-only and may serve any number of
// exposures, from several threads at once.
class Indexer {
public:
    // Error 5 for a band or tolerance that cannot be searched; the cell is checked as CellMetric does.
    Indexer(const IndexCrystal& crystal, const IndexOptions& options);
    ~Indexer();
    Indexer(const Indexer&) = default;
    Indexer& operator=(const Indexer&) = default;

    const IndexOptions& options() const { return options_; }
    // indexSpots, indexGrains and explainSpots with these tables.
    std::vector<IndexSolution> index(const std::vector<IndexSpot>& spots,
                                     const ProgressCallback& progress = {}) const;
    std::vector<IndexSolution> grains(const std::vector<IndexSpot>& spots, int grains,
                                      const ProgressCallback& progress = {}) const;
    std::vector<IndexedSpot> explain(const std::vector<IndexSpot>& spots, const Mat3d& matrix) const;
    // The rotations (Cartesian, crystal frame) that leave the pattern unchanged: O and M O are the
    // same orientation. Identity first.
    const std::vector<Mat3d>& symmetryRotations() const;

private:
    std::shared_ptr<const IndexTables> tables_;
    IndexOptions options_;
};

// The best distinct orientations (not related by a symmetry operation of the crystal), best first:
// most spots explained, then the smaller mean deviation. The result does not depend on the order of
// the spots. Empty when none explains options.minExplained spots. The callback reports progress
// and may stop the search (Cancelled).
std::vector<IndexSolution> indexSpots(const std::vector<IndexSpot>& spots, const IndexCrystal& crystal,
                                      const IndexOptions& options, const ProgressCallback& progress = {});

// Several crystals in one exposure: index the best, take its spots out, go on, at most `grains`
// times. Spot indices refer to the full list.
std::vector<IndexSolution> indexGrains(const std::vector<IndexSpot>& spots, const IndexCrystal& crystal,
                                       const IndexOptions& options, int grains,
                                       const ProgressCallback& progress = {});

// The spots an orientation explains within options.toleranceDeg, each with its lowest allowed
// harmonic; a spot goes to the reflection nearest to it.
std::vector<IndexedSpot> explainSpots(const std::vector<IndexSpot>& spots, const Mat3d& matrix,
                                      const IndexCrystal& crystal, const IndexOptions& options);

}  // namespace lumora::engine
