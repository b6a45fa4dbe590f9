#pragma once

// What the process costs: CPU time and wake-ups of all its threads, and the peak resident size
// of one figure.
#include <malloc.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

namespace ata::bench {

// The peak resident size of one figure: memory freed before it goes back to the system, the
// peak is reset to what is resident now (clear_refs 5), and read at the end (VmHWM).
inline long StatusKiB(const char* strKey) {
    std::ifstream status("/proc/self/status");
    std::string strLine;
    while (std::getline(status, strLine))
        if (strLine.rfind(strKey, 0) == 0)
            return std::atol(strLine.c_str() + std::strlen(strKey));
    return -1;
}
inline long ResetPeak() {
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return StatusKiB("VmRSS:");
}

// CPU time of the whole process and its wake-ups (voluntary context switches, all threads).
struct Usage {
    double dblCpu = 0;
    long lngWakeups = 0;

    static Usage Now() {
        timespec ts{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        rusage ru{};
        ::getrusage(RUSAGE_SELF, &ru);
        return {static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9,
                ru.ru_nvcsw};
    }
    Usage operator-(const Usage& o) const { return {dblCpu - o.dblCpu, lngWakeups - o.lngWakeups}; }
};

// One timed command: wall seconds, CPU seconds and wake-ups.
struct Run {
    double dblSeconds = 0;
    Usage use;
};

} // namespace ata::bench
