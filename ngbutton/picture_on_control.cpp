// NG_CARIC: a picture file placed on a graphic control, with its name label.
#include "base/latin1.h"
#include "imaging/gdiplus.h"
#include "imaging/picture.h"
#include "imaging/placement.h"
#include "ngbutton/ngbutton.h"

namespace {

constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_TASKMODAL = 0x2000;
constexpr uint32_t MB_SETFOREGROUND = 0x10000;

} // namespace

std::string picture_label(const std::string& file) {
    return base::upper_latin1(file.substr(0, file.find('.')));
}

void NG_CARIC(const surface::Handle& dialog, const int32_t& id, const std::string& file,
              const int32_t& modo, const int32_t& background) {
    // A picture missing from the current folder is taken from the program
    // folder; the label still shows the name as given.
    const std::string path = surface::find_data_file(file);
    if (!surface::file_exists(path)) return;
    const surface::Handle control = surface::control_handle(dialog, id);
    surface::select_target(dialog, id, surface::Display::Deferred);
    if (control == 0 || surface::current_target() != control) return;
    const surface::Size c = surface::client_size();

    uint32_t token = 0;
    const GdiplusStartupInput input;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) {
        surface::message_box("No GDI+", "resistenze", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
        return;
    }

    const int32_t picture = picture_bitmap(path, c);
    if (picture != 0) {
        const surface::Size i = surface::client_size();
        surface::select_target(dialog, id, surface::Display::Deferred);
        surface::clear(background);
        if (modo >= 0 && modo <= 3) { // other modes: no picture, only the label
            const auto [from, to] = placement::place(i, c, placement::Fit(modo));
            surface::stretch(picture, 0, from.x1, from.y1, from.x2, from.y2, to.x1, to.y1, to.x2,
                             to.y2, 0, 0);
        }
        const std::string label = picture_label(file);
        const surface::Handle font = surface::create_font("pragmatapro", 10, 0, 0);
        surface::select_font(font);
        const surface::Size t = surface::text_size(label);
        surface::set_pos(c.w - t.w, c.h - t.h);
        surface::set_colours(0x0000FF, surface::NO_COLOUR);
        surface::print(label);
        surface::redraw();
        surface::select_font(1);
        surface::delete_font(font);
    }

    GdiplusShutdown(token);
    if (picture != 0) {
        surface::select_target(picture, 0, surface::Display::Deferred);
        surface::end_bitmap();
    }
    surface::select_target(dialog, id, surface::Display::Deferred);
}
