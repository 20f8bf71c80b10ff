// The engine benchmark: builds its own instances and measures, for the straightforward engine and
// the fast one side by side, the start-up (matrix, deal and first evaluation) with its peak
// memory, a full scan of the swap descent that finds no exchange, one
// EvaluateAssignment, and the scrambler cycles per second of a short fixed-seed search; beside
// them the time a plain streaming read of the matrix's upper triangle takes, as the physical
// yardstick for the scan.
//
//   quorvale_bench                  start-up at N = 5000, 20000 and 50000; the rest at N = 200,
//                                   1000, 5000 and 20000, G = 10 and 50 (a minute or two)
//   quorvale_bench --quick          start-up at N = 1000 and 5000, the rest up to N = 1000
//   quorvale_bench --level=avx2     the fast engine's AVX2 (or portable) kernels instead of the
//                                   best this processor has
//   quorvale_bench --whole          only the whole searches at N = 1500 and 3000 (half a minute)
// GCC 12's AVX-512 headers start some intrinsics from a deliberately undefined vector, which its
// own uninitialised-use warnings then report; nothing here reads an undefined lane.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <fcntl.h>
#include <immintrin.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/real_platform.h"
#include "app/screen_observer.h"
#include "base/clock.h"
#include "console/console.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "console/status_panel.h"
#include "console/terminal.h"
#include "engine/conflict_matrix.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "engine/plain_engine.h"
#include "engine/plain_matrix.h"
#include "engine/problem.h"
#include "engine/run_loop.h"
#include "engine/swap_descent.h"
#include "report/results_file.h"

