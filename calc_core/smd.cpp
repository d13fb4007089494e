// Surface-mount resistor codes both ways.
#include "calc_core/smd.h"

#include "base/ascii.h"
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
} kEia96Letters[] = {{'Z', "", -3}, {'Y', "R", -2}, {'X', "S", -1}, {'A', "", 0}, {'B', "H", 1},
                     {'C', "", 2},  {'D', "", 3},   {'E', "", 4},   {'F', "", 5}};

bool digits_only(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value with the usual tolerance, range and series of a kind of code;
// no resistance at all is a 0 Ohm link whatever the code looked like.
SmdReading reading_of(SmdKind kind, const Ohms& v) {
    SmdReading out;
    out.kind = v.significand == 0 ? SmdKind::Zero : kind;
    out.reading.value = v;
    if (out.kind == SmdKind::Zero) return out;
    const unsigned char t = *smd_facts(kind).tolerance;
    out.reading.tolerance = kBands[t].tolerance;
    out.reading.low = tolerance_low(v, kBands[t].tolerance_hundredths);
    out.reading.high = tolerance_high(v, kBands[t].tolerance_hundredths);
    out.reading.series = value_series(v, t);
    return out;
}

// Digits with "R" for the point, or an exponent digit at the end; below
// what that reaches, "R" first and zeros after it ("R047", "R01").
std::string point_code(const Ohms& v, int digits) {
    const int n = digit_count(v.significand);
    if (n > digits) return "";
    const std::uint64_t s = v.significand * power10(digits - n);
    const int e = v.exponent - (digits - n); // v = s x 10^e
    if (e >= 0) return e <= 9 ? std::to_string(s) + std::to_string(e) : "";
    if (-e <= digits) {
        std::string text = std::to_string(s);
        text.insert(text.size() - static_cast<std::size_t>(-e), 1, 'R');
        return text;
    }
    const int shift = v.exponent + digits; // v x 10^digits = significand x 10^shift
    if (shift < 0) return "";
    const std::string text = std::to_string(v.significand * power10(shift));
    std::string code(1, 'R');
    code.append(static_cast<std::size_t>(digits) - text.size(), '0');
    return code.append(text);
}

} // namespace

const char* smd_tolerance(SmdKind kind) {
    const auto t = smd_facts(kind).tolerance;
    return t ? kBands[*t].tolerance : "-";
}

SmdReadings read_smd(std::string_view code) {
    const std::string c = base::upper_ascii(blank_trimmed(code));
    SmdReadings out;
    const auto bad = std::find_if(c.begin(), c.end(), [](char ch) {
        return !((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z'));
    });
    if (bad != c.end()) {
        out.error = "carattere non leggibile nel codice SMD: \"" + std::string(1, *bad) + "\"";
        return out;
    }
    if (c.size() >= 1 && c.size() <= 4 && digits_only(c) && c.find_first_not_of('0') == c.npos) {
        out.readings.push_back(reading_of(SmdKind::Zero, {}));
        return out;
    }
    const SmdKind digit_kind = c.size() == 3 ? SmdKind::ThreeDigits : SmdKind::FourDigits;
    const std::size_t r = c.find('R');
    if ((c.size() == 3 || c.size() == 4) && r != std::string::npos && c.rfind('R') == r) {
        std::string digits = c;
        digits.erase(r, 1);
        if (digits_only(digits))
            out.readings.push_back(reading_of(
                digit_kind, make_ohms(std::stoull(digits), -static_cast<int>(c.size() - 1 - r))));
    }
    if ((c.size() == 3 || c.size() == 4) && digits_only(c)) {
        const std::uint64_t s = std::stoull(c.substr(0, c.size() - 1));
        out.readings.push_back(reading_of(digit_kind, make_ohms(s, c.back() - '0')));
        return out;
    }
    if (c.size() == 3 && digits_only(c.substr(0, 2))) {
        const int index = std::stoi(c.substr(0, 2));
        const auto values = series_values(Series::E96);
        for (const auto& l : kEia96Letters)
            if (c[2] == l.letter || std::string_view(l.also).find(c[2]) != std::string_view::npos) {
                // "97R" is 97 Ohm and no EIA-96 code.
                if (index >= 1 && index <= 96)
                    out.readings.push_back(reading_of(
                        SmdKind::Eia96,
                        make_ohms(static_cast<std::uint64_t>(values[index - 1]), l.exponent)));
                else if (out.readings.empty())
                    out.error = "EIA-96 va da 01 a 96, non " + c.substr(0, 2);
                return out;
            }
        out.error =
            "lettera EIA-96 sconosciuta: \"" + std::string(1, c[2]) + "\" (Z Y X A B C D E F)";
        return out;
    }
    if (out.readings.empty())
        out.error = "codice SMD non leggibile: \"" + c +
                    "\" (3 o 4 cifre, R per la virgola, o EIA-96 come 01C)";
    return out;
}

std::vector<SmdCode> smd_codes(const Ohms& v) {
    if (v.significand == 0) return {{SmdKind::Zero, "000"}};
    std::vector<SmdCode> out = {
        {SmdKind::ThreeDigits, ""}, {SmdKind::FourDigits, ""}, {SmdKind::Eia96, ""}};
    const auto series = [&](SmdKind kind) { return value_series(v, smd_facts(kind).tolerance); };
    if (series(SmdKind::ThreeDigits) == Series::E24) out[0].code = point_code(v, 2);
    if (series(SmdKind::FourDigits) != Series::None) out[1].code = point_code(v, 3);
    if (series(SmdKind::Eia96) == Series::E96) {
        const int n = digit_count(v.significand);
        const auto t = static_cast<int>(v.significand * power10(3 - n));
        const auto values = series_values(Series::E96);
        const int index =
            static_cast<int>(std::find(values.begin(), values.end(), t) - values.begin()) + 1;
        const int e = v.exponent + n - 3; // v = t x 10^e
        for (const auto& l : kEia96Letters)
            if (l.exponent == e)
                out[2].code = std::string(1, static_cast<char>('0' + index / 10)) +
                              static_cast<char>('0' + index % 10) + l.letter;
    }
    return out;
}

} // namespace calc
