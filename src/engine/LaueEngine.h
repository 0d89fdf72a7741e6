#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/Cell.h"
#include "engine/Detector.h"
#include "engine/Intensity.h"
#include "engine/Orientation.h"
#include "engine/Palette.h"
#include "engine/ReflectionList.h"
#include "engine/Reflections.h"
#include "engine/VectorTypes.h"
#include "structure/Atoms.h"
#include "structure/StructureFile.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Progress.h"

namespace lumora {

// Plot types (m_mode). The Laue pattern on a camera (kDetectorPlot) draws on
// the engine's detector; the two films are its presets for plot types 1 and 2.
constexpr int16_t kReciprocalPlot = 0;
constexpr int16_t kTransmissionPlot = 1;
constexpr int16_t kBackReflectionPlot = 2;
constexpr int16_t kStereogramPlot = 3;
constexpr int16_t kDetectorPlot = 4;

// Whether plot type `mode` draws a Laue pattern on a plane (a film or a camera).
constexpr bool isLauePlot(int mode) {
    return mode == kTransmissionPlot || mode == kBackReflectionPlot || mode == kDetectorPlot;
}

// What a new document starts from: the application's settings.
struct EngineDefaults {
    float voltage = 50;       // kV
    float filmDistance = 30;  // mm
    float filmWidth = 90;     // mm
    float filmHeight = 120;   // mm
    int anodeIndex = 1;       // row of the characteristic-line table
    engine::IntensityModel intensityModel = engine::IntensityModel::Amplitude;
    engine::BeamSource beamSource = engine::BeamSource::Tube;
    // Which reflections a generated list holds: the cell's rule or a complete list.
    engine::ReflectionRange reflectionRange;
    // Where the operation listing of the current space group is written for
    // the user to read; empty: not written.
    std::string listingFolder;
};

// How a spot is coloured and sized on a film: the drawing's choices, handed
// to the projections as a value.
struct SpotStyle {
    bool flipX = false;            // mirror the films (seen from the crystal)
    bool blackBackground = false;  // grey spots run the other way on black
    bool spotColouring = false;
    float spotSize = 5;                            // largest spot radius in pixels at zoom 1
    const engine::SpotPalette* palette = nullptr;  // null: entry numbers as grey
};

// A reflection projected onto a film by LAUEXY: the offset from the picture's
// beam point in output units (y up), or x >= 88888 when it is not placed.
struct FilmProjection {
    float x = 0, y = 0;
    uint32_t colour = 0;  // 0xRRGGBB, when placed
    float radius = 0;     // pixels at zoom 1, when placed
    float wavelength = 0;
};

// Scales that fit the 3-D view and the films to a picture.
struct ViewScales {
    float scale3D = 0;    // pixels per Å⁻¹ at zoom 1; 0 when there is nothing to fit
    float filmScale = 0;  // pixels per (film mm / distance mm) at zoom 1; 0 when no film
};

// The Laue engine: one per document. It owns a crystal (cell, space group,
// structure), the experiment (wavelength band, film, detector), the
// reflection list and the orientation, and computes on request: it never
// calls back into its document. How the pattern is shown (zoom, thresholds,
// palette, picture size) belongs to the drawing, not to the engine.
class clLAUE {
public:
    clLAUE();

    // ---- public state -------------------------------------------------------
    float x_lambda_min = 0;     // Å, shortest wavelength of the band
    float x_lambda_max = 2.5f;  // Å, longest wavelength of the band
    float x_theta_max = 0;      // not used by the engine
    float x_voltage = 0;        // kV
    float x_fsd = 0;            // mm, film-to-sample distance
    int16_t x_hmax = 4, x_kmax = 4, x_lmax = 4;
    bool x_withIntensity = false;
    int32_t n_hkl = 0;
    int32_t n_spot = 0;
    std::string m_tit;
    std::string m_ahkl;
    std::string m_auvw;
    int16_t m_spg = 0;
    int16_t m_plot = 0;
    int16_t m_mode = 0;  // plot type: kReciprocalPlot ... kDetectorPlot
    std::string s_maugin;
    bool bCSF = false;  // a structure with atoms is loaded

