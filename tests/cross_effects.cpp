// The Qt-free effect arithmetic on its own, held to the bytes it gives on
// x86-64: hashes of every effect's output on fixed snapshots, and of single
// channel values far beyond any snapshot, against the table below (recorded
// on x86-64). Built for this machine and, when a cross compiler is at hand,
// for aarch64 and run there under qemu. `cross_effects --print` writes the
// table afresh.
#include "imaging/effect_pixels.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string what;
    uint64_t hash;
};

// clang-format off
const Entry kRecorded[] = {
    {"effetto_bgx", 0x6b3dbb8d165e2211ull},
    {"effetto_brr", 0xed3cda5e53d37b61ull},
    {"effetto_blu", 0x0bfef2073ca6b8a1ull},
    {"effetto_verde", 0x58d1288f071e9fd3ull},
    {"effetto_rosso", 0xfba3689a4b7b2439ull},
    {"effetto_giallo", 0xf03ed654f9b1604cull},
    {"effetto_giallino", 0x26e635d74c76e2a0ull},
    {"effetto_scurisci", 0x0c00b1d3f994bf06ull},
    {"effetto_schiarisci", 0xf4f65ab067415da9ull},
    {"effetto_xx1", 0xef0c629a0d2bb2b8ull},
    {"effetto_xx2", 0x827d02eca79f71c5ull},
    {"effetto_xx3", 0xdbf8b16af83ffe0aull},
    {"effetto_xx4", 0x457bda01735979a6ull},
    {"effetto_xxx", 0xb655c189eab62187ull},
    {"effetto_psico 0x0p+0", 0x9738861cf08476c8ull},
    {"effetto_psico 0x1.2cp+6", 0x3b68018affcb178cull},
    {"effetto_psico 0x1.9p+5", 0xaa453afb9421007full},
    {"effetto_psico -0x1.9p+3", 0x007c4d31c0b99e90ull},
    {"effetto_psico 0x1.333334p-2", 0xf0c9ce19f6259de0ull},
    {"effetto_psico 0x1.4484cp-100", 0x9738861cf08476c8ull},
    {"effetto_psico 0x1.000002p+45", 0xb4b33e443a2020ffull},
    {"effetto_psico -0x1.fffffep+44", 0x86589ad42e495e43ull},
    {"effetto_psico 0x1.000002p+56", 0x95f928b72453e52eull},
    {"effetto_psico -0x1.8p+60", 0x5b825a21502b0d75ull},
    {"effetto_psico 0x1.c363ccp+127", 0xaa453afb9421007full},
    {"effetto_psico -0x1.c363ccp+127", 0xaa453afb9421007full},
    {"effetto_psico inf", 0xaa453afb9421007full},
    {"effetto_psico nan", 0xaa453afb9421007full},
    {"fade channels", 0x67c1b899fc8fd718ull},
    {"xx4 green channels", 0x47501e5453afd298ull},
    {"xx4 green halves", 0xea5bc2a67fe50db9ull},
    {"psico channels", 0xfa24eb68a30f4614ull},
};
// clang-format on

struct Hash {
    uint64_t h = 14695981039346656037ull; // FNV-1a
    void add(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < size; ++k) h = (h ^ p[k]) * 1099511628211ull;
    }
    void add(uint32_t v) { add(&v, sizeof v); }
};

struct Lcg {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 32);
    }
};

struct Shape {
    int32_t w, h;
};
const Shape kShapes[] = {{1, 1},  {2, 1},   {3, 5},   {-3, -1},   {17, 30},
                         {7, 73}, {255, 2}, {64, 64}, {301, 199}, {1, 1000}};

std::string snapshot(Shape shape, uint32_t seed) {
    const int64_t n = int64_t{shape.w} * shape.h;
    std::string s(8 + 4 * n, '\0');
    std::memcpy(s.data(), &shape.w, 4);
    std::memcpy(s.data() + 4, &shape.h, 4);
    Lcg rng{seed};
    for (int64_t k = 0; k < n; ++k) {
        const uint32_t p = rng.next();
        std::memcpy(s.data() + 8 + 4 * k, &p, 4);
    }
    return s;
}

