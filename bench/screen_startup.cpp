// Start-up as a person sees it: from exec until the screen shows the final
// picture.
//
// Starts a private Xvfb (1920x1080, 24 bits) and, on it, two programs in
// turn: the yardstick (empty_window: an empty frameless dialog over a black
// backdrop) and resistenze. Before every run the root window is set to one
// solid colour with xsetroot. A fixed grid of root-window pixels spread over
// the screen, the clock bar left out (it stays empty until its first tick),
// is read every couple of milliseconds from the moment the program is
// started; a run's time is the first reading in which every one of them
// equals its value in a settled reference run, taken once per program a few
// seconds after its start.
//
// Every run is a first start: the programs get a home and cache folder of
// their own, emptied before every run (builds that kept state between runs
// find none). --also adds programs, each run in turn with the others (for
// instance today's build, or startup_pieces with a piece of the start-up
// work switched off), and prints each one's median against the first
// program's.
//
// Prints the medians, their ratio, and each program's processor time,
// minor page faults and peak resident memory (medians). --timeline prints,
// for every run, when the count of final pixels changed.
//
// A busy machine makes the ratio meaningless, so it is refused: when the
// one-minute load average is above 0.5 before the first run, or when
// everything else on the machine (all processor time but this program's,
// its X server's and the measured programs') took more than 5 % of one core
// during the runs, the ratio is not printed. --force prints it anyway,
// marked as taken on a busy machine.
//
//   screen_startup [--runs N] [--period-us U] [--timeline] [--force]
//                  [--program FILE] [--baseline FILE] [--folder DIR]
//                  [--also NAME=FILE[,ARGUMENT...]]...
#include "app/layout.h"
#include "bench/child_process.h"
#include "bench/quiet_machine.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kScreenW = 1920;
constexpr int kScreenH = 1080;
constexpr const char* kRootColour = "#4b1d6e"; // appears nowhere in either program
constexpr uint32_t kRootPixel = 0x4b1d6e;
constexpr double kSettleSeconds = 2.5;
constexpr double kRunLimitSeconds = 6.0;

using bench::now_ns;

