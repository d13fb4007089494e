// Values as text and as colour bands.
#include "calc_core/value_code.h"

#include "calc_core/bands.h"

#include <string>

namespace calc {

Encoding encode_value(const Ohms& v, int band_count, std::optional<unsigned char> tolerance,
                      std::optional<unsigned char> tc) {
    Encoding out;
    out.band_count = band_count;
    if (band_count < 3 || band_count > 6) {
        out.error = "le bande sono 3, 4, 5 o 6";
        return out;
    }
    if (band_count == 3 && tolerance) {
        out.error = "con 3 bande non c'è la banda di tolleranza";
        return out;
    }
    if (band_count > 3 && !tolerance) tolerance = default_tolerance(band_count);
    out.tolerance = tolerance;
    if (tolerance && !has_tolerance(*tolerance)) {
        out.error = std::string("\"") + band_name(*tolerance) + "\" non indica una tolleranza";
        return out;
    }
    if ((band_count == 6) != tc.has_value() || (tc && !has_tc(*tc))) {
        out.error = "il coefficiente di temperatura è la sesta banda, e solo quella";
        return out;
    }
    if (tc) out.tc = kBands[*tc].tc;
    if (v.significand == 0) {
        out.error = "0 Ohm: una resistenza nulla ha una sola banda nera";
        return out;
    }

    const int n = digit_count(v.significand);
    out.series = value_series(v, tolerance);
    out.neighbours = neighbours(v, tolerance);

    const int digits = layout_of(static_cast<std::size_t>(band_count)).digits;
    if (n > digits) {
        out.error = ohms_text(v) + " ha " + std::to_string(n) + " cifre significative: con " +
                    std::to_string(band_count) + " bande se ne scrivono " + std::to_string(digits);
        return out;
    }
    const int multiplier = v.exponent - (digits - n);
    // Pink (x0.001) is the only multiplier of its exponent, so it comes in
    // only where nothing else codes the value.
    const auto multiplier_colour = multiplier_band(multiplier);
    if (!multiplier_colour) {
        out.error = ohms_text(v) + " è fuori dai moltiplicatori: con " +
                    std::to_string(band_count) + " bande si va da " +
                    ohms_text(make_ohms(power10(digits - 1), kLowestExponent)) + " a " +
                    ohms_text(make_ohms(power10(digits) - 1, kHighestExponent));
        return out;
    }
    const std::string code = std::to_string(v.significand * power10(digits - n));
    for (char c : code) out.bands += static_cast<char>(c - '0');
    out.bands += static_cast<char>(*multiplier_colour);
    if (tolerance) out.bands += static_cast<char>(*tolerance);
    if (tc) out.bands += static_cast<char>(*tc);
    return out;
}

} // namespace calc
