// Bilinear resampling of whole rectangles between RGB32 images.
#include "surface/resampling.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace surface::detail {
namespace {

// Where destination cell i of n samples a source run of m pixels: the two
// neighbours and the share of the second in 256ths, centres matched
// ((i + 1/2) * m / n - 1/2), the ends held. Mirrored runs count from the end.
struct Tap {
    int32_t first, second;
    uint32_t share;
};

Tap tap(int64_t i, int64_t n, int64_t m, bool mirrored) {
    if (mirrored) i = n - 1 - i;
    // Position in 256ths of a source pixel.
    int64_t pos = ((2 * i + 1) * m * 256) / (2 * n) - 128;
    pos = std::clamp<int64_t>(pos, 0, (m - 1) * 256);
    const int32_t first = int32_t(pos >> 8);
    return {first, std::min<int32_t>(first + 1, int32_t(m - 1)), uint32_t(pos & 0xFF)};
}

// a * (256 - share) + b * share, per channel, in 256ths.
inline uint32_t mix256(uint32_t a, uint32_t b, uint32_t share) {
    const uint32_t keep = 256 - share;
    const uint32_t rb = (((a & 0x00FF00FFu) * keep + (b & 0x00FF00FFu) * share) >> 8) & 0x00FF00FFu;
    const uint32_t ag =
        (((a >> 8) & 0x00FF00FFu) * keep + ((b >> 8) & 0x00FF00FFu) * share) & 0xFF00FF00u;
    return rb | ag;
}

#ifdef __SSE2__
// mix256 on four pixels at once; the shares are given per 16-bit lane, for
// the two low pixels and the two high ones.
inline __m128i mix256x4(__m128i a, __m128i b, __m128i share_lo, __m128i share_hi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i whole = _mm_set1_epi16(256);
    auto half = [&](__m128i x, __m128i y, __m128i share) {
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(x, _mm_sub_epi16(whole, share)),
                                            _mm_mullo_epi16(y, share)),
                              8);
    };
    return _mm_packus_epi16(half(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), share_lo),
                            half(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), share_hi));
}
#endif

// out = top * (256 - share) + bottom * share, per byte, in 256ths.
void blend_rows(const uint32_t* top, const uint32_t* bottom, uint32_t share, uint32_t* out,
                size_t n, bool vectors) {
    size_t k = 0;
#ifdef __SSE2__
    const __m128i shares = _mm_set1_epi16(short(share));
    for (; vectors && k + 4 <= n; k += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), mix256x4(a, b, shares, shares));
    }
#else
    (void)vectors;
#endif
    for (; k < n; ++k) out[k] = mix256(top[k], bottom[k], share);
}

// out[i] = mix256(row[c[i].first], row[c[i].second], c[i].share) for the n
// cells; `weights` holds each cell's share four times over.
void blend_across(const uint32_t* row, const Tap* c, const uint16_t* weights, uint32_t* out,
                  size_t n, bool vectors) {
    size_t k = 0;
#ifdef __SSE2__
    for (; vectors && k + 4 <= n; k += 4) {
        const __m128i a = _mm_set_epi32(int(row[c[k + 3].first]), int(row[c[k + 2].first]),
                                        int(row[c[k + 1].first]), int(row[c[k].first]));
        const __m128i b = _mm_set_epi32(int(row[c[k + 3].second]), int(row[c[k + 2].second]),
                                        int(row[c[k + 1].second]), int(row[c[k].second]));
        const __m128i* shares = reinterpret_cast<const __m128i*>(weights + 4 * k);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                         mix256x4(a, b, _mm_loadu_si128(shares), _mm_loadu_si128(shares + 1)));
    }
#else
    (void)weights;
    (void)vectors;
#endif
    for (; k < n; ++k) out[k] = mix256(row[c[k].first], row[c[k].second], c[k].share);
}

} // namespace

void resample(const QImage& src, int64_t sx, int64_t sy, int64_t sw, int64_t sh, bool flip_x,
              bool flip_y, QImage& dst, int64_t dx, int64_t dy, int64_t dw, int64_t dh,
              Arithmetic arithmetic) {
    const int64_t i0 = std::max<int64_t>(0, -dx), i1 = std::min<int64_t>(dw, dst.width() - dx);
    const int64_t j0 = std::max<int64_t>(0, -dy), j1 = std::min<int64_t>(dh, dst.height() - dy);
    if (i0 >= i1 || j0 >= j1) return;
    std::vector<Tap> across(size_t(i1 - i0));
    int32_t lo = int32_t(sw), hi = 0; // source columns used
    for (int64_t i = i0; i < i1; ++i) {
        const Tap c = tap(i, dw, sw, flip_x);
        across[size_t(i - i0)] = c;
        lo = std::min(lo, c.first);
        hi = std::max(hi, c.second);
    }
    // From here on the taps count from the first source column used.
    std::vector<uint16_t> weights(across.size() * 4);
    for (size_t k = 0; k < across.size(); ++k) {
        across[k].first -= lo;
        across[k].second -= lo;
        std::fill_n(weights.begin() + ptrdiff_t(4 * k), 4, uint16_t(across[k].share));
    }
    const qsizetype src_stride = src.bytesPerLine();
    const uchar* src_bits = src.constBits() + sx * 4;
    // Taken once, before any second thread: bits() may detach a shared image.
    const qsizetype dst_stride = dst.bytesPerLine();
    uchar* dst_bits = dst.bits();
    const size_t used = size_t(hi - lo + 1);
    const bool vectors = arithmetic == Arithmetic::Fastest;
    auto rows = [&](int64_t from_row, int64_t to_row) {
        std::vector<uint32_t> row(used);
        for (int64_t j = from_row; j < to_row; ++j) {
            const Tap r = tap(j, dh, sh, flip_y);
            const auto* top =
                reinterpret_cast<const uint32_t*>(src_bits + (sy + r.first) * src_stride) + lo;
            const auto* bottom =
                reinterpret_cast<const uint32_t*>(src_bits + (sy + r.second) * src_stride) + lo;
            const uint32_t* blended = top;
            if (r.share != 0) {
                blend_rows(top, bottom, r.share, row.data(), used, vectors);
                blended = row.data();
            }
            auto* to = reinterpret_cast<uint32_t*>(dst_bits + (dy + j) * dst_stride) + dx + i0;
            blend_across(blended, across.data(), weights.data(), to, across.size(), vectors);
        }
    };
    // Large areas are shared with a second thread, half the rows each.
    constexpr int64_t shared_from = 256 * 1024;
    if ((j1 - j0) * (i1 - i0) < shared_from || j1 - j0 < 2) {
        rows(j0, j1);
        return;
    }
    const int64_t middle = j0 + (j1 - j0) / 2;
    // Joined when this returns, however it returns.
    std::jthread helper;
    try {
        helper = std::jthread(rows, middle, j1);
    } catch (const std::system_error&) {
        rows(j0, j1);
        return;
    }
    rows(j0, middle);
}

} // namespace surface::detail
