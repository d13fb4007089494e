// Drawing targets, memory bitmaps, shapes, text, fonts, pixels and copies.
#include "surface/surface_private.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace surface {
namespace detail {

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

namespace {
thread_local Handle current_target_handle = 0;
QFont* default_font = nullptr;
} // namespace

CanvasWidget* find_canvas_widget(Handle handle) {
    return dynamic_cast<CanvasWidget*>(windows().find(handle));
}

Dialog* find_dialog(Handle handle) {
    return dynamic_cast<Dialog*>(windows().find(handle));
}

GraphicControl* find_control(Handle dialog, int32_t id) {
    Dialog* d = find_dialog(dialog);
    if (d == nullptr) return nullptr;
    auto it = d->controls.find(id);
    return it == d->controls.end() ? nullptr : it->second;
}

TargetRef find_target(Handle handle) {
    if (Canvas* bitmap = bitmaps().find(handle)) return {bitmap, nullptr};
    if (CanvasWidget* widget = find_canvas_widget(handle)) return {&widget->canvas, widget};
    return {};
}

TargetRef find_source(Handle handle, int32_t id) {
    if (id == 0) return find_target(handle);
    GraphicControl* control = find_control(handle, id);
    if (control == nullptr) return {};
    return {&control->canvas, control};
}

TargetRef current() {
    return find_target(current_target_handle);
}
void set_current(Handle handle) {
    current_target_handle = handle;
}
Handle current_handle() {
    return current_target_handle;
}

namespace {
std::atomic<uint64_t> plain_serials{0};
} // namespace

QImage& Canvas::pixels() {
    if (!plain) return image;
    QImage made = blank_image(plain_size.width(), plain_size.height(), plain_colour);
    if (made.isNull()) return image; // still plain, and still no pixels
    // Making the pixels changes nothing that is shown.
    const bool was_known = known_version == version();
    image = std::move(made);
    plain = false;
    if (was_known) known_version = version();
    return image;
}

uint64_t Canvas::version() const {
    // An image's cache key is unique to its data and moves on with every
    // write access to its pixels; the plain state has serials of its own.
    if (plain) return (uint64_t(1) << 63) | plain_serial;
    return uint64_t(image.cacheKey());
}

void Canvas::make_plain(QSize size, QRgb colour) {
    image = QImage();
    plain = true;
    plain_size = size;
    plain_colour = colour;
    plain_serial = ++plain_serials;
}

void Canvas::fill_plain(QRgb colour) {
    if (may_be_plain)
        make_plain(size(), colour);
    else
        image.fill(colour);
}

TargetRef drawing_target() {
    TargetRef t = current();
    if (t && t.canvas->version() != t.canvas->known_version)
        t.canvas->unshown = QRect(QPoint(0, 0), t.canvas->size());
    return t;
}

void drawn(const TargetRef& target) {
    drawn(target, target.widget != nullptr ? target.widget->rect()
                                           : QRect(QPoint(0, 0), target.canvas->size()));
}

void drawn(const TargetRef& target, const QRect& area) {
    Canvas& c = *target.canvas;
    c.known_version = c.version();
    if (target.widget == nullptr) return;
    if (c.state.mode != Display::Direct) {
        c.unshown |= area.intersected(QRect(QPoint(0, 0), c.size()));
        return;
    }
    const QRect shown = area.intersected(target.widget->rect());
    if (shown.isEmpty()) return;
    if (shown.contains(c.unshown)) c.unshown = QRect();
    target.widget->repaint(shown);
}

namespace {
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

// The font a target's text uses: its selected font, or the default when that
// one has been deleted meanwhile.
const QFont* font_of(const DrawState& state) {
    if (!fonts_available()) return nullptr;
    if (const QFont* font = fonts().find(state.font)) return font;
    return the_default_font();
}

// Measurements of texts in fonts, kept because captions are measured and
// then drawn, often twice (shadow and text), and laying a text out is most of
// what measuring costs. Bounded; emptied when the registered font files
// change, since the same font may then resolve to another face.
struct TextMetrics {
    int advance = 0;
    int height = 0;
    int ascent = 0;
    QRect ink; // relative to the baseline origin
};

TextMetrics text_metrics(const QFont& font, const QString& text) {
    struct Entry {
        QFont font;
        TextMetrics metrics;
    };
    constexpr size_t most_entries = 512;
    thread_local QHash<QString, std::vector<Entry>> cache;
    thread_local size_t entries = 0;
    thread_local uint64_t generation = 0;
    const uint64_t now = font_files_generation.load();
    if (generation != now || entries >= most_entries) {
        cache.clear();
        entries = 0;
        generation = now;
    }
    std::vector<Entry>& same_text = cache[text];
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

QRgb rgb(int32_t colour) {
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}
QRgb foreground_rgb(const DrawState& s) {
    return s.foreground == -1 ? qRgb(0, 0, 0) : rgb(s.foreground);
}
QRgb background_rgb(const DrawState& s) {
    return s.background < 0 ? qRgb(255, 255, 255) : rgb(s.background);
}

QBrush fill_brush(QRgb colour, int32_t style) {
    static constexpr Qt::BrushStyle hatches[] = {
        Qt::SolidPattern, Qt::HorPattern,   Qt::VerPattern,      Qt::FDiagPattern,
        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    if (style < 0 || style > 6) style = 0;
    return QBrush(QColor(colour), hatches[style]);
}

// The rectangle of whole pixels that two corners span, both included.
QRectF pixel_rect(double x1, double y1, double x2, double y2) {
    int32_t a = to_pixel(x1), b = to_pixel(y1), c = to_pixel(x2), d = to_pixel(y2);
    if (a > c) std::swap(a, c);
    if (b > d) std::swap(b, d);
    return QRectF(a, b, double(c) - a + 1, double(d) - b + 1);
}

enum class Shape { Box, Ellipse };

void add_shape(QPainterPath& path, Shape shape, const QRectF& r, double radius) {
    if (shape == Shape::Ellipse)
        path.addEllipse(r);
    else if (radius > 0)
        path.addRoundedRect(r, radius, radius);
    else
        path.addRect(r);
}

// Outline of the current pen width drawn inside the shape, fill inside that.
void draw_shape(Shape shape, const QRectF& r, double radius, int32_t line_colour,
                int32_t fill_colour, int32_t fill_style) {
    TargetRef t = drawing_target();
    if (!t || t.canvas->pixels().isNull()) return;
    const DrawState& s = t.canvas->state;
    const QRgb line = line_colour == -1 ? foreground_rgb(s) : rgb(line_colour);
    const int32_t pen = std::clamp(s.pen, 1, 1 << 20);
    const QRectF inner = r.adjusted(pen, pen, -pen, -pen);

    QPainter painter(&t.canvas->image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    if (shape == Shape::Box && radius <= 0) {
        // A square box of whole pixels: its frame is four bands and its
        // inside one rectangle, filled directly instead of as paths.
        const bool has_inside = inner.width() > 0 && inner.height() > 0;
        if (!has_inside) {
            painter.fillRect(r, QColor(line));
        } else {
            const double side = r.height() - 2.0 * pen;
            painter.fillRect(QRectF(r.left(), r.top(), r.width(), pen), QColor(line));
            painter.fillRect(QRectF(r.left(), r.bottom() - pen, r.width(), pen), QColor(line));
            painter.fillRect(QRectF(r.left(), r.top() + pen, pen, side), QColor(line));
            painter.fillRect(QRectF(r.right() - pen, r.top() + pen, pen, side), QColor(line));
            if (fill_colour != -2) {
                const QBrush brush =
                    fill_brush(fill_colour == -1 ? line : rgb(fill_colour), fill_style);
                if (brush.style() == Qt::SolidPattern) {
                    painter.fillRect(inner, brush);
                } else {
                    QPainterPath inside;
                    inside.addRect(inner);
                    painter.fillPath(inside, brush);
                }
            }
        }
        painter.end();
        drawn(t, r.toAlignedRect());
        return;
    }
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    add_shape(ring, shape, r, radius);
    const bool has_inside = inner.width() > 0 && inner.height() > 0;
    QPainterPath inside;
    if (has_inside) {
        add_shape(inside, shape, inner, std::max(0.0, radius - pen));
        ring.addPath(inside);
    }
    painter.fillPath(ring, QColor(line));
    if (has_inside && fill_colour != -2)
        painter.fillPath(inside,
                         fill_brush(fill_colour == -1 ? line : rgb(fill_colour), fill_style));
    painter.end();
    drawn(t, r.toAlignedRect());
}

// The part of [x1, x2) x [y1, y2) that can touch a window, as a QRect.
QRect edge_rect(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    constexpr int64_t lo = -1, hi = int64_t(MAX_WINDOW_EDGE) + 1;
    x1 = std::clamp(x1, lo, hi);
    y1 = std::clamp(y1, lo, hi);
    x2 = std::clamp(x2, lo, hi);
    y2 = std::clamp(y2, lo, hi);
    return QRect(int(x1), int(y1), int(x2 - x1), int(y2 - y1));
}

// Copies a clipped rectangle of whole rows between RGB32 images; source and
// destination may be the same image and may overlap.
void blit(const QImage& src, int64_t sx, int64_t sy, int64_t w, int64_t h, QImage& dst, int64_t dx,
          int64_t dy) {
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({w, src.width() - sx, dst.width() - dx});
    h = std::min({h, src.height() - sy, dst.height() - dy});
    if (w <= 0 || h <= 0) return;
    const qsizetype src_stride = src.bytesPerLine();
    const qsizetype dst_stride = dst.bytesPerLine();
    const uchar* from = src.constBits() + sy * src_stride + sx * 4;
    uchar* to = dst.bits() + dy * dst_stride + dx * 4;
    // Both are RGB32, whose top byte is always 0xFF, so the rows go over as
    // they are.
    const size_t row_bytes = size_t(w) * 4;
    if (&src != &dst && src_stride == dst_stride && qsizetype(row_bytes) == src_stride) {
        std::memcpy(to, from, row_bytes * size_t(h));
        return;
    }
    const bool upwards = &src == &dst && dy > sy;
    for (int64_t i = 0; i < h; ++i) {
        const int64_t row = upwards ? h - 1 - i : i;
        std::memmove(to + row * dst_stride, from + row * src_stride, row_bytes);
    }
}

// Where destination cell i of n samples a source run of m pixels: the two
// neighbours and the share of the second in 256ths, centres matched
// ((i + 1/2) * m / n - 1/2), the ends held. Mirrored runs count from the end.
struct Tap {
    int32_t first, second;
    uint32_t share;
};

Tap tap(int64_t i, int64_t n, int64_t m, bool mirrored) {
    if (mirrored) i = n - 1 - i;
    // Position in 256ths of a source pixel.
    int64_t pos = ((2 * i + 1) * m * 256) / (2 * n) - 128;
    pos = std::clamp<int64_t>(pos, 0, (m - 1) * 256);
    const int32_t first = int32_t(pos >> 8);
    return {first, std::min<int32_t>(first + 1, int32_t(m - 1)), uint32_t(pos & 0xFF)};
}

// a * (256 - share) + b * share, per channel, in 256ths.
inline uint32_t mix256(uint32_t a, uint32_t b, uint32_t share) {
    const uint32_t keep = 256 - share;
    const uint32_t rb = (((a & 0x00FF00FFu) * keep + (b & 0x00FF00FFu) * share) >> 8) & 0x00FF00FFu;
    const uint32_t ag =
        (((a >> 8) & 0x00FF00FFu) * keep + ((b >> 8) & 0x00FF00FFu) * share) & 0xFF00FF00u;
    return rb | ag;
}

// out = top * (256 - share) + bottom * share, per byte, in 256ths.
void blend_rows(const uint32_t* top, const uint32_t* bottom, uint32_t share, uint32_t* out,
                size_t n) {
    size_t k = 0;
#ifdef __SSE2__
    const __m128i keep16 = _mm_set1_epi16(short(256 - share));
    const __m128i share16 = _mm_set1_epi16(short(share));
    const __m128i zero = _mm_setzero_si128();
    for (; k + 4 <= n; k += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + k));
        const __m128i lo =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), keep16),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), share16)),
                           8);
        const __m128i hi =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), keep16),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), share16)),
                           8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; k < n; ++k) out[k] = mix256(top[k], bottom[k], share);
}

