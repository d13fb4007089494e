// One question to resistenze-codice, answered: colours to read, a value to
// code, or an SMD code to read. The command line only parses its options and
// prints what comes back. Pure C++, no toolkit.
#pragma once

#include "calc_core/exact_reading.h"
#include "calc_core/readings.h"
#include "calc_core/smd.h"
#include "calc_core/value_code.h"

#include <array>
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
};

enum class QueryKind { Colours, Window, Value, Smd };

struct Answer {
    std::string query; // as typed, blanks between words
    QueryKind kind = QueryKind::Colours;
    std::string error;                  // Italian, one line, naming what could not be read
    std::array<Reading, 5> fields;      // Window: fields 901..905
    std::vector<ExactReading> readings; // Colours; Smd: one
    const char* smd_kind = "";          // Smd: "3 cifre", "4 cifre", "EIA-96", "0 Ohm"
    Ohms value;                         // Value
    std::vector<Encoding> codes;        // Value: 3, 4 and 5 bands, and 6 with a coefficient
    SmdCodes smd;                       // Value
};

// "smd:" before a code asks for an SMD reading whatever the options say. A
// first word with a digit is a value ("4.7 kOhm" may come as two words);
// otherwise the words are colour names, Italian or English.
Answer answer(std::string_view query, const QueryOptions& options);

// The words of a line, separated by blanks or tabs.
std::vector<std::string> split_words(std::string_view line);

} // namespace calc
