// Shadowed text on the current target.
#include "ngbutton/shadowed_text.h"

#include "surface/surface.h"

namespace ngbutton {

void print_shadowed(std::span<const PlacedText> texts, int32_t colour,
                    std::optional<int32_t> shadow) {
    if (shadow) {
        surface::set_colours(*shadow, surface::NO_COLOUR);
        for (const PlacedText& t : texts) {
            surface::set_pos(t.x + 1.0, t.y + 1.0);
            surface::print(t.text);
        }
    }
    surface::set_colours(colour, surface::NO_COLOUR);
    for (const PlacedText& t : texts) {
        surface::set_pos(t.x, t.y);
        surface::print(t.text);
    }
}

void print_shadowed(const std::string& text, double x, double y, int32_t colour,
                    std::optional<int32_t> shadow) {
    const PlacedText one[] = {{text, x, y}};
    print_shadowed(one, colour, shadow);
}

} // namespace ngbutton
