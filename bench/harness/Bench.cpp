#include "harness/Bench.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korv::bench {

double Now() {
  static const double freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / freq;
}

std::string FormatSeconds(double s) {
  char buf[32];
  if (s < 1e-6)
    std::snprintf(buf, sizeof buf, "%.1f ns", s * 1e9);
  else if (s < 1e-3)
    std::snprintf(buf, sizeof buf, "%.2f us", s * 1e6);
  else if (s < 1.0)
    std::snprintf(buf, sizeof buf, "%.2f ms", s * 1e3);
  else
    std::snprintf(buf, sizeof buf, "%.3f s", s);
  return buf;
}

namespace {

// A body whose first run takes this long is not calibrated (heavy policy).
constexpr double kHeavySeconds = 1.0;

double MedianOf(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void Summarise(Stats& s) {
  s.Median = MedianOf(s.Samples);
  s.Min = *std::min_element(s.Samples.begin(), s.Samples.end());
  s.Max = *std::max_element(s.Samples.begin(), s.Samples.end());
  std::vector<double> dev;
  for (double x : s.Samples) dev.push_back(std::fabs(x - s.Median));
  s.Mad = MedianOf(dev);
}

bool StartsWith(const char* s, const char* prefix, const char** rest) {
  const size_t n = std::strlen(prefix);
  if (std::strncmp(s, prefix, n) != 0) return false;
  *rest = s + n;
  return true;
}

}  // namespace

Runner::Runner(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* v = nullptr;
    if (StartsWith(argv[i], "--filter=", &v)) {
      FFilter = v;
    } else if (StartsWith(argv[i], "--samples=", &v)) {
      FSamples = std::max(1, std::atoi(v));
    } else if (StartsWith(argv[i], "--min-ms=", &v)) {
      FMinSample = std::max(1, std::atoi(v)) / 1000.0;
    } else if (StartsWith(argv[i], "--heavy-budget-s=", &v)) {
      FHeavyBudget = std::max(1, std::atoi(v));
    } else if (std::strcmp(argv[i], "--list") == 0) {
      FListOnly = true;
    } else {
      std::fprintf(stderr, "unknown option %s (--filter=TEXT --samples=N --min-ms=N --heavy-budget-s=N --list)\n",
                   argv[i]);
    }
  }
  // The process should not wander between cores of different speed in the middle of a sample.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  std::printf("samples: %d, minimum sample time: %s\n", FSamples, FormatSeconds(FMinSample).c_str());
  std::fflush(stdout);
}

bool Runner::Selected(const std::string& title) const {
  return FFilter.empty() || title.find(FFilter) != std::string::npos;
}

double Runner::TimeSample(const Body& body, int64_t iterations) const {
  if (body.BeforeSample) body.BeforeSample();
  if (body.BeforeIteration) {
    double total = 0;
    for (int64_t i = 0; i < iterations; ++i) {
      body.BeforeIteration();
      const double t0 = Now();
      body.Run();
      ClobberMemory();
      total += Now() - t0;
    }
    return total;
  }
  const double t0 = Now();
  for (int64_t i = 0; i < iterations; ++i) body.Run();
  ClobberMemory();
  return Now() - t0;
}

std::vector<Stats> Runner::MeasureTogether(const std::string& title, const std::vector<Body>& bodies) {
  std::vector<Stats> stats(bodies.size());
  for (size_t i = 0; i < bodies.size(); ++i) stats[i].Name = bodies[i].Name;
  if (!Selected(title) || FListOnly) return stats;
  // The first run of each: a warm-up of a light body, the first sample of a heavy one.
  std::vector<int> wanted(bodies.size(), FSamples);
  for (size_t i = 0; i < bodies.size(); ++i) {
    const double first = TimeSample(bodies[i], 1);
    if (first >= kHeavySeconds) {
      stats[i].Iterations = 1;
      stats[i].Samples.push_back(first);
      wanted[i] = std::min(FSamples, std::max(1, static_cast<int>(FHeavyBudget / first)));
    } else {
      stats[i].Iterations = Calibrate(bodies[i]);
    }
  }
  for (int round = 0; round < FSamples; ++round)
    for (size_t i = 0; i < bodies.size(); ++i)
      if (static_cast<int>(stats[i].Samples.size()) < wanted[i])
        stats[i].Samples.push_back(TimeSample(bodies[i], stats[i].Iterations) /
                                   static_cast<double>(stats[i].Iterations));
  for (Stats& s : stats) Summarise(s);
  return stats;
}