// Bilinear resampling of the source rectangle (sx, sy, sw, sh), which lies
// inside `src`, onto the destination rectangle (dx, dy, dw, dh) of `dst`,
// clipped to `dst`; mirrored across or down as asked. Per destination row the
// two source rows are blended into a row buffer over the columns used, then
// each destination pixel mixes its two neighbours from that buffer.
void resample(const QImage& src, int64_t sx, int64_t sy, int64_t sw, int64_t sh, bool flip_x,
              bool flip_y, QImage& dst, int64_t dx, int64_t dy, int64_t dw, int64_t dh) {
    const int64_t i0 = std::max<int64_t>(0, -dx), i1 = std::min<int64_t>(dw, dst.width() - dx);
    const int64_t j0 = std::max<int64_t>(0, -dy), j1 = std::min<int64_t>(dh, dst.height() - dy);
    if (i0 >= i1 || j0 >= j1) return;
    std::vector<Tap> across(size_t(i1 - i0));
    int32_t lo = int32_t(sw), hi = 0; // source columns used
    for (int64_t i = i0; i < i1; ++i) {
        const Tap c = tap(i, dw, sw, flip_x);
        across[size_t(i - i0)] = c;
        lo = std::min(lo, c.first);
        hi = std::max(hi, c.second);
    }
    const qsizetype src_stride = src.bytesPerLine();
    const uchar* src_bits = src.constBits() + sx * 4;
    // Taken once, before any second thread: bits() may detach a shared image.
    const qsizetype dst_stride = dst.bytesPerLine();
    uchar* dst_bits = dst.bits();
    const size_t used = size_t(hi - lo + 1);
    auto rows = [&](int64_t from_row, int64_t to_row) {
        std::vector<uint32_t> row(used);
        for (int64_t j = from_row; j < to_row; ++j) {
            const Tap r = tap(j, dh, sh, flip_y);
            const auto* top =
                reinterpret_cast<const uint32_t*>(src_bits + (sy + r.first) * src_stride) + lo;
            const auto* bottom =
                reinterpret_cast<const uint32_t*>(src_bits + (sy + r.second) * src_stride) + lo;
            const uint32_t* blended = top;
            if (r.share != 0) {
                blend_rows(top, bottom, r.share, row.data(), used);
                blended = row.data();
            }
            auto* to = reinterpret_cast<uint32_t*>(dst_bits + (dy + j) * dst_stride) + dx + i0;
            const Tap* c = across.data();
            for (int64_t i = 0, n = i1 - i0; i < n; ++i)
                to[i] = mix256(blended[c[i].first - lo], blended[c[i].second - lo], c[i].share);
        }
    };
    // Large areas are shared with a second thread, half the rows each.
    constexpr int64_t shared_from = 256 * 1024;
    if ((j1 - j0) * (i1 - i0) < shared_from || j1 - j0 < 2) {
        rows(j0, j1);
        return;
    }
    const int64_t middle = j0 + (j1 - j0) / 2;
    std::thread helper;
    try {
        helper = std::thread(rows, middle, j1);
    } catch (const std::system_error&) {
        rows(j0, j1);
        return;
    }
    rows(j0, middle);
    helper.join();
}

} // namespace
} // namespace detail

