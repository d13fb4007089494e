// A picture decoded ahead, placed ahead: as soon as the size of the control
// it goes on is known, a worker fills an image of that size the way NG_CARIC
// fills the control (the background colour, then the picture stretched by
// the placement mode), and the control later takes those pixels over instead
// of being filled and stretched on the main thread.
#pragma once

#include "surface/surface.h"

#include <QImage>
#include <cstdint>

namespace placed_ahead {

// Starts placing the picture being decoded ahead (gdiplus::prefetch) on an
// area of that size; does nothing when none is being decoded. One placing
// is held at a time; a new one ends the previous one.
void start(surface::Size area, int32_t mode, int32_t background);

// The placed pixels, when they were made for exactly these arguments from
// `picture` itself (the very pixels decoded ahead, unchanged); null
// otherwise. Waits for the worker. The placing is used up either way.
QImage take(const QImage& picture, surface::Size area, int32_t mode, int32_t background);

// Ends a placing that was never taken (waiting for its worker).
void drop();

} // namespace placed_ahead
