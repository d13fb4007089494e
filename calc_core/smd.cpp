// Surface-mount resistor codes both ways.
#include "calc_core/smd.h"

#include "base/blanks.h"
#include "calc_core/bands.h"

#include <algorithm>

namespace calc {

namespace {

// EIA-96 multiplier letters from 10^-3 to 10^5; the second string holds the
// other letters in use for the same multiplier.
constexpr struct {
    char letter;
    const char* also;
    int exponent;
} kEia96Letters[] = {{'Z', "", -3}, {'Y', "", -2}, {'X', "S", -1}, {'A', "", 0}, {'B', "H", 1},
                     {'C', "", 2},  {'D', "", 3},  {'E', "", 4},   {'F', "", 5}};

bool digits_only(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Fills the value's tolerance, range and series for the usual tolerance of
// a kind of code.
SmdReading reading_of(const char* kind, const Ohms& v, unsigned char tolerance) {
    SmdReading out;
    out.kind = kind;
    out.reading.value = v;
    out.reading.tolerance = kBands[tolerance].tolerance;
    out.reading.low = tolerance_low(v, kBands[tolerance].tolerance_hundredths);
    out.reading.high = tolerance_high(v, kBands[tolerance].tolerance_hundredths);
    const int n = digit_count(v.significand);
    if (v.significand != 0 && n <= 3)
        out.reading.series =
            significand_series(static_cast<int>(v.significand * power10(3 - n)), tolerance);
    return out;
}

// Digits with "R" for the point, or an exponent digit at the end.
std::string point_code(const Ohms& v, int digits) {
    const int n = digit_count(v.significand);
    if (n > digits) return "";
    const std::uint64_t s = v.significand * power10(digits - n);
    const int e = v.exponent - (digits - n); // v = s x 10^e
    if (e >= 0) return e <= 9 ? std::to_string(s) + std::to_string(e) : "";
    const int frac = -e;
    if (frac > digits) return ""; // below what "R" can write
    std::string text = std::to_string(s);
    text.insert(text.size() - static_cast<std::size_t>(frac), 1, 'R');
    return text;
}

} // namespace

SmdReading read_smd(std::string_view code) {
    std::string c(blank_trimmed(code));
    for (char& ch : c)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    SmdReading out;
    if (c.size() >= 1 && c.size() <= 4 && c.find_first_not_of('0') == std::string::npos) {
        out.kind = "0 Ohm";
        return out;
    }
    const auto bad = std::find_if(c.begin(), c.end(), [](char ch) {
        return !((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z'));
    });
    if (bad != c.end()) {
        out.error = "carattere non leggibile nel codice SMD: \"" + std::string(1, *bad) + "\"";
        return out;
    }
    const std::size_t r = c.find('R');
    if ((c.size() == 3 || c.size() == 4) && r != std::string::npos && c.rfind('R') == r) {
        std::string digits = c;
        digits.erase(r, 1);
        if (digits_only(digits)) {
            const int frac = static_cast<int>(c.size() - 1 - r);
            return reading_of(c.size() == 3 ? "3 cifre" : "4 cifre",
                              make_ohms(std::stoull(digits), -frac),
                              c.size() == 3 ? kOro : kMarrone);
        }
    }
    if ((c.size() == 3 || c.size() == 4) && digits_only(c)) {
        const std::uint64_t s = std::stoull(c.substr(0, c.size() - 1));
        return reading_of(c.size() == 3 ? "3 cifre" : "4 cifre", make_ohms(s, c.back() - '0'),
                          c.size() == 3 ? kOro : kMarrone);
    }
    if (c.size() == 3 && digits_only(c.substr(0, 2))) {
        const int index = std::stoi(c.substr(0, 2));
        const auto values = series_values(Series::E96);
        for (const auto& l : kEia96Letters)
            if (c[2] == l.letter || std::string_view(l.also).find(c[2]) != std::string_view::npos) {
                if (index < 1 || index > 96) {
                    out.error = "EIA-96 va da 01 a 96, non " + c.substr(0, 2);
                    return out;
                }
                return reading_of(
                    "EIA-96", make_ohms(static_cast<std::uint64_t>(values[index - 1]), l.exponent),
                    kMarrone);
            }
        out.error =
            "lettera EIA-96 sconosciuta: \"" + std::string(1, c[2]) + "\" (Z Y X A B C D E F)";
        return out;
    }
    out.error = "codice SMD non leggibile: \"" + c +
                "\" (3 o 4 cifre, R per la virgola, o EIA-96 come 01C)";
    return out;
}

SmdCodes smd_codes(const Ohms& v) {
    SmdCodes out;
    if (v.significand == 0) return out;
    const int n = digit_count(v.significand);
    if (n > 3) return out;
    const int t = static_cast<int>(v.significand * power10(3 - n));
    if (significand_series(t, kOro) == Series::E24) out.three = point_code(v, 2);
    if (significand_series(t, kMarrone) != Series::None) out.four = point_code(v, 3);
    if (significand_series(t, kMarrone) == Series::E96) {
        const auto values = series_values(Series::E96);
        const auto at = std::find(values.begin(), values.end(), t);
        const int e = v.exponent + n - 3; // v = t x 10^e
        for (const auto& l : kEia96Letters)
            if (l.exponent == e) {
                const int index = static_cast<int>(at - values.begin()) + 1;
                out.eia96 = std::string(1, static_cast<char>('0' + index / 10)) +
                            static_cast<char>('0' + index % 10) + l.letter;
            }
    }
    return out;
}

} // namespace calc