    // ---- life cycle and settings -------------------------------------------
    void newDocument(const EngineDefaults& defaults);
    void initializeAll();
    // 12.398 / x_voltage; a voltage that is not positive raises Error 5.
    float getWavelengthMinimum() const;
    // Characteristic lines of the anode (Kα1, Kα2, Kβ) into kaLines.
    void getKa12();
    void setAnodeIndex(int index) { anodeIndex_ = index; }
    const std::array<float, 3>& characteristicLines() const { return kaLines; }
    int anodeIndex() const { return anodeIndex_; }

    // ---- physical intensities ------------------------------------------------
    // Whether Laue spots are sized by |F| (or d) or by their physical intensity.
    engine::IntensityModel intensityModel() const { return intensityModel_; }
    void setIntensityModel(engine::IntensityModel model) { intensityModel_ = model; }
    engine::BeamSource beamSource() const { return beamSource_; }
    void setBeamSource(engine::BeamSource source) { beamSource_ = source; }
    bool physicalIntensities() const { return intensityModel_ == engine::IntensityModel::Physical; }
    // The beam's spectrum: x_voltage, the anode and the source (Error 5 for a
    // voltage that is not positive).
    engine::Spectrum spectrum() const;
    // The physical intensity of the spot of reflection n at the current
    // orientation (relative units): the harmonic sum over its primitive
    // direction in the band x_lambda_min..x_lambda_max, |F| = 1 without atoms.
    // Every reflection of one spot (its harmonics, hkl and -h-k-l) has the same.
    double spotIntensity(int32_t n, const engine::Spectrum& spectrum) const;

    // ---- cell -----------------------------------------------------------------
    float getCellConstant(int i) const;
    void setCellConstant(int i, float value);
    // "5 x 5 x 5 <90 x 90 x 90>"
    std::string getCellString() const;
    // d-spacing of the current working cell (prepared by GenerateHKL).
    float computeSpacing(int16_t h, int16_t k, int16_t l) const;
    const engine::CellMetric& cellMetric() const { return metric; }

    // ---- reflections ----------------------------------------------------------
    std::string getHKL(int32_t i) const;   // "1 -1 0"
    std::string getHKL2(int32_t i) const;  // "   1  -1   0"
    int16_t getH(int32_t i) const;
    int16_t getK(int32_t i) const;
    int16_t getL(int32_t i) const;
    float getD(int32_t i) const;
    float getF(int32_t i) const;
    void setF(int32_t i, float value);
    void setHKLLimits(int16_t h, int16_t k, int16_t l);
    // Rebuilds the reflection list of the current cell and space group and
    // resets the orientation. A cell that cannot form a lattice, or is too
    // large for the index limits, is refused with an Error and the previous
    // list stays.
    void GenerateHKL();
    // The long work of the engine (expanding the atoms of a structure,
    // generating reflections) reports its progress here and stops with
    // Cancelled when the callback returns false, leaving the engine part-way
    // changed: the caller keeps a copy to go back to. Empty: runs to its end.
    void setProgress(ProgressCallback progress) { progress_ = std::move(progress); }
    bool isExtinct(int16_t h, int16_t k, int16_t l) const;
    // The choice the next GenerateHKL follows. A complete list that would
    // exceed engine::kCompleteListBudget, or indices beyond 16 bits, is
    // refused with Error 6 naming the d-min that fits.
    void setReflectionRange(const engine::ReflectionRange& range) { range_ = range; }
    const engine::ReflectionRange& reflectionRange() const { return range_; }
    const engine::ReflectionList& reflections() const { return list_; }
    float spacingMinimum() const { return list_.dMin; }
    float spacingMaximum() const { return list_.dMax; }
    float intensityMaximum() const { return list_.fMax; }
    // " (d ≥ 5.53 Å: index limit)" when the last generation had to raise the
    // threshold above what the cell alone gives to keep the index limits in
    // bounds, so that the pattern lacks reflections of smaller d;
    // " (complete: d ≥ 0.248 Å)" after a complete list; else empty.
    std::string thresholdNote() const;

