// The x86 vector loops of the effects that depend on the colour alone: four
// pixels per vector, two vectors per step, with SSSE3. Each loop finishes the
// last few pixels with the word-at-a-time function, so both kinds give the
// same bytes. Nothing here on other processors.
#include "imaging/effect_loops.h"

#if RESISTENZE_X86_VECTORS
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("ssse3"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("ssse3")
#endif

namespace effect_pixels::detail {
namespace {

template <class V, class S> void each_vector(char* px, int64_t n, V vector, S word) {
    int64_t k = 0;
    for (; k + 8 <= n; k += 8) {
        auto* p = reinterpret_cast<__m128i*>(px + 4 * k);
        const __m128i a = vector(_mm_loadu_si128(p)), b = vector(_mm_loadu_si128(p + 1));
        _mm_storeu_si128(p, a);
        _mm_storeu_si128(p + 1, b);
    }
    for (; k < n; ++k) store(px + 4 * k, word(load(px + 4 * k)));
}

// Byte shuffle within each pixel: b0..b3 name the source byte of the new
// blue, green, red and reserved byte; -1 makes it 0.
__m128i pixel_shuffle(int b0, int b1, int b2, int b3) {
    auto at = [](int src, int base) { return static_cast<char>(src < 0 ? -128 : src + base); };
    return _mm_setr_epi8(at(b0, 0), at(b1, 0), at(b2, 0), at(b3, 0), at(b0, 4), at(b1, 4),
                         at(b2, 4), at(b3, 4), at(b0, 8), at(b1, 8), at(b2, 8), at(b3, 8),
                         at(b0, 12), at(b1, 12), at(b2, 12), at(b3, 12));
}

// avg of four pixels, one per 32-bit lane (low byte): the byte pairs (B, G)
// and (R, 0) are summed to 16 bits, then both halves multiplied by kThird
// and added in one step.
inline __m128i avg4(__m128i v) {
    const __m128i ones = _mm_set1_epi32(0x00010101);
    const __m128i third = _mm_set1_epi16(static_cast<short>(kThird));
    const __m128i sum = _mm_madd_epi16(_mm_maddubs_epi16(v, ones), third);
    return _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(static_cast<int>(kThird))), 16);
}

// avg placed by `place` (a shuffle of lane byte 0), plus `extra`.
void avg_vector(char* px, int64_t n, __m128i place, Word extra, Word (*word)(Word)) {
    const __m128i reserved = _mm_set1_epi32(static_cast<int>(kReserved));
    const __m128i add = _mm_set1_epi32(static_cast<int>(extra));
    each_vector(
        px, n,
        [&](__m128i v) {
            const __m128i a = _mm_shuffle_epi8(avg4(v), place);
            return _mm_or_si128(_mm_or_si128(_mm_and_si128(v, reserved), a), add);
        },
        word);
}
} // namespace

void brr_vector(char* px, int64_t n) {
    const __m128i shuffle = pixel_shuffle(2, 2, 0, 3);
    each_vector(
        px, n, [&](__m128i v) { return _mm_shuffle_epi8(v, shuffle); }, brr_word);
}

// The rounding multiply on 16-bit lanes of 2c (blue, green, red, byte 3);
// packing back to bytes caps at 255.
void schiarisci_vector(char* px, int64_t n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight = _mm_setr_epi16(kWeight18, kWeight12, kWeight12, kWeightSame, kWeight18,
                                          kWeight12, kWeight12, kWeightSame);
    auto lanes = [&](__m128i c) { return _mm_mulhrs_epi16(_mm_add_epi16(c, c), weight); };
    each_vector(
        px, n,
        [&](__m128i v) {
            return _mm_packus_epi16(lanes(_mm_unpacklo_epi8(v, zero)),
                                    lanes(_mm_unpackhi_epi8(v, zero)));
        },
        schiarisci_word);
}

// The halving of scurisci_word, on four words at once.
void scurisci_vector(char* px, int64_t n) {
    const __m128i reserved = _mm_set1_epi32(static_cast<int>(kReserved));
    const __m128i low7 = _mm_set1_epi32(0x007F7F7F);
    const __m128i ones = _mm_set1_epi32(0x00010101);
    each_vector(
        px, n,
        [&](__m128i v) {
            const __m128i half = _mm_and_si128(_mm_srli_epi32(v, 1), low7);
            const __m128i odd = _mm_and_si128(_mm_and_si128(v, half), ones);
            return _mm_or_si128(_mm_and_si128(v, reserved), _mm_add_epi32(half, odd));
        },
        scurisci_word);
}

void xxx_vector(char* px, int64_t n) {
    const __m128i keep = _mm_set1_epi32(static_cast<int>(0xFFFF00FFu));
    const __m128i green = _mm_set1_epi32(127 << 8);
    each_vector(
        px, n, [&](__m128i v) { return _mm_or_si128(_mm_and_si128(v, keep), green); }, xxx_word);
}

// Red takes blue; green and blue become their negatives modulo 256.
void psico_negating_vector(char* px, int64_t n) {
    const __m128i shuffle = pixel_shuffle(0, 1, 0, 3);
    const __m128i low = _mm_set1_epi32(0x0000FFFF);
    each_vector(
        px, n,
        [&](__m128i v) {
            const __m128i moved = _mm_shuffle_epi8(v, shuffle);
            const __m128i negated = _mm_sub_epi8(_mm_setzero_si128(), _mm_and_si128(moved, low));
            return _mm_or_si128(negated, _mm_andnot_si128(low, moved));
        },
        psico_negated_word);
}

void blu_vector(char* px, int64_t n) {
    avg_vector(px, n, pixel_shuffle(0, -1, -1, -1), 0, blu_word);
}
void verde_vector(char* px, int64_t n) {
    avg_vector(px, n, pixel_shuffle(-1, 0, -1, -1), 0, verde_word);
}
void rosso_vector(char* px, int64_t n) {
    avg_vector(px, n, pixel_shuffle(-1, -1, 0, -1), 0, rosso_word);
}
void giallo_vector(char* px, int64_t n) {
    avg_vector(px, n, pixel_shuffle(-1, 0, 0, -1), 0, giallo_word);
}
void giallino_vector(char* px, int64_t n) {
    avg_vector(px, n, pixel_shuffle(-1, 0, 0, -1), 100, giallino_word);
}

} // namespace effect_pixels::detail

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
