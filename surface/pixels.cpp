// Pixel snapshots of the current target: read whole, written back clipped.
#include "base/snapshot.h"
#include "surface/canvas.h"

#include <algorithm>
#include <cstring>

namespace surface {

using namespace detail;

std::string get_pixels() {
    TargetRef t = current();
    if (!t || t.canvas->pixels().isNull()) return {};
    const QImage& image = t.canvas->image;
    const int32_t w = image.width(), h = image.height();
    const size_t row_bytes = size_t(w) * 4;
    // Filled by appending into reserved room, so the pixels are written once.
    std::string out;
    out.reserve(base::snapshot::kHeader + row_bytes * size_t(h));
    char header[base::snapshot::kHeader];
    base::snapshot::write_le32(header, w);
    base::snapshot::write_le32(header + 4, h);
    out.append(header, base::snapshot::kHeader);
    const auto* bits = reinterpret_cast<const char*>(image.constBits());
    if (qsizetype(row_bytes) == image.bytesPerLine()) {
        out.append(bits, row_bytes * size_t(h));
    } else {
        for (int32_t y = 0; y < h; ++y)
            out.append(bits + size_t(y) * size_t(image.bytesPerLine()), row_bytes);
    }
    return out;
}

namespace {

// Copies n pixels that come from outside and sets their top byte, which an
// RGB32 image must have at 0xFF; one pass.
void copy_opaque(uint32_t* to, const uchar* from, size_t n) {
    for (size_t x = 0; x < n; ++x) {
        uint32_t p;
        std::memcpy(&p, from + 4 * x, 4);
        to[x] = p | 0xFF000000u;
    }
}

} // namespace

void set_pixels(const std::string& data) {
    TargetRef t = drawing_target();
    if (!t || data.size() < base::snapshot::kHeader || t.canvas->pixels().isNull()) return;
    // A snapshot shorter than its header promises is not a snapshot.
    if (base::snapshot::pixel_count(data) == 0) return;
    const auto [w, h] = base::snapshot::read_header(data.data(), data.size());
    const auto* p = reinterpret_cast<const uchar*>(data.data()) + base::snapshot::kHeader;
    QImage& image = t.canvas->image;
    const int32_t cols = std::min(w, image.width());
    const int32_t rows = std::min(h, image.height());
    const qsizetype stride = image.bytesPerLine();
    uchar* bits = image.bits();
    if (cols == w && qsizetype(w) * 4 == stride) {
        copy_opaque(reinterpret_cast<uint32_t*>(bits), p, size_t(cols) * size_t(rows));
    } else {
        for (int32_t y = 0; y < rows; ++y)
            copy_opaque(reinterpret_cast<uint32_t*>(bits + y * stride),
                        p + size_t(y) * size_t(w) * 4, size_t(cols));
    }
    drawn(t, QRect(0, 0, cols, rows));
}

} // namespace surface
