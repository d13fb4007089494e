// Structure walks over PNG, BMP and GIF files: chunks, rows and blocks are
// followed to the end of the picture without decoding any pixel.
#include "imaging/picture_data.h"

#include <algorithm>
#include <array>
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

uint32_t be16(Bytes p) {
    return uint32_t(p[0]) << 8 | p[1];
}
uint32_t be32(Bytes p) {
    return be16(p) << 16 | be16(p + 2);
}

// The checksum of a PNG chunk (CRC-32 of ISO 3309), eight bytes a step:
// table k holds the remainder of a byte followed by k zero bytes.
uint32_t crc32(Bytes p, int64_t n) {
    using Tables = std::array<std::array<uint32_t, 256>, 8>;
    static const Tables t = [] {
        Tables m{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            m[0][i] = c;
        }
        for (int k = 1; k < 8; ++k)
            for (uint32_t i = 0; i < 256; ++i)
                m[k][i] = (m[k - 1][i] >> 8) ^ m[0][m[k - 1][i] & 0xFF];
        return m;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (; n >= 8; p += 8, n -= 8) {
        const uint32_t lo = c ^ le32(p), hi = le32(p + 4);
        c = t[7][lo & 0xFF] ^ t[6][lo >> 8 & 0xFF] ^ t[5][lo >> 16 & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][hi >> 8 & 0xFF] ^ t[1][hi >> 16 & 0xFF] ^ t[0][hi >> 24];
    }
    for (; n > 0; ++p, --n) c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return ~c;
}

bool is_letter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool known_critical(Bytes type) {
    for (const char* known : {"IHDR", "PLTE", "IDAT", "IEND"})
        if (std::memcmp(type, known, 4) == 0) return true;
    return false;
}

// Chunks from the signature to IEND, the header first, each within the file;
// the compressed pixel data (IDAT) at least what deflate, which packs at most
// 1032 bytes into one, needs for the rows the header declares. A chunk type
// that is not four letters, or a critical chunk (capital first letter) that
// is unknown or whose checksum is wrong, is damage the decoder would give up
// on, only after complaining on stderr.
bool png_complete(Bytes d, int64_t n) {
    int64_t i = 8, data = 0, raw = 0;
    while (i + 12 <= n) {
        const int64_t length = be32(d + i);
        Bytes type = d + i + 4;
        if (length > n - i - 12) return false;
        if (!std::all_of(type, type + 4, is_letter)) return false;
        if (i == 8 && std::memcmp(type, "IHDR", 4) != 0) return false;
        if (!(type[0] & 0x20) &&
            (crc32(type, length + 4) != be32(type + 4 + length) || !known_critical(type)))
            return false;
        if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
            const int64_t w = be32(d + i + 8), h = be32(d + i + 12);
            const unsigned depth = d[i + 16], colour = d[i + 17];
            const unsigned channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
            // A row is below 2^40 bytes (w < 2^32, channels x depth < 2^10);
            // their total saturates rather than overflow.
            const int64_t row = 1 + (w * channels * depth + 7) / 8;
            raw = h != 0 && row > INT64_MAX / h ? INT64_MAX : h * row;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            data += length;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return data >= raw / 1032;
        }
        i += 12 + length;
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
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return bmp_complete(data, size);
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
        return png_complete(data, size);
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return gif_complete(data, size);
    return true;
}

} // namespace gdiplus