void sleep_until(int64_t t) {
    timespec ts{time_t(t / 1000000000), long(t % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void sleep_seconds(double s) {
    sleep_until(now_ns() + int64_t(s * 1e9));
}

using bench::median;

// ------------------------------------------------------------------ processes

// Starts `command` in `folder` on `display`, its output thrown away, with
// `home` as its home and cache folder.
pid_t spawn(const std::vector<std::string>& command, const std::string& folder,
            const std::string& display, const std::string& home) {
    bench::Launch launch;
    launch.args = command;
    launch.folder = folder;
    launch.env = {{"DISPLAY", display},
                  {"QT_QPA_PLATFORM", "xcb"},
                  {"HOME", home},
                  {"XDG_CACHE_HOME", home + "/.cache"}};
    launch.unset_env = {"WAYLAND_DISPLAY"};
    launch.quiet = true;
    return bench::start(launch);
}

struct Usage {
    double cpu_ms = 0;
    double faults = 0;
    double peak_mb = 0;
};

// Ends a started program and reports what it used.
Usage finish(pid_t pid) {
    Usage u;
    if (pid <= 0) return u;
    kill(pid, SIGKILL);
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) != pid) return u;
    u.cpu_ms = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
               (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    u.faults = double(ru.ru_minflt);
    u.peak_mb = ru.ru_maxrss / 1024.0;
    return u;
}

// ------------------------------------------------------------------ screen

struct Point {
    int x, y;
};

// A fixed grid of root-window pixels, read a row segment at a time.
class Samples {
  public:
    bool connect(const std::string& display) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        if (connection_ == nullptr || xcb_connection_has_error(connection_)) return false;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        root_ = screen->root;
        width_ = screen->width_in_pixels;
        height_ = screen->height_in_pixels;
        return true;
    }
    ~Samples() {
        if (connection_ != nullptr) xcb_disconnect(connection_);
    }

    // 32 columns by 20 rows, odd rows shifted by half a column, without the
    // points that fall in or next to `hole` (screen coordinates).
    void place(int left, int top, int w, int h) {
        points_.clear();
        constexpr int cols = 32, rows = 20;
        for (int j = 0; j < rows; ++j) {
            const int y = (2 * j + 1) * height_ / (2 * rows);
            for (int i = 0; i < cols; ++i) {
                const int x = ((4 * i + 1 + 2 * (j % 2)) * width_) / (4 * cols);
                const bool in_hole =
                    x >= left - 2 && x < left + w + 2 && y >= top - 2 && y < top + h + 2;
                if (!in_hole) points_.push_back({x, y});
            }
        }
        segments_.clear();
        for (size_t k = 0; k < points_.size(); ++k) {
            if (segments_.empty() || segments_.back().y != points_[k].y)
                segments_.push_back({points_[k].y, points_[k].x, points_[k].x, k});
            segments_.back().x1 = points_[k].x;
        }
    }

    size_t size() const { return points_.size(); }

    // Reads every sample (0xRRGGBB); false when the server failed us.
    bool read(std::vector<uint32_t>& out) {
        out.assign(points_.size(), 0);
        std::vector<xcb_get_image_cookie_t> cookies;
        cookies.reserve(segments_.size());
        for (const Segment& s : segments_)
            cookies.push_back(xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_,
                                            int16_t(s.x0), int16_t(s.y), uint16_t(s.x1 - s.x0 + 1),
                                            1, ~0u));
        bool ok = true;
        for (size_t k = 0; k < segments_.size(); ++k) {
            xcb_get_image_reply_t* reply = xcb_get_image_reply(connection_, cookies[k], nullptr);
            if (reply == nullptr) {
                ok = false;
                continue;
            }
            const uint8_t* data = xcb_get_image_data(reply);
            const int length = xcb_get_image_data_length(reply);
            const Segment& s = segments_[k];
            for (size_t p = s.first; p < points_.size() && points_[p].y == s.y; ++p) {
                const int at = (points_[p].x - s.x0) * 4;
                if (at + 4 > length) break;
                uint32_t v;
                std::memcpy(&v, data + at, 4);
                out[p] = v & 0xFFFFFFu;
            }
            free(reply);
        }
        return ok;
    }

  private:
    struct Segment {
        int y, x0, x1;
        size_t first;
    };
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    int width_ = 0, height_ = 0;
    std::vector<Point> points_;
    std::vector<Segment> segments_;
};

size_t count_equal(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t n = 0;
    for (size_t k = 0; k < a.size() && k < b.size(); ++k) n += a[k] == b[k];
    return n;
}

// ------------------------------------------------------------------ runs

struct Config {
    std::string display;
    std::string folder;
    std::string home;
    int64_t period_ns = 2000000;
};

struct Program {
    std::string name;
    std::vector<std::string> command;
    std::vector<uint32_t> reference;
    std::vector<double> final_ms, first_ms;
    std::vector<Usage> usage;
};

// A fresh solid root with nothing of an earlier run left on it.
bool clean_root(const Config& cfg, Samples& screen) {
    bench::Launch xsetroot;
    xsetroot.args = {"xsetroot", "-display", cfg.display, "-solid", kRootColour};
    if (!bench::run(xsetroot)) return false;
    const std::vector<uint32_t> plain(screen.size(), kRootPixel);
    std::vector<uint32_t> now;
    for (int tries = 0; tries < 200; ++tries) {
        if (screen.read(now) && now == plain) return true;
        sleep_seconds(0.01);
    }
    return false;
}

void empty_home(const Config& cfg) {
    std::filesystem::remove_all(cfg.home);
    std::filesystem::create_directory(cfg.home);
}

bool take_reference(const Config& cfg, Samples& screen, Program& p) {
    if (!clean_root(cfg, screen)) return false;
    empty_home(cfg);
    const pid_t pid = spawn(p.command, cfg.folder, cfg.display, cfg.home);
    sleep_seconds(kSettleSeconds);
    const bool ok = screen.read(p.reference);
    finish(pid);
    const std::vector<uint32_t> plain(screen.size(), kRootPixel);
    const size_t covered = screen.size() - count_equal(p.reference, plain);
    std::printf("  reference %-12s %zu of %zu samples covered\n", p.name.c_str(), covered,
                screen.size());
    return ok && covered == screen.size();
}

