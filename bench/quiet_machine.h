// Whether the machine is quiet enough for timings: its load average, and
// how much processor time everything else took while a benchmark ran.
#pragma once

#include "bench/child_process.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

constexpr double kQuietLoad = 0.5;         // one-minute load average
constexpr double kQuietOthersShare = 0.05; // of one core, during the runs

inline double load_average() {
    std::ifstream in("/proc/loadavg");
    double one = -1;
    in >> one;
    return one;
}

// Processor seconds spent by the whole machine (idle, waiting and stolen
// time left out).
inline double machine_busy_seconds() {
    std::ifstream in("/proc/stat");
    std::string cpu;
    long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0;
    if (!(in >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq) || cpu != "cpu")
        return 0;
    return double(user + nice + system + irq + softirq) / double(sysconf(_SC_CLK_TCK));
}

// Processor seconds of this process and of every child it has reaped: the
// X server, xsetroot and the measured programs.
inline double own_seconds() {
    double s = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage ru{};
        getrusage(who, &ru);
        s += double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
             double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    }
    return s;
}

// What everything else on the machine did between start() and stop(). The
// machine's total less our own catches processes that came and went in
// between, such as compilers, which a walk over /proc at both ends misses.
class OthersMeter {
  public:
    void start() {
        wall_ = now_ns();
        busy_ = machine_busy_seconds();
        own_ = own_seconds();
    }
    // Share of one core that the rest of the machine used.
    double stop() const {
        const double wall = double(now_ns() - wall_) / 1e9;
        const double others = (machine_busy_seconds() - busy_) - (own_seconds() - own_);
        return wall > 0 ? std::max(0.0, others) / wall : 0;
    }

  private:
    int64_t wall_ = 0;
    double busy_ = 0, own_ = 0;
};

} // namespace bench
