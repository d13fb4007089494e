// Caption layout on any text, on faces of any small size.
//
// Input: width and height bytes (1 to 160 pixels), a font byte, a state
// byte, a shadow byte, then the caption.
#include "ngbutton/ngbutton.h"
#include "support.h"

namespace {

surface::Handle fonts[4];

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::start_headless();
    const int32_t points[] = {0, 7, 12, 44};
    for (int i = 0; i < 4; ++i) fonts[i] = surface::create_font("DejaVu Sans", points[i], 0, 0);
    // Deleted at the end, before the font table goes, as the program does.
    std::atexit([] {
        for (surface::Handle f : fonts) surface::delete_font(f);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Reader in(data, size);
    const int32_t w = 1 + in.byte() % 160, h = 1 + in.byte() % 160;
    NG_BOTTONE record;
    record.font = fonts[in.byte() % 4];
    record.stato = in.byte() & 1;
    record.colore_testo_0 = 0xFFFFFF;
    record.colore_testo_1 = 0x00FF00;
    const uint8_t shadow = in.byte();
    record.colore_ombra = shadow < 64 ? -1 : shadow < 128 ? -2 : int32_t(shadow) * 0x010203;
    const std::string text = in.take(4096);

    const surface::Handle face = surface::new_bitmap(w, h);
    if (face == 0) std::abort();
    surface::select_target(face, 0, surface::Display::Deferred);
    surface::select_font(record.font);
    const std::string before = surface::get_pixels();
    NG_GIUST(text, record, before);
    // The caption is drawn on the face as it was: same size, same target.
    surface::select_target(face, 0, surface::Display::Deferred);
    if (surface::get_pixels().size() != before.size()) std::abort();
    surface::end_bitmap();
    return 0;
}