using namespace detail;

// ---------------------------------------------------------------- targets

void select_target(Handle handle, int32_t id, Display mode) {
    TargetRef t = find_source(handle, id);
    if (!t) {
        // Drawing meant for a target that does not exist must not land on
        // the previously selected one.
        set_current(0);
        return;
    }
    t.canvas->state.mode = mode;
    if (id == 0)
        set_current(handle);
    else
        set_current(static_cast<CanvasWidget*>(t.widget)->handle);
}

Handle current_target() {
    return current() ? current_handle() : 0;
}

Handle new_bitmap(int32_t width, int32_t height, bool black) {
    if (!fits_image(width, height)) return 0;
    auto* canvas = new Canvas;
    canvas->image = black ? blank_image(width, height, 0xFF000000u) : new_image(width, height);
    if (canvas->image.isNull()) {
        delete canvas;
        return 0;
    }
    canvas->state.mode = Display::Deferred;
    const Handle handle = bitmaps().add(canvas);
    if (handle == 0) delete canvas;
    return handle;
}

Handle bitmap_of(const QImage& pixels) {
    if (pixels.format() != QImage::Format_RGB32 || !fits_image(pixels.width(), pixels.height()))
        return 0;
    auto* canvas = new Canvas;
    canvas->image = pixels;
    canvas->state.mode = Display::Deferred;
    const Handle handle = bitmaps().add(canvas);
    if (handle == 0) delete canvas;
    return handle;
}

