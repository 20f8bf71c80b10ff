// The search-quality benchmark: the best score each search strategy has found after 1, 5 and 30
// seconds of wall-clock time, on class-like instances built here from a fixed seed. A class
// column (weight 100) asks to spread former classmates, a town column (50) to spread
// neighbours, and a language column (-50) with one majority language to keep speakers of the
// other languages together; persons are of two types. The mixed instances have five columns
// with positive and negative weights; in the packed one a negative column has six codes, so
// large groups of persons want to be together. The spread instances spread in every column but
// one, with codes too common to spread without conflicts, so their Target Score is positive;
// only threes of friends want to be together. Lower scores are better.
//
//   quorvale_quality [--table=all|strategies|peer|threshold|shapes] [--seed=N] [--cpu]
//       strategies: classic, deep and deep on 2 threads at 1, 5 and 30 s;
//       peer: the deep search against the peer's stand-in (bench/local_maximum_peer.h) at 5, 10
//       and 25 s, on one thread and two; threshold: both strategies at 5 s on smaller classes;
//       shapes: classic, the stand-in and deep at 5 s on random shapes of 1000 and 300 persons
//   quorvale_quality --instance=NAME --strategy=classic|deep|peer --threads=N --seconds=S
//       one run, printing the best score at each panel
//   --cpu: processor time of the process instead of wall-clock time, for comparing one-thread
//       runs on a busy machine
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "app/real_platform.h"
#include "bench/local_maximum_peer.h"
#include "engine/conflict_matrix.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "engine/problem.h"
#include "engine/run_loop.h"

