// The prover's thread.
#include "engine/prover.h"

#include <chrono>

#include "engine/count_solver.h"

namespace quorvale {

namespace {

// With no run time limit the solver runs until the search ends and stops it.
constexpr double kUntilStopped = 1e9;

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
  const CountSolution solution =
      SolveCountModel(model_, CountsOfGrouping(model_, best), seconds, stop_);
  report_.has_bound = solution.has_bound;
  report_.optimal = solution.optimal;
  report_.lower_bound = solution.lower_bound;
  report_.best_score = solution.best_score;
  if (solution.has_bound) board_.RaiseLowerBound(solution.lower_bound);
}

}  // namespace quorvale
