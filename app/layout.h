// Layout arithmetic of the main dialog, kept apart from the window calls so
// that the rectangles and records can be computed without a window.
//
// Positions run in single-precision floats (X, Y, L, A); every result is
// stored back as a float and becomes an integer only when a control is made
// or a record field set, rounded halves to even.
#pragma once

#include "app/app.h"
#include "ngbutton/ng_bottone.h"

#include <cstdint>
#include <string>
#include <vector>

namespace layout {

// How a control of the main dialog is made.
enum class Kind {
    Background, // graphic control, no clicks, picture placed on it
    Clock,      // graphic control, no clicks, text style in its record
    Button,     // graphic button: full record, created by NG_DEF_B
    Field,      // graphic control reporting clicks, text style in its record
};

struct Item {
    int32_t id = 0;
    Kind kind = Kind::Button;
    int32_t x = 0, y = 0, w = 0, h = 0;
    NG_BOTTONE record; // as it stands once the control is made
};

// Record of colour button i (1..12) with id base_id + i at the rectangle.
NG_BOTTONE colour_button(int32_t base_id, int32_t i, float X, float Y, float L, float A);

// Every control of a W by H dialog in the order of creation, with the font
// handles of the current font slots.
std::vector<Item> dialog_items(int32_t W, int32_t H);

// The background control of a W by H dialog, the first of them, and its
// picture, placed by NG_METTI (so over black) in this mode.
Item background_item(int32_t W, int32_t H);
inline constexpr const char* kBackgroundPicture = "fondo3.jpg";
constexpr int32_t kBackgroundMode = 3;

// ---------------------------------------------------------------------------
// The walk itself, shared by the window-making procedures and dialog_items.
// A sink receives each control in turn: background(item), clock(item),
// field(item), button(item) and row(base, X, Y, L, A) for the colour row.

Item make_item(int32_t id, Kind kind, float X, float Y, float L, float A);
NG_BOTTONE command_button(int32_t id, const std::string& testo_0, const std::string& testo_1,
                          const std::string& effetto_0, float X, float Y, float L, float A);

// The twelve colour buttons from X; leaves Y below the row.
template <class Sink>
void lay_out_row(int32_t base_id, float& X, float& Y, float& L, float& A, Sink& sink) {
    for (int32_t i = 1; i <= 12; ++i) {
        Item item = make_item(base_id + i, Kind::Button, X, Y, L, A);
        item.record = colour_button(base_id, i, X, Y, L, A);
        sink.button(item);
        X = X + L + 1.0f;
    }
    X = 10.0f;
    Y = Y + A;
    X = X + L + 1.0f;
}

template <class Sink> void lay_out_dialog(int32_t W, int32_t H, Sink& sink) {
    const float Wf = static_cast<float>(W);
    const float Hf = static_cast<float>(H);

    sink.background(background_item(W, H));

    float X = 10.0f;
    float Y = 10.0f;
    float L = Wf - 20.0f;
    float A = 0.08f * Hf;
    {
        Item clock = make_item(ID_OROLOGIO, Kind::Clock, X, Y, L, A);
        clock.record.font = font_44.handle;
        clock.record.cornice = 0;
        sink.clock(clock);
    }

    Y = Y + A;
    X = 10.0f;
    L = ((Wf - 20.0f) - 11.0f) / 12.0f;
    A = L;
    sink.row(ID_COLORI, X, Y, L, A);

    X = 10.0f;
    A = 0.15f * (Hf - Y);
    L = A;
    {
        Item back = make_item(ID_INDIETRO, Kind::Button, X, Y, L, A);
        back.record = command_button(ID_INDIETRO, "<", "", "effetto_verde", X, Y, L, A);
        sink.button(back);
    }

    X = X + L + 1.0f;
    A = 0.15f * (Hf - Y);
    L = (Wf - 21.0f) - L;
    {
        Item strip = make_item(ID_RESISTENZA, Kind::Button, X, Y, L, A);
        strip.record =
            command_button(ID_RESISTENZA, "resistenza\r\n4 bande", "", "effetto_verde", X, Y, L, A);
        sink.button(strip);
    }

    X = 10.0f;
    Y = Y + A + 1.0f;
    L = Wf - 20.0f;
    A = 0.1f * Hf;
    for (int32_t id = ID_RIGA_1; id <= ID_RIGA_5; ++id) {
        if (id > ID_RIGA_1) Y = Y + A + 1.0f;
        Item field = make_item(id, Kind::Field, X, Y, L, A);
        field.record.colore_ombra = id == ID_RIGA_5 ? 0xC0C0C0 : 0x808080;
        field.record.font = font_44.handle;
        field.record.cornice = 1;
        sink.field(field);
    }

    A = 0.1f * Hf;
    X = 10.0f;
    L = ((Wf - 20.0f) - 2.0f) / 2.0f;
    Y = (Hf - 10.0f) - A;
    {
        Item fine = make_item(ID_FINE, Kind::Button, X, Y, L, A);
        fine.record = command_button(ID_FINE, "Fine", "Fine", "effetto_scurisci", X, Y, L, A);
        sink.button(fine);
    }
    X = X + L + 1.0f;
    {
        Item resetta = make_item(ID_RESETTA, Kind::Button, X, Y, L, A);
        resetta.record =
            command_button(ID_RESETTA, "Resetta", "Resetta", "effetto_scurisci", X, Y, L, A);
        sink.button(resetta);
    }
}

} // namespace layout
