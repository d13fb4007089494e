// Window services: the screen, the backdrop, dialogs and their graphic
// controls, the modal run, timers and the keys of the current target.
#include "surface/fonts.h"
#include "surface/handle_table.h"
#include "surface/latin1_qt.h"
#include "surface/platform.h"
#include "surface/widgets.h"

#include <QAbstractNativeEventFilter>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace surface {
namespace detail {
namespace {

int32_t clamp_edge(int32_t v) {
    return std::clamp(v, 0, MAX_WINDOW_EDGE);
}
int32_t clamp_coordinate(int32_t v) {
    return std::clamp(v, -MAX_WINDOW_EDGE, MAX_WINDOW_EDGE);
}

} // namespace
} // namespace detail

using namespace detail;

// ---------------------------------------------------------------- windows

Size work_area() {
    if (!fonts_available()) return {};
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    const QRect r = screen->availableGeometry();
    return {r.width(), r.height()};
}

Size desktop_size() {
    if (!fonts_available()) return {};
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    const QRect r = screen->geometry();
    return {r.x() + r.width(), r.y() + r.height()};
}

namespace {

// The backdrop made last; a dialog shown on Wayland is tied to it.
QPointer<QWidget> last_backdrop;

// A Wayland compositor places windows itself: a dialog of the work area's
// size goes full screen, a smaller one is made the backdrop's child window,
// which compositors usually centre over it. One that reaches past the work
// area in either direction cannot be placed so that the user sees it whole
// anyway; it too goes full screen, which also spares the compositor a
// window buffer far larger than the screen.
void place_on_wayland(Dialog* d) {
    const Size area = work_area();
    if (d->width() >= area.w || d->height() >= area.h) {
        d->setWindowState(d->windowState() | Qt::WindowFullScreen);
        return;
    }
    if (last_backdrop == nullptr) return;
    d->winId();
    last_backdrop->winId();
    if (QWindow* window = d->windowHandle())
        window->setTransientParent(last_backdrop->windowHandle());
}

// A window manager's close request for the backdrop (WM_DELETE_WINDOW) ends
// the running dialog as the dialog's own close does. Qt drops the close
// events of a window that a modal dialog blocks before they reach it, so on
// X11 the request is taken from the window system's events themselves.
class BackdropClose : public QAbstractNativeEventFilter {
  public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || last_backdrop == nullptr || protocols_ == 0)
            return false;
        const auto* event = static_cast<const uint8_t*>(message);
        constexpr uint8_t kClientMessage = 33;
        if ((event[0] & 0x7F) != kClientMessage) return false;
        uint32_t window = 0, kind = 0, what = 0; // xcb_client_message_event_t
        std::memcpy(&window, event + 4, 4);
        std::memcpy(&kind, event + 8, 4);
        std::memcpy(&what, event + 12, 4);
        if (window != last_backdrop->winId() || kind != protocols_ || what != delete_) return false;
        close_running_dialogs();
        return true;
    }

    // Listens on the application's X connection from now on.
    void listen() {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (x11 == nullptr) return;
        if (protocols_ == 0) {
            protocols_ = atom(x11->connection(), "WM_PROTOCOLS");
            delete_ = atom(x11->connection(), "WM_DELETE_WINDOW");
        }
        qGuiApp->removeNativeEventFilter(this);
        qGuiApp->installNativeEventFilter(this);
    }

  private:
    // The X atom of `name` (0 when unknown), through the libxcb that the
    // toolkit's X11 platform has loaded.
    static uint32_t atom(xcb_connection_t* connection, const char* name) {
        void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
        if (lib == nullptr) return 0;
        struct Cookie {
            unsigned int sequence;
        };
        using Intern = Cookie (*)(xcb_connection_t*, uint8_t, uint16_t, const char*);
        using Reply = void* (*)(xcb_connection_t*, Cookie, void**);
        auto intern = reinterpret_cast<Intern>(dlsym(lib, "xcb_intern_atom"));
        auto reply = reinterpret_cast<Reply>(dlsym(lib, "xcb_intern_atom_reply"));
        uint32_t value = 0;
        if (intern != nullptr && reply != nullptr) {
            void* answer = reply(connection,
                                 intern(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
            if (answer != nullptr) std::memcpy(&value, static_cast<char*>(answer) + 8, 4);
            std::free(answer);
        }
        dlclose(lib);
        return value;
    }

    uint32_t protocols_ = 0, delete_ = 0;
};

} // namespace

