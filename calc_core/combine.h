// Standard values that make a value: the nearest one, and the best two or
// three of a series in series or in parallel, compared in exact arithmetic.
// Pure C++, no toolkit.
#pragma once

#include "calc_core/ohms.h"
#include "calc_core/standard_values.h"

#include <string>
#include <vector>

namespace calc {

// One resistor of a combination and its colours (one byte per band): three
// bands for E6, four for E12 and E24, five for the precise series, the
// tolerance band the series is sold at.
struct Part {
    Ohms value;
    std::string bands;
};

enum class Form { Single, Series, Parallel };

struct Combination {
    Form form;
    std::vector<Part> parts;
    int deviation; // of the result from the value, hundredths of a percent, halves to even
};

// The value's significant digits that a combination is sought for.
inline constexpr int kCombineDigits = 6;

// The nearest value of the series, the best two in series and in parallel,
// and the best three in series and in parallel. The parts lie in the three
// decades either side of the value's own and can be coded in colours.
// Empty for 0.
std::vector<Combination> combine(const Ohms& value, Series series);

// Whether three resistors are sought in a series.
bool combines_three(Series series);

} // namespace calc
