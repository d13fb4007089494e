// Hostile pictures handed to the exported loader: files cut short, corrupt
// data, headers claiming from 0 x 0 up to 2^31 pixels, progressive JPEGs of
// thousands of scans or of hundreds over a large picture, a small
// arithmetic-coded file claiming a large picture, a flat one of 65500 x 65500,
// in JPEG, PNG, BMP and GIF, each into target 0 and into a 200 x 150 bitmap.
//
// Reports per case "ms" (processor time of the thread per call), "loaded"
// (1 when a bitmap came back), "kb" (the file's size) and "ratio": the time
// divided by the time of loading a valid 64 x 48 JPEG into target 0,
// measured in the same run just before. Target: every hostile case within
// 50 ms, which on this machine is a ratio of about 50 / the baseline's ms;
// scan bombs and small files claiming large pictures within 100 ms.
//
// Largest/...: the largest progressive pictures the limits allow (2^26
// pixels, no subsampling, three and four components) loaded into target 0,
// each in a fresh process (this program again with the hidden argument
// --load), against the same picture coded sequentially in the same run:
// "ms" (wall time of the process), "peak_mb" (its peak resident memory) and
// their ratios to the sequential picture's.
#include "bench/child_process.h"
#include "imaging/fgdip.h"
#include "tests/libjpeg_writer.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <jpeglib.h>
#include <string>
#include <time.h>
#include <vector>

namespace {

double thread_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

QImage sample(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) & 255));
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}

void put_be32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (24 - 8 * i));
}
void put_le(QByteArray& b, int at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = char(v >> (8 * i));
}

