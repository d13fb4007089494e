// What resistenze-codice prints for an answer: tab-separated lines, or one
// JSON object per query (JSON Lines). Both write out the answer's rows and
// nothing else.
#pragma once

#include "calc_core/query.h"

#include <string>

namespace cli {

// The window's five result lines are its fields 901 to 905.
inline constexpr int kFirstField = 901;

// How the parts of a combination are joined: " + " in series, " ∥ " in
// parallel.
inline const char* joiner(const calc::Row& row) {
    return row.direction == "parallelo" ? " \u2225 " : " + ";
}

std::string text_block(const calc::Answer& answer);
std::string json_line(const calc::Answer& answer);

} // namespace cli
