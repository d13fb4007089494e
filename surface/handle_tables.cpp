// The handle tables of windows, memory bitmaps and fonts.
#include "surface/handle_table.h"

namespace surface::detail {

HandleTable<QWidget>& windows() {
    static HandleTable<QWidget> table(Kind::Window);
    return table;
}
HandleTable<Canvas>& bitmaps() {
    static HandleTable<Canvas> table(Kind::Bitmap);
    return table;
}
HandleTable<QFont>& fonts() {
    static HandleTable<QFont> table(Kind::Font);
    return table;
}

} // namespace surface::detail
