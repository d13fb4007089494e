// Window services, drawing surface and system services of resistenze.
//
// Everything the program draws or asks of the window system goes through this
// layer. Windows, bitmaps and fonts are 32-bit handles from checked tables; 0
// means none. A stale, unknown or wrong-kind handle makes an operation do
// nothing and return zeros. Colours are 0x00BBGGRR (red in the low byte); -1
// means the default colour and -2 none/transparent where an operation says so.
//
// All window and drawing calls belong on the GUI (main) thread. The current
// drawing target is per thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/rounding.h"

class QImage;
class QRect;

namespace surface {

using Handle = int32_t;

struct Size {
    int32_t w = 0;
    int32_t h = 0;
    bool operator==(const Size&) const = default;
};

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const Point&) const = default;
};

// Colour values with a meaning of their own, where an operation says so.
constexpr int32_t DEFAULT_COLOUR = -1;
constexpr int32_t NO_COLOUR = -2; // transparent text background, no fill

// Window show states.
constexpr int32_t SW_SHOWNORMAL = 1;
constexpr int32_t SW_MINIMIZE = 6;

// ---------------------------------------------------------------- messages
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr int32_t IDCANCEL = 2;

// Style of a graphic control whose left-button release reports WM_COMMAND.
constexpr uint32_t SS_NOTIFY = 0x100;

// The dialog handler: (dialog, message, first parameter, second parameter).
// WM_COMMAND carries the control id in the low 16 bits of the first
// parameter; WM_TIMER carries the timer id in the first parameter.
using DialogProc = intptr_t (*)(Handle dialog, uint32_t msg, intptr_t wparam, intptr_t lparam);

enum class Display { Direct, Deferred };

// ---------------------------------------------------------------- process
// Prepares the toolkit (device-pixel layout, font substitutions) and creates
// the application object, which is given the program's path and no other
// argument. Returns false when no display can be opened (the caller reports
// it, naming unopened_display()); never aborts.
bool start_application(char* program);
// The display that start_application could not open, as DISPLAY or
// WAYLAND_DISPLAY names it; empty when none was named or it answered.
std::string unopened_display();
// Switches the toolkit to device-pixel layout; call before any application
// object exists (start_application does it).
void prepare_toolkit();
// Releases every window, bitmap and font handle (tests use it between cases).
void reset_all();

// ---------------------------------------------------------------- windows
Size work_area();    // width = right - left, height = bottom - top
Size desktop_size(); // right and bottom edge of the whole screen

// A frameless black top-level window over the given client rectangle. It is
// shown, raised and becomes the calling thread's current target.
Handle create_backdrop(const std::string& caption, int32_t x, int32_t y, int32_t width,
                       int32_t height, uint32_t style, int32_t show);

Handle create_dialog(Handle owner, const std::string& title, int32_t x, int32_t y, int32_t width,
                     int32_t height, uint32_t style, uint32_t exstyle);
void set_dialog_icon(Handle dialog, const std::string& resource);

// Adds a graphic control (a child with a backing image of its client size).
// Returns the control's window handle, 0 when the dialog is unknown or the
// id is already taken.
Handle add_control(Handle dialog, int32_t id, const std::string& caption, int32_t x, int32_t y,
                   int32_t width, int32_t height, uint32_t style, uint32_t exstyle);
Handle control_handle(Handle dialog, int32_t id);
Point control_pos(Handle dialog, int32_t id);
Size control_size(Handle dialog, int32_t id);
Point window_pos(Handle window); // top-left of a top-level window (dialog, backdrop)
Size window_size(Handle window);

intptr_t show_modal(Handle dialog, DialogProc handler);
void end_dialog(Handle dialog, intptr_t result);
void show_state(Handle dialog, int32_t state); // SW_MINIMIZE, SW_SHOWNORMAL
void start_timer(Handle dialog, int32_t timer_id, int32_t period_ms);
void stop_timer(Handle dialog, int32_t timer_id);

// Raises the current target's top-level window and makes the control the one
// that collects typed keys. Only the user (Tab, a click, assistive
// technology) moves the toolkit's focus, so screen readers hear no focus
// change from the program's own writes.
void set_focus();
// The current target's pending key (one character) and clears it; "" if none.
std::string take_pending_key();

// Screen-reader view of a graphic control. A push button offers the press
// action, which clicks it.
enum class Role { None, PushButton, StaticText };
// Sets role and name; a StaticText whose name changes is announced, unless
// `announce` is false (text that changes on its own, such as a clock).
void set_accessible(Handle dialog, int32_t id, Role role, const std::string& name,
                    bool announce = true);
// The longer description a screen reader gives of a control ("" for none).
void set_accessible_description(Handle dialog, int32_t id, const std::string& text);
// The name a screen reader gives a top-level window (dialog, backdrop).
void set_window_accessible_name(Handle window, const std::string& name);
// Also told of every announced name change (dialog, control id, new name),
// beside the screen reader; nullptr stops it. Returns the previous listener.
using AnnouncementListener = void (*)(Handle dialog, int32_t id, const std::string& name);
AnnouncementListener set_announcement_listener(AnnouncementListener listener);

