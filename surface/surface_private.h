// Internals shared by the surface sources: handle tables, drawing targets and
// the widgets behind dialogs, graphic controls and the backdrop.
#pragma once

#include "surface/surface.h"

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

class QFont;

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
    int32_t foreground = -1;
    int32_t background = -1;
    Handle font = 1;
    int32_t pen = 1;
    Display mode = Display::Direct;
};

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

enum class Kind : uint32_t { Window = 1, Bitmap = 2, Font = 3 };

// Handles: bit 31 clear, the kind in bits 29-30, a generation count in bits
// 16-28 and the slot index in bits 0-15. A released slot bumps its
// generation, so old handles to it stop resolving; a slot whose generation
// is used up is retired for the rest of the run rather than wrapped, so a
// handle never names a later object. Capacity per kind: 65,535 objects alive
// at once, and 65,535 x 8,191 (about 536 million) objects made per run;
// beyond that, add() fails (returns 0) like any failed allocation.
//
// The table's own operations may be called from any thread; an object found
// here stays the caller's concern (the exported library serialises its
// callers, the program uses one thread).
template <class T> class HandleTable {
  public:
    static constexpr uint32_t kIndexBits = 16, kGenerationBits = 13;
    static constexpr uint32_t kMaxSlots = (1u << kIndexBits) - 1;
    static constexpr uint32_t kLastGeneration = (1u << kGenerationBits) - 1;

    explicit HandleTable(Kind kind) : kind_(uint32_t(kind)) {}

    Handle add(T* object) {
        std::lock_guard lock(mutex_);
        uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kMaxSlots) return 0;
            index = uint32_t(slots_.size());
            slots_.push_back({});
        }
        slots_[index].object = object;
        return encode(index, slots_[index].generation);
    }

    T* find(Handle handle) const {
        std::lock_guard lock(mutex_);
        const Slot* slot = slot_of(handle);
        return slot ? slot->object : nullptr;
    }

    // Forgets the handle; returns the object it named (the caller owns it).
    T* remove(Handle handle) {
        std::lock_guard lock(mutex_);
        Slot* slot = const_cast<Slot*>(slot_of(handle));
        if (slot == nullptr) return nullptr;
        T* object = std::exchange(slot->object, nullptr);
        if (slot->generation < kLastGeneration) { // otherwise retired
            ++slot->generation;
            free_.push_back(uint32_t(handle) & kMaxSlots);
        }
        return object;
    }

    std::vector<Handle> handles() const {
        std::lock_guard lock(mutex_);
        std::vector<Handle> out;
        for (uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object != nullptr) out.push_back(encode(i, slots_[i].generation));
        return out;
    }

  private:
    struct Slot {
        T* object = nullptr;
        uint32_t generation = 1;
    };
    static constexpr uint32_t kKindShift = kIndexBits + kGenerationBits;
    static_assert(kKindShift + 2 == 31, "kinds 1..3 fill bits 29-30; bit 31 stays clear");

    // The live slot a handle names, nullptr for a stale, unknown or
    // wrong-kind handle.
    const Slot* slot_of(Handle handle) const {
        const uint32_t h = uint32_t(handle);
        if ((h >> kKindShift) != kind_) return nullptr;
        const uint32_t index = h & kMaxSlots;
        if (index >= slots_.size()) return nullptr;
        const Slot& slot = slots_[index];
        if (slot.object == nullptr || slot.generation != ((h >> kIndexBits) & kLastGeneration))
            return nullptr;
        return &slot;
    }
    Handle encode(uint32_t index, uint32_t generation) const {
        return Handle((kind_ << kKindShift) | (generation << kIndexBits) | index);
    }
    uint32_t kind_;
    mutable std::mutex mutex_;
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

HandleTable<QWidget>& windows();
HandleTable<Canvas>& bitmaps();
HandleTable<QFont>& fonts();

// A widget that shows a backing image: graphic controls and the backdrop.
class CanvasWidget : public QWidget {
  public:
    explicit CanvasWidget(QWidget* parent) : QWidget(parent) {}
    ~CanvasWidget() override;

    Canvas canvas;
    Handle handle = 0;
    std::string pending_key;
    int32_t border = 0; // emulated window border around the client area

    // A black backing image of the given size; `lazily`: no pixels are kept
    // until something other than a plain clear is drawn.
    void allocate(int32_t width, int32_t height, bool lazily = false);

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A typed key becomes the pending key of the window's key collector.
    void keyPressEvent(QKeyEvent* event) override;
    // The picture does not change with the focus, so gaining or losing it
    // repaints nothing. A focus the user gives makes the widget the collector.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

class Dialog;

class GraphicControl : public CanvasWidget {
  public:
    GraphicControl(Dialog* owner, int32_t id, uint32_t style);

    Dialog* owner;
    int32_t id;
    uint32_t style;
    Role role = Role::None;
    QString accessible_name;
    QString accessible_description;

    // What a left click does: a control with the notify style reports it.
    void click();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class Dialog : public QDialog {
  public:
    Dialog();
    ~Dialog() override;

    // Calls the handler, if any; the dialog outlives the call.
    intptr_t send(uint32_t msg, intptr_t wparam, intptr_t lparam);
    void start_program_timer(int32_t id, int32_t period_ms);
    void stop_timers();
    void finish(intptr_t result);

    Handle handle = 0;
    DialogProc proc = nullptr;
    std::map<int32_t, GraphicControl*> controls;
    bool running = false;  // inside show_modal
    bool ended = false;    // end_dialog was called for this run
    bool finished = false; // the modal run is over; only destruction remains
    bool closing = false;  // our own done() is closing the window
    intptr_t result = 0;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  public:
    void reject() override;

  private:
    std::map<int, int32_t> timers_; // Qt timer id -> program timer id
};

// The canvas a handle names (memory bitmap, graphic control or backdrop) and
// the widget to repaint for direct display.
struct TargetRef {
    Canvas* canvas = nullptr;
    QWidget* widget = nullptr;
    explicit operator bool() const { return canvas != nullptr; }
};

TargetRef find_target(Handle handle);
TargetRef find_source(Handle handle, int32_t id);
TargetRef current();
void set_current(Handle handle);
Handle current_handle();
Dialog* find_dialog(Handle handle);
// The graphic control (dialog, id), nullptr when either is unknown.
GraphicControl* find_control(Handle dialog, int32_t id);
CanvasWidget* find_canvas_widget(Handle handle);

// The current target for an operation about to draw on it: pixels changed
// meanwhile from outside the drawing operations count as not shown yet.
TargetRef drawing_target();
// Shows a direct-display target's new content at once: all of it, or only
// the area that changed. A deferred target keeps the area for redraw().
void drawn(const TargetRef& target);
void drawn(const TargetRef& target, const QRect& area);

// True when widgets may be made: a QApplication exists and this is its thread.
bool gui_available();
// True when fonts may be used: a QGuiApplication exists.
bool fonts_available();
void install_font_substitutions();
// Font files were registered or removed: measurements kept for texts may no
// longer hold.
void font_files_changed();
void release_fonts();
void install_accessibility();
// The widget whose pending key receives what is typed into its window; null
// until the program or the user chooses one.
CanvasWidget* key_collector();
// Picks the window system before the application object exists (see
// platform.cpp); false when none can start.
bool choose_platform(int argc, char** argv);
// Ends the program on SIGTERM, SIGINT and SIGHUP (a session's logout, Ctrl-C
// in a terminal) as the window's close command does, so that the dialog's
// handler ends it and the fonts are released.
void end_on_signals();
// True when running on a Wayland compositor, which places windows itself.
bool on_wayland();

} // namespace surface::detail
