// The search-quality benchmark: the best score each search reaches in a given time on the
// instances of bench/quality_instances.h, over several seeds, against stand-ins for the peer's
// two methods (bench/local_maximum_peer.h, bench/three_phase_peer.h). Lower scores are better.
//
//   quorvale_quality [--table=NAME] [--seeds=N] [--cpu]
//       strategies: classic and deep on one thread at 1, 5 and 30 s, seeds 1..N (3): the
//         median and the spread (best and worst) over the seeds;
//       check: each peer stand-in for T seconds (T = N / 50, 8 to 40), then classic and deep on
//         one thread for T / 4 (at least 2 s), seeds 1..N: deep's median against the peer's
//         best and classic's median;
//       threads: deep on one thread against two, for 10 s of the process's time per thread;
//       shapes: classic, both stand-ins and deep at 5 s on random shapes of 1000 and 300;
//       threshold: classic and deep at 5 s on classes of 100 to 300 persons
//   quorvale_quality --instance=NAME --method=classic|deep|local-maximum|three-phase
//       [--threads=N] [--seconds=S] [--seed=N] [--cpu]: one run, its best every half second
//   quorvale_quality --instance=NAME --write=DIR: the instance as parameters.txt and data.txt
//   --cpu: processor time of the process instead of wall-clock time, for comparing runs on a
//       busy machine
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/quality_instances.h"
#include "bench/quality_runs.h"

