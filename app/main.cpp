// resistenze: reads the colour code of through-hole resistors.
#include "app/app.h"
#include "surface/surface.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifndef RESISTENZE_VERSION
#define RESISTENZE_VERSION "unknown"
#endif

namespace {

constexpr const char* kUsage =
    "Uso: resistenze [--help | --version]\n"
    "\n"
    "Legge il codice a colori dei resistori a foro passante: si premono i\n"
    "colori delle bande in ordine, e la finestra mostra il valore letto da\n"
    "entrambi i capi.\n"
    "\n"
    "Il programma non ha altre opzioni e ignora ogni altro argomento. Legge\n"
    "tavi_menu_conf.cnf (dimensioni della finestra e larghezza della cornice)\n"
    "dalla cartella in cui parte, e fondo3.jpg da quella cartella oppure dalla\n"
    "propria cartella dei dati.\n"
    "\n"
    "Opzioni:\n"
    "  --help     questo aiuto\n"
    "  --version  la versione\n";

// Answers --help and --version, given first, before any window system is
// touched. Returns the exit status, or -1 to go on; every other argument is
// ignored.
int answer_command_line(int argc, char** argv) {
    if (argc < 2) return -1;
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs("resistenze " RESISTENZE_VERSION "\n", stdout);
        return 0;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int answered = answer_command_line(argc, argv);
    if (answered >= 0) return answered;
    if (!surface::start_application(argv[0])) {
        const std::string display = surface::unopened_display();
        if (!display.empty())
            std::fprintf(stderr, "resistenze: cannot open display \"%s\"\n", display.c_str());
        else
            std::fputs("resistenze: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n",
                       stderr);
        return 1;
    }
    return PRINCIPALE();
}
