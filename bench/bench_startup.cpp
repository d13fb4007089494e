// Start-up time of the program against an empty frameless dialog, both in
// fresh processes on the same 1920x1080 offscreen screen.
//
// The benchmark runs itself again as a child with a hidden first argument:
//   --empty-dialog   an empty frameless QDialog of the work area's size
//   --program        the real start-up: application object, main procedure
// Each child reports two moments on its clock: the dialog shown (its show
// event) and the dialog fully painted (its first paint has been delivered,
// children included), then ends its dialog. The parent times both from just
// before it started the child and reports the program's times as ratios to
// the empty dialog's, measured side by side in the same run.
#include "app/app.h"
#include "bench/child_process.h"
#include "surface/surface.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using bench::median;
using bench::now_ns;

// ------------------------------------------------------------------ child

// Watches the first dialog: notes when it is shown and when its first paint
// is over, prints both, and then calls `finish`.
class Milestones : public QObject {
  public:
    explicit Milestones(std::function<void(QDialog*)> finish) : finish_(std::move(finish)) {}

  protected:
    bool eventFilter(QObject* obj, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(obj);
        if (widget == nullptr || done_) return false;
        auto* dialog = qobject_cast<QDialog*>(widget->window());
        if (dialog == nullptr) return false;
        if (event->type() == QEvent::Show && widget == dialog && shown_ == 0) shown_ = now_ns();
        // A dialog covered by opaque children is not painted itself: the
        // first paint of anything in it starts the pass.
        if (event->type() == QEvent::Paint && shown_ != 0 && !painting_) {
            painting_ = true;
            // The whole window is painted in one pass; a zero timer runs once
            // the pass is over.
            QTimer::singleShot(0, dialog, [this, dialog] {
                const int64_t painted = now_ns();
                done_ = true;
                std::printf("%lld %lld\n", static_cast<long long>(shown_),
                            static_cast<long long>(painted));
                std::fflush(stdout);
                finish_(dialog);
            });
        }
        return false;
    }

  private:
    std::function<void(QDialog*)> finish_;
    int64_t shown_ = 0;
    bool painting_ = false;
    bool done_ = false;
};

int run_empty_dialog(int argc, char** argv) {
    surface::prepare_toolkit();
    QApplication app(argc, argv);
    Milestones watch([](QDialog* d) { d->done(0); });
    app.installEventFilter(&watch);
    QDialog dialog(nullptr, Qt::FramelessWindowHint);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    dialog.setGeometry(-1, -1, area.width(), area.height());
    dialog.show();
    dialog.exec();
    return 0;
}

int run_program(char* program) {
    if (!surface::start_application(program)) return 1;
    Milestones watch([](QDialog*) { surface::end_dialog(dialogo, 0); });
    qApp->installEventFilter(&watch);
    return PRINCIPALE();
}

// ------------------------------------------------------------------ parent

struct Times {
    double shown_ms = -1;
    double painted_ms = -1;
};

std::string self_path;

// Starts this program as a child in `folder` and reads its two moments.
Times run_child(const char* mode, const std::string& folder) {
    const bench::ChildRun run =
        bench::run_child(self_path, mode, folder, "offscreen:configfile=" BENCH_SCREEN_CONFIG);
    long long shown = 0, painted = 0;
    if (std::sscanf(run.output.c_str(), "%lld %lld", &shown, &painted) != 2) return {};
    return {double(shown - run.started_ns) / 1e6, double(painted - run.started_ns) / 1e6};
}

void BM_StartUp(benchmark::State& state) {
    // The picture and the configuration are read from the current folder.
    const std::string folder = bench::program_files_ready(BENCH_PROGRAM, self_path);
    if (folder.empty()) {
        state.SkipWithError(bench::kProgramFilesMissing);
        return;
    }
    std::vector<double> empty_shown, empty_painted, prog_shown, prog_painted;
    for (auto _ : state) {
        const Times e = run_child("--empty-dialog", folder);
        const Times p = run_child("--program", folder);
        if (e.shown_ms < 0 || p.shown_ms < 0) {
            state.SkipWithError("a child did not report its start-up");
            return;
        }
        empty_shown.push_back(e.shown_ms);
        empty_painted.push_back(e.painted_ms);
        prog_shown.push_back(p.shown_ms);
        prog_painted.push_back(p.painted_ms);
        state.SetIterationTime(p.painted_ms / 1000.0);
    }
    const double es = median(empty_shown), ep = median(empty_painted);
    const double ps = median(prog_shown), pp = median(prog_painted);
    state.counters["empty_shown_ms"] = es;
    state.counters["empty_painted_ms"] = ep;
    state.counters["program_shown_ms"] = ps;
    state.counters["program_painted_ms"] = pp;
    // Targets: shown within 1.5x, fully painted within 2x of the empty dialog.
    state.counters["ratio_shown"] = es > 0 ? ps / es : 0;
    state.counters["ratio_painted"] = ep > 0 ? pp / ep : 0;
}
BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--empty-dialog") == 0)
        return run_empty_dialog(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--program") == 0) return run_program(argv[0]);

    self_path = bench::self_path(argv[0]);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
