// Drawing targets: which canvas a handle names, the current target of the
// thread, memory bitmaps, and showing what was drawn.
#include "surface/canvas.h"
#include "surface/handle_table.h"

#include <atomic>
#include <utility>

namespace surface {
namespace detail {

namespace {
thread_local Handle current_target_handle = 0;
std::atomic<uint64_t> plain_serials{0};
WindowCanvases window_canvases;

QRect widget_area(const TargetRef& t) {
    return window_canvases.area(t.widget);
}
} // namespace

void set_window_canvases(const WindowCanvases& windows) {
    window_canvases = windows;
}

TargetRef find_target(Handle handle) {
    if (Canvas* bitmap = bitmaps().find(handle)) return {bitmap, nullptr, handle};
    if (window_canvases.find != nullptr) return window_canvases.find(handle, 0);
    return {};
}

TargetRef find_source(Handle handle, int32_t id) {
    if (id == 0) return find_target(handle);
    if (window_canvases.find != nullptr) return window_canvases.find(handle, id);
    return {};
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
    drawn(target, target.widget != nullptr ? widget_area(target)
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
    const QRect shown = area.intersected(widget_area(target));
    if (shown.isEmpty()) return;
    if (shown.contains(c.unshown)) c.unshown = QRect();
    window_canvases.repaint(target.widget, shown);
}

} // namespace detail

using namespace detail;

void select_target(Handle handle, int32_t id, Display mode) {
    TargetRef t = find_source(handle, id);
    if (!t) {
        // Drawing meant for a target that does not exist must not land on
        // the previously selected one.
        set_current(0);
        return;
    }
    t.canvas->state.mode = mode;
    set_current(t.handle);
}

void set_display(Display mode) {
    TargetRef t = current();
    if (t) t.canvas->state.mode = mode;
}

QImage control_pixels(Handle dialog, int32_t id) {
    TargetRef c = find_source(dialog, id);
    return c && id != 0 ? c.canvas->pixels() : QImage();
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
        c.unshown = widget_area(t);
        c.known_version = c.version();
    }
    const QRect area = c.unshown.intersected(widget_area(t));
    c.unshown = QRect();
    if (!area.isEmpty()) window_canvases.repaint(t.widget, area);
}

} // namespace surface