namespace quorvale {
namespace {

struct Instance {
  const char* name;
  int persons;
  int groups;
  // 0 classes, 1 mixed weights, 2 mixed weights with large groups to keep together, 3 mostly
  // spreading weights whose Target Score is positive
  int kind;
  bool in_table;  // false: only with --instance
  bool in_peer_table;
  uint32_t shape_seed = 0;  // kind 4: the seed of a random shape
};

constexpr Instance kInstances[] = {
    {"class-300", 300, 15, 0, true, true},    {"class-1000", 1000, 20, 0, true, true},
    {"mixed-1000", 1000, 20, 1, true, true},  {"spread-1000", 1000, 20, 3, true, true},
    {"packed-1000", 1000, 20, 2, true, true}, {"class-5000", 5000, 20, 0, true, false},
    {"class-100", 100, 5, 0, false, false},   {"class-150", 150, 6, 0, false, false},
    {"class-200", 200, 8, 0, false, false},   {"mixed-300", 300, 15, 1, false, true},
    {"spread-300", 300, 15, 3, false, true},  {"mixed-150", 150, 6, 1, false, false},
    {"spread-150", 150, 6, 3, false, false}};

// Where the deep search starts to pay: both strategies after 5 s on one thread.
constexpr const char* kThresholdInstances[] = {"class-100", "class-150", "mixed-150", "spread-150",
                                               "class-200", "class-300", "mixed-300", "spread-300"};

// Single runs describe a random shape's columns on standard error.
bool g_describe_shapes = false;

// A column's codes: `codes` of them, each person's drawn with weights falling like 1/(rank+2).
std::vector<int> SkewedCodes(std::mt19937& rng, int persons, int codes) {
  std::vector<double> weights;
  for (int c = 0; c < codes; ++c) weights.push_back(1.0 / (c + 2));
  std::discrete_distribution<int> pick(weights.begin(), weights.end());
  std::vector<int> out;
  for (int i = 0; i < persons; ++i) out.push_back(1 + pick(rng));
  return out;
}

Problem BuildInstance(const Instance& instance, uint32_t seed) {
  const int n = instance.persons;
  std::mt19937 rng(seed);
  std::vector<int> weights;
  std::vector<std::vector<int>> columns;
  if (instance.kind == 0) {
    std::vector<int> classes;  // classes of about 25
    for (int i = 0; i < n; ++i) classes.push_back(1 + i * std::max(1, n / 25) / n);
    std::shuffle(classes.begin(), classes.end(), rng);
    std::vector<int> language;  // 70 in 100 speak language 1, the rest one of four others
    for (int i = 0; i < n; ++i) {
      language.push_back(rng() % 100 < 70 ? 1 : 2 + static_cast<int>(rng() % 4));
    }
    weights = {100, 50, -50};
    columns = {classes, SkewedCodes(rng, n, std::max(2, n / 15)), language};
  } else if (instance.kind == 2) {
    weights = {100, 60, -40, 30, -20};
    columns = {SkewedCodes(rng, n, n / 25), SkewedCodes(rng, n, n / 12), SkewedCodes(rng, n, 6),
               SkewedCodes(rng, n, 40), SkewedCodes(rng, n, n / 50)};
  } else if (instance.kind == 4) {
    // A random shape: 3 to 6 columns, weights of -100 to 100 in tens, from 2 codes to a fifth
    // of the persons per column, skewed or even.
    std::mt19937 shape(instance.shape_seed);
    const int column_count = 3 + static_cast<int>(shape() % 4);
    for (int c = 0; c < column_count; ++c) {
      int w = 0;
      while (w == 0) w = 10 * (static_cast<int>(shape() % 21) - 10);
      weights.push_back(w);
      const double top = std::log(std::max(3.0, n / 5.0));
      const int codes =
          std::max(2, static_cast<int>(std::exp(std::log(2.0) +
                                                (top - std::log(2.0)) *
                                                    static_cast<double>(shape() % 1000) / 1000.0)));
      const bool skewed = shape() % 2 == 0;
      if (g_describe_shapes) {
        std::fprintf(stderr, "column %d: weight %d, %d codes, %s\n", c, w, codes,
                     skewed ? "skewed" : "even");
      }
      if (skewed) {
        columns.push_back(SkewedCodes(rng, n, codes));
      } else {
        std::vector<int> even;
        for (int i = 0; i < n; ++i) even.push_back(1 + static_cast<int>(rng() % codes));
        columns.push_back(even);
      }
    }
  } else if (instance.kind == 3) {
    // Spreading nearly everywhere, with codes too common to spread without conflicts, so the
    // Target Score is positive; only threes of friends want to be together.
    std::vector<int> friends;
    for (int i = 0; i < n; ++i) friends.push_back(1 + i / 3);
    std::shuffle(friends.begin(), friends.end(), rng);
    weights = {100, 60, 30, 20, -20};
    columns = {SkewedCodes(rng, n, n / 25), SkewedCodes(rng, n, n / 12), SkewedCodes(rng, n, 40),
               SkewedCodes(rng, n, 8), friends};
  } else {
    // Mostly spreading, so the Target Score is positive, with small clusters to keep together.
    weights = {100, 60, -40, 30, 20};
    columns = {SkewedCodes(rng, n, n / 25), SkewedCodes(rng, n, n / 12),
               SkewedCodes(rng, n, n / 20), SkewedCodes(rng, n, 40), SkewedCodes(rng, n, 8)};
  }
  Parameters params;
  params.PersonCount = n;
  params.ColumnCount = static_cast<int>(columns.size()) + 2;
  params.TypeMode = 1;
  params.GroupCount = instance.groups;
  // A plan long enough that only the clock ends a run.
  params.RunCount = 100000;
  params.StagesPerRun = 4;
  params.FocusCycles = 5;
  params.SpreadCycles = 5;
  Problem p;
  if (!AllocateProblem(params, p).ok()) std::exit(1);
  for (size_t c = 0; c < columns.size(); ++c) {
    const int col = static_cast<int>(c) + 2;
    p.DataTable(0, col) = weights[c];
    for (int i = 1; i <= n; ++i) p.DataTable(i, col) = columns[c][static_cast<size_t>(i - 1)];
  }
  for (int i = 1; i <= n; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = 1 + static_cast<int>(rng() % 2);
  }
  if (!BuildConflictMatrix(p).ok()) std::exit(1);
  DealInitialAssignment(p);
  Engine engine(SupportedKernelLevel());
  SetUpStartValues(p, engine);
  return p;
}

// Processor time of the whole process, for comparing strategies on a machine that others share:
// with one thread, a run gets the same work done whatever else runs.
class ProcessorClock final : public Clock {
 public:
  ProcessorClock() : start_ms_(Now()) {}
  // The processor clock is a system call, dear when a search polls the clock before every scan:
  // it is read again only after a millisecond of wall-clock time. The peer's threads share it.
  int64_t ElapsedMs() override {
    const std::lock_guard<std::mutex> lock(mutex_);
    const int64_t wall = wall_.ElapsedMs();
    if (wall != last_wall_ms_) {
      last_wall_ms_ = wall;
      last_ms_ = Now() - start_ms_;
    }
    return last_ms_;
  }

