// What the effect loops share: the pixel word and its channels, the
// word-at-a-time forms of the effects that depend on the colour alone, and
// the loops each file of the effects offers the others. Qt-free.
//
// Each effect is one loop over the pixels taken as 32-bit words (blue in the
// low byte, the reserved byte on top, which no effect touches).
//
// Rounding is to the nearest integer with halves to the even neighbour, of
// the value that 64-bit-significand arithmetic gives when the formula is
// worked in the order written. Most effects reach the same bytes with exact
// integer arithmetic (each one says why); where that rounding really lands
// elsewhere (a few halves of the xx4 green, psico at huge levels) a small
// emulation of the 64-bit-significand steps does it (effect_extended.cpp),
// so no processor needs a wide floating-point type of its own.
#pragma once

#include "imaging/cpu_vectors.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "pixel words are read with blue in the low byte");

namespace effect_pixels::detail {

using Word = uint32_t;
__extension__ typedef unsigned __int128 Wide; // GCC and Clang have it on 64-bit targets

constexpr Word kReserved = 0xFF000000u;

inline Word load(const char* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

inline void store(char* p, Word w) {
    std::memcpy(p, &w, sizeof w);
}

inline Word blue(Word w) {
    return w & 0xFFu;
}
inline Word green(Word w) {
    return (w >> 8) & 0xFFu;
}
inline Word red(Word w) {
    return (w >> 16) & 0xFFu;
}
inline Word compose(Word reserved_from, Word r, Word g, Word b) {
    return (reserved_from & kReserved) | (r << 16) | (g << 8) | b;
}

// round((R + G + B) / 3): a sum over 3 is never a half, so it is
// (sum + 1) div 3, and for sums up to 766 that division is the
// multiply-and-shift below (checked for every sum at compile time; the
// vector loops use the same multiplier on 16-bit lanes).
constexpr Word kThird = 21846;
constexpr Word avg_of_sum(Word sum) {
    return ((sum + 1u) * kThird) >> 16;
}

constexpr bool avg_matches_division() {
    for (Word s = 0; s <= 765; ++s)
        if (avg_of_sum(s) != (s + 1) / 3) return false;
    return true;
}
static_assert(avg_matches_division());

inline Word avg(Word w) {
    return avg_of_sum(red(w) + green(w) + blue(w));
}

// Brightening: round(min(k * c, 255)) with k the single-precision 1.2 or
// 1.8. The product of a float and a channel value is exact with a 64-bit
// significand, so the rounding works on the exact value c * m / 2^23 (m the
// constant's 24-bit mantissa). For every channel value that equals a
// rounding multiply in 15-bit fixed point, (2c * w + 2^14) >> 15 with w
// 19661 (0.6) or 29491 (0.9), capped at 255, which the vector loop does on
// 16-bit lanes; w = 16384 (0.5) gives c itself and keeps byte 3. All of it
// is checked for every channel value at compile time.
constexpr Word kWeight12 = 19661, kWeight18 = 29491, kWeightSame = 16384;

constexpr Word brighten(Word weight, Word c) {
    const Word v = (2 * c * weight + 0x4000) >> 15;
    return v < 255 ? v : 255;
}

constexpr Word brighten_exact(float k, Word c) {
    const uint32_t bits = std::bit_cast<uint32_t>(k);
    const uint64_t mantissa = (bits & 0x7FFFFFu) | 0x800000u; // k in [1, 2): k = m / 2^23
    const uint64_t product = mantissa * c;
    uint64_t q = product >> 23;
    const uint64_t r = product & 0x7FFFFFu;
    if (r > 0x400000u || (r == 0x400000u && (q & 1))) ++q;
    return static_cast<Word>(q < 255 ? q : 255);
}

constexpr bool brighten_matches() {
    for (Word c = 0; c < 256; ++c) {
        if (brighten(kWeight12, c) != brighten_exact(1.2f, c)) return false;
        if (brighten(kWeight18, c) != brighten_exact(1.8f, c)) return false;
        if (brighten(kWeightSame, c) != c) return false;
    }
    return true;
}
static_assert(brighten_matches());
static_assert(brighten_exact(1.2f, 212) == 254 && brighten_exact(1.2f, 213) == 255);
static_assert(brighten_exact(1.8f, 141) == 254 && brighten_exact(1.8f, 142) == 255);

// Loops over every pixel word, replacing it by f(word).
template <class F> inline void each_word(char* px, int64_t n, F f) {
    for (int64_t k = 0; k < n; ++k) store(px + 4 * k, f(load(px + 4 * k)));
}

// The word-at-a-time forms of the effects that depend on the colour alone.
inline Word brr_word(Word w) {
    return compose(w, blue(w), red(w), red(w));
}
inline Word blu_word(Word w) {
    return compose(w, 0, 0, avg(w));
}
inline Word verde_word(Word w) {
    return compose(w, 0, avg(w), 0);
}
inline Word rosso_word(Word w) {
    return compose(w, avg(w), 0, 0);
}
inline Word giallo_word(Word w) {
    const Word a = avg(w);
    return compose(w, a, a, 0);
}
inline Word giallino_word(Word w) {
    const Word a = avg(w);
    return compose(w, a, a, 100);
}
// round(c / 2): c div 2, plus one when c is odd and c div 2 is odd (the half
// goes to the even neighbour). Done on the three channel bytes at once; no
// byte carries into the next (at most 127 + 1).
inline Word scurisci_word(Word w) {
    const Word half = (w >> 1) & 0x007F7F7Fu;
    return (w & kReserved) | (half + (w & half & 0x00010101u));
}
inline Word schiarisci_word(Word w) {
    return compose(w, brighten(kWeight12, red(w)), brighten(kWeight12, green(w)),
                   brighten(kWeight18, blue(w)));
}
inline Word xxx_word(Word w) {
    return (w & 0xFFFF00FFu) | (127u << 8);
}
inline Word psico_negated_word(Word w) {
    return compose(w, blue(w), (0u - green(w)) & 0xFFu, (0u - blue(w)) & 0xFFu);
}

// ------------------------------------------------- loops in effect_vectors.cpp
// Four pixels per vector, two vectors per step, with SSSE3; only for x86 and
// only where cpu::has(cpu::Vectors::Ssse3). The last few pixels go through the
// word forms above, so they give the same bytes as the plain loops.
#if RESISTENZE_X86_VECTORS
void brr_vector(char* px, int64_t n);
void blu_vector(char* px, int64_t n);
void verde_vector(char* px, int64_t n);
void rosso_vector(char* px, int64_t n);
void giallo_vector(char* px, int64_t n);
void giallino_vector(char* px, int64_t n);
void scurisci_vector(char* px, int64_t n);
void schiarisci_vector(char* px, int64_t n);
void xxx_vector(char* px, int64_t n);
void psico_negating_vector(char* px, int64_t n); // psico at levels that negate
#endif

// ----------------------------------------------- loops in effect_positions.cpp
// The effects that depend on the pixel's place (or on a running generator).
void apply_bgx(char* px, int64_t n, uint32_t& random_state);
void apply_xx1(char* px, int64_t n, int32_t width);
void apply_xx2(char* px, int64_t n);
void apply_xx3(char* px, int64_t n);
void apply_xx4(char* px, int64_t n);

// ------------------------------------------------ steps in effect_extended.cpp
// Green of xx4 at an exact half g * n / i.
Word xx4_green_half(Word g, uint64_t i, uint64_t n);
// Psico's value for |livello| >= 2^24.
Word psico_huge(Word c, float livello);

} // namespace effect_pixels::detail