Handle create_backdrop(const std::string& caption, int32_t x, int32_t y, int32_t width,
                       int32_t height, uint32_t style, int32_t show) {
    (void)style;
    (void)show;
    if (!gui_available()) return 0;
    auto* backdrop = new CanvasWidget(nullptr);
    backdrop->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    backdrop->setAttribute(Qt::WA_OpaquePaintEvent);
    backdrop->setAttribute(Qt::WA_NoSystemBackground);
    backdrop->setFocusPolicy(Qt::StrongFocus);
    backdrop->setWindowTitle(latin1(caption));
    // The client area sits inside a one-pixel border, as a bordered popup's.
    backdrop->border = 1;
    const int32_t w = clamp_edge(width), h = clamp_edge(height);
    backdrop->setGeometry(clamp_coordinate(x) + 1, clamp_coordinate(y) + 1, w, h);
    // Only ever cleared, as a rule: it keeps no pixels until drawn on.
    backdrop->allocate(w, h, true);
    backdrop->handle = windows().add(backdrop);
    if (backdrop->handle == 0) {
        delete backdrop;
        return 0;
    }
    last_backdrop = backdrop;
    if (QGuiApplication::platformName() == u"xcb") {
        static BackdropClose close_request;
        close_request.listen();
    }
    // A Wayland client cannot place its windows; full screen covers the
    // work area there as well as anything can.
    if (on_wayland())
        backdrop->showFullScreen();
    else
        backdrop->show();
    backdrop->raise();
    backdrop->activateWindow();
    backdrop->setFocus(Qt::OtherFocusReason);
    set_current(backdrop->handle);
    backdrop->canvas.state.mode = Display::Direct;
    clear(0);
    return backdrop->handle;
}

Handle create_dialog(Handle owner, const std::string& title, int32_t x, int32_t y, int32_t width,
                     int32_t height, uint32_t style, uint32_t exstyle) {
    (void)owner;
    (void)style;
    (void)exstyle;
    if (!gui_available()) return 0;
    auto* dialog = new Dialog;
    dialog->setWindowTitle(latin1(title));
    dialog->setGeometry(clamp_coordinate(x), clamp_coordinate(y), clamp_edge(width),
                        clamp_edge(height));
    dialog->handle = windows().add(dialog);
    if (dialog->handle == 0) {
        delete dialog;
        return 0;
    }
    return dialog->handle;
}

void set_dialog_icon(Handle dialog, const std::string& resource) {
    Dialog* d = find_dialog(dialog);
    if (d == nullptr) return;
    const QString path = ":/" + latin1(resource);
    if (resource.empty() || !QFile::exists(path)) return;
    const QIcon icon(path);
    if (!icon.isNull()) d->setWindowIcon(icon);
}

Handle add_control(Handle dialog, int32_t id, const std::string& caption, int32_t x, int32_t y,
                   int32_t width, int32_t height, uint32_t style, uint32_t exstyle) {
    (void)exstyle;
    Dialog* d = find_dialog(dialog);
    if (d == nullptr || d->finished || d->controls.count(id) != 0) return 0;
    install_accessibility();
    auto* control = new GraphicControl(d, id, style);
    control->setWindowTitle(latin1(caption));
    const int32_t w = clamp_edge(width), h = clamp_edge(height);
    control->setGeometry(clamp_coordinate(x), clamp_coordinate(y), w, h);
    // A control the size of a screen keeps no pixels while it is one colour:
    // the background control is cleared twice before its picture covers it.
    constexpr int64_t kPlainFrom = int64_t(4) << 20; // bytes
    control->allocate(w, h, int64_t(w) * h * 4 >= kPlainFrom);
    control->handle = windows().add(control);
    if (control->handle == 0) {
        delete control;
        return 0;
    }
    d->controls[id] = control;
    control->show();
    return control->handle;
}

