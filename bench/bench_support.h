#pragma once

// What every benchmark here shares: timing, the process's memory, and the report lines.

#include <chrono>
#include <functional>

namespace bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);

struct Memory {
  double rss = 0, peak = 0;  // MB
};
Memory memoryNow();

// Runs `work` in a child process, so that this process's peak memory stays that of the
// measurements; false when it failed (its error printed after `program`).
bool runInChild(const char* program, const std::function<void()>& work);

// The best time of `runs` runs of `work`, in seconds.
double bestOf(int runs, const std::function<void()>& work);

// The column heads the report lines line up under.
void printHeading();
// One line: what, the time, records per second when `records` > 0, memory now, and the target
// with whether it was met (nothing when `target` is empty).
void report(const char* what, double seconds, double records, const char* target, bool met);
// The same for a time per operation, in microseconds, held to `limitUs`.
void reportPer(const char* what, double seconds, int count, const char* target, double limitUs);

}  // namespace bench
