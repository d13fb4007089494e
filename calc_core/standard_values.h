// Standard resistor values (the preferred-number series E6 ... E192): whether
// a reading's bands name a value one can buy, and in which series. Pure C++,
// no toolkit.
#pragma once

#include "calc_core/bands.h"
#include "calc_core/ohms.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

// "E6" ... "E192"; "-" for None.
const char* series_name(Series s);

// The values of a series within one decade, as three-digit significands
// (100 ... 988): E24 gives 100, 110, 120, 130, 150 ...; None gives none.
std::vector<int> series_values(Series s);

// The series a tolerance band is judged against, best first, as the band
// table gives them; no band (three bands, 20 %) E6. A band with no tolerance
// gets an empty list. With tolerance_pending (the five-band value of a four-band
// sequence, tolerance band not yet chosen) the list is E96, E192, E24.
std::vector<Series> judged_series(std::optional<unsigned char> tolerance_band,
                                  bool tolerance_pending = false);

// The first series of that list holding a significand of three digits
// (100 ... 999; 470 stands for 4.7, 47 and 470 alike); None if none does.
Series significand_series(int significand, std::optional<unsigned char> tolerance_band,
                          bool tolerance_pending = false);

// The series of an exact value judged for a tolerance band (none: three
// bands, 20 %): that of its significant digits when they are at most three;
// None for 0 and for longer values.
Series value_series(const Ohms& v, std::optional<unsigned char> tolerance_band);

// The series of one reading from its bands: the digit bands (two or three
// band values) and its tolerance band, if it has one. None unless every digit
// band is a digit 0..9, the first one is not 0, and the tolerance band has a
// tolerance.
Series reading_series(std::string_view digit_bands, std::optional<unsigned char> tolerance_band,
                      bool tolerance_pending = false);

// A standard value next to one that is none, and how far it lies from it in
// hundredths of a percent (+141 for 1.41 % above).
struct Neighbour {
    Series series;
    Ohms value;
    int deviation;
};

// The standard value of every series a tolerance band accepts (judged_series)
// just below and just above v, in that order; none when v is in one of them
// or is 0.
std::vector<Neighbour> neighbours(const Ohms& v, std::optional<unsigned char> tolerance_band);

// "+1.41%", "-3.33%": a deviation in hundredths of a percent as text.
std::string deviation_text(int hundredths);

// For each of the window's five result lines, the series of the reading that the field
// shows for this band sequence (one byte per band, 0..11); None where the
// field stays empty or shows no standard value.
std::array<Series, 5> standard_series(std::string_view bande);

} // namespace calc
