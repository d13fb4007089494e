// Named colour effects on pixel snapshots.
//
// A snapshot is an 8-byte header (width, height: little-endian int32) and
// then width x height pixels of four bytes: blue, green, red, reserved. Each
// effect is one loop over the pixels taken as 32-bit words (blue in the low
// byte, the reserved byte on top, which no effect touches).
//
// Rounding is to the nearest integer with halves to the even neighbour. The
// effects whose arithmetic can produce a half or a long quotient do it in
// x87 extended precision (long double), in the order the formulas are
// written; the others use integer forms that give the same bytes (each one
// says why).
#include "imaging/effects.h"

#include "ngbutton/ng_bottone.h"
#include "surface/surface.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define RESISTENZE_X86_VECTORS 1
#include <immintrin.h>
#else
#define RESISTENZE_X86_VECTORS 0
#endif

static_assert(std::endian::native == std::endian::little,
              "pixel words are read with blue in the low byte");
static_assert(std::numeric_limits<long double>::digits == 64,
              "the effects need 64-bit-mantissa extended precision");

namespace {

using Word = uint32_t;

constexpr Word kReserved = 0xFF000000u;
constexpr std::size_t kHeader = 8;

enum class Effect {
    None,
    Bgx,
    Brr,
    Blu,
    Verde,
    Rosso,
    Giallo,
    Giallino,
    Scurisci,
    Schiarisci,
    Xx1,
    Xx2,
    Xx3,
    Xx4,
    Xxx,
    Psico,
};

struct NamedEffect {
    std::string_view name;
    Effect effect;
};

constexpr std::array<NamedEffect, 15> kEffects{{
    {"effetto_bgx", Effect::Bgx},
    {"effetto_brr", Effect::Brr},
    {"effetto_blu", Effect::Blu},
    {"effetto_verde", Effect::Verde},
    {"effetto_rosso", Effect::Rosso},
    {"effetto_giallo", Effect::Giallo},
    {"effetto_giallino", Effect::Giallino},
    {"effetto_scurisci", Effect::Scurisci},
    {"effetto_schiarisci", Effect::Schiarisci},
    {"effetto_xx1", Effect::Xx1},
    {"effetto_xx2", Effect::Xx2},
    {"effetto_xx3", Effect::Xx3},
    {"effetto_xx4", Effect::Xx4},
    {"effetto_xxx", Effect::Xxx},
    {"effetto_psico", Effect::Psico},
}};

// Lower case of 8-bit Latin-1 text: A-Z and the accented capitals
// 0xC0-0xDE (except the multiplication sign 0xD7).
char latin1_lower(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return static_cast<char>(u + 0x20);
    return c;
}

// The effect a name asks for: lower-cased, stripped of leading and trailing
// spaces (tabs stay), then compared exactly.
Effect find_effect(const std::string& name) {
    // Lower-casing never turns a space into something else or back, so
    // stripping before or after it gives the same key.
    std::string key(blank_trimmed(name));
    for (char& c : key) c = latin1_lower(c);
    for (const NamedEffect& n : kEffects)
        if (key == n.name) return n.effect;
    return Effect::None;
}

// The pixels a snapshot holds, or 0 when it holds none or less than its
// header promises (then nothing is visited, so nothing is read past the end).
int64_t pixel_count(const std::string& s, int32_t& width, int32_t& height) {
    if (s.size() < kHeader) return 0;
    std::memcpy(&width, s.data(), 4);
    std::memcpy(&height, s.data() + 4, 4);
    const int64_t n = int64_t{width} * int64_t{height};
    if (n <= 0 || n > std::numeric_limits<int32_t>::max()) return 0;
    if (static_cast<uint64_t>(n) > (s.size() - kHeader) / 4) return 0;
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
// 1.8. The product of a float and a channel value is exact in extended
// precision, so the rounding works on the exact value c * m / 2^23 (m the
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

// Low 8 bits of a whole number held in a long double (two's complement for
// negatives); anything not finite gives 0.
uint32_t low8(long double whole) {
    if (!std::isfinite(whole)) return 0;
    long double m = std::fmod(whole, 256.0L); // exact
    if (m < 0) m += 256.0L;
    return static_cast<uint32_t>(m);
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

void apply_bgx(char* px, int64_t n) {
    // The shared generator run inline: state = state * 134775813 + 1, and a
    // draw between 0 and 255 is floor((state >> 1) / 2^31 * 256), which is
    // the top byte of the state. The state is handed back afterwards, so the
    // sequence is the one random_int(0, 255) would have drawn.
    uint32_t state = surface::random_state();
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        state = state * 134775813u + 1u;
        store(px + 4 * k, compose(w, blue(w), green(w), state >> 24));
    }
    surface::set_random_state(state);
}

void apply_xx1(char* px, int64_t n, int32_t width) {
    // i is a multiple of W exactly when the running column reaches |W|.
    const int64_t row = width < 0 ? -int64_t{width} : int64_t{width};
    int64_t col = 0;
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        if (++col == row) {
            col = 0;
            store(px + 4 * k, compose(w, red(w), (green(w) * 2) & 0xFFu, blue(w)));
        } else {
            store(px + 4 * k, compose(w, (red(w) * 2) & 0xFFu, green(w), blue(w)));
        }
    }
}

// round(x) for |x| < 2^62, halves to even. Adding 1.5 * 2^63 gives a sum
// whose 64-bit mantissa has unit weight, so the addition itself rounds x to a
// whole number (to nearest, ties to even: the processor's standing mode),
// and the whole number is read out of the mantissa's bits. A plain
// conversion would switch the rounding mode twice per value, which is
// slower than all the arithmetic around it.
inline int64_t round_even(long double x) {
    const long double shifted = x + 0x1.8p63L;
    uint64_t mantissa;
    std::memcpy(&mantissa, &shifted, sizeof mantissa); // the low 8 bytes on x86
    return static_cast<int64_t>(mantissa - 0xC000000000000000u);
}

// round(i * c / N) in extended precision; i <= N, so it lies in 0..c.
inline Word fade(long double i, Word c, long double n) {
    return static_cast<Word>(round_even(i * c / n));
}

void apply_xx2(char* px, int64_t n) {
    const long double total = static_cast<long double>(n);
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        const long double i = static_cast<long double>(k + 1);
        store(px + 4 * k, compose(w, red(w), green(w), fade(i, blue(w), total)));
    }
}

