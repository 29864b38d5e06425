// A small benchmark harness. Each case is timed against a baseline measured in the same run, so
// the ratio holds on a noisy machine:
//
//   int main(int argc, char** argv) {
//     korv::bench::Runner run(argc, argv);
//     run.Compare("load 50 MB",
//                 {"plain ReadFile", [&] { ...baseline... }},
//                 {"TTntStringList.LoadFromFile", [&] { ...subject... }});
//     return run.Finish();
//   }
//
// Timing uses QueryPerformanceCounter. The iteration count of each body is calibrated so that a
// sample takes at least the minimum sample time (20 ms by default); then the samples of the
// baseline and the subject alternate, so drift hits both alike. Every line shows the median time
// per iteration, min/max and the median absolute deviation; the subject's line adds the ratio of
// the medians and the range of the ratios of paired samples.
//
// A body whose first run takes a second or more is not calibrated: that run counts as its first
// sample, and it gets as many samples (at most --samples) as fit in the heavy budget.
//
// Options: --filter=TEXT (run the cases whose title contains TEXT), --samples=N (default 7),
// --min-ms=N (minimum sample time), --heavy-budget-s=N (default 10), --list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korv::bench {

// Keeps a value (and the memory it points to) alive in the optimiser's eyes.
template <class T>
inline void DoNotOptimize(const T& value) {
  asm volatile("" : : "r,m"(value) : "memory");
}
inline void ClobberMemory() { asm volatile("" : : : "memory"); }

// Seconds since an arbitrary start, from QueryPerformanceCounter.
[[nodiscard]] double Now();

struct Body {
  std::string Name;
  std::function<void()> Run;  // one iteration
  // Optional: runs before every timed sample (outside the timing), e.g. to reset state.
  std::function<void()> BeforeSample = nullptr;
  // Optional: runs before every iteration, outside the timing (each iteration is then timed on
  // its own), e.g. to give every iteration a fresh object.
  std::function<void()> BeforeIteration = nullptr;
};

struct Stats {
  std::string Name;
  int64_t Iterations = 0;       // per sample
  std::vector<double> Samples;  // seconds per iteration
  double Median = 0, Min = 0, Max = 0, Mad = 0;
};

struct Comparison {
  std::string Title;
  Stats Baseline;
  Stats Subject;
  double Ratio = 0;                   // subject median / baseline median
  double RatioMin = 0, RatioMax = 0;  // over paired samples
};

class Runner {
 public:
  Runner(int argc, char** argv);

  // Measures baseline and subject (interleaved) and prints both with the ratio. Returns the
  // result, or an empty comparison when the filter skips it.
  Comparison Compare(const std::string& title, const Body& baseline, const Body& subject);

  // Measures bodies without printing: each calibrated (or under the heavy policy), their samples
  // taken in turn so that drift hits all alike. Samples are empty when the filter skips the title
  // or with --list.
  std::vector<Stats> MeasureTogether(const std::string& title, const std::vector<Body>& bodies);

  // Bytes processed per iteration, to print throughput beside the times (0: none).
  void SetBytesPerIteration(int64_t bytes) { FBytes = bytes; }

  // Prints a short summary; returns the process exit code.
  int Finish();

  [[nodiscard]] int Samples() const { return FSamples; }
  [[nodiscard]] double MinSampleSeconds() const { return FMinSample; }

 private:
  [[nodiscard]] bool Selected(const std::string& title) const;
  int64_t Calibrate(const Body& body) const;
  double TimeSample(const Body& body, int64_t iterations) const;

  void Print(const Comparison& c) const;

  int FSamples = 7;
  double FMinSample = 0.020;
  double FHeavyBudget = 10.0;
  std::string FFilter;
  bool FListOnly = false;
  int64_t FBytes = 0;
  std::vector<Comparison> FResults;
};

// Formats seconds with a unit (ns, us, ms, s).
[[nodiscard]] std::string FormatSeconds(double s);

}  // namespace korv::bench
