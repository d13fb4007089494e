// Pixel snapshots: width and height as little-endian int32, then four bytes
// per pixel (B, G, R, reserved), top row first. Qt-free.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

namespace base::snapshot {

constexpr std::size_t kHeader = 8;

struct Header {
    int32_t width = 0;
    int32_t height = 0;
};

inline int32_t read_le32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                                uint32_t{b[3]} << 24);
}

inline void write_le32(char* p, int32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}

// The header of `size` bytes at `data`; zeros when there is no whole header.
inline Header read_header(const char* data, std::size_t size) {
    if (size < kHeader) return {};
    return {read_le32(data), read_le32(data + 4)};
}

// How many pixels the snapshot holds: width x height when both are positive,
// the product fits in 32 bits and the bytes behind the header hold them all;
// 0 otherwise (then nothing may be read past the header).
inline int64_t pixel_count(const char* data, std::size_t size) {
    const Header h = read_header(data, size);
    if (h.width <= 0 || h.height <= 0) return 0;
    const int64_t n = int64_t{h.width} * int64_t{h.height};
    if (n > INT32_MAX || static_cast<uint64_t>(n) > (size - kHeader) / 4) return 0;
    return n;
}

inline int64_t pixel_count(const std::string& s) {
    return pixel_count(s.data(), s.size());
}

// A snapshot of width x height pixels whose pixel bytes are still to be
// written (zeros).
inline std::string with_header(int32_t width, int32_t height) {
    const std::size_t n = width > 0 && height > 0 ? std::size_t(width) * std::size_t(height) : 0;
    std::string s(kHeader + 4 * n, '\0');
    write_le32(s.data(), width);
    write_le32(s.data() + 4, height);
    return s;
}

} // namespace base::snapshot
