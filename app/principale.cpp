// The main procedure: start-up, the modal run of the dialog, shut-down.
#include "app/app.h"
#include "app/layout.h"

#include "calc/calc.h"
#include "imaging/gdiplus.h"
#include "ngbutton/ngbutton.h"

#include <QString>
#include <QtGlobal>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

const std::string kFontFile = "CabinSketch-Bold.otf";
const std::string kFontFace = "CabinSketch";

void release_font(FontSlot& slot) {
    if (slot.handle <= 0) return;
    surface::delete_font(slot.handle);
    RemoveFontResourceA(slot.path.c_str());
}

constexpr uint32_t kPopupStyle = 0x80000000u; // no caption, no border

} // namespace

void NG_FONT_(const std::string& file, const std::string& face, int32_t& handle,
              const int32_t& size, std::string& path) {
    path = surface::program_folder() + file;
    AddFontResourceA(path.c_str());
    handle = surface::create_font(face, size, 0, 0);
}

int PRINCIPALE() {
    // The icon lives in a resource compiled into this library.
    Q_INIT_RESOURCE(assets);
    NG_CREA_TABELLE();
    RIEMPI_COLORI();

    const surface::Size lavoro = surface::work_area();
    if (surface::file_exists("tavi_menu_conf.cnf")) {
        LEGGO_CN("tavi_menu_conf.cnf");
    } else {
        pixelori = lavoro.w;
        pixelver = lavoro.h;
        larghezzacornice = 10;
    }
    // A missing size takes the work area's, a huge one shrinks: a dialog
    // takes 4 bytes a pixel several times over (window, background, button
    // faces), and the window system refuses longer edges.
    const surface::Size size = dialog_size(pixelori, pixelver, lavoro);
    const int32_t W = size.w;
    const int32_t H = size.h;
    surface::create_backdrop("", -1, -1, lavoro.w, lavoro.h, 0, surface::SW_SHOWNORMAL);
    surface::clear(0);

    const int32_t x = base::round_even((static_cast<double>(lavoro.w) - W) / 2.0 - 1.0);
    const int32_t y = base::round_even((static_cast<double>(lavoro.h) - H) / 2.0 - 1.0);
    dialogo = surface::create_dialog(0, "", x, y, W, H, kPopupStyle, 0);

    surface::set_dialog_icon(dialogo, "logo");
    surface::set_window_accessible_name(dialogo, "resistenze");

    // The dialog's height already grows with the screen, and the font service
    // turns points into pixels at the desktop's DPI: a desktop scaled to 200 %
    // (Xft.dpi 192 on a 4K screen) would enlarge the captions that follow the
    // height twice, and they would overflow their buttons. So these three
    // sizes take the height in 96-per-inch units, H x 96 / DPI, rounded as
    // before; at 96 DPI nothing changes. The fixed 44 points grow with the
    // desktop's scaling, as points should.
    const double h = static_cast<double>(H) * 96.0 / surface::screen_dpi();
    NG_FONT_(kFontFile, kFontFace, font_h26.handle, base::round_even(h / 26.0), font_h26.path);
    NG_FONT_(kFontFile, kFontFace, font_44.handle, 44, font_44.path);
    NG_FONT_(kFontFile, kFontFace, font_h28.handle, base::round_even(h / 28.0), font_h28.path);
    NG_FONT_(kFontFile, kFontFace, font_h60.handle, base::round_even(h / 60.0), font_h60.path);
    // The marks are small: a plain bold sans keeps them readable where the
    // sketched face would fade.
    font_marchio =
        surface::create_font("DejaVu Sans", base::round_even(h / 50.0), surface::FONT_BOLD, 0);

    DEFINISC(dialogo, ID_SFONDO, W, H);

    surface::show_modal(dialogo, DLG_CB);

    release_font(font_h26);
    release_font(font_44);
    release_font(font_h28);
    release_font(font_h60);
    surface::delete_font(font_marchio);
    font_marchio = 0;
    return 0;
}
