// The effect arithmetic, which runs on any processor, against the same
// formulas worked directly in the x87's 64-bit-significand long double.
#include "imaging/effect_pixels.h"

#include <gtest/gtest.h>

#if defined(__x86_64__) || defined(__i386__)

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using Ld = long double;
static_assert(std::numeric_limits<Ld>::digits == 64, "the reference needs the x87 format");

// --- the reference: each formula in long double, in the order written
uint32_t low8(Ld whole) {
    if (!std::isfinite(whole)) return 0;
    Ld m = std::fmod(whole, 256.0L);
    if (m < 0) m += 256.0L;
    return static_cast<uint32_t>(m);
}
uint32_t x87_fade(int64_t i, uint32_t c, int64_t n) {
    return low8(std::rint(Ld(i) * c / Ld(n)));
}
uint32_t x87_shrink(int64_t i, uint32_t c, int64_t n) {
    return low8(std::rint(Ld(c) / Ld(i) / Ld(n)));
}
uint32_t x87_green(int64_t i, uint32_t g, int64_t n) {
    return low8(std::rint(Ld(g) / Ld(i) * Ld(n)));
}
uint32_t x87_psico(uint32_t c, float livello) {
    return low8(std::rint(2.0L * c * (Ld(livello) - 50.0L) / 100.0L));
}

// Reports the first few mismatches and counts them all.
struct Mismatches {
    const char* what;
    int count = 0;
    template <class Where> void check(uint32_t got, uint32_t want, Where where) {
        if (got != want && ++count <= 3)
            ADD_FAILURE() << what << ": " << where() << " gives " << got << ", want " << want;
    }
};

std::string blank_snapshot(int32_t w, int32_t h) {
    std::string s(8 + 4 * (int64_t{w} * h), '\0');
    std::memcpy(s.data(), &w, 4);
    std::memcpy(s.data() + 4, &h, 4);
    return s;
}

uint32_t apply(effect_pixels::Effect effect, std::string& s, float livello = 0.0f) {
    uint32_t state = 0;
    effect_pixels::apply_to_snapshot(effect, s.data(), s.size(), livello, state);
    return state;
}

// Every (i, c) of xx2, xx3 and xx4 for a snapshot of n pixels: in the k-th
// of 256 snapshots pixel i holds (k + i, k + 3i + 1, k + 5i + 2) mod 256, so
// each channel takes every value at every i.
void sweep_snapshots(int64_t n, Mismatches& m) {
    std::vector<uint8_t> fade(256 * n), shrink(256 * n), green(256 * n);
    for (int64_t i = 1; i <= n; ++i)
        for (uint32_t c = 0; c < 256; ++c) {
            const auto at = static_cast<std::size_t>(256 * (i - 1) + c);
            fade[at] = static_cast<uint8_t>(x87_fade(i, c, n));
            shrink[at] = static_cast<uint8_t>(x87_shrink(i, c, n));
            green[at] = static_cast<uint8_t>(x87_green(i, c, n));
        }
    std::string in = blank_snapshot(static_cast<int32_t>(n), 1);
    for (uint32_t k = 0; k < 256; ++k) {
        for (int64_t i = 1; i <= n; ++i) {
            const auto r = static_cast<uint8_t>(k + i), g = static_cast<uint8_t>(k + 3 * i + 1),
                       b = static_cast<uint8_t>(k + 5 * i + 2);
            const char p[4] = {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r),
                               '\x5A'};
            std::memcpy(in.data() + 4 + 4 * i, p, 4);
        }
        for (auto effect :
             {effect_pixels::Effect::Xx2, effect_pixels::Effect::Xx3, effect_pixels::Effect::Xx4}) {
            std::string s = in;
            apply(effect, s);
            for (int64_t i = 1; i <= n; ++i) {
                const auto* before = reinterpret_cast<const uint8_t*>(in.data()) + 4 + 4 * i;
                const auto* after = reinterpret_cast<const uint8_t*>(s.data()) + 4 + 4 * i;
                auto ref = [&](const std::vector<uint8_t>& t, int channel) -> uint32_t {
                    return t[static_cast<std::size_t>(256 * (i - 1) + before[channel])];
                };
                uint32_t want[4] = {before[0], before[1], before[2], before[3]};
                if (effect == effect_pixels::Effect::Xx2) want[0] = ref(fade, 0);
                if (effect == effect_pixels::Effect::Xx3)
                    for (int ch = 0; ch < 3; ++ch) want[ch] = ref(fade, ch);
                if (effect == effect_pixels::Effect::Xx4) {
                    want[0] = ref(shrink, 0);
                    want[1] = ref(green, 1);
                    want[2] = ref(shrink, 2);
                }
                for (int ch = 0; ch < 4; ++ch)
                    m.check(after[ch], want[ch], [&] {
                        return "N " + std::to_string(n) + ", effect " +
                               std::to_string(static_cast<int>(effect)) + ", i " +
                               std::to_string(i) + ", byte " + std::to_string(ch) + " of " +
                               std::to_string(before[ch]);
                    });
            }
        }
    }
}

