// Copies between targets: whole pixels as they are, or stretched and
// mirrored onto another rectangle.
#include "surface/canvas.h"
#include "surface/resampling.h"

#include <algorithm>
#include <cstring>

namespace surface {
namespace detail {
namespace {

// The part of [x1, x2) x [y1, y2) that can touch a window, as a QRect.
QRect edge_rect(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    constexpr int64_t lo = -1, hi = int64_t(MAX_WINDOW_EDGE) + 1;
    x1 = std::clamp(x1, lo, hi);
    y1 = std::clamp(y1, lo, hi);
    x2 = std::clamp(x2, lo, hi);
    y2 = std::clamp(y2, lo, hi);
    return QRect(int(x1), int(y1), int(x2 - x1), int(y2 - y1));
}

// Copies a clipped rectangle of whole rows between RGB32 images; source and
// destination may be the same image and may overlap.
void blit(const QImage& src, int64_t sx, int64_t sy, int64_t w, int64_t h, QImage& dst, int64_t dx,
          int64_t dy) {
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({w, src.width() - sx, dst.width() - dx});
    h = std::min({h, src.height() - sy, dst.height() - dy});
    if (w <= 0 || h <= 0) return;
    const qsizetype src_stride = src.bytesPerLine();
    const qsizetype dst_stride = dst.bytesPerLine();
    const uchar* from = src.constBits() + sy * src_stride + sx * 4;
    uchar* to = dst.bits() + dy * dst_stride + dx * 4;
    // Both are RGB32, whose top byte is always 0xFF, so the rows go over as
    // they are.
    const size_t row_bytes = size_t(w) * 4;
    if (&src != &dst && src_stride == dst_stride && qsizetype(row_bytes) == src_stride) {
        std::memcpy(to, from, row_bytes * size_t(h));
        return;
    }
    const bool upwards = &src == &dst && dy > sy;
    for (int64_t i = 0; i < h; ++i) {
        const int64_t row = upwards ? h - 1 - i : i;
        std::memmove(to + row * dst_stride, from + row * src_stride, row_bytes);
    }
}

} // namespace
} // namespace detail

using namespace detail;

void copy(Handle source, int32_t source_id, double x1, double y1, double x2, double y2, double dx,
          double dy, int32_t mix) {
    (void)mix;
    TargetRef s = find_source(source, source_id);
    if (s && !s.canvas->pixels().isNull()) copy_image(s.canvas->image, x1, y1, x2, y2, dx, dy);
}

void copy_image(const QImage& source, double x1, double y1, double x2, double y2, double dx,
                double dy) {
    TargetRef t = drawing_target();
    if (!t || t.canvas->pixels().isNull() || source.format() != QImage::Format_RGB32) return;
    const int64_t sx = to_pixel(x1), sy = to_pixel(y1);
    const int64_t w = int64_t(to_pixel(x2)) - sx + 1, h = int64_t(to_pixel(y2)) - sy + 1;
    if (w <= 0 || h <= 0) return;
    const int64_t tx = to_pixel(dx), ty = to_pixel(dy);
    blit(source, sx, sy, w, h, t.canvas->image, tx, ty);
    drawn(t, edge_rect(tx, ty, tx + w, ty + h));
}

void stretch(Handle source, int32_t source_id, double x1, double y1, double x2, double y2,
             double x3, double y3, double x4, double y4, int32_t mix, int32_t mode) {
    (void)mix;
    (void)mode;
    TargetRef t = drawing_target();
    TargetRef s = find_source(source, source_id);
    if (!t || !s || t.canvas->pixels().isNull() || s.canvas->pixels().isNull()) return;
    const QRect area =
        stretch_image(s.canvas->image, x1, y1, x2, y2, t.canvas->image, x3, y3, x4, y4);
    if (!area.isNull()) drawn(t, area);
}

QRect stretch_image(const QImage& from, double x1, double y1, double x2, double y2, QImage& to,
                    double x3, double y3, double x4, double y4) {
    if (from.isNull() || to.isNull() || from.format() != QImage::Format_RGB32) return {};
    // Corners given right-to-left or bottom-to-top mirror the picture.
    int64_t sx = to_pixel(x1), sy = to_pixel(y1), sx2 = to_pixel(x2), sy2 = to_pixel(y2);
    int64_t dx = to_pixel(x3), dy = to_pixel(y3), dx2 = to_pixel(x4), dy2 = to_pixel(y4);
    bool flip_x = false, flip_y = false;
    if (sx2 < sx) {
        std::swap(sx, sx2);
        flip_x = !flip_x;
    }
    if (sy2 < sy) {
        std::swap(sy, sy2);
        flip_y = !flip_y;
    }
    if (dx2 < dx) {
        std::swap(dx, dx2);
        flip_x = !flip_x;
    }
    if (dy2 < dy) {
        std::swap(dy, dy2);
        flip_y = !flip_y;
    }
    const int64_t sw = sx2 - sx + 1, sh = sy2 - sy + 1, dw = dx2 - dx + 1, dh = dy2 - dy + 1;
    // The destination may reach past the target: corners (0, 0) to (w, h)
    // cover a whole w x h target and one row and column beyond. Only a scaled
    // copy (below) is made at its full size; resampling writes just the part
    // on the target, so there each edge alone is bounded.
    if (!fits_image(sw, sh) || dw > MAX_PIXELS || dh > MAX_PIXELS) return {};
    const QRect area = edge_rect(dx, dy, dx + dw, dy + dh);
    const bool inside = sx >= 0 && sy >= 0 && sx + sw <= from.width() && sy + sh <= from.height();
    if (inside && !flip_x && !flip_y && sw == dw && sh == dh) {
        blit(from, sx, sy, sw, sh, to, dx, dy);
        return area;
    }
    // A part inside the source that is enlarged or shrunk by at most half is
    // resampled straight into the visible part of the target: no scaled or
    // mirrored copy of it is made. A target stretched onto itself is read
    // from a copy of the part, since rows written early are read later.
    if (inside && 2 * dw >= sw && 2 * dh >= sh) {
        if (&from == &to) {
            const QImage part = from.copy(int(sx), int(sy), int(sw), int(sh));
            if (part.isNull()) return {};
            resample(part, 0, 0, sw, sh, flip_x, flip_y, to, dx, dy, dw, dh);
        } else {
            resample(from, sx, sy, sw, sh, flip_x, flip_y, to, dx, dy, dw, dh);
        }
        return area;
    }
    // Stronger reductions average whole areas of the source; a part that
    // reaches outside the source is copied first (the outside reads black).
    if (!fits_image(dw, dh)) return {};
    QImage part = inside ? QImage(from.constBits() + sy * from.bytesPerLine() + sx * 4, int(sw),
                                  int(sh), from.bytesPerLine(), QImage::Format_RGB32)
                         : from.copy(int(sx), int(sy), int(sw), int(sh));
    if (part.isNull()) return {};
    if (flip_x || flip_y) part = part.mirrored(flip_x, flip_y);
    if (sw != dw || sh != dh)
        part = part.scaled(int(dw), int(dh), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (part.isNull()) return {};
    if (part.format() != QImage::Format_RGB32) part = part.convertToFormat(QImage::Format_RGB32);
    blit(part, 0, 0, dw, dh, to, dx, dy);
    return area;
}

} // namespace surface
