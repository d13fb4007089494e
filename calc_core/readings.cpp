// Band readings: the value of a band sequence under the colour-code rules,
// read from both ends, and the text of each reading. Pure: no drawing here.
#include "calc_core/readings.h"
#include "base/blanks.h"
#include "base/rounding.h"
#include "calc_core/bands.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace calc {

namespace {

// Digits times 10 to the multiplier exponent of a band. Negative exponents
// divide, so the result is the correctly rounded quotient.
double apply_multiplier(double digits, unsigned char band) {
    double m = 1.0;
    for (int i = 0; i < std::abs(kBands[band].exponent); ++i) m *= 10.0;
    return kBands[band].exponent < 0 ? digits / m : digits * m;
}

// The number of bands a rule reads, and where it finds its digits and
// multiplier: the five-band value of four bands reads them as five bands do.
std::size_t length_of(BandRule rule) {
    switch (rule) {
    case BandRule::Notice:
        return 1;
    case BandRule::ThreeBands:
        return 3;
    case BandRule::FiveOfFour:
    case BandRule::FourBands:
        return 4;
    case BandRule::FiveBands:
        return 5;
    }
    return 0;
}
BandLayout rule_layout(BandRule rule) {
    return layout_of(rule == BandRule::FiveOfFour ? 5 : length_of(rule));
}

} // namespace

std::optional<Reading> read_line(std::string_view bande, const ResultLine& line) {
    const std::size_t L = bande.size();
    if (L != length_of(line.rule)) return std::nullopt;
    unsigned char b[5];
    for (std::size_t i = 0; i < L; ++i) {
        const auto value = static_cast<unsigned char>(bande[line.reverse ? L - 1 - i : i]);
        // A byte that is no band value gives an empty line rather than a
        // reading of a colour that does not exist, and no notice.
        if (!calc::band(value)) {
            if (line.rule == BandRule::Notice) return std::nullopt;
            return Reading{};
        }
        b[i] = value;
    }
    const BandLayout layout = rule_layout(line.rule);
    const std::string_view digits(reinterpret_cast<const char*>(b),
                                  static_cast<std::size_t>(layout.digits));
    const auto value = [&](std::string suffix) {
        double d = 0.0;
        for (const char digit : digits) d = 10.0 * d + static_cast<unsigned char>(digit);
        return TIENIOSC(number_text(apply_multiplier(d, b[layout.multiplier])), suffix);
    };
    // The readings differ in the blanks after the tolerance word: two
    // forward, one reverse.
    const std::string joiner = line.reverse ? " tolleranza " : " tolleranza  ";
    Reading out;
    switch (line.rule) {
    case BandRule::Notice:
        if (is_decimal_digit(b[0])) return std::nullopt;
        out.text = "striscia di tolleranza";
        return out;
    case BandRule::ThreeBands:
        out.text = value("");
        out.series = reading_series(digits, std::nullopt);
        break;
    case BandRule::FiveOfFour:
        out.text = value(" 5 bande");
        out.series = reading_series(digits, std::nullopt, true);
        break;
    case BandRule::FourBands:
    case BandRule::FiveBands: {
        const unsigned char t = b[layout.tolerance];
        out.text = value(joiner + tolerance_text(t) + (digits.size() == 3 ? " " : ""));
        out.series = reading_series(digits, t);
        break;
    }
    }
    // A value too large to be shown is no value one can point at.
    if (blank_trimmed(out.text).empty()) out.series = Series::None;
    return out;
}

std::array<Reading, 5> read_fields(std::string_view bande) {
    std::array<Reading, 5> out;
    for (const ResultLine& line : kResultLines)
        if (auto reading = read_line(bande, line)) out[line.slot] = std::move(*reading);
    return out;
}

} // namespace calc

std::array<std::string, 5> LEGGI_BANDE(std::string_view bande) {
    std::array<std::string, 5> out;
    const auto fields = calc::read_fields(bande);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = fields[i].text;
    return out;
}

std::string TIENIOSC(const std::string& valore, const std::string& suffisso) {
    if (valore.find_first_of("Ee") != std::string::npos) return "";
    std::string_view text = blank_trimmed(valore);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0.0;
    const auto res =
        std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    // Text that is not a number gives no line rather than a made-up value.
    if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size()) return "";
    // Above the limit the whole line goes, suffix included; NaN goes too.
    if (!(v <= 100000000.0)) return "";
    // Whole ohms held as a 32-bit number: nothing below its range is a value.
    if (v < -2147483648.0) return "";
    const auto n = base::round_even(v);
    // Below zero no unit is reached.
    std::string line(1, ' ');
    line += n < 0 ? std::to_string(n) + " Ohm"
                  : calc::ohms_text(calc::make_ohms(static_cast<std::uint64_t>(n), 0),
                                    calc::UnitRule::Window);
    line += suffisso;
    return line;
}
