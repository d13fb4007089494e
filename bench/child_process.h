// What the benchmarks that time fresh processes share: a monotonic clock,
// the median of a series, this executable's own path, and running this
// executable again as a child with a hidden mode argument.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

inline int64_t now_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The middle value; the mean of the two middle ones for an even count.
inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The running executable's path (argv0 when /proc cannot tell).
inline std::string self_path(const char* argv0) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    return n > 0 ? std::string(exe, size_t(n)) : std::string(argv0);
}

// The folder of `program` when it holds the background picture and the font,
// empty otherwise: a start-up without them skips the decoding and the font
// file and would measure far too little. A child started from `self` reads
// the font from its own executable's folder, so the font is put there once.
inline std::string program_files_ready(const std::string& program, const std::string& self) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(program).parent_path();
    const fs::path font = folder / "CabinSketch-Bold.otf";
    const fs::path mine = fs::path(self).parent_path() / "CabinSketch-Bold.otf";
    std::error_code ec;
    if (!fs::is_regular_file(folder / "fondo3.jpg", ec) || !fs::is_regular_file(font, ec))
        return {};
    if (!fs::exists(mine, ec)) fs::copy_file(font, mine, ec);
    return fs::exists(mine, ec) ? folder.string() : std::string();
}
constexpr const char* kProgramFilesMissing =
    "fondo3.jpg or the font is missing beside the program: build the resistenze target first";

struct ChildRun {
    bool ended_cleanly = false; // exited with status 0
    std::string output;         // everything it wrote on standard output
    int64_t started_ns = 0;     // just before the fork
    int64_t ended_ns = 0;       // just after it was reaped
    rusage usage{};
};

// Runs `program mode` in `folder` with QT_QPA_PLATFORM set to `platform`,
// collecting its standard output until it ends.
inline ChildRun run_child(const std::string& program, const char* mode, const std::string& folder,
                          const char* platform) {
    ChildRun run;
    int out[2];
    if (pipe(out) != 0) return run;
    run.started_ns = now_ns();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (chdir(folder.c_str()) != 0) _exit(127);
        setenv("QT_QPA_PLATFORM", platform, 1);
        execl(program.c_str(), program.c_str(), mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) run.output.append(buf, size_t(n));
    close(out[0]);
    int status = 0;
    if (pid <= 0 || wait4(pid, &status, 0, &run.usage) != pid) return run;
    run.ended_ns = now_ns();
    run.ended_cleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

} // namespace bench
