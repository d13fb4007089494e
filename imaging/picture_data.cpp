// Structure walks over JPEG, BMP and GIF files: markers, rows and blocks are
// followed to the end of the picture without decoding any pixel.
#include "imaging/picture_data.h"

#include <cstring>

namespace gdiplus {
namespace {

using Bytes = const unsigned char*;

uint32_t le16(Bytes p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t le32(Bytes p) {
    return le16(p) | le16(p + 2) << 16;
}

// From SOI to EOI: marker segments by their lengths, and after each start
// of scan its coded data, where a 0xFF byte is followed only by a stuffed
// zero, a restart marker or the next marker.
bool jpeg_complete(Bytes d, int64_t n) {
    int64_t i = 2;
    bool in_scan = false, any_scan = false;
    auto next_ff = [&](int64_t from) {
        const void* ff = from < n ? std::memchr(d + from, 0xFF, size_t(n - from)) : nullptr;
        return ff ? static_cast<Bytes>(ff) - d : n;
    };
    while (i < n) {
        if (d[i] != 0xFF) {
            if (!in_scan) return false; // garbage where a marker belongs
            i = next_ff(i);
            continue;
        }
        if (i + 1 >= n) return false;
        const unsigned m = d[i + 1];
        if (m == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (m == 0xD9) return any_scan; // end of image: whole only after a scan
        if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD8)) { // stuffing, restart
            if (m == 0x00 && !in_scan) return false;
            i += 2;
            continue;
        }
        if (i + 3 >= n) return false;
        const int64_t length = int64_t(d[i + 2]) << 8 | d[i + 3];
        if (length < 2 || i + 2 + length > n) return false;
        i += 2 + length;
        in_scan = m == 0xDA;
        any_scan = any_scan || in_scan;
        if (in_scan) i = next_ff(i);
    }
    return false;
}

// Run-length data: pairs until the end-of-bitmap escape (0, 1).
bool bmp_rle_complete(Bytes d, int64_t n, int64_t i, bool four_bit) {
    while (i + 1 < n) {
        const unsigned count = d[i], code = d[i + 1];
        i += 2;
        if (count != 0 || code == 0) continue; // a run, or end of line
        if (code == 1) return true;            // end of bitmap
        if (code == 2) {                       // delta
            i += 2;
            continue;
        }
        const int64_t bytes = four_bit ? (code + 1) / 2 : code; // absolute run
        i += bytes + (bytes & 1);
    }
    return false;
}

bool bmp_complete(Bytes d, int64_t n) {
    if (n < 26) return false;
    const int64_t offset = le32(d + 10);
    const uint32_t header = le32(d + 14);
    int64_t w, h;
    uint32_t bits, compression = 0;
    if (header == 12) {
        w = le16(d + 18);
        h = le16(d + 20);
        bits = le16(d + 24);
    } else {
        if (n < 34) return false;
        w = int32_t(le32(d + 18));
        h = int32_t(le32(d + 22));
        bits = le16(d + 28);
        compression = le32(d + 30);
    }
    if (w < 0) w = -w;
    if (h < 0) h = -h;
    if (offset > n) return false;
    if (compression == 1 || compression == 2)
        return bmp_rle_complete(d, n, offset, compression == 2);
    if (compression != 0 && compression != 3 && compression != 6) return true; // not ours to judge
    const int64_t stride = (w * bits + 31) / 32 * 4;
    return h == 0 || stride <= (n - offset) / h;
}

// Data sub-blocks from i: true when their terminator lies within the file.
bool gif_blocks(Bytes d, int64_t n, int64_t& i) {
    while (i < n) {
        const unsigned length = d[i++];
        if (length == 0) return true;
        i += length;
    }
    return false;
}

// Header and tables, extensions, then the first picture's data.
bool gif_complete(Bytes d, int64_t n) {
    if (n < 13) return false;
    int64_t i = 13;
    if (d[10] & 0x80) i += 3 << ((d[10] & 7) + 1);
    while (i < n) {
        const unsigned kind = d[i++];
        if (kind == 0x21) { // extension: label, then data blocks
            ++i;
            if (!gif_blocks(d, n, i)) return false;
        } else if (kind == 0x2C) { // picture: descriptor, colours, code size, data
            if (i + 9 > n) return false;
            const unsigned packed = d[i + 8];
            i += 9;
            if (packed & 0x80) i += 3 << ((packed & 7) + 1);
            ++i; // least code size
            return gif_blocks(d, n, i);
        } else {
            return false; // trailer or garbage before any picture
        }
    }
    return false;
}

} // namespace

bool picture_data_complete(const unsigned char* data, int64_t size) {
    if (data == nullptr || size < 0) return false;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return jpeg_complete(data, size);
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return bmp_complete(data, size);
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return gif_complete(data, size);
    return true;
}

} // namespace gdiplus
