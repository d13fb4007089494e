// Where a picture goes on an area, worked out from the two sizes alone: no
// drawing. Qt-free.
#pragma once

#include "surface/surface.h"

namespace placement {

enum class Fit : int32_t {
    Width = 0,    // the area's width from the top, proportions kept
    Stretch = 1,  // stretched to fill
    Inside = 2,   // fits inside, centred
    Cover = 3,    // covers the area, cut equally on both sides
    InsidePixels, // fits inside, centred, in whole pixels from ratios to four decimals
};

// A rectangle by its corners.
struct Rect {
    double x1, y1, x2, y2;
    bool operator==(const Rect&) const = default;
};

// The part of the picture taken, by its corner pixels (the whole picture is
// 0, 0, w - 1, h - 1), and the rectangle of the area it is stretched over.
struct Placement {
    Rect from, to;
    bool operator==(const Placement&) const = default;
};

Placement place(surface::Size picture, surface::Size area, Fit fit);

} // namespace placement
