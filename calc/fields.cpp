// Result text and band strip: lines written over the background picture, and
// the round band cells with their digit.
#include "base/ascii.h"
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

// Colour of centred text (red 255, green 110, blue 110).
constexpr int32_t kCentredColour = 0x6E6EFF;
// Colour of the standard-value mark: a dark green (red 0, green 110, blue 50)
// that reads well on the light paper of the result lines.
constexpr int32_t kMarkColour = 0x326E00;
// Where left-aligned text begins in its field.
constexpr double kTextLeft = 10;

// The record of a control, or an empty one when the table does not reach it.
const NG_BOTTONE& record_of(int32_t id) {
    static const NG_BOTTONE none;
    if (id < 0 || static_cast<std::size_t>(id) >= NG_BOTTONI.size()) return none;
    return NG_BOTTONI[static_cast<std::size_t>(id)];
}

// Band cell p (from 1) in colour index c on the strip.
void draw_cell(int32_t p, int32_t c) {
    const auto band = calc::band_of_colour(c);
    if (!band || c > numero_colori || static_cast<std::size_t>(c) >= colori.size()) return;
    if (surface::control_handle(dialogo, ID_RESISTENZA) == 0) return;
    surface::select_target(dialogo, ID_RESISTENZA, surface::Display::Direct);
    const double s = surface::client_size().h;
    const double left = s * (p - 1.0);
    const int32_t colour = colori[static_cast<std::size_t>(c)];
    surface::ellipse(left, 0, s * p, s, 0, colour, 0);

    surface::select_font(font_h26.handle);
    const std::string label = std::to_string(*band);
    const surface::Size ts = surface::text_size(label);
    // Label colour: white less half the cell colour, the colour taken as one
    // number; halves go to the even neighbour.
    const auto light = base::round_even(16777215.0 - colour / 2.0);
    ngbutton::print_shadowed(label, left + (s - ts.w) / 2.0, (s - ts.h) / 2.0, light, 0);
}

// Everything a field's picture is made from, as of its last drawing: when
// nothing of it has changed since, drawing it again would give the same
// pixels, so a write only does what it does besides drawing.
struct FieldLook {
    surface::Handle dialog = 0;
    int32_t background_id = 0;
    std::string text;
    int alignment = 0; // 0 none, 1 left with shadow, 2 centred
    surface::Handle font = 0;
    std::string mark; // the series after a left-aligned line, "" for none
    surface::Handle mark_font = 0;
    int32_t shadow = 0;
    int32_t colour = 0;
    int32_t cornice = 0;
    surface::Point at;
    surface::Size size;
    uint64_t background_version = 0;
    uint64_t field_version = 0;
    bool operator==(const FieldLook&) const = default;
};

struct ShownField {
    FieldLook look;
    surface::Point end_pos; // where the drawing left the text position
};

std::map<int32_t, ShownField>& shown_fields() {
    static std::map<int32_t, ShownField> fields;
    return fields;
}

// What a field write does apart from drawing: the field takes the focus and
// its pending key goes to ultimo_tasto.
void take_field_key(int32_t id) {
    if (surface::control_handle(dialogo, id) == 0) {
        ultimo_tasto.clear();
        return;
    }
    surface::select_target(dialogo, id, surface::Display::Deferred);
    surface::set_focus();
    ultimo_tasto = surface::take_pending_key();
}

// The series mark after a left-aligned line in a compact face, on the line's
// baseline; left out when the field has no room for it.
void draw_mark(const FieldLook& look, const surface::Size& text) {
    const int32_t baseline = surface::font_ascent(); // the line's font is still selected
    surface::select_font(look.mark_font);
    const surface::Size ms = surface::text_size(look.mark);
    const double x = kTextLeft + text.w + ms.h / 2.0;
    if (x + ms.w <= look.size.w) {
        surface::set_colours(kMarkColour, surface::NO_COLOUR);
        surface::set_pos(x, (look.size.h - text.h) / 2.0 + baseline - surface::font_ascent());
        surface::print(look.mark);
    }
    surface::select_font(look.font);
}

// Draws a field's look on the selected control: the background beneath it,
// the outline and the text. Returns where the text position is left.
surface::Point draw_field(const FieldLook& look, const NG_BOTTONE& rec) {
    const double w = look.size.w, h = look.size.h;
    surface::copy(look.dialog, look.background_id, look.at.x, look.at.y, look.at.x + w,
                  look.at.y + h, 0, 0);
    if (rec.cornice == 1) {
        surface::pen_width(1);
        surface::box(0, 0, w, h, 0, 0xC0C0C0, surface::NO_COLOUR);
    }
    const surface::Size ts = surface::text_size(look.text);
    if (look.alignment == 1) {
        ngbutton::print_shadowed(look.text, kTextLeft, (h - ts.h) / 2.0, rec.colore_testo_0,
                                 rec.colore_ombra);
    } else if (look.alignment == 2) {
        surface::set_colours(kCentredColour, surface::NO_COLOUR);
        surface::set_pos((look.size.w - ts.w) / 2, (h - ts.h) / 2.0);
        surface::print(look.text);
    }
    // The mark leaves the text position where the line put it.
    const surface::Point end = surface::get_pos();
    if (look.alignment == 1 && !look.mark.empty()) draw_mark(look, ts);
    return end;
}

