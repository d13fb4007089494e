// Band readings: which reading of a band sequence writes which result line,
// and the text of each reading. Pure and toolkit-free: no drawing, no
// window, nothing but the standard library.
#pragma once

#include "calc_core/ohms.h"
#include "calc_core/standard_values.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace calc {

// What a reading makes of a sequence of one length.
enum class BandRule {
    Notice,     // one band: the tolerance-strip notice, for "argento" or "oro" only
    ThreeBands, // two digits and a multiplier
    FiveOfFour, // four bands as the first four of five: three digits and a multiplier
    FourBands,  // two digits, a multiplier and a tolerance
    FiveBands,  // three digits, a multiplier and a tolerance
};

// One reading that writes a result line: the line it writes (0 for the
// first of the five), the end it reads from and its rule.
struct ResultLine {
    std::size_t slot;
    bool reverse; // read from the last band chosen
    BandRule rule;
};

// Every reading, in the order the lines are written: the forward readings,
// then the reverse ones, so a line written by both (the notice, and the
// five-band value of four bands in the last line) ends as the reverse reading has it.
// A sequence of a given length takes the rows of that length only.
inline constexpr std::array<ResultLine, 10> kResultLines = {{
    {0, false, BandRule::Notice},
    {0, false, BandRule::ThreeBands},
    {4, false, BandRule::FiveOfFour},
    {1, false, BandRule::FourBands},
    {1, false, BandRule::FiveBands},
    {0, true, BandRule::Notice},
    {2, true, BandRule::ThreeBands},
    {4, true, BandRule::FiveOfFour},
    {3, true, BandRule::FourBands},
    {3, true, BandRule::FiveBands},
}};

// What a reading writes: the line, before blanks are trimmed, and the series
// of the standard value it shows (None for an empty line, the notice, or a
// value no series holds).
struct Reading {
    std::string text;
    Series series = Series::None;
};

// The reading of the band sequence for one result line, or nothing when it
// does not apply to it (another length, or the notice for a band that is no
// tolerance band).
std::optional<Reading> read_line(std::string_view bande, const ResultLine& line);

// The five result lines as the readings leave them: every row of
// kResultLines applied in turn, the fields no reading writes left empty.
std::array<Reading, 5> read_fields(std::string_view bande);

} // namespace calc

// The five result lines that a band sequence produces,
// before blanks are trimmed for display: every reading of kResultLines
// applied in turn, the fields no reading writes left "".
std::array<std::string, 5> LEGGI_BANDE(std::string_view bande);

// Formats a value text with unit and suffix; "" above 100000000 or in
// exponent form.
std::string TIENIOSC(const std::string& valore, const std::string& suffisso);
