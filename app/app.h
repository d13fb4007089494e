// The application shell: main procedure, configuration file, window layout.
#pragma once

#include "calc/shared.h"

#include <cstdint>
#include <string>

extern int32_t pixelori;
extern int32_t pixelver;
extern int32_t larghezzacornice;

// Reads a number the way the configuration file writes it, rounded halves to
// even; -2147483648 when out of the 32-bit range; 0 when there is none.
int32_t LEGGI_NUMERO(std::string_view text);
// Reads "tavi_menu_conf.cnf" into the three globals. A negative width or
// height becomes the desktop's.
void LEGGO_CN(const std::string& file);
// The size the dialog is made with from the configured w x h: an edge of 0
// takes the work area's; a size above 2^26 pixels or with an edge above
// 24576 shrinks, both edges by one factor, until it fits both.
surface::Size dialog_size(int32_t w, int32_t h, surface::Size work_area);

void NG_FONT_(const std::string& file, const std::string& face, int32_t& handle,
              const int32_t& size, std::string& path);

void SERIEDIC(const surface::Handle& dialog, const int32_t& background_id, const int32_t& base_id,
              float& X, float& Y, float& L, float& A);
void DEFINISC(const surface::Handle& dialog, const int32_t& background_id, const int32_t& W,
              const int32_t& H);

// The main procedure: start-up, modal run, shut-down. Returns 0.
//
// Start-up runs on the main thread alone, one step after the other; nothing
// waits for anything but the step before it, and nothing is written to disk:
//  1. main() answers --help and --version, or makes the application object
//     (surface::start_application); without a display it says so and ends.
//  2. PRINCIPALE creates the button table and the picture cache
//     (NG_CREA_TABELLE) and fills the colour table (RIEMPI_COLORI).
//  3. It reads the work area and "tavi_menu_conf.cnf" (LEGGO_CN) when the
//     starting folder holds one, and settles the dialog's size W x H.
//  4. It shows the black backdrop over the work area and creates the dialog,
//     with its icon and accessible name.
//  5. It registers the font file and creates the four fonts (NG_FONT_) and
//     the mark's; the font service loads its configuration with the first.
//  6. DEFINISC makes every control in order: the background, onto which
//     NG_METTI has NG_CARIC decode and place "fondo3.jpg" (mode 3, over
//     black), then the clock bar, the colour row, "<", the band strip, the
//     five result fields, "Fine" and "Resetta"; each graphic button is
//     painted twice by NG_DEF_B.
//  7. The dialog runs modally with DLG_CB (show_modal), the program's only
//     event loop: the first paint shows everything at once.
// Escape, "0", "Fine" or the window's close command end the modal run (they
// are only read once it runs); the fonts are then released and the process
// ends. A session's end signal (SIGTERM, SIGINT, SIGHUP) ends the process at
// once during steps 1 to 6 and is heard as the close command during step 7.
int PRINCIPALE();
