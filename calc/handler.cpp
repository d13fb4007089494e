// The dialog's event handler: the clock, the end keys, and the buttons that
// change the band sequence.
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"

#include <deque>
#include <utility>

namespace {

constexpr int32_t kClockTimer = 2;
constexpr int32_t kFlashTimer = 3;

// A press shows the alternate look of a button (its own, or the band
// strip's) for a while and then its rest look again, and some presses do
// more after that. The flash runs on a timer, so nothing waits for it:
// ending the dialog is never held. Presses that come during a flash wait
// their turn, each with its own flash, as they would behind a pause; those
// still waiting when the dialog ends are dropped with it.
struct Flashing {
    surface::Handle dialog = 0;
    int32_t command = 0; // the press whose flash is showing; 0: none
    int32_t control = 0;
    std::deque<int32_t> waiting;
};
Flashing flashing;

bool flashes(int32_t id) {
    return id == ID_RESETTA || id == ID_INDIETRO ||
           (calc::band_of_colour(id - ID_COLORI) && id - ID_COLORI <= numero_colori);
}

void draw(surface::Handle dialog, int32_t id) {
    if (id < 0 || static_cast<std::size_t>(id) >= NG_BOTTONI.size()) return;
    NG_DISEG(dialog, ID_SFONDO, id, NG_BOTTONI[static_cast<std::size_t>(id)]);
}

void start_flash(surface::Handle dialog, int32_t command, int32_t control, int32_t ms) {
    flashing.command = command;
    flashing.control = control;
    draw(dialog, control);
    surface::start_timer(dialog, kFlashTimer, ms);
}

// What a press does up to its flash.
void press(surface::Handle dialog, int32_t id) {
    if (id == ID_RESETTA) {
        start_flash(dialog, id, ID_RESISTENZA, 150);
    } else if (id == ID_INDIETRO) {
        if (!bande.empty()) bande.pop_back();
        start_flash(dialog, id, ID_RESISTENZA, 50);
    } else {
        const int32_t c = id - ID_COLORI;
        bande.push_back(static_cast<char>(*calc::band_of_colour(c)));
        AGGIORNA(bande, c);
        start_flash(dialog, id, id, 150);
    }
}

// The end of a flash: the rest look, what the press does after it, and the
// next waiting press.
void end_flash(surface::Handle dialog) {
    // A flash of this dialog that another one's press cut short ends here too.
    surface::stop_timer(dialog, kFlashTimer);
    if (flashing.command == 0 || flashing.dialog != dialog) return;
    draw(dialog, flashing.control);
    const int32_t done = std::exchange(flashing.command, 0);
    if (done == ID_RESETTA) {
        bande.clear();
        AGGIORNA(bande, -1);
        for (int32_t field = ID_RIGA_1; field <= ID_RIGA_5; ++field) QUICKADD(field, "");
    } else if (done == ID_INDIETRO) {
        for (std::size_t i = 0; i < bande.size(); ++i)
            RIAGGIOR(static_cast<int32_t>(static_cast<unsigned char>(bande[i])),
                     static_cast<int32_t>(i + 1));
        AGGIORNA(bande, -1);
    }
    if (flashing.waiting.empty()) return;
    const int32_t next = flashing.waiting.front();
    flashing.waiting.pop_front();
    press(dialog, next);
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
    if (flashing.dialog != dialog) {
        flashing = Flashing{};
        flashing.dialog = dialog;
    }
    if (id == ID_FINE || id == surface::IDCANCEL) {
        surface::end_dialog(dialog, 0);
    } else if (flashes(id)) {
        if (flashing.command != 0)
            flashing.waiting.push_back(id);
        else
            press(dialog, id);
    }
    // The clock bar and the background report no clicks, so the clock bar's
    // minimise command is not handled; the result fields' clicks do nothing.
}

} // namespace

intptr_t DLG_CB(surface::Handle dialog, uint32_t msg, intptr_t wparam, intptr_t /*lparam*/) {
    switch (msg) {
    case surface::WM_INITDIALOG:
        flashing = {};
        surface::start_timer(dialog, kClockTimer, 100);
        break;
    case surface::WM_DESTROY:
        flashing = {};
        surface::end_dialog(dialog, 0);
        break;
    case surface::WM_TIMER:
        if (wparam == kClockTimer) on_tick(dialog);
        if (wparam == kFlashTimer) end_flash(dialog);
        break;
    case surface::WM_COMMAND:
        on_command(dialog, static_cast<int32_t>(wparam & 0xFFFF));
        break;
    default:
        break;
    }
    return 0;
}