Handle control_handle(Handle dialog, int32_t id) {
    GraphicControl* c = find_control(dialog, id);
    return c != nullptr ? c->handle : 0;
}

Point control_pos(Handle dialog, int32_t id) {
    GraphicControl* c = find_control(dialog, id);
    if (c == nullptr) return {};
    return {c->x(), c->y()};
}

Size control_size(Handle dialog, int32_t id) {
    GraphicControl* c = find_control(dialog, id);
    if (c == nullptr) return {};
    return {c->width(), c->height()};
}

Point window_pos(Handle window) {
    QWidget* w = windows().find(window);
    if (w == nullptr) return {};
    const auto* canvas = dynamic_cast<CanvasWidget*>(w);
    const int32_t border = canvas != nullptr ? canvas->border : 0;
    return {w->x() - border, w->y() - border};
}

Size window_size(Handle window) {
    QWidget* w = windows().find(window);
    if (w == nullptr) return {};
    const auto* canvas = dynamic_cast<CanvasWidget*>(w);
    const int32_t border = canvas != nullptr ? canvas->border : 0;
    return {w->width() + 2 * border, w->height() + 2 * border};
}

intptr_t show_modal(Handle dialog, DialogProc handler) {
    Dialog* d = find_dialog(dialog);
    if (d == nullptr || d->running || d->finished) return 0;
    d->proc = handler;
    d->running = true;
    d->ended = false;
    d->result = 0;
    QPointer<Dialog> guard(d);
    d->send(WM_INITDIALOG, 0, 0);
    if (guard && !d->ended) {
        if (on_wayland()) place_on_wayland(d);
        d->show();
        d->raise();
        d->activateWindow();
        dialog_hears_signals(true);
        d->exec();
        dialog_hears_signals(false);
    }
    if (!guard) return 0;
    const intptr_t result = d->result;
    d->stop_timers();
    d->send(WM_DESTROY, 0, 0);
    d->finished = true;
    delete d;
    return result;
}

void end_dialog(Handle dialog, intptr_t result) {
    Dialog* d = find_dialog(dialog);
    if (d != nullptr) d->finish(result);
}

void show_state(Handle dialog, int32_t state) {
    Dialog* d = find_dialog(dialog);
    if (d == nullptr) return;
    switch (state) {
    case 0:
        d->hide();
        break;
    case 2: // shown minimised, with or without activation
    case SW_MINIMIZE:
    case 7:
        d->showMinimized();
        break;
    case 3:
        d->showMaximized();
        break;
    default:
        d->showNormal();
        break;
    }
}

void start_timer(Handle dialog, int32_t timer_id, int32_t period_ms) {
    Dialog* d = find_dialog(dialog);
    if (d != nullptr && !d->finished) d->start_program_timer(timer_id, period_ms);
}

void stop_timer(Handle dialog, int32_t timer_id) {
    if (Dialog* d = find_dialog(dialog)) d->stop_program_timer(timer_id);
}

void set_focus() {
    TargetRef t = current();
    if (t.widget == nullptr) return;
    QWidget* top = t.widget->window();
    // The window in use is already in front; asking again on every field
    // write only costs the window system a round trip.
    if (!top->isActiveWindow()) {
        top->raise();
        top->activateWindow();
    }
    // Every field write lands here, several times per click and at every
    // clock tick: moving the toolkit's focus would be reported to screen
    // readers each time and would pull a Tab user back. The control only
    // becomes the one that collects the keys typed into its window.
    if (auto* w = dynamic_cast<CanvasWidget*>(t.widget)) collect_keys(w);
}

std::string take_pending_key() {
    auto* w = dynamic_cast<CanvasWidget*>(current().widget);
    if (w == nullptr) return {};
    std::string key;
    key.swap(w->pending_key);
    return key;
}

} // namespace surface
