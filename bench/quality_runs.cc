#include "bench/quality_runs.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "app/real_platform.h"
#include "bench/local_maximum_peer.h"
#include "bench/three_phase_peer.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "engine/run_loop.h"

namespace quorvale::bench {

namespace {

// Processor time of the whole process: with one thread, a run gets the same work done whatever
// else runs.
class ProcessorClock final : public Clock {
 public:
  ProcessorClock() : start_ms_(Now()) {}
  // The processor clock is a system call, dear when a search polls the clock before every scan:
  // it is read again only after a millisecond of wall-clock time. The peers' threads share it.
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
    if (elapsed_ms <= limit_ms_) run.points.push_back({elapsed_ms, values.best});
    cycle = values.cycle;
    if (verbose_ && elapsed_ms >= next_print_ms_) {
      std::printf("%7.2f s  best %10lld  current %10lld  cycle %d\n",
                  static_cast<double>(elapsed_ms) / 1000.0, static_cast<long long>(values.best),
                  static_cast<long long>(values.current), values.cycle);
      std::fflush(stdout);
      next_print_ms_ = elapsed_ms + 500;
    }
    if (elapsed_ms >= limit_ms_) stop_.store(99);
  }
  void InterimSavingOn() override {}
  void SaveFailed(const std::string&) override {}
  void SaveRecovered() override {}
  void Closing(bool) override {}
  PeerRun run;  // the best at every panel
  int32_t cycle = 0;

 private:
  std::atomic<int>& stop_;
  int64_t limit_ms_;
  bool verbose_;
  int64_t next_print_ms_ = 0;
};

// The grouping must keep the dealt group sizes and type counts and score what it claims.
void CheckBest(Problem& p, const std::vector<int32_t>& grouping, int64_t claimed,
               const std::string& who) {
  std::vector<int32_t> dealt_counts((static_cast<size_t>(p.GroupCount()) + 1) * 3, 0);
  std::vector<int32_t> best_counts = dealt_counts;
  for (int32_t r = 1; r <= p.PersonCount(); ++r) {
    const size_t type = static_cast<size_t>(std::clamp(p.Type(r), 0, 2));
    ++dealt_counts[static_cast<size_t>(p.Assignment[static_cast<size_t>(r)]) * 3 + type];
    ++best_counts[static_cast<size_t>(grouping[static_cast<size_t>(r)]) * 3 + type];
  }
  p.Assignment = grouping;
  if (dealt_counts != best_counts ||
      EvaluateAssignment(p, Engine(SupportedKernelLevel())) != claimed) {
    std::fprintf(stderr, "%s: the best score is not its grouping's\n", who.c_str());
    std::exit(1);
  }
}

}  // namespace

const char* MethodName(Method method) {
  switch (method) {
    case Method::kClassic:
      return "classic";
    case Method::kDeep:
      return "deep";
    case Method::kLocalMaximumPeer:
      return "local-maximum";
    case Method::kThreePhasePeer:
      return "three-phase";
  }
  return "";
}

bool ParseMethod(const char* name, Method& method) {
  for (const Method m :
       {Method::kClassic, Method::kDeep, Method::kLocalMaximumPeer, Method::kThreePhasePeer}) {
    if (std::strcmp(name, MethodName(m)) == 0) {
      method = m;
      return true;
    }
  }
  return false;
}

void UseProcessorTime(bool on) { g_processor_time = on; }

RunResult RunMethod(const Instance& instance, Method method, int threads, uint32_t seed,
                    const std::vector<int64_t>& checkpoints_ms, bool verbose) {
  Problem p = BuildInstance(instance);
  const int64_t limit_ms = checkpoints_ms.back();
  const std::string who = instance.name + " " + MethodName(method);
  PeerRun run;
  RunResult result;
  result.target = p.TargetScore;
  if (method == Method::kClassic || method == Method::kDeep) {
    Engine engine(SupportedKernelLevel());
    std::atomic<int> stop{0};
    Recorder recorder(stop, limit_ms, verbose);
    NullSink sink;
    const std::unique_ptr<Clock> clock = StartClock();  // the matrix and the deal do not count
    SearchEnvironment env{recorder, *clock, sink, engine, seed, &stop};
    env.first_save_ms = INT64_MAX;
    env.strategy = method == Method::kDeep ? SearchStrategy::kDeep : SearchStrategy::kClassic;
    env.threads = threads;
    RunSearch(p, env);
    run = std::move(recorder.run);
    run.points.push_back({limit_ms, p.BestScore});
    result.steps = recorder.cycle;
    for (int32_t r = 1; r <= p.PersonCount(); ++r) {
      result.in_conflict += p.BestPersonConflict[static_cast<size_t>(r)] >= 1 ? 1 : 0;
    }
    const std::vector<int32_t> best = p.BestAssignment;
    CheckBest(p, best, p.BestScore, who);
  } else {
    const std::unique_ptr<Clock> clock = StartClock();
    run = method == Method::kLocalMaximumPeer
              ? RunLocalMaximumPeer(p, *clock, seed, limit_ms, threads)
              : RunThreePhasePeer(p, *clock, seed, limit_ms, threads);
    result.steps = run.repetitions;
    CheckBest(p, run.best_grouping, run.points.back().best, who);
  }
  for (const int64_t ms : checkpoints_ms) result.best_at.push_back(run.BestAt(ms));
  return result;
}

}  // namespace quorvale::bench
