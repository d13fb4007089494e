// Fonts: made, selected and deleted by handle; the default font, points
// turned into pixels at the screen's resolution, the faces that stand for the
// program's font names, and the measurements kept for texts.
#include "surface/fonts.h"
#include "surface/handle_table.h"
#include "surface/latin1_qt.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace surface {
namespace detail {

namespace {
QFont* default_font = nullptr;
std::atomic<uint64_t> font_files_generation{0};
} // namespace

void font_files_changed() {
    ++font_files_generation;
}

bool fonts_available() {
    return QGuiApplication::instance() != nullptr;
}

namespace {

// The installed face the font matcher picks for a generic name and hint.
QString concrete_family(const char* generic, QFont::StyleHint hint, bool fixed) {
    QFont probe(QString::fromLatin1(generic));
    probe.setStyleHint(hint);
    probe.setFixedPitch(fixed);
    const QString family = QFontInfo(probe).family();
    if (!fixed || QFontDatabase::isFixedPitch(family)) return family;
    for (const QString& f : QFontDatabase::families())
        if (QFontDatabase::isFixedPitch(f) && !QFontDatabase::isPrivateFamily(f)) return f;
    return family;
}

} // namespace

void install_font_substitutions() {
    // The generic names serve before the application object exists; once it
    // does, the installed faces they stand for go first.
    QFont::removeSubstitutions("MS Sans Serif");
    QFont::removeSubstitutions("pragmatapro");
    QStringList sans{"sans-serif"};
    QStringList mono{"monospace"};
    if (fonts_available()) {
        sans.prepend(concrete_family("sans-serif", QFont::SansSerif, false));
        mono.prepend(concrete_family("monospace", QFont::TypeWriter, true));
    }
    QFont::insertSubstitutions("MS Sans Serif", sans);
    QFont::insertSubstitutions("pragmatapro", mono);
}

void release_fonts() {
    for (Handle h : fonts().handles()) delete fonts().remove(h);
}

} // namespace detail

double screen_dpi() {
    if (detail::fonts_available())
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const double dpi = screen->logicalDotsPerInchY();
            if (std::isfinite(dpi) && dpi >= 1.0) return dpi;
        }
    return 96.0;
}

namespace detail {
namespace {

int32_t points_to_pixels(int32_t points) {
    if (points == 0) points = 8;
    const double pixels = std::fabs(double(points)) * screen_dpi() / 72.0;
    return std::clamp(int32_t(std::nearbyint(std::min(pixels, 100000.0))), 1, 100000);
}

const QFont* the_default_font() {
    if (!fonts_available()) return nullptr;
    if (default_font == nullptr) {
        static std::once_flag once;
        std::call_once(once, install_font_substitutions);
        default_font = new QFont(QStringLiteral("MS Sans Serif"));
        default_font->setPixelSize(points_to_pixels(8));
        default_font->setWeight(QFont::Normal);
    }
    return default_font;
}

} // namespace

const QFont* font_of(const DrawState& state) {
    if (!fonts_available()) return nullptr;
    if (const QFont* font = fonts().find(state.font)) return font;
    return the_default_font();
}

// Measurements of texts in fonts, kept because captions are measured and
// then drawn, often twice (shadow and text), and laying a text out is most of
// what measuring costs. Bounded; emptied when the registered font files
// change, since the same font may then resolve to another face.
TextMetrics text_metrics(const QFont& font, const QString& text) {
    struct Entry {
        QFont font;
        TextMetrics metrics;
    };
    constexpr size_t most_entries = 512;
    thread_local QHash<QString, std::vector<Entry>> measured;
    thread_local size_t entries = 0;
    thread_local uint64_t generation = 0;
    const uint64_t now = font_files_generation.load();
    if (generation != now || entries >= most_entries) {
        measured.clear();
        entries = 0;
        generation = now;
    }
    std::vector<Entry>& same_text = measured[text];
    for (const Entry& e : same_text)
        if (e.font == font && e.font.resolveMask() == font.resolveMask()) return e.metrics;
    const QFontMetrics fm(font);
    TextMetrics m;
    m.advance = fm.horizontalAdvance(text);
    m.height = fm.height();
    m.ascent = fm.ascent();
    if (!text.isEmpty()) m.ink = fm.boundingRect(text);
    same_text.push_back({font, m});
    ++entries;
    return same_text.back().metrics;
}

} // namespace detail

using namespace detail;

Handle create_font(const std::string& face, int32_t points, int32_t style_bits, int32_t charset) {
    (void)charset;
    if (the_default_font() == nullptr) return 0;
    const std::string name = face.substr(0, 31);
    auto* font = new QFont(latin1(name));
    font->setPixelSize(points_to_pixels(points));
    font->setWeight((style_bits & FONT_BOLD) ? QFont::Bold : QFont::Normal);
    font->setItalic(style_bits & FONT_ITALIC);
    font->setUnderline(style_bits & FONT_UNDERLINE);
    font->setStrikeOut(style_bits & FONT_STRIKEOUT);
    const Handle handle = fonts().add(font);
    if (handle == 0) delete font;
    return handle;
}

void select_font(Handle font) {
    TargetRef t = current();
    if (!t) return;
    const bool known = font == 0 || font == 1 || fonts().find(font) != nullptr;
    if (known) t.canvas->state.font = font == 0 ? 1 : font;
}

Handle selected_font() {
    TargetRef t = current();
    return t ? t.canvas->state.font : 0;
}

void delete_font(Handle font) {
    delete fonts().remove(font);
}

int32_t font_pixel_size(Handle font) {
    const QFont* f = font == 1 ? the_default_font() : fonts().find(font);
    return f != nullptr ? f->pixelSize() : 0;
}

} // namespace surface
