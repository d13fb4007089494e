// One question to resistenze-codice, answered as rows: colours to read (one
// row per reading, every combination of uncertain bands too), a value to
// code, an SMD code to read, the window's lines, or standard values that
// combine into a value. The command line parses its options and writes the
// rows out, as text or JSON. Pure C++, no toolkit.
#pragma once

#include "calc_core/combine.h"
#include "calc_core/exact_reading.h"
#include "calc_core/readings.h"
#include "calc_core/smd.h"
#include "calc_core/value_code.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

struct QueryOptions {
    bool window = false;                    // colours give the window's five lines
    bool smd = false;                       // every query is an SMD code
    std::optional<unsigned char> tolerance; // last band of the codes of a value
    std::optional<unsigned char> tc;        // a six-band code too, with this sixth band
    std::optional<Series> combine;          // standard values of this series that make the value
};

// At most this many combinations of uncertain bands are read.
inline constexpr std::size_t kMostCombinations = 10000;

enum class RowKind {
    Reading,     // a value read from colours or from an SMD code
    Field,       // one of the window's lines
    Code,        // the colours of a value on one band count
    Smd,         // an SMD code of a value
    Combination, // standard values that make a value, in series or in parallel
    Count,       // how many combinations of uncertain bands were read
};

struct Row {
    RowKind kind = RowKind::Reading;
    // The first column: "diretta", "inversa", "SMD 3 cifre", "4 bande",
    // "singola", "serie", "parallelo" ...; the window's line number 0..4.
    std::string direction;
    std::size_t slot = 0;
    Ohms value, low, high;             // Reading
    const char* tolerance = "-";       // Reading, Code, Smd: "5%", "20%", "-"
    Series series = Series::None;      // Reading, Field, Code
    int tc = 0;                        // ppm/K of a sixth band, 0 for none
    std::string bands;                 // Code; Reading of uncertain bands: one byte per band
    std::string text;                  // Field: the line; Smd: the code, "" for none
    std::vector<Neighbour> neighbours; // Code: standard values beside one that is none
    std::string reason;                // Code: why the colours cannot code the value
    std::vector<Part> parts;           // Combination: the resistors
    int deviation = 0;                 // Combination: hundredths of a percent from the value
    std::size_t combinations = 0, readings = 0, standard = 0; // Count
};

struct Answer {
    std::string query;         // as typed, blanks between words
    std::string error;         // Italian, one line, naming what could not be read
    std::optional<Ohms> value; // the value asked about, for a value or a combination
    std::vector<Row> rows;
};

// "smd:" before a code asks for an SMD reading whatever the options say. A
// first word with a digit is a value ("4.7 kOhm" may come as two words);
// otherwise the words are colour names, Italian or English, or alternatives
// of them ("rosso/arancio"), or "_" or "?" for a band of any colour.
Answer answer(std::string_view query, const QueryOptions& options);

// The words of a line, separated by blanks or tabs.
std::vector<std::string> split_words(std::string_view line);

} // namespace calc