struct Step {
    double ms;
    size_t final_count;
};

bool timed_run(const Config& cfg, Samples& screen, Program& p, bool timeline) {
    if (!clean_root(cfg, screen)) return false;
    empty_home(cfg);
    sleep_seconds(0.05); // let the server and the machine go quiet
    const std::vector<uint32_t> plain(screen.size(), kRootPixel);
    std::vector<uint32_t> now;
    std::vector<Step> steps;
    double first = -1, final = -1;
    const int64_t start = now_ns();
    const pid_t pid = spawn(p.command, cfg.folder, cfg.display, cfg.home);
    for (int64_t next = start; final < 0;) {
        const int64_t asked = now_ns();
        const double ms = double(asked - start) / 1e6;
        if (ms > kRunLimitSeconds * 1e3) break;
        if (!screen.read(now)) break;
        const size_t equal = count_equal(now, p.reference);
        if (first < 0 && count_equal(now, plain) != now.size()) first = ms;
        if (steps.empty() || steps.back().final_count != equal) steps.push_back({ms, equal});
        if (equal == now.size()) final = ms;
        next += cfg.period_ns;
        const int64_t after = now_ns();
        if (next < after) next = after;
        sleep_until(next);
    }
    const Usage u = finish(pid);
    if (final < 0) {
        std::printf("  %s: never final within %.0f s\n", p.name.c_str(), kRunLimitSeconds);
        return false;
    }
    p.final_ms.push_back(final);
    p.first_ms.push_back(first);
    p.usage.push_back(u);
    if (timeline) {
        std::printf("  %-12s final %6.1f ms:", p.name.c_str(), final);
        for (const Step& s : steps) std::printf(" %.1f:%zu", s.ms, s.final_count);
        std::printf("\n");
    }
    return true;
}

void report(const Program& p, const Program* first) {
    std::vector<double> cpu, faults, peak;
    for (const Usage& u : p.usage) {
        cpu.push_back(u.cpu_ms);
        faults.push_back(u.faults);
        peak.push_back(u.peak_mb);
    }
    const auto [lo, hi] = std::minmax_element(p.final_ms.begin(), p.final_ms.end());
    std::printf("%-12s final %6.1f ms (%.1f-%.1f)  first change %6.1f ms  cpu %5.1f ms  "
                "faults %6.0f  peak %5.1f MB\n",
                p.name.c_str(), median(p.final_ms), *lo, *hi, median(p.first_ms), median(cpu),
                median(faults), median(peak));
    if (first != nullptr)
        std::printf("%-12s %.3f of %s's median\n", "", median(p.final_ms) / median(first->final_ms),
                    first->name.c_str());
}

std::string beside_self(const char* name) {
    const std::string self = bench::self_path(name);
    if (self == name) return name;
    return (std::filesystem::path(self).parent_path() / name).string();
}

} // namespace

