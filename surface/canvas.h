// Drawing targets: a backing image with its drawing state, the current
// target of the calling thread, and how drawing on a target is shown.
#pragma once

#include "surface/surface.h"

#include <QImage>
#include <QRect>
#include <cmath>

class QWidget;

namespace surface::detail {

// Largest backing image we allocate (256 MB of RGB32 pixels) and the largest
// window edge the window system is asked for.
constexpr int64_t MAX_PIXELS = int64_t(1) << 26;
constexpr int32_t MAX_WINDOW_EDGE = 32767;

// Nearest whole pixel, halves to the even neighbour; absurd values are pulled
// into a range where sums and differences still fit 32 bits.
inline int32_t to_pixel(double v) {
    if (!std::isfinite(v)) return 0;
    constexpr double limit = double(1 << 28);
    if (v > limit) v = limit;
    if (v < -limit) v = -limit;
    return int32_t(std::nearbyint(v));
}

inline bool fits_image(int64_t w, int64_t h) {
    return w > 0 && h > 0 && w * h <= MAX_PIXELS;
}

// A new RGB32 image of one colour (null when it cannot be had), its memory
// in large pages where the system has them.
QImage blank_image(int32_t width, int32_t height, QRgb colour);
// The same for the backing image of a graphic control: cut from a block of
// large pages shared with other controls.
QImage control_image(int32_t width, int32_t height, QRgb colour);

// What a drawing target remembers between operations.
struct DrawState {
    Point pos;
    int32_t foreground = DEFAULT_COLOUR;
    int32_t background = DEFAULT_COLOUR;
    Handle font = 1;
    int32_t pen = 1;
    Display mode = Display::Direct;
};

// A 0x00BBGGRR colour as the toolkit's RGB, and the colours a state draws
// with: black text on white unless others were chosen.
inline QRgb rgb(int32_t colour) {
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}
inline QRgb foreground_rgb(const DrawState& s) {
    return s.foreground == DEFAULT_COLOUR ? qRgb(0, 0, 0) : rgb(s.foreground);
}
inline QRgb background_rgb(const DrawState& s) {
    return s.background < 0 ? qRgb(255, 255, 255) : rgb(s.background);
}

// A backing image plus its drawing state. Memory bitmaps are bare canvases;
// graphic controls and the backdrop own one.
struct Canvas {
    QImage image;
    DrawState state;

    // A canvas that may go without pixels (the backdrop) keeps none while it
    // is one plain colour: `plain` is set, `plain_size` and `plain_colour`
    // say what it holds, and the image stays null until something else is
    // drawn on it.
    bool may_be_plain = false;
    bool plain = false;
    QSize plain_size;
    QRgb plain_colour = 0xFF000000u;
    uint64_t plain_serial = 0;

    // The area drawn while display was deferred and not yet repainted, and
    // the version the canvas had after the last drawing operation: a
    // different version means its pixels were changed from outside the
    // drawing operations (through device_context()).
    QRect unshown;
    uint64_t known_version = 0;

    QSize size() const { return plain ? plain_size : image.size(); }
    // The pixels, made from the plain colour first when there are none yet.
    QImage& pixels();
    // Changes whenever the pixels may have changed; unique across canvases.
    uint64_t version() const;
    // Makes the canvas one plain colour; the pixels are let go when it may
    // go without them.
    void fill_plain(QRgb colour);
    void make_plain(QSize size, QRgb colour);
};

// The canvas a handle names (memory bitmap, graphic control or backdrop),
// the widget to repaint for direct display, and the handle that selects it.
struct TargetRef {
    Canvas* canvas = nullptr;
    QWidget* widget = nullptr;
    Handle handle = 0;
    explicit operator bool() const { return canvas != nullptr; }
};

// The drawing surface reaches windows only through these, which the window
// services (widgets.cpp) set before their first window: without them (the
// exported loader, which makes no windows) memory bitmaps are the only
// targets, and nothing here needs the toolkit's widgets.
struct WindowCanvases {
    // A window's canvas by its handle (id 0), or a graphic control's by
    // (dialog, id); nothing when there is none.
    TargetRef (*find)(Handle handle, int32_t id) = nullptr;
    // The widget's own area, and its part `area` repainted at once.
    QRect (*area)(const QWidget* widget) = nullptr;
    void (*repaint)(QWidget* widget, const QRect& area) = nullptr;
};
void set_window_canvases(const WindowCanvases& windows);

TargetRef find_target(Handle handle);
TargetRef find_source(Handle handle, int32_t id);
TargetRef current();
void set_current(Handle handle);
Handle current_handle();

// The current target for an operation about to draw on it: pixels changed
// meanwhile from outside the drawing operations count as not shown yet.
TargetRef drawing_target();
// Shows a direct-display target's new content at once: all of it, or only
// the area that changed. A deferred target keeps the area for redraw().
void drawn(const TargetRef& target);
void drawn(const TargetRef& target, const QRect& area);

} // namespace surface::detail
