// Texts printed with a one-pixel shadow: button captions, corner labels and
// the result lines all draw their text this way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ngbutton {

// A text and where it goes on the current target.
struct PlacedText {
    std::string text;
    double x = 0;
    double y = 0;
};

// Prints texts over a see-through background, each with a shadow one pixel
// down and to the right: all the shadows first, in `shadow`, then all the
// texts, in `colour`. Without a shadow colour only the texts are printed.
void print_shadowed(std::span<const PlacedText> texts, int32_t colour,
                    std::optional<int32_t> shadow);
void print_shadowed(const std::string& text, double x, double y, int32_t colour,
                    std::optional<int32_t> shadow);

} // namespace ngbutton
