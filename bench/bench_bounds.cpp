// Peak memory, the time from Escape to the end of the process and the part
// of it spent letting go of memory once the main procedure has returned,
// for a configured dialog size against the work area's own (1920x1080
// offscreen), both in fresh processes of the same run; and the time from
// Escape pressed the moment the dialog is shown to the end of the process.
//
// The benchmark runs itself again as a child with a hidden first argument,
// --program or --program-at-map, in a scratch folder holding the background
// picture and a configuration file. The child starts the program as main()
// does, waits for the dialog's first full paint (or only for it to be
// shown), posts Escape to the window that has the keyboard and prints that
// moment, and again when the main procedure returns. The parent takes the
// child's peak resident memory from wait4() and the times to its end.
#include "app/app.h"
#include "bench/child_process.h"
#include "surface/surface.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

using bench::median;
using bench::now_ns;

// ------------------------------------------------------------------ child

// Prints the moment and posts Escape to the window that has the keyboard.
void press_escape(QWidget* dialog) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) target = dialog;
    std::printf("%lld\n", static_cast<long long>(now_ns()));
    std::fflush(stdout);
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
}

// Presses Escape once the dialog has been painted whole, or (`at_map`) the
// moment its window is first exposed, before anything of it is painted, as
// a key that reaches an X server with the map does.
class EscapeWhen : public QObject {
  public:
    explicit EscapeWhen(bool at_map) : at_map_(at_map) {}

  protected:
    bool eventFilter(QObject* obj, QEvent* event) override {
        if (pressed_) return false;
        if (at_map_ && event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(obj);
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (window == nullptr || dialog == nullptr || dialog->windowHandle() != window)
                return false;
            pressed_ = true;
            press_escape(dialog);
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(obj);
        auto* dialog = widget != nullptr ? qobject_cast<QDialog*>(widget->window()) : nullptr;
        if (dialog == nullptr) return false;
        if (!at_map_ && event->type() == QEvent::Paint && dialog->isVisible()) {
            pressed_ = true;
            // A zero timer runs once the paint pass is over.
            QTimer::singleShot(0, dialog, [dialog] { press_escape(dialog); });
        }
        return false;
    }

  private:
    bool at_map_;
    bool pressed_ = false;
};

// The program as main() runs it.
int run_program(char* program, bool at_map) {
    if (!surface::start_application(program)) return 1;
    static EscapeWhen escape(at_map);
    qApp->installEventFilter(&escape);
    const int result = PRINCIPALE();
    // From here to the end the process only lets go of its memory.
    std::printf("%lld\n", static_cast<long long>(now_ns()));
    return result;
}

// ------------------------------------------------------------------ parent

std::string self_path;

struct Run {
    double peak_mb = -1;
    double exit_ms = -1;    // from Escape to the end of the process
    double release_ms = -1; // from the main procedure's return to the end
};

// A scratch folder with the picture and a configuration of w x h.
std::string prepare_folder(int64_t w, int64_t h) {
    const std::string ready = bench::program_files_ready(BENCH_PROGRAM, self_path);
    if (ready.empty()) return {};
    const fs::path program = ready;
    std::error_code ec;
    const fs::path folder =
        fs::temp_directory_path() / ("resistenze-bounds-" + std::to_string(getpid()) + "-" +
                                     std::to_string(w) + "x" + std::to_string(h));
    fs::create_directories(folder, ec);
    fs::copy_file(program / "fondo3.jpg", folder / "fondo3.jpg",
                  fs::copy_options::overwrite_existing, ec);
    std::ofstream(folder / "tavi_menu_conf.cnf")
        << "pixelori=" << w << "\r\npixelver=" << h << "\r\nlarghezzacornice=10\r\n";
    return folder.string();
}

Run run_child(const std::string& folder, const char* mode) {
    const bench::ChildRun run =
        bench::run_child(self_path, mode, folder, "offscreen:configfile=" BENCH_SCREEN_CONFIG);
    long long escape = 0, returned = 0;
    if (!run.ended_cleanly || std::sscanf(run.output.c_str(), "%lld %lld", &escape, &returned) != 2)
        return {};
    return {double(run.usage.ru_maxrss) / 1024.0, double(run.ended_ns - escape) / 1e6,
            double(run.ended_ns - returned) / 1e6};
}

// Escape after the dialog is painted ("--program"), or at the moment it is
// shown ("--program-at-map"): peak memory and the time to the end of the
// process, against the work area's own size. Targets: under 1024 MB, and
// under 100 ms to the end whatever the configured size.
void measure(benchmark::State& state, int64_t w, int64_t h, const char* when) {
    const std::string base = prepare_folder(1920, 1080);
    const std::string sized = prepare_folder(w, h);
    if (base.empty() || sized.empty()) {
        state.SkipWithError(bench::kProgramFilesMissing);
        return;
    }
    std::vector<double> base_peak, base_exit, peak, exit, release;
    for (auto _ : state) {
        const Run b = run_child(base, when);
        const Run s = run_child(sized, when);
        if (b.peak_mb < 0 || s.peak_mb < 0) {
            state.SkipWithError("a child did not start, press Escape and end cleanly");
            break;
        }
        base_peak.push_back(b.peak_mb);
        base_exit.push_back(b.exit_ms);
        peak.push_back(s.peak_mb);
        exit.push_back(s.exit_ms);
        release.push_back(s.release_ms);
        state.SetIterationTime(s.exit_ms / 1000.0);
    }
    std::error_code ec;
    fs::remove_all(base, ec);
    fs::remove_all(sized, ec);
    if (peak.empty()) return;
    state.counters["peak_mb"] = median(peak);
    state.counters["exit_ms"] = median(exit);
    state.counters["release_ms"] = median(release);
    state.counters["base_peak_mb"] = median(base_peak);
    state.counters["base_exit_ms"] = median(base_exit);
    state.counters["ratio_peak"] = median(peak) / std::max(median(base_peak), 1e-9);
    state.counters["ratio_exit"] = median(exit) / std::max(median(base_exit), 1e-9);
}

void BM_Bounds(benchmark::State& state, int64_t w, int64_t h) {
    measure(state, w, h, "--program");
}
BENCHMARK_CAPTURE(BM_Bounds, edge_4096, 4096, 4096)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Bounds, edge_8192, 8192, 8192)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
// Long edges: the colour buttons grow with the width, so the widest dialog
// of the largest area needs the most.
BENCHMARK_CAPTURE(BM_Bounds, wide_32767x2048, 32767, 2048)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Bounds, tall_2048x32767, 2048, 32767)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Bounds, widest_24576x2730, 24576, 2730)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Bounds, configured_2147483647, 2147483647, 2147483647)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Escape the moment the dialog is shown.
void BM_EscapeAtMap(benchmark::State& state, int64_t w, int64_t h) {
    measure(state, w, h, "--program-at-map");
}
BENCHMARK_CAPTURE(BM_EscapeAtMap, at_map_1920x1080, 1920, 1080)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EscapeAtMap, at_map_8192x8192, 8192, 8192)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EscapeAtMap, at_map_widest_24576x2730, 24576, 2730)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--program") == 0) return run_program(argv[0], false);
    if (argc >= 2 && std::strcmp(argv[1], "--program-at-map") == 0)
        return run_program(argv[0], true);

    self_path = bench::self_path(argv[0]);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
