// resistenze: reads the colour code of through-hole resistors.
#include "app/app.h"
#include "app/layout.h"
#include "surface/surface.h"

#include <cstdio>
#include <cstring>

#ifndef RESISTENZE_VERSION
#define RESISTENZE_VERSION "unknown"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: resistenze [--help | --version]\n"
    "Reads the colour code of through-hole resistors: press the colour bands\n"
    "in order and the program shows the value read from either end.\n"
    "\n"
    "The program takes no options. It reads tavi_menu_conf.cnf (window size\n"
    "and frame width) from the folder it starts in, and fondo3.jpg from that\n"
    "folder or else from its own data folder.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n";

// Answers --help and --version and refuses anything else, all before any
// window system is touched. Returns the exit status, or -1 to go on.
int answer_command_line(int argc, char** argv) {
    if (argc < 2) return -1;
    const char* arg = argv[1];
    if (argc == 2 && std::strcmp(arg, "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(arg, "--version") == 0) {
        std::fputs("resistenze " RESISTENZE_VERSION "\n", stdout);
        return 0;
    }
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "--version") == 0) arg = argv[2];
    std::fprintf(stderr, "resistenze: %s '%s'\nTry 'resistenze --help' for more information.\n",
                 arg[0] == '-' ? "unknown option" : "unexpected argument", arg);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const int answered = answer_command_line(argc, argv);
    if (answered >= 0) return answered;
    if (!surface::start_application(argc, argv, layout::decode_background_ahead)) {
        std::fputs("resistenze: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n",
                   stderr);
        return 1;
    }
    return PRINCIPALE();
}
