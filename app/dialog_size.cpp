// The size the main dialog is made with, from the configured one.
#include "app/app.h"

#include <algorithm>
#include <cmath>

namespace {

// 256 MB of 4-byte pixels, and the longest edge. X11 takes up to 32767, but
// the colour buttons' side follows the width: a dialog that wide and 2048
// high would need more than a gigabyte at its peak.
constexpr int64_t kLargestArea = int64_t(1) << 26;
constexpr int64_t kLargestEdge = 24576;

} // namespace

surface::Size dialog_size(int32_t w, int32_t h, surface::Size work_area) {
    // A dialog of no width or height could neither be seen nor ended.
    const int64_t W = std::max(w > 0 ? w : work_area.w, 1);
    const int64_t H = std::max(h > 0 ? h : work_area.h, 1);
    const int64_t longest = std::max(W, H);
    if (W * H <= kLargestArea && longest <= kLargestEdge)
        return {static_cast<int32_t>(W), static_cast<int32_t>(H)};

    // Both edges shrink by one factor, the smaller of the two limits' own,
    // rounded down, so that the proportions hold and so do both limits.
    const double root = std::sqrt(static_cast<double>(W) * static_cast<double>(H));
    const double side = std::sqrt(static_cast<double>(kLargestArea));
    const double by_area = side / root;
    const double by_edge = static_cast<double>(kLargestEdge) / static_cast<double>(longest);
    auto shrink = [&](int64_t edge) {
        const double exact = by_area < by_edge ? static_cast<double>(edge) * side / root
                                               : static_cast<double>(edge * kLargestEdge) /
                                                     static_cast<double>(longest);
        return std::max(static_cast<int32_t>(std::floor(exact)), 1);
    };
    return {shrink(W), shrink(H)};
}
