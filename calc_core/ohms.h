// Resistance values held exactly, and the one way a value becomes text with
// its unit. Pure C++, no toolkit.
#pragma once

#include <cstdint>
#include <string>

namespace calc {

// An exact resistance: significand x 10^exponent ohms, the significand without
// trailing zeros (0 for no resistance at all).
struct Ohms {
    std::uint64_t significand = 0;
    int exponent = 0;
    friend bool operator==(const Ohms&, const Ohms&) = default;
};

// Brings any significand and exponent to the form above.
Ohms make_ohms(std::uint64_t significand, int exponent);

// The number of decimal digits of a significand, and 10^n.
int digit_count(std::uint64_t v);
std::uint64_t power10(int n);

// When a value moves to the next unit.
enum class UnitRule {
    Ordinary, // from 1000 on: "1 kOhm", "1 MOhm", "1 GOhm"
    Window,   // only above it, as the window's lines have it: "1000 Ohm", "1000 kOhm"
};

// "4.7 kOhm", "0.22 Ohm", "100 MOhm", "1 GOhm": the number in the largest
// unit the rule allows, "." as decimal point, no trailing zeros.
std::string ohms_text(const Ohms& v, UnitRule rule = UnitRule::Ordinary);

// The value in ohms as a plain decimal number ("4700", "0.47").
std::string ohms_number(const Ohms& v);

// Plain decimal text: at most 15 significant digits, "." whatever the locale,
// no exponent, no thousands separator, no trailing zeros ("4.7", "1000", "0").
std::string number_text(double v);

} // namespace calc