void end_bitmap() {
    if (Canvas* canvas = bitmaps().remove(current_handle())) {
        delete canvas;
        set_current(0);
    }
}

Size client_size() {
    TargetRef t = current();
    if (!t) return {};
    const QSize size = t.canvas->size();
    return {size.width(), size.height()};
}

QImage* device_context() {
    TargetRef t = current();
    if (!t || t.canvas->pixels().isNull()) return nullptr;
    return &t.canvas->image;
}

uint64_t target_version() {
    TargetRef t = current();
    return t ? t.canvas->version() : 0;
}

uint64_t content_version(Handle source, int32_t source_id) {
    TargetRef s = find_source(source, source_id);
    return s ? s.canvas->version() : 0;
}

void redraw() {
    TargetRef t = current();
    if (t.widget == nullptr) return;
    // Only what was drawn since the last showing is repainted; pixels changed
    // from outside the drawing operations make all of it new.
    Canvas& c = *t.canvas;
    if (c.version() != c.known_version) {
        c.unshown = t.widget->rect();
        c.known_version = c.version();
    }
    const QRect area = c.unshown.intersected(t.widget->rect());
    c.unshown = QRect();
    if (!area.isEmpty()) t.widget->repaint(area);
}

// ---------------------------------------------------------------- drawing

