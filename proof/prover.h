// The prover: a second thread beside the search that solves the exact count model, seeded with
// the search's best grouping once it has settled, and raises the proven lower bound on the
// ProofBoard. It does no I/O and never waits for the search; Stop ends it promptly.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "proof/categories.h"
#include "proof/count_model.h"
#include "engine/proof_board.h"

namespace quorvale {

struct ProverSettings {
  int64_t time_limit_ms = 0;  // wall time from Start for the whole proof; 0: until stopped
  // The solver starts once the search's best grouping has stood this long: a good first solution
  // lets it prune from the start.
  int64_t settle_ms = 500;
};

// What the prover did, for the verdict.
struct ProverReport {
  bool model_built = false;  // the model fit its size limits
  bool solver_ran = false;
  bool has_bound = false;  // the solver proved a lower bound
  bool optimal = false;    // it proved its best known grouping the best possible
  int64_t lower_bound = 0;
  int64_t best_score = 0;  // the best grouping the solver knows, in hundredths
};

class Prover {
 public:
  // Builds the model from the dealt grouping in the caller's thread.
  // REQUIRES: DealInitialAssignment has run; `board` outlives the prover.
  Prover(const Problem& problem, const std::vector<Category>& categories, ProofBoard& board,
         ProverSettings settings);
  ~Prover();
  Prover(const Prover&) = delete;
  Prover& operator=(const Prover&) = delete;

  // Starts the thread (nothing to do when the model was not built).
  void Start();
  // Stops the solver at its next event and joins the thread. Safe to call more than once.
  void Stop();
  // The solver has been handed the model (it may have finished since).
  bool SolverStarted() const { return solver_started_.load(); }
  // REQUIRES: Stop has returned (or Start was never called).
  const ProverReport& Report() const { return report_; }

 private:
  void Prove();

  ProofBoard& board_;
  ProverSettings settings_;
  CountModel model_;
  ProverReport report_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> solver_started_{false};
  std::thread thread_;
};

}  // namespace quorvale
