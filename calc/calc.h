// The resistor calculator: readings, result lines, band strip, event handler.
#pragma once

#include "calc/shared.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The five result lines (fields 901..905) that a band sequence produces,
// before blanks are trimmed for display. Pure: no drawing.
std::array<std::string, 5> LEGGI_BANDE(std::string_view bande);

// Formats a value text with unit and suffix; "" above 100000000 or in
// exponent form.
std::string TIENIOSC(const std::string& valore, const std::string& suffisso);

// Recomputes and writes the five fields; draws the cell of colour index k
// when k > 0.
void AGGIORNA(const std::string& bande, const int32_t& k);

// Writes one line on a graphic control over the background ("sinistra" or
// "centro"), focuses it and collects its pending key into ultimo_tasto.
void NG_SCRIV(const surface::Handle& dialog, const int32_t& background_id, const int32_t& id,
              const std::string& alignment, const std::string& text);
void QUICKADD(const int32_t& id, const std::string& text);
// Draws the band cell of value v at position p on the strip.
void RIAGGIOR(const int32_t& v, const int32_t& p);

intptr_t DLG_CB(surface::Handle dialog, uint32_t msg, intptr_t wparam, intptr_t lparam);

namespace calc {
// Plain decimal text: at most 15 significant digits, "." whatever the locale,
// no exponent, no thousands separator, no trailing zeros ("4.7", "1000", "0").
std::string number_text(double v);
// The lines that one reading (forward, or reverse from the last band) writes
// into fields 901..905; fields it does not write stay "". LEGGI_BANDE is the
// two readings applied in turn.
std::array<std::string, 5> read_one_way(std::string_view bande, bool reverse);
} // namespace calc