uint32_t crc32(const char* data, int n) {
    uint32_t c = 0xFFFFFFFFu;
    for (int i = 0; i < n; ++i) {
        c ^= uint8_t(data[i]);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// The PNG's header chunk claiming w x h, with its checksum made right.
QByteArray png_claiming(QByteArray png, uint32_t w, uint32_t h) {
    put_be32(png, 16, w);
    put_be32(png, 20, h);
    put_be32(png, 29, crc32(png.constData() + 12, 17));
    return png;
}

// The JPEG's frame header (marker `sof`) claiming w x h (both below 65536).
QByteArray jpeg_claiming(QByteArray jpeg, uint32_t w, uint32_t h,
                         const char* sof_marker = "\xFF\xC0") {
    const int sof = int(jpeg.indexOf(sof_marker));
    if (sof < 0) return jpeg;
    jpeg[sof + 5] = char(h >> 8), jpeg[sof + 6] = char(h);
    jpeg[sof + 7] = char(w >> 8), jpeg[sof + 8] = char(w);
    return jpeg;
}

// A GIF of w x h whose codes are all 8 bits wide (a clear code every 126
// pixels keeps the code table from growing): 128 colours.
QByteArray gif(int w, int h) {
    QByteArray g("GIF89a");
    g.append(char(w), 1).append(char(w >> 8), 1).append(char(h), 1).append(char(h >> 8), 1);
    g.append(char(0x86)).append(char(0)).append(char(0));
    for (int i = 0; i < 128; ++i) g.append(char(i * 2)).append(char(255 - i * 2)).append(char(i));
    g.append(char(0x2C)).append(4, char(0));
    g.append(char(w), 1).append(char(w >> 8), 1).append(char(h), 1).append(char(h >> 8), 1);
    g.append(char(0)).append(char(7));
    QByteArray codes;
    for (int i = 0; i < w * h; ++i) {
        if (i % 126 == 0) codes.append(char(128));
        codes.append(char((i * 7) & 127));
    }
    codes.append(char(129));
    for (int i = 0; i < codes.size(); i += 255) {
        const int n = std::min<int>(255, int(codes.size()) - i);
        g.append(char(n)).append(codes.mid(i, n));
    }
    g.append(char(0)).append(char(0x3B));
    return g;
}
QByteArray gif_claiming(QByteArray g, uint32_t w, uint32_t h) {
    put_le(g, 6, w, 2), put_le(g, 8, h, 2);
    const int frame = 13 + 3 * 128;
    put_le(g, frame + 5, w, 2), put_le(g, frame + 7, h, 2);
    return g;
}

QByteArray bmp_claiming(QByteArray bmp, int32_t w, int32_t h) {
    put_le(bmp, 18, uint32_t(w), 4), put_le(bmp, 22, uint32_t(h), 4);
    return bmp;
}

// Bytes in the middle of the coded data turned to noise.
QByteArray corrupt(QByteArray b) {
    for (int i = int(b.size()) / 3; i < int(b.size()) * 2 / 3; i += 7) b[i] = char(b[i] ^ 0x5A);
    return b;
}

// A JPEG from libjpeg's own encoder of a smooth pattern.
QByteArray libjpeg_bytes(int w, int h, int components, bool progressive, bool arithmetic) {
    return testsupport::libjpeg_file(
        w, h, components,
        [components](int x, int y, int c) { return ((x * components + c) / 7 + y / 5) & 255; },
        (progressive ? testsupport::kProgressive : 0u) |
            (arithmetic ? testsupport::kArithmetic : 0u));
}

// The progressive JPEG with `count` scans of no data before its end marker,
// each one more first pass over the AC coefficients of its first component:
// ten bytes a scan.
QByteArray with_empty_scans(const QByteArray& jpeg, int count) {
    const QByteArray scan("\xFF\xDA\x00\x08\x01\x01\x00\x01\x3F\x00", 10);
    return jpeg.left(jpeg.size() - 2) + scan.repeated(count) + QByteArray("\xFF\xD9", 2);
}

// A legal progressive script over one grey component of `scans` scans: the
// DC coefficients, then each AC coefficient on its own from bit 7, refined
// bit by bit.
std::vector<jpeg_scan_info> one_coefficient_a_scan(int scans) {
    std::vector<jpeg_scan_info> script{{1, {0}, 0, 0, 0, 0}};
    for (int k = 1; k < 64; ++k)
        for (int al = 7; al >= 0 && int(script.size()) < scans; --al)
            script.push_back({1, {0}, k, k, al == 7 ? 0 : al + 1, al});
    return script;
}

// A flat grey 8192 x 8192 picture in 501 scans from libjpeg's encoder, and
// the same file ended after its first `scans` scans.
QByteArray many_scans_8192(int scans, bool arithmetic) {
    static QByteArray made[2];
    QByteArray& whole = made[arithmetic];
    if (whole.isEmpty())
        whole = testsupport::libjpeg_file(
            8192, 8192, 1, [](int, int, int) { return 128; },
            testsupport::kProgressive | testsupport::kRowsAlike |
                (arithmetic ? testsupport::kArithmetic : 0u),
            one_coefficient_a_scan(501));
    qsizetype at = 0;
    for (int i = 0; i <= scans && at >= 0; ++i) at = whole.indexOf("\xFF\xDA", at + 1);
    return at < 0 ? whole : whole.left(at) + QByteArray("\xFF\xD9", 2);
}

struct Case {
    std::string name;
    std::function<QByteArray()> make;
    Case(std::string n, QByteArray bytes) : name(std::move(n)), make([bytes] { return bytes; }) {}
    // Made only when its benchmark runs.
    static Case later(std::string n, std::function<QByteArray()> make) {
        Case c(std::move(n), {});
        c.make = std::move(make);
        return c;
    }
};

QString folder() {
    static const QString dir = QDir::tempPath() + "/resistenze-hostile-" +
                               QString::number(QCoreApplication::applicationPid());
    return dir;
}

std::vector<Case> cases() {
    const QByteArray jpg = encoded(sample(640, 480), "JPEG");
    const QByteArray png = encoded(sample(640, 480), "PNG");
    const QByteArray bmp = encoded(sample(640, 480), "BMP");
    const QByteArray gf = gif(640, 480);
    const QByteArray prog = libjpeg_bytes(640, 480, 3, true, false);
    const QByteArray arith = libjpeg_bytes(640, 480, 3, true, true);
    const QByteArray arith_large = libjpeg_bytes(4096, 4096, 3, true, true);
    // About 1 KB of arithmetic-coded data and its end marker.
    const QByteArray arith_1kb = testsupport::libjpeg_file(
        64, 48, 3, [](int x, int y, int c) { return (x * 5 + y * 3 * c) & 255; },
        testsupport::kArithmetic);
    return {
        {"jpeg_arith_1kb_claims_65500x65500", jpeg_claiming(arith_1kb, 65500, 65500, "\xFF\xC9")},
        {"jpeg_arith_1kb_claims_8192x8192", jpeg_claiming(arith_1kb, 8192, 8192, "\xFF\xC9")},
        Case::later("jpeg_arith_flat_65500x65500",
                    [] {
                        return testsupport::libjpeg_file(
                            65500, 65500, 1, [](int, int, int) { return 200; },
                            testsupport::kArithmetic | testsupport::kRowsAlike);
                    }),
        Case::later("jpeg_arith_8192x8192_500_scans", [] { return many_scans_8192(500, true); }),
        Case::later("jpeg_arith_8192x8192_501_scans", [] { return many_scans_8192(501, true); }),
        Case::later("jpeg_8192x8192_500_scans", [] { return many_scans_8192(500, false); }),
        Case::later("jpeg_8192x8192_501_scans", [] { return many_scans_8192(501, false); }),
        {"jpeg_1000_empty_scans", with_empty_scans(prog, 1000)},
        {"jpeg_10000_empty_scans", with_empty_scans(prog, 10000)},
        {"jpeg_arith_1000_empty_scans", with_empty_scans(arith, 1000)},
        {"jpeg_arith_4096x4096_1000_empty_scans", with_empty_scans(arith_large, 1000)},
        {"empty", {}},
        {"not_a_picture", QByteArray("just some words, no picture at all\n").repeated(100)},
        {"jpeg_cut_half", jpg.left(jpg.size() / 2)},
        {"jpeg_cut_end", jpg.left(jpg.size() - 2)},
        {"jpeg_corrupt", corrupt(jpg)},
        {"jpeg_0x0", jpeg_claiming(jpg, 0, 0)},
        {"jpeg_30000x30000_cut", jpeg_claiming(jpg, 30000, 30000)},
        {"jpeg_8192x8192_cut", jpeg_claiming(jpg, 8192, 8192)},
        {"jpeg_65535x65535", jpeg_claiming(jpg, 65535, 65535)},
        {"png_cut_half", png.left(png.size() / 2)},
        {"png_corrupt", corrupt(png)},
        {"png_0x0", png_claiming(png, 0, 0)},
        {"png_30000x30000", png_claiming(png, 30000, 30000)},
        {"png_8192x8192", png_claiming(png, 8192, 8192)},
        {"png_2^31_pixels", png_claiming(png, 65536, 32768)},
        {"bmp_cut_half", bmp.left(bmp.size() / 2)},
        {"bmp_0x0", bmp_claiming(bmp, 0, 0)},
        {"bmp_30000x30000", bmp_claiming(bmp, 30000, 30000)},
        {"bmp_8192x8192", bmp_claiming(bmp, 8192, 8192)},
        {"bmp_2^31_pixels", bmp_claiming(bmp, 65536, -32768)},
        {"gif_cut_half", gf.left(gf.size() / 2)},
        {"gif_corrupt", corrupt(gf)},
        {"gif_0x0", gif_claiming(gf, 0, 0)},
        {"gif_30000x30000", gif_claiming(gf, 30000, 30000)},
        {"gif_8192x8192", gif_claiming(gf, 8192, 8192)},
    };
}

std::string write_file(const std::string& name, const QByteArray& bytes) {
    QDir().mkpath(folder());
    const QString path = folder() + "/" + QString::fromStdString(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return path.toStdString();
}

// Seconds per call of loading `path` into `target` (0: a bitmap of its own).
double seconds_per_load(const std::string& path, int32_t target, int runs, bool& loaded) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t0 = thread_seconds();
        const int32_t h = fGDIp_2hBMP(path.c_str(), target, 0, 0);
        times.push_back(thread_seconds() - t0);
        loaded = h != 0;
        if (h != 0 && target == 0) fGDIp_free(h);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double baseline_seconds() {
    static const double seconds = [] {
        bool loaded = false;
        const std::string path = write_file("valid-64x48.jpg", encoded(sample(64, 48), "JPEG"));
        return seconds_per_load(path, 0, 201, loaded);
    }();
    return seconds;
}

void BM_Hostile(benchmark::State& state, const Case& c, bool into_target) {
    const QByteArray bytes = c.make();
    const std::string path = write_file(c.name, bytes);
    const int32_t target = into_target ? fGDIp_new_bitmap(200, 150) : 0;
    const double baseline = baseline_seconds();
    double total = 0;
    bool loaded = false;
    for (auto _ : state) total += seconds_per_load(path, target, 1, loaded);
    const double per_call = total / double(state.iterations());
    state.counters["ms"] = per_call * 1e3;
    state.counters["loaded"] = loaded ? 1 : 0;
    state.counters["ratio"] = per_call / baseline;
    state.counters["kb"] = double(bytes.size()) / 1024.0;
    if (target) fGDIp_free(target);
}

// ------------------------------------------------------------------ largest

std::string self;

// The child: loads the file into target 0 once; 0 when a bitmap came back.
int load_once(const char* path) {
    const int32_t bitmap = fGDIp_2hBMP(path, 0, 0, 0);
    return bitmap != 0 ? 0 : 1;
}

struct ChildLoad {
    double ms = -1, peak_mb = -1;
};

ChildLoad load_in_child(const std::string& path) {
    bench::Launch launch;
    launch.args = {self, "--load", path};
    const int64_t t0 = bench::now_ns();
    const pid_t pid = bench::start(launch);
    int status = 0;
    rusage usage{};
    if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid) return {};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    return {double(bench::now_ns() - t0) / 1e6, double(usage.ru_maxrss) / 1024.0};
}

void BM_Largest(benchmark::State& state, int components) {
    const std::string sequential =
        write_file("largest-sequential-" + std::to_string(components) + ".jpg",
                   libjpeg_bytes(8192, 8192, components, false, false));
    const std::string progressive =
        write_file("largest-progressive-" + std::to_string(components) + ".jpg",
                   libjpeg_bytes(8192, 8192, components, true, false));
    std::vector<double> base_ms, base_mb, ms, mb;
    for (auto _ : state) {
        const ChildLoad b = load_in_child(sequential);
        const ChildLoad p = load_in_child(progressive);
        if (b.ms < 0 || p.ms < 0) {
            state.SkipWithError("a picture within the limits was not loaded");
            return;
        }
        base_ms.push_back(b.ms), base_mb.push_back(b.peak_mb);
        ms.push_back(p.ms), mb.push_back(p.peak_mb);
        state.SetIterationTime(p.ms / 1e3);
    }
    state.counters["ms"] = bench::median(ms);
    state.counters["peak_mb"] = bench::median(mb);
    state.counters["sequential_ms"] = bench::median(base_ms);
    state.counters["sequential_peak_mb"] = bench::median(base_mb);
    state.counters["ratio_ms"] = bench::median(ms) / bench::median(base_ms);
    state.counters["ratio_peak"] = bench::median(mb) / bench::median(base_mb);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) return load_once(argv[2]);
    self = bench::self_path(argv[0]);
    benchmark::RegisterBenchmark("largest/progressive_8192x8192_444", BM_Largest, 3)
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("largest/progressive_8192x8192_cmyk", BM_Largest, 4)
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    static const std::vector<Case> all = cases();
    for (const Case& c : all) {
        benchmark::RegisterBenchmark(("target0/" + c.name).c_str(), BM_Hostile, c, false)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
        benchmark::RegisterBenchmark(("into200x150/" + c.name).c_str(), BM_Hostile, c, true)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    }
    benchmark::Initialize(&argc, argv);
    std::printf("baseline: valid 64 x 48 JPEG into target 0: %.3f ms\n", baseline_seconds() * 1e3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QDir(folder()).removeRecursively();
    return 0;
}
