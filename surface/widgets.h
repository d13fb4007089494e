// The widgets behind the window services: dialogs, their graphic controls
// and the backdrop, and where typed keys go.
#pragma once

#include "surface/canvas.h"

#include <QDialog>
#include <QWidget>
#include <map>
#include <string>

namespace surface::detail {

// The part of `asked` that `widget`'s window shows on the screens, when it
// is painted for them: a huge window paints only what can be seen (a move
// repaints it). All of `asked` when it is painted for anything else.
QRegion on_screen(const QWidget* widget, const QPainter& painter, const QRegion& asked);

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
    // Closing the backdrop closes the running dialog, as its own close does.
    void closeEvent(QCloseEvent* event) override;
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
    void stop_program_timer(int32_t id);
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
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  public:
    void reject() override;

  private:
    std::map<int, int32_t> timers_; // Qt timer id -> program timer id
};

// Hands every dialog inside its modal run its close command.
void close_running_dialogs();

Dialog* find_dialog(Handle handle);
// The graphic control (dialog, id), nullptr when either is unknown.
GraphicControl* find_control(Handle dialog, int32_t id);
CanvasWidget* find_canvas_widget(Handle handle);

// The widget whose pending key receives what is typed into its window; null
// until the program or the user chooses one.
CanvasWidget* key_collector();
void collect_keys(CanvasWidget* widget);
// Makes screen readers see graphic controls as their roles say.
void install_accessibility();

} // namespace surface::detail
