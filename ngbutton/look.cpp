// A button's look on the current target: the face, the caption and the
// corner label, in the order NG_DISEG paints them.
#include "ngbutton/look.h"

#include "ngbutton/ng_detail.h"
#include "ngbutton/ngbutton.h"
#include "ngbutton/shadowed_text.h"

namespace ngbutton {

namespace {
constexpr int32_t black = 0x000000;
} // namespace

void paint_look(NG_BOTTONE& record, const Surroundings& around) {
    // Any state other than 0 is the alternate look.
    record.stato = record.stato == 0 ? 1 : 0;
    const std::string caption = record.stato == 1 ? record.testo_1.str() : record.testo_0.str();

    // A resting face filled with the button's colour covers all of the face
    // that would be composed under it, so none is composed.
    const double colour = record.stato == 0 ? read_number(record.effetto_0.str()) : 0.0;

    const std::string* cached = around.cached[static_cast<std::size_t>(record.stato)];
    if (colour != 0.0) {
        surface::clear(base::round_even(colour));
    } else {
        surface::clear(black);
        if (cached != nullptr && !cached->empty()) {
            surface::set_pixels(*cached);
        } else if (record.trasparente != 0) {
            // The face was just cleared to black, so every pixel of the
            // picture layer is its key colour and none of it shows over the
            // background: an empty layer gives the same face without reading
            // the face back.
            compose_see_through(around.background(), around.at, around.size, std::string(), record);
            // The see-through face leaves the target in direct display; the
            // rest of the look is assembled off screen and shown once at the end.
            surface::set_display(surface::Display::Deferred);
        }
    }

    const std::string before_text = surface::get_pixels();
    NG_GRAPH(caption, record, before_text);
    draw_label(record, around.label_font);
    surface::set_display(surface::Display::Deferred);
    surface::redraw();
}

void draw_label(const NG_BOTTONE& record, surface::Handle font) {
    std::string label = record.etichetta.str();
    if (label.empty()) return;
    bool centred = false;
    for (const char* marker : {"$c", "$C"}) {
        if (label.find(marker) != std::string::npos) {
            centred = true;
            label = replace_all(label, marker, "");
        }
    }

    surface::set_display(surface::Display::Deferred);
    surface::select_font(font);
    const double w = surface::text_size(label).w;

    // Not centred: label at (4, 0), shadow at (5, 1). Centred: the shadow at
    // the exact half of the free width, the label one pixel left of it.
    double x = 4.0;
    if (centred) x = (record.larghezza - w) / 2.0 - 1.0;
    print_shadowed(label, x, 0.0, record.colore_etichetta, button_shadow(record.ombra_etichetta));

    surface::redraw();
    surface::select_font(0);
}

} // namespace ngbutton
