// Fontconfig reads its configuration files and font caches the first time it
// is asked anything: here, when the first font file is registered, after
// the windows are made. A worker asks it first, while the application object
// connects to the window system; fontconfig is safe to use from any thread.
#include "surface/fonts.h"

#include <fontconfig/fontconfig.h>
#include <system_error>
#include <thread>

namespace surface::detail {
namespace {

struct Worker {
    std::thread thread;
    ~Worker() { finish(); }
    void finish() {
        if (thread.joinable()) thread.join();
    }
};

Worker& worker() {
    static Worker w;
    return w;
}

} // namespace

void start_font_service_ahead() {
    if (worker().thread.joinable()) return;
    try {
        worker().thread = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // The toolkit starts fontconfig itself when it first needs it.
    }
}

void font_service_ready() {
    worker().finish();
}

} // namespace surface::detail