void clear(int32_t colour, int32_t style) {
    TargetRef t = drawing_target();
    if (!t) return;
    DrawState& s = t.canvas->state;
    s.pos = {};
    if (t.canvas->size().isEmpty()) return;
    const QRgb fill = colour == -1 ? background_rgb(s) : rgb(colour);
    if (style <= 0 || style > 6) {
        t.canvas->fill_plain(fill);
    } else {
        QImage& image = t.canvas->pixels();
        if (image.isNull()) return;
        QPainter painter(&image);
        painter.fillRect(image.rect(), fill_brush(fill, style));
    }
    drawn(t);
}

void box(double x1, double y1, double x2, double y2, int32_t corner, int32_t line_colour,
         int32_t fill_colour, int32_t fill_style) {
    const QRectF r = pixel_rect(x1, y1, x2, y2);
    const double shorter = std::min(r.width(), r.height());
    const double diameter = shorter * std::clamp(corner, 0, 100) / 100.0;
    draw_shape(Shape::Box, r, diameter / 2, line_colour, fill_colour, fill_style);
}

void ellipse(double x1, double y1, double x2, double y2, int32_t line_colour, int32_t fill_colour,
             int32_t fill_style) {
    draw_shape(Shape::Ellipse, pixel_rect(x1, y1, x2, y2), 0, line_colour, fill_colour, fill_style);
}

void set_colours(int32_t foreground, int32_t background) {
    TargetRef t = current();
    if (!t) return;
    t.canvas->state.foreground = foreground;
    t.canvas->state.background = background;
}

void pen_width(int32_t width) {
    TargetRef t = current();
    if (t) t.canvas->state.pen = width;
}

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
    const QString q = QString::fromLatin1(text.data(), qsizetype(text.size()));
    const TextMetrics m = text_metrics(*font, q);
    if (!q.isEmpty() && !t.canvas->size().isEmpty() && !t.canvas->pixels().isNull()) {
        QPainter painter(&t.canvas->image);
        if (s.background != -2)
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
    const TextMetrics m =
        text_metrics(*font, QString::fromLatin1(text.data(), qsizetype(text.size())));
    return {m.advance, m.height};
}

