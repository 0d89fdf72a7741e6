#include "structure/HklListing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>

#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::structure {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
const std::string kRule(25, '-');

// The last four characters of three blanks followed by the number.
std::string lastFour(int n) {
    const std::string text = "   " + std::to_string(n);
    return text.substr(text.size() - 4);
}

// Print zones are 14 characters wide: after a first item of 12 characters the
// second one starts in column 15.
std::string twoZones(std::string_view first, std::string_view second) {
    std::string line(first);
    line.append(14 - line.size() % 14, ' ');
    line.append(second);
    return line;
}

// The item in the next 14-character print zone of the last line of `text`.
std::string nextZone(std::string text, std::string_view item) {
    const std::size_t lineStart = text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1;
    text.append(14 - (text.size() - lineStart) % 14, ' ');
    text.append(item);
    return text;
}

// Six significant digits, whatever the locale.
std::string significant6(float v) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6).ptr;
    return std::string(buffer, end);
}

[[noreturn]] void cannotWrite(const std::filesystem::path& path) {
    throw Error(Error::PathAccess, "Path/File access error: cannot write " + path.string());
}

// A name beside the target that no file uses yet.
std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    for (int n = 0; n < 1000; ++n) {
        auto candidate = target;
        candidate += ".tmp" + std::to_string(n);
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, ec))) return candidate;
    }
    cannotWrite(target);
}

}  // namespace

std::string hklIndexText(int h, int k, int l) { return lastFour(h) + lastFour(k) + lastFour(l); }

std::vector<HklRow> rowsByDecreasingSpacing(std::span<const int16_t> h, std::span<const int16_t> k,
                                            std::span<const int16_t> l, std::span<const float> d,
                                            std::span<const float> intensity) {
    if (k.size() != h.size() || l.size() != h.size() || d.size() != h.size() ||
        (!intensity.empty() && intensity.size() != h.size()))
        throw Error(Error::SubscriptOutOfRange,
                    "Subscript out of range: the reflection lists differ in length");
    std::vector<HklRow> rows(h.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = {h[i], k[i], l[i], d[i], intensity.empty() ? -1.0f : intensity[i]};
    // A spacing that is not a number sorts last rather than upsetting the order.
    const auto key = [](const HklRow& r) { return std::isnan(r.d) ? -INFINITY : r.d; };
    std::stable_sort(rows.begin(), rows.end(),
                     [&key](const HklRow& a, const HklRow& b) { return key(a) > key(b); });
    return rows;
}

std::string hklListingText(const std::array<float, 6>& cell, const std::vector<HklRow>& rows) {
    std::string text = "Unit Cell : ";
    // The formatter always writes a decimal point, whatever the locale.
    for (float value : cell) text += util::formatNumber(value, "0.0###") + " ";
    text += kLineEnd;
    text += kLineEnd;
    text += "   " + std::to_string(rows.size()) + " reflections ";
    text += kLineEnd;
    text += kRule;
    text += kLineEnd;
    const bool withIntensity =
        std::any_of(rows.begin(), rows.end(), [](const HklRow& r) { return r.intensity >= 0; });
    text += twoZones("   h   k   l", "d-spacing");
    if (withIntensity) text = nextZone(std::move(text), "I");
    text += kLineEnd;
    text += kRule;
    text += kLineEnd;
    for (const HklRow& row : rows) {
        std::string line = twoZones(hklIndexText(row.h, row.k, row.l), util::formatNumber(row.d, "0.00000"));
        if (withIntensity) line = nextZone(std::move(line), significant6(std::max(row.intensity, 0.0f)));
        text += line;
        text += kLineEnd;
    }
    text += kLineEnd;
    return text;
}

void writeHklListing(const std::filesystem::path& path, std::string_view text) {
    if (path.empty() || !path.has_filename()) cannotWrite(path);
    const auto temporary = temporaryBeside(path);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            cannotWrite(path);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        cannotWrite(path);
    }
}

}  // namespace lumora::structure