 private:
  static int64_t Now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
  }
  std::mutex mutex_;
  SteadyClock wall_;
  int64_t start_ms_;
  int64_t last_wall_ms_ = -1;
  int64_t last_ms_ = 0;
};

// The clock runs use: wall-clock time, or processor time with --cpu.
bool g_processor_time = false;

std::unique_ptr<Clock> StartClock() {
  if (g_processor_time) return std::make_unique<ProcessorClock>();
  return std::make_unique<SteadyClock>();
}

class NullSink final : public ResultsSink {
 public:
  Status Write(const Problem&, int32_t, int32_t) override { return Status::Ok(); }
};

// Notes the best score at every panel and stops the search at the time limit.
class Recorder final : public SearchObserver {
 public:
  Recorder(std::atomic<int>& stop, int64_t limit_ms, bool verbose)
      : stop_(stop), limit_ms_(limit_ms), verbose_(verbose) {}
  void PanelDue(const PanelValues& values, int64_t elapsed_ms) override {
    if (elapsed_ms <= limit_ms_) points.push_back({elapsed_ms, values.best, values.cycle});
    if (verbose_ && elapsed_ms >= next_print_ms_) {
      std::printf("%7.2f s  best %10.2f  current %10.2f  cycle %d\n",
                  static_cast<double>(elapsed_ms) / 1000.0,
                  static_cast<double>(values.best) / 100.0,
                  static_cast<double>(values.current) / 100.0, values.cycle);
      std::fflush(stdout);
      next_print_ms_ = elapsed_ms + 500;
    }
    if (elapsed_ms >= limit_ms_) stop_.store(99);
  }
  void InterimSavingOn() override {}
  void SaveFailed(const std::string&) override {}
  void SaveRecovered() override {}
  void Closing(bool) override {}
  // The best score seen at or before `ms`.
  int64_t BestAt(int64_t ms) const {
    int64_t best = points.empty() ? 0 : points.front().best;
    for (const Point& point : points) {
      if (point.ms <= ms) best = point.best;
    }
    return best;
  }
  struct Point {
    int64_t ms;
    int64_t best;
    int32_t cycle;
  };
  std::vector<Point> points;

