#pragma once

// Timing helpers shared by the benchmark programs: medians of repeated runs, so one
// slow repetition on a busy machine does not move the figure.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Runs `once` (which returns the seconds it measured) `repetitions` times.
template <class F>
double medianOf(int repetitions, F once) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) times.push_back(once());
    return median(times);
}

// One line of the results table: "| area | case | figure | reference | ratio | target | verdict |".
inline void row(const char* area, const char* what, const char* figure, const char* reference,
                const char* ratio, const char* target, bool ok) {
    std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", area, what, figure, reference, ratio,
                target, ok ? "met" : "MISSED");
    std::fflush(stdout);
}

}  // namespace bench
