// The colour effects as pixel arithmetic.
//
// Each effect is one loop over the pixels taken as 32-bit words (blue in the
// low byte, the reserved byte on top, which no effect touches).
//
// Rounding is to the nearest integer with halves to the even neighbour, of
// the value that 64-bit-significand arithmetic gives when the formula is
// worked in the order written. Most effects reach the same bytes with exact
// integer arithmetic (each one says why); where that rounding really lands
// elsewhere (a few halves of the xx4 green, psico at huge levels) a small
// emulation of the 64-bit-significand steps does it, so no processor needs a
// wide floating-point type of its own.
#include "imaging/effect_pixels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define RESISTENZE_X86_VECTORS 1
#include <immintrin.h>
#else
#define RESISTENZE_X86_VECTORS 0
#endif

static_assert(std::endian::native == std::endian::little,
              "pixel words are read with blue in the low byte");
static_assert(std::numeric_limits<double>::is_iec559, "psico's small levels use binary64");

namespace effect_pixels {
namespace {

using Word = uint32_t;

constexpr Word kReserved = 0xFF000000u;
constexpr std::size_t kHeader = 8;

// The pixels a snapshot holds, or 0 when it holds none or less than its
// header promises (then nothing is visited, so nothing is read past the end).
int64_t pixel_count(const char* data, std::size_t size, int32_t& width) {
    if (size < kHeader) return 0;
    int32_t height = 0;
    std::memcpy(&width, data, 4);
    std::memcpy(&height, data + 4, 4);
    const int64_t n = int64_t{width} * int64_t{height};
    if (n <= 0 || n > std::numeric_limits<int32_t>::max()) return 0;
    if (static_cast<uint64_t>(n) > (size - kHeader) / 4) return 0;
    return n;
}

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
template <class F> void each_word(char* px, int64_t n, F f) {
    for (int64_t k = 0; k < n; ++k) store(px + 4 * k, f(load(px + 4 * k)));
}

// The word-at-a-time forms of the effects that depend on the colour alone.
Word brr_word(Word w) {
    return compose(w, blue(w), red(w), red(w));
}
Word blu_word(Word w) {
    return compose(w, 0, 0, avg(w));
}
Word verde_word(Word w) {
    return compose(w, 0, avg(w), 0);
}
Word rosso_word(Word w) {
    return compose(w, avg(w), 0, 0);
}
Word giallo_word(Word w) {
    const Word a = avg(w);
    return compose(w, a, a, 0);
}
Word giallino_word(Word w) {
    const Word a = avg(w);
    return compose(w, a, a, 100);
}
// round(c / 2): c div 2, plus one when c is odd and c div 2 is odd (the half
// goes to the even neighbour). Done on the three channel bytes at once; no
// byte carries into the next (at most 127 + 1).
Word scurisci_word(Word w) {
    const Word half = (w >> 1) & 0x007F7F7Fu;
    return (w & kReserved) | (half + (w & half & 0x00010101u));
}
Word schiarisci_word(Word w) {
    return compose(w, brighten(kWeight12, red(w)), brighten(kWeight12, green(w)),
                   brighten(kWeight18, blue(w)));
}
Word xxx_word(Word w) {
    return (w & 0xFFFF00FFu) | (127u << 8);
}

// ------------------------------------------------------------------ vectors
// The effects that depend on the colour alone also have loops that take
// four pixels per vector, two vectors per step, with SSSE3, used when the
// processor has it. Each loop finishes the last few pixels with the
// word-at-a-time function, so both kinds give the same bytes.
#if RESISTENZE_X86_VECTORS
#pragma GCC push_options
#pragma GCC target("ssse3")

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
void psico_negating_vector(char* px, int64_t n, Word (*word)(Word)) {
    const __m128i shuffle = pixel_shuffle(0, 1, 0, 3);
    const __m128i low = _mm_set1_epi32(0x0000FFFF);
    each_vector(
        px, n,
        [&](__m128i v) {
            const __m128i moved = _mm_shuffle_epi8(v, shuffle);
            const __m128i negated = _mm_sub_epi8(_mm_setzero_si128(), _mm_and_si128(moved, low));
            return _mm_or_si128(negated, _mm_andnot_si128(low, moved));
        },
        word);
}

// The vector loop of an effect that depends on the colour alone; false for
// the others.
bool vector_pass(Effect effect, char* px, int64_t n) {
    switch (effect) {
    case Effect::Brr:
        brr_vector(px, n);
        return true;
    case Effect::Blu:
        avg_vector(px, n, pixel_shuffle(0, -1, -1, -1), 0, blu_word);
        return true;
    case Effect::Verde:
        avg_vector(px, n, pixel_shuffle(-1, 0, -1, -1), 0, verde_word);
        return true;
    case Effect::Rosso:
        avg_vector(px, n, pixel_shuffle(-1, -1, 0, -1), 0, rosso_word);
        return true;
    case Effect::Giallo:
        avg_vector(px, n, pixel_shuffle(-1, 0, 0, -1), 0, giallo_word);
        return true;
    case Effect::Giallino:
        avg_vector(px, n, pixel_shuffle(-1, 0, 0, -1), 100, giallino_word);
        return true;
    case Effect::Schiarisci:
        schiarisci_vector(px, n);
        return true;
    case Effect::Scurisci:
        scurisci_vector(px, n);
        return true;
    case Effect::Xxx:
        xxx_vector(px, n);
        return true;
    default:
        return false;
    }
}

bool vectors_available() {
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return available;
}

#pragma GCC pop_options
#else
bool vectors_available() {
    return false;
}
bool vector_pass(Effect, char*, int64_t) {
    return false;
}
#endif

// ------------------------------------------------------ 64-bit significand
// A binary number (-1)^neg * sig * 2^exp with a 64-bit significand (top bit
// set unless the number is 0): the precision the effects' rounding is
// defined in. Only the few steps the effects need are here.
__extension__ typedef unsigned __int128 Wide; // GCC and Clang have it on 64-bit targets

struct Extended {
    uint64_t sig;
    int exp;
    bool neg;
};

int top_bit(Wide v) {
    const auto high = static_cast<uint64_t>(v >> 64);
    if (high != 0) return 127 - std::countl_zero(high);
    return 63 - std::countl_zero(static_cast<uint64_t>(v));
}

// mag * 2^exp rounded to 64 significant bits, halves to even. `sticky` tells
// that the true magnitude lies strictly between mag and mag + 1 (nonzero bits
// lost below mag's last bit); it is only given when mag has more than 64 bits.
Extended to_extended(Wide mag, int exp, bool neg, bool sticky = false) {
    if (mag == 0) return {0, 0, neg};
    const int top = top_bit(mag);
    if (top <= 63) return {static_cast<uint64_t>(mag) << (63 - top), exp - (63 - top), neg};
    const int shift = top - 63;
    auto sig = static_cast<uint64_t>(mag >> shift);
    const Wide rest = mag & ((Wide{1} << shift) - 1);
    const Wide half = Wide{1} << (shift - 1);
    exp += shift;
    if (rest > half || (rest == half && (sticky || (sig & 1)))) {
        if (++sig == 0) { // carried out of the top: 2^64
            sig = uint64_t{1} << 63;
            ++exp;
        }
    }
    return {sig, exp, neg};
}

// x / d for a divisor below 2^62, rounded to 64 significant bits.
Extended divided(Extended x, uint64_t d) {
    // The numerator gets 64 bits below the significand, so the quotient keeps
    // at least 65 bits and the remainder only decides the sticky bit.
    const Wide num = Wide{x.sig} << 64;
    return to_extended(num / d, x.exp - 64, x.neg, num % d != 0);
}

Extended times(Extended x, uint64_t m) {
    return to_extended(Wide{x.sig} * m, x.exp, x.neg);
}

// Low 8 bits (two's complement) of x rounded to a whole number, halves to
// even.
Word low8_of_rounded(Extended x) {
    uint64_t low = 0; // low bits of the magnitude of the whole number
    if (x.sig == 0 || x.exp >= 8 || x.exp < -64) {
        low = 0; // a multiple of 256, or below a half
    } else if (x.exp >= 0) {
        low = x.sig << x.exp;
    } else {
        const int shift = -x.exp;
        const Wide sig = x.sig;
        Wide whole = sig >> shift;
        const Wide rest = sig & ((Wide{1} << shift) - 1);
        const Wide half = Wide{1} << (shift - 1);
        if (rest > half || (rest == half && (whole & 1))) ++whole;
        low = static_cast<uint64_t>(whole);
    }
    const auto m = static_cast<Word>(low & 0xFFu);
    return x.neg ? (0u - m) & 0xFFu : m;
}

// -------------------------------------------------------- position effects
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

// Red and blue of xx4, round((c / i) / N): the same bytes as exact rounding
// of c / (i * N) (the two 64-bit-significand quotients cannot reach a half
// they are not), and 0 once i * N passes 2c.
inline Word shrink(Word c, Word d) {
    const Word q = c / d, r = c - q * d;
    return q + ((2 * r > d || (2 * r == d && (q & 1))) ? 1u : 0u);
}

// Green of xx4 at an exact half g * N / i: g / i rounded to 64 bits first
// (unless it is a binary fraction) shifts the product just off the half, and
// the rounding follows that.
Word xx4_green_half(Word g, uint64_t i, uint64_t n) {
    const Extended quotient = to_extended(Wide{g} << 96, -96, false);
    return low8_of_rounded(times(divided(quotient, i), n));
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

void apply_xx4(char* px, int64_t n) {
    // g * N fits in 32 bits below N = 2^24, where 32-bit division is cheaper.
    if (n < (int64_t{1} << 24))
        apply_xx4_as<uint32_t>(px, n);
    else
        apply_xx4_as<uint64_t>(px, n);
}

// ------------------------------------------------------------------ psico
// low8(round(2 * c * (livello - 50) / 100)). Below |livello| = 2^24 binary64
// gives the same bytes as 64-bit significands (its larger rounding errors
// cannot cross a half there); above, livello is a whole number and the steps
// are emulated.
Word psico_huge(Word c, float livello) {
    const uint32_t bits = std::bit_cast<uint32_t>(livello);
    const uint32_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
    const int shift = static_cast<int>((bits >> 23) & 0xFFu) - 150; // >= 1 here
    const Wide magnitude = Wide{mantissa} << shift;                 // below 2^128
    const bool neg = (bits >> 31) != 0;
    const Extended factor = to_extended(neg ? magnitude + 50 : magnitude - 50, 0, neg);
    return low8_of_rounded(divided(times(factor, 2 * c), 100));
}

Word psico_value(Word c, float livello) {
    if (!std::isfinite(livello)) return 0; // infinite or undefined results wrap to 0
    if (std::fabs(livello) >= 0x1p24f) return psico_huge(c, livello);
    const double v = std::nearbyint(2.0 * c * (static_cast<double>(livello) - 50.0) / 100.0);
    return static_cast<Word>(static_cast<int64_t>(v)) & 0xFFu;
}

Word psico_negated_word(Word w) {
    return compose(w, blue(w), (0u - green(w)) & 0xFFu, (0u - blue(w)) & 0xFFu);
}

void apply_psico(char* px, int64_t n, float livello) {
    // The new green and blue depend on their own channel only: one table per
    // call. At level 0 (what the buttons use) it is negation modulo 256.
    std::array<Word, 256> t{};
    bool negation = true;
    for (Word c = 0; c < 256; ++c) {
        t[c] = psico_value(c, livello);
        negation = negation && t[c] == ((0u - c) & 0xFFu);
    }
    if (negation) {
#if RESISTENZE_X86_VECTORS
        if (vectors_available()) {
            psico_negating_vector(px, n, psico_negated_word);
            return;
        }
#endif
        each_word(px, n, [](Word w) { return psico_negated_word(w); });
        return;
    }
    each_word(px, n, [&](Word w) { return compose(w, blue(w), t[green(w)], t[blue(w)]); });
}

void apply(Effect effect, char* px, int64_t n, int32_t width, float livello,
           uint32_t& random_state) {
    if (vectors_available() && vector_pass(effect, px, n)) return;
    switch (effect) {
    case Effect::None:
        break;
    case Effect::Bgx:
        apply_bgx(px, n, random_state);
        break;
    case Effect::Brr:
        each_word(px, n, [](Word w) { return brr_word(w); });
        break;
    case Effect::Blu:
        each_word(px, n, [](Word w) { return blu_word(w); });
        break;
    case Effect::Verde:
        each_word(px, n, [](Word w) { return verde_word(w); });
        break;
    case Effect::Rosso:
        each_word(px, n, [](Word w) { return rosso_word(w); });
        break;
    case Effect::Giallo:
        each_word(px, n, [](Word w) { return giallo_word(w); });
        break;
    case Effect::Giallino:
        each_word(px, n, [](Word w) { return giallino_word(w); });
        break;
    case Effect::Scurisci:
        each_word(px, n, [](Word w) { return scurisci_word(w); });
        break;
    case Effect::Schiarisci:
        each_word(px, n, [](Word w) { return schiarisci_word(w); });
        break;
    case Effect::Xx1:
        apply_xx1(px, n, width);
        break;
    case Effect::Xx2:
        apply_xx2(px, n);
        break;
    case Effect::Xx3:
        apply_xx3(px, n);
        break;
    case Effect::Xx4:
        apply_xx4(px, n);
        break;
    case Effect::Xxx:
        each_word(px, n, [](Word w) { return xxx_word(w); });
        break;
    case Effect::Psico:
        apply_psico(px, n, livello);
        break;
    }
}

} // namespace

Effect effect_named(std::string_view key) {
    for (const NamedEffect& e : kEffects)
        if (key == e.name) return e.effect;
    return Effect::None;
}

void apply_to_snapshot(Effect effect, char* data, std::size_t size, float livello,
                       uint32_t& random_state) {
    if (effect == Effect::None) return;
    int32_t width = 0;
    const int64_t n = pixel_count(data, size, width);
    if (n > 0) apply(effect, data + kHeader, n, width, livello, random_state);
}

uint32_t fade_channel(uint32_t c, int64_t i, int64_t n) {
    if (n < 1 || i < 1 || i > n) return 0;
    const Wide scaled = Wide{static_cast<uint64_t>(i)} << kFraction;
    return fade(static_cast<uint64_t>(scaled / static_cast<uint64_t>(n)), c & 0xFFu);
}

uint32_t xx4_green(uint32_t g, int64_t i, int64_t n) {
    if (n < 1 || i < 1 || i > n) return 0;
    return xx4_green_at<uint64_t>(g & 0xFFu, static_cast<uint64_t>(i), static_cast<uint64_t>(n));
}

uint32_t psico_channel(uint32_t c, float livello) {
    return psico_value(c & 0xFFu, livello);
}

} // namespace effect_pixels
