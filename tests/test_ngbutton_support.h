// Small pixel helpers shared by the graphic-button and caption tests.
#pragma once

#include "surface/surface.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ngtest {

inline int32_t snap_w(const std::string& s) {
    int32_t v = 0;
    if (s.size() >= 8) std::memcpy(&v, s.data(), 4);
    return v;
}
inline int32_t snap_h(const std::string& s) {
    int32_t v = 0;
    if (s.size() >= 8) std::memcpy(&v, s.data() + 4, 4);
    return v;
}

// Colour of a pixel as 0x00BBGGRR.
inline int32_t colour_at(const std::string& s, int32_t x, int32_t y) {
    const std::size_t k = 8 + 4 * (static_cast<std::size_t>(y) * snap_w(s) + x);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + k);
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

inline std::string make_snapshot(int32_t w, int32_t h) {
    std::string s(8 + 4 * static_cast<std::size_t>(w) * h, '\0');
    std::memcpy(s.data(), &w, 4);
    std::memcpy(s.data() + 4, &h, 4);
    return s;
}

inline void put_colour(std::string& s, int32_t x, int32_t y, int32_t colour) {
    const std::size_t k = 8 + 4 * (static_cast<std::size_t>(y) * snap_w(s) + x);
    s[k] = static_cast<char>((colour >> 16) & 0xFF);
    s[k + 1] = static_cast<char>((colour >> 8) & 0xFF);
    s[k + 2] = static_cast<char>(colour & 0xFF);
    s[k + 3] = static_cast<char>(0xFF);
}

// Same size and the same colours everywhere (the reserved byte ignored).
inline bool same_colours(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.size() < 8 || a.compare(0, 8, b, 0, 8) != 0) return false;
    for (int32_t y = 0; y < snap_h(a); ++y)
        for (int32_t x = 0; x < snap_w(a); ++x)
            if (colour_at(a, x, y) != colour_at(b, x, y)) return false;
    return true;
}

// Number of pixels whose colour differs between two snapshots of one size.
inline int count_differences(const std::string& a, const std::string& b) {
    int n = 0;
    for (int32_t y = 0; y < snap_h(a); ++y)
        for (int32_t x = 0; x < snap_w(a); ++x)
            if (colour_at(a, x, y) != colour_at(b, x, y)) ++n;
    return n;
}

inline bool all_of_colour(const std::string& s, int32_t colour) {
    for (int32_t y = 0; y < snap_h(s); ++y)
        for (int32_t x = 0; x < snap_w(s); ++x)
            if (colour_at(s, x, y) != colour) return false;
    return s.size() > 8;
}

// Bounding box of the pixels for which `ink` holds; empty when none.
struct Box {
    int32_t left = 0, top = 0, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};
template <class Pred> Box ink_box(const std::string& s, Pred ink) {
    Box b{snap_w(s), snap_h(s), -1, -1};
    for (int32_t y = 0; y < snap_h(s); ++y)
        for (int32_t x = 0; x < snap_w(s); ++x)
            if (ink(colour_at(s, x, y))) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    if (b.right < 0) return Box{};
    return b;
}

// The rectangle (x, y, w, h) of a snapshot.
inline std::string crop(const std::string& s, int32_t x, int32_t y, int32_t w, int32_t h) {
    std::string out = make_snapshot(w, h);
    for (int32_t j = 0; j < h; ++j)
        std::memcpy(out.data() + 8 + 4 * static_cast<std::size_t>(j) * w,
                    s.data() + 8 + 4 * (static_cast<std::size_t>(y + j) * snap_w(s) + x),
                    4 * static_cast<std::size_t>(w));
    return out;
}

} // namespace ngtest
