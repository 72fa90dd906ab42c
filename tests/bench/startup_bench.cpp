// Time from process start to the first paint of the window, and peak memory,
// for the program and for a bare Qt window started the same way.
// Usage: startup_bench PAINT_PROBE [RUNS]   (needs DISPLAY)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Run {
  double ms_to_first_paint;
  double peak_mib;
};

bool RunOnce(const char* probe, const char* variant, Run& run) {
  int out[2];
  if (pipe(out) != 0) return false;
  const long long start = MonotonicNs();
  pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    execl(probe, probe, variant, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[64];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) return false;
  run.ms_to_first_paint = static_cast<double>(std::atoll(text.c_str()) - start) / 1e6;
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PAINT_PROBE [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
  for (const char* variant : {"bare", "talvane"}) {
    std::vector<double> ms, mib;
    for (int i = 0; i < runs; ++i) {
      Run run{};
      if (!RunOnce(argv[1], variant, run)) {
        std::fprintf(stderr, "%s: run %d failed\n", variant, i);
        return 1;
      }
      ms.push_back(run.ms_to_first_paint);
      mib.push_back(run.peak_mib);
    }
    std::printf(
        "%-8s first paint: median %.1f ms (min %.1f, max %.1f); peak RSS: median %.1f MiB over %d "
        "runs\n",
        variant, Median(ms), *std::min_element(ms.begin(), ms.end()),
        *std::max_element(ms.begin(), ms.end()), Median(mib), runs);
  }
  return 0;
}
