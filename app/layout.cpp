// The main dialog's controls: background, clock bar, colour row, "<", band
// strip, result fields, "Fine" and "Resetta".
#include "app/layout.h"

#include "base/latin1.h"
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"

#include <cmath>

namespace layout {

namespace {

// A number as decimal text behind one blank (" 255").
std::string with_blank(int32_t n) {
    std::string s(1, ' ');
    s += std::to_string(n);
    return s;
}

void set_rectangle(NG_BOTTONE& r, float X, float Y, float L, float A) {
    r.x = base::round_even(X);
    r.y = base::round_even(Y);
    r.larghezza = base::round_even(L);
    r.altezza = base::round_even(A);
}

// Collects the walk into a list instead of making windows.
struct Collector {
    std::vector<Item> items;
    void background(const Item& item) { items.push_back(item); }
    void clock(const Item& item) { items.push_back(item); }
    void field(const Item& item) { items.push_back(item); }
    void button(const Item& item) { items.push_back(item); }
    void row(int32_t base, float& X, float& Y, float& L, float& A) {
        lay_out_row(base, X, Y, L, A, *this);
    }
};

// Makes the windows: what DEFINISC and SERIEDIC do.
struct Builder {
    surface::Handle dialog;
    int32_t background_id;

    void background(const Item& item) {
        surface::add_control(dialog, background_id, "", item.x, item.y, item.w, item.h, 0, 0);
        surface::select_target(dialog, background_id, surface::Display::Direct);
        surface::clear(0);
        NG_METTI(dialog, background_id, kBackgroundPicture, "", kBackgroundMode);
    }
    void clock(const Item& item) {
        surface::add_control(dialog, item.id, "", item.x, item.y, item.w, item.h, 0, 0);
        NG_BOTTONE& r = NG_BOTTONI[static_cast<std::size_t>(item.id)];
        r.font = item.record.font;
        r.cornice = item.record.cornice;
    }
    void field(const Item& item) {
        NG_BOTTONE& r = NG_BOTTONI[static_cast<std::size_t>(item.id)];
        r.colore_ombra = item.record.colore_ombra;
        surface::add_control(dialog, item.id, "", item.x, item.y, item.w, item.h,
                             surface::SS_NOTIFY, 0);
        r.font = item.record.font;
        // The first write goes out without a frame; the frame is on from then on.
        QUICKADD(item.id, "");
        r.cornice = item.record.cornice;
    }
    void button(const Item& item) {
        NG_BOTTONE& r = NG_BOTTONI[static_cast<std::size_t>(item.id)];
        r = item.record;
        NG_DEF_B(dialog, background_id, item.id, r);
    }
    // SERIEDIC.
    void row(int32_t base, float& X, float& Y, float& L, float& A) {
        lay_out_row(base, X, Y, L, A, *this);
    }
};

} // namespace

Item background_item(int32_t W, int32_t H) {
    return make_item(ID_SFONDO, Kind::Background, 0.0f, 0.0f, static_cast<float>(W),
                     static_cast<float>(H));
}

Item make_item(int32_t id, Kind kind, float X, float Y, float L, float A) {
    Item item;
    item.id = id;
    item.kind = kind;
    item.x = base::round_even(X);
    item.y = base::round_even(Y);
    item.w = base::round_even(L);
    item.h = base::round_even(A);
    return item;
}

NG_BOTTONE command_button(int32_t id, const std::string& testo_0, const std::string& testo_1,
                          const std::string& effetto_0, float X, float Y, float L, float A) {
    NG_BOTTONE r;
    r.indice = id;
    r.stato = 0;
    set_rectangle(r, X, Y, L, A);
    r.testo_0 = base::upper_latin1(testo_0);
    r.testo_1 = testo_1;
    r.colore_testo_0 = 0xFFFFFF;
    r.colore_testo_1 = 0xFFFFFF;
    r.colore_ombra = 0;
    r.effetto_0 = effetto_0;
    r.effetto_1 = "effetto_rosso";
    r.trasparente = 1;
    r.font = font_h28.handle;
    return r;
}

NG_BOTTONE colour_button(int32_t base_id, int32_t i, float X, float Y, float L, float A) {
    const std::size_t k = static_cast<std::size_t>(i);
    const std::string name = k < nomi_colori.size() ? nomi_colori[k] : std::string();
    const int32_t colour = k < colori.size() ? colori[k] : 0;
    // Silver and gold are light: black caption with a white shadow.
    const bool light = i == 11 || i == 12;

    NG_BOTTONE r;
    r.indice = base_id + i;
    r.stato = 0;
    set_rectangle(r, X, Y, L, A);
    r.testo_0 = name;
    r.testo_1 = name;
    r.colore_testo_0 = light ? 0 : 0xFFFFFF;
    r.colore_testo_1 = 0xFFFFFF;
    r.colore_ombra = light ? 0xFFFFFF : 0;
    r.effetto_0 = with_blank(colour); // the face is filled with this colour
    r.effetto_1 = "effetto_scurisci";
    r.trasparente = 1;
    r.etichetta = with_blank(i - 1);
    r.font = font_h60.handle;
    r.cornice = 1;
    return r;
}

std::vector<Item> dialog_items(int32_t W, int32_t H) {
    Collector c;
    lay_out_dialog(W, H, c);
    return std::move(c.items);
}

} // namespace layout

void SERIEDIC(const surface::Handle& dialog, const int32_t& background_id, const int32_t& base_id,
              float& X, float& Y, float& L, float& A) {
    layout::Builder b{dialog, background_id};
    layout::lay_out_row(base_id, X, Y, L, A, b);
}

void DEFINISC(const surface::Handle& dialog, const int32_t& background_id, const int32_t& W,
              const int32_t& H) {
    if (NG_BOTTONI.size() <= static_cast<std::size_t>(NG_MAX_BOTTONE)) NG_CREA_TABELLE();
    layout::Builder b{dialog, background_id};
    layout::lay_out_dialog(W, H, b);
}