// Random (g, N, i) with g * N / i a half: i = 2^(v+1) * d, where 2^v is the
// power of two in g * N and d a divisor of its odd part. Counts how many of
// them x87 rounds away from the exact half-to-even result, so that the
// sample is known to reach the cases that matter.
int sweep_green_halves(Mismatches& m) {
    std::mt19937_64 rng(12);
    int off_exact = 0;
    for (int done = 0; done < 4000;) {
        const auto n = static_cast<int64_t>(rng() % (int64_t{1} << 26)) + 1;
        const auto g = static_cast<uint32_t>(rng() % 255) + 1;
        uint64_t odd = uint64_t(g) * uint64_t(n);
        uint64_t i = 2;
        while (odd % 2 == 0) odd /= 2, i *= 2;
        for (uint64_t p = 3; p * p <= odd; p += 2)
            while (odd % p == 0) {
                odd /= p;
                if (rng() % 2) i *= p;
            }
        if (odd > 1 && rng() % 2) i *= odd;
        if (i > static_cast<uint64_t>(n)) continue;
        ++done;
        const uint32_t want = x87_green(static_cast<int64_t>(i), g, n);
        const uint64_t twice = 2 * uint64_t(g) * uint64_t(n) / i; // odd: the half is twice / 2
        off_exact += want != (((twice + 1) / 2) & ~uint64_t{1} & 0xFF);
        m.check(effect_pixels::xx4_green(g, static_cast<int64_t>(i), n), want, [&] {
            return "g " + std::to_string(g) + ", i " + std::to_string(i) + ", N " +
                   std::to_string(n);
        });
    }
    return off_exact;
}

// Random (i, c, N) anywhere up to N = 2^31 - 1.
void sweep_large_counts(Mismatches& m) {
    std::mt19937_64 rng(31);
    for (int k = 0; k < 20000; ++k) {
        const auto n = static_cast<int64_t>(rng() % 0x7FFFFFFF) + 1;
        const auto i = static_cast<int64_t>(rng() % static_cast<uint64_t>(n)) + 1;
        const auto c = static_cast<uint32_t>(rng() & 0xFF);
        auto where = [&] {
            return "i " + std::to_string(i) + ", c " + std::to_string(c) + ", N " +
                   std::to_string(n);
        };
        m.check(effect_pixels::fade_channel(c, i, n), x87_fade(i, c, n), where);
        m.check(effect_pixels::xx4_green(c, i, n), x87_green(i, c, n), where);
    }
}

