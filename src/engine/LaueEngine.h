#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/Cell.h"
#include "engine/Reflections.h"
#include "engine/VectorTypes.h"
#include "structure/Atoms.h"
#include "structure/StructureFile.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Progress.h"

namespace lumora {

// What the engine tells the document that owns it, without knowing its widgets.
class EngineOwner {
public:
    virtual ~EngineOwner() = default;
    // The document's hint line.
    virtual void setHINT(const std::string& text) = 0;
    // The approximate beam direction " [u  v  w]" after every turn (status bar).
    virtual void showOrientation(const std::string& /*auvw*/) {}
    // The engine changed what the pattern shows: repaint it (drawHKL).
    virtual void redrawPattern() {}
    // Puts text on the clipboard (the HKL listing copied without a file name).
    virtual void copyToClipboard(const std::string& /*text*/) {}
};

// The Laue engine: one per document. It owns a crystal (cell, space group),
// the experiment (wavelength band, film), the reflection list and the
// orientation. The public fields are read and written by the document.
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
    std::string x_photofile;
    float x_dpi = 150;
    float x_dpifac = 1.0f;
    float x_filmfac = 1.0f;
    bool b_photo = false;
    bool b_busy = false;
    bool b_alias = false;
    int32_t n_hkl = 0;
    int32_t n_spot = 0;
    std::string f_photofile;
    int16_t f_photosim = 0;
    std::string m_tit;
    std::string m_ahkl;
    std::string m_auvw;
    int16_t m_spg = 0;
    int16_t m_spot = 0, m_rad = 0;
    int16_t m_plot = 0;
    int32_t m_threshold = 0, m_hDC = 0;
    int16_t m_mode = 0;  // 0 3-D view, 1 transmission, 2 back-reflection, 3 stereogram
    std::string s_maugin;
    bool bCSF = false;  // a structure with atoms is loaded

    // ---- life cycle and settings -------------------------------------------
    void newDocument(EngineOwner* owner);
    void initializeAll();
    // 12.398 / x_voltage; a voltage that is not positive raises Error 5.
    float getWavelengthMinimum() const;
    // Characteristic lines of the selected anode (Kα1, Kα2, Kβ) into kaLines.
    void getKa12();
    const std::array<float, 3>& characteristicLines() const { return kaLines; }

    // ---- cell -----------------------------------------------------------------
    float getCellConstant(int i) const;
    void setCellConstant(int i, float value);
    // "5 x 5 x 5 <90 x 90 x 90>"
    std::string getCellString() const;
    // d-spacing of the current working cell (prepared by GenerateHKL).
    float computeSpacing(int16_t h, int16_t k, int16_t l) const;

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
    // Rebuilds the reflection list of the current cell and space group. A cell
    // that cannot form a lattice, or is too large for the index limits, is
    // refused with an Error and the previous list stays.
    void GenerateHKL();
    // The long work of the engine (expanding the atoms of a structure,
    // generating reflections) reports its progress here and stops with
    // Cancelled when the callback returns false, leaving the engine part-way
    // changed: the caller keeps a copy to go back to. Empty: runs to its end.
    void setProgress(ProgressCallback progress) { progress_ = std::move(progress); }
    bool isExtinct(int16_t h, int16_t k, int16_t l) const;
    float spacingMinimum() const { return dMin; }
    // " (d ≥ 5.53 Å: index limit)" when the last generation had to raise the
    // threshold above what the cell alone gives to keep the index limits in
    // bounds, so that the pattern lacks reflections of smaller d; else empty.
    std::string thresholdNote() const;
    float spacingMaximum() const { return dMax; }
    float intensityMaximum() const { return fMax; }
    // Drawing order: (key, list index) sorted by ascending key.
    const std::vector<std::array<float, 2>>& drawingOrder() const { return order; }

    // ---- orientation (the beam runs along +x; a crystal vector v has the
    // laboratory vector O^T v) -------------------------------------------------
    void resetRotationMatrix();
    // Turns about laboratory axis 1, 2 or 3 (x, y, z) by degrees; other axes do nothing.
    void DoRotate(int16_t axis, float angle);
    void DoRotateYZ(float a, float b);
    void DoRotateXYZ(float a, float b, float c);
    // Puts the direction [u v w] (isDirection) or the normal of (u v w) on the beam, then redraws.
    void setOrientation(float u, float v, float w, bool isDirection);
    // Angle to the beam (signed by the side of y) and azimuth about it, degrees.
    std::array<float, 2> getGoniometer(float u, float v, float w, bool isDirection) const;
    // Angle between two Cartesian vectors in degrees; both are normalised in place.
    float Angle(Vec3f& p, Vec3f& q) const;
    // Angle between the normals of the planes p and q, degrees.
    float AngleHKL(const Vec3f& p, const Vec3f& q) const;
    const Mat3f& orientationMatrix() const { return orientation; }
    // Sets the orientation matrix directly (rows first) and applies it.
    void setOrientationMatrix(const Mat3f& o);
    // u a + v b + w c (isDirection) or u a* + v b* + w c*, Cartesian, crystal frame.
    Vec3f toCartesian(float u, float v, float w, bool isDirection) const;

    // ---- reciprocal-space view and scales ------------------------------------
    // Rebuilds the reciprocal vectors, 3-D labels and extents of the list and applies the orientation.
    void RECSPACE_setData();
    // Fits the 3-D and film scales to the picture size, sets the zoom to 1 and repaints.
    void RECSPACE_scaleXYZ();
    // Size of the visible picture in pixels, which the scales are fitted to.
    void setPictureSize(int width, int height);
    int pictureWidth() const { return pictureWidth_; }
    int pictureHeight() const { return pictureHeight_; }
    float scale3D() const { return scale3D_; }      // pixels per Å⁻¹ at zoom 1
    float filmScale() const { return filmScale_; }  // pixels per (film mm / distance mm) at zoom 1
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
    const std::array<Vec3f, 3>& labAxes() const { return labAxisVectors; }
    // h, k and l joined as they stand ("200"), per reflection.
    const std::vector<std::string>& labels3D() const { return labels3D_; }