// ---------------------------------------------------------------- fonts

Handle create_font(const std::string& face, int32_t points, int32_t style_bits, int32_t charset) {
    (void)charset;
    if (the_default_font() == nullptr) return 0;
    const std::string name = face.substr(0, 31);
    auto* font = new QFont(QString::fromLatin1(name.data(), qsizetype(name.size())));
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
    if (font == 0 || font == 1 || fonts().find(font) != nullptr)
        t.canvas->state.font = font == 0 ? 1 : font;
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

// ---------------------------------------------------------------- pixels

std::string get_pixels() {
    TargetRef t = current();
    if (!t || t.canvas->pixels().isNull()) return {};
    const QImage& image = t.canvas->image;
    const int32_t w = image.width(), h = image.height();
    const size_t row_bytes = size_t(w) * 4;
    // Filled by appending into reserved room, so the pixels are written once.
    std::string out;
    out.reserve(8 + row_bytes * size_t(h));
    char header[8];
    for (int i = 0; i < 4; ++i) header[i] = char((uint32_t(w) >> (8 * i)) & 0xFF);
    for (int i = 0; i < 4; ++i) header[4 + i] = char((uint32_t(h) >> (8 * i)) & 0xFF);
    out.append(header, 8);
    const auto* bits = reinterpret_cast<const char*>(image.constBits());
    if (qsizetype(row_bytes) == image.bytesPerLine()) {
        out.append(bits, row_bytes * size_t(h));
    } else {
        for (int32_t y = 0; y < h; ++y)
            out.append(bits + size_t(y) * size_t(image.bytesPerLine()), row_bytes);
    }
    return out;
}

namespace {

// Copies n pixels that come from outside and sets their top byte, which an
// RGB32 image must have at 0xFF; one pass.
void copy_opaque(uint32_t* to, const uchar* from, size_t n) {
    for (size_t x = 0; x < n; ++x) {
        uint32_t p;
        std::memcpy(&p, from + 4 * x, 4);
        to[x] = p | 0xFF000000u;
    }
}

} // namespace

void set_pixels(const std::string& snapshot) {
    TargetRef t = drawing_target();
    if (!t || snapshot.size() < 8 || t.canvas->pixels().isNull()) return;
    const auto* p = reinterpret_cast<const uchar*>(snapshot.data());
    const int32_t w = int32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
    const int32_t h = int32_t(p[4] | p[5] << 8 | p[6] << 16 | uint32_t(p[7]) << 24);
    if (w <= 0 || h <= 0) return;
    // A snapshot shorter than its header promises is not a snapshot.
    if (uint64_t(snapshot.size() - 8) < uint64_t(w) * uint64_t(h) * 4) return;
    QImage& image = t.canvas->image;
    const int32_t cols = std::min(w, image.width());
    const int32_t rows = std::min(h, image.height());
    const qsizetype stride = image.bytesPerLine();
    uchar* bits = image.bits();
    if (cols == w && qsizetype(w) * 4 == stride) {
        copy_opaque(reinterpret_cast<uint32_t*>(bits), p + 8, size_t(cols) * size_t(rows));
    } else {
        for (int32_t y = 0; y < rows; ++y)
            copy_opaque(reinterpret_cast<uint32_t*>(bits + y * stride),
                        p + 8 + size_t(y) * size_t(w) * 4, size_t(cols));
    }
    drawn(t, QRect(0, 0, cols, rows));
}

// ---------------------------------------------------------------- copies

void copy(Handle source, int32_t source_id, double x1, double y1, double x2, double y2, double dx,
          double dy, int32_t mix) {
    (void)mix;
    TargetRef t = drawing_target();
    TargetRef s = find_source(source, source_id);
    if (!t || !s || t.canvas->pixels().isNull() || s.canvas->pixels().isNull()) return;
    const int64_t sx = to_pixel(x1), sy = to_pixel(y1);
    const int64_t w = int64_t(to_pixel(x2)) - sx + 1, h = int64_t(to_pixel(y2)) - sy + 1;
    if (w <= 0 || h <= 0) return;
    const int64_t tx = to_pixel(dx), ty = to_pixel(dy);
    blit(s.canvas->image, sx, sy, w, h, t.canvas->image, tx, ty);
    drawn(t, edge_rect(tx, ty, tx + w, ty + h));
}

void stretch(Handle source, int32_t source_id, double x1, double y1, double x2, double y2,
             double x3, double y3, double x4, double y4, int32_t mix, int32_t mode) {
    (void)mix;
    (void)mode;
    TargetRef t = drawing_target();
    TargetRef s = find_source(source, source_id);
    if (!t || !s || t.canvas->pixels().isNull() || s.canvas->pixels().isNull()) return;
    // Corners given right-to-left or bottom-to-top mirror the picture.
    int64_t sx = to_pixel(x1), sy = to_pixel(y1), sx2 = to_pixel(x2), sy2 = to_pixel(y2);
    int64_t dx = to_pixel(x3), dy = to_pixel(y3), dx2 = to_pixel(x4), dy2 = to_pixel(y4);
    bool flip_x = false, flip_y = false;
    if (sx2 < sx) {
        std::swap(sx, sx2);
        flip_x = !flip_x;
    }
    if (sy2 < sy) {
        std::swap(sy, sy2);
        flip_y = !flip_y;
    }
    if (dx2 < dx) {
        std::swap(dx, dx2);
        flip_x = !flip_x;
    }
    if (dy2 < dy) {
        std::swap(dy, dy2);
        flip_y = !flip_y;
    }
    const int64_t sw = sx2 - sx + 1, sh = sy2 - sy + 1, dw = dx2 - dx + 1, dh = dy2 - dy + 1;
    if (!fits_image(sw, sh) || !fits_image(dw, dh)) return;
    const QImage& from = s.canvas->image;
    const bool inside = sx >= 0 && sy >= 0 && sx + sw <= from.width() && sy + sh <= from.height();
    if (inside && !flip_x && !flip_y && sw == dw && sh == dh) {
        blit(from, sx, sy, sw, sh, t.canvas->image, dx, dy);
        drawn(t, edge_rect(dx, dy, dx + dw, dy + dh));
        return;
    }
    // A part inside the source that is enlarged or shrunk by at most half is
    // resampled straight into the visible part of the target: no scaled or
    // mirrored copy of it is made. A target stretched onto itself is read
    // from a copy of the part, since rows written early are read later.
    if (inside && 2 * dw >= sw && 2 * dh >= sh) {
        if (&from == &t.canvas->image) {
            const QImage part = from.copy(int(sx), int(sy), int(sw), int(sh));
            if (part.isNull()) return;
            resample(part, 0, 0, sw, sh, flip_x, flip_y, t.canvas->image, dx, dy, dw, dh);
        } else {
            resample(from, sx, sy, sw, sh, flip_x, flip_y, t.canvas->image, dx, dy, dw, dh);
        }
        drawn(t, edge_rect(dx, dy, dx + dw, dy + dh));
        return;
    }
    // Stronger reductions average whole areas of the source; a part that
    // reaches outside the source is copied first (the outside reads black).
    QImage part = inside ? QImage(from.constBits() + sy * from.bytesPerLine() + sx * 4, int(sw),
                                  int(sh), from.bytesPerLine(), QImage::Format_RGB32)
                         : from.copy(int(sx), int(sy), int(sw), int(sh));
    if (part.isNull()) return;
    if (flip_x || flip_y) part = part.mirrored(flip_x, flip_y);
    if (sw != dw || sh != dh)
        part = part.scaled(int(dw), int(dh), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (part.isNull()) return;
    if (part.format() != QImage::Format_RGB32) part = part.convertToFormat(QImage::Format_RGB32);
    blit(part, 0, 0, dw, dh, t.canvas->image, dx, dy);
    drawn(t, edge_rect(dx, dy, dx + dw, dy + dh));
}

} // namespace surface