void apply_xx3(char* px, int64_t n) {
    const long double total = static_cast<long double>(n);
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        const long double i = static_cast<long double>(k + 1);
        store(px + 4 * k, compose(w, fade(i, red(w), total), fade(i, green(w), total),
                                  fade(i, blue(w), total)));
    }
}

void apply_xx4(char* px, int64_t n) {
    const long double total = static_cast<long double>(n);
    for (int64_t k = 0; k < n; ++k) {
        const Word w = load(px + 4 * k);
        const long double i = static_cast<long double>(k + 1);
        // Red and blue: c / i / N lies in 0..c. Green: c / i * N is below
        // 2^39; it wraps to its low 8 bits.
        const auto r = static_cast<Word>(round_even(static_cast<long double>(red(w)) / i / total));
        const auto b = static_cast<Word>(round_even(static_cast<long double>(blue(w)) / i / total));
        const auto g =
            static_cast<Word>(round_even(static_cast<long double>(green(w)) / i * total) & 0xFF);
        store(px + 4 * k, compose(w, r, g, b));
    }
}

Word psico_negated_word(Word w) {
    return compose(w, blue(w), (0u - green(w)) & 0xFFu, (0u - blue(w)) & 0xFFu);
}

void apply_psico(char* px, int64_t n, float livello) {
    // The new green and blue depend on their own channel only: one table per
    // call, each entry low8(round(2 * c * (livello - 50) / 100)). At level 0
    // (what the buttons use) the table is plain negation modulo 256.
    std::array<Word, 256> t{};
    const long double factor = static_cast<long double>(livello) - 50.0L;
    bool negation = true;
    for (Word c = 0; c < 256; ++c) {
        t[c] = low8(std::rint(2.0L * c * factor / 100.0L));
        negation = negation && t[c] == ((0u - c) & 0xFFu);
    }
#if RESISTENZE_X86_VECTORS
    if (negation && vectors_available()) {
        psico_negating_vector(px, n, psico_negated_word);
        return;
    }
#endif
    each_word(px, n, [&](Word w) { return compose(w, blue(w), t[green(w)], t[blue(w)]); });
}

void apply(Effect effect, char* px, int64_t n, int32_t width, float livello) {
    if (vectors_available() && vector_pass(effect, px, n)) return;
    switch (effect) {
    case Effect::None:
        break;
    case Effect::Bgx:
        apply_bgx(px, n);
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

void apply_effect(std::string& snapshot, const std::string& name, float livello) {
    const Effect effect = find_effect(name);
    if (effect == Effect::None) return;
    int32_t width = 0, height = 0;
    const int64_t n = pixel_count(snapshot, width, height);
    if (n > 0) apply(effect, snapshot.data() + kHeader, n, width, livello);
}

std::string NG_LI_EF(std::string& snapshot, const std::string& name, const float& livello) {
    apply_effect(snapshot, name, livello);
    return snapshot;
}

bool effect_known(const std::string& name) {
    return find_effect(name) != Effect::None;
}