// What a screen reader hears of a written field: its text, and of a standard
// value its series. A result line's change is news; the clock bar's change
// every second is not.
void describe_field(surface::Handle dialog, int32_t id, const std::string& text,
                    const std::string& mark) {
    surface::set_accessible(dialog, id, surface::Role::StaticText, text, id != ID_OROLOGIO);
    surface::set_accessible_description(dialog, id,
                                        mark.empty() ? "" : "valore normalizzato " + mark);
}

// The band strip describes the chosen colours in order ("giallo, viola").
void describe_strip(const std::string& bands) {
    std::string names;
    for (const unsigned char b : bands) {
        const auto c = static_cast<std::size_t>(calc::colour_index(b));
        if (c == 0 || c >= nomi_colori.size()) continue;
        if (!names.empty()) names += ", ";
        names += trim_blanks(nomi_colori[c]);
    }
    surface::set_accessible_description(dialogo, ID_RESISTENZA, names);
}

} // namespace

void NG_SCRIV(const surface::Handle& dialog, const int32_t& background_id, const int32_t& id,
              const std::string& alignment, const std::string& text, calc::Series series) {
    const std::string t = trim_blanks(text);
    // Without the control nothing is drawn, and there is no key to collect;
    // an unknown id must not leave an earlier target to be drawn on.
    if (surface::control_handle(dialog, id) == 0) {
        ultimo_tasto.clear();
        return;
    }
    surface::select_target(dialog, id, surface::Display::Deferred);
    const surface::Point at = surface::control_pos(dialog, id);
    const surface::Size size = surface::client_size();
    const NG_BOTTONE& rec = record_of(id);
    surface::select_font(rec.font);

    FieldLook look;
    look.dialog = dialog;
    look.background_id = background_id;
    look.text = t;
    look.alignment = base::same_ascii_letters(alignment, "sinistra") ? 1
                     : base::same_ascii_letters(alignment, "centro") ? 2
                                                                     : 0;
    look.font = surface::selected_font();
    if (look.alignment == 1 && series != calc::Series::None && !t.empty()) {
        look.mark = calc::series_name(series);
        look.mark_font = font_marchio;
    }
    look.shadow = rec.colore_ombra;
    look.colour = rec.colore_testo_0;
    look.cornice = rec.cornice;
    look.at = at;
    look.size = size;
    look.background_version = surface::content_version(dialog, background_id);
    look.field_version = surface::target_version();

    // A field that is its own background changes with every drawing.
    const bool may_keep = background_id != id;
    auto& shown = shown_fields();
    const auto known = shown.find(id);
    const bool showing = may_keep && known != shown.end() && known->second.look == look;
    const surface::Point end_pos = showing ? known->second.end_pos : draw_field(look, rec);

    // Either way the write ends alike. A field that already shows its line
    // is left as the drawing would leave the target.
    if (rec.cornice == 1) surface::pen_width(1);
    if (look.alignment == 1) surface::set_colours(rec.colore_testo_0, surface::NO_COLOUR);
    if (look.alignment == 2) surface::set_colours(kCentredColour, surface::NO_COLOUR);
    surface::set_pos(end_pos.x, end_pos.y);
    surface::set_focus();
    ultimo_tasto = surface::take_pending_key();
    const std::string mark = look.mark;
    if (!showing) {
        surface::redraw();
        if (may_keep) {
            look.field_version = surface::target_version();
            shown[id] = {std::move(look), end_pos};
        }
    }
    surface::select_font(0);
    describe_field(dialog, id, t, mark);
}

void QUICKADD(const int32_t& id, const std::string& text, calc::Series series) {
    NG_SCRIV(dialogo, ID_SFONDO, id, "sinistra", text, series);
}

void RIAGGIOR(const int32_t& v, const int32_t& p) {
    draw_cell(p, calc::colour_index(v));
}

void AGGIORNA(const std::string& bande, const int32_t& k) {
    // The writes in their order: every field cleared, then each reading that
    // applies writes its line.
    struct Write {
        int32_t id;
        calc::Reading reading;
    };
    std::vector<Write> writes;
    for (int32_t id = ID_RIGA_1; id <= ID_RIGA_5; ++id) writes.push_back({id, {}});
    for (const calc::ResultLine& line : calc::kResultLines)
        if (auto reading = calc::read_line(bande, line))
            writes.push_back({ID_RIGA_1 + static_cast<int32_t>(line.slot), std::move(*reading)});
    // All of it happens inside one command, so a field that is written again
    // further down only needs what its earlier write does besides drawing:
    // take the focus and hand over its pending key. Each field is drawn once,
    // with its final line.
    for (std::size_t i = 0; i < writes.size(); ++i) {
        bool again = false;
        for (std::size_t j = i + 1; j < writes.size() && !again; ++j)
            again = writes[j].id == writes[i].id;
        if (again)
            take_field_key(writes[i].id);
        else
            QUICKADD(writes[i].id, writes[i].reading.text, writes[i].reading.series);
    }
    if (k > 0) draw_cell(static_cast<int32_t>(std::min<std::size_t>(bande.size(), INT32_MAX)), k);
    describe_strip(bande);
}
