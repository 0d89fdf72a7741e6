// Engine state: defaults, settings, accessors and the texts of cells and reflections.
#include <algorithm>
#include <cmath>

#include "engine/LaueEngine.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora {

namespace {

[[noreturn]] void subscriptOutOfRange() { throw Error(Error::SubscriptOutOfRange, "Subscript out of range"); }

}  // namespace

clLAUE::clLAUE() { initializeAll(); }

void clLAUE::newDocument(const EngineDefaults& defaults) {
    defaults_ = defaults;
    initializeAll();
}

void clLAUE::initializeAll() {
    x_voltage = defaults_.voltage;
    x_fsd = defaults_.filmDistance;
    // A stored voltage that is not positive leaves the band open at 0 until the
    // document copies a valid voltage in.
    x_lambda_min = x_voltage > 0 ? getWavelengthMinimum() : 0.0f;
    x_hmax = x_kmax = x_lmax = 4;
    x_lambda_max = 2.5f;
    x_withIntensity = false;
    cell = {5, 5, 5, 90, 90, 90, 125};
    resetRotationMatrix();
    m_mode = 0;
    anodeIndex_ = defaults_.anodeIndex;
    intensityModel_ = defaults_.intensityModel;
    beamSource_ = defaults_.beamSource;
    range_ = defaults_.reflectionRange;
    filmWidth = defaults_.filmWidth;
    filmHeight = defaults_.filmHeight;
}

float clLAUE::getWavelengthMinimum() const {
    if (!std::isfinite(x_voltage) || x_voltage <= 0)
        throw Error(Error::InvalidCall, "Invalid voltage: the tube voltage must be a positive number of kV");
    return static_cast<float>(12.398 / x_voltage);
}

void clLAUE::getKa12() {
    // Rows 5..8 of the classic table are unused and hold no lines.
    const int index = anodeIndex_;
    if (index < 0 || index > 8) subscriptOutOfRange();
    kaLines = index < engine::kAnodeCount ? engine::anode(index).lines : std::array<float, 3>{};
}

engine::Spectrum clLAUE::spectrum() const {
    return {beamSource_, x_voltage, std::clamp(anodeIndex_, 0, engine::kAnodeCount - 1)};
}

double clLAUE::spotIntensity(int32_t n, const engine::Spectrum& spectrum) const {
    if (n < 0 || n >= list_.size()) subscriptOutOfRange();
    const engine::Reflection& r = list_[n];
    return engine::spotIntensity(r.h, r.k, r.l, r.d, labVectorOf(n), x_lambda_min, x_lambda_max, beamSource_,
                                 spectrum, harmonics_)
        .intensity;
}

float clLAUE::getCellConstant(int i) const {
    if (i < 0 || i > 6) subscriptOutOfRange();
    return cell[static_cast<std::size_t>(i)];
}

void clLAUE::setCellConstant(int i, float value) {
    if (i < 0 || i > 6) subscriptOutOfRange();
    cell[static_cast<std::size_t>(i)] = value;
}

std::string clLAUE::getCellString() const {
    using util::singleText;
    return singleText(cell[0]) + " x " + singleText(cell[1]) + " x " + singleText(cell[2]) + " <" +
           singleText(cell[3]) + " x " + singleText(cell[4]) + " x " + singleText(cell[5]) + ">";
}

float clLAUE::computeSpacing(int16_t h, int16_t k, int16_t l) const { return metric.spacing(h, k, l); }

std::string clLAUE::getHKL(int32_t i) const {
    return std::to_string(getH(i)) + " " + std::to_string(getK(i)) + " " + std::to_string(getL(i));
}

std::string clLAUE::getHKL2(int32_t i) const {
    // Each index is the last four characters of three blanks and the number.
    auto field = [](int v) {
        const std::string s = "   " + std::to_string(v);
        return s.substr(s.size() - 4);
    };
    return field(getH(i)) + field(getK(i)) + field(getL(i));
}

int16_t clLAUE::getH(int32_t i) const {
    if (i < 0 || i >= list_.size()) subscriptOutOfRange();
    return list_[i].h;
}

int16_t clLAUE::getK(int32_t i) const {
    if (i < 0 || i >= list_.size()) subscriptOutOfRange();
    return list_[i].k;
}

int16_t clLAUE::getL(int32_t i) const {
    if (i < 0 || i >= list_.size()) subscriptOutOfRange();
    return list_[i].l;
}

float clLAUE::getD(int32_t i) const {
    if (i < 0 || i >= list_.size()) subscriptOutOfRange();
    return list_[i].d;
}

float clLAUE::getF(int32_t i) const {
    if (i < 0 || i >= list_.size()) subscriptOutOfRange();
    return list_[i].f;
}

void clLAUE::setF(int32_t i, float value) {
    if (i < 0 || i >= list_.size()) subscriptOutOfRange();
    list_.rows[static_cast<std::size_t>(i)].f = value;
}

void clLAUE::setHKLLimits(int16_t h, int16_t k, int16_t l) {
    // The limits come from the cell and the threshold: h <= a / dMin already
    // holds every reflection with d >= dMin, so they are not capped further.
    x_hmax = h;
    x_kmax = k;
    x_lmax = l;
}

std::string clLAUE::thresholdNote() const {
    if (completeList_) return " (complete: d ≥ " + util::formatNumber(list_.dMin, "0.0###") + " Å)";
    if (!thresholdRaised_) return {};
    return " (d ≥ " + util::formatNumber(list_.dMin, "0.00") + " Å: index limit)";
}

void clLAUE::setFilmSize(float width, float height) {
    filmWidth = width;
    filmHeight = height;
}

}  // namespace lumora
