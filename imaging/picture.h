// Picture loading through the imaging layer: the loader that other programs
// call too, and the bitmap a picture is placed on a control from.
#pragma once

#include "surface/surface.h"

#include <cstdint>
#include <mutex>
#include <string>

// Decodes a file (empty name: the clipboard) into `target` (0: a new bitmap of
// the picture's size). Returns the bitmap or target handle, 0 on failure.
// The imaging layer must have been started by the caller. With
// `targets_lock`, the decoding runs without it and everything that touches
// bitmaps runs under it.
int32_t fGDIp_2hBMP_impl(const std::string& file, int32_t target, int32_t fit, int32_t background,
                         std::mutex* targets_lock = nullptr);

// A new bitmap holding the picture file at its own size, or, for a picture
// above the decoding budget, reduced to what still covers an area of
// `cover`; it is the current target. 0 when the file cannot be decoded. The
// imaging layer must have been started by the caller.
int32_t picture_bitmap(const std::string& file, surface::Size cover);
