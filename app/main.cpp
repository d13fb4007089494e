// resistenze: reads the colour code of through-hole resistors.
#include "app/app.h"
#include "app/start_up_work.h"
#include "surface/surface.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifndef RESISTENZE_VERSION
#define RESISTENZE_VERSION "unknown"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: resistenze [--help | --version]\n"
    "Reads the colour code of through-hole resistors: press the colour bands\n"
    "in order and the program shows the value read from either end.\n"
    "\n"
    "The program takes no options and ignores any other argument. It reads\n"
    "tavi_menu_conf.cnf (window size and frame width) from the folder it\n"
    "starts in, and fondo3.jpg from that folder or else from its own data\n"
    "folder.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n";

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
    StartUpWork ahead;
    if (!surface::start_application(argv[0], [&ahead] { ahead.begin(); })) {
        const std::string display = surface::unopened_display();
        if (!display.empty())
            std::fprintf(stderr, "resistenze: cannot open display \"%s\"\n", display.c_str());
        else
            std::fputs("resistenze: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n",
                       stderr);
        return 1;
    }
    return PRINCIPALE(ahead);
}
