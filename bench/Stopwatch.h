#pragma once
// Wall-clock and process CPU seconds since construction. On a shared machine the CPU seconds
// are the steadier figure; on an idle one the two agree but for waits on the disk.
#include <chrono>
#include <ctime>

namespace talv::bench {

class Stopwatch {
public:
    double seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    double cpuSeconds() const { return cpuNow() - cpuStart_; }

private:
    using Clock = std::chrono::steady_clock;
    static double cpuNow() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }
    Clock::time_point start_ = Clock::now();
    double cpuStart_ = cpuNow();
};

}  // namespace talv::bench