namespace quorvale::bench {
namespace {

Instance Named(const std::string& name) {
  Instance instance;
  if (!ParseInstance(name, instance)) {
    std::fprintf(stderr, "no instance %s\n", name.c_str());
    std::exit(2);
  }
  return instance;
}

std::string Points(int64_t hundredths) { return std::to_string(hundredths); }

int64_t Median(std::vector<int64_t> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// "median (best..worst)", or the one value when all seeds agree.
std::string Spread(std::vector<int64_t> values) {
  std::sort(values.begin(), values.end());
  if (values.front() == values.back()) return Points(values.front());
  return Points(values[values.size() / 2]) + " (" + Points(values.front()) + ".." +
         Points(values.back()) + ")";
}

// Runs over seeds 1..seeds; per checkpoint, the best score of each seed.
std::vector<std::vector<int64_t>> OverSeeds(const Instance& instance, Method method, int seeds,
                                            const std::vector<int64_t>& checkpoints_ms, int threads,
                                            int64_t* target) {
  std::vector<std::vector<int64_t>> at(checkpoints_ms.size());
  for (int seed = 1; seed <= seeds; ++seed) {
    const RunResult r =
        RunMethod(instance, method, threads, static_cast<uint32_t>(seed), checkpoints_ms);
    *target = r.target;
    for (size_t c = 0; c < checkpoints_ms.size(); ++c) at[c].push_back(r.best_at[c]);
  }
  return at;
}

constexpr const char* kStrategyInstances[] = {
    "class-300",     "class-1000",    "mixed-1000",   "spread-1000",  "packed-1000",  "class-5000",
    "class-540-120", "mixed-540-120", "onetype-1000", "wide-1000-40", "mixed-2000-40"};

void PrintStrategyTable(int seeds) {
  const std::vector<int64_t> checkpoints = {1000, 5000, 30000};
  std::printf(
      "| instance | Target Score | search | best at 1 s | 5 s | 30 s |\n"
      "|---|---|---|---|---|---|\n");
  for (const char* name : kStrategyInstances) {
    const Instance instance = Named(name);
    for (const Method method : {Method::kClassic, Method::kDeep}) {
      int64_t target = 0;
      const auto at = OverSeeds(instance, method, seeds, checkpoints, 1, &target);
      std::printf("| %s | %s | %s | %s | %s | %s |\n", name, Points(target).c_str(),
                  MethodName(method), Spread(at[0]).c_str(), Spread(at[1]).c_str(),
                  Spread(at[2]).c_str());
      std::fflush(stdout);
    }
  }
}

// Instances of the kinds the deep search is checked on, from 200 to 2000 persons.
constexpr const char* kCheckInstances[] = {
    "class-200",       "class-2000-80", "mixed-500-20",  "mixed-2000-40", "onetype-400-16",
    "onetype-1500-30", "class-540-120", "mixed-540-120", "wide-540-120",  "wide-800-32"};

void PrintCheckTable(int seeds) {
  std::printf(
      "\n| instance | peer's time | local-maximum | three-phase | our time | classic median | "
      "deep median | deep per seed | deep >= peer | deep >= classic |\n"
      "|---|---|---|---|---|---|---|---|---|---|\n");
  for (const char* name : kCheckInstances) {
    const Instance instance = Named(name);
    const int64_t peer_ms = std::clamp<int64_t>(instance.persons * 20, 8000, 40000);
    const int64_t our_ms = std::max<int64_t>(2000, peer_ms / 4);
    const int64_t lm = RunMethod(instance, Method::kLocalMaximumPeer, 1, 1, {peer_ms}).best_at[0];
    const int64_t tps = RunMethod(instance, Method::kThreePhasePeer, 1, 1, {peer_ms}).best_at[0];
    int64_t target = 0;
    const auto classic = OverSeeds(instance, Method::kClassic, seeds, {our_ms}, 1, &target);
    const auto deep = OverSeeds(instance, Method::kDeep, seeds, {our_ms}, 1, &target);
    std::string per_seed;
    for (const int64_t d : deep[0]) per_seed += (per_seed.empty() ? "" : ", ") + Points(d);
    const int64_t deep_median = Median(deep[0]);
    const int64_t classic_median = Median(classic[0]);
    std::printf("| %s | %.1f s | %s | %s | %.2f s | %s | %s | %s | %s | %s |\n", name,
                static_cast<double>(peer_ms) / 1000.0, Points(lm).c_str(), Points(tps).c_str(),
                static_cast<double>(our_ms) / 1000.0, Points(classic_median).c_str(),
                Points(deep_median).c_str(), per_seed.c_str(),
                deep_median <= std::min(lm, tps) ? "yes" : "NO",
                deep_median <= classic_median ? "yes" : "NO");
    std::fflush(stdout);
  }
}

constexpr const char* kThreadInstances[] = {"class-1000",   "mixed-1000",    "spread-1000",
                                            "packed-1000",  "class-540-120", "onetype-1000",
                                            "wide-1000-40", "mixed-2000-40"};

// With --cpu the process's time counts both threads, so two threads get twice the time of one:
// the same wall-clock time on an otherwise idle machine.
void PrintThreadTable(int seeds) {
  std::printf("\n| instance | deep, 1 thread, 10 s | deep, 2 threads, 2 x 10 s |\n|---|---|---|\n");
  for (const char* name : kThreadInstances) {
    const Instance instance = Named(name);
    int64_t target = 0;
    const auto one = OverSeeds(instance, Method::kDeep, seeds, {10000}, 1, &target);
    const auto two = OverSeeds(instance, Method::kDeep, seeds, {20000}, 2, &target);
    std::printf("| %s | %s | %s |\n", name, Spread(one[0]).c_str(), Spread(two[0]).c_str());
    std::fflush(stdout);
  }
}

// Random shapes, eight of 1000 persons in 20 groups and eight of 300 in 15, seed 1.
void PrintShapeTable() {
  std::printf(
      "\n| instance | Target Score | classic | local-maximum | three-phase | deep |\n"
      "|---|---|---|---|---|---|\n");
  for (const auto& [persons, groups] : {std::pair{1000, 20}, std::pair{300, 15}}) {
    for (int shape = 1; shape <= 8; ++shape) {
      const std::string name = "shape-" + std::to_string(shape) + "-" + std::to_string(persons) +
                               "-" + std::to_string(groups);
      const Instance instance = Named(name);
      std::string row = "| " + name;
      bool first = true;
      for (const Method method :
           {Method::kClassic, Method::kLocalMaximumPeer, Method::kThreePhasePeer, Method::kDeep}) {
        const RunResult r = RunMethod(instance, method, 1, 1, {5000});
        if (first) row += " | " + Points(r.target);
        first = false;
        row += " | " + Points(r.best_at[0]);
      }
      std::printf("%s |\n", row.c_str());
      std::fflush(stdout);
    }
  }
}

constexpr const char* kThresholdInstances[] = {"class-100", "class-150", "mixed-150", "spread-150",
                                               "class-200", "class-300", "mixed-300", "spread-300"};

void PrintThresholdTable() {
  std::printf("\n| instance | Target Score | classic at 5 s | deep at 5 s |\n|---|---|---|---|\n");
  for (const char* name : kThresholdInstances) {
    const Instance instance = Named(name);
    const RunResult classic = RunMethod(instance, Method::kClassic, 1, 1, {5000});
    const RunResult deep = RunMethod(instance, Method::kDeep, 1, 1, {5000});
    std::printf("| %s | %s | %s | %s |\n", name, Points(classic.target).c_str(),
                Points(classic.best_at[0]).c_str(), Points(deep.best_at[0]).c_str());
    std::fflush(stdout);
  }
}

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [--table=all|strategies|check|threads|shapes|threshold] [--seeds=N] "
               "[--cpu]\n"
               "       %s --instance=NAME --method=classic|deep|local-maximum|three-phase "
               "[--threads=N] [--seconds=S] [--seed=N] [--cpu]\n"
               "       %s --instance=NAME --write=DIR\n",
               program, program, program);
  return 2;
}

int Main(int argc, char** argv) {
  std::string only;
  std::string write;
  Method method = Method::kDeep;
  int threads = 1;
  double seconds = 30;
  uint32_t seed = 1;
  int seeds = 3;
  std::string table = "all";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](const char* key) -> const char* {
      return arg.rfind(key, 0) == 0 ? argv[i] + std::strlen(key) : nullptr;
    };
    if (const char* v = value("--instance=")) {
      only = v;
    } else if (const char* m = value("--method=")) {
      if (!ParseMethod(m, method)) return Usage(argv[0]);
    } else if (const char* t = value("--threads=")) {
      threads = std::max(1, std::atoi(t));
    } else if (const char* sec = value("--seconds=")) {
      seconds = std::atof(sec);
    } else if (const char* sd = value("--seed=")) {
      seed = static_cast<uint32_t>(std::strtoul(sd, nullptr, 10));
    } else if (const char* n = value("--seeds=")) {
      seeds = std::max(1, std::atoi(n));
    } else if (const char* w = value("--write=")) {
      write = w;
    } else if (arg == "--cpu") {
      UseProcessorTime(true);
    } else if (const char* tb = value("--table=")) {
      table = tb;
    } else {
      return Usage(argv[0]);
    }
  }
  if (!only.empty()) {
    const Instance instance = Named(only);
    if (!write.empty()) {
      const Status status = WriteInstanceFolder(instance, write);
      if (!status.ok()) std::fprintf(stderr, "%s\n", status.message().c_str());
      return status.ok() ? 0 : 1;
    }
    if (instance.kind == Kind::kRandomShape) BuildInstance(instance, true);
    const int64_t limit_ms = static_cast<int64_t>(seconds * 1000);
    const RunResult r = RunMethod(instance, method, threads, seed, {limit_ms}, true);
    std::printf(
        "%s %s threads %d seed %u: target %s, best %s after %.2f s, %lld steps, %d in conflict\n",
        only.c_str(), MethodName(method), threads, seed, Points(r.target).c_str(),
        Points(r.best_at.back()).c_str(), seconds, static_cast<long long>(r.steps), r.in_conflict);
    return 0;
  }
  const bool all = table == "all";
  if (all || table == "strategies") PrintStrategyTable(seeds);
  if (all || table == "check") PrintCheckTable(seeds);
  if (all || table == "threads") PrintThreadTable(seeds);
  if (all || table == "shapes") PrintShapeTable();
  if (all || table == "threshold") PrintThresholdTable();
  return 0;
}

}  // namespace
}  // namespace quorvale::bench

int main(int argc, char** argv) { return quorvale::bench::Main(argc, argv); }
