// Picture loading: decoding through the imaging layer, placement on a
// control, and the loader that other programs call too.
#pragma once

#include "surface/surface.h"

#include <cstdint>
#include <mutex>
#include <string>

// Puts a picture file on a graphic control in placement mode 0..3 (other
// modes: no picture) over the background colour, with its name label.
void NG_CARIC(const surface::Handle& dialog, const int32_t& id, const std::string& file,
              const int32_t& modo, const int32_t& background);

// Decodes a file (empty name: the clipboard) into `target` (0: a new bitmap of
// the picture's size). Returns the bitmap or target handle, 0 on failure.
// The imaging layer must have been started by the caller. With
// `targets_lock`, the decoding runs without it and everything that touches
// bitmaps runs under it.
int32_t fGDIp_2hBMP_impl(const std::string& file, int32_t target, int32_t fit, int32_t background,
                         std::mutex* targets_lock = nullptr);

// The name label NG_CARIC writes: the file argument up to its first full stop
// (folder part included), in Latin-1 capitals.
std::string picture_label(const std::string& file);
