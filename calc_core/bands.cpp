// Band names and tolerances as text.
#include "calc_core/bands.h"

#include "base/ascii.h"
#include "base/blanks.h"

#include <string>

namespace calc {

using base::same_ascii_letters;

const char* band_name(unsigned char b) {
    return b < kReadingBands ? facts(b).name : "";
}

std::optional<unsigned char> band_from_name(std::string_view name) {
    name = blank_trimmed(name);
    for (unsigned char b = 0; b < kReadingBands; ++b)
        if (same_ascii_letters(name, facts(b).name) || same_ascii_letters(name, facts(b).english))
            return b;
    if (same_ascii_letters(name, "purple")) return 7;
    if (same_ascii_letters(name, "gray")) return 8;
    return std::nullopt;
}

const char* tolerance_text(unsigned char b) {
    return has_tolerance(b) ? kBands[b].tolerance : "-";
}

std::optional<unsigned char> tolerance_band(std::string_view text) {
    text = blank_trimmed(text);
    if (text.ends_with('%')) text = blank_trimmed(text.substr(0, text.size() - 1));
    std::string written(text);
    for (char& c : written)
        if (c == ',') c = '.';
    if (written.empty()) return std::nullopt;
    for (unsigned char b = 0; b < kBands.size(); ++b)
        if (has_tolerance(b) && kBands[b].tolerance == written + "%") return b;
    return std::nullopt;
}

std::optional<unsigned char> tolerance_of(std::string_view text) {
    if (const auto b = tolerance_band(text)) return b;
    const auto b = band_from_name(text);
    if (b && has_tolerance(*b)) return b;
    return std::nullopt;
}

std::optional<unsigned char> tc_band(std::string_view text) {
    text = blank_trimmed(text);
    if (const auto b = band_from_name(text)) return has_tc(*b) ? b : std::nullopt;
    for (std::string_view unit : {"ppm/K", "ppm/k", "ppm"})
        if (text.ends_with(unit)) {
            text = blank_trimmed(text.substr(0, text.size() - unit.size()));
            break;
        }
    for (unsigned char b = 0; b < kBands.size(); ++b)
        if (has_tc(b) && text == std::to_string(kBands[b].tc)) return b;
    return std::nullopt;
}

std::string tolerance_list() {
    std::string out;
    for (const Band& b : kBands)
        if (b.tolerance) out.append(out.empty() ? "" : ", ").append(b.tolerance);
    return out;
}

std::string tc_list() {
    std::string out;
    for (const Band& b : kBands)
        if (b.tc != 0) out.append(out.empty() ? "" : ", ").append(std::to_string(b.tc));
    return out + " ppm/K";
}

std::optional<unsigned char> multiplier_band(int exponent) {
    for (unsigned char b = 0; b < kReadingBands; ++b)
        if (facts(b).exponent == exponent) return b;
    return std::nullopt;
}

} // namespace calc
