// State shared by the whole program, owned by the main procedure and touched
// only on the main thread.
#pragma once

#include "calc_core/readings.h"
#include "surface/surface.h"

#include <cstdint>
#include <string>
#include <vector>

// A decorative font: its handle (0 = none) and the path of the font file
// registered for it.
struct FontSlot {
    int32_t handle = 0;
    std::string path;
};

extern int32_t numero_colori;
extern std::vector<int32_t> colori;          // indices 0..numero_colori; 0 stays 0
extern std::vector<std::string> nomi_colori; // indices 0..numero_colori; 0 stays ""

// Fills numero_colori, colori and nomi_colori with the twelve band colours
// (index 0 stays 0 and ""), as the start-up does.
void RIEMPI_COLORI();

extern surface::Handle dialogo;
extern FontSlot font_h26, font_44, font_h28, font_h60;
// The plain sans face of the standard-value marks after the result lines.
extern surface::Handle font_marchio;

extern std::string bande;        // one byte per chosen band, the band value 0..11
extern std::string ultimo_tasto; // key collected by the last field write

// Control ids of the main dialog.
constexpr int32_t ID_OROLOGIO = 245;
constexpr int32_t ID_SFONDO = 340;
constexpr int32_t ID_FINE = 530;
constexpr int32_t ID_RESETTA = 540;
constexpr int32_t ID_COLORI = 600;
constexpr int32_t ID_INDIETRO = 699;
constexpr int32_t ID_RESISTENZA = 700;
// The result fields, one line each, in the order of calc::kResultLines' slots.
constexpr int32_t ID_RIGA_1 = 901;
constexpr int32_t ID_RIGA_5 = 905;
