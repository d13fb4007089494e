// The resistor calculator: readings, result lines, band strip, event handler.
#pragma once

#include "calc/shared.h"
#include "calc_core/bands.h"
#include "calc_core/readings.h"

#include <cstdint>
#include <string>

// Recomputes and writes the five fields; draws the cell of colour index k
// when k > 0.
void AGGIORNA(const std::string& bande, const int32_t& k);

// Writes one line on a graphic control over the background ("sinistra" or
// "centro"), focuses it and collects its pending key into ultimo_tasto. A
// left-aligned line of a standard value carries its series as a mark after
// the text, when the field has room for it, and in its description.
void NG_SCRIV(const surface::Handle& dialog, const int32_t& background_id, const int32_t& id,
              const std::string& alignment, const std::string& text,
              calc::Series series = calc::Series::None);
void QUICKADD(const int32_t& id, const std::string& text, calc::Series series = calc::Series::None);
// Draws the band cell of value v at position p on the strip.
void RIAGGIOR(const int32_t& v, const int32_t& p);

intptr_t DLG_CB(surface::Handle dialog, uint32_t msg, intptr_t wparam, intptr_t lparam);
