#pragma once

// The report of the window benchmark: medians of timed runs, one row per figure.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace ata::bench {

using Clock = std::chrono::steady_clock;
constexpr double kMB = 1e6;

inline double Since(Clock::time_point t0, Clock::time_point t1) {
    return std::chrono::duration<double>(t1 - t0).count();
}

inline double Median(std::vector<double> vec) {
    std::sort(vec.begin(), vec.end());
    const size_t n = vec.size();
    return n % 2 ? vec[n / 2] : (vec[n / 2 - 1] + vec[n / 2]) / 2;
}

inline void Check(bool blnOk, const std::string& strWhat) {
    if (!blnOk)
        throw std::runtime_error(strWhat);
}

// One figure of a table: a label and seconds, or a label and a plain number.
inline void Row(const std::string& strLabel, double dblSeconds) {
    std::printf("  %-66s %9.3f s\n", strLabel.c_str(), dblSeconds);
}
inline void Ratio(const std::string& strLabel, double dblRatio) {
    std::printf("  %-66s %9.3f\n", strLabel.c_str(), dblRatio);
}
// The highest peak of a figure's runs, and what was resident at the start of that run.
inline void PeakRow(const std::string& strLabel, long lngPeakKiB, long lngStartKiB) {
    std::printf("  %-66s %7.1f MiB (%.1f at its start)\n", strLabel.c_str(),
                double(lngPeakKiB) / 1024, double(lngStartKiB) / 1024);
}

} // namespace ata::bench
