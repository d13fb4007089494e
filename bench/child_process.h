// What the benchmarks that time fresh processes share: a monotonic clock,
// the median of a series, this executable's own path, and the one way they
// start processes: a child (this executable again with a hidden mode
// argument, a tool, the program) and a private X server.
#pragma once

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
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

// How a child process is started. The program, args[0], is looked up in
// PATH unless it holds a slash.
struct Launch {
    std::vector<std::string> args;
    std::string folder;                                   // empty: this one's
    std::vector<std::pair<std::string, std::string>> env; // set in the child
    std::vector<std::string> unset_env;                   // removed in the child
    int stdout_fd = -1; // its standard output; -1: this one's (or /dev/null when quiet)
    bool quiet = false; // standard error, and output not given a descriptor, to /dev/null
    int keep_fd = -1;   // a close-on-exec descriptor the child inherits all the same
};

// Starts a child; its pid, or -1 when the fork failed. A child that cannot
// start its program ends with status 127.
inline pid_t start(const Launch& launch) {
    std::vector<char*> argv;
    for (const std::string& a : launch.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (!launch.folder.empty() && chdir(launch.folder.c_str()) != 0) _exit(127);
    if (launch.quiet) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
    }
    if (launch.stdout_fd >= 0) dup2(launch.stdout_fd, STDOUT_FILENO);
    if (launch.keep_fd >= 0) fcntl(launch.keep_fd, F_SETFD, 0);
    for (const auto& [name, value] : launch.env) setenv(name.c_str(), value.c_str(), 1);
    for (const std::string& name : launch.unset_env) unsetenv(name.c_str());
    execvp(argv[0], argv.data());
    _exit(127);
}

// Runs a child to its end; true when it exited with 0.
inline bool run(const Launch& launch) {
    const pid_t pid = start(launch);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

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
    if (pipe2(out, O_CLOEXEC) != 0) return run;
    Launch launch;
    launch.args = {program, mode};
    launch.folder = folder;
    launch.env = {{"QT_QPA_PLATFORM", platform}};
    launch.stdout_fd = out[1];
    run.started_ns = now_ns();
    const pid_t pid = start(launch);
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

// A private X server (Xvfb) on a free display, ended with the object.
class XServer {
  public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() { stop(); }

    // Starts a w x h x 24 screen; the display's name (":N"), empty on failure.
    std::string start(int w, int h) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return {};
        const std::string screen = std::to_string(w) + "x" + std::to_string(h) + "x24";
        Launch launch;
        launch.args = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                       "-screen",   "0",          screen,
                       "-nolisten", "tcp",        "-ac",
                       "-noreset"};
        launch.quiet = true;
        launch.keep_fd = fds[1];
        pid_ = bench::start(launch);
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (pid_ < 0 || number.empty()) {
            stop();
            return {};
        }
        return ":" + number;
    }

    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

  private:
    pid_t pid_ = 0;
};

} // namespace bench
