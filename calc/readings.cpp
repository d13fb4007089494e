// Band readings: the value of a band sequence under the colour-code rules,
// read from both ends, and the text of each reading. Pure: no drawing here.
#include "calc/calc.h"
#include "ngbutton/ng_bottone.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace calc {

std::string number_text(double v) {
    if (!std::isfinite(v)) return "";
    if (v == 0.0) return "0";
    // 15 significant digits: one before the point and 14 after, in scientific
    // form, which is then written out as a plain decimal number.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t e_at = sci.find('e');
    std::string_view mantissa = sci.substr(0, e_at);
    int exponent = 0;
    std::from_chars(sci.data() + e_at + 1 + (sci[e_at + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exponent);

    std::string out;
    if (mantissa.front() == '-') {
        out = "-";
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char ch : mantissa)
        if (ch != '.') digits += ch;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (exponent >= 0) {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits;
            out.append(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole);
            out += '.';
            out += digits.substr(whole);
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    }
    return out;
}

namespace {

constexpr unsigned char kLastBand = 11;

// 10 to the multiplier exponent of a band: "argento" 0.01, "oro" 0.1, any
// other colour 10 to its own value. Negative exponents divide, so the result
// is the correctly rounded quotient.
double apply_multiplier(double digits, unsigned char band) {
    if (band == 10) return digits / 100.0;
    if (band == 11) return digits / 10.0;
    double m = 1.0;
    for (unsigned char i = 0; i < band; ++i) m *= 10.0;
    return digits * m;
}

const char* tolerance(unsigned char band) {
    static const char* const table[] = {"-",     "1%",   "2%",    "-", "-",   "0.5%",
                                        "0.25%", "0.1%", "0.05%", "-", "10%", "5%"};
    return table[band];
}

// One reading direction. b holds the L band values in reading order.
void read_direction(const unsigned char* b, std::size_t L, std::size_t field3, std::size_t field45,
                    const char* joiner, std::array<std::string, 5>& out) {
    switch (L) {
    case 1:
        if (b[0] > 9) out[0] = "striscia di tolleranza";
        break;
    case 3: {
        const double v = apply_multiplier(10.0 * b[0] + b[1], b[2]);
        out[field3] = TIENIOSC(number_text(v), "");
        break;
    }
    case 4: {
        const double v5 = apply_multiplier(100.0 * b[0] + 10.0 * b[1] + b[2], b[3]);
        out[4] = TIENIOSC(number_text(v5), " 5 bande");
        const double v4 = apply_multiplier(10.0 * b[0] + b[1], b[2]);
        out[field45] = TIENIOSC(number_text(v4), std::string(joiner) + tolerance(b[3]));
        break;
    }
    case 5: {
        const double v = apply_multiplier(100.0 * b[0] + 10.0 * b[1] + b[2], b[3]);
        out[field45] = TIENIOSC(number_text(v), std::string(joiner) + tolerance(b[4]) + " ");
        break;
    }
    default:
        break;
    }
}

} // namespace

} // namespace calc

namespace calc {

std::array<std::string, 5> read_one_way(std::string_view bande, bool reverse) {
    std::array<std::string, 5> out;
    const std::size_t L = bande.size();
    if (L == 0 || L > 5) return out;
    unsigned char b[5];
    for (std::size_t i = 0; i < L; ++i) {
        const auto value = static_cast<unsigned char>(bande[i]);
        // A byte that is no band value gives no reading at all, rather than
        // a reading of a colour that does not exist.
        if (value > kLastBand) return out;
        b[reverse ? L - 1 - i : i] = value;
    }
    if (reverse)
        read_direction(b, L, 2, 3, " tolleranza ", out);
    else
        read_direction(b, L, 0, 1, " tolleranza  ", out);
    return out;
}

} // namespace calc

std::array<std::string, 5> LEGGI_BANDE(std::string_view bande) {
    auto out = calc::read_one_way(bande, false);
    const auto rev = calc::read_one_way(bande, true);
    out[2] = rev[2];
    out[3] = rev[3];
    // Both readings write the five-band value of four bands; the reverse
    // one writes last and is the one kept.
    if (bande.size() == 4) out[4] = rev[4];
    // One tolerance band: both readings write the same notice.
    if (bande.size() == 1) out[0] = rev[0];
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
    const auto n = surface::round_even(v);

    double number = n;
    const char* unit = " Ohm";
    if (n > 1000000) {
        number = n / 1000000.0;
        unit = " MOhm";
    } else if (n > 1000) {
        number = n / 1000.0;
        unit = " kOhm";
    }
    std::string line(1, ' ');
    line += calc::number_text(number);
    line += unit;
    line += suffisso;
    return line;
}
