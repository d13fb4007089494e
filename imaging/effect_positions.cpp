// The effects that depend on the pixel's place: the generator of bgx, the
// row ends of xx1, the fades xx2 and xx3 and the shrinking of xx4.
#include "imaging/effect_loops.h"
#include "imaging/effect_pixels.h"

#include <algorithm>

namespace effect_pixels {
namespace detail {

void apply_bgx(char* px, int64_t n, uint32_t& random_state) {
    // state = state * 134775813 + 1; a draw between 0 and 255 is
    // floor((state >> 1) / 2^31 * 256), which is the top byte of the state.
    uint32_t state = random_state;
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        state = state * 134775813u + 1u;
        store(px + 4 * k, compose(w, blue(w), green(w), state >> 24));
    }
    random_state = state;
}

void apply_xx1(char* px, int64_t n, int32_t width) {
    // i is a multiple of W exactly at the last pixel of each whole row of |W|:
    // there green doubles, everywhere else red (each wrapping to 8 bits).
    const int64_t row = width < 0 ? -int64_t{width} : int64_t{width};
    for (int64_t start = 0; start < n; start += row) {
        const int64_t end = std::min(n, start + row);
        const int64_t reds = end - start == row ? end - 1 : end;
        for (int64_t k = start; k < reds; ++k) {
            const Word w = load(px + 4 * k);
            store(px + 4 * k, (w & 0xFF00FFFFu) | ((w << 1) & 0x00FE0000u));
        }
        if (reds < end) {
            const Word w = load(px + 4 * reds);
            store(px + 4 * reds, (w & 0xFFFF00FFu) | ((w << 1) & 0x0000FE00u));
        }
    }
}

namespace {

// The fades round(i * c / N). The product i * c is exact with a 64-bit
// significand, and the rounded quotient (below 256, so off by less than
// 2^-56) cannot reach a half it is not: a quotient that is not a half lies at
// least 1 / 2N >= 2^-32 from one. So the bytes are those of exact rounding.
//
// Exactly: with u = floor(i * 2^52 / N), c * u / 2^52 lies less than
// 255 / 2^52 < 2^-44 below i * c / N. Adding a half and a nudge of 2^-40
// gives a number whose whole part is i * c / N rounded half up, and whose
// fraction is at most 2^-40 exactly when i * c / N is a half (otherwise it is
// above 2^-32); such halves then go down to the even neighbour.
constexpr int kFraction = 52;
constexpr uint64_t kFractionMask = (uint64_t{1} << kFraction) - 1;
constexpr uint64_t kNudge = uint64_t{1} << (kFraction - 40);
constexpr uint64_t kHalfAndNudge = (uint64_t{1} << (kFraction - 1)) + kNudge;

inline Word fade(uint64_t u, Word c) {
    const uint64_t t = c * u + kHalfAndNudge;
    const uint64_t half = (t & kFractionMask) <= kNudge ? 1 : 0;
    return static_cast<Word>((t >> kFraction) & ~half);
}

// floor(i * 2^52 / N) for i = 1, 2, ... with one addition per step.
struct RunningRatio {
    uint64_t n, step, step_rest, value = 0, rest = 0;
    explicit RunningRatio(uint64_t total)
        : n(total), step((uint64_t{1} << kFraction) / total),
          step_rest((uint64_t{1} << kFraction) % total) {}
    uint64_t next() {
        value += step;
        rest += step_rest;
        if (rest >= n) {
            rest -= n;
            ++value;
        }
        return value;
    }
};

// Red and blue of xx4, round((c / i) / N): the same bytes as exact rounding
// of c / (i * N) (the two 64-bit-significand quotients cannot reach a half
// they are not), and 0 once i * N passes 2c.
inline Word shrink(Word c, Word d) {
    const Word q = c / d, r = c - q * d;
    return q + ((2 * r > d || (2 * r == d && (q & 1))) ? 1u : 0u);
}

// Green of xx4, low8(round((g / i) * N)): away from halves, exact rounding of
// g * N / i gives the same bytes; T is the narrowest type that holds g * N.
template <class T> inline Word xx4_green_at(Word g, T i, T n) {
    const T p = g * n;
    const T q = p / i, r = p - q * i;
    if (2 * r == i) return xx4_green_half(g, i, n);
    return static_cast<Word>(q + (2 * r > i ? 1 : 0)) & 0xFFu;
}

template <class T> void apply_xx4_as(char* px, int64_t n) {
    const auto total = static_cast<T>(n);
    // From i * N > 510 on, red and blue are below a half (or the half 0.5).
    const int64_t head = std::min<int64_t>(n, 510 / n);
    int64_t k = 0;
    for (; k < head; ++k) {
        const Word w = load(px + 4 * k);
        const auto i = static_cast<T>(k + 1);
        const auto d = static_cast<Word>(i * total);
        store(px + 4 * k, compose(w, shrink(red(w), d), xx4_green_at<T>(green(w), i, total),
                                  shrink(blue(w), d)));
    }
    for (; k < n; ++k) {
        const Word w = load(px + 4 * k);
        store(px + 4 * k,
              (w & ~0x00FFFFFFu) | (xx4_green_at<T>(green(w), static_cast<T>(k + 1), total) << 8));
    }
}

} // namespace

void apply_xx2(char* px, int64_t n) {
    RunningRatio ratio(static_cast<uint64_t>(n));
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        const uint64_t u = ratio.next();
        store(px + 4 * k, compose(w, red(w), green(w), fade(u, blue(w))));
    }
}

void apply_xx3(char* px, int64_t n) {
    RunningRatio ratio(static_cast<uint64_t>(n));
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        const uint64_t u = ratio.next();
        store(px + 4 * k, compose(w, fade(u, red(w)), fade(u, green(w)), fade(u, blue(w))));
    }
}

void apply_xx4(char* px, int64_t n) {
    // g * N fits in 32 bits below N = 2^24, where 32-bit division is cheaper.
    if (n < (int64_t{1} << 24))
        apply_xx4_as<uint32_t>(px, n);
    else
        apply_xx4_as<uint64_t>(px, n);
}

} // namespace detail

using namespace detail;

uint32_t fade_channel(uint32_t c, int64_t i, int64_t n) {
    if (n < 1 || i < 1 || i > n) return 0;
    const Wide scaled = Wide{static_cast<uint64_t>(i)} << kFraction;
    return fade(static_cast<uint64_t>(scaled / static_cast<uint64_t>(n)), c & 0xFFu);
}

uint32_t xx4_green(uint32_t g, int64_t i, int64_t n) {
    if (n < 1 || i < 1 || i > n) return 0;
    return xx4_green_at<uint64_t>(g & 0xFFu, static_cast<uint64_t>(i), static_cast<uint64_t>(n));
}

} // namespace effect_pixels
