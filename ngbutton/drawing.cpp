// Painting a button's two looks, placing pictures on controls and the
// corner label.
#include "imaging/effects.h"
#include "imaging/picture.h"
#include "ngbutton/ng_detail.h"
#include "ngbutton/ngbutton.h"
#include "ngbutton/see_through.h"

namespace {

constexpr int32_t black = 0x000000;
constexpr int32_t white = 0xFFFFFF;

} // namespace

void NG_DISEG(const surface::Handle& dialog, const int32_t& background_id, const int32_t& id,
              NG_BOTTONE& record) {
    using ngbutton::cache_entry;
    surface::select_target(dialog, id, surface::Display::Deferred);

    // Any state other than 0 is the alternate look.
    const int32_t old_state = record.stato == 0 ? 0 : 1;

    // A picture button builds the cache entry of its current state once;
    // an index outside the cache has no entries to build.
    const std::string picture = record.immagine.str();
    std::string* entry0 = cache_entry(record.indice, 0);
    std::string* entry1 = cache_entry(record.indice, 1);
    std::string* current = old_state == 0 ? entry0 : entry1;
    if (!picture.empty() && current != nullptr && current->empty()) {
        const std::string effect = old_state == 0 ? record.effetto_0.str() : std::string();
        NG_METTI_COL(dialog, id, picture, effect, record.modo_immagine, white);
        surface::select_target(dialog, id, surface::Display::Deferred);
        *current = surface::get_pixels();
    }

    record.stato = old_state == 0 ? 1 : 0;
    const std::string caption = record.stato == 1 ? record.testo_1.str() : record.testo_0.str();

    // A resting face filled with the button's colour covers all of the face
    // that would be composed under it, so none is composed.
    const double colour = record.stato == 0 ? ngbutton::read_number(record.effetto_0.str()) : 0.0;

    const std::string* cached = cache_entry(record.indice, record.stato);
    if (colour != 0.0) {
        surface::clear(base::round_even(colour));
    } else {
        surface::clear(black);
        if (cached != nullptr && !cached->empty()) {
            surface::set_pixels(*cached);
        } else if (record.trasparente != 0) {
            // The control was just cleared to black, so every pixel of the
            // picture layer is its key colour and none of it shows over the
            // background: an empty layer gives the same face without reading
            // the control back.
            NG_MEM_S(dialog, background_id, std::string(), id, record);
            // The see-through face leaves the control in direct display; the
            // rest of the look is assembled off screen and shown once at the end.
            surface::select_target(dialog, id, surface::Display::Deferred);
        }
    }

    const std::string before_text = surface::get_pixels();
    NG_GRAPH(caption, record, before_text);
    NG_SOPRA(dialog, id, record);
    surface::select_target(dialog, id, surface::Display::Deferred);
    surface::redraw();
}

void NG_METTI_COL(const surface::Handle& dialog, const int32_t& id, const std::string& file,
                  const std::string& effect, const int32_t& mode, const int32_t& background) {
    if (!surface::file_exists(surface::find_data_file(file))) return;
    NG_CARIC(dialog, id, file, mode, background);
    surface::select_target(dialog, id, surface::Display::Deferred);
    // A name that selects no effect would write back the very same pixels.
    if (!effect_known(effect)) return;
    std::string face = surface::get_pixels();
    const float level = 0.0f;
    apply_effect(face, effect, level);
    surface::set_pixels(face);
}

void NG_METTI(const surface::Handle& dialog, const int32_t& id, const std::string& file,
              const std::string& effect, const int32_t& mode) {
    const int32_t background = black;
    NG_METTI_COL(dialog, id, file, effect, mode, background);
}

void NG_SOPRA(const surface::Handle& dialog, const int32_t& id, const NG_BOTTONE& record) {
    std::string label = record.etichetta.str();
    if (label.empty()) return;
    bool centred = false;
    for (const char* marker : {"$c", "$C"}) {
        if (label.find(marker) != std::string::npos) {
            centred = true;
            label = ngbutton::replace_all(label, marker, "");
        }
    }

    const surface::Handle font = surface::create_font("pragmatapro", 10, 0, 0);
    surface::select_target(dialog, id, surface::Display::Deferred);
    surface::select_font(font);
    const double w = surface::text_size(label).w;

    // Not centred: label at (4, 0), shadow at (5, 1). Centred: the shadow at
    // the exact half of the free width, the label one pixel left of it.
    double x = 4.0;
    if (centred) x = (record.larghezza - w) / 2.0 - 1.0;
    ngbutton::print_shadowed(label, x, 0.0, record.colore_etichetta,
                             ngbutton::button_shadow(record.ombra_etichetta));

    surface::redraw();
    surface::delete_font(font);
    surface::select_font(0);
}