    // ---- orientation (the beam runs along +x; a crystal vector v has the
    // laboratory vector O^T v) -------------------------------------------------
    void resetRotationMatrix();
    // Turns about laboratory axis 1, 2 or 3 (x, y, z) by degrees; other axes do nothing.
    void DoRotate(int16_t axis, float angle);
    void DoRotateYZ(float a, float b);
    void DoRotateXYZ(float a, float b, float c);
    // Puts the direction [u v w] (isDirection) or the normal of (u v w) on the beam.
    void setOrientation(float u, float v, float w, bool isDirection);
    // Angle to the beam (signed by the side of y) and azimuth about it, degrees.
    std::array<float, 2> getGoniometer(float u, float v, float w, bool isDirection) const;
    // Angle between two Cartesian vectors in degrees; both are normalised in place.
    float Angle(Vec3f& p, Vec3f& q) const;
    // Angle between the normals of the planes p and q, degrees.
    float AngleHKL(const Vec3f& p, const Vec3f& q) const;
    const Mat3f& orientationMatrix() const { return orientation_.matrix; }
    // Sets the orientation matrix directly (rows first) and applies it.
    void setOrientationMatrix(const Mat3f& o);
    // The matrix with every reflection and crystal axis turned into the laboratory.
    const engine::Orientation& orientation() const { return orientation_; }
    // u a + v b + w c (isDirection) or u a* + v b* + w c*, Cartesian, crystal frame.
    Vec3f toCartesian(float u, float v, float w, bool isDirection) const;

    // ---- reciprocal-space view ---------------------------------------------------
    // Rebuilds the reciprocal vectors and extents of the list and applies the orientation.
    void RECSPACE_setData();
    // The 3-D and film scales that fit a picture of this size.
    ViewScales RECSPACE_scaleXYZ(int width, int height) const;
    const std::array<float, 4>& extents() const { return extents_; }
    // Columns 0-2 the reciprocal vector of each reflection (crystal frame),
    // column 3 the row where it stands in the depth-sorted laboratory table.
    const std::vector<VectorRow>& recipVectorTable() const;
    // Laboratory vectors sorted along the beam; column 3 is the list index.
    // The depth order is only needed by the 3-D view and is sorted on first
    // use after a turn, so turning a film or stereogram costs no sort.
    const std::vector<VectorRow>& labVectorTable() const;
    // The laboratory vector of reflection n after the last turn.
    const Vec3f& labVectorOf(int32_t n) const;
    // The crystal axes a, b, c turned into the laboratory frame.
    const std::array<Vec3f, 3>& labAxes() const { return orientation_.labAxes; }
    // h, k and l joined as they stand ("200"), the 3-D view's label.
    std::string label3D(int32_t n) const;

