// The program-wide state of the calculator and the band colour table.
#include "calc/shared.h"

#include "calc_core/bands.h"

int32_t numero_colori = 0;
std::vector<int32_t> colori;
std::vector<std::string> nomi_colori;

surface::Handle dialogo = 0;
FontSlot font_h26, font_44, font_h28, font_h60;
surface::Handle font_marchio = 0;

std::string bande;
std::string ultimo_tasto;

void RIEMPI_COLORI() {
    // Colours are 0x00BBGGRR. Black is 1, not 0: a colour button whose fill
    // value is 0 would get no fill at all.
    static const int32_t table[] = {
        0x000001, 0x000080, 0x0000FF, 0x00A5FF, 0x00FFFF, 0x008000,
        0xFF0000, 0x800080, 0x808080, 0xFFFFFF, 0xC0C0C0, 0x00D7FF,
    };
    numero_colori = static_cast<int32_t>(calc::kBands.size());
    colori.assign(static_cast<std::size_t>(numero_colori) + 1, 0);
    nomi_colori.assign(static_cast<std::size_t>(numero_colori) + 1, std::string());
    for (unsigned char b = 0; b < calc::kBands.size(); ++b) {
        const auto i = static_cast<std::size_t>(calc::colour_index(b));
        colori[i] = table[b];
        nomi_colori[i] = calc::band_name(b);
    }
}