    // ---- projection -------------------------------------------------------------
    // Film position of labVectors row `row` for a distance `scale` in output
    // units; x >= 88888 means not on the film. Sets `colour` (0xRRGGBB) and
    // the spot radius (currentSpotRadius) and wavelength when placed.
    std::array<float, 2> LAUEXY(int32_t row, float scale, uint32_t& colour);
    // Stereographic position of labVectors row `row` on a net of `radius`;
    // `colour` is set when spots are coloured.
    std::array<float, 2> STEREOXY(int32_t row, float radius, uint32_t& colour) const;
    // The same projections addressed by the reflection's list index, as the
    // drawing order gives it.
    std::array<float, 2> projectFilm(int32_t n, float scale, uint32_t& colour);
    std::array<float, 2> projectStereo(int32_t n, float radius, uint32_t& colour) const;
    float spotRadiusOfLastSpot() const { return currentSpotRadius; }
    float wavelengthOfLastSpot() const { return currentWavelength; }
    // Wavelength 2 d sin(theta) that reflects labVectors row `row` with the beam along +x.
    float braggWavelength(int32_t row) const;
    // The same for reflection n.
    float braggWavelengthOf(int32_t n) const;
    // The label of reflection n: indices reduced by their common divisor and,
    // except in the stereogram, with the sign normalised ("1-10", "001").
    void checkLabel(int32_t n, int& divisor, std::string& text) const;
    void testcheckLabel() const;
    // v * spotSize + 0.1 with v = F/fMax or d/dMax; 0.1 when the range is empty.
    float spotRadius(int32_t n) const;
    // Grey of the Wulff-monitor spot, 0xRRGGBB.
    uint32_t spotGrey(int32_t n) const;
    // The 0..1 key of reflection n for palettes and radii: F/fMax with
    // intensities, else d/dMax; 0 when the maximum is 0.
    float relativeStrength(int32_t n) const;

    // ---- view parameters ---------------------------------------------------------
    void setPlotType(int16_t type);
    void setZoom(float z) { zoom = z; }
    void setSpacingThreshold(float d) { spacingThreshold = d; }
    void setLabelThreshold(float x) { labelThreshold = x; }
    void setSpotsize(float s) { spotSize = s; }
    float getZoom() const { return zoom; }
    float getSpacingThreshold() const { return spacingThreshold; }
    float getLabelThreshold() const { return labelThreshold; }
    float getSpotsize() const { return spotSize; }
    float getFilmWidth() const { return filmWidth; }
    float getFilmHeight() const { return filmHeight; }
    const std::vector<int16_t>& hList() const { return listH; }
    const std::vector<int16_t>& kList() const { return listK; }
    const std::vector<int16_t>& lList() const { return listL; }
    const std::vector<float>& dList() const { return listD; }
    const std::vector<float>& fList() const { return listF; }

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
    // Resizes the five reflection lists to rows 0..n, keeping their contents.
    void redimArrays(int32_t n);
    // The HKL listing of the current list, rows by decreasing d.
    std::string hklListing() const;
    // Writes the listing to `fileName`, or to the clipboard when it is empty
    // (the scratch copy stays in the temporary folder). A file that cannot be
    // written raises Error 75.
    void copyData(const std::string& fileName);

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
    void setHINT(const std::string& text) const;
    void writeSymmetryListing() const;
    void installRow(int row);
    // A rhombohedral group whose axes do not fit the current cell switches to
    // its other setting (the cell may be typed after the group was chosen).
    void matchAxesToCell();
    void resetViewForNewList();
    void rotateAxis(int16_t axis, float angle);
    void applyOrientation();
    void sortDepthOrder() const;
    int32_t reflectionAtRow(int32_t row) const;
    void updateOrientationTexts();
    void setAxisVectors();

    EngineOwner* owner = nullptr;
    ProgressCallback progress_;

    std::array<float, 7> cell{5, 5, 5, 90, 90, 90, 125};
    engine::CellMetric metric{{5, 5, 5, 90, 90, 90}};
    Mat3f orientation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    std::array<float, 3> kaLines{};

    std::vector<int16_t> listH, listK, listL;
    std::vector<float> listD, listF;
    std::vector<std::array<float, 2>> order;
    float dMin = 0;
    bool thresholdRaised_ = false;
    float dMax = 0;
    float fMax = 0;
    float filmWidth = 90, filmHeight = 120;
    float spacingThreshold = 0;
    float labelThreshold = 0.5f;
    float zoom = 1.0f;
    float spotSize = 5.0f;
    float currentSpotRadius = 0;
    float currentWavelength = 0;

    // Laboratory vector of every reflection, in list order.
    std::vector<Vec3f> labByReflection;
    // The depth-sorted table and the row column of recipVectors, kept up to
    // date lazily (depthOrderValid) because only the 3-D view needs them.
    mutable std::vector<VectorRow> recipVectors;
    mutable std::vector<VectorRow> labVectors;
    mutable bool depthOrderValid = false;
    std::array<Vec3f, 3> axisVectors{};
    std::array<Vec3f, 3> labAxisVectors{};
    std::vector<std::string> labels3D_;
    std::array<float, 4> extents_{};
    float scale3D_ = 1.0f;
    float filmScale_ = 1.0f;
    int pictureWidth_ = 1000;
    int pictureHeight_ = 800;

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
