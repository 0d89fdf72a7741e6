#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Cell.h"
#include "engine/Reflections.h"
#include "symmetry/HallSymbol.h"
#include "symmetry/SpaceGroupTable.h"

namespace lumora {

// What the engine tells the document that owns it, without knowing its widgets.
class EngineOwner {
public:
    virtual ~EngineOwner() = default;
    // The document's hint line.
    virtual void setHINT(const std::string& text) = 0;
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
    bool isExtinct(int16_t h, int16_t k, int16_t l) const;
    float spacingMinimum() const { return dMin; }
    float spacingMaximum() const { return dMax; }
    float intensityMaximum() const { return fMax; }
    // Drawing order: (key, list index) sorted by ascending key.
    const std::vector<std::array<float, 2>>& drawingOrder() const { return order; }

    // ---- space groups -----------------------------------------------------------
    // Resolves a symbol, installs its setting and writes the operation listing.
    void SGTAB_find(const std::string& symbol);
    int16_t SGTAB_findHallEntry(std::string& symbol) const;
    symmetry::EntryStrings SGTAB_getEntry(int row);
    symmetry::EntryStrings SGTAB_lookup(int16_t number, const std::string& hm, const std::string& hall) const;
    std::vector<std::string> SGTAB_getHalls() const { return hallList; }
    void SGTAB_getHallMatrices(const std::string& hall);
    // Picks another setting of the current group from the Hall list.
    void changeHall(int16_t index);
    const symmetry::SymmetryOps& symmetryState() const { return symmetry_; }
    int16_t opCount() const { return static_cast<int16_t>(symmetry_.ops.size()); }
    // The row chosen by the last SGTAB_find or changeHall, -1 before any.
    int currentRow() const { return currentRow_; }
    // Gamma of the last .csf cell read; decides rhombohedral axes for "R" symbols.
    float recordedGamma = 0;

private:
    void setHINT(const std::string& text) const;
    void writeSymmetryListing() const;

    EngineOwner* owner = nullptr;

    std::array<float, 7> cell{5, 5, 5, 90, 90, 90, 125};
    engine::CellMetric metric{{5, 5, 5, 90, 90, 90}};
    std::array<std::array<float, 3>, 3> orientation{};
    std::array<float, 3> kaLines{};

    std::vector<int16_t> listH, listK, listL;
    std::vector<float> listD, listF;
    std::vector<std::array<float, 2>> order;
    float dMin = 0;
    float dMax = 0;
    float fMax = 0;
    float filmWidth = 90, filmHeight = 120;
    float spacingThreshold = 0;
    float labelThreshold = 0.5f;
    float zoom = 1.0f;
    float spotSize = 5.0f;
    float currentSpotRadius = 0;

    symmetry::SymmetryOps symmetry_;
    engine::ExtinctionRules extinction_;
    std::vector<std::string> hallList;
    int currentRow_ = -1;
};

}  // namespace lumora
