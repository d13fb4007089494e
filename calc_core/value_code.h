// Resistance values as text and as colour bands: reading a value such as
// "4k7" exactly, and coding it on three, four or five bands. Pure C++, no
// toolkit.
#pragma once

#include "calc_core/ohms.h"
#include "calc_core/standard_values.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calc {

struct ParsedValue {
    Ohms value;
    std::string error; // Italian, "" when the text is a value
};

// Reads "4700", "4.7k", "4,7k", "4k7", "4K7", "4R7", "R47", "0R22", "1M",
// "2M2", "1G", "4.7 kOhm", with an optional "Ohm", "ohm" or "Ω" at the end.
// A lower-case "m" is refused: it could mean milli or mega.
ParsedValue parse_value(std::string_view text);

struct Encoding {
    std::string bands;            // one byte per band (0..11), as the band sequence holds
                                  // them; empty when the value cannot be coded exactly
    std::string error;            // Italian, "" when bands holds the value
    Series series = Series::None; // the series the value belongs to, judged for
                                  // its tolerance as a reading would be
    // When the value is in none of those series: the nearest values of the
    // tolerance's own series (E6, E12, E24, E48, E96, E192) on either side.
    std::optional<Ohms> below, above;
};

// Codes a value on 3 (two digits, multiplier; 20 %), 4 (two digits,
// multiplier, tolerance) or 5 bands (three digits, multiplier, tolerance),
// the tolerance band default_tolerance() unless given.
Encoding encode_value(const Ohms& v, int band_count,
                      std::optional<unsigned char> tolerance = std::nullopt);

} // namespace calc