// ---------------------------------------------------------------- targets
// id != 0: the graphic control (dialog, id). id == 0: `handle` is a memory
// bitmap, a control's window handle or the backdrop. Unknown: nothing selected.
void select_target(Handle handle, int32_t id, Display mode);
Handle current_target(); // handle of the current target, 0 when none
// The current target's display mode, as select_target() sets it.
void set_display(Display mode);
// The pixels of the graphic control (dialog, id), shared: neither side's
// later drawing shows in the other. Null for an unknown control.
QImage control_pixels(Handle dialog, int32_t id);

// Black; 0 on failure. Without `black` the pixels are left undefined, for a
// bitmap that is about to be covered whole (no time is spent on a fill).
Handle new_bitmap(int32_t width, int32_t height, bool black = true);
// A memory bitmap holding `pixels` (RGB32) as they are; 0 for any other
// format or on failure.
Handle bitmap_of(const QImage& pixels);
void end_bitmap(); // ends the current target if a memory bitmap
Size client_size();
QImage* device_context(); // backing image of the current target, nullptr if none
// Shows what was drawn on the current target since it was last shown.
void redraw();
// A number that moves on whenever the current target's pixels may have
// changed, and is never the same for two different targets; 0 without one.
uint64_t target_version();
// The same for a source named as copy() names it.
uint64_t content_version(Handle source, int32_t source_id);

// ---------------------------------------------------------------- drawing
void clear(int32_t colour, int32_t style = 0);
void box(double x1, double y1, double x2, double y2, int32_t corner, int32_t line_colour,
         int32_t fill_colour, int32_t fill_style = 0);
void ellipse(double x1, double y1, double x2, double y2, int32_t line_colour, int32_t fill_colour,
             int32_t fill_style = 0);
void set_colours(int32_t foreground, int32_t background);
void pen_width(int32_t width);
void set_pos(double x, double y);
Point get_pos();
void print(const std::string& text);
void new_line();
Size text_size(const std::string& text);
int32_t font_ascent(); // the selected font's height above the baseline, 0 without one

constexpr int32_t FONT_BOLD = 1, FONT_ITALIC = 2, FONT_UNDERLINE = 4, FONT_STRIKEOUT = 8;
Handle create_font(const std::string& face, int32_t points, int32_t style_bits, int32_t charset);
void select_font(Handle font); // 0 or 1: the default font
Handle selected_font();        // the current target's font (1: the default), 0 without one
void delete_font(Handle font);
int32_t font_pixel_size(Handle font); // character height in pixels, 0 if unknown
// The screen's vertical resolution in dots per inch, by which create_font
// turns points into pixels (the desktop's setting, Xft.dpi on X11); 96
// without a screen.
double screen_dpi();

// Pixel snapshot: width, height (little-endian int32), then B, G, R, reserved
// per pixel, top row first.
std::string get_pixels();
void set_pixels(const std::string& snapshot);

// Source: (dialog, control id) of a graphic control, or (bitmap or window
// handle, 0). Corners are inclusive.
void copy(Handle source, int32_t source_id, double x1, double y1, double x2, double y2, double dx,
          double dy, int32_t mix = 0);
// The same from an RGB32 image (nothing for another format).
void copy_image(const QImage& source, double x1, double y1, double x2, double y2, double dx,
                double dy);
void stretch(Handle source, int32_t source_id, double x1, double y1, double x2, double y2,
             double x3, double y3, double x4, double y4, int32_t mix = 0, int32_t mode = 0);
// What stretch() does, between two RGB32 images; the area of `to` that was
// written (null when nothing was, or when `from` is not RGB32).
QRect stretch_image(const QImage& from, double x1, double y1, double x2, double y2, QImage& to,
                    double x3, double y3, double x4, double y4);

// ---------------------------------------------------------------- memory
// A new RGB32 image, its pixels not yet written; null when it cannot be had.
// A big one lives in large pages where the system has them, so that first
// touching it costs a few page faults rather than one per 4 KB.
QImage new_image(int32_t width, int32_t height);

// ---------------------------------------------------------------- system
void pause_ms(int32_t ms); // repaints what was drawn, then blocks
std::string local_time();  // "hh:mm:ss", 24-hour clock
int32_t message_box(const std::string& text, const std::string& caption, uint32_t style);
// The folder of the program's own files (font, background picture), with a
// trailing "/": the executable's folder when the font lies beside it (a
// build tree), else the installation's data folder found from the
// executable's folder (bin/../share/resistenze/), else the one compiled in.
std::string program_folder();
std::string program_folder_of(const std::string& executable_folder);
// The file a bare name refers to: the name itself when the current folder
// holds it, else the copy in `folder` (find_data_file: the program folder)
// when there is one. A name with a folder part is taken as it is.
std::string find_file_in(const std::string& name, const std::string& folder);
std::string find_data_file(const std::string& name);
bool file_exists(const std::string& name);

// One shared generator: state = state * 134775813 + 1 (mod 2^32).
int32_t random_int(int32_t lo, int32_t hi);
uint32_t random_state();
void set_random_state(uint32_t state);

// 8-bit text file read line by line: CR ends a line (an LF right after it
// belongs to it), LF alone does not, Ctrl-Z ends the file.
class TextFile {
  public:
    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    bool open(const std::string& name); // false when it cannot be read
    bool eof() const;
    std::string read_line();
    void close();

  private:
    std::FILE* file_ = nullptr;
    bool eof_ = true;
};

} // namespace surface

// Font files registered for the process (8-bit path). Return the number of
// faces added or removed; 0 on failure.
int AddFontResourceA(const char* path);
int RemoveFontResourceA(const char* path);