// xx3 and xx4 on a snapshot of more than 2^24 pixels, checked at the first
// pixels, the last ones and a random sample between.
void sweep_large_snapshot(Mismatches& m) {
    const int32_t w = 4097, h = 4097;
    const int64_t n = int64_t{w} * h;
    auto pixel = [](int64_t i) {
        return static_cast<uint32_t>(uint64_t(i) * 0x9E3779B97F4A7C15u >> 32);
    };
    std::vector<int64_t> at;
    for (int64_t i = 1; i <= 600; ++i) at.push_back(i), at.push_back(n + 1 - i);
    std::mt19937_64 rng(24);
    for (int k = 0; k < 20000; ++k) at.push_back(static_cast<int64_t>(rng() % n) + 1);
    std::string s = blank_snapshot(w, h);
    for (const auto effect : {effect_pixels::Effect::Xx3, effect_pixels::Effect::Xx4}) {
        for (int64_t i = 1; i <= n; ++i) {
            const uint32_t p = pixel(i);
            std::memcpy(s.data() + 4 + 4 * i, &p, 4);
        }
        apply(effect, s);
        for (const int64_t i : at) {
            const uint32_t before = pixel(i);
            const uint32_t r = (before >> 16) & 0xFF, g = (before >> 8) & 0xFF, b = before & 0xFF;
            uint32_t want = before & 0xFF000000u;
            if (effect == effect_pixels::Effect::Xx3)
                want |= x87_fade(i, r, n) << 16 | x87_fade(i, g, n) << 8 | x87_fade(i, b, n);
            else
                want |= x87_shrink(i, r, n) << 16 | x87_green(i, g, n) << 8 | x87_shrink(i, b, n);
            uint32_t got;
            std::memcpy(&got, s.data() + 4 + 4 * i, 4);
            m.check(got, want,
                    [&] { return "pixel " + std::to_string(i) + " of " + std::to_string(before); });
        }
    }
}

// Levels a few steps either side of 2^24, 2^45 and 2^56 (both signs), random
// finite levels and a few special ones; every channel value at each.
void sweep_psico(Mismatches& m) {
    std::vector<float> levels = {INFINITY, -INFINITY, NAN, 0.0f, -0.0f, 50.0f, 75.0f, 1e-40f};
    for (const float base : {0x1p24f, 0x1p45f, 0x1p56f, -0x1p24f, -0x1p45f, -0x1p56f}) {
        float up = base, down = base;
        for (int k = 0; k < 40; ++k) {
            levels.push_back(up = std::nextafter(up, base * 2));
            levels.push_back(down = std::nextafter(down, 0.0f));
        }
    }
    std::mt19937 rng(45);
    while (levels.size() < 3000) {
        const auto bits = static_cast<uint32_t>(rng());
        float livello;
        std::memcpy(&livello, &bits, 4);
        if (std::isfinite(livello)) levels.push_back(livello);
    }
    for (const float livello : levels)
        for (uint32_t c = 0; c < 256; ++c)
            m.check(effect_pixels::psico_channel(c, livello), x87_psico(c, livello), [&] {
                return "c " + std::to_string(c) + ", livello " + std::to_string(livello);
            });
}

TEST(EffectsPortable, SameBytesAsX87) {
    // Counts: every N up to 256, then a spread of larger ones up to 2^12.
    std::vector<int64_t> counts(256);
    std::iota(counts.begin(), counts.end(), 1);
    for (const int64_t n : {509,  510,  511,  512,  513,  720,  765,  1023, 1024, 1025, 1260,
                            1680, 2040, 2047, 2048, 2049, 2520, 3003, 4080, 4091, 4095, 4096})
        counts.push_back(n);
    int off_exact = 0;
    struct Sweep {
        const char* what;
        std::function<void(Mismatches&)> run;
    };
    const Sweep sweeps[] = {
        {"xx2, xx3, xx4 snapshots",
         [&](Mismatches& m) {
             for (const int64_t n : counts) sweep_snapshots(n, m);
         }},
        {"xx4 green halves", [&](Mismatches& m) { off_exact = sweep_green_halves(m); }},
        {"large pixel counts", sweep_large_counts},
        {"snapshot beyond 2^24 pixels", sweep_large_snapshot},
        {"psico levels", sweep_psico},
    };
    for (const Sweep& s : sweeps) {
        Mismatches m{s.what};
        s.run(m);
        EXPECT_EQ(m.count, 0) << s.what;
    }
    // A good share of the halves is where x87 leaves exact rounding.
    EXPECT_GT(off_exact, 50);
}

} // namespace

#endif
