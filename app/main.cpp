// resistenze: reads the colour code of through-hole resistors.
#include "app/app.h"
#include "surface/surface.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (!surface::start_application(argc, argv)) {
        std::fputs("resistenze: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n",
                   stderr);
        return 1;
    }
    return PRINCIPALE();
}
