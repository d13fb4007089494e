// Helpers behind the graphic-button procedures: whole-number division, number reading,
// the caption word split, the accessible name and the checked access to the
// picture cache.
#pragma once

#include "surface/surface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ngbutton {

// a \ b: both operands rounded (halves to even), the quotient truncated
// toward zero. A divisor that rounds to 0 gives 0.
int32_t int_div(double a, double b);

// Reads the leading decimal number of a text: leading blanks skipped, an
// optional sign, digits with an optional decimal point and exponent. Text
// that does not start with a number reads as 0. Independent of the locale.
double read_number(std::string_view text);

// Splits a wrapped caption into words: each word ends just after a blank or
// a comma, which stays with it; the rest is the last word (possibly empty).
// A CR LF pair directly followed by something other than a blank or comma
// also ends a word (the pair stays with it), so a line break inside a word
// breaks there.
std::vector<std::string> split_words(std::string_view text);

// Splits a caption at each CR LF pair; an empty text gives one empty line.
std::vector<std::string> split_lines(std::string_view text);

// Replaces every occurrence of `from` in `text` by `to`.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);

// Name a screen reader gives a button: its resting caption trimmed, with the
// markers "$", "+", "_", CR, LF and the degree sign shown as blanks and runs
// of blanks collapsed to one.
std::string accessible_name(std::string_view caption);

// The shadow of a button's caption or corner label: none for a negative
// colour.
inline std::optional<int32_t> button_shadow(int32_t colour) {
    if (colour < 0) return std::nullopt;
    return colour;
}

// The corner label's font: a face of the system, at 10 points.
constexpr const char* label_face = "pragmatapro";
constexpr int32_t label_points = 10;

// Most lines a wrapped caption may have.
constexpr int32_t max_caption_lines = 1000;

// The picture-cache entry of a button index and state, or nullptr when the
// index or state is outside the cache (or the cache has not been created):
// such an entry counts as empty and cannot be filled.
std::string* cache_entry(int32_t index, int32_t state);

} // namespace ngbutton
