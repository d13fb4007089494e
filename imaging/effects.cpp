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

#include "surface/surface.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

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
    std::size_t b = 0, e = name.size();
    while (b < e && name[b] == ' ') ++b;
    while (e > b && name[e - 1] == ' ') --e;
    // Lower-casing never turns a space into something else or back, so
    // stripping before or after it gives the same key.
    std::string key(name, b, e - b);
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
// multiply-and-shift below (checked for every sum at compile time).
constexpr Word avg_of_sum(Word sum) {
    return ((sum + 1u) * 43691u) >> 17;
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

// round(min(1.2 * c, 255)) and round(min(1.8 * c, 255)) for every channel
// value, with the single-precision constants, placed at their byte.
struct BrightenTables {
    std::array<Word, 256> red{}, green{}, blue{};
    BrightenTables() {
        const long double k12 = 1.2f, k18 = 1.8f;
        for (int c = 0; c < 256; ++c) {
            const auto r = static_cast<Word>(std::rint(std::fmin(k12 * c, 255.0L)));
            const auto b = static_cast<Word>(std::rint(std::fmin(k18 * c, 255.0L)));
            red[c] = r << 16;
            green[c] = r << 8;
            blue[c] = b;
        }
    }
};

const BrightenTables& brighten_tables() {
    static const BrightenTables tables;
    return tables;
}

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

// round(i * c / N) in extended precision; i <= N, so it lies in 0..c.
inline Word fade(long double i, Word c, long double n) {
    return static_cast<Word>(std::rint(i * c / n));
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
        // 2^39, so the rounded value converts to a 64-bit integer exactly.
        const auto r = static_cast<Word>(std::rint(static_cast<long double>(red(w)) / i / total));
        const auto b = static_cast<Word>(std::rint(static_cast<long double>(blue(w)) / i / total));
        const auto g = static_cast<Word>(
            static_cast<int64_t>(std::rint(static_cast<long double>(green(w)) / i * total)) & 0xFF);
        store(px + 4 * k, compose(w, r, g, b));
    }
}

void apply_psico(char* px, int64_t n, float livello) {
    // The new green and blue depend on their own channel only: one table per
    // call, each entry low8(round(2 * c * (livello - 50) / 100)).
    std::array<Word, 256> t{};
    const long double factor = static_cast<long double>(livello) - 50.0L;
    for (int c = 0; c < 256; ++c) t[c] = low8(std::rint(2.0L * c * factor / 100.0L));
    each_word(px, n, [&](Word w) { return compose(w, blue(w), t[green(w)], t[blue(w)]); });
}

void apply(Effect effect, char* px, int64_t n, int32_t width, float livello) {
    switch (effect) {
    case Effect::None:
        break;
    case Effect::Bgx:
        apply_bgx(px, n);
        break;
    case Effect::Brr:
        each_word(px, n, [](Word w) { return compose(w, blue(w), red(w), red(w)); });
        break;
    case Effect::Blu:
        each_word(px, n, [](Word w) { return compose(w, 0, 0, avg(w)); });
        break;
    case Effect::Verde:
        each_word(px, n, [](Word w) { return compose(w, 0, avg(w), 0); });
        break;
    case Effect::Rosso:
        each_word(px, n, [](Word w) { return compose(w, avg(w), 0, 0); });
        break;
    case Effect::Giallo:
        each_word(px, n, [](Word w) {
            const Word a = avg(w);
            return compose(w, a, a, 0);
        });
        break;
    case Effect::Giallino:
        each_word(px, n, [](Word w) {
            const Word a = avg(w);
            return compose(w, a, a, 100);
        });
        break;
    case Effect::Scurisci:
        // round(c / 2): c div 2, plus one when c is odd and c div 2 is odd
        // (the half goes to the even neighbour). Done on the three channel
        // bytes at once; no byte carries into the next (at most 127 + 1).
        each_word(px, n, [](Word w) {
            const Word half = (w >> 1) & 0x007F7F7Fu;
            return (w & kReserved) | (half + (w & half & 0x00010101u));
        });
        break;
    case Effect::Schiarisci: {
        const BrightenTables& t = brighten_tables();
        each_word(px, n, [&t](Word w) {
            return (w & kReserved) | t.red[red(w)] | t.green[green(w)] | t.blue[blue(w)];
        });
        break;
    }
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
        each_word(px, n, [](Word w) { return (w & 0xFFFF00FFu) | (127u << 8); });
        break;
    case Effect::Psico:
        apply_psico(px, n, livello);
        break;
    }
}

} // namespace

std::string NG_LI_EF(std::string& snapshot, const std::string& name, const float& livello) {
    const Effect effect = find_effect(name);
    if (effect == Effect::None) return snapshot;
    int32_t width = 0, height = 0;
    const int64_t n = pixel_count(snapshot, width, height);
    if (n > 0) apply(effect, snapshot.data() + kHeader, n, width, livello);
    return snapshot;
}
