// Exact values and their text.
#include "calc_core/ohms.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace calc {

Ohms make_ohms(std::uint64_t significand, int exponent) {
    if (significand == 0) return {0, 0};
    while (significand % 10 == 0) significand /= 10, ++exponent;
    return {significand, exponent};
}

int digit_count(std::uint64_t v) {
    int n = 1;
    while (v >= 10) v /= 10, ++n;
    return n;
}

std::uint64_t power10(int n) {
    std::uint64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

namespace {

// The digits of significand x 10^shift with the decimal point in place.
std::string decimal(std::uint64_t significand, int shift) {
    std::string digits = std::to_string(significand);
    if (shift >= 0) return digits.append(static_cast<std::size_t>(shift), '0');
    const auto frac = static_cast<std::size_t>(-shift);
    if (digits.size() <= frac) digits.insert(0, frac - digits.size() + 1, '0');
    const std::size_t whole = digits.size() - frac;
    return digits.substr(0, whole) + '.' + digits.substr(whole);
}

} // namespace

std::string ohms_text(const Ohms& v, UnitRule rule) {
    static constexpr struct {
        int exponent;
        const char* name;
    } kUnits[] = {{9, " GOhm"}, {6, " MOhm"}, {3, " kOhm"}};
    const int lead = v.exponent + digit_count(v.significand) - 1;
    for (const auto& unit : kUnits) {
        // Exactly 10^unit is the significand 1 at that exponent.
        const bool reached =
            rule == UnitRule::Ordinary
                ? lead >= unit.exponent
                : lead > unit.exponent || (lead == unit.exponent && v.significand != 1);
        if (v.significand != 0 && reached)
            return decimal(v.significand, v.exponent - unit.exponent) + unit.name;
    }
    return decimal(v.significand, v.exponent) + " Ohm";
}

std::string ohms_number(const Ohms& v) {
    return decimal(v.significand, v.exponent);
}

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

} // namespace calc
