// The window system the program runs on and the application object's thread.
#pragma once

namespace surface::detail {

// True when widgets may be made: a QApplication exists and this is its thread.
bool gui_available();
// Picks the window system before the application object exists; false when
// none can start.
bool choose_platform();
// Ends the program on SIGTERM, SIGINT and SIGHUP (a session's logout, Ctrl-C
// in a terminal) as the window's close command does, so that the dialog's
// handler ends it and the fonts are released; see dialog_hears_signals().
// Those ignored when the program started stay ignored.
void end_on_signals();
// While a dialog runs modally it hears those signals; at any other time
// they end the process at once.
void dialog_hears_signals(bool hears);
// True when running on a Wayland compositor, which places windows itself.
bool on_wayland();

} // namespace surface::detail
