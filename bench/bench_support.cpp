#include "bench/bench_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

namespace bench {

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

Memory memoryNow() {
  Memory m;
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    double kb = 0;
    if (std::sscanf(line.c_str(), "VmRSS: %lf kB", &kb) == 1) m.rss = kb / 1024;
    if (std::sscanf(line.c_str(), "VmHWM: %lf kB", &kb) == 1) m.peak = kb / 1024;
  }
  return m;
}

bool runInChild(const char* program, const std::function<void()>& work) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    try {
      work();
      _exit(0);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", program, e.what());
      _exit(1);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double bestOf(int runs, const std::function<void()>& work) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    work();
    const double s = secondsSince(start);
    if (best < 0 || s < best) best = s;
  }
  return best;
}

void printHeading() {
  std::printf("%-34s %13s %10s %8s %8s   target\n", "", "time", "records", "RSS MB", "peak MB");
}

void report(const char* what, double seconds, double records, const char* target, bool met) {
  const Memory m = memoryNow();
  char rate[32] = "-";
  if (records > 0) std::snprintf(rate, sizeof rate, "%.2fM/s", records / seconds / 1e6);
  std::printf("%-34s %10.2f ms %10s %8.1f %8.1f   %s%s\n", what, seconds * 1000, rate, m.rss,
              m.peak, target, *target ? (met ? ": ok" : ": MISSED") : "");
}

void reportPer(const char* what, double seconds, int count, const char* target, double limitUs) {
  const double us = seconds / count * 1e6;
  const Memory m = memoryNow();
  std::printf("%-34s %10.2f us %10s %8.1f %8.1f   %s%s\n", what, us, "-", m.rss, m.peak, target,
              *target ? (us <= limitUs ? ": ok" : ": MISSED") : "");
}

}  // namespace bench
