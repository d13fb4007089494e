// Band sequences read exactly, as a person at the bench wants them: the value
// to the last digit, its tolerance and the range it allows, from each end
// whose bands make sense. Pure C++, no toolkit.
#pragma once

#include "calc_core/ohms.h"
#include "calc_core/standard_values.h"

#include <string>
#include <string_view>
#include <vector>

namespace calc {

struct ExactReading {
    bool reverse = false; // read from the last band chosen
    Ohms value, low, high;
    const char* tolerance = "-"; // "5%", "20%" for three bands, "-" for none (0 Ohm)
    Series series = Series::None;
    int tc = 0; // ppm/K of a sixth band, 0 for none
};

struct ExactReadings {
    std::vector<ExactReading> readings; // forward first
    std::string error;                  // Italian, "" when a reading was made
};

// Three bands: two digits and a multiplier (20 %); four: two digits, a
// multiplier and a tolerance; five: three digits, a multiplier and a
// tolerance; six: five and a temperature coefficient. Digits must be 0..9,
// the tolerance band must stand for a tolerance and the sixth for a
// coefficient; a sequence that reads alike from both ends gives one line.
// One "nero" alone is a 0 Ohm link.
ExactReadings read_exact(std::string_view bande);

// The range a tolerance in hundredths of a percent allows around a value.
Ohms tolerance_low(const Ohms& v, int hundredths);
Ohms tolerance_high(const Ohms& v, int hundredths);

} // namespace calc
