// Painting a button's two looks, placing pictures on controls and the
// corner label.
#include "imaging/effects.h"
#include "ngbutton/look.h"
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

    // The corner label's font lives for one paint.
    const bool labelled = !record.etichetta.blank();
    const surface::Handle label_font =
        labelled ? surface::create_font(ngbutton::label_face, ngbutton::label_points, 0, 0) : 0;
    const ngbutton::Surroundings around{
        [&] { return surface::control_pixels(dialog, background_id); },
        surface::control_pos(dialog, id),
        surface::control_size(dialog, id),
        label_font,
        {entry0, entry1}};
    ngbutton::paint_look(record, around);
    if (labelled) surface::delete_font(label_font);
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
    if (record.etichetta.blank()) return;
    const surface::Handle font =
        surface::create_font(ngbutton::label_face, ngbutton::label_points, 0, 0);
    surface::select_target(dialog, id, surface::Display::Deferred);
    ngbutton::draw_label(record, font);
    surface::delete_font(font);
}
