// resistenze-codice's two costs that have a budget.
//
// Combine/<series>: --combina VALUE, the single value, the best two and the
// best three in series and in parallel, for 12 values across six decades.
// Reports "ms" per answer (budget: 50 ms) and "ratio", that time divided by
// the time of coding the same value in colours and SMD codes (the plain
// value query), measured in the same run.
//
// Stdin: the real program answering 100,000 mixed queries on standard input
// (colours from both ends, values, SMD codes, uncertain bands, refusals),
// output to /dev/null. Reports "seconds" (budget: 0.5 s) and "ratio" against
// cat copying the same input in the same run.
#include "bench/child_process.h"
#include "calc_core/query.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kValues[] = {"1.234",   "4k99", "12345", "33.3k", "0.5",  "777",
                               "2.71828", "1M",   "68.1k", "9.99",  "150k", "3k3"};

double seconds_of(const std::vector<calc::QueryOptions>& options, int rounds) {
    const int64_t start = bench::now_ns();
    for (int r = 0; r < rounds; ++r)
        for (const char* v : kValues)
            for (const calc::QueryOptions& o : options)
                benchmark::DoNotOptimize(calc::answer(v, o));
    return double(bench::now_ns() - start) * 1e-9;
}

void Combine(benchmark::State& state) {
    const auto series = static_cast<calc::Series>(state.range(0));
    calc::QueryOptions combine;
    combine.combine = series;
    double took = 0, plain = 0;
    for (auto _ : state) {
        took += seconds_of({combine}, 1);
        plain += seconds_of({calc::QueryOptions{}}, 20) / 20;
    }
    const double answers = double(state.iterations()) * std::size(kValues);
    state.counters["ms"] = took / answers * 1e3;
    state.counters["ratio"] = took / plain;
    state.SetLabel(calc::series_name(series));
}
BENCHMARK(Combine)
    ->DenseRange(static_cast<int>(calc::Series::E6), static_cast<int>(calc::Series::E192))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void Stdin(benchmark::State& state) {
    const char* const queries[] = {"giallo viola rosso oro",
                                   "4k7",
                                   "smd:472",
                                   "marrone rosso giallo blu marrone",
                                   "3k55",
                                   "smd:68R",
                                   "giallo viola rosso/arancio oro",
                                   "0.047",
                                   "azzurro",
                                   "1.5MEG",
                                   "marrone nero nero rosso marrone rosso",
                                   "4,700",
                                   "marrone nero _ oro",
                                   "smd:01C",
                                   "bianco bianco bianco bianco marrone",
                                   "2.2 kOhm",
                                   "giallo viola rosa oro",
                                   "smd:0R0",
                                   "1e99",
                                   "verde blu nero argento"};
    char path[] = "/tmp/bench_codice_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        state.SkipWithError("no scratch file");
        return;
    }
    close(fd);
    {
        std::ofstream out(path);
        for (int i = 0; i < 100000; ++i) out << queries[i % std::size(queries)] << '\n';
    }
    const auto timed = [&](const std::string& command) {
        const int64_t start = bench::now_ns();
        bench::Launch launch;
        launch.args = {"sh", "-c", command + " < " + path + " > /dev/null 2>&1"};
        bench::run(launch);
        return double(bench::now_ns() - start) * 1e-9;
    };
    double program = 0, copy = 0;
    for (auto _ : state) {
        program += timed(std::string("'") + BENCH_CODICE + "'");
        copy += timed("cat");
    }
    std::remove(path);
    state.counters["seconds"] = program / double(state.iterations());
    state.counters["ratio"] = program / copy;
}
BENCHMARK(Stdin)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
