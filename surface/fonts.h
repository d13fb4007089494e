// Fonts: the default font, the font a target's text uses, measurements of
// texts, and the substitutes for the font names the program asks for.
#pragma once

#include "surface/canvas.h"

#include <QRect>

class QFont;
class QString;

namespace surface::detail {

// True when fonts may be used: a QGuiApplication exists.
bool fonts_available();
void install_font_substitutions();
// Font files were registered or removed: measurements kept for texts may no
// longer hold.
void font_files_changed();
void release_fonts();

// The font a target's text uses: its selected font, or the default when that
// one has been deleted meanwhile; nullptr without fonts.
const QFont* font_of(const DrawState& state);

struct TextMetrics {
    int advance = 0;
    int height = 0;
    int ascent = 0;
    QRect ink; // relative to the baseline origin
};

// The measurements of a text in a font, kept for texts measured before.
TextMetrics text_metrics(const QFont& font, const QString& text);

} // namespace surface::detail
