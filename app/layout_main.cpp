// resistenze-layout: the controls of a W by H main dialog, one a line as
//   id name x y w h
// in the order they are made. With an offset (the dialog's client area on
// the screen), the rectangles are given in screen coordinates. Scripts that
// click or cut controls out of screenshots take the rectangles from here.
//   resistenze-layout W H [DX DY]
#include "app/layout.h"
#include "calc/shared.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string name_of(const layout::Item& item) {
    if (item.id > ID_COLORI && item.id <= ID_COLORI + 12) return item.record.testo_0.str();
    if (item.id >= ID_RIGA_1 && item.id <= ID_RIGA_5)
        return "riga" + std::to_string(item.id - ID_RIGA_1 + 1);
    switch (item.id) {
    case ID_SFONDO:
        return "sfondo";
    case ID_OROLOGIO:
        return "orologio";
    case ID_INDIETRO:
        return "indietro";
    case ID_RESISTENZA:
        return "resistenza";
    case ID_FINE:
        return "fine";
    case ID_RESETTA:
        return "resetta";
    default:
        return "controllo";
    }
}

bool number(const char* text, long min, long max, long& out) {
    char* end = nullptr;
    out = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && out >= min && out <= max;
}

} // namespace

int main(int argc, char** argv) {
    long w = 0, h = 0, dx = 0, dy = 0;
    const bool ok = (argc == 3 || argc == 5) && number(argv[1], 1, 100000, w) &&
                    number(argv[2], 1, 100000, h) &&
                    (argc == 3 || (number(argv[3], -100000, 100000, dx) &&
                                   number(argv[4], -100000, 100000, dy)));
    if (!ok) {
        std::fprintf(stderr, "usage: %s W H [DX DY]\n", argv[0]);
        return 2;
    }
    RIEMPI_COLORI();
    for (const layout::Item& item : layout::dialog_items(int32_t(w), int32_t(h)))
        std::printf("%d %s %ld %ld %d %d\n", item.id, name_of(item).c_str(), item.x + dx,
                    item.y + dy, item.w, item.h);
    return 0;
}
