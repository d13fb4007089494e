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
int PRINCIPALE();
