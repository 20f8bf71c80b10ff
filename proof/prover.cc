// The prover's thread.
#include "proof/prover.h"

#include <algorithm>
#include <chrono>

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

}  // namespace

Prover::Prover(const Problem& problem, const std::vector<Category>& categories, ProofBoard& board,
               ProverSettings settings)
    : board_(board), settings_(settings), model_(BuildCountModel(problem, categories)) {
  report_.model_built = model_.built;
}

Prover::~Prover() { Stop(); }

void Prover::Start() {
  if (!model_.built || thread_.joinable()) return;
  thread_ = std::thread([this] { Prove(); });
}

void Prover::Stop() {
  stop_.store(true);
  board_.Wake();
  if (thread_.joinable()) thread_.join();
}

void Prover::Prove() {
  const auto start = std::chrono::steady_clock::now();
  std::vector<int32_t> best;
  int64_t best_score = 0;
  if (!board_.WaitForSettledBest(settings_.settle_ms, stop_, best, best_score)) return;
  double seconds = kUntilStopped;
  if (settings_.time_limit_ms > 0) {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
    seconds = static_cast<double>(settings_.time_limit_ms - spent) / 1000.0;
    if (seconds <= 0) return;
  }
  report_.solver_ran = true;
  solver_started_.store(true);
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
    return NothingBelowWithCounts(model_, counts, best_score, placement_left(), stop_);
  };
  while (placement_left() > 0) {
    const PlacementVerdict placement =
        ProveByPlacement(model_, best_score, placement_left(), stop_, check);
    if (placement == PlacementVerdict::kProven) {
      report_.has_bound = report_.optimal = true;
      report_.lower_bound = report_.best_score = best_score;
      board_.RaiseLowerBound(best_score);
      return;
    }
    if (placement != PlacementVerdict::kOpen) break;
    // An open placement often means that the search has yet to find the best grouping: once it
    // offers a better one, the proof is tried again with it.
    std::vector<int32_t> newer;
    int64_t newer_score = 0;
    if (!board_.WaitForSettledBest(settings_.settle_ms, stop_, newer, newer_score)) return;
    if (newer_score >= best_score) break;
    best.swap(newer);
    best_score = newer_score;
  }
  if (stop_.load()) return;
  seconds -=
      std::chrono::duration<double>(std::chrono::steady_clock::now() - placement_start).count();
  if (seconds <= 0) return;
  const std::vector<int32_t> best_counts = CountsOfGrouping(model_, best);
  const CountSolution solution = SolveCountModel(model_, best_counts, seconds, stop_);
  report_.has_bound = solution.has_bound;
  report_.optimal = solution.optimal;
  report_.lower_bound = solution.lower_bound;
  report_.best_score = solution.best_score;
  if (solution.has_bound) board_.RaiseLowerBound(solution.lower_bound);
}

}  // namespace quorvale
