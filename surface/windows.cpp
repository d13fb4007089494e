// Window services: dialogs, graphic controls, timers, keys, the backdrop,
// the application object and the message box.
#include "surface/surface_private.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFocusEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

namespace surface {
namespace detail {

bool gui_available() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

namespace {

int32_t clamp_edge(int32_t v) {
    return std::clamp(v, 0, MAX_WINDOW_EDGE);
}
int32_t clamp_coordinate(int32_t v) {
    return std::clamp(v, -MAX_WINDOW_EDGE, MAX_WINDOW_EDGE);
}

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

QPointer<CanvasWidget> g_key_collector;

void collect_keys(CanvasWidget* widget) {
    g_key_collector = widget;
}

} // namespace

CanvasWidget* key_collector() {
    return g_key_collector.data();
}

// ---------------------------------------------------------------- canvas widget

CanvasWidget::~CanvasWidget() {
    windows().remove(handle);
}

void CanvasWidget::allocate(int32_t width, int32_t height, bool lazily) {
    canvas.image = QImage();
    canvas.plain = false;
    canvas.may_be_plain = lazily;
    if (!fits_image(width, height)) return;
    if (lazily) {
        canvas.make_plain(QSize(width, height), 0xFF000000u);
        return;
    }
    canvas.image = control_image(width, height, 0xFF000000u);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    // The widget is opaque: every pixel asked for is painted here, from the
    // backing image (or its plain colour) where it reaches and black beyond.
    QPainter painter(this);
    const QRect image_rect(QPoint(0, 0), canvas.size());
    for (const QRect& r : event->region()) {
        const QRect inside = r.intersected(image_rect);
        if (inside != r) painter.fillRect(r, Qt::black);
        if (inside.isEmpty()) continue;
        if (canvas.plain)
            painter.fillRect(inside, QColor::fromRgb(canvas.plain_colour));
        else
            painter.drawImage(inside.topLeft(), canvas.image, inside);
    }
}

void CanvasWidget::focusInEvent(QFocusEvent* event) {
    event->accept();
    // Coming back to the window restores the focus to where the user left
    // it; the keys still go where the program sent them last.
    CanvasWidget* collector = key_collector();
    if (event->reason() != Qt::ActiveWindowFocusReason || collector == nullptr ||
        collector->window() != window())
        collect_keys(this);
}

void CanvasWidget::focusOutEvent(QFocusEvent* event) {
    event->accept();
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    // Keys come through the focus; they belong to the control that the
    // program or the user chose last in this window.
    CanvasWidget* collector = key_collector();
    if (collector == nullptr || collector->window() != window() || !hasFocus()) collector = this;
    std::string& key_slot = collector->pending_key;
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Escape) {
        key_slot = std::string(1, '\x1b');
        // The dialog still hears Escape as its cancel command.
        event->ignore();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).unicode() <= 0xFF && text.at(0).unicode() != 0) {
        key_slot = std::string(1, char(text.at(0).unicode()));
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- graphic control

GraphicControl::GraphicControl(Dialog* dialog, int32_t control_id, uint32_t control_style)
    : CanvasWidget(dialog), owner(dialog), id(control_id), style(control_style) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void GraphicControl::mousePressEvent(QMouseEvent* event) {
    event->accept();
    // A click gives the control the keys even when it has the focus already.
    collect_keys(this);
}

void GraphicControl::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    if (rect().contains(event->position().toPoint())) click();
}

void GraphicControl::click() {
    if ((style & SS_NOTIFY) != 0) owner->send(WM_COMMAND, intptr_t(id & 0xFFFF), intptr_t(handle));
}

// ---------------------------------------------------------------- dialog

Dialog::Dialog() : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint) {
    setModal(true);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
}

Dialog::~Dialog() {
    stop_timers();
    // The controls are about to go with their parent; forget them first.
    for (auto& [id, control] : controls) {
        windows().remove(control->handle);
        control->handle = 0;
    }
    controls.clear();
    windows().remove(handle);
}

intptr_t Dialog::send(uint32_t msg, intptr_t wparam, intptr_t lparam) {
    if (proc == nullptr || finished) return 0;
    return proc(handle, msg, wparam, lparam);
}

void Dialog::start_program_timer(int32_t id, int32_t period_ms) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second == id) {
            killTimer(it->first);
            timers_.erase(it);
            break;
        }
    }
    const int qt_id = startTimer(std::max(period_ms, 10));
    if (qt_id != 0) timers_[qt_id] = id;
}

void Dialog::stop_timers() {
    for (auto& [qt_id, id] : timers_) killTimer(qt_id);
    timers_.clear();
}

void Dialog::finish(intptr_t value) {
    if (finished) return;
    result = value;
    ended = true;
    stop_timers();
    if (isVisible()) {
        closing = true;
        done(int(value));
        closing = false;
    }
}

void Dialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        send(WM_COMMAND, IDCANCEL, 0);
        return;
    }
    event->ignore();
}

void Dialog::closeEvent(QCloseEvent* event) {
    if (closing) {
        event->accept();
        return;
    }
    // Only the handler ends the dialog; a close request is its cancel command.
    event->ignore();
    send(WM_COMMAND, IDCANCEL, 0);
}

void Dialog::reject() {
    send(WM_COMMAND, IDCANCEL, 0);
}

void Dialog::timerEvent(QTimerEvent* event) {
    auto it = timers_.find(event->timerId());
    if (it == timers_.end()) {
        QDialog::timerEvent(event);
        return;
    }
    send(WM_TIMER, intptr_t(it->second), 0);
}

} // namespace detail

using namespace detail;

// ---------------------------------------------------------------- process

bool start_application(int& argc, char** argv) {
    if (QCoreApplication::instance() != nullptr) return gui_available();
    if (!choose_platform(argc, argv)) return false;
    prepare_toolkit();
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    end_on_signals();
    return true;
}

void prepare_toolkit() {
    if (QCoreApplication::instance() == nullptr) {
        // The layout is in device pixels and follows the screen by itself;
        // the toolkit's own scaling would enlarge it a second time.
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_SCREEN_SCALE_FACTORS");
        qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    }
    install_font_substitutions();
}

void reset_all() {
    for (Handle h : windows().handles()) {
        QWidget* w = windows().find(h);
        if (w == nullptr) continue; // went with its dialog
        if (auto* d = dynamic_cast<Dialog*>(w)) {
            // A dialog inside its modal run is ended; its run destroys it.
            if (d->running)
                d->finish(0);
            else
                delete d;
        } else if (w->parentWidget() == nullptr) {
            delete w;
        }
    }
    for (Handle h : bitmaps().handles()) delete bitmaps().remove(h);
    release_fonts();
    set_current(0);
}

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
    control->allocate(w, h);
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
        d->exec();
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
    case 2:
    case 6:
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

// ---------------------------------------------------------------- system

void pause_ms(int32_t ms) {
    // Whatever was drawn reaches the screen before the thread sleeps.
    if (gui_available()) QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    if (ms > 0) QThread::msleep(ulong(ms));
}

int32_t message_box(const std::string& text, const std::string& caption, uint32_t style) {
    (void)style;
    if (!gui_available()) return 0;
    QMessageBox box(QMessageBox::NoIcon, latin1(caption), latin1(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return 1;
}

} // namespace surface