    // ---- film, detector and projection --------------------------------------------
    float getFilmWidth() const { return filmWidth; }
    float getFilmHeight() const { return filmHeight; }
    void setFilmSize(float width, float height);
    // The camera the Laue pattern of kDetectorPlot is drawn on.
    const engine::Detector& detector() const { return detector_; }
    void setDetector(const engine::Detector& detector) { detector_ = detector; }
    // The plane the Laue pattern of the current plot type lies on: the film of
    // plot type 1 or 2 (mirrored with flipX) or the camera.
    engine::Detector laueDetector(bool flipX) const;
    // Film position of labVectors row `row` for a distance `scale` in output
    // units: the film of the current plot type, its spot coloured and sized
    // with `style`; x >= 88888 means not placed (99999: the wavelength is
    // outside the band or the spot belongs to the other side; 88888: behind the
    // beam stop, too oblique to the plane, or beyond a camera's frame).
    FilmProjection LAUEXY(int32_t row, float scale, const SpotStyle& style) const;
    // The same addressed by the reflection's list index.
    FilmProjection projectFilm(int32_t n, float scale, const SpotStyle& style) const;
    // Stereographic position of labVectors row `row` on a net of `radius`;
    // `colour` is set when the style colours spots.
    std::array<float, 2> STEREOXY(int32_t row, float radius, uint32_t& colour, const SpotStyle& style) const;
    std::array<float, 2> projectStereo(int32_t n, float radius, uint32_t& colour,
                                       const SpotStyle& style) const;
    // Wavelength 2 d sin(theta) that reflects labVectors row `row` with the beam along +x.
    float braggWavelength(int32_t row) const;
    // The same for reflection n.
    float braggWavelengthOf(int32_t n) const;
    // The label of reflection n: indices reduced by their common divisor and,
    // except in the stereogram, with the sign normalised ("1-10", "001").
    void checkLabel(int32_t n, int& divisor, std::string& text) const;
    void testcheckLabel() const;
    // v * spotSize + 0.1 with v = F/fMax or d/dMax.
    float spotRadius(int32_t n, float spotSize) const;
    // Grey of the Wulff-monitor spot, 0xRRGGBB.
    uint32_t spotGrey(int32_t n) const;
    // The 0..1 key of reflection n for palettes and radii: F/fMax with
    // intensities, else d/dMax; 0 when the maximum is 0.
    float relativeStrength(int32_t n) const;
    // Sets the plot type (the caller draws).
    void setPlotType(int16_t type) { m_mode = type; }

    // ---- crystal structure ---------------------------------------------------
    // Each load reads the file completely first; its cell, space group (the
    // file's own setting), atoms and title then replace the engine's together.
    // A file that cannot be read or parsed raises an Error and nothing changes.
    void readCEL(const std::string& path);
    void readCSF(const std::string& path);
    void readCIF(const std::string& path);
    void loadStructure(const structure::StructureFile& file);
    // No structure: no atoms, every reflection F = 1.
    void resetStructure();
    // Rebuilds the cell atoms from the asymmetric unit with the current operations.
    void expandAtoms();
    // "title, formula", or "No structure data available".
    std::string getStructureTitle() const;
    const structure::StructureHeader& structureHeader() const { return header_; }
    const std::vector<structure::Atom>& asymmetricAtoms() const { return asymmetric_; }
    const std::vector<structure::CellAtom>& cellAtoms() const { return cellAtoms_; }
    // The whole text of the structure file last loaded.
    const std::string& structureText() const { return structureText_; }
    // What the last load had to tell beside its success (sites left out), one
    // line each; empty after a load with nothing to tell.
    const std::vector<std::string>& structureNotes() const { return structureNotes_; }

    // ---- reflection files and the HKL listing -------------------------------------
    // Replaces the reflection list, cell and title by those of a .rsv file (all
    // or nothing); F comes from the file and spot sizes follow it.
    void readRSV(const std::string& path);
    // The cell words of the last .rsv file as written there.
    const std::array<std::string, 6>& rsvCellTexts() const { return rsvCellTexts_; }
    // The HKL listing of the current list, rows by decreasing d.
    std::string hklListing() const;
    // Writes the listing to the file `fileName`; one that cannot be written
    // raises Error 75. (The clipboard is the window's business.)
    void copyData(const std::string& fileName) const;

