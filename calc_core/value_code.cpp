// Values as text and as colour bands.
#include "calc_core/value_code.h"

#include "base/blanks.h"

#include <array>
#include <limits>
#include <utility>

namespace calc {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// The exponent of a unit letter, or -1 when c is none.
int unit_exponent(char c) {
    switch (c) {
    case 'R':
    case 'r':
        return 0;
    case 'k':
    case 'K':
        return 3;
    case 'M':
        return 6;
    case 'G':
    case 'g':
        return 9;
    default:
        return -1;
    }
}

ParsedValue refused(std::string error) {
    return {{}, std::move(error)};
}

} // namespace

ParsedValue parse_value(std::string_view text) {
    text = blank_trimmed(text);
    for (std::string_view ohm : {"\xCE\xA9", "\xE2\x84\xA6"}) // Greek omega, ohm sign
        if (text.ends_with(ohm)) text.remove_suffix(ohm.size());
    if (text.size() >= 3 && same_letters(text.substr(text.size() - 3), "ohm"))
        text.remove_suffix(3);
    text = blank_trimmed(text);
    if (text.empty()) return refused("valore mancante");

    std::uint64_t significand = 0;
    int after_point = 0, unit = 0;
    bool point = false, has_unit = false, has_digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool last = i + 1 == text.size();
        if (c >= '0' && c <= '9') {
            if (significand > (std::numeric_limits<std::uint64_t>::max() - 9) / 10)
                return refused("troppe cifre");
            significand = 10 * significand + static_cast<unsigned>(c - '0');
            after_point += point;
            has_digit = true;
        } else if (c == '.' || c == ',') {
            if (point) return refused("più di un separatore decimale");
            point = true;
        } else if (unit_exponent(c) >= 0) {
            if (has_unit) return refused("più di una lettera di unità");
            has_unit = true;
            unit = unit_exponent(c);
            // Inside the number ("4k7") the letter is also the decimal point.
            if (!last) {
                if (point) return refused("più di un separatore decimale");
                point = true;
            }
        } else if (c == 'm') {
            return refused("\"m\" è ambiguo (milli o mega): scrivere M per i megaohm, "
                           "R per la virgola (0R22)");
        } else if (c == ' ' && i + 2 == text.size() && unit_exponent(text[i + 1]) >= 0) {
            continue; // "4.7 k", as in "4.7 kOhm"
        } else {
            return refused("carattere non valido: \"" + std::string(1, c) + "\"");
        }
    }
    if (!has_digit) return refused("mancano le cifre");
    return {make_ohms(significand, unit - after_point), ""};
}

Encoding encode_value(const Ohms& v, int band_count, std::optional<unsigned char> tolerance) {
    Encoding out;
    if (band_count < 3 || band_count > 5) {
        out.error = "le bande sono 3, 4 o 5";
        return out;
    }
    if (band_count == 3 && tolerance) {
        out.error = "con 3 bande non c'è la banda di tolleranza";
        return out;
    }
    if (band_count > 3 && !tolerance) tolerance = default_tolerance(band_count);
    if (tolerance && !has_tolerance(*tolerance)) {
        out.error = std::string("\"") + band_name(*tolerance) + "\" non indica una tolleranza";
        return out;
    }
    if (v.significand == 0) {
        out.error = "0 Ohm: una resistenza nulla ha una sola banda nera";
        return out;
    }

    // Whether the value is standard, by its significant digits alone.
    const int n = digit_count(v.significand);
    if (n <= 3)
        out.series =
            significand_series(static_cast<int>(v.significand * power10(3 - n)), tolerance);
    if (out.series == Series::None) {
        // The decade of the value: v lies in [100, 1000) x 10^decade. Series
        // values t x 10^decade are compared with v in whole numbers.
        const int decade = v.exponent + n - 3;
        const std::uint64_t lhs = n <= 3 ? v.significand * power10(3 - n) : v.significand;
        const std::uint64_t scale = n <= 3 ? 1 : power10(n - 3);
        const std::vector<int> values = series_values(judged_series(tolerance).front());
        out.above = make_ohms(100, decade + 1);
        for (int t : values) {
            const std::uint64_t rhs = static_cast<std::uint64_t>(t) * scale;
            if (rhs < lhs) out.below = make_ohms(static_cast<std::uint64_t>(t), decade);
            if (rhs > lhs) {
                out.above = make_ohms(static_cast<std::uint64_t>(t), decade);
                break;
            }
        }
    }

    const int digits = band_count == 5 ? 3 : 2;
    if (n > digits) {
        out.error = ohms_text(v) + " ha " + std::to_string(n) + " cifre significative: con " +
                    std::to_string(band_count) + " bande se ne scrivono " + std::to_string(digits);
        return out;
    }
    const int multiplier = v.exponent - (digits - n);
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
    return out;
}

} // namespace calc
