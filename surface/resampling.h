// Bilinear resampling of whole rectangles between RGB32 images.
#pragma once

#include <QImage>
#include <cstdint>

namespace surface::detail {

// Bilinear resampling of the source rectangle (sx, sy, sw, sh), which lies
// inside `src`, onto the destination rectangle (dx, dy, dw, dh) of `dst`,
// clipped to `dst`; mirrored across or down as asked. Per destination row the
// two source rows are blended into a row buffer over the columns used, then
// each destination pixel mixes its two neighbours from that buffer. The vector
// instructions, where there are any, give the same bytes as the portable
// arithmetic.
enum class Arithmetic { Fastest, Portable };
void resample(const QImage& src, int64_t sx, int64_t sy, int64_t sw, int64_t sh, bool flip_x,
              bool flip_y, QImage& dst, int64_t dx, int64_t dy, int64_t dw, int64_t dh,
              Arithmetic arithmetic = Arithmetic::Fastest);

} // namespace surface::detail
