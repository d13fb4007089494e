// The program on screens of different density: a 3840x2160 screen at 192 DPI
// shows the 1920x1080/96 look at twice the resolution. ctest runs this
// program on both offscreen screens, and once more on the first with the
// toolkit's scale factors set, which must change nothing.
#include "app/app.h"
#include "support.h"
#include "surface/surface.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Expected {
    int32_t width, height;
    double dpi;
    int32_t h26, h28, h60;  // pixel sizes of the height-derived fonts
    int32_t f44_lo, f44_hi; // the 44-point font, within rounding
};

// 1080 / 26, / 28, / 60 round to 42, 39 and 18 points: 56, 52 and 24 pixels
// at 96 DPI; 44 points are 58.7, so 59 pixels. The 4K screen at 192 DPI
// gives exactly twice the first three, and twice 59 within one pixel.
const Expected kScreens[] = {
    {1920, 1080, 96.0, 56, 52, 24, 59, 59},
    {3840, 2160, 192.0, 2 * 56, 2 * 52, 2 * 24, 2 * 59 - 1, 2 * 59 + 1},
};

struct Seen {
    surface::Size window;
    int32_t h26 = 0, h28 = 0, h60 = 0, f44 = 0;
    int overflowing = 0;
    std::string overflow_list;
};

// Every button caption is one line in its button's font; it must fit the
// button it sits on.
void check_captions(Seen& seen) {
    const surface::Handle bitmap = surface::new_bitmap(8, 8);
    surface::select_target(bitmap, 0, surface::Display::Deferred);
    std::vector<int32_t> ids{ID_INDIETRO, ID_RESISTENZA, ID_FINE, ID_RESETTA};
    for (int32_t id = 601; id <= 612; ++id) ids.push_back(id);
    for (int32_t id : ids) {
        const NG_BOTTONE& b = NG_BOTTONI[static_cast<std::size_t>(id)];
        surface::select_font(b.font);
        const std::string caption = b.testo_0.str();
        const surface::Size text = surface::text_size(caption);
        const surface::Size button = surface::control_size(dialogo, id);
        if (caption.empty() || text.w >= button.w || text.h >= button.h) {
            ++seen.overflowing;
            seen.overflow_list += " \"" + caption + "\" " + std::to_string(text.w) + "x" +
                                  std::to_string(text.h) + " in " + std::to_string(button.w) + "x" +
                                  std::to_string(button.h);
        }
    }
    surface::end_bitmap();
}

TEST(Density, FontsFollowTheScreenOnceAndCaptionsFit) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const Expected* e = nullptr;
    for (const Expected& s : kScreens)
        if (screen->geometry().size() == QSize(s.width, s.height) && surface::screen_dpi() == s.dpi)
            e = &s;
    ASSERT_NE(e, nullptr) << "screen " << screen->geometry().width() << 'x'
                          << screen->geometry().height() << " at " << surface::screen_dpi()
                          << " DPI is none of the expected ones";

    Seen seen;
    QTimer::singleShot(200, [&] {
        seen.window = surface::window_size(dialogo);
        seen.h26 = surface::font_pixel_size(font_h26.handle);
        seen.h28 = surface::font_pixel_size(font_h28.handle);
        seen.h60 = surface::font_pixel_size(font_h60.handle);
        seen.f44 = surface::font_pixel_size(font_44.handle);
        check_captions(seen);
        surface::end_dialog(dialogo, 0);
    });
    EXPECT_EQ(PRINCIPALE(), 0);
    surface::reset_all();

    // The layout is in device pixels: the dialog covers the whole screen.
    EXPECT_EQ(seen.window, (surface::Size{e->width, e->height}));
    EXPECT_EQ(seen.h26, e->h26);
    EXPECT_EQ(seen.h28, e->h28);
    EXPECT_EQ(seen.h60, e->h60);
    EXPECT_GE(seen.f44, e->f44_lo);
    EXPECT_LE(seen.f44, e->f44_hi);
    EXPECT_EQ(seen.overflowing, 0) << seen.overflow_list;
}

} // namespace
