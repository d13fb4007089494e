// The font service's configuration, loaded on demand.
#include "surface/surface.h"

#include <fontconfig/fontconfig.h>

namespace surface {

void load_font_service() {
    // Fontconfig reads its configuration files and caches once, the first
    // time anything asks; it is safe to ask from any thread.
    FcInit();
}

} // namespace surface
