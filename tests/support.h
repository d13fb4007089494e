// Helpers shared by the test programs: pixel snapshots, the widgets behind
// graphic controls and what screen readers are told about them.
#pragma once

#include "base/blanks.h"
#include "base/snapshot.h"
#include "calc/shared.h"
#include "ngbutton/ngbutton.h"
#include "surface/surface.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <vector>

#include <cstdint>
#include <cstring>
#include <string>

namespace testsupport {

// Width (at 0) or height (at 4) of a snapshot; 0 without a whole header.
inline int32_t header(const std::string& s, int at) {
    const base::snapshot::Header h = base::snapshot::read_header(s.data(), s.size());
    return at == 0 ? h.width : h.height;
}

// Colour of a pixel as 0x00BBGGRR.
inline int32_t colour_at(const std::string& s, int32_t x, int32_t y) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + 8 +
                    4 * (static_cast<std::size_t>(y) * header(s, 0) + x);
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

// Pixels whose colour differs (the reserved byte ignored); -1 when the sizes differ.
inline int differences(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.size() < 8 || a.compare(0, 8, b, 0, 8) != 0) return -1;
    int n = 0;
    for (int32_t y = 0; y < header(a, 4); ++y)
        for (int32_t x = 0; x < header(a, 0); ++x) n += colour_at(a, x, y) != colour_at(b, x, y);
    return n;
}

inline bool all_of_colour(const std::string& s, int32_t colour) {
    for (int32_t y = 0; y < header(s, 4); ++y)
        for (int32_t x = 0; x < header(s, 0); ++x)
            if (colour_at(s, x, y) != colour) return false;
    return s.size() > 8;
}

// The rectangle (x, y, w, h) of a snapshot.
inline std::string crop(const std::string& s, int32_t x, int32_t y, int32_t w, int32_t h) {
    std::string out = base::snapshot::with_header(w, h);
    for (int32_t j = 0; j < h; ++j)
        std::memcpy(out.data() + 8 + 4 * static_cast<std::size_t>(j) * w,
                    s.data() + 8 + 4 * (static_cast<std::size_t>(y + j) * header(s, 0) + x),
                    4 * static_cast<std::size_t>(w));
    return out;
}

// A snapshot of w x h pixels given as 32-bit words.
inline std::string make_snapshot(int32_t w, int32_t h, const std::vector<uint32_t>& pixels) {
    // The header may promise more pixels than follow (hostile snapshots).
    std::string s(base::snapshot::kHeader + 4 * pixels.size(), '\0');
    base::snapshot::write_le32(s.data(), w);
    base::snapshot::write_le32(s.data() + 4, h);
    if (!pixels.empty()) std::memcpy(s.data() + 8, pixels.data(), 4 * pixels.size());
    return s;
}

// A dialog of w x h whose background control 340 covers it and holds
// pattern(x, y) at each pixel, as a pixel word (0xAARRGGBB: blue in the low
// byte). Returns the background's snapshot.
template <class Pattern>
inline std::string dialog_over_pattern(surface::Handle& dialog, int32_t w, int32_t h,
                                       Pattern pattern) {
    dialog = surface::create_dialog(0, "", 0, 0, w, h, 0, 0);
    surface::add_control(dialog, ID_SFONDO, "", 0, 0, w, h, 0, 0);
    std::vector<uint32_t> words;
    words.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) words.push_back(pattern(x, y));
    std::string background = make_snapshot(w, h, words);
    surface::select_target(dialog, ID_SFONDO, surface::Display::Direct);
    surface::set_pixels(background);
    return background;
}

// Text without leading and trailing blanks, as the program trims it.
inline std::string trimmed(const std::string& s) {
    return trim_blanks(s);
}

// The child widget of a dialog's graphic control, found by place and size.
inline QWidget* control_widget(surface::Handle dialog, int32_t id) {
    const surface::Point p = surface::control_pos(dialog, id);
    const surface::Size s = surface::control_size(dialog, id);
    if (s.w == 0 && s.h == 0) return nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (w->parentWidget() != nullptr && qobject_cast<QDialog*>(w->window()) != nullptr &&
            w->geometry() == QRect(p.x, p.y, s.w, s.h))
            return w;
    return nullptr;
}

// The name a screen reader is given for a control.
inline std::string accessible_name(surface::Handle dialog, int32_t id) {
    QWidget* w = control_widget(dialog, id);
    if (w == nullptr) return "<no widget>";
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (a == nullptr) return "<no interface>";
    return a->text(QAccessible::Name).toStdString();
}

// The same for the program's dialog.
inline QWidget* control_widget(int32_t id) {
    return control_widget(dialogo, id);
}
inline std::string accessible_name(int32_t id) {
    return accessible_name(dialogo, id);
}

// A clean slate for calculator tests: no windows, fresh tables, the colour
// table filled, no bands and no pending key.
inline void fresh_calculator() {
    surface::reset_all();
    NG_CREA_TABELLE();
    RIEMPI_COLORI();
    bande.clear();
    ultimo_tasto.clear();
}

} // namespace testsupport
