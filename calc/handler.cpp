// The dialog's event handler: the clock, the end keys, and the buttons that
// change the band sequence.
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"

namespace {

constexpr int32_t kClockTimer = 2;

// Shows the alternate look of a button for `ms` and then its rest look again.
void flash(surface::Handle dialog, int32_t id, int32_t ms) {
    if (id < 0 || static_cast<std::size_t>(id) >= NG_BOTTONI.size()) return;
    NG_BOTTONE& rec = NG_BOTTONI[static_cast<std::size_t>(id)];
    NG_DISEG(dialog, ID_SFONDO, id, rec);
    surface::pause_ms(ms);
    NG_DISEG(dialog, ID_SFONDO, id, rec);
}

void on_tick(surface::Handle dialog) {
    const std::string key = ultimo_tasto;
    if (key == "\x1b" || key == "0") {
        surface::end_dialog(dialog, 0);
        return;
    }
    ultimo_tasto.clear();
    NG_SCRIV(dialog, ID_SFONDO, ID_OROLOGIO, "centro", surface::local_time());
}

void on_command(surface::Handle dialog, int32_t id) {
    if (id == ID_RESETTA) {
        flash(dialog, ID_RESISTENZA, 150);
        bande.clear();
        AGGIORNA(bande, -1);
        for (int32_t field = ID_RIGA_1; field <= ID_RIGA_5; ++field) QUICKADD(field, "");
    } else if (const auto band = calc::band_of_colour(id - ID_COLORI);
               band && id - ID_COLORI <= numero_colori) {
        const int32_t c = id - ID_COLORI;
        bande.push_back(static_cast<char>(*band));
        AGGIORNA(bande, c);
        flash(dialog, id, 150);
    } else if (id == ID_INDIETRO) {
        if (!bande.empty()) bande.pop_back();
        flash(dialog, ID_RESISTENZA, 50);
        for (std::size_t i = 0; i < bande.size(); ++i)
            RIAGGIOR(static_cast<int32_t>(static_cast<unsigned char>(bande[i])),
                     static_cast<int32_t>(i + 1));
        AGGIORNA(bande, -1);
    } else if (id == ID_FINE || id == surface::IDCANCEL) {
        surface::end_dialog(dialog, 0);
    }
    // The clock bar and the background report no clicks, so the clock bar's
    // minimise command is not handled; the result fields' clicks do nothing.
}

} // namespace

intptr_t DLG_CB(surface::Handle dialog, uint32_t msg, intptr_t wparam, intptr_t /*lparam*/) {
    switch (msg) {
    case surface::WM_INITDIALOG:
        surface::start_timer(dialog, kClockTimer, 100);
        break;
    case surface::WM_DESTROY:
        surface::end_dialog(dialog, 0);
        break;
    case surface::WM_TIMER:
        if (wparam == kClockTimer) on_tick(dialog);
        break;
    case surface::WM_COMMAND:
        on_command(dialog, static_cast<int32_t>(wparam & 0xFFFF));
        break;
    default:
        break;
    }
    return 0;
}