int64_t Runner::Calibrate(const Body& body) const {
  int64_t n = 1;
  TimeSample(body, 1);  // warm-up: caches, page faults, lazy initialisation
  for (;;) {
    const double t = TimeSample(body, n);
    if (t >= FMinSample) return n;
    // Aim a little above the minimum so the next try usually passes.
    const double want = t > 0 ? FMinSample * 1.2 / t * static_cast<double>(n) : static_cast<double>(n) * 10;
    n = std::max<int64_t>(n + 1, std::min<int64_t>(n * 100, static_cast<int64_t>(std::ceil(want))));
  }
}

Comparison Runner::Compare(const std::string& title, const Body& baseline, const Body& subject) {
  Comparison c;
  if (!Selected(title)) return c;
  c.Title = title;
  if (FListOnly) {
    std::printf("%s\n", title.c_str());
    return c;
  }
  c.Baseline.Name = baseline.Name;
  c.Subject.Name = subject.Name;
  c.Baseline.Iterations = Calibrate(baseline);
  c.Subject.Iterations = Calibrate(subject);
  std::vector<double> ratios;
  for (int s = 0; s < FSamples; ++s) {
    const double b = TimeSample(baseline, c.Baseline.Iterations) / static_cast<double>(c.Baseline.Iterations);
    const double x = TimeSample(subject, c.Subject.Iterations) / static_cast<double>(c.Subject.Iterations);
    c.Baseline.Samples.push_back(b);
    c.Subject.Samples.push_back(x);
    ratios.push_back(b > 0 ? x / b : 0);
  }
  Summarise(c.Baseline);
  Summarise(c.Subject);
  c.Ratio = c.Baseline.Median > 0 ? c.Subject.Median / c.Baseline.Median : 0;
  c.RatioMin = *std::min_element(ratios.begin(), ratios.end());
  c.RatioMax = *std::max_element(ratios.begin(), ratios.end());
  Print(c);
  FResults.push_back(c);
  return c;
}

void Runner::Print(const Comparison& c) const {
  auto line = [&](const char* role, const Stats& s) {
    std::printf("  %-8s %-44s median %10s  min %10s  max %10s  mad %9s  (%lld it/sample)", role, s.Name.c_str(),
                FormatSeconds(s.Median).c_str(), FormatSeconds(s.Min).c_str(), FormatSeconds(s.Max).c_str(),
                FormatSeconds(s.Mad).c_str(), static_cast<long long>(s.Iterations));
    if (FBytes > 0 && s.Median > 0) std::printf("  %8.1f MB/s", static_cast<double>(FBytes) / s.Median / 1e6);
    std::printf("\n");
  };
  std::printf("%s\n", c.Title.c_str());
  line("baseline", c.Baseline);
  line("subject", c.Subject);
  std::printf("  ratio    %.2fx baseline (paired samples %.2fx .. %.2fx)\n", c.Ratio, c.RatioMin, c.RatioMax);
  std::fflush(stdout);
}

int Runner::Finish() {
  if (FListOnly) return 0;
  std::printf("\nsummary (subject / baseline, medians)\n");
  for (const Comparison& c : FResults)
    std::printf("  %-60s %6.2fx  (%s vs %s)\n", c.Title.c_str(), c.Ratio, FormatSeconds(c.Subject.Median).c_str(),
                FormatSeconds(c.Baseline.Median).c_str());
  std::fflush(stdout);
  return 0;
}

}  // namespace korv::bench