    // ---- space groups -----------------------------------------------------------
    // Resolves a symbol, installs its setting and writes the operation listing.
    void SGTAB_find(const std::string& symbol);
    int16_t SGTAB_findHallEntry(std::string& symbol) const;
    symmetry::EntryStrings SGTAB_getEntry(int row);
    symmetry::EntryStrings SGTAB_lookup(int16_t number, const std::string& hm, const std::string& hall) const;
    std::vector<std::string> SGTAB_getHalls() const { return hallList; }
    // Installs the operations of a Hall symbol. One that does not make a
    // group (the closure reached its capacity, or the list does not close)
    // raises Error 5 ("nm>=" and the capacity) and leaves the current group.
    void SGTAB_getHallMatrices(const std::string& hall);
    // Resolves a typed or file symbol ("R -3 m :R", "P 21/c", "-P 2ybc", "14")
    // as symmetry::resolveSymbol does and installs its setting; false, with
    // nothing changed, when the symbol names no group of the table.
    bool chooseSpaceGroup(const std::string& symbol);
    // Installs a structure file's own operations as they are, named `name`;
    // `row` names the group in the list (number and settings offered).
    void installOperations(const std::vector<symmetry::Mat4>& ops, const std::string& name, int row);
    // The note of the last structure file on its space-group name and
    // operations disagreeing (a line for the load message); empty when none.
    const std::string& symmetryNote() const { return symmetryNote_; }
    // Picks another setting of the current group from the Hall list.
    void changeHall(int16_t index);
    const symmetry::SymmetryOps& symmetryState() const { return symmetry_; }
    int16_t opCount() const { return static_cast<int16_t>(symmetry_.ops.size()); }
    // The row chosen by the last SGTAB_find or changeHall, -1 before any.
    int currentRow() const { return currentRow_; }
    // Gamma of the last .csf cell read; decides rhombohedral axes for "R"
    // symbols when the cell itself does not (see prefersRhombohedralAxes).
    float recordedGamma = 0;
    // Whether a rhombohedral group takes rhombohedral axes for the current cell.
    bool rhombohedralAxes() const;

private:
    void writeSymmetryListing() const;
    void installRow(int row);
    // A rhombohedral group whose axes do not fit the current cell switches to
    // its other setting (the cell may be typed after the group was chosen).
    void matchAxesToCell();
    void takeList(engine::ReflectionList list);
    void rotateAxis(int16_t axis, float angle);
    void applyOrientation();
    void sortDepthOrder() const;
    int32_t reflectionAtRow(int32_t row) const;
    // n itself, or Error 9 when the list has no reflection n.
    int32_t checkedIndex(int32_t n) const;
    void updateOrientationTexts();

    ProgressCallback progress_;
    EngineDefaults defaults_;
    int anodeIndex_ = 1;
    engine::IntensityModel intensityModel_ = engine::IntensityModel::Amplitude;
    engine::BeamSource beamSource_ = engine::BeamSource::Tube;
    // |F|² of the harmonics of the list's directions, filled as spots ask.
    mutable engine::HarmonicAmplitudes harmonics_;

    std::array<float, 7> cell{5, 5, 5, 90, 90, 90, 125};
    engine::CellMetric metric{{5, 5, 5, 90, 90, 90}};
    std::array<float, 3> kaLines{};

    engine::ReflectionList list_;
    engine::Orientation orientation_;
    bool thresholdRaised_ = false;
    engine::ReflectionRange range_;
    bool completeList_ = false;  // the last generation made a complete list
    float filmWidth = 90, filmHeight = 120;
    engine::Detector detector_ = engine::defaultTopCamera();

    // The depth-sorted table and the row column of recipVectors, kept up to
    // date lazily (depthOrderValid) because only the 3-D view needs them.
    mutable std::vector<VectorRow> recipVectors;
    mutable std::vector<VectorRow> labVectors;
    mutable bool depthOrderValid = false;
    std::array<Vec3f, 3> axisVectors{};
    std::array<float, 4> extents_{};

    structure::StructureHeader header_;
    std::vector<structure::Atom> asymmetric_;
    std::vector<structure::CellAtom> cellAtoms_;
    std::string structureText_;
    std::vector<std::string> structureNotes_;
    std::array<std::string, 6> rsvCellTexts_;

    symmetry::SymmetryOps symmetry_;
    engine::ExtinctionRules extinction_;
    std::vector<std::string> hallList;
    int currentRow_ = -1;
    bool ownOperations_ = false;  // symmetry_ holds a structure file's own operations
    std::string symmetryNote_;
};

}  // namespace lumora
