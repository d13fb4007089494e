// Resistance values as text and as colour bands: reading a value such as
// "4k7" exactly, and coding it on three to six bands. Pure C++, no
// toolkit.
#pragma once

#include "calc_core/ohms.h"
#include "calc_core/standard_values.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

// What parse_value reads: 0, or 0.001 Ohm to 999 GOhm, exactly, in at most
// kMostDigits significant digits; the one refusal of a value outside.
inline constexpr std::size_t kMostDigits = 19;
inline constexpr const char* kValueRange =
    "si leggono 0 e i valori da 0.001 Ohm a 999 GOhm, con al più 19 cifre significative";

// A text the user typed, between quotes, cut after 40 bytes with "…".
std::string quoted_input(std::string_view text);

struct ParsedValue {
    Ohms value;
    std::string error; // Italian, "" when the text is a value
};

// Reads "4700", "4.7k", "4,7k", "4k7", "4K7", "4R7", "R47", "0R22", "1M",
// "2M2", "1G", "4.7 kOhm", "1e3", "4.7E-3", with an optional "Ohm", "Ohms",
// "ohm" or "Ω" at the end and "kilo", "mega", "meg" (as "1.5MEG") or "giga"
// before it. A lower-case "m" is refused: it could mean milli or mega; so is
// "4,700", which reads 4.7 Ohm here and 4700 Ohm in English. A refusal names
// the character or the word it could not read, or the range.
ParsedValue parse_value(std::string_view text);

struct Encoding {
    int band_count = 0;
    std::optional<unsigned char> tolerance; // the tolerance band; none for 3 bands (20 %)
    int tc = 0;                             // ppm/K of the sixth band
    std::string bands;                      // one byte per band (0..11), as the band sequence holds
                                            // them; empty when the value cannot be coded exactly
    std::string error;                      // Italian, "" when bands holds the value
    Series series = Series::None;           // the series the value belongs to, judged for
                                            // its tolerance as a reading would be
    // When the value is in none of those series: the nearest values of each
    // series the tolerance accepts, on either side.
    std::vector<Neighbour> neighbours;
};

// Codes a value on 3 (two digits, multiplier; 20 %), 4 (two digits,
// multiplier, tolerance), 5 bands (three digits, multiplier, tolerance) or 6
// (five and the temperature coefficient band tc), the tolerance band
// default_tolerance() unless given.
Encoding encode_value(const Ohms& v, int band_count,
                      std::optional<unsigned char> tolerance = std::nullopt,
                      std::optional<unsigned char> tc = std::nullopt);

} // namespace calc
