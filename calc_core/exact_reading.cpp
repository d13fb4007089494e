// Exact readings of a band sequence.
#include "calc_core/exact_reading.h"

#include "calc_core/bands.h"

namespace calc {

Ohms tolerance_low(const Ohms& v, int hundredths) {
    return make_ohms(v.significand * static_cast<std::uint64_t>(10000 - hundredths),
                     v.exponent - 4);
}

Ohms tolerance_high(const Ohms& v, int hundredths) {
    return make_ohms(v.significand * static_cast<std::uint64_t>(10000 + hundredths),
                     v.exponent - 4);
}

namespace {

std::string quoted(unsigned char b, std::size_t position) {
    std::string out(1, '"');
    out.append(band_name(b)).append("\" (banda ").append(std::to_string(position)) += ')';
    return out;
}

// One reading of bands b[0..L-1] in the order given, or why there is none.
std::string read_one(std::string_view b, bool reverse, ExactReading& out) {
    const std::size_t L = b.size();
    const BandLayout layout = layout_of(L);
    // Band positions as the user chose them.
    const auto at = [&](int i) { return reverse ? L - static_cast<std::size_t>(i) : i + 1u; };
    std::uint64_t significand = 0;
    std::string digit_bands;
    for (int i = 0; i < layout.digits; ++i) {
        const auto d = static_cast<unsigned char>(b[i]);
        if (!is_decimal_digit(d)) return quoted(d, at(i)) + " non è una cifra";
        significand = 10 * significand + d;
        digit_bands += static_cast<char>(d);
    }
    const auto m = static_cast<unsigned char>(b[layout.multiplier]);
    out.reverse = reverse;
    out.value = make_ohms(significand, facts(m).exponent);
    int hundredths = kNoBandTolerance_hundredths;
    out.tolerance = kNoBandTolerance;
    if (layout.tolerance >= 0) {
        const auto t = static_cast<unsigned char>(b[layout.tolerance]);
        if (!has_tolerance(t))
            return quoted(t, at(layout.tolerance)) + " non indica una tolleranza";
        hundredths = kBands[t].tolerance_hundredths;
        out.tolerance = kBands[t].tolerance;
        out.series = reading_series(digit_bands, t);
    } else {
        out.series = reading_series(digit_bands, std::nullopt);
    }
    if (layout.tc >= 0) {
        const auto c = static_cast<unsigned char>(b[layout.tc]);
        if (!has_tc(c))
            return quoted(c, at(layout.tc)) + " non indica un coefficiente di temperatura";
        out.tc = kBands[c].tc;
    }
    out.low = tolerance_low(out.value, hundredths);
    out.high = tolerance_high(out.value, hundredths);
    return "";
}

} // namespace

ExactReadings read_exact(std::string_view bande) {
    ExactReadings out;
    for (const char b : bande)
        if (static_cast<unsigned char>(b) >= kReadingBands) {
            out.error = "banda sconosciuta";
            return out;
        }
    const std::size_t L = bande.size();
    if (L == 1 && static_cast<unsigned char>(bande[0]) == kNero) {
        out.readings.push_back({}); // 0 Ohm, no tolerance
        return out;
    }
    if (L < 3) {
        out.error = "troppo poche bande: " + std::to_string(L) +
                    " (se ne leggono da 3 a 6; una sola nera è 0 Ohm)";
        return out;
    }
    if (L > 6) {
        out.error = "troppe bande: " + std::to_string(L) + " (al massimo 6)";
        return out;
    }
    const std::string reversed(bande.rbegin(), bande.rend());
    std::string why[2];
    ExactReading reading;
    if ((why[0] = read_one(bande, false, reading)).empty()) out.readings.push_back(reading);
    if (reversed != bande && (why[1] = read_one(reversed, true, reading)).empty())
        out.readings.push_back(reading);
    if (out.readings.empty())
        out.error =
            "nessuna lettura: " + why[0] + (why[1].empty() ? "" : "; al contrario, " + why[1]);
    return out;
}

} // namespace calc
