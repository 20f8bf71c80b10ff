// The prover's thread.
#include "proof/prover.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "proof/count_solver.h"
#include "proof/placement_proof.h"

namespace quorvale {

namespace {

// With no run time limit the solver runs until the search ends and stops it.
constexpr double kUntilStopped = 1e9;
// The placement proof's time: this share of the proof's time plus a few seconds, within a cap;
// the solver has the rest.
constexpr double kPlacementShare = 0.5;
constexpr double kPlacementLeast = 5.0;
constexpr double kPlacementMost = 40.0;

std::atomic<bool> any_left_behind{false};

}  // namespace

// What the thread works on, shared with it so that a thread left behind still owns it. The board
// is the caller's: the thread uses it only under `mutex` while `abandoned` is false.
struct Prover::Work {
  Work(ProofBoard& proof_board, ProverSettings prover_settings, CountModel count_model)
      : board(proof_board), settings(prover_settings), model(std::move(count_model)) {}

  void Prove();
  // Runs `use` on the board unless the prover has been left behind. Returns false then.
  template <typename Use>
  bool WithBoard(Use use) {
    std::lock_guard<std::mutex> lock(mutex);
    if (abandoned) return false;
    use(board);
    return true;
  }
  void Finish(const ProverReport& result) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      report = result;
      done = true;
    }
    ended.notify_all();
  }

  ProofBoard& board;
  const ProverSettings settings;
  // The model states the pair and buddy terms; the average terms it leaves out are never below
  // 0, so a bound of the model's score bounds the whole score, which the board holds.
  const CountModel model;
  std::atomic<bool> stop{false};
  std::atomic<bool> solver_started{false};
  std::mutex mutex;
  std::condition_variable ended;
  ProverReport report;  // under `mutex`
  bool done = false;
  bool abandoned = false;
};

void Prover::Work::Prove() {
  ProverReport result;
  result.model_built = true;
  const auto start = std::chrono::steady_clock::now();
  std::vector<int32_t> best;
  int64_t best_score = 0;
  bool offered = false;
  WithBoard([&](ProofBoard& b) {
    offered = b.WaitForSettledBest(settings.settle_ms, stop, best, best_score);
  });
  if (!offered) return Finish(result);
  double seconds = kUntilStopped;
  if (settings.time_limit_ms > 0) {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
    seconds = static_cast<double>(settings.time_limit_ms - spent) / 1000.0;
    if (seconds <= 0) return Finish(result);
  }
  result.solver_ran = true;
  solver_started.store(true);
  // The placement proof first: where it applies it settles class-like instances in a fraction
  // of the time the solver needs; where it cannot, it gives way within a share of the time.
  const auto placement_start = std::chrono::steady_clock::now();
  const auto placement_end =
      placement_start +
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(
          std::min({seconds, kPlacementShare * seconds + kPlacementLeast, kPlacementMost})));
  const auto placement_left = [&] {
    return std::chrono::duration<double>(placement_end - std::chrono::steady_clock::now()).count();
  };
  const PlacementCheck check = [&](const std::vector<int32_t>& counts) {
    return NothingBelowWithCounts(model, counts, best_score, placement_left(), stop);
  };
  while (placement_left() > 0) {
    const PlacementVerdict placement =
        ProveByPlacement(model, best_score, placement_left(), stop, check);
    if (placement == PlacementVerdict::kProven) {
      result.has_bound = result.optimal = true;
      result.lower_bound = result.best_score = best_score;
      WithBoard([&](ProofBoard& b) { b.RaiseLowerBound(best_score); });
      return Finish(result);
    }
    if (placement != PlacementVerdict::kOpen) break;
    // An open placement often means that the search has yet to find the best grouping: once it
    // offers a better one, the proof is tried again with it.
    std::vector<int32_t> newer;
    int64_t newer_score = 0;
    offered = false;
    WithBoard([&](ProofBoard& b) {
      offered = b.WaitForSettledBest(settings.settle_ms, stop, newer, newer_score);
    });
    if (!offered) return Finish(result);
    if (newer_score >= best_score) break;
    best.swap(newer);
    best_score = newer_score;
  }
  if (stop.load()) return Finish(result);
  seconds -=
      std::chrono::duration<double>(std::chrono::steady_clock::now() - placement_start).count();
  if (seconds <= 0) return Finish(result);
  const std::vector<int32_t> best_counts = CountsOfGrouping(model, best);
  const CountSolution solution = SolveCountModel(model, best_counts, seconds, stop);
  result.has_bound = solution.has_bound;
  result.optimal = solution.optimal;
  result.lower_bound = solution.lower_bound;
  result.best_score = solution.best_score;
  if (solution.has_bound) {
    WithBoard([&](ProofBoard& b) { b.RaiseLowerBound(result.lower_bound); });
  }
  Finish(result);
}

Prover::Prover(const Problem& problem, const std::vector<Category>& categories, ProofBoard& board,
               ProverSettings settings)
    : work_(std::make_shared<Work>(board, settings, BuildCountModel(problem, categories))) {
  work_->report.model_built = work_->model.built;
}

Prover::~Prover() { Stop(); }

void Prover::Start() {
  if (!work_->model.built || started_) return;
  started_ = true;
  // The thread holds the work too, so that it outlives the Prover when left behind.
  std::thread([work = work_] { work->Prove(); }).detach();
}

void Prover::Stop() {
  if (stopped_) return;
  stopped_ = true;
  work_->stop.store(true);
  work_->board.Wake();
  if (!started_) return;
  std::unique_lock<std::mutex> lock(work_->mutex);
  if (!work_->ended.wait_for(lock, std::chrono::milliseconds(work_->settings.stop_wait_ms),
                             [&] { return work_->done; })) {
    // The board is only touched under this lock: from here on the thread cannot reach it.
    work_->abandoned = true;
    any_left_behind.store(true);
  }
}

bool Prover::SolverStarted() const { return work_->solver_started.load(); }

ProverReport Prover::Report() const {
  std::lock_guard<std::mutex> lock(work_->mutex);
  return work_->report;
}

bool Prover::LeftBehind() { return any_left_behind.load(); }

}  // namespace quorvale