// One hash over every shape for an effect at a level.
uint64_t effect_hash(effect_pixels::Effect effect, float livello) {
    Hash h;
    uint32_t seed = 1;
    for (const Shape& shape : kShapes) {
        std::string s = snapshot(shape, seed++);
        uint32_t state = 0x13579BDFu;
        effect_pixels::apply_to_snapshot(effect, s.data(), s.size(), livello, state);
        h.add(s.data(), s.size());
        h.add(state);
    }
    return h.h;
}

std::vector<Entry> compute() {
    std::vector<Entry> out;
    for (const auto& named : effect_pixels::kEffects)
        if (named.effect != effect_pixels::Effect::Psico)
            out.push_back({std::string(named.name), effect_hash(named.effect, 0.0f)});
    const float levels[] = {0.0f,           75.0f,      50.0f,          -12.5f,
                            0.3f,           1e-30f,     0x1.000002p45f, -0x1.fffffep44f,
                            0x1.000002p56f, -0x1.8p60f, 3e38f,          -3e38f,
                            INFINITY,       NAN};
    for (const float livello : levels) {
        char what[64];
        std::snprintf(what, sizeof what, "effetto_psico %a", static_cast<double>(livello));
        out.push_back({what, effect_hash(effect_pixels::Effect::Psico, livello)});
    }

    // Single channels with pixel counts up to 2^31 - 1, and xx4's green at
    // exact halves g * N / i (i = 2 times a divisor of g * N).
    Hash fades, greens, halves, psico;
    Lcg rng{2024};
    for (int k = 0; k < 20000; ++k) {
        const int64_t n = (rng.next() & 0x7FFFFFFF) + int64_t{1};
        const int64_t i = static_cast<int64_t>(rng.next() % static_cast<uint64_t>(n)) + 1;
        const uint32_t c = rng.next() & 0xFF;
        fades.add(effect_pixels::fade_channel(c, i, n));
        greens.add(effect_pixels::xx4_green(c, i, n));
        const uint64_t g = (rng.next() % 255) + 1, m = (rng.next() % (1 << 26)) + 1;
        const uint64_t d = 1 + rng.next() % 64;
        if (g * m % d == 0 && (g * m / d) % 2 == 1 && 2 * d <= m)
            halves.add(effect_pixels::xx4_green(
                static_cast<uint32_t>(g), static_cast<int64_t>(2 * d), static_cast<int64_t>(m)));
        uint32_t bits = rng.next();
        float livello;
        std::memcpy(&livello, &bits, 4);
        psico.add(effect_pixels::psico_channel(c, livello));
    }
    out.push_back({"fade channels", fades.h});
    out.push_back({"xx4 green channels", greens.h});
    out.push_back({"xx4 green halves", halves.h});
    out.push_back({"psico channels", psico.h});
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<Entry> got = compute();
    if (argc > 1 && std::strcmp(argv[1], "--print") == 0) {
        for (const Entry& e : got)
            std::printf("    {\"%s\", 0x%016llxull},\n", e.what.c_str(),
                        static_cast<unsigned long long>(e.hash));
        return 0;
    }
    int wrong = 0;
    const std::size_t recorded = sizeof kRecorded / sizeof kRecorded[0];
    if (recorded != got.size()) {
        std::printf("%zu results, %zu recorded\n", got.size(), recorded);
        return 1;
    }
    for (std::size_t k = 0; k < got.size(); ++k) {
        if (got[k].what == kRecorded[k].what && got[k].hash == kRecorded[k].hash) continue;
        ++wrong;
        std::printf("%s: 0x%016llx, recorded %s: 0x%016llx\n", got[k].what.c_str(),
                    static_cast<unsigned long long>(got[k].hash), kRecorded[k].what.c_str(),
                    static_cast<unsigned long long>(kRecorded[k].hash));
    }
    std::printf("%zu results, %d differ from x86-64\n", got.size(), wrong);
    return wrong == 0 ? 0 : 1;
}
