// Colour effects and the see-through overlay on a 1920 x 1080 snapshot.
//
// Each benchmark reports "ratio": its time per call divided by the time of
// copying the same snapshot with memcpy, measured in the same run just before
// it. Targets: effects that depend on the colour alone at most 4 (the call
// includes returning a copy), the overlay pass at most 2.
#include "imaging/effects.h"
#include "ngbutton/see_through.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <string>
#include <time.h>
#include <vector>

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

std::string make_snapshot(uint32_t seed, uint32_t key_every) {
    const std::size_t n = std::size_t{kWidth} * kHeight;
    std::string s(8 + 4 * n, '\0');
    std::memcpy(s.data(), &kWidth, 4);
    std::memcpy(s.data() + 4, &kHeight, 4);
    uint32_t state = seed;
    uint32_t key = 0;
    for (std::size_t k = 0; k < n; ++k) {
        state = state * 1664525u + 1013904223u;
        uint32_t p = state | 0xFF000000u;
        if (k == 0) key = p;
        if (key_every != 0 && k % key_every == 0) p = key;
        std::memcpy(s.data() + 8 + 4 * k, &p, 4);
    }
    return s;
}

// Times are the thread's processor time, so that other programs running on
// the machine at the same moment disturb the ratios less.
struct Clock {
    using time_point = double;
    static double now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }
};

// Median time of copying a snapshot of this size into a buffer that is
// already in use.
double memcpy_seconds(const std::string& source) {
    std::vector<char> target(source.size(), 1);
    std::vector<double> times;
    for (int r = 0; r < 21; ++r) {
        const auto t0 = Clock::now();
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        times.push_back(Clock::now() - t0);
    }
    std::nth_element(times.begin(), times.begin() + 10, times.end());
    return times[10];
}

void report_ratio(benchmark::State& state, Clock::time_point t0, double baseline) {
    const double per_call = (Clock::now() - t0) / double(state.iterations());
    state.counters["ratio"] = per_call / baseline;
}

void BM_memcpy(benchmark::State& state) {
    const std::string source = make_snapshot(1, 0);
    std::vector<char> target(source.size(), 1);
    const double baseline = memcpy_seconds(source);
    const auto t0 = Clock::now();
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    report_ratio(state, t0, baseline);
}
BENCHMARK(BM_memcpy)->Unit(benchmark::kMillisecond);

void BM_effect(benchmark::State& state, const char* name) {
    std::string snapshot = make_snapshot(2, 0);
    const double baseline = memcpy_seconds(snapshot);
    const float livello = 0.0f;
    const auto t0 = Clock::now();
    for (auto _ : state) {
        std::string result = NG_LI_EF(snapshot, name, livello);
        benchmark::DoNotOptimize(result.data());
    }
    report_ratio(state, t0, baseline);
}

// Colour alone (target: ratio <= 4).
BENCHMARK_CAPTURE(BM_effect, brr, "effetto_brr")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, blu, "effetto_blu")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, verde, "effetto_verde")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, rosso, "effetto_rosso")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, giallo, "effetto_giallo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, giallino, "effetto_giallino")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, scurisci, "effetto_scurisci")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, schiarisci, "effetto_schiarisci")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, xxx, "effetto_xxx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, psico, "effetto_psico")->Unit(benchmark::kMillisecond);
// Position or generator dependent. Target: no slower than before the effects
// stopped using long double (ratios then, development machine: bgx 9, xx1 6,
// xx2 17, xx3 37, xx4 60; after: 8, 2.3, 10, 24, 15).
BENCHMARK_CAPTURE(BM_effect, bgx, "effetto_bgx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, xx1, "effetto_xx1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, xx2, "effetto_xx2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, xx3, "effetto_xx3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_effect, xx4, "effetto_xx4")->Unit(benchmark::kMillisecond);

// The overlay pass (target: ratio <= 2). One picture pixel in three is the key.
void BM_overlay(benchmark::State& state) {
    std::string face = make_snapshot(3, 0);
    const std::string picture = make_snapshot(4, 3);
    const double baseline = memcpy_seconds(face);
    const auto t0 = Clock::now();
    for (auto _ : state) {
        overlay_non_key(face, picture);
        benchmark::DoNotOptimize(face.data());
        benchmark::ClobberMemory();
    }
    report_ratio(state, t0, baseline);
}
BENCHMARK(BM_overlay)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
