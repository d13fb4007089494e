// A button's look painted on the current target without any window call:
// what NG_DISEG does once its picture cache is ready.
#pragma once

#include "ngbutton/ng_bottone.h"
#include "surface/surface.h"

#include <QImage>
#include <array>
#include <functional>
#include <string>

namespace ngbutton {

// What a look needs besides its record.
struct Surroundings {
    // The background control's pixels, asked for when the face is composed.
    std::function<QImage()> background;
    // Where the button lies on the background, and its size.
    surface::Point at;
    surface::Size size;
    // The corner label's font.
    surface::Handle label_font = 0;
    // The picture-cache entries of the button's index for states 0 and 1
    // (nullptr: none).
    std::array<const std::string*, 2> cached{};
};

// Flips `stato` and paints the look of the new state on the current target:
// the face, the caption and the corner label.
void paint_look(NG_BOTTONE& record, const Surroundings& around);

// The see-through face (NG_MEM_S) of a button at `at` of that size, the
// background's pixels given; the current target is the button's.
std::string compose_see_through(const QImage& background, surface::Point at, surface::Size size,
                                const std::string& picture, const NG_BOTTONE& record);

// The corner label (NG_SOPRA) drawn on the current target in `font`.
void draw_label(const NG_BOTTONE& record, surface::Handle font);

} // namespace ngbutton
