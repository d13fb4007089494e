// What resistenze-codice prints for an answer: tab-separated lines, or one
// JSON object per query (JSON Lines).
#pragma once

#include "calc_core/query.h"

#include <string>

namespace cli {

std::string text_block(const calc::Answer& answer);
std::string json_line(const calc::Answer& answer);

} // namespace cli