 private:
  std::atomic<int>& stop_;
  int64_t limit_ms_;
  bool verbose_;
  int64_t next_print_ms_ = 0;
};

struct RunResult {
  int64_t target;
  std::vector<int64_t> best_at;
  int32_t cycles;
};

RunResult RunOnce(const Instance& instance, SearchStrategy strategy, int threads, int seconds,
                  uint32_t seed, const std::vector<int>& checkpoints, bool verbose) {
  Problem p = BuildInstance(instance, 2026);
  Engine engine(SupportedKernelLevel());
  std::atomic<int> stop{0};
  Recorder recorder(stop, int64_t{seconds} * 1000, verbose);
  NullSink sink;
  const std::unique_ptr<Clock> clock = StartClock();  // the matrix and the deal do not count
  SearchEnvironment env{recorder, *clock, sink, engine, seed, &stop};
  env.first_save_ms = INT64_MAX;
  env.strategy = strategy;
  env.threads = threads;
  RunSearch(p, env);
  // The best score must be what a full evaluation of the best grouping gives.
  const int64_t claimed = p.BestScore;
  std::copy(p.BestAssignment.begin(), p.BestAssignment.end(), p.Assignment.begin());
  if (EvaluateAssignment(p, engine) != claimed) {
    std::fprintf(stderr, "%s: best score %lld is not its grouping's %lld\n", instance.name,
                 static_cast<long long>(claimed), static_cast<long long>(p.CurrentScore));
    std::exit(1);
  }
  RunResult result{p.TargetScore, {}, recorder.points.empty() ? 0 : recorder.points.back().cycle};
  for (const int s : checkpoints) result.best_at.push_back(recorder.BestAt(int64_t{s} * 1000));
  result.best_at.back() = std::min(result.best_at.back(), p.BestScore);
  return result;
}

// The peer's stand-in on the same instance, from the same dealt grouping's sizes and types.
RunResult RunPeer(const Instance& instance, int threads, int seconds, uint32_t seed,
                  const std::vector<int>& checkpoints) {
  Problem p = BuildInstance(instance, 2026);
  const std::unique_ptr<Clock> clock = StartClock();
  const bench::PeerRun run =
      bench::RunLocalMaximumPeer(p, *clock, seed, int64_t{seconds} * 1000, threads);
  // Its best score too must be its grouping's, with the same group sizes and types.
  std::vector<std::vector<int32_t>> dealt_counts(static_cast<size_t>(p.GroupCount()) + 1,
                                                 std::vector<int32_t>(3, 0));
  std::vector<std::vector<int32_t>> best_counts = dealt_counts;
  for (int32_t r = 1; r <= p.PersonCount(); ++r) {
    const size_t type = static_cast<size_t>(std::clamp(p.Type(r), 0, 2));
    ++dealt_counts[static_cast<size_t>(p.Assignment[static_cast<size_t>(r)])][type];
    ++best_counts[static_cast<size_t>(run.best_grouping[static_cast<size_t>(r)])][type];
  }
  p.Assignment = run.best_grouping;
  if (dealt_counts != best_counts ||
      EvaluateAssignment(p, Engine(SupportedKernelLevel())) != run.points.back().best) {
    std::fprintf(stderr, "%s: the peer's best score is not its grouping's\n", instance.name);
    std::exit(1);
  }
  RunResult result{p.TargetScore, {}, static_cast<int32_t>(run.repetitions)};
  for (const int s : checkpoints) result.best_at.push_back(run.BestAt(int64_t{s} * 1000));
  return result;
}

// Scores as "results.txt" holds them: hundredths of a point.
std::string Points(int64_t hundredths) { return std::to_string(hundredths); }

void PrintStrategyTable(uint32_t seed) {
  const std::vector<int> checkpoints = {1, 5, 30};
  std::printf(
      "| instance | Target Score | strategy | best at 1 s | 5 s | 30 s | cycles in 30 s |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  struct Variant {
    const char* name;
    SearchStrategy strategy;
    int threads;
  };
  const Variant variants[] = {{"classic", SearchStrategy::kClassic, 1},
                              {"deep, 1 thread", SearchStrategy::kDeep, 1},
                              {"deep, 2 threads", SearchStrategy::kDeep, 2}};
  for (const Instance& instance : kInstances) {
    if (!instance.in_table) continue;
    for (const Variant& variant : variants) {
      const RunResult r =
          RunOnce(instance, variant.strategy, variant.threads, 30, seed, checkpoints, false);
      std::printf("| %s | %s | %s | %s | %s | %s | %d |\n", instance.name, Points(r.target).c_str(),
                  variant.name, Points(r.best_at[0]).c_str(), Points(r.best_at[1]).c_str(),
                  Points(r.best_at[2]).c_str(), r.cycles);
      std::fflush(stdout);
    }
  }
}

// Random shapes (kind 4), eight of 1000 persons in 20 groups and eight of 300 in 15: the classic
// search, the peer's stand-in and the deep search on one thread for 5 s each.
void PrintShapeTable(uint32_t seed) {
  std::printf(
      "\n| instance | Target Score | classic at 5 s | peer stand-in at 5 s | deep at 5 s |\n"
      "|---|---|---|---|---|\n");
  for (const auto& [persons, groups] : {std::pair{1000, 20}, std::pair{300, 15}}) {
    for (uint32_t shape = 1; shape <= 8; ++shape) {
      const std::string name = "shape-" + std::to_string(shape) + "-" + std::to_string(persons) +
                               "-" + std::to_string(groups);
      const Instance instance{name.c_str(), persons, groups, 4, false, false, shape};
      const RunResult classic = RunOnce(instance, SearchStrategy::kClassic, 1, 5, seed, {5}, false);
      const RunResult peer = RunPeer(instance, 1, 5, seed, {5});
      const RunResult deep = RunOnce(instance, SearchStrategy::kDeep, 1, 5, seed, {5}, false);
      std::printf("| %s | %s | %s | %s | %s |\n", name.c_str(), Points(classic.target).c_str(),
                  Points(classic.best_at[0]).c_str(), Points(peer.best_at[0]).c_str(),
                  Points(deep.best_at[0]).c_str());
      std::fflush(stdout);
    }
  }
}

void PrintThresholdTable(uint32_t seed) {
  std::printf("\n| instance | Target Score | classic at 5 s | deep at 5 s |\n|---|---|---|---|\n");
  for (const char* name : kThresholdInstances) {
    for (const Instance& instance : kInstances) {
      if (std::strcmp(name, instance.name) != 0) continue;
      const RunResult classic = RunOnce(instance, SearchStrategy::kClassic, 1, 5, seed, {5}, false);
      const RunResult deep = RunOnce(instance, SearchStrategy::kDeep, 1, 5, seed, {5}, false);
      std::printf("| %s | %s | %s | %s |\n", name, Points(classic.target).c_str(),
                  Points(classic.best_at[0]).c_str(), Points(deep.best_at[0]).c_str());
      std::fflush(stdout);
    }
  }
}

// The deep search against the peer's stand-in at 5, 10 and 25 s, each on one and two threads.
void PrintPeerTable(uint32_t seed) {
  const std::vector<int> checkpoints = {5, 10, 25};
  std::printf(
      "\n| instance | Target Score | search | best at 5 s | 10 s | 25 s | rounds or "
      "repetitions in 25 s |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  for (const Instance& instance : kInstances) {
    if (!instance.in_peer_table) continue;
    for (const int threads : {1, 2}) {
      const char* thread_name = threads == 1 ? "1 thread" : "2 threads";
      const RunResult peer = RunPeer(instance, threads, 25, seed, checkpoints);
      std::printf("| %s | %s | peer stand-in, %s | %s | %s | %s | %d |\n", instance.name,
                  Points(peer.target).c_str(), thread_name, Points(peer.best_at[0]).c_str(),
                  Points(peer.best_at[1]).c_str(), Points(peer.best_at[2]).c_str(), peer.cycles);
      std::fflush(stdout);
      const RunResult deep =
          RunOnce(instance, SearchStrategy::kDeep, threads, 25, seed, checkpoints, false);
      std::printf("| %s | %s | deep, %s | %s | %s | %s | %d |\n", instance.name,
                  Points(deep.target).c_str(), thread_name, Points(deep.best_at[0]).c_str(),
                  Points(deep.best_at[1]).c_str(), Points(deep.best_at[2]).c_str(), deep.cycles);
      std::fflush(stdout);
    }
  }
}

int Main(int argc, char** argv) {
  std::string only;
  std::string strategy_name = "deep";
  int threads = 1;
  int seconds = 30;
  uint32_t seed = 1;
  std::string table = "all";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](const char* key) -> const char* {
      return arg.rfind(key, 0) == 0 ? argv[i] + std::strlen(key) : nullptr;
    };
    if (const char* v = value("--instance=")) {
      only = v;
    } else if (const char* s = value("--strategy=")) {
      strategy_name = s;
    } else if (const char* t = value("--threads=")) {
      threads = std::atoi(t);
    } else if (const char* sec = value("--seconds=")) {
      seconds = std::atoi(sec);
    } else if (const char* sd = value("--seed=")) {
      seed = static_cast<uint32_t>(std::strtoul(sd, nullptr, 10));
    } else if (arg == "--cpu") {
      g_processor_time = true;
    } else if (const char* tb = value("--table=")) {
      table = tb;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--table=all|strategies|peer|threshold|shapes] [--seed=N] [--cpu]\n"
                   "       %s --instance=NAME --strategy=classic|deep|peer --threads=N "
                   "--seconds=S [--seed=N] [--cpu]\n",
                   argv[0], argv[0]);
      return 2;
    }
  }
  if (!only.empty()) {
    // shape-S-N-G: a random shape (kind 4) of seed S with N persons in G groups.
    std::vector<Instance> instances(std::begin(kInstances), std::end(kInstances));
    unsigned shape_seed = 0;
    int shape_n = 0;
    int shape_g = 0;
    if (std::sscanf(only.c_str(), "shape-%u-%d-%d", &shape_seed, &shape_n, &shape_g) == 3) {
      g_describe_shapes = true;
      instances.push_back({only.c_str(), shape_n, shape_g, 4, false, false, shape_seed});
    }
    for (const Instance& instance : instances) {
      if (only != instance.name) continue;
      if (strategy_name == "peer") {
        const RunResult r = RunPeer(instance, threads, seconds, seed, {seconds});
        std::printf("%s peer threads %d: target %s, best %s after %d s, %d repetitions\n",
                    instance.name, threads, Points(r.target).c_str(),
                    Points(r.best_at.back()).c_str(), seconds, r.cycles);
        return 0;
      }
      const SearchStrategy strategy =
          strategy_name == "classic" ? SearchStrategy::kClassic : SearchStrategy::kDeep;
      const RunResult r = RunOnce(instance, strategy, threads, seconds, seed, {seconds}, true);
      std::printf("%s %s threads %d: target %s, best %s after %d s, %d cycles\n", instance.name,
                  strategy_name.c_str(), threads, Points(r.target).c_str(),
                  Points(r.best_at.back()).c_str(), seconds, r.cycles);
      return 0;
    }
    std::fprintf(stderr, "no instance %s\n", only.c_str());
    return 2;
  }
  if (table == "all" || table == "strategies") PrintStrategyTable(seed);
  if (table == "all" || table == "peer") PrintPeerTable(seed);
  if (table == "all" || table == "threshold") PrintThresholdTable(seed);
  if (table == "all" || table == "shapes") PrintShapeTable(seed);
  return 0;
}

}  // namespace
}  // namespace quorvale

int main(int argc, char** argv) { return quorvale::Main(argc, argv); }
