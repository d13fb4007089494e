// The background picture decoded and placed on workers while the main thread
// makes the application object, the windows and the fonts.
#include "app/layout.h"

#include "imaging/gdiplus.h"
#include "imaging/placed_ahead.h"

#include <QString>

namespace layout {

void decode_background_ahead() {
    const QString path = QString::fromLocal8Bit(surface::find_data_file(kBackgroundPicture));
    gdiplus::prefetch(reinterpret_cast<const char16_t*>(path.utf16()));
}

void place_background_ahead(int32_t W, int32_t H) {
    const Item background = make_item(ID_SFONDO, Kind::Background, 0.0f, 0.0f, float(W), float(H));
    placed_ahead::start({background.w, background.h}, kBackgroundMode, 0);
}

void drop_background_ahead() {
    placed_ahead::drop();
    gdiplus::drop_prefetched();
}

} // namespace layout