int main(int argc, char** argv) {
    int runs = 15;
    bool timeline = false;
    bool force = false;
    Config cfg;
    Program baseline{"empty window", {beside_self("empty_window")}, {}, {}, {}, {}};
    std::vector<Program> programs{{"resistenze", {BENCH_PROGRAM}, {}, {}, {}, {}}};
    cfg.folder = std::filesystem::path(BENCH_PROGRAM).parent_path().string();
    std::vector<Program> also;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--runs" && has_value)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--period-us" && has_value)
            cfg.period_ns = std::clamp(std::atoll(argv[++i]), 100LL, 2000LL) * 1000;
        else if (a == "--timeline")
            timeline = true;
        else if (a == "--force")
            force = true;
        else if (a == "--program" && has_value)
            programs[0].command = {argv[++i]};
        else if (a == "--baseline" && has_value)
            baseline.command = {argv[++i]};
        else if (a == "--also" && has_value && std::strchr(argv[i + 1], '=') != nullptr) {
            const std::string spec = argv[++i];
            Program p{spec.substr(0, spec.find('=')), {}, {}, {}, {}, {}};
            for (std::string rest = spec.substr(spec.find('=') + 1);;) {
                p.command.push_back(rest.substr(0, rest.find(',')));
                if (rest.find(',') == std::string::npos) break;
                rest.erase(0, rest.find(',') + 1);
            }
            also.push_back(p);
        } else if (a == "--folder" && has_value)
            cfg.folder = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: %s [--runs N] [--period-us U] [--timeline] [--force] "
                         "[--program FILE] [--baseline FILE] [--folder DIR] "
                         "[--also NAME=FILE[,ARGUMENT...]]...\n",
                         argv[0]);
            return 2;
        }
    }
    if (!std::filesystem::exists(std::filesystem::path(cfg.folder) / "fondo3.jpg")) {
        std::fprintf(stderr, "screen_startup: no fondo3.jpg in %s\n", cfg.folder.c_str());
        return 1;
    }

    programs.insert(programs.end(), also.begin(), also.end());
    char home[] = "/tmp/screen_startup-XXXXXX";
    if (mkdtemp(home) == nullptr) {
        std::fprintf(stderr, "screen_startup: no home folder for the programs\n");
        return 1;
    }
    cfg.home = home;
    struct Remove {
        std::string folder;
        ~Remove() { std::filesystem::remove_all(folder); }
    } remove_home{cfg.home};

    const double load = bench::load_average();
    bench::OthersMeter others;
    others.start();
    bench::XServer server;
    cfg.display = server.start(kScreenW, kScreenH);
    if (cfg.display.empty()) {
        std::fprintf(stderr, "screen_startup: Xvfb did not start\n");
        return 1;
    }
    Samples screen;
    if (!screen.connect(cfg.display)) {
        std::fprintf(stderr, "screen_startup: cannot reach %s\n", cfg.display.c_str());
        return 1;
    }
    // The clock bar of a dialog of the whole screen at (-1, -1).
    for (const layout::Item& item : layout::dialog_items(kScreenW, kScreenH))
        if (item.id == ID_OROLOGIO) screen.place(item.x - 1, item.y - 1, item.w, item.h);

    std::printf("Xvfb %dx%dx24, %zu samples every %.1f ms, %d runs each, interleaved, every one "
                "a first start\n",
                kScreenW, kScreenH, screen.size(), double(cfg.period_ns) / 1e6, runs);
    int failures = 0;
    std::vector<Program*> all{&baseline};
    for (Program& p : programs) all.push_back(&p);
    for (Program* p : all)
        if (!take_reference(cfg, screen, *p)) {
            std::fprintf(stderr, "screen_startup: a reference run did not cover the screen\n");
            return 1;
        }
    for (int r = 0; r < runs; ++r) {
        // Each goes first in turn.
        for (size_t k = 0; k < all.size(); ++k)
            failures += !timed_run(cfg, screen, *all[(k + size_t(r)) % all.size()], timeline);
    }
    server.stop(); // reaped, so its processor time counts as our own
    const double others_share = others.stop();
    for (const Program* p : all)
        if (p->final_ms.empty()) return 1;

    report(baseline, nullptr);
    for (const Program& p : programs) report(p, &p == &programs[0] ? nullptr : &programs[0]);
    const Program& program = programs[0];
    const bool quiet = load <= bench::kQuietLoad && others_share <= bench::kQuietOthersShare;
    std::printf("machine: load average %.2f before the runs (at most %.2f), other processes "
                "%.1f %% of one core during them (at most %.0f %%)\n",
                load, bench::kQuietLoad, others_share * 100, bench::kQuietOthersShare * 100);
    const double ratio = median(program.final_ms) / median(baseline.final_ms);
    if (quiet)
        std::printf("ratio (final pixels, medians) %.2f   target at most 1.3\n", ratio);
    else if (force)
        std::printf("ratio (final pixels, medians) %.2f   target at most 1.3   NOT QUIET: "
                    "taken on a busy machine (--force)\n",
                    ratio);
    else
        std::printf("no ratio: the machine was not quiet (--force prints it anyway)\n");
    return failures == 0 ? 0 : 1;
}
