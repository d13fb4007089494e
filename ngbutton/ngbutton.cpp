// The button table, the picture cache and the definition of a button.
#include "ngbutton/ngbutton.h"

#include "ngbutton/ng_detail.h"

ButtonTable NG_BOTTONI;
std::vector<std::array<std::string, 2>> NG_IMMAGINI;

void NG_CREA_TABELLE() {
    NG_BOTTONI.create(static_cast<std::size_t>(NG_MAX_BOTTONE) + 1);
    NG_IMMAGINI.assign(static_cast<std::size_t>(NG_MAX_IMMAGINE) + 1, std::array<std::string, 2>{});
}

void NG_DEF_B(const surface::Handle& dialog, const int32_t& background_id, const int32_t& id,
              NG_BOTTONE& record) {
    surface::add_control(dialog, id, "", record.x, record.y, record.larghezza, record.altezza,
                         surface::SS_NOTIFY, 0);
    surface::set_accessible(dialog, id, surface::Role::PushButton,
                            ngbutton::accessible_name(record.testo_0.str()));
    // The first paint prepares the resting picture and shows the alternate
    // look; the second prepares the alternate picture and comes back to rest.
    NG_DISEG(dialog, background_id, id, record);
    NG_DISEG(dialog, background_id, id, record);
}
