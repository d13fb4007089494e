// The widgets behind the window services: the canvas widget that shows a
// backing image and collects typed keys, the graphic control, and the dialog
// that hands its commands, timers and keys to the program's handler.
#include "surface/widgets.h"
#include "surface/handle_table.h"
#include "surface/platform.h"

#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <algorithm>

namespace surface::detail {

namespace {
QPointer<CanvasWidget> g_key_collector;
} // namespace

void collect_keys(CanvasWidget* widget) {
    g_key_collector = widget;
}

CanvasWidget* key_collector() {
    return g_key_collector.data();
}

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

namespace {

TargetRef window_canvas(Handle handle, int32_t id) {
    CanvasWidget* widget = id == 0 ? find_canvas_widget(handle) : find_control(handle, id);
    if (widget == nullptr) return {};
    return {&widget->canvas, widget, widget->handle};
}

// The drawing surface finds windows' canvases from here on.
[[maybe_unused]] const bool canvases_known =
    (set_window_canvases({window_canvas, [](const QWidget* w) { return w->rect(); },
                          [](QWidget* w, const QRect& area) { w->repaint(area); }}),
     true);

} // namespace

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

QRegion on_screen(const QWidget* widget, const QPainter& painter, const QRegion& asked) {
    // Painted for a grab, or where windows have no place on a screen: all.
    QBackingStore* store = widget->window()->backingStore();
    const QScreen* screen = widget->screen();
    const QPaintEngine* engine = painter.paintEngine();
    if (store == nullptr || engine == nullptr || engine->paintDevice() != store->paintDevice() ||
        screen == nullptr || on_wayland())
        return asked;
    const QRect desktop = screen->virtualGeometry();
    return asked & QRect(widget->mapFromGlobal(desktop.topLeft()), desktop.size());
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    // The widget is opaque: every pixel asked for is painted here, from the
    // backing image (or its plain colour) where it reaches and black beyond.
    QPainter painter(this);
    const QRect image_rect(QPoint(0, 0), canvas.size());
    for (const QRect& r : on_screen(this, painter, event->region())) {
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

void CanvasWidget::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (isWindow()) close_running_dialogs();
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

void close_running_dialogs() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = dynamic_cast<Dialog*>(w); d != nullptr && d->running) d->close();
}

Dialog::Dialog() : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint) {
    setModal(true);
    // Black where no control covers it, painted by paintEvent.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
}

void Dialog::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& r : on_screen(this, painter, event->region())) painter.fillRect(r, Qt::black);
}

void Dialog::moveEvent(QMoveEvent* event) {
    // What was off the screen was never painted. The controls cover the
    // dialog, so they are the ones to repaint.
    QDialog::moveEvent(event);
    update();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->update();
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
    stop_program_timer(id);
    const int qt_id = startTimer(std::max(period_ms, 10));
    if (qt_id != 0) timers_[qt_id] = id;
}

void Dialog::stop_program_timer(int32_t id) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second == id) {
            killTimer(it->first);
            timers_.erase(it);
            return;
        }
    }
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

} // namespace surface::detail