namespace quorvale {
namespace {

using SteadyTime = std::chrono::steady_clock;

double SecondsSince(SteadyTime::time_point start) {
  return std::chrono::duration<double>(SteadyTime::now() - start).count();
}

// Processor seconds of this process: on a machine shared with other work, fairer than the
// wall clock for a comparison of two runs made one after the other.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Runs `step` at least `min_runs` times and until `min_seconds` have passed; the median time.
double MedianSeconds(const std::function<void()>& step, int min_runs, double min_seconds) {
  std::vector<double> times;
  const auto begin = SteadyTime::now();
  while (static_cast<int>(times.size()) < min_runs || SecondsSince(begin) < min_seconds) {
    const auto start = SteadyTime::now();
    step();
    times.push_back(SecondsSince(start));
    if (times.size() >= 1000) break;
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Four attribute columns, two with positive and one with a negative weight besides a small one;
// a third of the persons are of type 2. The tables are allocated and the data filled in.
Problem InstanceData(int n, int g, uint32_t seed) {
  Parameters params;
  params.PersonCount = n;
  params.ColumnCount = 6;
  params.TypeMode = 1;
  params.GroupCount = g;
  params.RunCount = 1;
  params.StagesPerRun = 1;
  params.FocusCycles = 2;
  params.SpreadCycles = 1;
  Problem p;
  if (!AllocateProblem(params, p).ok()) {
    std::fprintf(stderr, "cannot allocate the tables for N = %d\n", n);
    std::exit(1);
  }
  std::mt19937 rng(seed);
  const int weights[4] = {300, -200, 150, 100};
  const int codes[4] = {g, n / 20 + 1, 7, 40};
  for (int c = 0; c < 4; ++c) {
    p.DataTable(0, c + 2) = weights[c];
    for (int i = 1; i <= n; ++i) p.DataTable(i, c + 2) = 1 + static_cast<int>(rng() % codes[c]);
  }
  for (int i = 1; i <= n; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = rng() % 3 == 0 ? 2 : 1;
  }
  return p;
}

// The instance with its matrix built, dealt and evaluated.
Problem BuildInstance(int n, int g, uint32_t seed) {
  Problem p = InstanceData(n, g, seed);
  if (!BuildConflictMatrix(p).ok()) {
    std::fprintf(stderr, "cannot build the matrix for N = %d\n", n);
    std::exit(1);
  }
  DealInitialAssignment(p);
  Engine engine(KernelLevel::kPlain);
  SetUpStartValues(p, engine);
  return p;
}

struct StartupMeasure {
  double seconds = -1;
  double peak_mib = -1;
  int64_t non_zero_pairs = 0;
  int64_t score = 0;
};

// The start-up of a run in a child process of its own, so that its peak memory is its own: the
// matrix build, the deal and the first evaluation with the density. With `level` kPlain, the
// straightforward engine: the matrix column by column, then the count of the non-zero pairs.
StartupMeasure MeasureStartup(int n, int g, KernelLevel level) {
  int channel[2];
  if (pipe(channel) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (child == 0) {
    close(channel[0]);
    Problem p = InstanceData(n, g, static_cast<uint32_t>(n * 100 + g));
    StartupMeasure m;
    const auto start = SteadyTime::now();
    Engine engine(level);
    if (level == KernelLevel::kPlain) {
      p.BaseGroupSize = n / g;
      p.LargeGroupCount = n % g;
      m.non_zero_pairs = PlainBuildMatrix(p);
      DealInitialAssignment(p);
      m.score = PlainEvaluateAssignment(p);
    } else {
      if (!BuildConflictMatrix(p, level).ok()) _exit(1);
      DealInitialAssignment(p);
      SetUpStartValues(p, engine);
      m.non_zero_pairs = p.NonZeroPairs;
      m.score = p.CurrentScore;
    }
    m.seconds = SecondsSince(start);
    const bool written = write(channel[1], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
    _exit(written ? 0 : 1);
  }
  close(channel[1]);
  StartupMeasure m;
  const bool read_all = read(channel[0], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
  close(channel[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!read_all || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the start-up at N = %d failed\n", n);
    std::exit(1);
  }
  m.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return m;
}

// The streaming read: every upper-triangle entry of every row, as the scan meets them, with the
// same software prefetch as the engine's kernels so that it shows what the memory can deliver.
constexpr int kReadAhead = 1024;

__attribute__((target("avx512f,avx512bw"))) int64_t SumUpperAvx512(const Problem& p) {
  const int n = p.PersonCount();
  const __m512i ones = _mm512_set1_epi16(1);
  __m512i total = _mm512_setzero_si512();
  for (int k = 1; k < n; ++k) {
    const int16_t* row = p.ConflictMatrix.Row(k);
    __m512i sum = _mm512_setzero_si512();
    for (int j = k + 1; j <= n; j += 32) {
      const int left = n - j + 1;
      const __mmask32 valid = left >= 32 ? ~__mmask32{0} : (__mmask32{1} << left) - 1;
      _mm_prefetch(reinterpret_cast<const char*>(row + j + kReadAhead), _MM_HINT_T0);
      sum =
          _mm512_add_epi32(sum, _mm512_madd_epi16(_mm512_maskz_loadu_epi16(valid, row + j), ones));
    }
    total = _mm512_add_epi64(total, _mm512_cvtepi32_epi64(_mm512_castsi512_si256(sum)));
    total = _mm512_add_epi64(total, _mm512_cvtepi32_epi64(_mm512_extracti64x4_epi64(sum, 1)));
  }
  return _mm512_reduce_add_epi64(total);
}

__attribute__((target("avx2"))) int64_t SumUpperAvx2(const Problem& p) {
  const int n = p.PersonCount();
  const __m256i ones = _mm256_set1_epi16(1);
  int64_t total = 0;
  for (int k = 1; k < n; ++k) {
    const int16_t* row = p.ConflictMatrix.Row(k);
    __m256i sum = _mm256_setzero_si256();
    int j = k + 1;
    for (; j + 16 <= n + 1; j += 16) {
      _mm_prefetch(reinterpret_cast<const char*>(row + j + kReadAhead), _MM_HINT_T0);
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + j));
      sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v, ones));
    }
    alignas(32) int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sum);
    for (const int32_t v : lanes) total += v;
    for (; j <= n; ++j) total += row[j];
  }
  return total;
}

int64_t SumUpperPortable(const Problem& p) {
  const int n = p.PersonCount();
  int64_t total = 0;
  for (int k = 1; k < n; ++k) {
    const int16_t* row = p.ConflictMatrix.Row(k);
    for (int j = k + 1; j <= n; ++j) total += row[j];
  }
  return total;
}

int64_t SumUpper(const Problem& p) {
  switch (SupportedKernelLevel()) {
    case KernelLevel::kAvx512:
      return SumUpperAvx512(p);
    case KernelLevel::kAvx2:
      return SumUpperAvx2(p);
    case KernelLevel::kPortable:
    case KernelLevel::kPlain:
      break;
  }
  return SumUpperPortable(p);
}

// The program's clock, counting its readings.
// The program's own clock, counting its readings.
class CountingClock final : public Clock {
 public:
  int64_t ElapsedMs() override {
    ++readings_;
    return clock_.ElapsedMs();
  }
  int64_t readings() const { return readings_; }

 private:
  SteadyClock clock_;
  int64_t readings_ = 0;
};

// The program's terminal console, aimed at /dev/null, counting its flushes (one per drawing).
class CountingConsole final : public Console {
 public:
  explicit CountingConsole(int fd) : terminal_(fd) {}
  void SetWindowSize(int columns, int rows) override { terminal_.SetWindowSize(columns, rows); }
  void SetCursor(int column, int row) override { terminal_.SetCursor(column, row); }
  void SetAttribute(uint8_t attribute) override { terminal_.SetAttribute(attribute); }
  void SetCursorVisible(bool visible) override { terminal_.SetCursorVisible(visible); }
  void SetTitle(std::string_view title) override { terminal_.SetTitle(title); }
  void Write(std::string_view text) override { terminal_.Write(text); }
  void Flush() override {
    ++flushes_;
    terminal_.Flush();
  }
  int64_t flushes() const { return flushes_; }

 private:
  TerminalConsole terminal_;
  int64_t flushes_ = 0;
};

class NullSink final : public ResultsSink {
 public:
  Status Write(const Problem&, int32_t, int32_t) override { return Status::Ok(); }
};

struct SearchMeasure {
  double seconds = 0;
  int32_t cycles = 0;
  int64_t readings = 0;
  int64_t drawings = 0;
  int64_t best = 0;
};

// A search of `runs` runs of one stage of two focus cycles and one spread cycle, from the dealt
// grouping.
SearchMeasure TimeSearch(Problem& p, const std::vector<int32_t>& dealt, int runs, KernelLevel level,
                         int null_fd) {
  Engine engine(level);
  p.params.RunCount = runs;
  p.Assignment = dealt;
  SetUpStartValues(p, engine);
  CountingClock clock;
  CountingConsole console(null_fd);
  SearchScreen screen(console);
  ScreenObserver observer(screen);
  NullSink sink;
  SearchEnvironment env{observer, clock, sink, engine, 12345u, nullptr};
  const auto start = SteadyTime::now();
  const SearchOutcome outcome = RunSearch(p, env);
  SearchMeasure m;
  m.seconds = SecondsSince(start);
  m.cycles = outcome.CycleNumber;
  m.readings = clock.readings();
  m.drawings = console.flushes();
  m.best = p.BestScore;
  return m;
}

// The whole search as the program runs it: the matrix, the deal, the first evaluation, a plan of
// two runs of one stage of six focus and four spread cycles with both types, and the saving of
// "results.txt" in `folder`, in processor seconds. The straightforward side builds its matrix
// column by column (timed on a copy of the data) and computes with the plain engine.
struct WholeMeasure {
  double seconds = 0;
  int64_t best = 0;
  std::vector<int32_t> assignment;
  std::string results;
};

std::string FileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

WholeMeasure WholeSearch(int n, int g, KernelLevel level, int null_fd, const std::string& folder) {
  const uint32_t seed = static_cast<uint32_t>(n * 100 + g);
  Problem p = InstanceData(n, g, seed);
  p.params.RunCount = 2;
  p.params.StagesPerRun = 1;
  p.params.FocusCycles = 6;
  p.params.SpreadCycles = 4;
  double build_seconds = 0;
  if (level == KernelLevel::kPlain) {
    Problem copy = InstanceData(n, g, seed);
    const double start = CpuSeconds();
    PlainBuildMatrix(copy);
    build_seconds = CpuSeconds() - start;
    // The same matrix, with the Target Score the search needs, untimed.
    if (!BuildConflictMatrix(p, KernelLevel::kPlain).ok() ||
        std::memcmp(copy.ConflictMatrix.data(), p.ConflictMatrix.data(),
                    p.ConflictMatrix.size() * sizeof(int16_t)) != 0) {
      std::fprintf(stderr, "the matrix builds disagree at N = %d\n", n);
      std::exit(1);
    }
  }
  const std::string path = folder + "/results.txt";
  std::remove(path.c_str());
  const double start = CpuSeconds();
  if (level != KernelLevel::kPlain && !BuildConflictMatrix(p, level).ok()) std::exit(1);
  Engine engine(level);
  DealInitialAssignment(p);
  SetUpStartValues(p, engine);
  SteadyClock clock;
  CountingConsole console(null_fd);
  SearchScreen screen(console);
  ScreenObserver observer(screen);
  ResultsFile results(path);
  SearchEnvironment env{observer, clock, results, engine, 12345u, nullptr};
  const SearchOutcome outcome = RunSearch(p, env);
  WholeMeasure m;
  m.seconds = build_seconds + CpuSeconds() - start;
  if (!outcome.saved) {
    std::fprintf(stderr, "the whole search at N = %d could not save\n", n);
    std::exit(1);
  }
  m.best = p.BestScore;
  m.assignment = p.BestAssignment;
  m.results = FileContents(path);
  return m;
}

struct WholeRow {
  int n = 0;
  int g = 0;
  double ref_seconds = 0;
  double fast_seconds = 0;
  int64_t best = 0;
};

// The whole searches at N = 1500 and 3000; exits when the two engines' results differ in a byte.
std::vector<WholeRow> MeasureWholeSearches(KernelLevel level, int null_fd) {
  char folder_template[] = "/tmp/quorvale-bench-XXXXXX";
  const char* folder = mkdtemp(folder_template);
  if (folder == nullptr) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  std::vector<WholeRow> rows;
  for (const int n : {1500, 3000}) {
    // Few large groups, many small ones, and groups of 25 as classes have them.
    for (const int g : {10, 50, n / 25}) {
      std::fprintf(stderr, "N = %d, G = %d: whole search...\n", n, g);
      // The short searches run three times each, alternately, and count by their medians.
      const int repeats = n <= 1500 ? 3 : 1;
      std::vector<double> fast_seconds;
      std::vector<double> ref_seconds;
      int64_t best = 0;
      for (int repeat = 0; repeat < repeats; ++repeat) {
        const WholeMeasure fast = WholeSearch(n, g, level, null_fd, folder);
        const WholeMeasure ref = WholeSearch(n, g, KernelLevel::kPlain, null_fd, folder);
        if (ref.best != fast.best || ref.assignment != fast.assignment ||
            ref.results != fast.results) {
          std::fprintf(stderr, "the whole searches disagree at N = %d, G = %d\n", n, g);
          std::exit(1);
        }
        fast_seconds.push_back(fast.seconds);
        ref_seconds.push_back(ref.seconds);
        best = fast.best;
      }
      std::sort(fast_seconds.begin(), fast_seconds.end());
      std::sort(ref_seconds.begin(), ref_seconds.end());
      rows.push_back(
          {n, g, ref_seconds[ref_seconds.size() / 2], fast_seconds[fast_seconds.size() / 2], best});
    }
  }
  std::remove((std::string(folder) + "/results.txt").c_str());
  rmdir(folder);
  return rows;
}

// Seconds per clock reading and per panel drawing on the program's terminal console.
void PanelCosts(int null_fd, double& per_reading, double& per_drawing) {
  CountingClock clock;
  int64_t sink = 0;
  constexpr int kReadings = 2000000;
  auto start = SteadyTime::now();
  for (int i = 0; i < kReadings; ++i) sink += clock.ElapsedMs();
  per_reading = SecondsSince(start) / kReadings;
  CountingConsole console(null_fd);
  DrawStatusPanel(console, PanelValues{}, 0);
  constexpr int kDrawings = 3000;
  start = SteadyTime::now();
  for (int i = 0; i < kDrawings; ++i) {
    const PanelValues values{1000000 + i * 37, 5000.0f, 900000 - i, i, kDrawings};
    DrawStatusPanel(console, values, i * 41 + sink % 2);
  }
  per_drawing = SecondsSince(start) / kDrawings;
}

struct Row {
  int n = 0;
  int g = 0;
  double stream_ms = 0;
  double scan_ref_ns = -1;
  double scan_fast_ns = 0;
  double eval_ref_us = -1;
  double eval_fast_us = 0;
  double cycles_ref = -1;
  double cycles_fast = 0;
  double panel_percent = 0;
  int cycles_planned = 0;
};

std::string Cell(double v, const char* format) {
  if (v < 0) return "skipped";
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

std::string Ratio(double slow, double fast) {
  if (slow < 0 || fast <= 0) return "-";
  return Cell(slow / fast, "%.1fx");
}

std::string ProcessorName() {
  std::ifstream info("/proc/cpuinfo");
  std::string line;
  while (std::getline(info, line)) {
    if (line.rfind("model name", 0) == 0) {
      const size_t colon = line.find(':');
      if (colon != std::string::npos) return line.substr(colon + 2);
    }
  }
  return "unknown";
}

int Main(int argc, char** argv) {
  bool quick = false;
  bool whole_only = false;
  KernelLevel level = SupportedKernelLevel();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else if (std::strcmp(argv[i], "--whole") == 0) {
      whole_only = true;
    } else if (std::strcmp(argv[i], "--level=avx2") == 0) {
      level = std::min(level, KernelLevel::kAvx2);
    } else if (std::strcmp(argv[i], "--level=portable") == 0) {
      level = KernelLevel::kPortable;
    } else {
      std::fprintf(stderr, "usage: %s [--quick|--whole] [--level=avx2|--level=portable]\n",
                   argv[0]);
      return 2;
    }
  }
  const int null_fd = open("/dev/null", O_WRONLY);
  if (null_fd < 0) {
    std::perror("/dev/null");
    return 1;
  }
  const double min_seconds = quick ? 0.05 : 0.3;
  std::vector<int> sizes = {200, 1000};
  if (!quick) {
    sizes.push_back(5000);
    sizes.push_back(20000);
  }
  // Beyond this the straightforward engine's search would take minutes; its scan and
  // evaluation are still measured.
  constexpr int kReferenceSearchLimit = 5000;
  double per_reading = 0;
  double per_drawing = 0;
  PanelCosts(null_fd, per_reading, per_drawing);

  const auto run_start = SteadyTime::now();
  const std::vector<WholeRow> wholes =
      quick ? std::vector<WholeRow>{} : MeasureWholeSearches(level, null_fd);
  if (whole_only) sizes.clear();
  struct StartupRow {
    int n;
    StartupMeasure ref;
    StartupMeasure fast;
  };
  std::vector<StartupRow> startups;
  // Beyond this the straightforward build takes minutes.
  constexpr int kReferenceStartupLimit = 20000;
  std::vector<int> startup_sizes =
      quick ? std::vector<int>{1000, 5000} : std::vector<int>{5000, 20000, 50000};
  if (whole_only) startup_sizes.clear();
  for (const int n : startup_sizes) {
    std::fprintf(stderr, "N = %d: start-up...\n", n);
    StartupRow row{n, {}, MeasureStartup(n, 10, level)};
    if (n <= kReferenceStartupLimit) {
      row.ref = MeasureStartup(n, 10, KernelLevel::kPlain);
      if (row.ref.non_zero_pairs != row.fast.non_zero_pairs || row.ref.score != row.fast.score) {
        std::fprintf(stderr, "the start-ups disagree at N = %d\n", n);
        return 1;
      }
    }
    startups.push_back(row);
  }
  std::vector<Row> rows;
  for (const int n : sizes) {
    for (const int g : {10, 50}) {
      Row row;
      row.n = n;
      row.g = g;
      std::fprintf(stderr, "N = %d, G = %d: building...\n", n, g);
      Problem p = BuildInstance(n, g, static_cast<uint32_t>(n * 100 + g));
      const std::vector<int32_t> dealt = p.Assignment;
      const double pairs = static_cast<double>(n) * (n - 1) / 2;

      volatile int64_t sink = 0;
      row.stream_ms = 1e3 * MedianSeconds([&] { sink = sink + SumUpper(p); }, 5, min_seconds);

      // A local minimum first; then every descent is one full scan without an exchange.
      Engine engine(level);
      SwapDescent(p, engine, nullptr);
      row.scan_fast_ns =
          1e9 / pairs * MedianSeconds([&] { SwapDescent(p, engine, nullptr); }, 5, min_seconds);
      row.scan_ref_ns =
          1e9 / pairs *
          MedianSeconds([&] { PlainSwapDescent(p, nullptr); }, n >= 20000 ? 1 : 3, min_seconds);
      row.eval_fast_us =
          1e6 * MedianSeconds([&] { EvaluateAssignment(p, engine); }, 5, min_seconds);
      row.eval_ref_us =
          1e6 * MedianSeconds([&] { PlainEvaluateAssignment(p); }, n >= 20000 ? 1 : 3, min_seconds);

      std::fprintf(stderr, "N = %d, G = %d: searching...\n", n, g);
      // Small instances search longer, so that the time is not too short to measure.
      const int runs = n <= 200 ? 20 : n <= 1000 ? 4 : 1;
      row.cycles_planned = 3 * runs;
      const SearchMeasure fast = TimeSearch(p, dealt, runs, level, null_fd);
      row.cycles_fast = fast.cycles / fast.seconds;
      row.panel_percent = 100.0 *
                          (static_cast<double>(fast.readings) * per_reading +
                           static_cast<double>(fast.drawings) * per_drawing) /
                          fast.seconds;
      if (n <= kReferenceSearchLimit) {
        const SearchMeasure ref = TimeSearch(p, dealt, runs, KernelLevel::kPlain, null_fd);
        row.cycles_ref = ref.cycles / ref.seconds;
        if (ref.best != fast.best) {
          std::fprintf(stderr, "the engines disagree: best %lld against %lld\n",
                       static_cast<long long>(ref.best), static_cast<long long>(fast.best));
          return 1;
        }
      }
      rows.push_back(row);
    }
  }
  const double total_seconds = SecondsSince(run_start);

  char date[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&now));
  std::printf("# Engine benchmark\n\n- Date: %s\n- Processor: %s\n- Fast engine level: %s\n", date,
              ProcessorName().c_str(), KernelLevelName(level));
  std::printf("- Clock reading %.1f ns, panel drawing %.1f us (terminal console to /dev/null)\n\n",
              per_reading * 1e9, per_drawing * 1e6);

  if (!whole_only) {
    std::printf(
        "Start-up (the matrix, the deal and the first evaluation with the density), G = 10, each "
        "in a\nprocess of its own; peak memory is the process's largest resident size:\n\n"
        "| N | reference s | reference peak MiB | fast s | fast peak MiB | speed-up |\n"
        "|---|---|---|---|---|---|\n");
    for (const StartupRow& r : startups) {
      std::printf("| %d | %s | %s | %s | %s | %s |\n", r.n, Cell(r.ref.seconds, "%.3f").c_str(),
                  Cell(r.ref.peak_mib, "%.0f").c_str(), Cell(r.fast.seconds, "%.3f").c_str(),
                  Cell(r.fast.peak_mib, "%.0f").c_str(),
                  Ratio(r.ref.seconds, r.fast.seconds).c_str());
    }
    std::printf("\n");
    std::printf(
        "Full scan without an exchange (ns per pair), and a streaming read of the same\n"
        "upper-triangle bytes:\n\n");
    std::printf(
        "| N | G | stream read ms | stream ns/pair | reference ns/pair | fast ns/pair | "
        "speed-up | fast / stream |\n|---|---|---|---|---|---|---|---|\n");
    for (const Row& r : rows) {
      const double stream_ns = r.stream_ms * 1e6 / (static_cast<double>(r.n) * (r.n - 1) / 2);
      std::printf("| %d | %d | %s | %s | %s | %s | %s | %s |\n", r.n, r.g,
                  Cell(r.stream_ms, "%.3f").c_str(), Cell(stream_ns, "%.4f").c_str(),
                  Cell(r.scan_ref_ns, "%.3f").c_str(), Cell(r.scan_fast_ns, "%.4f").c_str(),
                  Ratio(r.scan_ref_ns, r.scan_fast_ns).c_str(),
                  Cell(r.scan_fast_ns / stream_ns, "%.2f").c_str());
    }
    std::printf(
        "\nEvaluateAssignment (microseconds per call):\n\n| N | G | reference | fast | speed-up |\n"
        "|---|---|---|---|---|\n");
    for (const Row& r : rows) {
      std::printf("| %d | %d | %s | %s | %s |\n", r.n, r.g, Cell(r.eval_ref_us, "%.1f").c_str(),
                  Cell(r.eval_fast_us, "%.1f").c_str(),
                  Ratio(r.eval_ref_us, r.eval_fast_us).c_str());
    }
    std::printf(
        "\nSearch with seed 12345 from the dealt grouping, runs of one stage of two focus cycles "
        "and one\nspread cycle (the first cycle of a run scrambles every person), two types: "
        "cycles per second;\nclock readings and panel drawings as a share of the fast search's "
        "time:\n\n| N | G | cycles | reference | fast | speed-up | clock + panel |\n"
        "|---|---|---|---|---|---|---|\n");
    for (const Row& r : rows) {
      std::printf("| %d | %d | %d | %s | %s | %s | %s |\n", r.n, r.g, r.cycles_planned,
                  Cell(r.cycles_ref, "%.2f").c_str(), Cell(r.cycles_fast, "%.2f").c_str(),
                  Ratio(r.cycles_fast, r.cycles_ref).c_str(),
                  Cell(r.panel_percent, "%.2f%%").c_str());
    }
  }
  if (!wholes.empty()) {
    std::printf(
        "\nWhole search, as the program runs it (the matrix, the deal, the first evaluation, two "
        "runs of one\nstage of six focus and four spread cycles, seed 12345, and the saving of "
        "\"results.txt\"), in\nprocessor seconds (at N = 1500 the median of three runs); the "
        "two engines' results files\nare identical byte for byte:\n\n"
        "| N | G | best score | reference s | fast s | speed-up |\n|---|---|---|---|---|---|\n");
    for (const WholeRow& r : wholes) {
      std::printf("| %d | %d | %lld | %.3f | %.3f | %s |\n", r.n, r.g,
                  static_cast<long long>(r.best), r.ref_seconds, r.fast_seconds,
                  Ratio(r.ref_seconds, r.fast_seconds).c_str());
    }
  }
  if (!quick && !whole_only) {
    std::printf(
        "\nThe reference search is skipped above N = %d and its start-up above N = %d, where "
        "they would\ntake minutes.\n",
        kReferenceSearchLimit, kReferenceStartupLimit);
  }
  std::printf("\nMeasured in %.0f s.\n", total_seconds);
  close(null_fd);
  return 0;
}

}  // namespace
}  // namespace quorvale

int main(int argc, char** argv) { return quorvale::Main(argc, argv); }
