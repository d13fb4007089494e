// The codes printed on surface-mount resistors: three digits ("472", 5 %),
// four digits ("4702", 1 %), "R" for the decimal point ("4R7", "R47"), and
// EIA-96 ("01C" = 10 kOhm, 1 %). Pure C++, no toolkit.
#pragma once

#include "calc_core/exact_reading.h"

#include <string>
#include <string_view>

namespace calc {

struct SmdReading {
    const char* kind = ""; // "3 cifre", "4 cifre" or "EIA-96"
    ExactReading reading;  // the value, its usual tolerance and series
    std::string error;     // Italian, naming what could not be read
};

// Reads a code in any case. A trailing "R" after two digits is the decimal
// point (47R = 47 Ohm); EIA-96 writes x0.01 as "Y" (also "R" elsewhere), so
// "Y" it is here, with "S" and "H" for "X" and "B".
SmdReading read_smd(std::string_view code);

// The codes a value has; "" where it has none of a kind: three digits for an
// E24 value (5 %), four digits for a value of the 1 % series (E96 and E24),
// EIA-96 for an E96 value.
struct SmdCodes {
    std::string three, four, eia96;
};
SmdCodes smd_codes(const Ohms& v);

} // namespace calc
