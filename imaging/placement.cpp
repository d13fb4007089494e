// Where a picture goes on an area, from the two sizes alone.
#include "imaging/placement.h"

#include "base/rounding.h"

#include <algorithm>

namespace placement {
namespace {

// a / b with halves going to the even neighbour; b > 0, a >= 0.
int64_t divide_even(int64_t a, int64_t b) {
    int64_t q = a / b;
    const int64_t twice_rest = 2 * (a % b);
    if (twice_rest > b || (twice_rest == b && (q & 1))) ++q;
    return q;
}

// a / b to four decimal places, as a fixed-point value of scale 10 000.
int64_t ratio4(int64_t a, int64_t b) {
    return divide_even(a * 10000, b);
}

// Fits an iw x ih picture inside a tw x th area, centred, in whole pixels.
Rect inside_pixels(int64_t iw, int64_t ih, int64_t tw, int64_t th) {
    const int64_t r = ratio4(ih, iw);
    // r * tw > th * 10000, asked without the product, which a header
    // claiming a very tall picture would take past 64 bits: for whole
    // numbers it holds exactly when r exceeds the whole quotient.
    if (tw > 0 && r > th * 10000 / tw) {
        // Relatively taller than the area: full height, centred across.
        const int64_t w = divide_even(std::min(ratio4(iw, ih) * th, tw * 10000), 10000);
        const int64_t x = (tw - w) / 2;
        return {double(x), 0, double(x + w), double(th)};
    }
    const int64_t h = divide_even(r * tw, 10000); // never above th here
    const int64_t y = (th - h) / 2;
    return {0, double(y), double(tw), double(y + h)};
}

} // namespace

Placement place(surface::Size picture, surface::Size area, Fit fit) {
    const double iw = picture.w, ih = picture.h, cw = area.w, ch = area.h;
    const Rect whole{0, 0, iw - 1, ih - 1};
    const double r = float(ih) / float(iw); // the picture's proportion in single precision
    switch (fit) {
    case Fit::Width:
        return {whole, {0, 0, cw, ih * cw / iw}};
    case Fit::Stretch:
        break;
    case Fit::Inside:
        if (ch / cw < r) {
            const double x = base::round_even((cw - ch / r) / 2);
            return {whole, {x, 0, x + ch / r, ch}};
        } else {
            const double y = base::round_even((ch - r * cw) / 2);
            return {whole, {0, y, cw, y + r * cw}};
        }
    case Fit::Cover:
        if (ch / cw < r) {
            const double d = base::round_even((ih - ch * iw / cw) / 2);
            return {{0, d, iw - 1, ih - 1 - d}, {0, 0, cw, ch}};
        } else {
            const double d = base::round_even((iw - cw * ih / ch) / 2);
            return {{d, 0, iw - 1 - d, ih - 1}, {0, 0, cw, ch}};
        }
    case Fit::InsidePixels:
        return {whole, inside_pixels(picture.w, picture.h, area.w, area.h)};
    }
    return {whole, {0, 0, cw, ch}};
}

} // namespace placement
