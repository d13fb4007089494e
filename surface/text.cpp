// Text: printed at the target's position in its font and colours, and
// measured.
#include "surface/fonts.h"
#include "surface/latin1_qt.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace surface {

using namespace detail;

void set_pos(double x, double y) {
    TargetRef t = current();
    if (t) t.canvas->state.pos = {to_pixel(x), to_pixel(y)};
}

Point get_pos() {
    TargetRef t = current();
    return t ? t.canvas->state.pos : Point{};
}

void print(const std::string& text) {
    TargetRef t = drawing_target();
    if (!t) return;
    const QFont* font = font_of(t.canvas->state);
    if (font == nullptr) return;
    DrawState& s = t.canvas->state;
    const QString q = latin1(text);
    const TextMetrics m = text_metrics(*font, q);
    if (!q.isEmpty() && !t.canvas->size().isEmpty() && !t.canvas->pixels().isNull()) {
        QPainter painter(&t.canvas->image);
        if (s.background != NO_COLOUR)
            painter.fillRect(QRect(s.pos.x, s.pos.y, m.advance, m.height),
                             QColor(background_rgb(s)));
        painter.setFont(*font);
        painter.setPen(QColor(foreground_rgb(s)));
        painter.drawText(QPoint(s.pos.x, s.pos.y + m.ascent), q);
    }
    const QPoint at(s.pos.x, s.pos.y);
    s.pos.x += m.advance;
    if (q.isEmpty()) return;
    // The cell of the text, widened by a line height on each side for glyphs
    // that reach past their advance (italics, overhanging bearings).
    const int line = m.height;
    const QRect ink = m.ink.translated(at.x(), at.y() + m.ascent);
    drawn(t, QRect(at.x() - line, at.y(), m.advance + 2 * line, line)
                 .united(ink.adjusted(-2, -2, 2, 2)));
}

void new_line() {
    TargetRef t = current();
    if (!t) return;
    const QFont* font = font_of(t.canvas->state);
    if (font == nullptr) return;
    t.canvas->state.pos.x = 0;
    t.canvas->state.pos.y += QFontMetrics(*font).lineSpacing();
}

Size text_size(const std::string& text) {
    TargetRef t = current();
    if (!t) return {};
    const QFont* font = font_of(t.canvas->state);
    if (font == nullptr) return {};
    const TextMetrics m = text_metrics(*font, latin1(text));
    return {m.advance, m.height};
}

int32_t font_ascent() {
    TargetRef t = current();
    const QFont* font = t ? font_of(t.canvas->state) : nullptr;
    return font ? QFontMetrics(*font).ascent() : 0;
}

} // namespace surface
