// Start-up of the toolkit without a display, shared by the test programs and
// the fuzz targets: the offscreen platform (on the screen a configuration
// file describes, when one is given), a private runtime folder, then the
// toolkit's own preparation. Make the application object after it.
#pragma once

#include "surface/surface.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace headless {

inline void prepare(const char* screen_config = nullptr) {
    const std::string platform = screen_config != nullptr
                                     ? std::string("offscreen:configfile=") + screen_config
                                     : std::string("offscreen");
    setenv("QT_QPA_PLATFORM", platform.c_str(), 0);
    // A private runtime folder keeps the toolkit from warning about a missing one.
    if (getenv("XDG_RUNTIME_DIR") == nullptr) {
        const std::string runtime = "/tmp/resistenze-test-" + std::to_string(getuid());
        mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    surface::prepare_toolkit();
}

} // namespace headless
